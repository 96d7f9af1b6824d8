// Mounts the NTFS reader over a memory-backed volume, walks the whole tree (bounded) and
// reads every file. Whatever the records, indexes, run lists and compressed data claim,
// every call must end, stay inside what was read and allocate only bounded amounts.
//
// The input is a sparse image: a sequence of chunks, each a little-endian 16-bit sector
// number and the 512 bytes of that sector, laid into a zeroed 2 MiB volume. A real
// volume becomes a seed of only its non-zero metadata sectors.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/ntfs_params.h"
#include "vfs/ntfs/vntfs.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr std::size_t kSectors = 4096;
constexpr std::size_t kChunk = 2 + 512;
constexpr std::size_t kMaxEntries = 4000;
constexpr std::uint64_t kMaxBytesPerFile = 1u << 20;

std::vector<std::uint8_t> LayOut(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(kSectors * 512);
    for (std::size_t at = 0; at + kChunk <= size; at += kChunk) {
        const std::size_t sector = (data[at] | (data[at + 1] << 8)) % kSectors;
        std::memcpy(&image[sector * 512], data + at + 2, 512);
    }
    return image;
}

void ReadSome(cObjectHandle& handle) {
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

void Walk(cVNTFS& fs) {
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
            }
            if (auto handle = fs.OpenObject(entry)) {
                ReadSome(*handle);
            }
            fs.BuildPath(entry, 256);
            return true;
        });
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, kSectors, 0x07);
    cVNTFS fs;
    if (fs.Mount(record)) {
        Walk(fs);
        // Records read whether in use or not, as the deep scan reads them.
        for (std::uint64_t n = 0; n < 40; ++n) {
            if (auto entry = fs.GetObject(n)) {
                if (auto handle = fs.OpenObject(*entry)) {
                    ReadSome(*handle);
                }
            }
        }
        for (std::uint64_t cluster = 0; cluster < fs.GetBlockCount() && cluster < 70000;
             cluster += 997) {
            fs.IsBlockUsed(cluster);
        }
        // The same volume again from its MFT's place alone, as after a lost boot sector.
        cPartRecord again;
        again.SetRecord(&storage, 0, kSectors, 0x07);
        cVNTFS fromParams;
        const cExtNTFSParams params(fs.MftStart(), fs.RecordSize());
        if (fromParams.MountWithParams(again, &params)) {
            Walk(fromParams);
        }
    }
    return 0;
}
