#include "io/containers/vmdk_io.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "base/utf.h"
#include "io/containers/inflate.h"
#include "platform/clock.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t kHostedMagic = 0x564D444B; // "KDMV" read little-endian
constexpr std::uint32_t kCowdMagic = 0x44574F43;   // "COWD"
constexpr std::uint32_t kFlagRedundantDirectory = 1u << 1;
constexpr std::uint32_t kFlagCompressed = 1u << 16;
constexpr std::uint16_t kCompressDeflate = 1;
// Stream-optimized writers that do not know the directory's place when they start
// leave this in the header and put the real header in a footer before the end marker.
constexpr std::uint64_t kDirectoryAtEnd = ~std::uint64_t(0);
constexpr std::uint64_t kFooterFromEnd = 1024;
constexpr std::uint32_t kCowdTableEntries = 512;

// Writers use 128-sector grains and 512-entry tables; anything far beyond is damage, and
// the compressed grain buffer and the cached tables are sized from these.
constexpr std::uint64_t kMaxGrainSectors = 1u << 16;
constexpr std::uint32_t kMaxTableEntries = 1u << 16;
// Byte offsets of every disk sector must fit in 64 bits.
constexpr std::uint64_t kMaxSectors = std::uint64_t(INT64_MAX) / kSectorSize;
// Directories are read in pieces of this many bytes.
constexpr std::uint32_t kDirectoryPiece = 1u << 20;

// Values Create writes.
constexpr std::uint64_t kNewGrain = 128;
constexpr std::uint32_t kNewTableEntries = 512;
constexpr std::uint64_t kNewDescriptorSectors = 20;
constexpr std::uint64_t kNewRedundantDirectory = 1 + kNewDescriptorSectors;

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t by) {
    return value / by + (value % by != 0 ? 1 : 0);
}

} // namespace

std::unique_ptr<cContainerIO> cVMWareIO::MakeEmpty() const {
    return std::make_unique<cVMWareIO>();
}

bool cVMWareIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = geometry_;
    return true;
}

void cVMWareIO::CloseFormat() {
    grainSize_ = 0;
    tableEntries_ = 0;
    tableSectors_ = 0;
    directoryEntries_ = 0;
    first_.clear();
    second_.clear();
    tables_.Clear();
    compressed_ = false;
    grain_.clear();
    grainHeld_ = cUseCache<int, 1>::kNoKey;
    geometry_ = cDiskGeometry{};
}

bool cVMWareIO::OpenFormat() {
    std::uint8_t magic[4];
    if (!ReadCarrier(magic, 0, sizeof magic)) {
        return false;
    }
    const std::uint32_t value = bytes::unchecked::Le32(magic);
    if (value == kHostedMagic) {
        return OpenHostedSparse();
    }
    return value == kCowdMagic && OpenCowd();
}

bool cVMWareIO::OpenHostedSparse() {
    std::array<std::uint8_t, 80> header;
    if (!ReadCarrier(header.data(), 0, header.size())) {
        return false;
    }
    if (bytes::Le64<56>(header) == kDirectoryAtEnd) {
        // The footer is a copy of the header with the directory filled in.
        const std::uint64_t size = CarrierBytes();
        if (size < kFooterFromEnd ||
            !ReadCarrier(header.data(), size - kFooterFromEnd, header.size()) ||
            bytes::Le32<0>(header) != kHostedMagic || bytes::Le64<56>(header) == kDirectoryAtEnd) {
            return false;
        }
    }
    const std::uint64_t capacity = bytes::Le64<12>(header);
    grainSize_ = bytes::Le64<20>(header);
    tableEntries_ = bytes::Le32<44>(header);
    const std::uint32_t flags = bytes::Le32<8>(header);
    const std::uint64_t redundant = bytes::Le64<48>(header);
    const std::uint64_t directory = bytes::Le64<56>(header);
    if (capacity > kMaxSectors || grainSize_ == 0 || grainSize_ > kMaxGrainSectors ||
        tableEntries_ == 0 || tableEntries_ > kMaxTableEntries) {
        return false;
    }
    compressed_ = (flags & kFlagCompressed) != 0;
    if (compressed_ && bytes::Le16<77>(header) != kCompressDeflate) {
        return false;
    }
    if (compressed_ && !readOnly_) {
        return false;
    }
    sectorCount_ = capacity;
    tableSectors_ = tableEntries_ * grainSize_;
    directoryEntries_ = CeilDiv(capacity, tableSectors_);
    // Reads go through the redundant directory when the image keeps one; an image without
    // it (flag clear, or the field left 0) has only the primary directory.
    const bool hasRedundant = (flags & kFlagRedundantDirectory) != 0 && redundant != 0;
    if (!ReadDirectory(hasRedundant ? redundant : directory, first_)) {
        return false;
    }
    if (hasRedundant && directory != 0 && !ReadDirectory(directory, second_)) {
        return false;
    }
    if (compressed_) {
        grain_.resize(grainSize_ * kSectorSize);
    }
    return true;
}

