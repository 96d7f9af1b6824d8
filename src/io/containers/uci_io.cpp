#include "io/containers/uci_io.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "io/containers/inflate.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr char kMagic[] = "QORNImg0";
constexpr std::size_t kHeaderSize = 22;
constexpr std::uint8_t kStoredBlock = 0;
constexpr std::uint8_t kCompressedBlock = 1;
// Blocks are tens of KiB; the two buffers are sized by this.
constexpr std::uint32_t kMaxBlockSize = 4u << 20;
// The smallest record: a kind byte, a length and the shortest zlib stream.
constexpr std::uint64_t kSmallestRecord = 1 + 4 + 8;
constexpr std::uint64_t kMaxSectors = std::uint64_t(INT64_MAX) / kSectorSize;
// Records are walked through a window of the file this large.
constexpr std::uint32_t kWindow = 1u << 20;

} // namespace

std::unique_ptr<cContainerIO> cUciIO::MakeEmpty() const {
    return std::make_unique<cUciIO>();
}

void cUciIO::CloseFormat() {
    blockSize_ = 0;
    records_.clear();
    block_.clear();
    packed_.clear();
    held_ = UINT64_MAX;
}

std::uint32_t cUciIO::BlockBytes(std::uint64_t block) const {
    const std::uint64_t start = block * blockSize_;
    return std::uint32_t(std::min<std::uint64_t>(blockSize_, sectorCount_ * kSectorSize - start));
}

bool cUciIO::OpenFormat() {
    std::array<std::uint8_t, kHeaderSize> header;
    if (!ReadCarrier(header.data(), 0, header.size()) ||
        std::memcmp(header.data(), kMagic, 8) != 0) {
        return false;
    }
    sectorCount_ = bytes::Le64<10>(header);
    blockSize_ = bytes::Le32<18>(header);
    if (blockSize_ == 0 || blockSize_ % kSectorSize != 0 || blockSize_ > kMaxBlockSize ||
        sectorCount_ > kMaxSectors) {
        return false;
    }
    const std::uint64_t diskBytes = sectorCount_ * kSectorSize;
    const std::uint64_t blocks = diskBytes / blockSize_ + (diskBytes % blockSize_ != 0 ? 1 : 0);
    // Every block needs a record of some bytes: more blocks than the file can hold is damage,
    // found before the table is allocated.
    const std::uint64_t size = CarrierBytes();
    if (blocks > (size - std::min<std::uint64_t>(size, kHeaderSize)) / kSmallestRecord + 1) {
        return false;
    }
    records_.resize(blocks);
    std::vector<std::uint8_t> window;
    std::uint64_t windowStart = 0;
    std::uint64_t at = kHeaderSize;
    for (std::uint64_t i = 0; i < blocks; ++i) {
        if (at < windowStart || at + 5 > windowStart + window.size()) {
            windowStart = at;
            window.resize(std::min<std::uint64_t>(kWindow, size - std::min(size, at)));
            if (window.size() < 5 ||
                !ReadCarrier(window.data(), at, std::uint32_t(window.size()))) {
                return false;
            }
        }
        const std::uint8_t* record = window.data() + (at - windowStart);
        records_[i] = at;
        if (record[0] == kStoredBlock) {
            at += 1 + std::uint64_t(BlockBytes(i));
        } else if (record[0] == kCompressedBlock) {
            at += 5 + std::uint64_t(bytes::unchecked::Le32(record + 1));
        } else {
            return false;
        }
        if (at > size) {
            return false;
        }
    }
    block_.resize(blockSize_);
    return true;
}

bool cUciIO::Load(std::uint64_t block) {
    if (held_ == block) {
        return true;
    }
    held_ = UINT64_MAX;
    const std::uint64_t at = records_[block];
    const std::uint32_t expected = BlockBytes(block);
    std::array<std::uint8_t, 5> head;
    if (!ReadCarrier(head.data(), at, 1)) {
        return false;
    }
    if (head[0] == kStoredBlock) {
        if (!ReadCarrier(block_.data(), at + 1, expected)) {
            return false;
        }
    } else {
        if (!ReadCarrier(head.data(), at, head.size())) {
            return false;
        }
        const std::uint32_t length = bytes::Le32<1>(head);
        // zlib never grows a block by much; a longer claim is damage.
        if (length > std::uint64_t(blockSize_) * 2 + 65536) {
            return false;
        }
        packed_.resize(length);
        if (!ReadCarrier(packed_.data(), at + 5, length)) {
            return false;
        }
        const std::optional<std::size_t> produced = InflateInto(packed_, block_);
        if (!produced || *produced != expected) {
            return false;
        }
    }
    held_ = block;
    return true;
}

cContainerIO::cPiece cUciIO::Locate(std::uint64_t sector, std::uint32_t count, bool) {
    const std::uint64_t perBlock = blockSize_ / kSectorSize;
    const std::uint64_t block = sector / perBlock;
    const std::uint64_t within = sector % perBlock;
    if (!Load(block)) {
        return Failed();
    }
    return Buffered(block_.data() + within * kSectorSize,
                    std::uint32_t(std::min<std::uint64_t>(count, perBlock - within)));
}
