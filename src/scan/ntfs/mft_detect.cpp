#include "scan/ntfs/mft_detect.h"

#include "base/checked.h"
#include "scan/ntfs/record_positions.h"
#include "vfs/ntfs/file_name.h"
#include "vfs/ntfs/mapping_pairs.h"
#include "vfs/ntfs/mft_record.h"
#include "vfs/ntfs/ntfs_layout.h"

#include <algorithm>
#include <bit>
#include <memory>

namespace mftdetect {

namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kMaxClusterSize = 2u << 20;
constexpr std::uint32_t kBlockSectors = 256;
constexpr std::uint32_t kLookAheadSectors = 16;
constexpr std::uint16_t kInUse = 0x0001;

bool HasFileName(bytes::Span record, std::u16string_view wanted) {
    for (ntfs::AttributeWalker walker(record); auto attribute = walker.Next();) {
        if (attribute->type != ntfs::kFileName || attribute->nonResident) {
            continue;
        }
        const auto name = ntfs::ParseFileName(attribute->value);
        if (name && !name->IsDirectory() && name->name == wanted) {
            return true;
        }
    }
    return false;
}

class cDetector {
public:
    cDetector(const cRequest& request, cResult& result) : request_(request), result_(result) {}

    bool Visit(bytes::Span at, std::uint64_t sector) {
        const auto record = Candidate(at);
        if (!record) {
            return true;
        }
        if (!result_.mirrorRecordSector && SelfRecord(*record, u"$MFTMirr")) {
            result_.mirrorRecordSector = sector;
        }
        const auto self = SelfRecord(*record, u"$MFT");
        if (!self) {
            return true;
        }
        // The mirror holds a copy of this record too: where the record after it, the
        // mirror's own, puts the volume, the MFT must hold this record again.
        if (const auto mirror = at.size() >= 2 * std::size_t(self->recordSize)
                                    ? Candidate(at.subspan(self->recordSize))
                                    : std::nullopt) {
            const auto mirrorSelf = SelfRecord(*mirror, u"$MFTMirr");
            if (mirrorSelf && !result_.mirrorRecordSector) {
                result_.mirrorRecordSector = sector + self->recordSize / kSectorBytes;
            }
            if (mirrorSelf && mirrorSelf->firstCluster != self->firstCluster &&
                sector >= mirrorSelf->firstClusterSectors) {
                const std::uint64_t start = sector - mirrorSelf->firstClusterSectors;
                if (MftRecordAt(start, *self)) {
                    return Accept(start, *self);
                }
            }
        }
        if (sector < self->firstClusterSectors) {
            result_.startsBefore.push_back(self->firstClusterSectors - sector);
            return true;
        }
        return Accept(sector - self->firstClusterSectors, *self);
    }

private:
    bool MftRecordAt(std::uint64_t start, const cSelfRecord& self) {
        const auto sector = checked::Add(start, self.firstClusterSectors);
        const auto absolute =
            sector ? checked::Add(request_.partitionStart, *sector) : std::nullopt;
        if (!absolute || *sector >= request_.partitionSectors) {
            return false;
        }
        std::vector<std::uint8_t> bytes(self.recordSize);
        const auto offset = checked::Mul<std::uint64_t>(*absolute, kSectorBytes);
        if (!reader_) {
            reader_ = request_.storage->Duplicate();
        }
        if (!offset || !reader_ || !reader_->ReadBytes(bytes.data(), *offset, self.recordSize)) {
            return false;
        }
        const auto record = Candidate(bytes);
        return record && SelfRecord(*record, u"$MFT");
    }

    bool Accept(std::uint64_t start, const cSelfRecord& self) {
        cNTFSGeometry geometry;
        geometry.clusterSize = self.clusterSize;
        geometry.recordSize = self.recordSize;
        geometry.mftCluster = self.firstCluster;
        geometry.volumeStart = start;
        geometry.mftRecordSector = start + self.firstClusterSectors;
        result_.geometry = geometry;
        return false;
    }

    const cRequest& request_;
    cResult& result_;
    // For the few reads outside the scan's order, made on first need.
    std::unique_ptr<cBaseIO> reader_;
};

} // namespace

std::optional<std::vector<std::uint8_t>> Candidate(bytes::Span at) {
    const auto allocated = bytes::Le32At(at, 28);
    const auto flags = bytes::Le16At(at, 22);
    if (!allocated || !flags || *allocated < 512 || *allocated > 8191 ||
        !std::has_single_bit(*allocated) || (*flags & kInUse) == 0 || at.size() < *allocated) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> record(at.begin(), at.begin() + *allocated);
    if (!ntfs::FixupRecord(record)) {
        return std::nullopt;
    }
    return record;
}

std::optional<cSelfRecord> SelfRecord(bytes::Span record, std::u16string_view wanted) {
    if (!HasFileName(record, wanted)) {
        return std::nullopt;
    }
    const auto data = ntfs::FindAttribute(record, ntfs::kData, u"", 0);
    if (!data || !data->nonResident || data->highestVcn < data->lowestVcn ||
        data->highestVcn - data->lowestVcn == ~std::uint64_t(0)) {
        return std::nullopt;
    }
    const std::uint64_t clusters = data->highestVcn - data->lowestVcn + 1;
    const std::uint64_t clusterSize = data->allocatedSize / clusters;
    if (clusterSize < kSectorBytes || clusterSize > kMaxClusterSize ||
        !std::has_single_bit(clusterSize) || data->allocatedSize % clusters != 0) {
        return std::nullopt;
    }
    std::vector<ntfs::Run> runs;
    if (!ntfs::DecodeMappingPairs(data->mappingPairs, 0, runs) || runs.empty() ||
        runs.front().Sparse()) {
        return std::nullopt;
    }
    const auto firstSectors =
        checked::Mul<std::uint64_t>(runs.front().lcn, clusterSize / kSectorBytes);
    if (!firstSectors) {
        return std::nullopt;
    }
    return cSelfRecord{std::uint32_t(clusterSize), std::uint32_t(record.size()), runs.front().lcn,
                       *firstSectors};
}

cResult Detect(const cRequest& request) {
    cResult result;
    if (!request.storage) {
        result.stopped = true;
        return result;
    }
    cDetector detector(request, result);
    const cRecordRange range{0, std::min(request.partitionSectors, kRangeSectors)};
    cRecordScanRequest scan;
    scan.storage = request.storage;
    scan.partitionStart = request.partitionStart;
    scan.blockSectors = kBlockSectors;
    scan.lookAheadSectors = kLookAheadSectors;
    scan.progress = request.progress;
    const bool done = ScanRecordPositions(
        scan, std::span(&range, 1),
        [&detector](bytes::Span at, std::uint64_t sector) { return detector.Visit(at, sector); });
    result.stopped = !done && !result.geometry;
    return result;
}

} // namespace mftdetect
