#include "vfs/ntfs/ntfs_obj.h"

#include "vfs/ntfs/lznt1.h"
#include "vfs/ntfs/vntfs.h"

#include <algorithm>
#include <cstring>

namespace {

// Compression units are 16 clusters on every volume NTFS itself writes; anything near
// this limit is damage, and the unit buffers are sized from it.
constexpr std::uint32_t kMaxUnitSize = 4u << 20;
constexpr std::uint8_t kMaxCompressionShift = 16;

} // namespace

cNTFSObj::cNTFSObj(cVNTFS* fileSystem, std::vector<std::uint8_t> record,
                   const ntfs::Attribute& attribute)
    : fileSystem_(fileSystem), record_(std::move(record)) {
    // Moving the vector keeps its heap buffer, but attribute's spans were made over the
    // caller's copy: parse again over ours.
    attribute_ = *ntfs::ParseAttribute(record_, attribute.offset);
}

std::unique_ptr<cNTFSObj> cNTFSObj::OverValue(cVNTFS* fileSystem, std::vector<std::uint8_t> record,
                                              std::uint32_t attributeOffset) {
    const auto attribute = ntfs::ParseAttribute(record, attributeOffset);
    if (!attribute || attribute->nonResident) {
        return nullptr;
    }
    std::unique_ptr<cNTFSObj> stream(new cNTFSObj(fileSystem, std::move(record), *attribute));
    stream->size_ = stream->initializedSize_ = stream->attribute_.value.size();
    return stream;
}

std::unique_ptr<cNTFSObj> cNTFSObj::OverRuns(cVNTFS* fileSystem, std::vector<std::uint8_t> record,
                                             std::uint32_t attributeOffset,
                                             const std::vector<ntfs::Run>& runs, bool compressed) {
    const auto attribute = ntfs::ParseAttribute(record, attributeOffset);
    if (!attribute || !attribute->nonResident) {
        return nullptr;
    }
    const std::uint32_t clusterSize = fileSystem->ClusterSize();
    const std::uint8_t shift = compressed ? attribute->compressionUnit : 0;
    if (shift > kMaxCompressionShift || (std::uint64_t(clusterSize) << shift) > kMaxUnitSize) {
        return nullptr;
    }
    std::unique_ptr<cNTFSObj> stream(new cNTFSObj(fileSystem, std::move(record), *attribute));
    // Runs are taken up to the first one that leaves the volume, which would read another
    // partition's bytes as the file's, or that would give the file more clusters than the
    // volume has; from there on the stream is unreadable and reads end short.
    const std::uint64_t limit = fileSystem->ClusterLimit();
    std::uint64_t held = 0;
    bool cut = false;
    bool holes = false;
    for (const ntfs::Run& run : runs) {
        if (run.Sparse()) {
            holes = true;
        } else if (run.lcn > limit || run.length > limit - run.lcn || run.length > limit - held) {
            cut = true;
            break;
        } else {
            held += run.length;
        }
        if (!stream->runs_.Append(run.Sparse() ? cRun::kSparse : run.lcn, run.length)) {
            return nullptr;
        }
    }
    // The size is what the allocation and the decoded runs back; without holes a stream
    // cannot hold more than the volume either.
    std::uint64_t size =
        std::min(attribute->Size(), fileSystem->BytesOf(runs.empty() ? 0 : runs.back().End()));
    if (!holes) {
        size = std::min(size, fileSystem->BytesOf(limit));
    }
    stream->compressed_ = compressed;
    stream->unitSize_ = clusterSize << shift;
    stream->unitBuffer_.resize(stream->unitSize_);
    stream->size_ = size;
    stream->initializedSize_ = std::min(attribute->initializedSize, size);
    stream->mappedSize_ = fileSystem->BytesOf(stream->runs_.LogicalLength());
    stream->damaged_ = cut || attribute->realSize > size;
    return stream;
}

std::uint64_t cNTFSObj::Seek(std::uint64_t position) {
    position_ = std::min(position, size_);
    return position_;
}

std::uint32_t cNTFSObj::Read(void* buffer, std::uint32_t length) {
    if (!fileSystem_ || position_ >= size_) {
        return 0;
    }
    length = std::uint32_t(std::min<std::uint64_t>(length, size_ - position_));
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (!attribute_.nonResident) {
        std::memcpy(out, attribute_.value.data() + position_, length);
        position_ += length;
        return length;
    }
    std::uint32_t done = 0;
    // Past the mapped clusters nothing backs the stream, not even the zeros of its
    // uninitialized tail.
    while (done < length && position_ < mappedSize_) {
        std::uint32_t want =
            std::uint32_t(std::min<std::uint64_t>(length - done, mappedSize_ - position_));
        std::uint32_t got;
        if (position_ >= initializedSize_) {
            // Never written since the file was extended: zeros, whatever the clusters hold.
            std::memset(out + done, 0, want);
            got = want;
        } else {
            want = std::uint32_t(std::min<std::uint64_t>(want, initializedSize_ - position_));
            got = compressed_ ? ReadCompressed(position_, out + done, want)
                              : ReadPlain(position_, out + done, want);
        }
        if (got == 0) {
            break;
        }
        done += got;
        position_ += got;
    }
    return done;
}

