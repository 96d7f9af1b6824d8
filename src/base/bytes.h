#pragma once
// Reading integers out of on-disk structures. Every format picks one byte order per
// field. Parsers read through spans whose length is part of their type (a field's offset
// past the structure's end does not compile) or through a Cursor, so that each read is
// checked against what was really read from the storage, never against what a header
// claims, and a wrong offset fails in one place.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>

// Cursors check in debug and sanitizer builds (where the tests and fuzz targets run) that
// every read was followed by a test of Ok(); release builds carry no cost for it.
#if !defined(DROVIK_CHECK_CURSORS)
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__)
#define DROVIK_CHECK_CURSORS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DROVIK_CHECK_CURSORS 1
#endif
#endif
#endif

namespace bytes {

using Span = std::span<const std::uint8_t>;
// A structure of exactly N bytes.
template <std::size_t N> using Fixed = std::span<const std::uint8_t, N>;

// Loads from raw memory, for code that reads back bytes it wrote itself in the same
// function (or proved in range a line above). Disk parsers use the span loads below.
namespace unchecked {
inline std::uint16_t Le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint64_t Le64(const std::uint8_t* p) {
    return std::uint64_t(Le32(p)) | (std::uint64_t(Le32(p + 4)) << 32);
}
inline std::uint16_t Be16(const std::uint8_t* p) {
    return std::uint16_t((p[0] << 8) | p[1]);
}
inline std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}
inline std::uint64_t Be64(const std::uint8_t* p) {
    return (std::uint64_t(Be32(p)) << 32) | std::uint64_t(Be32(p + 4));
}
} // namespace unchecked

// A field of exactly its own size.
inline std::uint16_t Le16(Fixed<2> b) {
    return unchecked::Le16(b.data());
}
inline std::uint32_t Le32(Fixed<4> b) {
    return unchecked::Le32(b.data());
}
inline std::uint64_t Le64(Fixed<8> b) {
    return unchecked::Le64(b.data());
}
inline std::uint16_t Be16(Fixed<2> b) {
    return unchecked::Be16(b.data());
}
inline std::uint32_t Be32(Fixed<4> b) {
    return unchecked::Be32(b.data());
}
inline std::uint64_t Be64(Fixed<8> b) {
    return unchecked::Be64(b.data());
}

// A structure of N bytes held in a span or in an array of its exact size.
template <std::size_t N> Fixed<N> AsFixed(Fixed<N> s) {
    return s;
}
template <std::size_t N> Fixed<N> AsFixed(const std::array<std::uint8_t, N>& a) {
    return Fixed<N>(a);
}

// A field at a constant offset of a fixed-size structure: Le32<0x54>(header). An offset
// that does not leave room for the field inside the structure does not compile.
template <std::size_t Offset, class Structure> std::uint16_t Le16(const Structure& s) {
    return Le16(AsFixed(s).template subspan<Offset, 2>());
}
template <std::size_t Offset, class Structure> std::uint32_t Le32(const Structure& s) {
    return Le32(AsFixed(s).template subspan<Offset, 4>());
}
template <std::size_t Offset, class Structure> std::uint64_t Le64(const Structure& s) {
    return Le64(AsFixed(s).template subspan<Offset, 8>());
}
template <std::size_t Offset, class Structure> std::uint16_t Be16(const Structure& s) {
    return Be16(AsFixed(s).template subspan<Offset, 2>());
}
template <std::size_t Offset, class Structure> std::uint32_t Be32(const Structure& s) {
    return Be32(AsFixed(s).template subspan<Offset, 4>());
}
template <std::size_t Offset, class Structure> std::uint64_t Be64(const Structure& s) {
    return Be64(AsFixed(s).template subspan<Offset, 8>());
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

inline void PutBe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}
inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = std::uint8_t(v >> (24 - 8 * i));
    }
}
inline void PutBe64(std::uint8_t* p, std::uint64_t v) {
    PutBe32(p, std::uint32_t(v >> 32));
    PutBe32(p + 4, std::uint32_t(v));
}

// True when [offset, offset + size) lies inside a buffer of length bytes. Written as
// subtractions so that huge on-disk values cannot wrap the test.
constexpr bool Fits(std::uint64_t length, std::uint64_t offset, std::uint64_t size) {
    return offset <= length && size <= length - offset;
}

