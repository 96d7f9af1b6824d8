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
        if (const auto mirror = at.size() >= 2 * std::size_t(self->recordSize)
                                    ? Candidate(at.subspan(self->recordSize))
                                    : std::nullopt) {
            const auto mirrorSelf = SelfRecord(*mirror, u"$MFTMirr");
            if (mirrorSelf && !result_.mirrorRecordSector) {
                result_.mirrorRecordSector = sector + self->recordSize / kSectorBytes;
            }
            if (mirrorSelf && mirrorSelf->firstCluster != self->firstCluster) {
                return VisitEither(sector, *self, *mirrorSelf);
            }
        }
        if (sector < self->firstClusterSectors) {
            result_.startsBefore.push_back(self->firstClusterSectors - sector);
            return true;
        }
        return Accept(sector - self->firstClusterSectors, *self);
    }

private:
    // The MFT and its mirror both begin with this record and the mirror's own. It is the
    // MFT's copy when the mirror, where that puts it, holds it again, or when a record in
    // use follows the first four, which are all the mirror keeps; else the mirror's.
    bool VisitEither(std::uint64_t sector, const cSelfRecord& mft, const cSelfRecord& mirror) {
        if (sector >= mft.firstClusterSectors) {
            const std::uint64_t start = sector - mft.firstClusterSectors;
            const bool mirrorFits = mirror.firstClusterSectors < request_.partitionSectors - start;
            if (mirrorFits &&
                (IsMftRecord(ReadCandidate(start + mirror.firstClusterSectors, mft.recordSize)) ||
                 ReadCandidate(sector + 4 * (mft.recordSize / kSectorBytes), mft.recordSize))) {
                return Accept(start, mft);
            }
        }
        if (sector >= mirror.firstClusterSectors) {
            return Accept(sector - mirror.firstClusterSectors, mft);
        }
        result_.startsBefore.push_back(mirror.firstClusterSectors - sector);
        return true;
    }

    static bool IsMftRecord(const std::optional<std::vector<std::uint8_t>>& record) {
        return record && SelfRecord(*record, u"$MFT");
    }

    // The candidate record at a sector of the partition, read outside the scan's order.
    std::optional<std::vector<std::uint8_t>> ReadCandidate(std::uint64_t sector,
                                                           std::uint32_t size) {
        const auto absolute = checked::Add(request_.partitionStart, sector);
        const auto offset =
            absolute ? checked::Mul<std::uint64_t>(*absolute, kSectorBytes) : std::nullopt;
        if (!offset || sector >= request_.partitionSectors) {
            return std::nullopt;
        }
        if (!reader_) {
            reader_ = request_.storage->Duplicate();
        }
        std::vector<std::uint8_t> bytes(size);
        if (!reader_ || !reader_->ReadBytes(bytes.data(), *offset, size)) {
            return std::nullopt;
        }
        return Candidate(bytes);
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

std::optional<cNTFSGeometry> SelfRecordAt(const cRequest& request, bytes::Span at,
                                          std::uint64_t sector) {
    cResult result;
    if (request.storage) {
        cDetector(request, result).Visit(at, sector);
    }
    return result.geometry;
}

} // namespace mftdetect