std::uint32_t cNTFSObj::ReadPlain(std::uint64_t position, std::uint8_t* out, std::uint32_t length) {
    const std::uint32_t clusterSize = unitSize_;
    const std::uint64_t vcn = position / clusterSize;
    const std::uint32_t offset = std::uint32_t(position % clusterSize);
    const cRun* run = runs_.Find(vcn);
    if (!run) {
        return 0;
    }
    if (offset == 0 && length >= clusterSize) {
        // Whole clusters of one run go straight to the caller, in one storage request.
        const std::uint64_t clusters =
            std::min<std::uint64_t>(length / clusterSize, run->LogicalEnd() - vcn);
        const std::uint32_t bytes = std::uint32_t(clusters * clusterSize);
        if (run->IsSparse()) {
            std::memset(out, 0, bytes);
            return bytes;
        }
        return fileSystem_->ReadClusters(run->physicalStart + (vcn - run->logicalStart), clusters,
                                         out)
                   ? bytes
                   : 0;
    }
    if (vcn != cachedUnit_) {
        if (run->IsSparse()) {
            std::fill(unitBuffer_.begin(), unitBuffer_.end(), 0);
        } else if (!fileSystem_->ReadClusters(run->physicalStart + (vcn - run->logicalStart), 1,
                                              unitBuffer_.data())) {
            cachedUnit_ = kNoUnit;
            return 0;
        }
        cachedUnit_ = vcn;
    }
    const std::uint32_t bytes = std::min(length, clusterSize - offset);
    std::memcpy(out, unitBuffer_.data() + offset, bytes);
    return bytes;
}

std::uint32_t cNTFSObj::ReadCompressed(std::uint64_t position, std::uint8_t* out,
                                       std::uint32_t length) {
    const std::uint64_t unit = position / unitSize_;
    const std::uint32_t offset = std::uint32_t(position % unitSize_);
    if (unit != cachedUnit_ && !LoadCompressionUnit(unit)) {
        return 0;
    }
    const std::uint32_t bytes = std::min(length, unitSize_ - offset);
    std::memcpy(out, unitBuffer_.data() + offset, bytes);
    return bytes;
}

// A compression unit whose clusters are all allocated was stored as it is; one with a
// sparse tail holds LZNT1 chunks in its allocated clusters, which come first.
bool cNTFSObj::LoadCompressionUnit(std::uint64_t unit) {
    cachedUnit_ = kNoUnit;
    const std::uint32_t clusterSize = fileSystem_->ClusterSize();
    const std::uint64_t clustersPerUnit = unitSize_ / clusterSize;
    const std::uint64_t first = unit * clustersPerUnit;
    const std::uint64_t end = first + clustersPerUnit;
    packed_.resize(unitSize_);
    std::size_t packedBytes = 0;
    bool sparse = false;
    for (std::uint64_t vcn = first; vcn < end;) {
        const cRun* run = runs_.Find(vcn);
        if (!run) {
            // The unit reaches past the allocation: the rest is a hole, unless the runs
            // were cut and the clusters are missing.
            if (damaged_) {
                return false;
            }
            sparse = true;
            break;
        }
        const std::uint64_t count = std::min(run->LogicalEnd(), end) - vcn;
        if (run->IsSparse()) {
            sparse = true;
        } else {
            if (!fileSystem_->ReadClusters(run->physicalStart + (vcn - run->logicalStart), count,
                                           packed_.data() + packedBytes)) {
                return false;
            }
            packedBytes += count * clusterSize;
        }
        vcn += count;
    }
    if (!sparse) {
        unitBuffer_.swap(packed_);
    } else if (!ntfs::Lznt1Decompress(bytes::Span(packed_).first(packedBytes), unitBuffer_)) {
        return false;
    }
    cachedUnit_ = unit;
    return true;
}

std::optional<std::vector<std::uint8_t>> cNTFSObj::ReadAll(std::uint64_t limit) {
    if (size_ > std::min<std::uint64_t>(limit, UINT32_MAX)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(size_);
    Seek(0);
    if (Read(bytes.data(), std::uint32_t(bytes.size())) != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}
