// drovik-cli scan SOURCE [--part P] --method content [--rules FILE|DIR]... [--free-only]
// --out BASE: finds files by their content and saves what it found as a result file.

#include "app/engine.h"
#include "base/progress.h"
#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"
#include "part/part_path.h"
#include "part/storage_tree_builder.h"
#include "platform/terminal.h"
#include "scan/result_file.h"
#include "scan/signatures/raw_scan.h"
#include "scan/signatures/signature.h"
#include "scan/signatures/urrs_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

int RunScan(const std::vector<std::string>& words);

const cli::Command
    kScan("scan", "find lost files by their content and save the result",
          "usage: drovik-cli scan SOURCE [--part P] --method content [--rules FILE|DIR]...\n"
          "                       [--free-only] --out BASE [--json]\n\n"
          "Reads partition P of SOURCE (without --part the whole storage) sector by sector and\n"
          "recognises the start of files by their content with signature rules; where a rule\n"
          "says, a file's exact size. The files found are listed by type and saved as the result\n"
          "file BASE-content.drdb, which ls, cat and cp read with --result.\n\n"
          "The rules come from the *.urrs files beside the program (drovik.urrs is shipped with\n"
          "it), or from each --rules FILE and every *.urrs file of each --rules DIR instead.\n"
          "'drovik-cli rules --help' tells how to write your own.\n\n"
          "With --free-only the file system on P must know which of its clusters are in use:\n"
          "only the others are scanned, cluster by cluster, and a file found in free space ends\n"
          "where a used cluster begins.\n\n"
          "Progress shows on the terminal; Ctrl-C stops the scan and saves what was found so\n"
          "far (exit code 3). With --json the progress, every type and the result are JSON\n"
          "Lines: {\"stage\",\"percent\"}, {\"type\",\"files\",\"bytes\"} and\n"
          "{\"result\",\"file\",\"files\",\"bytes\"}.\n",
          RunScan);

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::size_t kMaxRulesFileBytes = 64 << 20;

class cTerminalProgress final : public cProgressNotifyTarget {
public:
    explicit cTerminalProgress(bool json) : json_(json), terminal_(platform::StderrIsTerminal()) {}
    ~cTerminalProgress() override {
        if (terminal_ && !json_) {
            std::fputs("\n", stderr);
        }
    }
    bool OnProgress(double percent) override {
        if (json_ && int(percent) != lastWhole_) {
            lastWhole_ = int(percent);
            cli::JsonObject().Add("stage", "content").Add("percent", lastWhole_).Print();
        } else if (terminal_ && !json_) {
            std::fprintf(stderr, "\rscanning: %6.2f%%", percent);
        }
        return !platform::InterruptRequested();
    }

private:
    bool json_;
    bool terminal_;
    int lastWhole_ = -1;
};

// Appends the rules of one file to rules; warns about a damaged one (what it held up to
// the damage is used).
bool LoadRules(const std::filesystem::path& path, cSigList& rules) {
    const auto bytes = cli::ReadSmallFile(path.string(), kMaxRulesFileBytes);
    if (!bytes) {
        cli::Fail("scan", "cannot read the rules file " + path.string());
        return false;
    }
    const urrs::cLoadResult loaded = urrs::Load(*bytes, rules);
    if (loaded.code != urrs::kLoaded) {
        std::fprintf(stderr,
                     "drovik-cli scan: %s is damaged (result code %d at byte %zu); using the "
                     "rules before that\n",
                     path.string().c_str(), int(loaded.code), loaded.stoppedAt);
    }
    return true;
}

// The *.urrs files of a folder, in name order.
std::vector<std::filesystem::path> RulesFilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && entry.path().extension() == ".urrs") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool LoadAllRules(const std::vector<std::string>& given, cSigList& rules) {
    std::vector<std::filesystem::path> files;
    if (given.empty()) {
        std::error_code error;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
        files = RulesFilesIn(self.parent_path());
    }
    for (const std::string& name : given) {
        std::error_code error;
        if (std::filesystem::is_directory(name, error)) {
            const auto inFolder = RulesFilesIn(name);
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        } else {
            files.emplace_back(name);
        }
    }
    for (const auto& file : files) {
        if (!LoadRules(file, rules)) {
            return false;
        }
    }
    if (rules.Empty()) {
        cli::Fail("scan", "no signature rules: give a rules file with --rules");
        return false;
    }
    return true;
}

