#include "vfs/hfs/hfs_btree.h"

#include <algorithm>
#include <set>

namespace hfs {
namespace {

constexpr std::size_t kDescriptorBytes = 14;
// Header attribute bit (TN1150 "Header Record"): index keys take only their own length.
constexpr std::uint32_t kVariableIndexKeys = 4;
// Real trees are a handful of levels deep; an index that keeps descending points back up.
constexpr int kMaxDepth = 16;

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

} // namespace

std::optional<cTreeHeader> ParseHeaderNode(bytes::Span node) {
    bytes::Cursor cursor(node);
    cursor.Skip(8);
    const std::int8_t kind = std::int8_t(cursor.U8());
    cursor.Skip(5);
    cursor.Skip(2); // tree depth
    cTreeHeader header;
    header.root = cursor.Be32();
    cursor.Skip(12); // leaf records, first and last leaf
    header.nodeSize = cursor.Be16();
    header.maxKeyLength = cursor.Be16();
    header.totalNodes = cursor.Be32();
    cursor.Skip(4 + 2 + 4 + 1 + 1); // free nodes, reserved, clump size, tree type, compare type
    header.attributes = cursor.Be32();
    if (!cursor.Ok() || kind != kHeaderNode || header.nodeSize < 512 ||
        !IsPowerOfTwo(header.nodeSize)) {
        return std::nullopt;
    }
    return header;
}

bool cBTree::Open(std::unique_ptr<cObjectHandle> stream, cKeyFormat format) {
    stream_.reset();
    std::vector<std::uint8_t> first(512);
    if (!stream || stream->Seek(0) != 0 || stream->Read(first.data(), 512) != 512) {
        return false;
    }
    const std::optional<cTreeHeader> header = ParseHeaderNode(first);
    if (!header) {
        return false;
    }
    header_ = *header;
    format_ = format;
    nodeLimit_ = std::uint32_t(
        std::min<std::uint64_t>(header_.totalNodes, stream->GetSize() / header_.nodeSize));
    stream_ = std::move(stream);
    return true;
}

bool cBTree::ReadNode(std::uint32_t number, std::vector<std::uint8_t>& node) {
    if (number >= nodeLimit_) {
        return false;
    }
    node.resize(header_.nodeSize);
    const std::uint64_t offset = std::uint64_t(number) * header_.nodeSize;
    return stream_->Seek(offset) == offset &&
           stream_->Read(node.data(), header_.nodeSize) == header_.nodeSize;
}

std::vector<cRecord> cBTree::Records(bytes::Span node, bool index) const {
    const std::size_t count = bytes::Be16At(node, 10).value_or(0);
    // The offset table runs backwards from the node's end, one more entry than there are
    // records (the free space's start); records end before it.
    const std::size_t entries = std::min(count + 1, (node.size() - kDescriptorBytes) / 2);
    const std::size_t tableStart = node.size() - 2 * entries;
    std::vector<cRecord> records;
    records.reserve(entries);
    for (std::size_t i = 0; i + 1 < entries; ++i) {
        const std::size_t start = *bytes::Be16At(node, node.size() - 2 * (i + 1));
        const std::size_t end = *bytes::Be16At(node, node.size() - 2 * (i + 2));
        if (start < kDescriptorBytes || end <= start || end > tableStart) {
            continue;
        }
        const bytes::Span record = node.subspan(start, end - start);
        const std::size_t keyLength =
            format_.lengthBytes == 2 ? bytes::Be16At(record, 0).value_or(0) : record[0];
        const std::size_t keyBytes = format_.lengthBytes + keyLength;
        // Index keys take their maximum length unless the tree says they vary.
        const bool fixedIndexKey =
            index && (format_.lengthBytes == 1 || (header_.attributes & kVariableIndexKeys) == 0);
        std::size_t dataStart =
            fixedIndexKey ? format_.lengthBytes + std::size_t(header_.maxKeyLength) : keyBytes;
        dataStart += dataStart % 2;
        if (keyBytes > record.size() || dataStart > record.size()) {
            continue;
        }
        records.push_back({record.first(keyBytes), record.subspan(dataStart)});
    }
    return records;
}

std::optional<std::uint32_t> cBTree::KeyId(const cRecord& record) const {
    return bytes::Be32At(record.key, format_.idOffset);
}

std::optional<std::uint32_t> cBTree::FindLeaf(std::uint32_t id, std::vector<std::uint8_t>& node) {
    std::uint32_t number = header_.root;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (!ReadNode(number, node)) {
            return std::nullopt;
        }
        const std::int8_t kind = std::int8_t(node[8]);
        if (kind == kLeafNode) {
            return number;
        }
        if (kind != kIndexNode) {
            return std::nullopt;
        }
        // The child before the first key at or past the id holds the id's first record.
        std::optional<std::uint32_t> child;
        for (const cRecord& record : Records(node, true)) {
            const std::optional<std::uint32_t> keyId = KeyId(record);
            const std::optional<std::uint32_t> pointer = bytes::Be32At(record.data, 0);
            if (!keyId || !pointer) {
                continue;
            }
            if (*keyId >= id) {
                if (!child) {
                    child = pointer;
                }
                break;
            }
            child = pointer;
        }
        if (!child) {
            return std::nullopt;
        }
        number = *child;
    }
    return std::nullopt;
}

bool cBTree::SearchById(std::uint32_t id, const Visitor& visit) {
    if (!stream_) {
        return false;
    }
    // Each search has its own node buffer: a visitor may search the same tree again.
    std::vector<std::uint8_t> node;
    const std::optional<std::uint32_t> leaf = FindLeaf(id, node);
    if (!leaf) {
        return false;
    }
    std::set<std::uint32_t> visited;
    for (std::uint32_t number = *leaf; number != 0;) {
        if (!visited.insert(number).second || !ReadNode(number, node) ||
            std::int8_t(node[8]) != kLeafNode) {
            return false;
        }
        for (const cRecord& record : Records(node, false)) {
            const std::optional<std::uint32_t> keyId = KeyId(record);
            if (!keyId || *keyId < id) {
                continue;
            }
            if (*keyId > id || !visit(record)) {
                return true;
            }
        }
        number = bytes::Be32At(node, 0).value_or(0);
    }
    return true;
}

} // namespace hfs
