#include "io/containers/vhd_io.h"

#include "base/bytes.h"
#include "base/checked.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

constexpr char kFooterCookie[] = "conectix";
constexpr char kHeaderCookie[] = "cxsparse";
constexpr std::uint32_t kFixedDisk = 2;
constexpr std::uint32_t kDynamicDisk = 3;
constexpr std::uint32_t kNotStored = 0xFFFFFFFF;
constexpr std::size_t kHeaderSize = 1024;
// Blocks are a few MiB; the bitmaps of 256 cached blocks stay small with this bound.
constexpr std::uint32_t kMaxBlockSectors = 1u << 19;

// Values Create writes.
constexpr std::uint32_t kNewBlockSectors = 4096;
constexpr std::uint64_t kNewTableOffset = 1536;
// The geometry's limit: beyond it the size comes from the footer's size field alone.
constexpr std::uint64_t kMaxGeometrySectors = 65535ull * 16 * 255;
// Seconds from 1970-01-01 to 2000-01-01, the format's epoch.
constexpr std::uint64_t kEpoch2000 = 946684800;

bool HasCookie(const std::uint8_t* bytes, const char* cookie) {
    return std::memcmp(bytes, cookie, 8) == 0;
}

// The one's complement of the byte sum, the checksum field itself counted as zeros.
std::uint32_t Checksum(const std::uint8_t* bytes, std::size_t size, std::size_t field) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (i < field || i >= field + 4) {
            sum += bytes[i];
        }
    }
    return ~sum;
}

struct cChs {
    std::uint32_t cylinders = 0;
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint64_t Sectors() const { return std::uint64_t(cylinders) * heads * sectorsPerTrack; }
};

// The published geometry of a disk of this many sectors (it may describe a little less).
cChs Geometry(std::uint64_t sectors) {
    const std::uint64_t total = std::min(sectors, kMaxGeometrySectors);
    std::uint64_t sectorsPerTrack;
    std::uint64_t heads;
    std::uint64_t cylinderTimesHeads;
    if (total >= 65535ull * 16 * 63) {
        sectorsPerTrack = 255;
        heads = 16;
        cylinderTimesHeads = total / sectorsPerTrack;
    } else {
        sectorsPerTrack = 17;
        cylinderTimesHeads = total / sectorsPerTrack;
        heads = std::max<std::uint64_t>((cylinderTimesHeads + 1023) / 1024, 4);
        if (cylinderTimesHeads >= heads * 1024 || heads > 16) {
            sectorsPerTrack = 31;
            heads = 16;
            cylinderTimesHeads = total / sectorsPerTrack;
        }
        if (cylinderTimesHeads >= heads * 1024) {
            sectorsPerTrack = 63;
            heads = 16;
            cylinderTimesHeads = total / sectorsPerTrack;
        }
    }
    return {std::uint32_t(cylinderTimesHeads / heads), std::uint32_t(heads),
            std::uint32_t(sectorsPerTrack)};
}

// The first geometry holding at least capacity sectors, as readers that size a disk by
// its geometry need.
cChs GeometryHolding(std::uint64_t capacity) {
    cChs chs = Geometry(capacity);
    for (std::uint64_t more = 1; chs.Sectors() < capacity && capacity + more <= kMaxGeometrySectors;
         ++more) {
        chs = Geometry(capacity + more);
    }
    return chs;
}

} // namespace

std::unique_ptr<cContainerIO> cMSVpcIO::MakeEmpty() const {
    return std::make_unique<cMSVpcIO>();
}

bool cMSVpcIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = geometry_;
    return true;
}

void cMSVpcIO::CloseFormat() {
    dynamic_ = false;
    footer_.fill(0);
    tableOffset_ = 0;
    tableEntries_ = 0;
    blockSectors_ = 0;
    bitmapSectors_ = 0;
    blocks_.Clear();
    geometry_ = cDiskGeometry{};
}

