#pragma once
// What ls, cat and info share: opening a SOURCE as the storage list does and choosing the
// partition whose file system they read.

#include "io/storage_list.h"
#include "part/part_tree.h"
#include "vfs/vfs.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

struct Volume {
    std::unique_ptr<cStorageList> storages; // owns the reader, the tree and the reader of fs
    cPartTreeItem* node = nullptr;
    cVFS* fs = nullptr;
    std::string partPath;
};

// Opens source and picks the partition --part names, or, without --part, the only one
// that holds a file system. On failure prints the reason for command and answers nothing.
std::optional<Volume> OpenVolume(std::string_view command, const std::string& source,
                                 const std::optional<std::string>& part);

// "YYYY-MM-DDTHH:MM:SS", or nothing when the year is 0 (time unknown).
std::optional<std::string> FormatTime(const cFSTime& time);

} // namespace cli
