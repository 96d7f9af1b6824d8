#include "base/name_fold.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(NameFold, Patterns) {
    struct Case {
        const char16_t* pattern;
        const char16_t* name;
        bool caseSensitive;
        bool matches;
    };
    const Case cases[] = {
        {u"*", u"", true, true},
        {u"*.txt", u"readme.txt", true, true},
        {u"*.txt", u"readme.TXT", true, false},
        {u"*.txt", u"readme.TXT", false, true},
        {u"?", u"", true, false},
        {u"a?c", u"abc", true, true},
        {u"a?c", u"ac", true, false},
        {u"a*b*c", u"aXbYbZc", true, true},
        {u"a*b*c", u"aXbYbZ", true, false},
        {u"abc***", u"abc", true, true},
        {u"*a", u"aaab", true, false},
        {u"ОТЧЁТ*", u"отчёт 2007.doc", false, true},
        {u"ОТЧЁТ*", u"отчёт 2007.doc", true, false},
        {u"", u"x", true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(namefold::MatchPattern(c.pattern, c.name, c.caseSensitive), c.matches)
            << std::u16string_view(c.pattern).size() << " " << std::u16string_view(c.name).size();
    }
}

TEST(NameFold, ManyStarsStayLinear) {
    // A pattern that makes naive backtracking exponential.
    const std::u16string name(4000, u'a');
    const std::u16string pattern = u"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
    EXPECT_FALSE(namefold::MatchPattern(pattern, name, true));
}

TEST(NameFold, CaseFoldingCoversNameAlphabets) {
    const std::u16string capitals = u"AZÀÉÎÞ ŸĀĹĽŹŽ ЁЂЏАЖЯ ΑΩ ҐѢӁӍ";
    const std::u16string smalls = u"azàéîþ ÿāĺľźž ёђџажя αω ґѣӂӎ";
    ASSERT_EQ(capitals.size(), smalls.size());
    for (std::size_t i = 0; i < capitals.size(); ++i) {
        EXPECT_EQ(namefold::FoldCase(capitals[i]), smalls[i]) << i;
        EXPECT_EQ(namefold::FoldCase(smalls[i]), smalls[i]) << i;
    }
    // Units without a simple one-to-one small letter stay as they are.
    for (const char16_t unit : std::u16string(u"@[×ßİıĸŉſ΢҂Ӏ中")) {
        EXPECT_EQ(namefold::FoldCase(unit), unit) << int(unit);
    }
}

} // namespace
