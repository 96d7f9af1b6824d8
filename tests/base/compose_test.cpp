#include "base/compose.h"

#include <gtest/gtest.h>

namespace {

TEST(Compose, DecomposedNamesComposeBack) {
    // Latin accents, two marks in canonical order, Cyrillic.
    EXPECT_EQ(compose::Compose(u"cafe\u0301"), u"café");
    EXPECT_EQ(compose::Compose(u"e\u0323\u0302"), u"\u1EC7");
    EXPECT_EQ(compose::Compose(u"\u0418\u0306"), u"Й");
    // A mark of a lower class between the base and a composing mark does not block it;
    // one of the same class does.
    EXPECT_EQ(compose::Compose(u"a\u0316\u0301"), u"\u00E1\u0316");
    EXPECT_EQ(compose::Compose(u"a\u0300\u0301"), u"\u00E0\u0301");
    // Hangul: lead + vowel, then + trail.
    EXPECT_EQ(compose::Compose(u"\u1112\u1161\u11AB"), u"\uD55C");
    // Nothing to compose, a mark with no base, an unpaired surrogate.
    EXPECT_EQ(compose::Compose(u"plain.txt"), u"plain.txt");
    EXPECT_EQ(compose::Compose(u"\u0301x"), u"\u0301x");
    EXPECT_EQ(compose::Compose(u"\xD800\u0301"), u"\xD800\u0301");
    EXPECT_EQ(compose::Compose(u""), u"");
}

} // namespace
