#pragma once
// 8-bit names on disks (FAT short names, old volume labels) are stored in whatever code
// page the writing system used; the reader chooses one and decodes through here.

#include <cstdint>
#include <span>
#include <string>

namespace codepage {

constexpr std::uint32_t kUtf8 = 65001;
constexpr std::uint32_t kDosCyrillic = 866;
constexpr std::uint32_t kWindowsCyrillic = 1251;
constexpr std::uint32_t kLatin1 = 28591;
constexpr std::uint32_t kMacRoman = 10000;

bool IsSupported(std::uint32_t codePage);

// Decodes text with the code page. Code page 65001 goes through the UTF-8 decoder (bad
// sequences become U+FFFD); bytes 0x80..0xFF of an unsupported code page become U+FFFD,
// so an unknown page never loses the ASCII part of a name.
std::u16string Decode(std::uint32_t codePage, std::span<const std::uint8_t> text);

} // namespace codepage
