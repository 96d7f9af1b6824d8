#include "vfs/name_match.h"

#include <gtest/gtest.h>

namespace {

TEST(NameMatch, Patterns) {
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
        EXPECT_EQ(vfsname::MatchPattern(c.pattern, c.name, c.caseSensitive), c.matches)
            << std::u16string_view(c.pattern).size() << " " << std::u16string_view(c.name).size();
    }
}

TEST(NameMatch, ManyStarsStayLinear) {
    // A pattern that makes naive backtracking exponential.
    const std::u16string name(4000, u'a');
    const std::u16string pattern = u"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
    EXPECT_FALSE(vfsname::MatchPattern(pattern, name, true));
}

TEST(NameMatch, CaseFoldingCoversNameAlphabets) {
    EXPECT_TRUE(vfsname::NamesEqual(u"ÀÉÎ ŸĹĽ ЁЖЯ ΑΩ Ґ", u"àéî ÿĺľ ёжя αω ґ", false));
    EXPECT_FALSE(vfsname::NamesEqual(u"Ab", u"ab", true));
    EXPECT_FALSE(vfsname::NamesEqual(u"ab", u"abc", false));
    EXPECT_EQ(vfsname::FoldCase(u'×'), u'×'); // the multiplication sign has no case
}

} // namespace
