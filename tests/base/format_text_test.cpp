#include "base/format_text.h"

#include <gtest/gtest.h>

// Patterns come from language packs, so every oddity must come out as text, never as a
// read of a missing argument or a huge allocation.
TEST(FormatText, FillsThePatternsThePacksUse) {
    struct Case {
        const char16_t* pattern;
        std::initializer_list<cFormatArg> args;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"%s: выполнено %.01f%%.", {u"Копирование", 12.345}, u"Копирование: выполнено 12.3%."},
        {u"%02d:%02d:%02d", {1, 2, 34}, u"01:02:34"},
        {u"%lld (0x%08llX)", {std::uint64_t(48879), std::uint64_t(48879)}, u"48879 (0x0000BEEF)"},
        {u"%s(%d)%s", {u"readme", 1, u".txt"}, u"readme(1).txt"},
        {u"%5d|%-3d", {-42, 7}, u"  -42|%-3d"},
        {u"%05d", {-42}, u"-0042"},
        {u"%d %d", {1}, u"1 "},         // a missing argument prints nothing
        {u"%q and %", {}, u"%q and %"}, // unknown conversions print as they are
        {u"%999999d", {5}, nullptr},    // width capped, checked below
        {u"%d", {1e300}, u"0"},         // no integer form: 0, not undefined behaviour
        {u"%u", {std::uint64_t(1) << 63}, u"9223372036854775808"},
    };
    for (const auto& c : cases) {
        const std::u16string out = FormatText(c.pattern, c.args);
        if (c.expected) {
            EXPECT_EQ(out, c.expected) << std::u16string_view(c.pattern).size();
        } else {
            EXPECT_LE(out.size(), 64u);
        }
    }
}
