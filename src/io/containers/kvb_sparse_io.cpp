#include "io/containers/kvb_sparse_io.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "platform/clock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr char kMagic[] = "KVBSparF";
constexpr std::uint32_t kNotStored = 0xFFFFFFFF;
constexpr std::uint64_t kMapStart = kSectorSize;
constexpr std::uint32_t kMaxBlockSectors = 1u << 20;
constexpr std::uint64_t kMaxSectors = std::uint64_t(INT64_MAX) / kSectorSize;
// The largest volume Create makes: the map's entries then still count blocks in 32 bits.
constexpr std::uint64_t kMaxCapacity = 0x7FFFFFFF8000;

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t by) {
    return value / by + (value % by != 0 ? 1 : 0);
}

// Larger volumes get larger blocks, so that the map stays small.
std::uint32_t BlockSectorsFor(std::uint64_t capacity) {
    const std::pair<std::uint64_t, std::uint32_t> steps[] = {{1ull << 29, 128},
                                                             {1ull << 30, 512},
                                                             {1ull << 31, 1024},
                                                             {1ull << 38, 2048},
                                                             {1ull << 42, 8192}};
    for (const auto& [below, sectors] : steps) {
        if (capacity < below) {
            return sectors;
        }
    }
    return 32768;
}

} // namespace

std::unique_ptr<cContainerIO> cKVBSparseIO::MakeEmpty() const {
    return std::make_unique<cKVBSparseIO>();
}

bool cKVBSparseIO::IsSameStorage(const cBaseIO* other) const {
    const auto* sparse = dynamic_cast<const cKVBSparseIO*>(other);
    return sparse && GetResource() && sparse->GetResource() && sparse->identifier_ == identifier_;
}

bool cKVBSparseIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = {kSectorSize, 1, 1};
    return true;
}

void cKVBSparseIO::CloseFormat() {
    blockSectors_ = 0;
    blocks_ = 0;
    dataStart_ = 0;
    identifier_ = 0;
}

bool cKVBSparseIO::OpenFormat() {
    std::array<std::uint8_t, 28> header;
    if (!ReadCarrier(header.data(), 0, header.size()) ||
        std::memcmp(header.data(), kMagic, 8) != 0) {
        return false;
    }
    sectorCount_ = bytes::Le64<8>(header);
    blockSectors_ = bytes::Le32<16>(header);
    identifier_ = bytes::Le32<24>(header);
    if (blockSectors_ == 0 || blockSectors_ > kMaxBlockSectors || sectorCount_ > kMaxSectors) {
        return false;
    }
    blocks_ = CeilDiv(sectorCount_, blockSectors_);
    dataStart_ = 1 + CeilDiv(blocks_ * 4, kSectorSize);
    // The whole map lies in the file.
    return bytes::Fits(CarrierBytes(), kMapStart, blocks_ * 4);
}

cContainerIO::cPiece cKVBSparseIO::Locate(std::uint64_t sector, std::uint32_t count,
                                          bool allocate) {
    const std::uint64_t block = sector / blockSectors_;
    const std::uint32_t within = std::uint32_t(sector % blockSectors_);
    const std::uint32_t n = std::min(count, blockSectors_ - within);
    std::uint8_t raw[4];
    if (block >= blocks_ || !ReadCarrier(raw, kMapStart + block * 4, sizeof raw)) {
        return Failed();
    }
    std::uint32_t entry = bytes::unchecked::Le32(raw);
    if (entry == kNotStored) {
        if (!allocate) {
            return Zeros(n);
        }
        // Blocks are appended in the order they are first written.
        cBaseIO& carrier = Carrier();
        const std::uint64_t end = carrier.GetSectorCount();
        if (end < dataStart_ || (end - dataStart_) % blockSectors_ != 0 ||
            (end - dataStart_) / blockSectors_ >= kNotStored) {
            return Failed();
        }
        entry = std::uint32_t((end - dataStart_) / blockSectors_);
        bytes::PutLe32(raw, entry);
        if (!carrier.SetSectorCount(end + blockSectors_) ||
            !carrier.WriteBytes(raw, kMapStart + block * 4, sizeof raw)) {
            return Failed();
        }
    }
    return Stored(dataStart_ + std::uint64_t(entry) * blockSectors_ + within, n);
}

std::uint64_t cKVBSparseIO::Create(const cBaseIoResource* resource, std::uint64_t capacity,
                                   bool keepOpen) {
    cBaseIO* carrier = WritableCarrier(resource);
    if (!carrier || capacity == 0) {
        return 0;
    }
    Close();
    capacity = std::min(capacity, kMaxCapacity);
    const std::uint32_t blockSectors = BlockSectorsFor(capacity);
    const std::uint64_t blocks = CeilDiv(capacity, blockSectors);
    const std::uint64_t dataStart = 1 + CeilDiv(blocks * 4, kSectorSize);
    if (!carrier->SetSectorCount(0) || !carrier->SetSectorCount(dataStart)) {
        return 0;
    }
    std::vector<std::uint8_t> header(kSectorSize, 0);
    std::memcpy(header.data(), kMagic, 8);
    bytes::PutLe64(&header[8], capacity);
    bytes::PutLe32(&header[16], blockSectors);
    bytes::PutLe32(&header[20], 0x10000);
    bytes::PutLe32(&header[24], std::uint32_t(platform::MonotonicMilliseconds()));
    if (carrier->WriteSectors(0, header.data(), 1) != 1) {
        return 0;
    }
    // The map, all "not stored", in pieces of up to 1 MiB.
    const std::vector<std::uint8_t> empty(std::size_t(2048) * kSectorSize, 0xFF);
    for (std::uint64_t at = 1; at < dataStart;) {
        const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(2048, dataStart - at));
        if (carrier->WriteSectors(at, empty.data(), n) != n) {
            return 0;
        }
        at += n;
    }
    if (keepOpen && !Open(resource, false)) {
        return 0;
    }
    return capacity;
}
