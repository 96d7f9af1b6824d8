// drovik-cli find SOURCE [--part P] [PATH] [--name PATTERN] [--size =N|+N|-N] [--folders]
// [--case]: the file search, every hit printed.

#include "app/fs_tools/file_search.h"
#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunFind(const std::vector<std::string>& words);

const cli::Command kFind(
    "find", "search files by name and size",
    "usage: drovik-cli find SOURCE [--part P | --at START[:LENGTH]] [--partlist F] [--result "
    "FILE.drdb]\n"
    "                       [PATH] [--name PATTERN]\n"
    "                       [--size =N|+N|-N] [--folders] [--case] [--json]\n\n"
    "Lists the files below PATH (default /) of the file system on partition P of SOURCE whose\n"
    "names match PATTERN ('*' any run of characters, '?' one; default *), without regard to\n"
    "case unless --case is given. --size keeps files of exactly N bytes (=N), more (+N) or\n"
    "fewer (-N). With --folders, folders whose names match are listed too. Every folder is\n"
    "searched, matching or not. The window's search for a text T is --name '*T*'.\n\n"
    "  --json   one JSON object per hit: path, kind (file or folder), size\n",
    RunFind);

// The --size option: its condition and byte count, or nothing when malformed.
std::optional<cSearchParams> SizeCondition(cSearchParams params, const std::string& text) {
    if (text.size() < 2) {
        return std::nullopt;
    }
    switch (text.front()) {
    case '=':
        params.sizeCondition = cSearchParams::eSize::Equal;
        break;
    case '+':
        params.sizeCondition = cSearchParams::eSize::Greater;
        break;
    case '-':
        params.sizeCondition = cSearchParams::eSize::Less;
        break;
    default:
        return std::nullopt;
    }
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + 1, end, params.size);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return params;
}

int RunFind(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--part", "--at", "--partlist", "--result", "--name", "--size"});
    if (args.WantsHelp()) {
        std::fputs(kFind.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json", "--folders", "--case"}); !unknown.empty()) {
        return cli::UsageError(kFind, "unknown option " + unknown.front());
    }
    const auto& positional = args.Positional();
    if (positional.empty() || positional.size() > 2) {
        return cli::UsageError(kFind, "expected SOURCE and at most one PATH");
    }
    std::optional<cSearchParams> params = cSearchParams{};
    params->pattern = utf::FromUtf8(args.Option("--name").value_or("*"));
    params->includeFolders = args.Flag("--folders");
    params->caseSensitive = args.Flag("--case");
    if (const auto size = args.Option("--size")) {
        params = SizeCondition(*params, *size);
        if (!params) {
            return cli::UsageError(kFind, "--size takes =N, +N or -N bytes");
        }
    }
    std::optional<cli::Volume> volume =
        cli::OpenVolume("find", positional[0], cli::ChosenPartition(args), args.Option("--result"));
    if (!volume) {
        return 1;
    }
    cVFS& fs = *volume->fs;
    std::string path = positional.size() > 1 ? positional[1] : "/";
    const auto start = fs.FindByPath(utf::FromUtf8(path), fs.GetRootId());
    if (!start || start->Kind() != fskind::kFolder) {
        return cli::Fail("find", "no such folder: " + path);
    }
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    const bool json = args.Flag("--json");
    SearchFiles(
        fs, *start, *params,
        [&](const cFSObject& object, const std::u16string& found) {
            const std::string shown = path + "/" + utf::ToUtf8(found);
            const bool folder = object.Kind() == fskind::kFolder;
            if (json) {
                cli::JsonObject()
                    .Add("path", shown)
                    .Add("kind", folder ? "folder" : "file")
                    .Add("size", object.size)
                    .Print();
            } else {
                std::printf("%s\n", shown.c_str());
            }
            return true;
        },
        [] { return false; });
    return 0;
}

} // namespace
