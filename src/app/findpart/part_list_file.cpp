#include "app/findpart/part_list_file.h"

#include "base/bytes.h"
#include "vfs/vfs.h"

#include <cstring>
#include <string_view>

namespace partlist {
namespace {

constexpr std::string_view kMagic = "QORNR400";
constexpr std::uint8_t kChildren = 0x01;
constexpr std::uint8_t kSibling = 0x02;

void PutRecord(std::vector<std::uint8_t>& out, const cPartTreeItem& node, std::uint8_t flags) {
    std::uint8_t record[kRecordBytes] = {};
    bytes::PutLe64(&record[0], node.Start());
    bytes::PutLe64(&record[8], node.Length());
    if (const auto* fs = node.FindExtensionAs<cVFS>(part_ext::kFileSystem)) {
        record[16] = std::uint8_t(fs->GetFSType());
        bytes::PutLe16(&record[17], std::uint16_t(fs->CodePage()));
    }
    record[19] = flags;
    out.insert(out.end(), std::begin(record), std::end(record));
}

void PutSubtree(std::vector<std::uint8_t>& out, const cPartTreeItem& node, bool sibling) {
    PutRecord(out, node,
              std::uint8_t((node.HasChildren() ? kChildren : 0) | (sibling ? kSibling : 0)));
    const auto& children = node.Children();
    for (std::size_t i = 0; i < children.size(); ++i) {
        PutSubtree(out, *children[i], i + 1 < children.size());
    }
}

struct cRecord {
    std::uint64_t start;
    std::uint64_t count;
    std::uint8_t typeCode;
    std::uint16_t codePage;
    std::uint8_t flags;
};

class cRecordReader {
public:
    explicit cRecordReader(std::span<const std::uint8_t> file) : file_(file) {}

    bool Magic() {
        if (file_.size() < kMagic.size() ||
            std::memcmp(file_.data(), kMagic.data(), kMagic.size()) != 0) {
            return false;
        }
        offset_ = kMagic.size();
        return true;
    }

    std::optional<cRecord> Next() {
        const auto raw = file_.size() - offset_ >= kRecordBytes
                             ? bytes::Slice<kRecordBytes>(file_.subspan(offset_))
                             : std::nullopt;
        if (!raw) {
            return std::nullopt;
        }
        offset_ += kRecordBytes;
        return cRecord{bytes::Le64<0>(*raw), bytes::Le64<8>(*raw), (*raw)[16],
                       bytes::Le16<17>(*raw), (*raw)[19]};
    }

private:
    std::span<const std::uint8_t> file_;
    std::size_t offset_ = 0;
};

} // namespace

std::vector<std::uint8_t> Encode(const cPartTreeItem& top) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    PutSubtree(out, top, false);
    return out;
}

cLoadResult Decode(std::span<const std::uint8_t> file, cPartTree& tree, cPartTreeItem& top,
                   const cAttachReader& attach) {
    cLoadResult result;
    cRecordReader reader(file);
    const std::optional<cRecord> head = reader.Magic() ? reader.Next() : std::nullopt;
    if (!head) {
        return result;
    }
    result.sameSize = head->count == top.Length();
    if ((head->flags & kChildren) == 0) {
        result.ok = true;
        return result;
    }
    // The parents of the level being read; the records of a level follow one another
    // through their sibling bits, a child's level opens under the record before it.
    std::vector<cPartTreeItem*> parents{&top};
    std::size_t nodes = 0;
    while (!parents.empty()) {
        const std::optional<cRecord> record = reader.Next();
        if (!record || ++nodes > kMaxNodes) {
            return result;
        }
        auto owned = std::make_unique<cPartTreeItem>();
        owned->SetRecord(top.Storage(), record->start, record->count, 0);
        cPartTreeItem& node = tree.AddChild(parents.back(), std::move(owned));
        if (record->typeCode != 0) {
            attach(node, record->typeCode, record->codePage);
            ++result.fileSystems;
        }
        if ((record->flags & kSibling) == 0) {
            parents.pop_back();
        }
        if ((record->flags & kChildren) != 0) {
            // A level whose parent has no sibling to come back to replaces that parent's
            // on the stack, so the tree's depth is counted, not the stack's.
            if (node.Depth() >= kMaxDepth) {
                return result;
            }
            parents.push_back(&node);
        }
    }
    result.ok = true;
    return result;
}

} // namespace partlist
