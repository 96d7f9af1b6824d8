#include "scan/byte_pool.h"

#include <cstring>

std::optional<std::uint64_t> cBytePool::Add(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > UINT32_MAX || chunks_.size() >= UINT32_MAX) {
        return std::nullopt;
    }
    if (bytes.empty()) {
        return 0;
    }
    // A large string gets a chunk of its own, so a chunk never wastes more than a quarter.
    if (bytes.size() > kChunkBytes / 4) {
        chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(bytes.size()));
        reserved_ += bytes.size();
        std::memcpy(chunks_.back().get(), bytes.data(), bytes.size());
        return std::uint64_t(chunks_.size() - 1) << 32;
    }
    if (capacity_ - used_ < bytes.size()) {
        chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kChunkBytes));
        reserved_ += kChunkBytes;
        current_ = chunks_.size() - 1;
        used_ = 0;
        capacity_ = kChunkBytes;
    }
    const std::uint64_t handle = (std::uint64_t(current_) << 32) | used_;
    std::memcpy(chunks_[current_].get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return handle;
}