bool cVMWareIO::OpenCowd() {
    std::array<std::uint8_t, 44> header;
    if (!ReadCarrier(header.data(), 0, header.size())) {
        return false;
    }
    sectorCount_ = bytes::Le32<12>(header);
    grainSize_ = bytes::Le32<16>(header);
    tableEntries_ = kCowdTableEntries;
    if (grainSize_ == 0 || grainSize_ > kMaxGrainSectors) {
        return false;
    }
    tableSectors_ = tableEntries_ * grainSize_;
    directoryEntries_ = CeilDiv(sectorCount_, tableSectors_);
    const std::uint32_t heads = bytes::Le32<36>(header);
    const std::uint32_t sectorsPerTrack = bytes::Le32<40>(header);
    if (heads != 0 && sectorsPerTrack != 0) {
        geometry_.heads = heads;
        geometry_.sectorsPerTrack = sectorsPerTrack;
    }
    return ReadDirectory(bytes::Le32<20>(header), first_);
}

bool cVMWareIO::ReadDirectory(std::uint64_t sector, std::vector<std::uint32_t>& directory) {
    // The directory must lie inside the carrier, which bounds what is allocated for it.
    const std::optional<std::uint64_t> offset = checked::Mul<std::uint64_t>(sector, kSectorSize);
    const std::optional<std::uint64_t> length = checked::Mul<std::uint64_t>(directoryEntries_, 4);
    if (!offset || !length || !bytes::Fits(CarrierBytes(), *offset, *length)) {
        return false;
    }
    directory.assign(directoryEntries_, 0);
    std::vector<std::uint8_t> piece;
    for (std::uint64_t done = 0; done < *length;) {
        const std::uint32_t take =
            std::uint32_t(std::min<std::uint64_t>(kDirectoryPiece, *length - done));
        piece.resize(take);
        if (!ReadCarrier(piece.data(), *offset + done, take)) {
            return false;
        }
        for (std::uint32_t i = 0; i < take; i += 4) {
            directory[(done + i) / 4] = bytes::unchecked::Le32(piece.data() + i);
        }
        done += take;
    }
    return true;
}

std::vector<std::uint32_t>* cVMWareIO::Table(std::uint64_t sector) {
    if (std::vector<std::uint32_t>* cached = tables_.Find(sector)) {
        return cached;
    }
    std::vector<std::uint8_t> raw(std::size_t(tableEntries_) * 4);
    if (!ReadCarrier(raw.data(), sector * kSectorSize, std::uint32_t(raw.size()))) {
        return nullptr;
    }
    std::vector<std::uint32_t>& table = tables_.Take(sector);
    table.resize(tableEntries_);
    for (std::uint32_t i = 0; i < tableEntries_; ++i) {
        table[i] = bytes::unchecked::Le32(raw.data() + std::size_t(i) * 4);
    }
    return &table;
}

