#pragma once
// The searches and text tests that begin and end rules share. Every one reads only the
// first `unit` bytes at data, which the caller guarantees are readable.

#include <cstdint>
#include <span>
#include <string_view>

namespace sigsearch {

inline constexpr std::uint32_t kNotFound = 0xFFFFFFFF;

// The first position p with p + pattern length < unit (a pattern must end before the
// unit's last byte) at which the bytes equal pattern; with fold, each data byte is folded
// first (the pattern is folded already).
std::uint32_t FindBytes(const std::uint8_t* data, std::uint32_t unit,
                        std::span<const std::uint8_t> pattern, bool fold);
// The same for a UTF-16LE pattern at every byte position, odd ones included, with
// p + 2 * length + 1 < unit.
std::uint32_t FindUnits(const std::uint8_t* data, std::uint32_t unit, std::u16string_view pattern,
                        bool fold);

// Whether the unit reads as one NUL-terminated text: no control character but tab, line
// feed and carriage return, and after the first NUL (which may not come first) nothing
// but NULs. Empty units are text; Unicode units shorter than one character too.
bool IsAsciiText(const std::uint8_t* data, std::uint32_t unit);
bool IsUnicodeText(const std::uint8_t* data, std::uint32_t unit);

// The byte offset of the first NUL or control character (tab, line feed and carriage
// return excepted), or kNotFound.
std::uint32_t AsciiTextEnd(const std::uint8_t* data, std::uint32_t unit);
std::uint32_t UnicodeTextEnd(const std::uint8_t* data, std::uint32_t unit);

} // namespace sigsearch
