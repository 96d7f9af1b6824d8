// drovik-cli rules compile SOURCE... -o FILE.urrs; drovik-cli rules show FILE.urrs: the
// signature rules of the content scan, for the people who write them.

#include "base/utf.h"
#include "command.h"
#include "scan/signatures/rules_source.h"
#include "scan/signatures/signature.h"
#include "scan/signatures/urrs_file.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int RunRules(const std::vector<std::string>& words);

const cli::Command
    kRules("rules", "compile and show the signature rules of the content scan",
           "usage: drovik-cli rules compile SOURCE... -o FILE.urrs\n"
           "       drovik-cli rules show FILE.urrs\n\n"
           "'compile' reads rules written in the source form (docs/rules.md describes it), one\n"
           "or more files whose trees follow one another, and writes them as one rules file that\n"
           "the content scan loads. An error names the file and line and writes nothing.\n\n"
           "'show' prints the tree of a rules file: each node with its folder name, extension\n"
           "and kind, and under it each rule as the scan reads it. A damaged file is shown up to\n"
           "where reading stopped, followed by the reader's result code and the byte offset of\n"
           "the field it stopped at; the exit code is then 1.\n",
           RunRules);

// Rules files and sources are small; a larger file is no rules file.
constexpr std::size_t kMaxFileBytes = 64 << 20;

int Compile(const std::vector<std::string>& sources, const std::string& target) {
    cSigList rules;
    for (const std::string& source : sources) {
        const auto text = cli::ReadSmallFile(source, kMaxFileBytes);
        if (!text) {
            return cli::Fail("rules", "cannot read " + source + ": " + cli::SystemReason());
        }
        const auto error = rulesource::Compile(
            std::string_view(reinterpret_cast<const char*>(text->data()), text->size()), rules);
        if (error) {
            return cli::Fail("rules",
                             source + ":" + std::to_string(error->line) + ": " + error->message);
        }
    }
    const std::vector<std::uint8_t> file = urrs::Save(rules);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size())) ||
        !out.flush()) {
        return cli::Fail("rules", "cannot write " + target + ": " + cli::SystemReason());
    }
    return 0;
}

const char* KindText(std::uint8_t kind) {
    return kind == sigkind::kNotAFile ? "not a file" : kind == sigkind::kWeak ? "weak" : "strong";
}

void ShowList(const cSigList& list, int depth, bool json) {
    const std::string indent(std::size_t(2 * depth), ' ');
    for (std::size_t i = 0; i < list.Size(); ++i) {
        const cScanSignature& node = list.At(i);
        const std::string name = utf::ToUtf8(node.Name());
        const std::string extension = utf::ToUtf8(node.Extension());
        if (json) {
            cli::JsonObject row;
            row.Add("depth", depth).Add("name", name).Add("extension", extension);
            row.Add("kind", unsigned(node.Kind())).Add("match_all", node.MatchAll());
            row.Add("locator", unsigned(node.Locator() ? node.Locator()->Kind() : 0));
            std::string begin;
            for (const auto& rule : node.BeginRules()) {
                begin += (begin.empty() ? "" : "\n") + utf::ToUtf8(rule->Describe());
            }
            std::string end;
            for (const auto& rule : node.EndRules()) {
                end += (end.empty() ? "" : "\n") + utf::ToUtf8(rule->Describe());
            }
            row.Add("begin", begin).Add("end", end).Print();
        } else if (node.IsGroup()) {
            std::printf("%s%s/ (group)\n", indent.c_str(), name.c_str());
        } else {
            std::printf("%s%s/ *.%s, %s, %s%s\n", indent.c_str(), name.c_str(), extension.c_str(),
                        KindText(node.Kind()),
                        node.MatchAll() ? "every rule must hold" : "one rule suffices",
                        node.Locator() ? (node.Locator()->Kind() == siglocator::kFieldRelative
                                              ? ", origin from a field"
                                              : ", origin at a magic")
                                       : "");
        }
        if (!json) {
            for (const auto& rule : node.BeginRules()) {
                std::printf("%s  begin: %s\n", indent.c_str(),
                            utf::ToUtf8(rule->Describe()).c_str());
            }
            if (node.Follower()) {
                std::printf("%s  end: %s\n", indent.c_str(),
                            utf::ToUtf8(node.Follower()->Describe()).c_str());
            }
            for (const auto& rule : node.EndRules()) {
                std::printf("%s  end: %s\n", indent.c_str(), utf::ToUtf8(rule->Describe()).c_str());
            }
        }
        ShowList(node.Children(), depth + 1, json);
    }
}

int Show(const std::string& path, bool json) {
    const auto file = cli::ReadSmallFile(path, kMaxFileBytes);
    if (!file) {
        return cli::Fail("rules", "cannot read " + path + ": " + cli::SystemReason());
    }
    cSigList rules;
    const urrs::cLoadResult loaded = urrs::Load(*file, rules);
    ShowList(rules, 0, json);
    if (loaded.code != urrs::kLoaded) {
        static constexpr const char* kReasons[] = {
            "", "the file ends inside a record", "the magic is not QORNSI00",
            "a string, pattern or width is out of range",
            "a rule or locator kind, a size field or the nesting is out of range"};
        return cli::Fail("rules", path + ": result code " + std::to_string(int(loaded.code)) +
                                      " (" + kReasons[loaded.code] + ") at byte " +
                                      std::to_string(loaded.stoppedAt));
    }
    return 0;
}

int RunRules(const std::vector<std::string>& words) {
    const cli::Args args(words, {"-o"});
    if (args.WantsHelp()) {
        std::fputs(kRules.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json"}); !unknown.empty()) {
        return cli::UsageError(kRules, "unknown option " + unknown.front());
    }
    const auto& positional = args.Positional();
    if (!positional.empty() && positional[0] == "compile") {
        const auto target = args.Option("-o");
        if (positional.size() < 2 || !target) {
            return cli::UsageError(kRules, "compile needs SOURCE files and -o FILE.urrs");
        }
        return Compile(std::vector<std::string>(positional.begin() + 1, positional.end()), *target);
    }
    if (positional.size() == 2 && positional[0] == "show") {
        return Show(positional[1], args.Flag("--json"));
    }
    return cli::UsageError(kRules, "expected 'compile SOURCE... -o FILE.urrs' or 'show FILE.urrs'");
}

} // namespace
