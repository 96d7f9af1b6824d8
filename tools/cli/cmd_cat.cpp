// drovik-cli cat SOURCE --part P PATH: one file's bytes to stdout.

#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"

#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace {

int RunCat(const std::vector<std::string>& words);

const cli::Command
    kCat("cat", "write one file's bytes to stdout",
         "usage: drovik-cli cat SOURCE [--part P | --at START[:LENGTH]] [--partlist F]\n"
         "                      [--result FILE.drdb | --deleted] PATH\n\n"
         "Writes the data of the file PATH of the file system on partition P of SOURCE to\n"
         "stdout. Without --part the only partition with a file system is read. A read error\n"
         "ends the output early with a message and a non-zero exit code.\n\n"
         "With --result FILE.drdb the tree of found files saved in FILE is loaded onto partition\n"
         "P and read instead of the partition's file system (files that were found through\n"
         "the file system's own records still read through it). A result that cannot be read\n"
         "is an error.\n\n"
         "With --deleted on an NTFS volume PATH is one of the deleted files 'ls --deleted'\n"
         "lists; what its clusters hold now is written.\n",
         RunCat);

int RunCat(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--part", "--at", "--partlist", "--result"});
    if (args.WantsHelp()) {
        std::fputs(kCat.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--deleted"}); !unknown.empty()) {
        return cli::UsageError(kCat, "unknown option " + unknown.front());
    }
    const auto& positional = args.Positional();
    if (positional.size() != 2) {
        return cli::UsageError(kCat, "expected SOURCE and PATH");
    }
    std::optional<cli::Volume> volume =
        cli::OpenVolume("cat", positional[0], cli::ChosenPartition(args), args.Option("--result"));
    if (!volume || (args.Flag("--deleted") && !cli::ReadDeletedNtfsFiles("cat", *volume))) {
        return 1;
    }
    cVFS& fs = *volume->fs;
    const std::unique_ptr<cFSObject> entry =
        fs.FindByPath(utf::FromUtf8(positional[1]), fs.GetRootId());
    if (!entry) {
        return cli::Fail("cat", "no such entry: " + positional[1]);
    }
    if (entry->Kind() == fskind::kFolder || entry->Kind() == fskind::kVolName) {
        return cli::Fail("cat", positional[1] + " is not a file");
    }
    const std::unique_ptr<cObjectHandle> handle = fs.OpenObject(*entry);
    if (!handle) {
        return cli::Fail("cat", "cannot open " + positional[1] + ": its allocation is damaged");
    }
    // Large pieces on page boundaries: the kernel copies into them much faster than into
    // a heap buffer that starts just past one, and large files read as fast as cat's.
    // Half a mebibyte copies faster than larger pieces, which outgrow the processor's cache.
    struct alignas(4096) cPage {
        std::uint8_t bytes[4096];
    };
    std::vector<cPage> pages(128);
    // Each piece goes out in one write, not a first page through stdio's buffer and then
    // the rest.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::span<std::uint8_t> piece(reinterpret_cast<std::uint8_t*>(pages.data()),
                                        pages.size() * sizeof(cPage));
    std::uint64_t written = 0;
    while (written < handle->GetSize()) {
        const std::uint32_t got = handle->Read(piece.data(), std::uint32_t(piece.size()));
        if (got == 0) {
            return cli::Fail("cat", "read error in " + positional[1] + " at byte " +
                                        std::to_string(written));
        }
        if (std::fwrite(piece.data(), 1, got, stdout) != got) {
            return cli::Fail("cat", "cannot write to stdout: " + cli::SystemReason());
        }
        written += got;
    }
    return std::fflush(stdout) == 0
               ? 0
               : cli::Fail("cat", "cannot write to stdout: " + cli::SystemReason());
}

} // namespace
