#pragma once
// Listing a local folder for the file and folder choosers (whether a path is a folder:
// IsDirectory in environment.h). Paths and names are UTF-8.
// Entries are what the folder holds, "." and ".." left out; a symbolic link is listed as
// what it points to (a link to a folder is browsed like a folder), and a dangling link
// as a file of size 0.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct LocalFolderEntry {
    std::string name;
    bool isFolder = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds since 1970-01-01 UTC
};

// A folder holding more entries than this is listed up to the limit: beyond it lie only
// machine-made folders that nobody browses in a chooser, and the cap bounds memory.
inline constexpr std::size_t kMaxFolderEntries = 1'000'000;

// None when the folder cannot be opened.
std::optional<std::vector<LocalFolderEntry>> ListLocalFolder(const std::string& path);

} // namespace platform
