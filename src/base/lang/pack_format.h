#pragma once
// Layout constants of the language-pack record and body, shared by the reader that
// registers packs at start-up and the build tool that writes them.
//
// Record (little-endian): "TUSKLAFI", an 11-byte pack id ("TUSKBASE" + a three-letter
// language code), u8 name length n, n bytes of UTF-8 language name, u32 body length,
// then one zlib stream holding the body.
//
// Body: "TUSKLANG", then sections until the body ends: u32 name length m, m bytes of
// ASCII name NUL-padded to a multiple of 4, u32 data length k, k bytes of data.
// Section data: u16 count c (at least 1), c u16 text lengths (kNoText marks a number
// without text; it takes no bytes), then the UTF-8 texts back to back.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lang {

inline constexpr std::string_view kRecordMagic = "TUSKLAFI";
inline constexpr std::string_view kPackIdPrefix = "TUSKBASE";
inline constexpr std::size_t kLanguageCodeSize = 3;
inline constexpr std::size_t kPackIdSize = 11; // prefix + language code
// Shorter records are rejected before any field is read.
inline constexpr std::size_t kMinRecordSize = 21;
inline constexpr std::uint32_t kMaxBodySize = 0x400000;

inline constexpr std::string_view kBodyMagic = "TUSKLANG";
inline constexpr std::size_t kSectionNameAlign = 4;
inline constexpr std::uint16_t kNoText = 0xFFFF;
// The largest text that can be stored: one below the no-text marker.
inline constexpr std::size_t kMaxTextSize = kNoText - 1;

} // namespace lang
