#pragma once
// What every container reader shares: it reads a carrier (the reader of the container
// file, a duplicate held by its nested resource) and presents the disk inside as 512-byte
// sectors. A format only says where a run of the disk's sectors lives (Locate); reads and
// writes are split here at those runs, so contiguous stored data within a block is one
// carrier transfer.
//
// Writes allocate blocks on demand and so change the container; they are only ever made
// to containers the user created (Create), never to a storage opened for recovery, which
// the storage list opens read-only.

#include "io/base_io.h"

#include <cstdint>
#include <memory>
#include <optional>

class cContainerIO : public cBaseIO {
public:
    ~cContainerIO() override;

    std::unique_ptr<cBaseIO> Duplicate() const override;
    std::uint32_t Reset() override;
    std::uint32_t Close() override;
    // Switches the carrier first; read-only formats only agree when nothing changes.
    bool SetReadOnly(bool readOnly) override;
    // The resource must be a nested reader; a writable open needs a writable carrier and
    // a format that writes.
    bool Open(const cBaseIoResource* resource, bool readOnly) override;
    // The position is cut to the disk's end.
    std::int64_t SeekSector(std::uint64_t sector) override;
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    std::uint32_t WriteSectors(std::uint64_t first, const void* buffer,
                               std::uint32_t count) override;
    // A stored sector is read past the carrier's cache as well; others as ReadSectors.
    std::uint32_t ReadUncached(std::uint64_t first, void* buffer) override;
    std::uint64_t GetSectorCount() const override { return sectorCount_; }
    std::uint32_t GetResourceKind() const override { return resource_kind::kNested; }
    // The carrier's path.
    bool GetName(std::u16string& name) const override;
    const cBaseIoResource* GetResource() const override;

protected:
    // Where sectors of the disk are: count sectors from the asked one, never crossing a
    // block of the format.
    struct cPiece {
        enum class eKind { kStored, kZeros, kBuffer, kFailed };
        eKind kind = eKind::kFailed;
        std::uint32_t count = 0;
        // kStored: the carrier sector of the first one.
        std::uint64_t carrierSector = 0;
        // kBuffer: the first one's bytes, valid until the next Locate.
        const std::uint8_t* bytes = nullptr;
    };
    static cPiece Stored(std::uint64_t carrierSector, std::uint32_t count) {
        return {cPiece::eKind::kStored, count, carrierSector, nullptr};
    }
    static cPiece Zeros(std::uint32_t count) { return {cPiece::eKind::kZeros, count, 0, nullptr}; }
    static cPiece Buffered(const std::uint8_t* bytes, std::uint32_t count) {
        return {cPiece::eKind::kBuffer, count, 0, bytes};
    }
    static cPiece Failed() { return {}; }

    // A closed reader of the same class, for Duplicate.
    virtual std::unique_ptr<cContainerIO> MakeEmpty() const = 0;
    // Reads the format's headers from the carrier and sets sectorCount_; no when the
    // carrier holds no container of this format (or a damaged one).
    virtual bool OpenFormat() = 0;
    // Forgets what OpenFormat learnt.
    virtual void CloseFormat() = 0;
    // Whether an open container of this format may be written.
    virtual bool Writable() const { return true; }
    // sector < sectorCount_ and count > 0. With allocate, a block that is not stored is
    // allocated and the answer is kStored (or kFailed).
    virtual cPiece Locate(std::uint64_t sector, std::uint32_t count, bool allocate) = 0;
    // After count sectors from sector were written to the place Locate gave.
    virtual bool AfterWrite(std::uint64_t sector, std::uint32_t count) { return true; }

    cBaseIO& Carrier() const;
    // The carrier's bytes; no unless every byte was read.
    bool ReadCarrier(void* buffer, std::uint64_t offset, std::uint32_t length) const;
    // The carrier's size in bytes.
    std::uint64_t CarrierBytes() const;

    std::uint64_t sectorCount_ = 0;

private:
    std::optional<cNastedIOResource> resource_;
    std::uint64_t position_ = 0;
};

// The nested resource's reader when resource is one and holds a writable reader; for
// Create, which writes a new container through it.
cBaseIO* WritableCarrier(const cBaseIoResource* resource);