struct cTypeCount {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

void CountFiles(const cQORNVStorage& tree, cVSItemId folder, const std::string& path,
                std::map<std::string, cTypeCount>& counts) {
    for (cVSItemId item = tree.FirstSubfolder(folder); item; item = tree.Next(item)) {
        CountFiles(tree, item, path + (path.empty() ? "" : "/") + std::string(tree.Name(item)),
                   counts);
    }
    for (cVSItemId item = tree.FirstFile(folder); item; item = tree.Next(item)) {
        cTypeCount& count = counts[path];
        ++count.files;
        count.bytes += tree.Size(item);
    }
}

int RunScan(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--part", "--method", "--rules", "--out"});
    if (args.WantsHelp()) {
        std::fputs(kScan.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--free-only", "--json"}); !unknown.empty()) {
        return cli::UsageError(kScan, "unknown option " + unknown.front());
    }
    const auto out = args.Option("--out");
    if (args.Positional().size() != 1 || !out) {
        return cli::UsageError(kScan, "expected SOURCE and --out BASE");
    }
    // The other methods (file-system rebuilds) come with the recovery flow.
    if (args.Option("--method").value_or("content") != "content") {
        return cli::UsageError(kScan, "only --method content is available");
    }
    const bool json = args.Flag("--json");
    cSigList rules;
    if (!LoadAllRules(args.Options("--rules"), rules)) {
        return 1;
    }
    const std::string& source = args.Positional()[0];
    const auto resolved = cli::ResolveSource("scan", source);
    if (!resolved) {
        return 1;
    }
    cStorageList storages(EngineTreeBuilder());
    const cBaseIO* reader = AddStorageSource(storages, *resolved);
    const auto* built =
        reader ? dynamic_cast<const cPartStorageTree*>(storages.FindTree(reader)) : nullptr;
    if (!built || !built->Tree().First()) {
        return cli::Fail("scan", "cannot read " + source);
    }
    cPartTreeItem* node = FindByPartitionPath(built->Tree(), args.Option("--part").value_or("0"));
    if (!node) {
        return cli::Fail("scan",
                         "no partition " + args.Option("--part").value_or("0") + " on " + source);
    }

    cQORNVStorage result;
    cTerminalProgress progress(json);
    cRawScanRequest request;
    request.storage = node->Storage();
    request.partitionStart = node->Start();
    request.sectorCount = node->Length();
    request.unitSectors = 1;
    request.signatures = &rules;
    request.progress = &progress;
    request.result = &result;
    if (args.Flag("--free-only")) {
        auto* fs = node->FindExtensionAs<cVFS>(part_ext::kFileSystem);
        if (!fs || !fs->HasBlockMap() || fs->GetBlockSize() < kSectorBytes ||
            fs->GetBlockSize() % kSectorBytes != 0) {
            return cli::Fail("scan", "--free-only needs a file system that knows its free "
                                     "clusters on partition " +
                                         PartitionPath(*node));
        }
        request.unitSectors = fs->GetBlockSize() / kSectorBytes;
        request.firstSector = fs->GetFirstBlockSector();
        request.sectorCount = std::min(
            node->Length() > request.firstSector ? node->Length() - request.firstSector : 0,
            fs->GetBlockCount() * request.unitSectors);
        request.unitInUse = [fs](std::uint64_t unit) { return fs->IsBlockUsed(unit); };
    }
    platform::CatchInterrupts();
    const bool finished = RawScan(request);

    std::map<std::string, cTypeCount> counts;
    if (result.Root()) {
        CountFiles(result, result.Root(), "", counts);
    }
    cTypeCount total;
    for (const auto& [type, count] : counts) {
        total.files += count.files;
        total.bytes += count.bytes;
        if (json) {
            cli::JsonObject()
                .Add("type", type)
                .Add("files", count.files)
                .Add("bytes", count.bytes)
                .Print();
        } else {
            std::printf("%-40s %8llu files %14llu bytes\n", type.c_str(),
                        static_cast<unsigned long long>(count.files),
                        static_cast<unsigned long long>(count.bytes));
        }
    }
    const std::string file = *out + "-content.drdb";
    if (!drdb::SaveFile(file, result)) {
        return cli::Fail("scan", "cannot write " + file + ": " + cli::SystemReason());
    }
    if (json) {
        cli::JsonObject()
            .Add("result", "content")
            .Add("file", file)
            .Add("files", total.files)
            .Add("bytes", total.bytes)
            .Print();
    } else {
        std::printf("%llu files, %llu bytes, saved in %s\n",
                    static_cast<unsigned long long>(total.files),
                    static_cast<unsigned long long>(total.bytes), file.c_str());
    }
    if (platform::InterruptRequested()) {
        return 3;
    }
    return finished ? 0 : cli::Fail("scan", "the scan ended early: the storage stopped delivering");
}

} // namespace
