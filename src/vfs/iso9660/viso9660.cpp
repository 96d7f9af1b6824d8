#include "vfs/iso9660/viso9660.h"

#include "base/checked.h"
#include "base/utf.h"
#include "vfs/iso9660/iso_handle.h"
#include "vfs/probes.h"

#include <algorithm>
#include <string>

namespace {

// A descriptor set of more than a few dozen entries is damage, not a disc.
constexpr std::uint64_t kMaxDescriptors = 64;
// Folders are read this many blocks at a time.
constexpr std::uint64_t kFolderChunkBlocks = 32;
// Extents of one file: 2^32 bytes each, so this allows files of a terabyte.
constexpr int kMaxExtents = 256;

std::optional<iso::cRecord> RootOf(const iso::cDescriptor& descriptor) {
    std::optional<iso::cRecord> root =
        iso::ParseRecord(descriptor.rootRecord, 0, descriptor.layout);
    if (!root || !root->IsFolder() || root->extent >= descriptor.volumeBlocks) {
        return std::nullopt;
    }
    return root;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Mounting

bool cVISO9660::Mount(cPartRecord& record) {
    BindPartition(&record);
    if (!SelectDescriptors(record)) {
        BindPartition(nullptr);
        return false;
    }
    return true;
}

bool cVISO9660::SelectDescriptors(cPartRecord& record) {
    std::vector<std::uint8_t> primary, joliet, piece(iso::kDescriptorBytes);
    for (std::uint64_t n = 0; n < kMaxDescriptors; ++n) {
        const std::optional<std::uint64_t> sector =
            checked::Add(PartitionStart(), iso::kFirstDescriptorSector + 4 * n);
        if (!sector || !ReadSectorsAt(*sector, piece.data(), 4)) {
            break;
        }
        const iso::eDescriptor kind =
            iso::ParseDescriptor(bytes::Fixed<iso::kDescriptorBytes>(piece.data(), piece.size()))
                .kind;
        if (kind == iso::eDescriptor::kNone || kind == iso::eDescriptor::kTerminator) {
            break;
        }
        if (kind == iso::eDescriptor::kPrimary && primary.empty()) {
            primary = piece;
        } else if (kind == iso::eDescriptor::kJoliet && joliet.empty()) {
            joliet = piece;
        }
    }
    if (primary.empty()) {
        return false;
    }
    const iso::cDescriptor main =
        iso::ParseDescriptor(bytes::Fixed<iso::kDescriptorBytes>(primary.data(), primary.size()));
    const std::optional<iso::cRecord> root = RootOf(main);
    // Logical blocks are 2^(n+9) bytes and no larger than a 2048-byte sector (ECMA-119 6.1.2).
    if (main.blockSize < 512 || main.blockSize > 2048 || !probe::IsPowerOfTwo(main.blockSize) ||
        !root) {
        return false;
    }
    layout_ = main.layout;
    blockSize_ = main.blockSize;
    blockCount_ = main.volumeBlocks;
    rootExtent_ = root->extent;
    names_ = eNames::kPrimary;
    suspSkip_ = 0;

    // Rock Ridge announces itself in the root's own "." record (SUSP 5.3).
    WalkFolder(rootExtent_, [this](const iso::cRecord& self, std::uint64_t) {
        const std::optional<std::size_t> skip = iso::SharingProtocolSkip(self.systemUse);
        if (skip) {
            suspSkip_ = *skip;
            names_ = eNames::kRockRidge;
            if (!RockRidgeOf(self).mode) {
                names_ = eNames::kPrimary;
            }
        }
        return false;
    });
    if (!joliet.empty()) {
        const iso::cDescriptor supplementary =
            iso::ParseDescriptor(bytes::Fixed<iso::kDescriptorBytes>(joliet.data(), joliet.size()));
        const std::optional<iso::cRecord> jolietRoot = RootOf(supplementary);
        if (jolietRoot && supplementary.blockSize == blockSize_) {
            NamePartition(record, supplementary.volumeLabel, true);
            if (names_ == eNames::kPrimary) {
                names_ = eNames::kJoliet;
                rootExtent_ = jolietRoot->extent;
            }
            return true;
        }
    }
    NamePartition(record, main.volumeLabel, false);
    return true;
}

void cVISO9660::NamePartition(cPartRecord& record, bytes::Span label, bool joliet) {
    std::u16string name = joliet ? iso::JolietName(label) : DecodeName(label);
    while (!name.empty() && (name.back() == u' ' || name.back() == 0)) {
        name.pop_back();
    }
    if (name.empty() || record.FindExtension(part_ext::kVolumeName)) {
        return;
    }
    record.AttachExtension(std::make_unique<cPartNameData>(std::move(name)));
}

std::vector<std::uint8_t> cVISO9660::GetIdentity() const {
    return StartIdentity();
}

// ---------------------------------------------------------------------------------------
// Blocks and records

bool cVISO9660::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    return ReadBlocksIn({0, blockSize_ / 512, blockCount_}, out, block, count);
}

std::vector<std::uint8_t> cVISO9660::ReadContinuation(std::uint32_t block, std::uint32_t offset,
                                                      std::uint32_t length) const {
    std::vector<std::uint8_t> data(blockSize_);
    if (offset > blockSize_ || length > blockSize_ - offset || !ReadBlocks(data.data(), block, 1)) {
        return {};
    }
    return std::vector<std::uint8_t>(data.begin() + offset, data.begin() + offset + length);
}

iso::cRockRidge cVISO9660::RockRidgeOf(const iso::cRecord& record) const {
    if (names_ != eNames::kRockRidge) {
        return {};
    }
    return iso::ParseRockRidge(
        record.systemUse, suspSkip_,
        [this](std::uint32_t block, std::uint32_t offset, std::uint32_t length) {
            return ReadContinuation(block, offset, length);
        });
}

bool cVISO9660::WalkFolder(std::uint32_t extent, const RecordVisitor& visit) {
    std::vector<std::uint8_t> chunk(kFolderChunkBlocks * blockSize_);
    if (!ReadBlocks(chunk.data(), extent, 1)) {
        return false;
    }
    const std::optional<iso::cRecord> self =
        iso::ParseRecord(bytes::Span(chunk).first(blockSize_), 0, layout_);
    if (!self || !self->IsSelf()) {
        return false;
    }
    const std::uint64_t size = self->size;
    const std::uint64_t blocks = size / blockSize_ + (size % blockSize_ != 0);
    if (blocks > blockCount_ - extent) {
        return false;
    }
    for (std::uint64_t first = 0; first < blocks; first += kFolderChunkBlocks) {
        const std::uint64_t count = std::min(kFolderChunkBlocks, blocks - first);
        if (!ReadBlocks(chunk.data(), extent + first, count)) {
            return false;
        }
        for (std::uint64_t n = 0; n < count; ++n) {
            const std::uint64_t done = (first + n) * blockSize_;
            const bytes::Span block = bytes::Span(chunk).subspan(
                n * blockSize_, std::min<std::uint64_t>(blockSize_, size - done));
            // Records never cross a logical block; a zero length byte pads the block's end
            // (ECMA-119 6.8.1.1).
            for (std::size_t at = 0; at < block.size() && block[at] != 0;) {
                const std::optional<iso::cRecord> record = iso::ParseRecord(block, at, layout_);
                if (!record) {
                    break;
                }
                if (!visit(*record, (extent + first + n) * blockSize_ + at)) {
                    return false;
                }
                at += record->length;
            }
        }
    }
    return true;
}

std::optional<std::vector<iso::cExtent>> cVISO9660::FileExtents(std::uint64_t position) {
    std::vector<iso::cExtent> extents;
    std::vector<std::uint8_t> block(blockSize_), name;
    std::uint64_t blockNumber = position / blockSize_;
    std::size_t at = position % blockSize_;
    for (int step = 0; step < 2 * kMaxExtents; ++step) {
        if (!ReadBlocks(block.data(), blockNumber, 1)) {
            return std::nullopt;
        }
        if (at >= block.size() || block[at] == 0) {
            // The next extent's record may open the folder's next block.
            if (extents.empty()) {
                return std::nullopt;
            }
            ++blockNumber;
            at = 0;
            continue;
        }
        const std::optional<iso::cRecord> record = iso::ParseRecord(block, at, layout_);
        if (!record || record->IsFolder() ||
            (!extents.empty() &&
             !std::equal(name.begin(), name.end(), record->name.begin(), record->name.end()))) {
            return std::nullopt;
        }
        name.assign(record->name.begin(), record->name.end());
        extents.push_back({record->extent, record->size});
        if (!record->HasMoreExtents()) {
            return extents;
        }
        at += record->length;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------
// Objects

std::u16string cVISO9660::NameOf(const iso::cRecord& record, const iso::cRockRidge& rock) const {
    if (rock.name) {
        return DecodeName(bytes::Span(reinterpret_cast<const std::uint8_t*>(rock.name->data()),
                                      rock.name->size()));
    }
    if (names_ == eNames::kJoliet) {
        return iso::StripVersion(iso::JolietName(record.name));
    }
    return iso::StripVersion(DecodeName(record.name));
}

std::unique_ptr<cFSObject> cVISO9660::EntryOf(const iso::cRecord& record, std::uint64_t position) {
    const iso::cRockRidge rock = RockRidgeOf(record);
    // A relocated folder is listed where its child link stands, not in the relocation folder.
    if (rock.relocated) {
        return nullptr;
    }
    const bool folder = record.IsFolder() || rock.childLink;
    if (rock.mode && !rock.childLink &&
        !(folder ? iso::IsFolderMode(*rock.mode) : iso::IsFileMode(*rock.mode))) {
        return nullptr;
    }
    std::unique_ptr<cFSObject> entry;
    if (folder) {
        entry = std::make_unique<cFSFolder>();
        entry->id = rock.childLink.value_or(record.extent);
    } else {
        // Records lie at even offsets, their lengths being even (ECMA-119 9.1.1).
        if (position % 2 != 0 || position / 2 > UINT32_MAX) {
            return nullptr;
        }
        entry = std::make_unique<cFSFile>();
        entry->id = (position / 2) << 32 | record.extent;
        entry->size = record.size;
    }
    entry->name = NameOf(record, rock);
    entry->mtime = record.mtime;
    entry->fileSystem = this;
    return entry;
}

bool cVISO9660::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    if (folder.id > UINT32_MAX) {
        return false;
    }
    const auto extent = std::uint32_t(folder.id);
    // A file of several extents is listed at its first record, with the sizes of all.
    std::unique_ptr<cFSObject> pieces;
    return WalkFolder(extent, [&](const iso::cRecord& record, std::uint64_t position) {
        if (record.IsAssociated()) {
            return true;
        }
        if (pieces) {
            pieces->size += record.size;
            if (record.HasMoreExtents()) {
                return true;
            }
            const std::unique_ptr<cFSObject> whole = std::move(pieces);
            return callback(*whole);
        }
        std::unique_ptr<cFSObject> entry;
        if (record.IsSelf() || record.IsParent()) {
            entry = FolderStub(extent);
            entry->name = record.IsSelf() ? u"." : u"..";
            entry->mtime = record.mtime;
            if (record.IsParent()) {
                entry->id = RockRidgeOf(record).parentLink.value_or(record.extent);
            }
        } else {
            entry = EntryOf(record, position);
        }
        if (!entry) {
            return true;
        }
        entry->parentId = extent;
        if (record.HasMoreExtents() && entry->Kind() == fskind::kFile) {
            pieces = std::move(entry);
            return true;
        }
        return callback(*entry);
    });
}

std::unique_ptr<cFSObject> cVISO9660::GetObject(std::uint64_t id) {
    const auto extent = std::uint32_t(id);
    if (id > UINT32_MAX) {
        const std::optional<std::vector<iso::cExtent>> extents = FileExtents((id >> 32) * 2);
        if (!extents || extents->front().start != extent) {
            return nullptr;
        }
        auto file = std::make_unique<cFSFile>();
        file->id = id;
        file->parentId = GetRootId();
        for (const iso::cExtent& piece : *extents) {
            file->size += piece.size;
        }
        file->name = utf::FromAscii("file" + std::to_string(id));
        file->fileSystem = this;
        return file;
    }
    std::unique_ptr<cFSObject> folder = FolderStub(id);
    folder->parentId = id;
    bool found = false;
    WalkFolder(extent, [&](const iso::cRecord& self, std::uint64_t) {
        folder->mtime = self.mtime;
        found = true;
        return false;
    });
    if (!found || id == GetRootId()) {
        return found ? std::move(folder) : nullptr;
    }
    return NameFromParent(std::move(folder));
}

std::unique_ptr<cObjectHandle> cVISO9660::OpenObject(const cFSObject& entry) {
    std::vector<iso::cExtent> extents;
    if (entry.id > UINT32_MAX) {
        std::optional<std::vector<iso::cExtent>> file = FileExtents((entry.id >> 32) * 2);
        if (!file || file->front().start != std::uint32_t(entry.id)) {
            return nullptr;
        }
        extents = std::move(*file);
    } else {
        WalkFolder(std::uint32_t(entry.id), [&](const iso::cRecord& self, std::uint64_t) {
            extents.push_back({std::uint32_t(entry.id), self.size});
            return false;
        });
        if (extents.empty()) {
            return nullptr;
        }
    }
    auto handle = std::make_unique<cIsoHandle>(this);
    handle->Map(extents);
    return handle;
}