bool cMSVpcIO::OpenFormat() {
    // A dynamic disk's footer copy leads the file; a fixed disk has only the trailing one.
    const std::uint64_t size = CarrierBytes();
    bool leading =
        ReadCarrier(footer_.data(), 0, kSectorSize) && HasCookie(footer_.data(), kFooterCookie);
    if (!leading &&
        (size < 2 * kSectorSize || !ReadCarrier(footer_.data(), size - kSectorSize, kSectorSize) ||
         !HasCookie(footer_.data(), kFooterCookie))) {
        return false;
    }
    const std::uint32_t type = bytes::Be32<60>(footer_);
    const std::uint64_t diskBytes = bytes::Be64<48>(footer_);
    if (footer_[58] != 0 && footer_[59] != 0) {
        geometry_.heads = footer_[58];
        geometry_.sectorsPerTrack = footer_[59];
    }
    sectorCount_ = diskBytes / kSectorSize;
    if (type == kFixedDisk && !leading) {
        // The disk is what precedes the footer, and no more than that.
        return sectorCount_ <= (size - kSectorSize) / kSectorSize;
    }
    return type == kDynamicDisk && OpenDynamic(bytes::Be64<16>(footer_));
}

bool cMSVpcIO::OpenDynamic(std::uint64_t headerOffset) {
    std::array<std::uint8_t, kHeaderSize> header;
    if (!ReadCarrier(header.data(), headerOffset, header.size()) ||
        !HasCookie(header.data(), kHeaderCookie)) {
        return false;
    }
    tableOffset_ = bytes::Be64<16>(header);
    tableEntries_ = bytes::Be32<28>(header);
    const std::uint32_t blockBytes = bytes::Be32<32>(header);
    blockSectors_ = blockBytes / kSectorSize;
    if (blockBytes % kSectorSize != 0 || blockSectors_ == 0 || blockSectors_ > kMaxBlockSectors) {
        return false;
    }
    // One bit per sector of the block, in whole sectors.
    bitmapSectors_ = (blockSectors_ / 8 + kSectorSize - 1) / kSectorSize;
    const std::optional<std::uint64_t> tableEnd =
        checked::Add<std::uint64_t>(tableOffset_, std::uint64_t(tableEntries_) * 4);
    if (!tableEnd || *tableEnd > CarrierBytes()) {
        return false;
    }
    dynamic_ = true;
    return true;
}

std::optional<std::uint32_t> cMSVpcIO::Allocate(std::uint64_t block) {
    cBaseIO& carrier = Carrier();
    const std::uint64_t end = carrier.GetSectorCount();
    if (end < 2 || end > UINT32_MAX) {
        return std::nullopt;
    }
    // The footer's sector becomes the block's bitmap; the footer follows the block.
    const std::uint64_t start = end - 1;
    const std::uint64_t footer = start + bitmapSectors_ + blockSectors_;
    const std::vector<std::uint8_t> bitmap(std::size_t(bitmapSectors_) * kSectorSize, 0);
    std::uint8_t entry[4];
    bytes::PutBe32(entry, std::uint32_t(start));
    if (!carrier.SetSectorCount(footer + 1) ||
        carrier.WriteSectors(footer, footer_.data(), 1) != 1 ||
        carrier.WriteSectors(start, bitmap.data(), bitmapSectors_) != bitmapSectors_ ||
        !carrier.WriteBytes(entry, tableOffset_ + block * 4, 4)) {
        return std::nullopt;
    }
    return std::uint32_t(start);
}

cContainerIO::cPiece cMSVpcIO::Locate(std::uint64_t sector, std::uint32_t count, bool allocate) {
    if (!dynamic_) {
        return Stored(sector, count);
    }
    const std::uint64_t block = sector / blockSectors_;
    const std::uint32_t within = std::uint32_t(sector % blockSectors_);
    const std::uint32_t n = std::min(count, blockSectors_ - within);
    if (block >= tableEntries_) {
        return allocate ? Failed() : Zeros(n);
    }
    cBlock* found = blocks_.Find(block);
    if (!found) {
        std::uint8_t raw[4];
        if (!ReadCarrier(raw, tableOffset_ + block * 4, sizeof raw)) {
            return Failed();
        }
        std::uint32_t entry = bytes::unchecked::Be32(raw);
        if (entry == kNotStored) {
            if (!allocate) {
                return Zeros(n);
            }
            const std::optional<std::uint32_t> placed = Allocate(block);
            if (!placed) {
                return Failed();
            }
            entry = *placed;
        }
        found = &blocks_.Take(block);
        found->dataStart = std::uint64_t(entry) + bitmapSectors_;
        // Reads do not need the bitmap; the first write loads it.
        found->bitmap.clear();
    }
    return Stored(found->dataStart + within, n);
}

