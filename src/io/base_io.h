#pragma once
// The block interface every storage is read through: physical drives, floppy and CD/DVD
// drives, plain image files and the container formats. Positions and counts are always
// in 512-byte units, whatever the device's own sector size; byte offsets are 64-bit.
//
// A reader is opened from a storage resource, a small value object naming where its bytes
// come from (a file path, a device number, another reader). Keeping that resource lets a
// reader duplicate itself for another thread and lets the storage list compare readers.
//
// Failures are results, never exceptions: no, 0, a short count, or -1 from SeekSector.
// A reader has one position and no lock: one thread uses it at a time, and a thread that
// reads in parallel works on its own Duplicate().

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::uint32_t kSectorSize = 512;

// What GetStorageKind answers. Several kinds are names only, kept so that saved results
// naming them still show a text.
namespace storage_kind {
inline constexpr std::uint32_t kNoDevice = 1;
inline constexpr std::uint32_t kWindowsDisk = 2;
inline constexpr std::uint32_t kCdDvd = 3;
inline constexpr std::uint32_t kLocalDrive = 4;
inline constexpr std::uint32_t kWinCeStorage = 5;
inline constexpr std::uint32_t kWinCeSystemStorage = 6;
inline constexpr std::uint32_t kDiskImage = 7;
inline constexpr std::uint32_t kVirtualRaid = 8;
inline constexpr std::uint32_t kBlockDevice = 9;
inline constexpr std::uint32_t kVmdk = 10;
inline constexpr std::uint32_t kVhd = 11;
inline constexpr std::uint32_t kParallels = 12;
inline constexpr std::uint32_t kDmg = 13;
inline constexpr std::uint32_t kUci = 14;
inline constexpr std::uint32_t kKvbSparse = 15;
inline constexpr std::uint32_t kVfsVirtualImage = 16;
inline constexpr std::uint32_t kStoragePartition = 18;
} // namespace storage_kind

// The text shown for a storage kind; "Unknown" for any number without one.
std::u16string_view StorageKindText(std::uint32_t kind);

// What a reader's Open accepts (GetResourceKind) and what a resource is (GetKind).
namespace resource_kind {
inline constexpr std::uint32_t kNone = 1;   // cDummyIO
inline constexpr std::uint32_t kFile = 2;   // cNamedFileResource
inline constexpr std::uint32_t kDevice = 3; // cNumberedDeviceResource
inline constexpr std::uint32_t kNested = 4; // cNastedIOResource
inline constexpr std::uint32_t kChain = 5;  // cNastedIOResourceChain
} // namespace resource_kind

class cBaseIoResource;

// Bytes per sector, sectors per track, heads.
struct cDiskGeometry {
    std::uint32_t bytesPerSector = kSectorSize;
    std::uint32_t sectorsPerTrack = 63;
    std::uint32_t heads = 255;
};

// Optional observer of ReadSectors; nothing in the program depends on what it is told.
// Readers that transfer from a store say so once before the transfer; readers that build
// a request from pieces (containers, the dummy reader) report each piece: how many
// sectors were delivered before it, how many it holds, and whether it came from the store
// (true) or was filled with zeros (false).
class cReadNotify {
public:
    virtual ~cReadNotify() = default;
    virtual void OnPiece(std::uint64_t deliveredBefore, std::uint32_t count, bool stored) {}
    virtual void OnTransferStart() {}
};

// The selection for WriteSelected: bit i says whether sector first + i is written.
class cSectorBits {
public:
    virtual ~cSectorBits() = default;
    virtual bool Get(std::uint64_t index) const = 0;
};

class cBaseIO {
public:
    cBaseIO() = default;
    cBaseIO(const cBaseIO&) = delete;
    cBaseIO& operator=(const cBaseIO&) = delete;
    virtual ~cBaseIO();

