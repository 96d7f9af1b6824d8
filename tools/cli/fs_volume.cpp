#include "fs_volume.h"

#include "app/engine.h"
#include "command.h"
#include "io/storage_source.h"
#include "part/part_path.h"
#include "part/storage_tree_builder.h"

#include <cstdio>
#include <vector>

namespace cli {

std::optional<Volume> OpenVolume(std::string_view command, const std::string& source,
                                 const std::optional<std::string>& part) {
    InitialiseEngine();
    std::string error;
    const std::optional<cStorageSource> resolved = ResolveStorageSource(source, error);
    if (!resolved) {
        Fail(command, error);
        return std::nullopt;
    }
    Volume volume;
    volume.storages = std::make_unique<cStorageList>();
    const cBaseIO* reader = AddStorageSource(*volume.storages, *resolved);
    const auto* built =
        reader ? dynamic_cast<const cPartStorageTree*>(volume.storages->FindTree(reader)) : nullptr;
    if (!built || !built->Tree().First()) {
        Fail(command, "cannot read " + source);
        return std::nullopt;
    }
    const cPartTree& tree = built->Tree();
    if (part) {
        volume.node = FindByPartitionPath(tree, *part);
        if (!volume.node) {
            Fail(command, "no partition " + *part + " on " + source + " ('drovik-cli parts " +
                              source + "' lists them)");
            return std::nullopt;
        }
    } else {
        std::vector<cPartTreeItem*> withFs;
        tree.ForEach([&withFs](cPartTreeItem& node) {
            if (node.FindExtension(part_ext::kFileSystem)) {
                withFs.push_back(&node);
            }
        });
        if (withFs.size() != 1) {
            std::string message =
                withFs.empty() ? "no partition of " + source + " holds a file system I can read"
                               : "several partitions hold file systems:";
            for (const cPartTreeItem* node : withFs) {
                const auto* fs = node->FindExtensionAs<cVFS>(part_ext::kFileSystem);
                message += " " + PartitionPath(*node) + " (" +
                           std::string(fstype::Name(fs->GetFSType())) + ")";
            }
            if (!withFs.empty()) {
                message += "; choose one with --part";
            }
            Fail(command, message);
            return std::nullopt;
        }
        volume.node = withFs.front();
    }
    volume.partPath = PartitionPath(*volume.node);
    volume.fs = volume.node->FindExtensionAs<cVFS>(part_ext::kFileSystem);
    if (!volume.fs) {
        Fail(command, "partition " + volume.partPath + " holds no file system I can read");
        return std::nullopt;
    }
    return volume;
}

std::optional<std::string> FormatTime(const cFSTime& time) {
    if (time.year == 0) {
        return std::nullopt;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return std::string(text);
}

} // namespace cli
