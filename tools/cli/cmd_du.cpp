// drovik-cli du SOURCE [--part P] PATH...: the size evaluation of a selection.

#include "app/fs_tools/eval_size.h"
#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

int RunDu(const std::vector<std::string>& words);

const cli::Command
    kDu("du", "count the files, bytes and blocks of a selection",
        "usage: drovik-cli du SOURCE [--part P | --at START[:LENGTH]] [--partlist F] [--result "
        "FILE.drdb]\n"
        "                     PATH... [--json]\n\n"
        "Counts the files under each PATH of the file system on partition P of SOURCE (a\n"
        "folder with everything below it, a file by itself): how many there are, their bytes,\n"
        "and how many blocks of 512, 1024, 2048, 4096, 8192 and 16384 bytes they take, folders\n"
        "left out. Without --part the only partition with a file system is read. Objects that\n"
        "cannot be read are passed over.\n\n"
        "  --json   one JSON object: files, bytes, and blocks_512 ... blocks_16384\n",
        RunDu);

int RunDu(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--part", "--at", "--partlist", "--result"});
    if (args.WantsHelp()) {
        std::fputs(kDu.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json"}); !unknown.empty()) {
        return cli::UsageError(kDu, "unknown option " + unknown.front());
    }
    const auto& positional = args.Positional();
    if (positional.size() < 2) {
        return cli::UsageError(kDu, "expected SOURCE and at least one PATH");
    }
    std::optional<cli::Volume> volume =
        cli::OpenVolume("du", positional[0], cli::ChosenPartition(args), args.Option("--result"));
    if (!volume) {
        return 1;
    }
    cVFS& fs = *volume->fs;
    std::vector<std::unique_ptr<cFSObject>> selection;
    for (std::size_t i = 1; i < positional.size(); ++i) {
        auto object = fs.FindByPath(utf::FromUtf8(positional[i]), fs.GetRootId());
        if (!object) {
            return cli::Fail("du", "no such entry: " + positional[i]);
        }
        selection.push_back(std::move(object));
    }
    cEvalSizeCounters counters;
    EvalSize(fs, selection, counters, [] { return false; });
    if (args.Flag("--json")) {
        cli::JsonObject object;
        object.Add("files", counters.files).Add("bytes", counters.bytes);
        for (std::size_t i = 0; i < counters.blocks.size(); ++i) {
            object.Add("blocks_" + std::to_string(cEvalSizeCounters::kBlockSizes[i]),
                       counters.blocks[i]);
        }
        object.Print();
        return 0;
    }
    std::printf("files               %llu\n", static_cast<unsigned long long>(counters.files));
    std::printf("bytes               %llu\n", static_cast<unsigned long long>(counters.bytes));
    for (std::size_t i = 0; i < counters.blocks.size(); ++i) {
        const std::uint32_t size = cEvalSizeCounters::kBlockSizes[i];
        std::printf("%-5u-byte blocks    %llu (%llu bytes)\n", size,
                    static_cast<unsigned long long>(counters.blocks[i]),
                    static_cast<unsigned long long>(counters.blocks[i] * size));
    }
    return 0;
}

} // namespace
