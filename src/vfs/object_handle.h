#pragma once
// Open, read-only byte streams over one object of a file system. Handles hold a plain
// pointer to their reader and must not outlive it.

#include "vfs/run_list.h"

#include <cstdint>
#include <vector>

class cVFS;

class cObjectHandle {
public:
    cObjectHandle() = default;
    cObjectHandle(const cObjectHandle&) = delete;
    cObjectHandle& operator=(const cObjectHandle&) = delete;
    virtual ~cObjectHandle() = default;

    // Bound to a file system.
    virtual bool IsOpen() const { return false; }
    // Sets the position, clamped to the size; answers the position set.
    virtual std::uint64_t Seek(std::uint64_t position) = 0;
    // Copies up to length bytes from the position and advances it; answers the count
    // copied. A failed storage read ends the call short with what was copied so far.
    virtual std::uint32_t Read(void* buffer, std::uint32_t length) = 0;
    virtual std::uint64_t GetSize() const { return 0; }
    // The object is known to be incomplete: some of its GetSize() bytes cannot be read,
    // and a Read comes back short where they begin. Known once the handle is open.
    virtual bool IsDamaged() const { return false; }
};

// A file of size 0.
class cEmptyObjectHandle final : public cObjectHandle {
public:
    bool IsOpen() const override { return true; }
    std::uint64_t Seek(std::uint64_t) override { return 0; }
    std::uint32_t Read(void*, std::uint32_t) override { return 0; }
};

// One contiguous byte range of the storage (a FAT12/16 root folder, a resident stream).
class cLinearObjectHandle final : public cObjectHandle {
public:
    // start is an absolute byte offset on the reader's storage.
    cLinearObjectHandle(cVFS* fileSystem, std::uint64_t start, std::uint64_t size)
        : fileSystem_(fileSystem), start_(start), size_(size) {}

    bool IsOpen() const override { return fileSystem_ != nullptr; }
    std::uint64_t Seek(std::uint64_t position) override;
    // All or nothing: a failed storage read answers 0 and keeps the position.
    std::uint32_t Read(void* buffer, std::uint32_t length) override;
    std::uint64_t GetSize() const override { return size_; }

private:
    cVFS* fileSystem_;
    std::uint64_t start_;
    std::uint64_t position_ = 0;
    std::uint64_t size_;
};

// An object described by a run list. Subclasses read one unit with ReadBlock; the handle
// keeps exactly one decoded unit and loads another only when the position leaves it.
class cRLDrivenObjectHandle : public cObjectHandle {
public:
    explicit cRLDrivenObjectHandle(cVFS* fileSystem) : fileSystem_(fileSystem) {}

    bool IsOpen() const override { return fileSystem_ != nullptr; }
    std::uint64_t Seek(std::uint64_t position) override;
    std::uint32_t Read(void* buffer, std::uint32_t length) override;
    std::uint64_t GetSize() const override { return size_; }
    bool IsDamaged() const override { return damaged_; }

    // Reads the allocation unit numbered physicalUnit (in the runs' numbering) into buffer,
    // which holds UnitBufferSize() bytes. No on any failure, short reads included.
    virtual bool ReadBlock(std::uint8_t* buffer, std::uint64_t physicalUnit) = 0;
    // Reads count whole units from physicalUnit on straight into buffer (count ×
    // UnitSize() bytes). Readers whose units lie back to back on the storage override it,
    // so that a long run costs one storage read instead of one per unit; the default
    // answers no and Read takes one unit at a time through the unit buffer.
    virtual bool ReadBlocks(std::uint8_t* buffer, std::uint64_t physicalUnit, std::uint64_t count) {
        return false;
    }

    // Setting up, while a reader builds the handle.
    // Bytes per logical unit; the unit buffer holds bufferSize bytes (at least unitSize).
    void SetUnitSize(std::uint32_t unitSize, std::uint32_t bufferSize = 0);
    // Run units per logical unit; 1 unless the reader numbers its runs more finely.
    void SetUnitsPerBlock(std::uint32_t unitsPerBlock) { unitsPerBlock_ = unitsPerBlock; }
    void SetSize(std::uint64_t size) { size_ = size; }
    void SetDamaged(bool damaged) { damaged_ = damaged; }
    // Appends count units at physicalStart (cRun::kSparse for a hole) to the run list.
    bool AppendRun(std::uint64_t physicalStart, std::uint64_t count) {
        return runs_.Append(physicalStart, count, unitsPerBlock_);
    }

    const cRunList& Runs() const { return runs_; }
    std::uint32_t UnitSize() const { return unitSize_; }
    std::uint32_t UnitBufferSize() const { return std::uint32_t(unitBuffer_.size()); }

protected:
    cVFS* FileSystem() const { return fileSystem_; }

private:
    bool LoadUnit(std::uint64_t logicalUnit);
    // Whole units from the unit-aligned position, read past the unit buffer; 0 when the
    // direct path does not apply or fails (the caller then goes unit by unit).
    std::uint32_t ReadWholeUnits(std::uint8_t* out, std::uint32_t length);

    static constexpr std::uint64_t kNoUnit = ~std::uint64_t(0);

    cVFS* fileSystem_;
    std::uint64_t size_ = 0;
    cRunList runs_;
    std::uint64_t position_ = 0;
    std::uint64_t cachedUnit_ = kNoUnit;
    std::vector<std::uint8_t> unitBuffer_;
    std::uint32_t unitSize_ = 0;
    std::uint32_t unitsPerBlock_ = 1;
    bool damaged_ = false;
};
