#include "base/codepage.h"

#include <gtest/gtest.h>

namespace {

std::u16string Decode(std::uint32_t codePage, std::initializer_list<std::uint8_t> bytes) {
    const std::vector<std::uint8_t> text(bytes);
    return codepage::Decode(codePage, text);
}

TEST(CodePage, EightBitPagesAndUtf8) {
    EXPECT_EQ(Decode(866, {'A', 0x80, 0xAF, 0xE0, 0xEF, 0xF0, 0xF1, 0xFC, 0xFF}),
              u"AАпряЁё№\u00A0");
    EXPECT_EQ(Decode(1251, {0xC0, 0xFF, 0xA8, 0xB8, 0xB9, 0x98}), u"АяЁё№\uFFFD");
    EXPECT_EQ(Decode(28591, {0x41, 0xE9, 0xFF}), u"Aéÿ");
    EXPECT_EQ(Decode(10000, {'K', 0x8A, 0x8E, 0xA7, 0xDB, 0xF0, 0xFF}), u"Käéß€\uF8FF\u02C7");
    EXPECT_EQ(Decode(65001, {0xD0, 0x9F, 0xC3}), u"П\uFFFD");
    // A page without a table keeps the ASCII part of a name.
    EXPECT_FALSE(codepage::IsSupported(437));
    EXPECT_EQ(Decode(437, {'n', 0x81, 'e'}), u"n\uFFFDe");
}

} // namespace
