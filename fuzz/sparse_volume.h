#pragma once
// Shared by the HFS and HFS+ fuzz targets: the input laid out as a sparse volume, and a
// bounded walk that lists every folder, reads every file and rebuilds every path.
//
// The input is a sequence of chunks, each a little-endian 16-bit sector number and the 512
// bytes of that sector, laid into a zeroed 2 MiB volume: a real volume becomes a seed of
// only its non-zero sectors, and a mutation of one chunk moves one sector's bytes.

#include "vfs/vfs.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace fuzzvolume {

constexpr std::size_t kSectors = 4096;
constexpr std::size_t kChunk = 2 + 512;
constexpr std::size_t kMaxEntries = 4000;
constexpr std::uint64_t kMaxBytesPerFile = 1u << 20;

inline std::vector<std::uint8_t> LayOut(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(kSectors * 512);
    for (std::size_t at = 0; at + kChunk <= size; at += kChunk) {
        const std::size_t sector = (data[at] | (data[at + 1] << 8)) % kSectors;
        std::memcpy(&image[sector * 512], data + at + 2, 512);
    }
    return image;
}

inline void ReadSome(cObjectHandle& handle) {
    std::vector<std::uint8_t> buffer(65536);
    std::uint64_t total = 0;
    while (total < kMaxBytesPerFile) {
        const std::uint32_t got = handle.Read(buffer.data(), std::uint32_t(buffer.size()));
        if (got == 0) {
            break;
        }
        total += got;
    }
    handle.Seek(handle.GetSize() / 3);
    handle.Read(buffer.data(), 3000);
}

// Lists every folder once, opens and reads every entry, rebuilds its path and looks it
// up again by id, up to kMaxEntries entries in all.
inline void Walk(cVFS& fs) {
    std::set<std::uint64_t> listed;
    std::vector<std::uint64_t> pending{fs.GetRootId()};
    std::size_t entries = 0;
    while (!pending.empty() && entries < kMaxEntries) {
        cFSFolder folder;
        folder.id = pending.back();
        pending.pop_back();
        if (!listed.insert(folder.id).second) {
            continue;
        }
        fs.EnumFolder(folder, [&](cFSObject& entry) {
            if (++entries >= kMaxEntries) {
                return false;
            }
            if (entry.Kind() == fskind::kFolder) {
                pending.push_back(entry.id);
            }
            if (auto handle = fs.OpenObject(entry)) {
                ReadSome(*handle);
            }
            fs.GetObject(entry.id);
            fs.BuildPath(entry, 256);
            return true;
        });
    }
    for (std::uint64_t unit = 0; unit < fs.GetBlockCount() && unit < 70000; unit += 997) {
        fs.IsBlockUsed(unit);
    }
}

} // namespace fuzzvolume
