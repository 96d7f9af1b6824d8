#include "base/utf.h"

#include <gtest/gtest.h>

TEST(Utf, RoundTripsAcrossPlanes) {
    const std::string text = "A\xD0\xBF\xE2\x82\xAC\xF0\x9F\x98\x80"; // A, п, €, U+1F600
    const std::u16string wide = utf::FromUtf8(text);
    ASSERT_EQ(wide, (std::u16string{u'A', u'п', u'€', 0xD83D, 0xDE00}));
    EXPECT_EQ(utf::ToUtf8(wide), text);
}

TEST(Utf, MalformedUtf8BecomesReplacementPerByte) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"stray continuation", "\x80z", u"\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"truncated at end", "a\xE2\x82", u"a\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf::FromUtf8(c.bytes), c.expected) << c.name;
    }
}

TEST(Utf, UnpairedSurrogatesAndOddBytes) {
    EXPECT_EQ(utf::ToUtf8(std::u16string{0xDC00, u'x'}), "\xEF\xBF\xBDx");
    const std::uint8_t raw[] = {'h', 0, 'i', 0, 0x41};
    EXPECT_EQ(utf::FromUtf16LE(raw), u"hi"); // the odd trailing byte is not half a unit
    EXPECT_EQ(utf::ToUtf16LEBytes(u"hi"), std::string("h\0i\0", 4));
    EXPECT_EQ(utf::FromAscii("\xFF"), std::u16string(1, 0xFF));
}