const std::uint8_t* cVMWareIO::CompressedGrain(std::uint64_t markerSector, std::uint64_t grain) {
    if (grainHeld_ == grain) {
        return grain_.data();
    }
    // A grain marker: the grain's first disk sector (u64) and the compressed length.
    std::array<std::uint8_t, 12> marker;
    const std::uint64_t offset = markerSector * kSectorSize;
    if (!ReadCarrier(marker.data(), offset, marker.size())) {
        return nullptr;
    }
    const std::uint32_t length = bytes::Le32<8>(marker);
    // Deflate never grows data by much; a longer claim is damage.
    if (length == 0 || length > grain_.size() * 2 + 4096) {
        return nullptr;
    }
    std::vector<std::uint8_t> packed(length);
    if (!ReadCarrier(packed.data(), offset + marker.size(), length)) {
        return nullptr;
    }
    grainHeld_ = cUseCache<int, 1>::kNoKey;
    const std::optional<std::size_t> produced = InflateInto(packed, grain_);
    // The last grain may stop at the disk's end.
    const std::uint64_t needed =
        std::min<std::uint64_t>(grainSize_, sectorCount_ - grain * grainSize_) * kSectorSize;
    if (!produced || *produced < needed) {
        return nullptr;
    }
    std::fill(grain_.begin() + std::ptrdiff_t(*produced), grain_.end(), 0);
    grainHeld_ = grain;
    return grain_.data();
}

std::optional<std::uint64_t> cVMWareIO::Allocate(std::uint64_t directoryIndex,
                                                 std::uint64_t tableSector, std::uint32_t slot) {
    cBaseIO& carrier = Carrier();
    const std::uint64_t grainSector = carrier.GetSectorCount();
    if (grainSector > UINT32_MAX || !carrier.SetSectorCount(grainSector + grainSize_)) {
        return std::nullopt;
    }
    std::uint8_t entry[4];
    bytes::PutLe32(entry, std::uint32_t(grainSector));
    auto enter = [&](std::uint64_t table) {
        if (std::vector<std::uint32_t>* cached = tables_.Find(table)) {
            (*cached)[slot] = std::uint32_t(grainSector);
        }
        return carrier.WriteBytes(entry, table * kSectorSize + std::uint64_t(slot) * 4, 4);
    };
    if (!enter(tableSector)) {
        return std::nullopt;
    }
    if (directoryIndex < second_.size() && second_[directoryIndex] != 0 &&
        !enter(second_[directoryIndex])) {
        return std::nullopt;
    }
    return grainSector;
}

cContainerIO::cPiece cVMWareIO::Locate(std::uint64_t sector, std::uint32_t count, bool allocate) {
    const std::uint64_t grain = sector / grainSize_;
    const std::uint64_t within = sector % grainSize_;
    const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(count, grainSize_ - within));
    const std::uint64_t index = sector / tableSectors_;
    const std::uint64_t tableSector = index < first_.size() ? first_[index] : 0;
    if (tableSector == 0) {
        // Create makes every table, so a missing one is not written to.
        return allocate ? Failed() : Zeros(n);
    }
    std::vector<std::uint32_t>* table = Table(tableSector);
    if (!table) {
        return Failed();
    }
    const std::uint32_t slot = std::uint32_t(grain % tableEntries_);
    const std::uint32_t entry = (*table)[slot];
    // 0: never written; 1: written as zeros (sector 1 is the header's, never a grain).
    if (entry <= 1) {
        if (!allocate) {
            return Zeros(n);
        }
        const std::optional<std::uint64_t> placed = Allocate(index, tableSector, slot);
        return placed ? Stored(*placed + within, n) : Failed();
    }
    if (compressed_) {
        const std::uint8_t* bytes = CompressedGrain(entry, grain);
        return bytes ? Buffered(bytes + within * kSectorSize, n) : Failed();
    }
    return Stored(entry + within, n);
}

