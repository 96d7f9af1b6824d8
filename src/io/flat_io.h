#pragma once
// A plain file read as a storage: raw disk images, and the carrier every container
// format is read through. The size is the file's length in whole sectors; a trailing
// partial sector is not counted but stays reachable through ReadBytes.

#include "io/base_io.h"
#include "platform/storage_file.h"

class cFlatIO : public cBaseIO {
public:
    cFlatIO() = default;
    ~cFlatIO() override;

    std::unique_ptr<cBaseIO> Duplicate() const override;
    std::uint32_t Reset() override;
    std::uint32_t Close() override;
    bool SetReadOnly(bool readOnly) override;
    bool Open(const cBaseIoResource* resource, bool readOnly) override;
    // Creates (or replaces) the file with the given size; with keepOpen the reader stays
    // open on it for writing.
    std::uint64_t Create(const cBaseIoResource* resource, std::uint64_t sectorCount,
                         bool keepOpen) override;
    std::int64_t SeekSector(std::uint64_t sector) override;
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    // A device node's logical sector; a sector for image files.
    std::uint32_t UncachedUnit() const override { return uncachedUnit_; }
    std::uint32_t ReadUncached(std::uint64_t first, void* buffer) override;
    std::uint32_t WriteSectors(std::uint64_t first, const void* buffer,
                               std::uint32_t count) override;
    // Byte ranges go straight to the file, so the trailing partial sector is readable.
    bool ReadBytes(void* buffer, std::uint64_t offset, std::uint32_t length) override;
    // Writes never grow the file: a range past the last whole sector is cut there and
    // then answers no, because not every byte asked for was written.
    bool WriteBytes(const void* buffer, std::uint64_t offset, std::uint32_t length) override;
    bool SetSectorCount(std::uint64_t count) override;
    std::uint64_t GetSectorCount() const override { return sectorCount_; }
    // The exact length of the file, partial sector included.
    std::uint64_t GetByteSize() const override;
    std::uint32_t GetStorageKind() const override { return storage_kind::kDiskImage; }
    std::uint32_t GetResourceKind() const override { return resource_kind::kFile; }
    // The full path.
    bool GetName(std::u16string& name) const override;
    const cBaseIoResource* GetResource() const override { return &resource_; }

private:
    bool OpenFile(bool readOnly);

    platform::StorageFile file_;
    std::uint64_t sectorCount_ = 0;
    // The byte the next ReadSectors starts at; reads advance it by the bytes they got.
    std::uint64_t offset_ = 0;
    std::uint32_t uncachedUnit_ = 1;
    cNamedFileResource resource_;
};

// The name shown for a path: what follows its last separator ('\' when there is one,
// else '/'), separators at the very end ignored.
std::u16string FileDisplayName(const std::u16string& path);