    // A new reader of the same class opened on a copy of this reader's resource with the
    // same read-only flag; null when that open fails.
    virtual std::unique_ptr<cBaseIO> Duplicate() const = 0;
    // No for null or a different storage kind; otherwise the resources' IsSame.
    virtual bool IsSameStorage(const cBaseIO* other) const;
    // Back to the closed state (read-only, size 0). Answers 0.
    virtual std::uint32_t Reset();
    // Closes the handle: read-only, size 0, position 0. Answers 0.
    virtual std::uint32_t Close();
    // Switches an open reader between read-only and writable by reopening it. The base
    // only agrees when nothing would change.
    virtual bool SetReadOnly(bool readOnly);
    // Opens from a resource of GetResourceKind(); any other kind fails.
    virtual bool Open(const cBaseIoResource* resource, bool readOnly);
    // Makes a new backing store of sectorCount sectors; the count, or 0 on failure.
    virtual std::uint64_t Create(const cBaseIoResource* resource, std::uint64_t sectorCount,
                                 bool keepOpen);
    // The position for ReadSectors; the position set, or -1.
    virtual std::int64_t SeekSector(std::uint64_t sector);
    // Reads count sectors at the position and advances it by what was read; answers the
    // number of whole sectors read. A short count means the rest was not read. Overrides
    // repeat the default argument so that calls through any type look the same.
    virtual std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                                      cReadNotify* notify = nullptr);
    // The sectors an uncached read transfers together: 1, or a device's own sector in
    // 512-byte units when that is larger (8 on a drive with 4096-byte sectors).
    virtual std::uint32_t UncachedUnit() const;
    // Reads the unit at first (a multiple of UncachedUnit()) past any cache the system
    // keeps, so that an unreadable sector fails alone rather than with the whole cached
    // page around it. Answers the sectors read, short when the unit cannot be read or at
    // the end of the storage, and leaves the position behind them as SeekSector(first) and
    // ReadSectors would. The base does exactly that, for readers without a cache below
    // them (or that know no way around it).
    virtual std::uint32_t ReadUncached(std::uint64_t first, void* buffer);
    // Writes the sectors whose bit is set, each run of set bits in one WriteSectors; with
    // no bit set this is WriteSectors. Answers count, or where the first short run began.
    virtual std::uint32_t WriteSelected(std::uint64_t first, const void* buffer,
                                        std::uint32_t count, const cSectorBits* bits);
    // Writes count sectors at first; answers the number of whole sectors written.
    virtual std::uint32_t WriteSectors(std::uint64_t first, const void* buffer,
                                       std::uint32_t count);
    // A byte range that need not be sector aligned; yes when every byte was transferred.
    // The base walks a partial head sector, the whole middle in one request, and a
    // partial tail sector, through a scratch sector.
    virtual bool ReadBytes(void* buffer, std::uint64_t offset, std::uint32_t length);
    virtual bool WriteBytes(const void* buffer, std::uint64_t offset, std::uint32_t length);
    virtual bool SetSectorCount(std::uint64_t count);
    virtual std::uint64_t GetSectorCount() const;
    virtual std::uint64_t GetByteSize() const;
    virtual std::uint32_t GetStorageKind() const;
    virtual std::uint32_t GetResourceKind() const;
    virtual bool GetGeometry(cDiskGeometry& geometry) const;
    // The display text of the storage, replacing name; no when the reader cannot give
    // one (device readers while closed). There is no capacity: the whole text is given.
    virtual bool GetName(std::u16string& name) const;
    // The resource the reader was opened from, or null (closed, or a reader without one).
    virtual const cBaseIoResource* GetResource() const;

    bool IsReadOnly() const { return readOnly_; }
    // Short name (file name, or the device's GetName at open) and the full path.
    const std::u16string& DisplayName() const { return displayName_; }
    const std::u16string& Path() const { return path_; }

protected:
    bool readOnly_ = true;
    std::u16string displayName_;
    std::u16string path_;

private:
    std::uint8_t* Scratch();

    std::vector<std::uint8_t> scratch_;
};

