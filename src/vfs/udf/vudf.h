#pragma once
// cVUDF: the UDF reader (type 14). Object ids are the logical blocks of file entries inside
// the one partition the volume uses; the root is the file entry the file set descriptor
// names. Names compare case-folded. Block numbering starts at the partition.

#include "vfs/udf/udf_records.h"
#include "vfs/vfs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class cVUDF final : public cVFS {
public:
    // Type code and the partition's start sector.
    std::vector<std::uint8_t> GetIdentity() const override;
    std::uint32_t GetFSType() const override { return fstype::kUdf; }
    bool IsCaseSensitive() const override { return false; }
    bool HasUnicodeNames() const override { return true; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    // The anchor at partition sector 1024 (2 KiB blocks), 2048 (4 KiB) or 256 (512-byte
    // blocks), the main volume descriptor sequence and the file set descriptor.
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return rootId_; }
    // The parent entry comes first as "..", then the live entries in order.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;

    std::uint32_t GetBlockSize() const override { return volume_.blockSize; }
    std::uint64_t GetFirstBlockSector() const override {
        return std::uint64_t(volume_.partitionStart) * BlockSectors();
    }

    // Reads count blocks of the partition from block on; no unless all lie inside it and
    // were read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;
    // The file entry at a block of the partition, when it reads and passes its checks.
    std::optional<udf::cFileEntry> ReadEntry(std::uint64_t block, std::vector<std::uint8_t>& bytes);
    std::uint32_t BlockSectors() const { return volume_.blockSize / 512; }

private:
    // Reads one block of the volume (not of the partition) by its logical number.
    bool ReadVolumeBlock(std::uint64_t block, std::vector<std::uint8_t>& out) const;
    std::unique_ptr<cFSObject> EntryFrom(std::uint64_t id, const udf::cFileEntry& entry);
    std::unique_ptr<cObjectHandle> OpenEntry(std::uint64_t id);

    udf::cVolume volume_;
    std::uint64_t rootId_ = 0;
};
