#pragma once
// The interface of every file-system reader. A reader is a partition extension attached
// to the record it was mounted on; it answers what a folder holds (EnumFolder), how to read
// an object's bytes (OpenObject) and how the volume divides into allocation units. Readers
// never write: they only use the storage's SeekSector, ReadSectors and ReadBytes.
//
// All storage addressing is in absolute 512-byte sectors of the partition's storage: a
// reader adds its own offsets to PartitionStart().
//
// Readers, entries and handles have no locks; one job uses a reader at a time. Entries
// and handles hold a plain pointer to their reader and must not outlive it.

#include "base/codepage.h"
#include "part/part_tree.h"
#include "vfs/external_params.h"
#include "vfs/fs_object.h"
#include "vfs/fs_time.h"
#include "vfs/fs_types.h"
#include "vfs/object_handle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class cBaseIO;

// Called once per listed entry; no stops the listing (EnumFolder then answers no). The
// entry belongs to the listing: keep a Clone() to hold on to it.
using cEnumCallback = std::function<bool(cFSObject& entry)>;

class cVFS : public cPartExtension {
public:
    // Longest path BuildPath makes by default and longest path component, in UTF-16 units.
    static constexpr std::uint32_t kMaxPath = 4096;

    cVFS() = default;

    std::uint32_t GetExtensionKind() const final { return part_ext::kFileSystem; }
    std::vector<std::uint8_t> ExtensionIdentity() const final { return GetIdentity(); }

    // Type code first, then bytes that make two mounts of one volume compare equal. The
    // base form is the type code and the little-endian 64-bit block count.
    virtual std::vector<std::uint8_t> GetIdentity() const;
    virtual bool HasUnicodeNames() const { return false; }
    virtual std::uint32_t GetFSType() const = 0;
    // No: names compare after case folding.
    virtual bool IsCaseSensitive() const { return true; }
    virtual bool IsAvailable() const { return true; }

    // A new entry for the object, or null.
    virtual std::unique_ptr<cFSObject> GetObject(std::uint64_t id) = 0;
    // Resolves a '/'-separated path: from the root when it starts with '/', else from the
    // folder startFolderId. Runs of '/' count as one; an empty path is the root. The first
    // entry in listing order whose name matches is taken, whatever its kind; every
    // component but the last must be a folder. Null on any failure.
    virtual std::unique_ptr<cFSObject> FindByPath(std::u16string_view path,
                                                  std::uint64_t startFolderId);
    // The entry's full path ("/" for the root, "/a/b" for b in a), walking parents with
    // GetObject; null when a parent is missing or not a folder, or when the path and its
    // terminator need more than capacity units.
    virtual std::optional<std::u16string> BuildPath(const cFSObject& entry,
                                                    std::uint32_t capacity = kMaxPath);

    // Recognises the file system on the record and keeps the record. On failure the
    // reader stays unattached and the caller destroys it.
    virtual bool Mount(cPartRecord& record) = 0;
    // Mounts from parameters a scan found; readers without support answer no.
    virtual bool MountWithParams(cPartRecord& record, const cExternalVFSParams* params) {
        return false;
    }

