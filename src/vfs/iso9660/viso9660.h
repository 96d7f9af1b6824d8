#pragma once
// cVISO9660: the reader of CD and DVD file systems in ISO 9660 and its older High Sierra
// layout. Names come, in order of preference, from Rock Ridge entries (POSIX names of any
// case and length), from a Joliet tree (Unicode, up to 64 or 103 characters), or from the
// primary tree (upper-case names whose version suffix is dropped).
//
// A folder's id is the first block of its data. A file's id holds its first block in the
// low half and, in the high half, where its directory record lies (in 2-byte units from
// the volume start), so that a file can be opened again from its id alone.

#include "vfs/iso9660/iso_record.h"
#include "vfs/iso9660/rock_ridge.h"
#include "vfs/vfs.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class cVISO9660 final : public cVFS {
public:
    // Type code and the partition's start sector.
    std::vector<std::uint8_t> GetIdentity() const override;
    bool HasUnicodeNames() const override { return names_ == eNames::kJoliet; }
    std::uint32_t GetFSType() const override { return fstype::kIso9660; }
    bool IsCaseSensitive() const override { return false; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return rootExtent_; }
    // "." and ".." first, as stored; a file in several extents is one entry.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;
    std::uint32_t GetBlockSize() const override { return blockSize_; }

    // Reads count logical blocks from block on; no unless all lie in the volume and read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;

    enum class eNames { kPrimary, kJoliet, kRockRidge };
    eNames Names() const { return names_; }
    iso::eLayout Layout() const { return layout_; }

private:
    // Called with each record of a folder and its byte position in the volume; no stops
    // the walk.
    using RecordVisitor = std::function<bool(const iso::cRecord& record, std::uint64_t position)>;

    bool SelectDescriptors(cPartRecord& record);
    // The records of the folder whose data starts at extent, in order; no when its first
    // record is not "." or a block cannot be read, or when the visitor said no.
    bool WalkFolder(std::uint32_t extent, const RecordVisitor& visit);
    // The extents of the file whose first record lies at position.
    std::optional<std::vector<iso::cExtent>> FileExtents(std::uint64_t position);
    iso::cRockRidge RockRidgeOf(const iso::cRecord& record) const;
    // The listing entry of a record other than "." and ".."; null for what is neither a
    // folder nor a file.
    std::unique_ptr<cFSObject> EntryOf(const iso::cRecord& record, std::uint64_t position);
    std::u16string NameOf(const iso::cRecord& record, const iso::cRockRidge& rock) const;
    void NamePartition(cPartRecord& record, bytes::Span label, bool joliet);
    std::vector<std::uint8_t> ReadContinuation(std::uint32_t block, std::uint32_t offset,
                                               std::uint32_t length) const;

    iso::eLayout layout_ = iso::eLayout::kIso;
    eNames names_ = eNames::kPrimary;
    std::uint32_t blockSize_ = 0;
    std::uint32_t rootExtent_ = 0;
    std::size_t suspSkip_ = 0;
};