std::uint64_t cVMWareIO::Create(const cBaseIoResource* resource, std::uint64_t capacity,
                                bool keepOpen) {
    cBaseIO* carrier = WritableCarrier(resource);
    if (!carrier || capacity == 0 || capacity > kMaxSectors) {
        return 0;
    }
    Close();
    const std::uint64_t tables = CeilDiv(capacity, kNewGrain * kNewTableEntries);
    const std::uint64_t tableSectors = kNewTableEntries * 4 / kSectorSize;
    const std::uint64_t directorySectors = CeilDiv(tables * 4, kSectorSize);
    const std::uint64_t redundantTables = kNewRedundantDirectory + directorySectors;
    const std::uint64_t directory = redundantTables + tables * tableSectors;
    const std::uint64_t directoryTables = directory + directorySectors;
    const std::uint64_t overhead =
        CeilDiv(directoryTables + tables * tableSectors, kNewGrain) * kNewGrain;
    if (overhead > UINT32_MAX) {
        return 0;
    }
    // Emptied first, so that every table of a reused file reads as zeros.
    if (!carrier->SetSectorCount(0) || !carrier->SetSectorCount(overhead)) {
        return 0;
    }

    std::vector<std::uint8_t> head((1 + kNewDescriptorSectors) * kSectorSize, 0);
    std::uint8_t* h = head.data();
    bytes::PutLe32(h, kHostedMagic);
    bytes::PutLe32(h + 4, 1);
    bytes::PutLe32(h + 8, 3); // newline test and redundant directory
    bytes::PutLe64(h + 12, capacity);
    bytes::PutLe64(h + 20, kNewGrain);
    bytes::PutLe64(h + 28, 1);
    bytes::PutLe64(h + 36, kNewDescriptorSectors);
    bytes::PutLe32(h + 44, kNewTableEntries);
    bytes::PutLe64(h + 48, kNewRedundantDirectory);
    bytes::PutLe64(h + 56, directory);
    bytes::PutLe64(h + 64, overhead);
    // The newline test: a file moved through a text-mode transfer changes these.
    h[73] = 0x0A;
    h[74] = 0x20;
    h[75] = 0x0D;
    h[76] = 0x0A;

    std::u16string path = carrier->Path();
    const std::size_t cut = path.find_last_of(u"\\/:");
    const std::string name = utf::ToUtf8(cut == std::u16string::npos ? path : path.substr(cut + 1));
    char descriptor[1024];
    const int written = std::snprintf(
        descriptor, sizeof descriptor,
        "# Disk DescriptorFile\nversion=1\nCID=%x\nparentCID=ffffffff\n"
        "createType=\"monolithicSparse\"\n\n# Extent description\nRW %llu SPARSE \"%s\"\n\n"
        "# The Disk Data Base \n#DDB\n\nddb.virtualHWVersion = \"3\"\n"
        "ddb.geometry.cylinders = \"%llu\"\nddb.geometry.heads = \"16\"\n"
        "ddb.geometry.sectors = \"63\"\nddb.adapterType = \"ide\"\n",
        unsigned(platform::MonotonicMilliseconds()), static_cast<unsigned long long>(capacity),
        name.c_str(),
        static_cast<unsigned long long>(std::min<std::uint64_t>(capacity / 1008, 16383)));
    if (written <= 0 || std::size_t(written) >= sizeof descriptor) {
        return 0;
    }
    std::memcpy(h + kSectorSize, descriptor, std::size_t(written));
    if (carrier->WriteSectors(0, h, std::uint32_t(head.size() / kSectorSize)) !=
        head.size() / kSectorSize) {
        return 0;
    }

    // Every directory entry names its own table.
    std::vector<std::uint8_t> entries(directorySectors * kSectorSize, 0);
    for (const auto& [at, firstTable] : {std::pair{kNewRedundantDirectory, redundantTables},
                                         std::pair{directory, directoryTables}}) {
        for (std::uint64_t i = 0; i < tables; ++i) {
            bytes::PutLe32(entries.data() + i * 4, std::uint32_t(firstTable + i * tableSectors));
        }
        if (carrier->WriteSectors(at, entries.data(), std::uint32_t(directorySectors)) !=
            directorySectors) {
            return 0;
        }
    }
    if (keepOpen && !Open(resource, false)) {
        return 0;
    }
    return capacity;
}