bool cMSVpcIO::AfterWrite(std::uint64_t sector, std::uint32_t count) {
    if (!dynamic_) {
        return true;
    }
    // Locate has just cached the block.
    cBlock* found = blocks_.Find(sector / blockSectors_);
    if (!found) {
        return false;
    }
    const std::uint64_t bitmapSector = found->dataStart - bitmapSectors_;
    if (found->bitmap.empty()) {
        found->bitmap.resize(std::size_t(bitmapSectors_) * kSectorSize);
        if (!ReadCarrier(found->bitmap.data(), bitmapSector * kSectorSize,
                         std::uint32_t(found->bitmap.size()))) {
            found->bitmap.clear();
            return false;
        }
    }
    // One bit per sector, the most significant bit first.
    for (std::uint32_t i = std::uint32_t(sector % blockSectors_), end = i + count; i < end; ++i) {
        found->bitmap[i / 8] |= std::uint8_t(0x80 >> (i % 8));
    }
    return Carrier().WriteSectors(bitmapSector, found->bitmap.data(), bitmapSectors_) ==
           bitmapSectors_;
}

std::uint64_t cMSVpcIO::Create(const cBaseIoResource* resource, std::uint64_t capacity,
                               bool keepOpen) {
    cBaseIO* carrier = WritableCarrier(resource);
    if (!carrier || capacity == 0) {
        return 0;
    }
    Close();
    const cChs chs = GeometryHolding(capacity);
    const std::uint64_t sectors = std::max(chs.Sectors(), capacity);
    const std::uint64_t entries = (sectors + kNewBlockSectors - 1) / kNewBlockSectors;
    if (entries > UINT32_MAX / 4) {
        return 0;
    }
    const std::uint64_t tableSectors = (entries * 4 + kSectorSize - 1) / kSectorSize;
    const std::uint64_t footerSector = kNewTableOffset / kSectorSize + tableSectors;

    std::array<std::uint8_t, 512> footer{};
    std::memcpy(footer.data(), kFooterCookie, 8);
    bytes::PutBe32(&footer[8], 2);            // features: reserved bit always set
    bytes::PutBe32(&footer[12], 0x10000);     // format version 1.0
    bytes::PutBe64(&footer[16], kSectorSize); // the dynamic header follows the footer copy
    const std::uint64_t now = std::uint64_t(std::time(nullptr));
    bytes::PutBe32(&footer[24], std::uint32_t(now > kEpoch2000 ? now - kEpoch2000 : 0));
    std::memcpy(&footer[28], "vpc ", 4);
    bytes::PutBe32(&footer[32], 0x00050003);
    std::memcpy(&footer[36], "Wi2k", 4);
    bytes::PutBe64(&footer[40], sectors * kSectorSize);
    bytes::PutBe64(&footer[48], sectors * kSectorSize);
    bytes::PutBe16(&footer[56], std::uint16_t(chs.cylinders));
    footer[58] = std::uint8_t(chs.heads);
    footer[59] = std::uint8_t(chs.sectorsPerTrack);
    bytes::PutBe32(&footer[60], kDynamicDisk);
    static const std::uint8_t kUniqueId[16] = {0x44, 0x72, 0x6f, 0x76, 0x69, 0x6b, 0x20, 0x56,
                                               0x48, 0x44, 0x20, 0x64, 0x69, 0x73, 0x6b, 0x31};
    std::memcpy(&footer[68], kUniqueId, sizeof kUniqueId);
    bytes::PutBe32(&footer[64], Checksum(footer.data(), footer.size(), 64));

    std::vector<std::uint8_t> head(std::size_t(footerSector + 1) * kSectorSize, 0);
    std::memcpy(head.data(), footer.data(), footer.size());
    std::uint8_t* header = head.data() + kSectorSize;
    std::memcpy(header, kHeaderCookie, 8);
    bytes::PutBe64(header + 8, ~std::uint64_t(0));
    bytes::PutBe64(header + 16, kNewTableOffset);
    bytes::PutBe32(header + 24, 0x10000);
    bytes::PutBe32(header + 28, std::uint32_t(entries));
    bytes::PutBe32(header + 32, kNewBlockSectors * kSectorSize);
    bytes::PutBe32(header + 36, Checksum(header, kHeaderSize, 36));
    std::fill(head.begin() + kNewTableOffset, head.end() - kSectorSize, 0xFF);
    std::memcpy(head.data() + footerSector * kSectorSize, footer.data(), footer.size());

    const std::uint32_t total = std::uint32_t(footerSector + 1);
    if (!carrier->SetSectorCount(0) || !carrier->SetSectorCount(total) ||
        carrier->WriteSectors(0, head.data(), total) != total) {
        return 0;
    }
    if (keepOpen && !Open(resource, false)) {
        return 0;
    }
    return sectors;
}