// Where a reader's bytes come from. Resources are values embedded in the reader that was
// opened from them; they are never owned through this base, hence no virtual destructor.
class cBaseIoResource {
public:
    virtual std::uint32_t GetKind() const = 0;
    // Takes over the value of a resource of the same kind; no for any other kind.
    virtual bool AssignFrom(const cBaseIoResource& source) = 0;
    // No for null or a different kind; otherwise the value comparison of the class.
    virtual bool IsSame(const cBaseIoResource* other) const = 0;

protected:
    cBaseIoResource() = default;
    cBaseIoResource(const cBaseIoResource&) = default;
    cBaseIoResource& operator=(const cBaseIoResource&) = default;
    ~cBaseIoResource() = default;
};

// A file path; equal when the paths are equal code unit by code unit.
class cNamedFileResource final : public cBaseIoResource {
public:
    cNamedFileResource() = default;
    explicit cNamedFileResource(std::u16string path) : path_(std::move(path)) {}

    std::uint32_t GetKind() const override { return resource_kind::kFile; }
    bool AssignFrom(const cBaseIoResource& source) override;
    bool IsSame(const cBaseIoResource* other) const override;

    const std::u16string& Path() const { return path_; }

private:
    std::u16string path_;
};

// A device number: the drive number of a physical drive, or a floppy or CD/DVD drive's
// number.
class cNumberedDeviceResource final : public cBaseIoResource {
public:
    cNumberedDeviceResource() = default;
    explicit cNumberedDeviceResource(std::uint32_t number) : number_(number) {}

    std::uint32_t GetKind() const override { return resource_kind::kDevice; }
    bool AssignFrom(const cBaseIoResource& source) override;
    bool IsSame(const cBaseIoResource* other) const override;

    std::uint32_t Number() const { return number_; }

private:
    std::uint32_t number_ = 0;
};

// Another reader, owned: a container reader reads its carrier through the duplicate it
// holds here. Equal when the wrapped readers are the same storage.
class cNastedIOResource final : public cBaseIoResource {
public:
    cNastedIOResource();
    explicit cNastedIOResource(std::unique_ptr<cBaseIO> reader);
    cNastedIOResource(const cNastedIOResource&) = delete;
    cNastedIOResource& operator=(const cNastedIOResource&) = delete;
    ~cNastedIOResource();

    std::uint32_t GetKind() const override { return resource_kind::kNested; }
    // Refuses a source holding no reader or whose reader cannot be duplicated; otherwise
    // holds a duplicate of the source's reader in place of its own.
    bool AssignFrom(const cBaseIoResource& source) override;
    bool IsSame(const cBaseIoResource* other) const override;

    cBaseIO* Reader() const { return reader_.get(); }

private:
    std::unique_ptr<cBaseIO> reader_;
};

// One piece of a chain: an owned reader and the run of sectors it contributes.
struct cListBaseIOItem {
    std::unique_ptr<cBaseIO> reader;
    std::uint64_t start = 0;
    std::uint64_t count = 0;
};

// An ordered list of readers, each with a start sector and a count. No reader of the
// program opens from a chain yet; the class exists so that resources compare and copy.
class cNastedIOResourceChain final : public cBaseIoResource {
public:
    cNastedIOResourceChain();
    cNastedIOResourceChain(const cNastedIOResourceChain&) = delete;
    cNastedIOResourceChain& operator=(const cNastedIOResourceChain&) = delete;
    ~cNastedIOResourceChain();

    std::uint32_t GetKind() const override { return resource_kind::kChain; }
    // Empties this chain, then appends a duplicate of each source item in order. When a
    // reader cannot be duplicated the chain is left empty and the answer is no: a chain
    // with a hole would read the wrong bytes.
    bool AssignFrom(const cBaseIoResource& source) override;
    // Same length, and each item's reader the same storage in order.
    bool IsSame(const cBaseIoResource* other) const override;

    void Append(std::unique_ptr<cBaseIO> reader, std::uint64_t start, std::uint64_t count);
    const std::vector<cListBaseIOItem>& Items() const { return items_; }

private:
    std::vector<cListBaseIOItem> items_;
};
