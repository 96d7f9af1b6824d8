// drovik-cli parts SOURCE: the partition tree of a drive or an image, as the storage list
// builds it, one node per line with its partition path.

#include "app/engine.h"
#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"
#include "io/storage_source.h"
#include "part/part_parser.h"
#include "part/part_path.h"
#include "part/storage_tree_builder.h"
#include "part_list.h"
#include "vfs/fs_types.h"
#include "vfs/vfs.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

int RunParts(const std::vector<std::string>& words);

const cli::Command kParts(
    "parts", "list the partition tree of a drive or an image",
    "usage: drovik-cli parts SOURCE [--partlist FILE.qornpl] [--json]\n\n"
    "Lists the partitions of SOURCE (a drive such as Drive0, a device node such as /dev/sdb,\n"
    "or an image file) depth first. The whole storage is partition 0, its partitions 1, 2, ...,\n"
    "and theirs 2.1, 2.2, ...; these paths name a partition for 'ls --part'.\n\n"
    "A first line names the kind of storage (a raw image, or the virtual disk container\n"
    "whose disk is listed). Columns: path, start sector, length in sectors, type code, type\n"
    "name, the map that was read at the partition, its file system and volume label ('-'\n"
    "when none).\n\n"
    "  --partlist FILE  list the partitions saved by 'findpart --save' in place of those\n"
    "           the partition maps give\n"
    "  --json   one JSON object per partition: path, start, length, type, type_name,\n"
    "           parser, fs, label (null when absent); the whole storage's row (path 0)\n"
    "           also names its kind in storage\n",
    RunParts);

struct Row {
    std::string path;
    const cPartTreeItem* node;
    std::string parser;
    std::optional<std::string> fs;
    std::optional<std::string> label;
};

Row Describe(const cPartTreeItem& node) {
    Row row{PartitionPath(node), &node, {}, std::nullopt, std::nullopt};
    if (const cPartParser* parser = node.Parser()) {
        row.parser = std::string(ParserName(parser->GetParserId()));
    }
    if (const auto* fs = node.FindExtensionAs<cVFS>(part_ext::kFileSystem)) {
        row.fs = std::string(fstype::Name(fs->GetFSType()));
    }
    if (const auto* name = node.FindExtensionAs<cPartNameData>(part_ext::kVolumeName)) {
        row.label = utf::ToUtf8(name->Name());
    }
    return row;
}

void PrintJson(const Row& row, const std::string& storage) {
    cli::JsonObject object;
    object.Add("path", row.path)
        .Add("start", row.node->Start())
        .Add("length", row.node->Length())
        .Add("type", unsigned(row.node->TypeCode()))
        .Add("type_name", utf::ToUtf8(row.node->TypeName()));
    if (row.parser.empty()) {
        object.AddNull("parser");
    } else {
        object.Add("parser", row.parser);
    }
    for (const auto& [key, value] : {std::pair{"fs", &row.fs}, std::pair{"label", &row.label}}) {
        if (*value) {
            object.Add(key, **value);
        } else {
            object.AddNull(key);
        }
    }
    if (row.path == "0") {
        object.Add("storage", storage);
    }
    object.Print();
}

void PrintText(const Row& row) {
    const auto orDash = [](const std::string& text) {
        return text.empty() ? std::string("-") : text;
    };
    std::printf("%-10s %12llu %12llu 0x%04X  %-32s %-8s %-10s %s\n", row.path.c_str(),
                static_cast<unsigned long long>(row.node->Start()),
                static_cast<unsigned long long>(row.node->Length()), row.node->TypeCode(),
                utf::ToUtf8(row.node->TypeName()).c_str(), orDash(row.parser).c_str(),
                orDash(row.fs.value_or("")).c_str(), orDash(row.label.value_or("")).c_str());
}

int RunParts(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--partlist"});
    if (args.WantsHelp()) {
        std::fputs(kParts.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json"}); !unknown.empty()) {
        return cli::UsageError(kParts, "unknown option " + unknown.front());
    }
    if (args.Positional().size() != 1) {
        return cli::UsageError(kParts, "expected one SOURCE");
    }
    const std::optional<cStorageSource> source =
        cli::ResolveSource("parts", args.Positional().front());
    if (!source) {
        return 1;
    }
    cStorageList list(EngineTreeBuilder());
    const cBaseIO* reader = AddStorageSource(list, *source);
    if (reader == nullptr) {
        return cli::Fail("parts", "cannot open " + args.Positional().front());
    }
    auto* built = dynamic_cast<cPartStorageTree*>(list.FindTree(reader));
    if (built == nullptr || built->Tree().First() == nullptr) {
        return cli::Fail("parts", args.Positional().front() + " holds no sectors");
    }
    if (const auto partList = args.Option("--partlist");
        partList && !cli::UsePartList("parts", built->Tree(), *partList)) {
        return 1;
    }
    cli::WarnIfUnreadableChunks("parts", *reader);
    cli::WarnIfCutShort("parts", built->Tree());
    const bool json = args.Flag("--json");
    const std::string storage = utf::ToUtf8(StorageKindText(reader->GetStorageKind()));
    if (!json) {
        std::printf("storage: %s, %llu sectors\n", storage.c_str(),
                    static_cast<unsigned long long>(reader->GetSectorCount()));
        std::printf("%-10s %12s %12s %-6s  %-32s %-8s %-10s %s\n", "PATH", "START", "LENGTH",
                    "TYPE", "TYPE NAME", "MAP", "FS", "LABEL");
    }
    built->Tree().ForEach([json, &storage](cPartTreeItem& node) {
        const Row row = Describe(node);
        json ? PrintJson(row, storage) : PrintText(row);
    });
    return 0;
}

} // namespace
