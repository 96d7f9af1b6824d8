#include "vfs/name_match.h"

#include <gtest/gtest.h>

namespace {

TEST(NameMatch, NamesEqualFoldsOnlyWhenCaseBlind) {
    EXPECT_TRUE(vfsname::NamesEqual(u"ÀÉÎ ŸĹĽ ЁЖЯ ΑΩ Ґ", u"àéî ÿĺľ ёжя αω ґ", false));
    EXPECT_FALSE(vfsname::NamesEqual(u"Ab", u"ab", true));
    EXPECT_TRUE(vfsname::NamesEqual(u"Ab", u"Ab", true));
    EXPECT_FALSE(vfsname::NamesEqual(u"ab", u"abc", false));
}

} // namespace
