#pragma once
// Where a file system's rebuild files what it found, and how much: files in use, deleted
// files whose data is still free, and files whose data cannot be had whole.

#include <cstdint>

class cQORNVStorage;

struct cRebuildResults {
    // Any of them may be null: what would go there is dropped.
    cQORNVStorage* rebuilt = nullptr;
    cQORNVStorage* deleted = nullptr;
    cQORNVStorage* damaged = nullptr;
};

struct cRebuildCounts {
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    std::uint64_t deletedFiles = 0;
    std::uint64_t damagedFiles = 0;
    std::uint64_t bytes = 0;
};
