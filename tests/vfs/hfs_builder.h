#pragma once
// Builds small HFS+ volumes byte by byte, for what no tool here makes: HFSX, a volume
// wrapped in HFS, files of more than eight extents, a catalog continued in the extents
// overflow file, hard links, and damaged trees. Blocks and B-tree nodes are 512 bytes;
// records go into as many leaves as they need, under one index node when there are
// several.

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace hfs_test {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBlock = 512;

inline void PutBe(Bytes& out, std::size_t at, std::uint64_t value, int width) {
    if (out.size() < at + width) {
        out.resize(at + width);
    }
    for (int i = 0; i < width; ++i) {
        out[at + i] = std::uint8_t(value >> (8 * (width - 1 - i)));
    }
}
inline void Append(Bytes& out, std::uint64_t value, int width) {
    PutBe(out, out.size(), value, width);
}

struct Extent {
    std::uint32_t start, count;
};

struct Record {
    Bytes key; // with its length field
    Bytes data;
};

// Keys compare by their id (parent or file) first; names keep the order of insertion.
inline Bytes CatalogKey(std::uint32_t parent, const std::u16string& name) {
    Bytes key;
    Append(key, 6 + 2 * name.size(), 2);
    Append(key, parent, 4);
    Append(key, name.size(), 2);
    for (char16_t unit : name) {
        Append(key, unit, 2);
    }
    return key;
}

// A tree of 512-byte nodes: header node 0, then the leaves, then index nodes level by
// level up to a single root. Records are sorted by the 32-bit id at idOffset of their
// keys.
inline Bytes BuildTree(std::vector<Record> records, std::size_t idOffset, std::uint16_t maxKey) {
    std::stable_sort(records.begin(), records.end(), [&](const Record& a, const Record& b) {
        auto id = [&](const Record& r) {
            return (std::uint32_t(r.key[idOffset]) << 24) | (r.key[idOffset + 1] << 16) |
                   (r.key[idOffset + 2] << 8) | r.key[idOffset + 3];
        };
        return id(a) < id(b);
    });
    struct Node {
        std::int8_t kind;
        std::uint8_t height;
        std::vector<Bytes> records;
        std::uint32_t next = 0;
    };
    std::vector<Node> nodes{{1, 0, {}}};
    // Packs records into nodes of one level; answers each node's first key and number.
    auto pack = [&](const std::vector<Bytes>& items, const std::vector<std::size_t>& keyBytes,
                    std::int8_t kind, std::uint8_t height) {
        std::vector<std::pair<Bytes, std::uint32_t>> firsts;
        std::size_t used = 512; // forces a first node
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (used + items[i].size() + 4 > kBlock) {
                if (!firsts.empty()) {
                    nodes.back().next = std::uint32_t(nodes.size());
                }
                nodes.push_back({kind, height, {}});
                firsts.emplace_back(Bytes(items[i].begin(), items[i].begin() + keyBytes[i]),
                                    std::uint32_t(nodes.size() - 1));
                used = 14;
            }
            nodes.back().records.push_back(items[i]);
            used += items[i].size() + 2;
        }
        return firsts;
    };
    std::vector<Bytes> items;
    std::vector<std::size_t> keyBytes;
    for (const Record& r : records) {
        Bytes bytes = r.key;
        bytes.insert(bytes.end(), r.data.begin(), r.data.end());
        items.push_back(bytes);
        keyBytes.push_back(r.key.size());
    }
    if (items.empty()) {
        nodes.push_back({-1, 1, {}});
    }
    auto level = items.empty() ? std::vector<std::pair<Bytes, std::uint32_t>>{{{}, 1}}
                               : pack(items, keyBytes, -1, 1);
    const std::uint32_t leaves = std::uint32_t(nodes.size() - 1);
    std::uint8_t height = 1;
    while (level.size() > 1) {
        items.clear();
        keyBytes.clear();
        for (const auto& [key, number] : level) {
            Bytes entry = key;
            Append(entry, number, 4);
            items.push_back(entry);
            keyBytes.push_back(key.size());
        }
        level = pack(items, keyBytes, 0, ++height);
    }
    Bytes tree(nodes.size() * kBlock);
    // Header record: depth, root, leaf records, first and last leaf, node size, maximum
    // key length, total and free nodes, then (after 6 bytes) type, compare type and the
    // attributes: big keys and variable index keys.
    Bytes header;
    Append(header, height, 2);
    Append(header, level.front().second, 4);
    Append(header, records.size(), 4);
    Append(header, 1, 4);
    Append(header, leaves, 4);
    Append(header, kBlock, 2);
    Append(header, maxKey, 2);
    Append(header, nodes.size(), 4);
    Append(header, 0, 4);
    Append(header, 0, 6);
    Append(header, 0, 1);
    Append(header, 0xCF, 1);
    Append(header, 6, 4);
    header.resize(106);
    nodes[0].records = {header};
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        const std::size_t base = n * kBlock;
        PutBe(tree, base, nodes[n].next, 4);
        tree[base + 8] = std::uint8_t(nodes[n].kind);
        tree[base + 9] = nodes[n].height;
        PutBe(tree, base + 10, nodes[n].records.size(), 2);
        std::size_t at = 14;
        for (std::size_t i = 0; i < nodes[n].records.size(); ++i) {
            PutBe(tree, base + kBlock - 2 * (i + 1), at, 2);
            std::copy(nodes[n].records[i].begin(), nodes[n].records[i].end(),
                      tree.begin() + base + at);
            at += nodes[n].records[i].size();
        }
        PutBe(tree, base + kBlock - 2 * (nodes[n].records.size() + 1), at, 2);
    }
    return tree;
}

