#include "io/containers/parallels_io.h"

#include "base/bytes.h"
#include "base/checked.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr char kOlderMagic[] = "WithoutFreeSpace";
constexpr char kNewerMagic[] = "WithouFreSpacExt";
constexpr std::size_t kHeaderSize = 64;
// Writers use blocks of 1 MiB or less; far larger is damage.
constexpr std::uint32_t kMaxBlockSectors = 1u << 22;
constexpr std::uint64_t kMaxSectors = std::uint64_t(INT64_MAX) / kSectorSize;

// Values Create writes.
constexpr std::uint32_t kNewHeads = 16;
constexpr std::uint32_t kNewBlockSectors = 63;

} // namespace

std::unique_ptr<cContainerIO> cParallelsIO::MakeEmpty() const {
    return std::make_unique<cParallelsIO>();
}

bool cParallelsIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = geometry_;
    return true;
}

void cParallelsIO::CloseFormat() {
    blockSectors_ = 0;
    tableEntries_ = 0;
    entryUnit_ = 1;
    blocks_.Clear();
    geometry_ = cDiskGeometry{};
}

bool cParallelsIO::OpenFormat() {
    std::array<std::uint8_t, kHeaderSize> header;
    if (!ReadCarrier(header.data(), 0, header.size())) {
        return false;
    }
    const bool newer = std::memcmp(header.data(), kNewerMagic, 16) == 0;
    if (!newer && std::memcmp(header.data(), kOlderMagic, 16) != 0) {
        return false;
    }
    blockSectors_ = bytes::Le32<28>(header);
    tableEntries_ = bytes::Le32<32>(header);
    // The older writers left the high half of the count undefined.
    sectorCount_ = newer ? bytes::Le64<36>(header) : bytes::Le32<36>(header);
    if (blockSectors_ == 0 || blockSectors_ > kMaxBlockSectors || sectorCount_ > kMaxSectors ||
        !bytes::Fits(CarrierBytes(), kHeaderSize, std::uint64_t(tableEntries_) * 4)) {
        return false;
    }
    entryUnit_ = newer ? blockSectors_ : 1;
    const std::uint32_t heads = bytes::Le32<20>(header);
    if (!newer && heads != 0 && heads <= 255 && blockSectors_ <= 255) {
        geometry_.heads = heads;
        geometry_.sectorsPerTrack = blockSectors_;
    }
    return true;
}

std::optional<std::uint64_t> cParallelsIO::Allocate(std::uint64_t block) {
    cBaseIO& carrier = Carrier();
    // Blocks of the newer generation start on a whole block of the file.
    const std::uint64_t end = carrier.GetSectorCount();
    const std::uint64_t start = (end + entryUnit_ - 1) / entryUnit_ * entryUnit_;
    const std::uint64_t entry = start / entryUnit_;
    std::uint8_t raw[4];
    bytes::PutLe32(raw, std::uint32_t(entry));
    if (entry > UINT32_MAX || !carrier.SetSectorCount(start + blockSectors_) ||
        !carrier.WriteBytes(raw, kHeaderSize + block * 4, sizeof raw)) {
        return std::nullopt;
    }
    return start;
}

cContainerIO::cPiece cParallelsIO::Locate(std::uint64_t sector, std::uint32_t count,
                                          bool allocate) {
    const std::uint64_t block = sector / blockSectors_;
    const std::uint32_t within = std::uint32_t(sector % blockSectors_);
    const std::uint32_t n = std::min(count, blockSectors_ - within);
    if (block >= tableEntries_) {
        return allocate ? Failed() : Zeros(n);
    }
    if (const std::uint64_t* start = blocks_.Find(block)) {
        return Stored(*start + within, n);
    }
    std::uint8_t raw[4];
    if (!ReadCarrier(raw, kHeaderSize + block * 4, sizeof raw)) {
        return Failed();
    }
    std::optional<std::uint64_t> start;
    if (const std::uint32_t entry = bytes::unchecked::Le32(raw); entry != 0) {
        start = std::uint64_t(entry) * entryUnit_;
    } else if (!allocate) {
        return Zeros(n);
    } else if (start = Allocate(block); !start) {
        return Failed();
    }
    blocks_.Take(block) = *start;
    return Stored(*start + within, n);
}

std::uint64_t cParallelsIO::Create(const cBaseIoResource* resource, std::uint64_t capacity,
                                   bool keepOpen) {
    cBaseIO* carrier = WritableCarrier(resource);
    constexpr std::uint64_t kCylinder = kNewHeads * kNewBlockSectors;
    const std::uint64_t rounded = (capacity + kCylinder - 1) / kCylinder * kCylinder;
    const std::uint64_t entries = rounded / kNewBlockSectors;
    if (!carrier || capacity == 0 || rounded > UINT32_MAX) {
        return 0;
    }
    Close();
    const std::uint64_t sectors = (kHeaderSize + entries * 4 + kSectorSize - 1) / kSectorSize;
    std::vector<std::uint8_t> head(std::size_t(sectors) * kSectorSize, 0);
    std::memcpy(head.data(), kOlderMagic, 16);
    bytes::PutLe32(&head[16], 2);
    bytes::PutLe32(&head[20], kNewHeads);
    bytes::PutLe32(&head[24], std::uint32_t(rounded / kCylinder));
    bytes::PutLe32(&head[28], kNewBlockSectors);
    bytes::PutLe32(&head[32], std::uint32_t(entries));
    bytes::PutLe64(&head[36], rounded);
    bytes::PutLe32(&head[48], std::uint32_t(sectors));
    if (!carrier->SetSectorCount(0) || !carrier->SetSectorCount(sectors) ||
        carrier->WriteSectors(0, head.data(), std::uint32_t(sectors)) != sectors) {
        return 0;
    }
    if (keepOpen && !Open(resource, false)) {
        return 0;
    }
    return rounded;
}
