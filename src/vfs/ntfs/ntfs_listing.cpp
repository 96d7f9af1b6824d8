// Folder listings: the "$I30" index of a folder, its root and every index block in use.

#include "vfs/ntfs/file_name.h"
#include "vfs/ntfs/index_node.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/vntfs.h"

#include <set>
#include <utility>

namespace {

// An index root is resident in every valid volume, so a record's worth is plenty; the
// cap keeps a damaged non-resident one from being read whole.
constexpr std::uint64_t kMaxIndexRoot = 1u << 20;
// The index bitmap has one bit per index block.
constexpr std::uint64_t kMaxIndexBitmap = 1u << 20;

bool ValidIndexBlockSize(std::uint32_t size) {
    return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

} // namespace

bool cVNTFS::ListIndexBlocks(std::uint64_t folder, std::uint32_t blockSize,
                             const std::function<bool(bytes::Span)>& walkEntries) {
    const auto allocation = OpenStream(folder, ntfs::kIndexAllocation, ntfs::kI30);
    if (!allocation) {
        return true; // a small folder lives in its index root alone
    }
    const auto bitmapStream = OpenStream(folder, ntfs::kBitmap, ntfs::kI30);
    const auto bitmap = bitmapStream ? bitmapStream->ReadAll(kMaxIndexBitmap) : std::nullopt;
    if (!bitmap || !ValidIndexBlockSize(blockSize)) {
        return false;
    }
    const std::uint64_t blocks = allocation->GetSize() / blockSize;
    std::vector<std::uint8_t> block(blockSize);
    for (std::uint64_t b = 0; b < blocks && b / 8 < bitmap->size(); ++b) {
        if (((*bitmap)[b / 8] >> (b % 8) & 1) == 0) {
            continue;
        }
        const std::uint64_t offset = b * blockSize;
        if (allocation->Seek(offset) != offset ||
            allocation->Read(block.data(), blockSize) != blockSize) {
            return false;
        }
        const auto entries = ntfs::ParseIndexBlock(block);
        if (!entries || !walkEntries(*entries)) {
            return false;
        }
    }
    return true;
}

// Each entry is named by its index key, not by the name its record would choose: a file
// with several hard links is listed in each folder under the name it has there. Keys in
// the DOS namespace only are skipped (their file is listed under its long name), and an
// entry is dropped only when the same record was already listed under the same name.
bool cVNTFS::EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                        std::uint32_t flags) {
    const auto self = GetObject(folder.id);
    if (!self || self->Kind() != fskind::kFolder) {
        return false;
    }
    std::set<std::pair<std::uint64_t, std::u16string>> delivered;
    const auto deliver = [&](std::unique_ptr<cFSObject> entry) {
        const bool dots = entry->name == u"." || entry->name == u"..";
        if (entry->name.empty() || (entry->id < ntfs::kFirstUserRecord && !dots) ||
            !delivered.emplace(entry->id, entry->name).second) {
            return true;
        }
        return callback(*entry);
    };

    auto dot = self->Clone();
    dot->name = u".";
    if (!deliver(std::move(dot))) {
        return false;
    }
    if (auto up = GetObject(self->parentId)) {
        up->name = u"..";
        if (!deliver(std::move(up))) {
            return false;
        }
    }

    const auto walkEntries = [&](bytes::Span entries) {
        for (ntfs::IndexEntryWalker walker(entries); auto indexEntry = walker.Next();) {
            const auto key = ntfs::ParseFileName(indexEntry->key);
            if (key && key->IsDosOnly()) {
                continue;
            }
            auto entry = GetObject(indexEntry->record);
            if (!entry) {
                continue;
            }
            if (key) {
                entry->name = key->name;
            }
            entry->parentId = folder.id;
            if (!deliver(std::move(entry))) {
                return false;
            }
        }
        return true;
    };

    const auto rootStream = OpenStream(folder.id, ntfs::kIndexRoot, ntfs::kI30);
    const auto rootValue = rootStream ? rootStream->ReadAll(kMaxIndexRoot) : std::nullopt;
    const auto root = rootValue ? ntfs::ParseIndexRoot(*rootValue) : std::nullopt;
    if (!root || !walkEntries(root->entries)) {
        return false;
    }
    return ListIndexBlocks(folder.id, root->blockSize, walkEntries);
}
