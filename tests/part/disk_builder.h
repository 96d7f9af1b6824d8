#pragma once
// Builds small disks in memory for the partition-map tests: fields at sector and byte
// offsets in either byte order, MBR entries, and a listing of the tree built from them.

#include "base/bytes.h"
#include "part/build_tree.h"
#include "part/part_parser.h"
#include "part/part_path.h"
#include "support/mem_io.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class DiskBuilder {
public:
    explicit DiskBuilder(std::uint64_t sectors) : bytes_(sectors * 512) {}

    // size bytes at offset of sector; throws (failing the test) when they are not all on the disk.
    std::uint8_t* At(std::uint64_t sector, std::size_t offset, std::size_t size = 1) {
        static_cast<void>(bytes_.at(sector * 512 + offset + size - 1));
        return &bytes_[sector * 512 + offset];
    }

    DiskBuilder& U8(std::uint64_t sector, std::size_t offset, std::uint8_t value) {
        *At(sector, offset) = value;
        return *this;
    }
    DiskBuilder& Le16(std::uint64_t sector, std::size_t offset, std::uint16_t value) {
        bytes::PutLe16(At(sector, offset, 2), value);
        return *this;
    }
    DiskBuilder& Le32(std::uint64_t sector, std::size_t offset, std::uint32_t value) {
        bytes::PutLe32(At(sector, offset, 4), value);
        return *this;
    }
    DiskBuilder& Le64(std::uint64_t sector, std::size_t offset, std::uint64_t value) {
        bytes::PutLe64(At(sector, offset, 8), value);
        return *this;
    }
    DiskBuilder& Be16(std::uint64_t sector, std::size_t offset, std::uint16_t value) {
        return U8(sector, offset, std::uint8_t(value >> 8))
            .U8(sector, offset + 1, std::uint8_t(value));
    }
    DiskBuilder& Be32(std::uint64_t sector, std::size_t offset, std::uint32_t value) {
        return Be16(sector, offset, std::uint16_t(value >> 16))
            .Be16(sector, offset + 2, std::uint16_t(value));
    }
    DiskBuilder& Be64(std::uint64_t sector, std::size_t offset, std::uint64_t value) {
        return Be32(sector, offset, std::uint32_t(value >> 32))
            .Be32(sector, offset + 4, std::uint32_t(value));
    }
    DiskBuilder& Text(std::uint64_t sector, std::size_t offset, std::string_view text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            U8(sector, offset + i, std::uint8_t(text[i]));
        }
        return *this;
    }
    DiskBuilder& BootSignature(std::uint64_t sector) {
        return U8(sector, 510, 0x55).U8(sector, 511, 0xAA);
    }
    // Entry index (0-3) of the MBR or EBR at sector, signature included.
    DiskBuilder& MbrEntry(std::uint64_t sector, unsigned index, std::uint8_t type,
                          std::uint32_t first, std::uint32_t count) {
        const std::size_t entry = 0x1BE + 16 * index;
        return U8(sector, entry + 4, type)
            .Le32(sector, entry + 8, first)
            .Le32(sector, entry + 12, count)
            .BootSignature(sector);
    }

    std::vector<std::uint8_t>& Bytes() { return bytes_; }
    std::unique_ptr<cMemIO> Storage() const { return std::make_unique<cMemIO>(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

// One line per node, depth first: "PATH START+LENGTH 0xTYPE".
inline std::vector<std::string> Listing(const cPartTree& tree) {
    std::vector<std::string> lines;
    tree.ForEach([&lines](cPartTreeItem& node) {
        char type[16];
        std::snprintf(type, sizeof type, "0x%X", node.TypeCode());
        lines.push_back(PartitionPath(node) + " " + std::to_string(node.Start()) + "+" +
                        std::to_string(node.Length()) + " " + type);
    });
    return lines;
}

// Builds the tree of a storage and keeps both alive together.
struct BuiltTree {
    explicit BuiltTree(std::unique_ptr<cBaseIO> io) : storage(std::move(io)) {
        result = BuildTree(tree, *storage);
    }

    cPartTreeItem& Node(std::string_view path) const {
        cPartTreeItem* node = FindByPartitionPath(tree, path);
        if (node == nullptr) {
            throw std::runtime_error("no node " + std::string(path));
        }
        return *node;
    }
    std::uint32_t ParserOf(std::string_view path) const {
        const cPartParser* parser = Node(path).Parser();
        return parser != nullptr ? parser->GetParserId() : 0;
    }

    std::unique_ptr<cBaseIO> storage; // declared first: the tree goes before its storage
    cPartTree tree;
    bool result = false;
};