class cPlusBuilder {
public:
    static constexpr std::uint32_t kRoot = 2;

    explicit cPlusBuilder(std::uint32_t totalBlocks = 512)
        : image_(std::size_t(totalBlocks) * kBlock) {
        total_ = totalBlocks;
        next_ = 8; // blocks 0-7: boot blocks, volume header and spare
        Folder(1, kRoot, u"Crafted");
    }

    std::uint32_t Folder(std::uint32_t parent, std::uint32_t id, const std::u16string& name) {
        Bytes data(88);
        PutBe(data, 0, 1, 2);
        PutBe(data, 8, id, 4);
        PutBe(data, 16, modified_, 4);
        catalog_.push_back({CatalogKey(parent, name), data});
        Thread(3, id, parent, name);
        return id;
    }

    // A file whose data lies in extents of `pieces` blocks each, a free block between
    // every two, so that each is an extent of its own; the ninth and later go to the
    // extents overflow file.
    void File(std::uint32_t parent, std::uint32_t id, const std::u16string& name,
              const Bytes& content, std::uint32_t pieces = 0, std::uint32_t linkTarget = 0) {
        std::vector<Extent> extents;
        const std::uint32_t blocks = std::uint32_t((content.size() + kBlock - 1) / kBlock);
        for (std::uint32_t done = 0; done < blocks;) {
            const std::uint32_t count = pieces ? std::min(pieces, blocks - done) : blocks;
            extents.push_back({next_, count});
            Ensure(next_ + count);
            std::copy_n(content.begin() + std::size_t(done) * kBlock,
                        std::min<std::size_t>(std::size_t(count) * kBlock,
                                              content.size() - std::size_t(done) * kBlock),
                        image_.begin() + std::size_t(next_) * kBlock);
            next_ += count + (pieces ? 1 : 0);
            done += count;
        }
        Bytes data(248);
        PutBe(data, 0, 2, 2);
        PutBe(data, 8, id, 4);
        PutBe(data, 16, modified_, 4);
        PutBe(data, 42, 0x81A4, 2); // a regular file
        if (linkTarget) {
            PutBe(data, 44, linkTarget, 4);
            PutBe(data, 48, 0x686C6E6B, 4); // 'hlnk'
            PutBe(data, 52, 0x6866732B, 4); // 'hfs+'
        }
        PutFork(data, 88, content.size(), extents, id);
        catalog_.push_back({CatalogKey(parent, name), data});
        Thread(4, id, parent, name);
    }

    void SetModified(std::uint32_t macTime) { modified_ = macTime; }
    void SetHfsx() { signature_ = 0x4858; }
    // Spreads the catalog over one extent per node, so that it needs the overflow file.
    void FragmentCatalog() { fragmentCatalog_ = true; }

    Bytes Build() {
        Bytes header(512);
        PutBe(header, 0, signature_, 2);
        PutBe(header, 2, signature_ == 0x4858 ? 5 : 4, 2);
        PutBe(header, 16, 0xC0FFEE00, 4);
        PutBe(header, 40, kBlock, 4);
        PutBe(header, 44, total_, 4);
        // The allocation file: one bit per block, the first 8 and every one given out set.
        const std::uint32_t bitmapBlocks = (total_ / 8 + kBlock - 1) / kBlock;
        const std::uint32_t bitmapStart = Take(bitmapBlocks);
        const Bytes catalog = BuildTree(catalog_, 2, 516);
        const std::uint32_t catalogNodes = std::uint32_t(catalog.size() / kBlock);
        std::vector<Extent> catalogExtents;
        for (std::uint32_t n = 0; n < catalogNodes;) {
            const std::uint32_t count = fragmentCatalog_ ? 1 : catalogNodes;
            catalogExtents.push_back({next_, count});
            Ensure(next_ + count);
            std::copy_n(catalog.begin() + std::size_t(n) * kBlock, std::size_t(count) * kBlock,
                        image_.begin() + std::size_t(next_) * kBlock);
            next_ += count + (fragmentCatalog_ ? 1 : 0);
            n += count;
        }
        Bytes catalogFork;
        PutFork(catalogFork, 0, catalog.size(), catalogExtents, 4);
        const Bytes extents = BuildTree(overflow_, 4, 10);
        const std::uint32_t extentsStart = Take(std::uint32_t(extents.size() / kBlock));
        std::copy(extents.begin(), extents.end(),
                  image_.begin() + std::size_t(extentsStart) * kBlock);
        Bytes extentsFork;
        PutFork(extentsFork, 0, extents.size(),
                {{extentsStart, std::uint32_t(extents.size() / kBlock)}}, 3);
        Bytes bitmapFork;
        PutFork(bitmapFork, 0, std::size_t(bitmapBlocks) * kBlock, {{bitmapStart, bitmapBlocks}},
                6);
        for (std::uint32_t b = 0; b < next_; ++b) {
            if (b < 8 || used_.count(b)) {
                image_[std::size_t(bitmapStart) * kBlock + b / 8] |= std::uint8_t(0x80 >> (b % 8));
            }
        }
        std::copy(bitmapFork.begin(), bitmapFork.end(), header.begin() + 112);
        std::copy(extentsFork.begin(), extentsFork.end(), header.begin() + 192);
        std::copy(catalogFork.begin(), catalogFork.end(), header.begin() + 272);
        std::copy(header.begin(), header.end(), image_.begin() + 1024);
        return image_;
    }

