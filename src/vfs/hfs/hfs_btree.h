#pragma once
// The B-trees of HFS and HFS+ (catalog and extents overflow file; Apple TN1150 "B-Trees",
// Inside Macintosh: Files "B*-Trees"). Nodes are read through a stream over the tree's
// file; every record is located through the offset table at its node's end and cut to
// the bytes up to the next record, so a key or name claiming more stays inside its own
// record. The only search is by the 32-bit id that leads every key of both trees (the
// parent folder of a catalog key, the file of an extents key): all records with one id
// lie next to each other in key order.

#include "base/bytes.h"
#include "vfs/object_handle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace hfs {

// Node kinds of the node descriptor.
inline constexpr std::int8_t kIndexNode = 0;
inline constexpr std::int8_t kHeaderNode = 1;
inline constexpr std::int8_t kLeafNode = -1;

// How the keys of one tree are laid out.
struct cKeyFormat {
    std::uint8_t lengthBytes; // the key length field: 1 byte (HFS) or 2 (HFS+)
    std::uint8_t idOffset;    // where the id the search goes by lies, from the key's start
};

// The header record (offset 14 of node 0).
struct cTreeHeader {
    std::uint32_t root = 0;
    std::uint16_t nodeSize = 0;
    std::uint16_t maxKeyLength = 0;
    std::uint32_t totalNodes = 0;
    std::uint32_t attributes = 0;
};

// Node 0 of a tree: its header record, when the node is a header node whose node size is
// a power of two of at least 512 bytes.
std::optional<cTreeHeader> ParseHeaderNode(bytes::Span node);

// One record as a search hands it over: the key (its length field included) and the data
// after it.
struct cRecord {
    bytes::Span key;
    bytes::Span data;
};

class cBTree {
public:
    // Answers no to end the search.
    using Visitor = std::function<bool(const cRecord& record)>;

    cBTree() = default;

    // Reads the header node through the stream; no when it is unreadable or bad. The tree
    // keeps the stream.
    bool Open(std::unique_ptr<cObjectHandle> stream, cKeyFormat format);
    bool IsOpen() const { return stream_ != nullptr; }
    const cTreeHeader& Header() const { return header_; }

    // Hands every leaf record whose key id equals id to visit, in key order. No when a
    // node on the way cannot be read, has a kind other than index or leaf, or the walk
    // loops; the records already handed over stay handed over.
    bool SearchById(std::uint32_t id, const Visitor& visit);

private:
    bool ReadNode(std::uint32_t number, std::vector<std::uint8_t>& node);
    // The node's records in order; records that do not fit are left out.
    std::vector<cRecord> Records(bytes::Span node, bool index) const;
    std::optional<std::uint32_t> KeyId(const cRecord& record) const;
    // The leaf that may hold the first record with the id; node is the read buffer.
    std::optional<std::uint32_t> FindLeaf(std::uint32_t id, std::vector<std::uint8_t>& node);

    std::unique_ptr<cObjectHandle> stream_;
    cKeyFormat format_{};
    cTreeHeader header_;
    std::uint32_t nodeLimit_ = 0; // nodes that both the header and the file hold
};

} // namespace hfs
