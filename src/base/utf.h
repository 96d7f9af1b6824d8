#pragma once
// UTF-16 is the program's string form (std::u16string); disk names arrive as UTF-8,
// UTF-16LE bytes or 8-bit code pages and are converted here, never by hand elsewhere.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace utf {

// Ill-formed input (stray continuation bytes, overlong forms, surrogates encoded in
// UTF-8, truncated sequences) becomes U+FFFD per offending byte rather than failing,
// because names on damaged disks must still be shown.
std::u16string FromUtf8(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);

// Reads count UTF-16LE code units from raw bytes (no alignment needed).
std::u16string FromUtf16LE(std::span<const std::uint8_t> bytes);

// The UTF-16LE bytes of text, without byte-order mark or terminator.
std::string ToUtf16LEBytes(std::u16string_view text);

// ASCII-only convenience for literals and format results.
std::u16string FromAscii(std::string_view text);

} // namespace utf
