// drovik-cli info SOURCE --part P: facts about a partition's file system.

#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunInfo(const std::vector<std::string>& words);

const cli::Command
    kInfo("info", "describe the file system of a partition",
          "usage: drovik-cli info SOURCE [--part P | --at START[:LENGTH]] [--partlist F] [--result "
          "FILE.drdb]\n"
          "                       [--json]\n\n"
          "Describes the file system on partition P of SOURCE: its type, allocation unit size\n"
          "and count, where unit numbering starts, its identity record (hexadecimal) and its\n"
          "volume label. Without --part the only partition with a file system is read.\n\n"
          "With --result FILE.drdb the tree of found files saved in FILE is loaded onto partition\n"
          "P and read instead of the partition's file system (files that were found through\n"
          "the file system's own records still read through it). A result that cannot be read\n"
          "is an error.\n\n"

          "  --json   one JSON object: part, type, type_code, block_size, block_count,\n"
          "           first_block_sector, identity, label (null when absent)\n",
          RunInfo);

int RunInfo(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--part", "--at", "--partlist", "--result"});
    if (args.WantsHelp()) {
        std::fputs(kInfo.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json"}); !unknown.empty()) {
        return cli::UsageError(kInfo, "unknown option " + unknown.front());
    }
    if (args.Positional().size() != 1) {
        return cli::UsageError(kInfo, "expected one SOURCE");
    }
    std::optional<cli::Volume> volume = cli::OpenVolume(
        "info", args.Positional()[0], cli::ChosenPartition(args), args.Option("--result"));
    if (!volume) {
        return 1;
    }
    const cVFS& fs = *volume->fs;
    std::string identity;
    for (std::uint8_t byte : fs.GetIdentity()) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        identity += hex;
    }
    const auto* name = volume->node->FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    const std::optional<std::string> label =
        name ? std::optional(utf::ToUtf8(name->Name())) : std::nullopt;
    const std::string type(fstype::Name(fs.GetFSType()));
    if (args.Flag("--json")) {
        cli::JsonObject object;
        object.Add("part", volume->partPath)
            .Add("type", type)
            .Add("type_code", unsigned(fs.GetFSType()))
            .Add("block_size", unsigned(fs.GetBlockSize()))
            .Add("block_count", fs.GetBlockCount())
            .Add("first_block_sector", fs.GetFirstBlockSector())
            .Add("identity", identity);
        label ? object.Add("label", *label) : object.AddNull("label");
        object.Print();
        return 0;
    }
    std::printf("partition           %s\n", volume->partPath.c_str());
    std::printf("type                %s (%u)\n", type.c_str(), fs.GetFSType());
    std::printf("block size          %u\n", fs.GetBlockSize());
    std::printf("block count         %llu\n", static_cast<unsigned long long>(fs.GetBlockCount()));
    std::printf("first block sector  %llu\n",
                static_cast<unsigned long long>(fs.GetFirstBlockSector()));
    std::printf("identity            %s\n", identity.c_str());
    std::printf("label               %s\n", label.value_or("-").c_str());
    return 0;
}

} // namespace
