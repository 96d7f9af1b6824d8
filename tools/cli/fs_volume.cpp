#include "fs_volume.h"

#include "app/engine.h"
#include "app/fs_tools/def_part.h"
#include "base/utf.h"
#include "command.h"
#include "io/containers/dmg_io.h"
#include "io/storage_source.h"
#include "part/part_path.h"
#include "part/storage_tree_builder.h"
#include "part_list.h"
#include "scan/ntfs/mft_deleted.h"
#include "scan/ntfs/ntfs_attach.h"
#include "scan/reconstructed_fs.h"
#include "scan/result_file.h"
#include "vfs/alt_fs.h"
#include "vfs/ntfs/vntfs.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cli {
namespace {

bool IsDriveNumber(std::string_view text) {
    constexpr std::string_view kPrefix = "Drive";
    return text.size() > kPrefix.size() && text.substr(0, kPrefix.size()) == kPrefix &&
           text.find_first_not_of("0123456789", kPrefix.size()) == std::string_view::npos;
}

// Why source cannot be read as a storage, or nothing when it can be tried.
std::optional<std::string> SourceProblem(const std::string& source) {
    struct stat info {};
    if (::stat(source.c_str(), &info) != 0) {
        return "cannot read " + source + ": " + SystemReason();
    }
    if (S_ISDIR(info.st_mode)) {
        return source + " is a folder, not a drive or an image file";
    }
    if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) {
        const char* kind = S_ISFIFO(info.st_mode)   ? "a pipe"
                           : S_ISCHR(info.st_mode)  ? "a character device"
                           : S_ISSOCK(info.st_mode) ? "a socket"
                                                    : "not a regular file";
        return source + " is " + kind + "; only image files and block devices can be read";
    }
    // Opened once here for the system's reason (permission, say), which the readers
    // further on do not keep.
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return "cannot read " + source + ": " + SystemReason();
    }
    ::close(fd);
    return std::nullopt;
}

void WarnCut(std::string_view command, const std::string& what, std::uint64_t end,
             std::uint64_t sectors) {
    std::fprintf(stderr,
                 "drovik-cli %.*s: warning: %s ends at sector %llu, but the storage holds only "
                 "%llu sectors; the image was cut short, and what lies beyond reads as "
                 "unreadable\n",
                 int(command.size()), command.data(), what.c_str(),
                 static_cast<unsigned long long>(end), static_cast<unsigned long long>(sectors));
}

// Makes the tree the volume's file system, beside the partition's own reader.
void ReadTree(Volume& volume, std::unique_ptr<cQORNVStorage> tree) {
    volume.node->AttachExtension(std::move(tree));
    auto fs = std::make_unique<cVReconstructedFS>();
    fs->Mount(*volume.node);
    volume.fs = fs.get();
    altfs::Add(*volume.node, std::move(fs));
}

// Loads the result file onto the chosen partition and makes its tree the volume's file
// system, beside the partition's own reader, which files found through its metadata
// still open through.
bool MountResult(std::string_view command, Volume& volume, const std::string& path) {
    auto storage = std::make_unique<cQORNVStorage>();
    const drdb::LoadError error = drdb::LoadFile(path, *storage);
    if (error != drdb::LoadError::None) {
        Fail(command,
             "cannot read the result file " + path + ": " + std::string(drdb::Describe(error)));
        return false;
    }
    // Files an NTFS deep scan found through the records of a volume whose boot sector is
    // lost open through a reader built from the MFT found again.
    AttachReaderForTree(*volume.node, *storage);
    ReadTree(volume, std::move(storage));
    return true;
}

// START[:LENGTH] in sectors; nothing when malformed or LENGTH is 0.
std::optional<std::pair<std::uint64_t, std::uint64_t>> ParseAt(const std::string& text) {
    const std::size_t colon = text.find(':');
    const auto start = ParseUnsigned(std::string_view(text).substr(0, colon));
    if (!start) {
        return std::nullopt;
    }
    if (colon == std::string::npos) {
        return std::pair{*start, std::uint64_t(0)};
    }
    const auto length = ParseUnsigned(std::string_view(text).substr(colon + 1));
    if (!length || *length == 0) {
        return std::nullopt;
    }
    return std::pair{*start, *length};
}

cPartTreeItem* DefineAt(std::string_view command, cPartTree& tree, const std::string& at) {
    const auto range = ParseAt(at);
    if (!range) {
        Fail(command, "--at takes START[:LENGTH] in sectors, LENGTH not 0; got " + at);
        return nullptr;
    }
    cBaseIO* storage = tree.First()->Storage();
    const std::uint64_t sectors = storage ? storage->GetSectorCount() : 0;
    const auto [start, given] = *range;
    if (start >= sectors) {
        Fail(command, "--at " + at + " starts past the end of the storage (" +
                          std::to_string(sectors) + " sectors)");
        return nullptr;
    }
    const defpart::cFound found = defpart::Probe(*storage, start, given);
    if (found.pastStorageEnd) {
        std::fprintf(stderr,
                     "drovik-cli %.*s: warning: the file system at sector %llu spans %llu sectors "
                     "and reaches past the end of the storage (%llu sectors); it may be one "
                     "member of a RAID set, and what lies beyond cannot be read\n",
                     int(command.size()), command.data(), static_cast<unsigned long long>(start),
                     static_cast<unsigned long long>(found.fsSectors),
                     static_cast<unsigned long long>(sectors));
    }
    const std::uint64_t length =
        given != 0 ? given : defpart::DefaultLength(*storage, start, found);
    return defpart::Define(tree, start, length);
}

} // namespace

