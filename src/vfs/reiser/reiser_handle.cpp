#include "vfs/reiser/reiser_handle.h"

#include "vfs/reiser/vreiser.h"

#include <algorithm>
#include <cstring>

bool cReiserHandle::Map(reiser::cShortKey object, std::uint64_t size) {
    size_ = size;
    const std::uint64_t blockSize = reader_->GetBlockSize();
    std::uint64_t end = 0;
    const bool walked = reader_->VisitItems(object, [&](const reiser::cItem& item) {
        // Offsets count from 1. Items must follow each other without overlap.
        if (item.key.offset == 0 || item.key.offset - 1 < end) {
            return item.key.type == reiser::eItem::kStat;
        }
        cPiece piece;
        piece.start = item.key.offset - 1;
        if (item.key.type == reiser::eItem::kIndirect) {
            piece.first = blocks_.size();
            for (std::size_t at = 0; at + 4 <= item.body.size(); at += 4) {
                blocks_.push_back(*bytes::Le32At(item.body, at));
            }
            piece.length = (blocks_.size() - piece.first) * blockSize;
        } else if (item.key.type == reiser::eItem::kDirect) {
            piece.inTree = true;
            piece.first = bytes_.size();
            bytes_.insert(bytes_.end(), item.body.begin(), item.body.end());
            piece.length = item.body.size();
        } else {
            return true;
        }
        if (piece.length > ~std::uint64_t(0) - piece.start) {
            return false;
        }
        end = piece.start + piece.length;
        pieces_.push_back(piece);
        return true;
    });
    if (!walked) {
        return false;
    }
    // The last block of an indirect item and the padding of a direct one may reach past
    // the size; a file whose items end early is incomplete.
    damaged_ = end < size_;
    return true;
}

std::uint64_t cReiserHandle::Seek(std::uint64_t position) {
    position_ = std::min(position, size_);
    return position_;
}

std::uint32_t cReiserHandle::FromPiece(const cPiece& piece, std::uint8_t* out,
                                       std::uint32_t length) {
    const std::uint64_t inside = position_ - piece.start;
    if (piece.inTree) {
        length = std::uint32_t(std::min<std::uint64_t>(length, piece.length - inside));
        std::memcpy(out, bytes_.data() + piece.first + inside, length);
        return length;
    }
    const std::uint64_t blockSize = reader_->GetBlockSize();
    const std::uint32_t pointer = blocks_[piece.first + inside / blockSize];
    length = std::uint32_t(std::min<std::uint64_t>(length, blockSize - inside % blockSize));
    if (pointer == 0) {
        std::memset(out, 0, length);
        return length;
    }
    if (block_.empty() || cachedBlock_ != pointer) {
        block_.resize(blockSize);
        if (!reader_->ReadBlocks(block_.data(), pointer, 1)) {
            block_.clear();
            return 0;
        }
        cachedBlock_ = pointer;
    }
    std::memcpy(out, block_.data() + inside % blockSize, length);
    return length;
}

std::uint32_t cReiserHandle::Read(void* buffer, std::uint32_t length) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < length && position_ < size_) {
        const std::uint32_t want =
            std::uint32_t(std::min<std::uint64_t>(length - done, size_ - position_));
        // The first piece that ends after the position.
        const auto it = std::upper_bound(
            pieces_.begin(), pieces_.end(), position_,
            [](std::uint64_t at, const cPiece& piece) { return at < piece.start + piece.length; });
        std::uint32_t got = 0;
        if (it == pieces_.end() || it->start > position_) {
            // Between pieces, or past the last one: a hole.
            const std::uint64_t holeEnd = it == pieces_.end() ? size_ : it->start;
            got = std::uint32_t(std::min<std::uint64_t>(want, holeEnd - position_));
            std::memset(out + done, 0, got);
        } else {
            got = FromPiece(*it, out + done, want);
        }
        if (got == 0) {
            break;
        }
        done += got;
        position_ += got;
    }
    return done;
}
