#pragma once
// Reading integers out of on-disk structures. Every format picks one byte order per
// field; callers pass a span so that each read is checked against what was really read
// from the storage, never against what a header claims.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace bytes {

using Span = std::span<const std::uint8_t>;

// Unchecked loads for offsets the caller has already proved in range.
inline std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint64_t Le64(const std::uint8_t* p) {
    return std::uint64_t(Le32(p)) | (std::uint64_t(Le32(p + 4)) << 32);
}
inline std::uint16_t Be16(const std::uint8_t* p) { return std::uint16_t((p[0] << 8) | p[1]); }
inline std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}
inline std::uint64_t Be64(const std::uint8_t* p) {
    return (std::uint64_t(Be32(p)) << 32) | std::uint64_t(Be32(p + 4));
}

inline void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = std::uint8_t(v >> (8 * i));
    }
}
inline void PutLe64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        p[i] = std::uint8_t(v >> (8 * i));
    }
}

// True when [offset, offset + size) lies inside a buffer of length bytes. Written as
// subtractions so that huge on-disk values cannot wrap the test.
constexpr bool Fits(std::uint64_t length, std::uint64_t offset, std::uint64_t size) {
    return offset <= length && size <= length - offset;
}

// A cursor over a byte span with a sticky error: read a run of fields, then test Ok()
// once. A read past the end yields zeros and marks the cursor failed.
class Cursor {
public:
    explicit Cursor(Span data, std::size_t offset = 0) : data_(data), offset_(offset) {
        if (offset > data.size()) {
            failed_ = true;
        }
    }

    bool Ok() const { return !failed_; }
    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return failed_ ? 0 : data_.size() - offset_; }

    std::uint8_t U8() { return Take(1) ? data_[offset_ - 1] : 0; }
    std::uint16_t Le16() { return Take(2) ? bytes::Le16(&data_[offset_ - 2]) : 0; }
    std::uint32_t Le32() { return Take(4) ? bytes::Le32(&data_[offset_ - 4]) : 0; }
    std::uint64_t Le64() { return Take(8) ? bytes::Le64(&data_[offset_ - 8]) : 0; }
    std::uint16_t Be16() { return Take(2) ? bytes::Be16(&data_[offset_ - 2]) : 0; }
    std::uint32_t Be32() { return Take(4) ? bytes::Be32(&data_[offset_ - 4]) : 0; }
    std::uint64_t Be64() { return Take(8) ? bytes::Be64(&data_[offset_ - 8]) : 0; }

    // The next size bytes, or an empty span (and failure) when fewer remain.
    Span Bytes(std::size_t size) {
        return Take(size) ? data_.subspan(offset_ - size, size) : Span{};
    }
    void Skip(std::size_t size) { Take(size); }

private:
    bool Take(std::size_t size) {
        if (failed_ || size > data_.size() - offset_) {
            failed_ = true;
            return false;
        }
        offset_ += size;
        return true;
    }

    Span data_;
    std::size_t offset_;
    bool failed_ = false;
};

} // namespace bytes