PartitionChoice ChosenPartition(const Args& args) {
    return {args.Option("--part"), args.Option("--at"), args.Option("--partlist")};
}

std::optional<cPartTreeItem*> FindChosenPartition(std::string_view command, cPartTree& tree,
                                                  const std::string& source,
                                                  const PartitionChoice& choice) {
    if (choice.partList && !UsePartList(command, tree, *choice.partList)) {
        return std::nullopt;
    }
    if (choice.part && choice.at) {
        Fail(command, "give either --part or --at, not both");
        return std::nullopt;
    }
    if (choice.at) {
        cPartTreeItem* node = DefineAt(command, tree, *choice.at);
        return node ? std::optional(node) : std::nullopt;
    }
    if (!choice.part) {
        return nullptr;
    }
    cPartTreeItem* node = FindByPartitionPath(tree, *choice.part);
    if (!node) {
        Fail(command, "no partition " + *choice.part + " on " + source + " ('drovik-cli parts " +
                          source + "' lists them)");
        return std::nullopt;
    }
    return node;
}

bool ReadDeletedNtfsFiles(std::string_view command, Volume& volume) {
    auto* ntfs = dynamic_cast<cVNTFS*>(volume.fs);
    auto deleted = std::make_unique<cQORNVStorage>();
    if (!ntfs || !FindDeletedInMft(*ntfs, *deleted, nullptr)) {
        Fail(command, ntfs ? "cannot read the MFT of partition " + volume.partPath
                           : "partition " + volume.partPath + " holds no NTFS volume");
        return false;
    }
    ReadTree(volume, std::move(deleted));
    return true;
}

std::optional<cStorageSource> ResolveSource(std::string_view command, const std::string& source) {
    if (!IsDriveNumber(source)) {
        if (const std::optional<std::string> problem = SourceProblem(source)) {
            Fail(command, *problem);
            return std::nullopt;
        }
    }
    std::string error;
    std::optional<cStorageSource> resolved = ResolveStorageSource(source, error);
    if (!resolved) {
        Fail(command, error);
    }
    return resolved;
}

void WarnIfUnreadableChunks(std::string_view command, const cBaseIO& reader) {
    if (const auto* dmg = dynamic_cast<const cDmgIO*>(&reader)) {
        for (const std::string& name : dmg->UnreadableCompressions()) {
            std::fprintf(stderr,
                         "drovik-cli %.*s: warning: parts of %s are compressed with %s, which "
                         "cannot be read\n",
                         int(command.size()), command.data(), utf::ToUtf8(reader.Path()).c_str(),
                         name.c_str());
        }
    }
}

void WarnIfCutShort(std::string_view command, const cPartTree& tree) {
    tree.ForEach([command](cPartTreeItem& node) {
        const cBaseIO* storage = node.Storage();
        if (!storage) {
            return;
        }
        const std::uint64_t sectors = storage->GetSectorCount();
        const std::uint64_t end = node.Start() + node.Length();
        if (node.Parent() && (end < node.Start() || end > sectors)) {
            WarnCut(command, "partition " + PartitionPath(node), end, sectors);
        }
        const auto* fs = node.FindExtensionAs<cVFS>(part_ext::kFileSystem);
        const std::uint64_t volume = fs ? fs->GetVolumeSectors() : 0;
        const std::uint64_t volumeEnd = node.Start() + volume;
        if (volume != 0 && (volumeEnd < node.Start() || volumeEnd > sectors)) {
            WarnCut(command, "the file system on partition " + PartitionPath(node), volumeEnd,
                    sectors);
        }
    });
}

std::optional<Volume> OpenVolume(std::string_view command, const std::string& source,
                                 const PartitionChoice& choice,
                                 const std::optional<std::string>& result) {
    const std::optional<cStorageSource> resolved = ResolveSource(command, source);
    if (!resolved) {
        return std::nullopt;
    }
    Volume volume;
    volume.storages = std::make_unique<cStorageList>(EngineTreeBuilder());
    const cBaseIO* reader = AddStorageSource(*volume.storages, *resolved);
    auto* built =
        reader ? dynamic_cast<cPartStorageTree*>(volume.storages->FindTree(reader)) : nullptr;
    if (!built || !built->Tree().First()) {
        Fail(command, "cannot read " + source);
        return std::nullopt;
    }
    cPartTree& tree = built->Tree();
    WarnIfUnreadableChunks(command, *reader);
    WarnIfCutShort(command, tree);
    const std::optional<cPartTreeItem*> chosen = FindChosenPartition(command, tree, source, choice);
    if (!chosen) {
        return std::nullopt;
    }
    if (*chosen) {
        volume.node = *chosen;
    } else {
        std::vector<cPartTreeItem*> withFs;
        tree.ForEach([&withFs](cPartTreeItem& node) {
            if (node.FindExtension(part_ext::kFileSystem)) {
                withFs.push_back(&node);
            }
        });
        if (withFs.empty() && result) {
            withFs.push_back(tree.First());
        }
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
    if (result) {
        return MountResult(command, volume, *result) ? std::optional(std::move(volume))
                                                     : std::nullopt;
    }
    volume.fs = volume.node->FindExtensionAs<cVFS>(part_ext::kFileSystem);
    if (!volume.fs) {
        Fail(command, "partition " + volume.partPath + " holds no file system I can read");
        return std::nullopt;
    }
    return volume;
}

} // namespace cli
