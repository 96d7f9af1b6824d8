#pragma once
// What ls, cat and info share: opening a SOURCE as the storage list does and choosing the
// partition whose file system they read.

#include "command.h"
#include "io/storage_list.h"
#include "io/storage_source.h"
#include "part/part_tree.h"
#include "vfs/vfs.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct Volume {
    std::unique_ptr<cStorageList> storages; // owns the reader, the tree and the reader of fs
    cPartTreeItem* node = nullptr;
    cVFS* fs = nullptr;
    std::string partPath;
};

// What source names, or nothing after telling why (with the system's reason). Only
// regular files and block devices are read: a FIFO or a terminal would block the first
// read for ever, and other device nodes are not storages.
std::optional<cStorageSource> ResolveSource(std::string_view command, const std::string& source);

// Warns on stderr when the storage ends before what its partition map or a file system on
// it says it holds: an image cut short, whose missing part reads as unreadable.
void WarnIfCutShort(std::string_view command, const cPartTree& tree);

// Warns on stderr, naming them, about the compressions of a container's chunks that the
// program cannot read: those parts of the disk will fail to read.
void WarnIfUnreadableChunks(std::string_view command, const cBaseIO& reader);

// The options that choose the partition a command reads: --part P names one of the tree,
// --at START[:LENGTH] defines one by hand at sector START (LENGTH sectors, by default the
// size of the file system found there). Commands list kPartitionOptions with their own.
// --partlist FILE.qornpl puts a list that the partition search saved in place of the
// partitions the maps give, before --part or --at chooses among them.
inline const std::vector<std::string> kPartitionOptions = {"--part", "--at", "--partlist"};
struct PartitionChoice {
    std::optional<std::string> part;
    std::optional<std::string> at;
    std::optional<std::string> partList;
};
PartitionChoice ChosenPartition(const Args& args);

// The node the choice names in tree (a defined one is appended to it), or, with neither
// option, null without a word. Null after telling why when the choice is wrong.
std::optional<cPartTreeItem*> FindChosenPartition(std::string_view command, cPartTree& tree,
                                                  const std::string& source,
                                                  const PartitionChoice& choice);

// Opens source and picks the partition the choice names, or, without --part, the only one
// that holds a file system. With a scan result (--result) the result is loaded onto that
// partition and its tree is the file system read; without --part it then goes onto the
// whole storage when no partition holds a file system. On failure prints the reason for
// command and answers nothing.
std::optional<Volume> OpenVolume(std::string_view command, const std::string& source,
                                 const PartitionChoice& choice,
                                 const std::optional<std::string>& result = std::nullopt);

// On an NTFS volume: the deleted files its MFT's records still describe, each under the
// folder path its parent references give, become the file system read. Tells why and
// answers false when the volume is not NTFS or its MFT cannot be read.
bool ReadDeletedNtfsFiles(std::string_view command, Volume& volume);

} // namespace cli