// The N bytes at offset as a fixed-size structure, or nothing when data is shorter.
template <std::size_t N> std::optional<Fixed<N>> Slice(Span data, std::size_t offset = 0) {
    if (!Fits(data.size(), offset, N)) {
        return std::nullopt;
    }
    return Fixed<N>(data.subspan(offset, N));
}

// One field at a run-time offset of a buffer of any length, loaded by load; nothing when
// it does not fit. An absent field compares unequal to every value:
// Le32At(sb, 1372) == kMagic.
template <class T>
std::optional<T> FieldAt(Span data, std::size_t offset, T (*load)(Fixed<sizeof(T)>)) {
    const auto field = Slice<sizeof(T)>(data, offset);
    return field ? std::optional<T>(load(*field)) : std::nullopt;
}
inline std::optional<std::uint16_t> Le16At(Span data, std::size_t offset) {
    return FieldAt<std::uint16_t>(data, offset, Le16);
}
inline std::optional<std::uint32_t> Le32At(Span data, std::size_t offset) {
    return FieldAt<std::uint32_t>(data, offset, Le32);
}
inline std::optional<std::uint64_t> Le64At(Span data, std::size_t offset) {
    return FieldAt<std::uint64_t>(data, offset, Le64);
}
inline std::optional<std::uint16_t> Be16At(Span data, std::size_t offset) {
    return FieldAt<std::uint16_t>(data, offset, Be16);
}
inline std::optional<std::uint32_t> Be32At(Span data, std::size_t offset) {
    return FieldAt<std::uint32_t>(data, offset, Be32);
}
inline std::optional<std::uint64_t> Be64At(Span data, std::size_t offset) {
    return FieldAt<std::uint64_t>(data, offset, Be64);
}

// A cursor over a byte span with a sticky error: read a run of fields, then test Ok()
// once. A read past the end yields zeros and marks the cursor failed. In checking builds
// a cursor destroyed with a read not followed by Ok() stops the program, so a parser
// that forgets the test fails its first test run instead of using zeros as data.
class Cursor {
public:
    explicit Cursor(Span data, std::size_t offset = 0) : data_(data), offset_(offset) {
        if (offset > data.size()) {
            failed_ = true;
            unchecked_ = true;
        }
    }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
#if DROVIK_CHECK_CURSORS
    ~Cursor() {
        if (unchecked_) {
            std::fputs("bytes::Cursor: read without a test of Ok()\n", stderr);
            std::abort();
        }
    }
#endif

    bool Ok() {
        unchecked_ = false;
        return !failed_;
    }
    std::size_t Offset() const {
        return offset_;
    }
    std::size_t Remaining() const {
        return failed_ ? 0 : data_.size() - offset_;
    }

    std::uint8_t U8() {
        return Take(1) ? data_[offset_ - 1] : 0;
    }
    std::uint16_t Le16() {
        return bytes::Le16(Next<2>());
    }
    std::uint32_t Le32() {
        return bytes::Le32(Next<4>());
    }
    std::uint64_t Le64() {
        return bytes::Le64(Next<8>());
    }
    std::uint16_t Be16() {
        return bytes::Be16(Next<2>());
    }
    std::uint32_t Be32() {
        return bytes::Be32(Next<4>());
    }
    std::uint64_t Be64() {
        return bytes::Be64(Next<8>());
    }

    // The next N bytes as a structure whose fields are read with the offset loads above;
    // all zeros (and failure) when fewer remain.
    template <std::size_t N> Fixed<N> Next() {
        static constexpr std::array<std::uint8_t, N> kZeros{};
        return Take(N) ? Fixed<N>(data_.subspan(offset_ - N, N)) : Fixed<N>(kZeros);
    }
    // The next size bytes, or an empty span (and failure) when fewer remain.
    Span Bytes(std::size_t size) {
        return Take(size) ? data_.subspan(offset_ - size, size) : Span{};
    }
    void Skip(std::size_t size) {
        Take(size);
    }

private:
    bool Take(std::size_t size) {
        unchecked_ = true;
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
    bool unchecked_ = false;
};

} // namespace bytes