    // Blocks that Build marked in use in the allocation file.
    bool Used(std::uint32_t block) const { return block < 8 || used_.count(block) != 0; }

private:
    void Thread(std::uint16_t type, std::uint32_t id, std::uint32_t parent,
                const std::u16string& name) {
        Bytes data;
        Append(data, type, 2);
        Append(data, 0, 2);
        Append(data, parent, 4);
        Append(data, name.size(), 2);
        for (char16_t unit : name) {
            Append(data, unit, 2);
        }
        catalog_.push_back({CatalogKey(id, u""), data});
    }

    // Test volumes are sized to fit; one that does not is a mistake in the test.
    void Ensure(std::uint32_t blockEnd) {
        if (blockEnd > total_) {
            throw std::length_error("crafted HFS+ volume too small");
        }
    }

    std::uint32_t Take(std::uint32_t blocks) {
        Ensure(next_ + blocks);
        const std::uint32_t start = next_;
        for (std::uint32_t b = 0; b < blocks; ++b) {
            used_[start + b] = true;
        }
        next_ += blocks;
        return start;
    }

    // An 80-byte fork at `at`: eight extents in place, the rest as overflow records of
    // eight each, keyed by the file id and the fork's block where each record starts.
    void PutFork(Bytes& out, std::size_t at, std::uint64_t size, const std::vector<Extent>& extents,
                 std::uint32_t id) {
        std::uint32_t blocks = 0;
        for (const Extent& e : extents) {
            blocks += e.count;
            for (std::uint32_t b = 0; b < e.count; ++b) {
                used_[e.start + b] = true;
            }
        }
        PutBe(out, at, size, 8);
        PutBe(out, at + 8, kBlock, 4);
        PutBe(out, at + 12, blocks, 4);
        std::uint32_t startBlock = 0;
        for (std::size_t i = 0; i < extents.size(); ++i) {
            if (i < 8) {
                PutBe(out, at + 16 + 8 * i, extents[i].start, 4);
                PutBe(out, at + 20 + 8 * i, extents[i].count, 4);
            } else {
                if ((i - 8) % 8 == 0) {
                    Record r;
                    Append(r.key, 10, 2);
                    Append(r.key, 0, 2); // data fork, pad
                    Append(r.key, id, 4);
                    Append(r.key, startBlock, 4);
                    r.data.resize(64);
                    overflow_.push_back(r);
                }
                PutBe(overflow_.back().data, 8 * ((i - 8) % 8), extents[i].start, 4);
                PutBe(overflow_.back().data, 8 * ((i - 8) % 8) + 4, extents[i].count, 4);
            }
            startBlock += extents[i].count;
        }
        out.resize(std::max(out.size(), at + 80));
    }

    Bytes image_;
    std::uint32_t total_;
    std::uint32_t next_;
    std::uint32_t modified_ = 0xC0000000;
    std::uint16_t signature_ = 0x482B;
    bool fragmentCatalog_ = false;
    std::vector<Record> catalog_;
    std::vector<Record> overflow_;
    std::map<std::uint32_t, bool> used_;
};

// An HFS volume of 512-byte blocks that holds `embedded` from its block `startBlock` on,
// allocation blocks starting at sector `firstSector`.
inline Bytes WrapInHfs(const Bytes& embedded, std::uint16_t firstSector, std::uint16_t startBlock) {
    const std::size_t offset = std::size_t(firstSector + startBlock) * 512;
    Bytes image(offset + embedded.size());
    std::copy(embedded.begin(), embedded.end(), image.begin() + offset);
    Bytes mdb(512);
    PutBe(mdb, 0, 0x4244, 2); // "BD"
    PutBe(mdb, 18, std::uint16_t(image.size() / 512 - firstSector), 2);
    PutBe(mdb, 20, 512, 4);
    PutBe(mdb, 24, 2048, 4);
    PutBe(mdb, 28, firstSector, 2);
    PutBe(mdb, 124, 0x482B, 2); // "H+"
    PutBe(mdb, 126, startBlock, 2);
    PutBe(mdb, 128, std::uint16_t(embedded.size() / 512), 2);
    std::copy(mdb.begin(), mdb.end(), image.begin() + 1024);
    return image;
}

} // namespace hfs_test
