#pragma once
// Many small byte strings (names, packed extent lists) kept in large chunks instead of one
// allocation each: a result tree of a million files must cost little more than its bytes.
// A string is found again by the 64-bit handle Add answers; nothing is freed before the
// pool goes.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class cBytePool {
public:
    // Copies bytes into the pool; nothing when it is longer than a handle can address.
    std::optional<std::uint64_t> Add(std::span<const std::uint8_t> bytes);
    // The length bytes kept at handle.
    std::span<const std::uint8_t> Get(std::uint64_t handle, std::uint32_t length) const {
        if (length == 0) {
            return {};
        }
        return {chunks_[handle >> 32].get() + std::uint32_t(handle), length};
    }
    // Bytes held in chunks, used or not.
    std::uint64_t ReservedBytes() const { return reserved_; }

private:
    static constexpr std::size_t kChunkBytes = 1u << 20;

    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
    std::size_t current_ = 0;  // chunk that small strings go into
    std::size_t used_ = 0;     // bytes taken in it
    std::size_t capacity_ = 0; // its size; 0 before the first
    std::uint64_t reserved_ = 0;
};
