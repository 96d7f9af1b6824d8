#pragma once
// cVReconstructedFS: a scan's result tree (the partition's virtual storage) presented as a
// file system, so that the explorer, the copy flow and drovik-cli read it like any other.
// Object ids are the tree's item ids; raw files read straight from the partition's
// sectors, files found through file-system metadata through that file system's reader on
// the same partition.

#include "scan/vstorage.h"
#include "vfs/vfs.h"

class cVReconstructedFS final : public cVFS {
public:
    static constexpr std::u16string_view kInvalidName = u"[invalid name]";

    // Type code 17, then the partition's start sector.
    std::vector<std::uint8_t> GetIdentity() const override;
    std::uint32_t GetFSType() const override { return fstype::kReconstructed; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    // Takes the record's virtual storage; no when it has none.
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override;
    // "." and "..", then the subfolders, then the files.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;
    std::uint32_t GetBlockSize() const override { return kSectorSize; }

    // Files found through file-system metadata open through the readers of record (the
    // scanned partition) when the tree is mounted on a node of its own, as the explorer's
    // scan results are; by default through those of the node mounted on. The record must
    // outlive this reader.
    void ReadMetadataThrough(cPartRecord& record) { metadataRecord_ = &record; }

private:
    static constexpr std::uint32_t kSectorSize = 512;

    // The listing entry of an item, listed in parentId.
    std::unique_ptr<cFSObject> Entry(cVSItemId item, std::uint64_t parentId) const;
    std::unique_ptr<cObjectHandle> OpenFragments(cVSItemId file);
    std::unique_ptr<cObjectHandle> OpenThroughReader(cVSItemId file);

    cQORNVStorage* storage_ = nullptr;
    cPartRecord* metadataRecord_ = nullptr;
};
