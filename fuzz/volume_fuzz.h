#pragma once
// What the fuzz targets of whole file systems share: a sparse input laid out as a volume,
// a walk of the whole tree with bounded work, and reads of every file with bounded bytes.
//
// The input is a sequence of chunks, each a little-endian 16-bit sector number and the
// 512 bytes of that sector, laid into a zeroed volume of kSectors sectors. A real volume
// becomes a seed of only its non-zero sectors.

#include "vfs/vfs.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace fuzzvolume {

inline constexpr std::size_t kSectors = 4096;
inline constexpr std::size_t kChunk = 2 + 512;
inline constexpr std::size_t kMaxEntries = 4000;
inline constexpr std::uint64_t kMaxBytesPerFile = 1u << 20;

// Volumes whose structures lie far apart (a journal before the tree) take more sectors,
// up to the 65536 a chunk can name.
inline std::vector<std::uint8_t> LayOut(const std::uint8_t* data, std::size_t size,
                                        std::size_t sectors = kSectors) {
    std::vector<std::uint8_t> image(sectors * 512);
    for (std::size_t at = 0; at + kChunk <= size; at += kChunk) {
        const std::size_t sector = (data[at] | (data[at + 1] << 8)) % sectors;
        std::memcpy(&image[sector * 512], data + at + 2, 512);
    }
    return image;
}

// Reads the handle from its start, then far into a file that may claim to be huge, where
// only holes or nothing may lie.
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
    handle.Seek(handle.GetSize() - handle.GetSize() / 7);
    handle.Read(buffer.data(), 3000);
}

// Lists every folder once (at most kMaxEntries entries in all), opens and reads every
// entry, asks each folder for itself by id and rebuilds every path.
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
            if (entry.name == u"." || entry.name == u"..") {
                return true;
            }
            if (entry.Kind() == fskind::kFolder) {
                pending.push_back(entry.id);
                fs.GetObject(entry.id);
            }
            if (auto handle = fs.OpenObject(entry)) {
                ReadSome(*handle);
            }
            fs.BuildPath(entry, 256);
            return true;
        });
    }
}

// Objects by id as a scan reaches them, whatever the folders say.
inline void OpenByIds(cVFS& fs, std::uint64_t count) {
    for (std::uint64_t id = 0; id < count; ++id) {
        if (auto entry = fs.GetObject(id)) {
            if (auto handle = fs.OpenObject(*entry)) {
                ReadSome(*handle);
            }
        }
    }
}

} // namespace fuzzvolume
