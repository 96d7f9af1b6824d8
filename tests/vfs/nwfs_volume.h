#pragma once
// A small traditional NetWare volume made in memory for the reader's tests (the fuzz seed
// fuzz/corpus/nwfs/crafted holds the same): 64 blocks of 4 KiB, the allocation table in block 1,
// the directory table in blocks 2 and 3, and this tree:
//   entry 1  DOCS/              entry 2  README.TXT (13 bytes, block 4)
//   entry 3  DOCS/BIG.BIN (3 blocks and 100 bytes in blocks 10, 20, 11 and 30)
//   entry 4  README.TXT again in another name space, not listed
//   entry 5  DOCS/EMPTY (0 bytes)   entry 6  DOCS/SUB/   entry 7  DOCS/SUB/DEEP.TXT (block 5)
// Block n of a file's data holds the byte n + 1 throughout.

#include "base/bytes.h"
#include "part/part_extension.h"
#include "part/part_tree.h"
#include "support/mem_io.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

namespace nwfs_test {

inline constexpr std::uint32_t kBlock = 4096;
inline constexpr std::uint32_t kBlocks = 64;
inline constexpr std::uint32_t kFatBlock = 1;
inline constexpr std::uint32_t kDirBlock = 2;
inline constexpr std::uint32_t kEnd = 0xFFFFFFFF;

struct NwfsVolume {
    NwfsVolume() : bytes(std::size_t(kBlocks) * kBlock) {
        Chain({kFatBlock});
        Chain({kDirBlock, 3});
        Entry(0, 0xFFFFFFFF, 0x10, "", 0, 0);
        Entry(1, 0, 0x10, "DOCS", 0, 0);
        Entry(2, 0, 0x20, "README.TXT", 13, 4);
        Entry(3, 1, 0x20, "BIG.BIN", 3 * kBlock + 100, 10);
        Entry(4, 0, 0x20, "readme.txt", 13, 4);
        bytes[Dir(4) + 10] = 4;
        Entry(5, 1, 0x20, "EMPTY", 0, 0);
        Entry(6, 1, 0x10, "SUB", 0, 0);
        Entry(7, 6, 0x20, "DEEP.TXT", 5, 5);
        Chain({4});
        Chain({10, 20, 11, 30});
        Chain({5});
        for (const std::uint32_t block : {4u, 5u, 10u, 11u, 20u, 30u}) {
            std::fill_n(bytes.begin() + std::ptrdiff_t(block) * kBlock, kBlock,
                        std::uint8_t(block + 1));
        }
    }

    // Byte offsets of a table entry.
    static std::size_t Fat(std::uint32_t block) {
        return std::size_t(kFatBlock) * kBlock + block * 8;
    }
    static std::size_t Dir(std::uint32_t entry) {
        return std::size_t(kDirBlock + entry / 32) * kBlock + (entry % 32) * 128;
    }

    void Link(std::uint32_t block, std::uint32_t sequence, std::uint32_t next) {
        bytes::PutLe32(&bytes[Fat(block)], sequence);
        bytes::PutLe32(&bytes[Fat(block) + 4], next);
    }
    void Chain(std::initializer_list<std::uint32_t> blocks) {
        std::uint32_t sequence = 0;
        for (auto it = blocks.begin(); it != blocks.end(); ++it, ++sequence) {
            Link(*it, sequence, it + 1 == blocks.end() ? kEnd : *(it + 1));
        }
    }
    void Entry(std::uint32_t number, std::uint32_t parent, std::uint32_t attributes,
               std::string_view name, std::uint32_t size, std::uint32_t first) {
        std::uint8_t* at = &bytes[Dir(number)];
        bytes::PutLe32(at, parent);
        bytes::PutLe32(at + 4, attributes);
        at[11] = std::uint8_t(name.size());
        std::copy(name.begin(), name.end(), at + 12);
        bytes::PutLe32(at + 48, size);
        bytes::PutLe32(at + 52, first);
    }

    std::vector<std::uint8_t> bytes;
};

// The volume as a partition whose map gave it NetWare partition data.
struct NwfsPartition {
    explicit NwfsPartition(const std::vector<std::uint8_t>& bytes,
                           std::uint32_t sectorsPerBlock = kBlock / 512)
        : io(bytes) {
        record.SetRecord(&io, 0, io.GetSectorCount(), 0x6200);
        record.AttachExtension(
            std::make_unique<cNWPartData>(kFatBlock, sectorsPerBlock, kDirBlock));
    }
    cMemIO io;
    cPartRecord record;
};

} // namespace nwfs_test
