// drovik-cli storages: the machine's drives as the program's start-up finds them.

#include "app/engine.h"
#include "base/utf.h"
#include "command.h"
#include "io/storage_list.h"

#include <cstdio>
#include <string>

namespace {

int RunStorages(const std::vector<std::string>& words);

const cli::Command kStorages(
    "storages", "list the machine's drives",
    "usage: drovik-cli storages [--json]\n\n"
    "Lists the drives the program can read, as it finds them at start-up: every whole-disk\n"
    "block device (attached loop devices included) that opens read-only and gives its first\n"
    "sector. Drives are numbered from 0 in the order of their kernel names; 'DriveN' names\n"
    "drive N for the other commands.\n\n"
    "Columns: number, size in 512-byte sectors, size in bytes, storage kind, device node\n"
    "and the drive's name.\n\n"
    "  --json   one JSON object per drive: number, name, path, kind, sectors, bytes\n",
    RunStorages);

std::uint32_t DriveNumber(const cBaseIO& reader) {
    const cBaseIoResource* resource = reader.GetResource();
    return resource && resource->GetKind() == resource_kind::kDevice
               ? static_cast<const cNumberedDeviceResource*>(resource)->Number()
               : 0;
}

int RunStorages(const std::vector<std::string>& words) {
    const cli::Args args(words, {});
    if (args.WantsHelp()) {
        std::printf("%s", kStorages.usage);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json"}); !unknown.empty()) {
        return cli::UsageError(kStorages, "unknown option " + unknown.front());
    }
    if (!args.Positional().empty()) {
        return cli::UsageError(kStorages, "unexpected argument " + args.Positional().front());
    }
    const bool json = args.Flag("--json");

    cStorageList list(EngineTreeBuilder());
    list.EnumeratePhysicalDrives();
    if (!json) {
        std::printf("%-4s %14s %16s  %-14s %-14s %s\n", "#", "sectors", "bytes", "kind", "path",
                    "name");
    }
    for (const auto& entry : list.Entries()) {
        const cBaseIO& reader = entry->Reader();
        std::u16string name;
        reader.GetName(name);
        const std::uint32_t number = DriveNumber(reader);
        const std::string path = utf::ToUtf8(reader.Path());
        const std::string kind = utf::ToUtf8(StorageKindText(reader.GetStorageKind()));
        if (json) {
            cli::JsonObject()
                .Add("number", number)
                .Add("name", utf::ToUtf8(name))
                .Add("path", path)
                .Add("kind", kind)
                .Add("sectors", reader.GetSectorCount())
                .Add("bytes", reader.GetByteSize())
                .Print();
        } else {
            std::printf("%-4u %14llu %16llu  %-14s %-14s %s\n", number,
                        static_cast<unsigned long long>(reader.GetSectorCount()),
                        static_cast<unsigned long long>(reader.GetByteSize()), kind.c_str(),
                        path.c_str(), utf::ToUtf8(name).c_str());
        }
    }
    return 0;
}

} // namespace