    // A new read-only stream over the entry's data, or null.
    virtual std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) = 0;
    // A stream over the object whose own metadata record lies at position, as a scan
    // found it: for NTFS the sector of its file record, for inode-based file systems the
    // byte offset of its inode, both relative to the partition. Null when the reader
    // cannot open objects that way or the record does not read.
    virtual std::unique_ptr<cObjectHandle> OpenObjectAtRecord(std::uint64_t position) {
        return nullptr;
    }
    virtual std::uint64_t GetRootId() const = 0;
    // Lists the folder the entry names (by its id) entry by entry. No on failure, after
    // whatever entries were already delivered. flags is reserved and passed as 0.
    virtual bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                            std::uint32_t flags = 0) = 0;

    // Allocation units: their size in bytes, the sector (relative to the partition start)
    // where their numbering begins, their count and, where the file system keeps one,
    // their allocation state.
    virtual std::uint32_t GetBlockSize() const = 0;
    virtual std::uint64_t GetFirstBlockSector() const { return 0; }
    // The number of the block at GetFirstBlockSector(); the blocks before it have no sectors.
    virtual std::uint64_t GetFirstBlockNumber() const { return 0; }
    virtual bool IsBlockUsed(std::uint64_t unit) { return true; }
    virtual std::uint64_t GetBlockCount() const { return blockCount_; }
    virtual bool HasBlockMap() const { return false; }
    // The 512-byte sectors the volume's own boot record says it spans; 0 when the reader
    // cannot tell. A volume larger than its partition was cut off, or is one member of a
    // striped set whose other members hold the rest.
    virtual std::uint64_t GetVolumeSectors() const { return 0; }

    // The name of the folder or file (kinds 1 and 2 only) listed in folderId with the
    // given id; null when the listing fails or holds none.
    std::optional<std::u16string> FindNameById(std::uint64_t folderId, std::uint64_t id);
    // A clone of the first folder or file in folderId whose name matches (case folded
    // when the file system says so); null when there is none.
    std::unique_ptr<cFSObject> FindEntryByName(std::uint64_t folderId, std::u16string_view name);

    // Code page of 8-bit names; 65001 (UTF-8) until a reader chooses another.
    std::uint32_t CodePage() const { return codePage_; }
    // The record the reader is mounted on; null while unmounted.
    cPartRecord* Partition() const { return partition_; }
    std::uint64_t PartitionStart() const { return partitionStart_; }
    cBaseIO* Storage() const { return partition_ ? partition_->Storage() : nullptr; }

protected:
    // Readers bind the record at the start of Mount so that they can read through it, and
    // unbind it again when the mount fails.
    void BindPartition(cPartRecord* record);
    std::u16string DecodeName(std::span<const std::uint8_t> text) const {
        return codepage::Decode(codePage_, text);
    }
    // The identity of readers whose volumes carry nothing that tells them apart: the type
    // code and the little-endian 64-bit partition start sector.
    std::vector<std::uint8_t> StartIdentity() const;
    // Reads count 512-byte sectors at an absolute sector; no unless all were read.
    bool ReadSectorsAt(std::uint64_t sector, void* buffer, std::uint32_t count) const;
    // Where a volume's blocks lie on the partition: block 0 at firstSector (counted from
    // the partition start), each blockSectors sectors long, blocks of them in all.
    struct cBlockSpan {
        std::uint64_t firstSector = 0;
        std::uint64_t blockSectors = 1;
        std::uint64_t blocks = 0;
    };
    // Reads count whole blocks of the span from block on in one request; no unless all of
    // them lie inside the span and were read.
    bool ReadBlocksIn(const cBlockSpan& span, void* out, std::uint64_t block,
                      std::uint64_t count) const;
    // A new folder entry, or file entry of size bytes, of this reader.
    std::unique_ptr<cFSObject> MakeEntry(bool folder, std::uint64_t id, std::uint64_t size,
                                         const cFSTime& mtime);
    // Sets every field of an entry the reader reuses for each entry of a listing, so that a
    // listing of many files allocates nothing per file; parentId and name are the caller's.
    void RefillEntry(cFSObject& entry, std::uint64_t id, std::uint64_t size, const cFSTime& mtime);
    // A folder entry standing for the folder with this id, for listing it by id.
    std::unique_ptr<cFSObject> FolderStub(std::uint64_t id);
    // Completes what GetObject made for an object other than the root: a file is named
    // "file<id>"; a folder learns its parent from its own ".." entry and its name from the
    // parent's listing, and is null when either is missing.
    std::unique_ptr<cFSObject> NameFromParent(std::unique_ptr<cFSObject> entry);

    std::uint32_t codePage_ = codepage::kUtf8;
    std::uint64_t blockCount_ = 0;

private:
    cPartRecord* partition_ = nullptr;
    std::uint64_t partitionStart_ = 0;
};
