// Which language the interface starts in: the locale variables in the order gettext
// reads them, and a stored choice over them.

#include "base/lang/language_choice.h"

#include <gtest/gtest.h>

namespace {

using lang::ChooseLanguage;
using lang::cLocaleVariables;
using lang::eLanguage;

TEST(LanguageChoice, LocaleVariables) {
    const eLanguage en = eLanguage::English;
    const eLanguage ru = eLanguage::Russian;
    struct Case {
        cLocaleVariables locale; // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
        eLanguage expected;
    };
    const Case cases[] = {
        {{}, en},                                     // nothing set: the C locale
        {{"", "", "", "ru_RU.UTF-8"}, ru},            // LANG alone
        {{"", "", "", "ru"}, ru},                     // a bare language
        {{"", "", "", "ru_UA.UTF-8@euro"}, ru},       // another territory, a modifier
        {{"", "", "", "en_GB.UTF-8"}, en},            //
        {{"", "", "", "de_DE.UTF-8"}, en},            // no pack: English
        {{"", "", "", "uk_UA.UTF-8"}, en},            // a neighbour of Russian is not Russian
        {{"", "", "", "rus"}, en},                    // "ru" must be the whole language part
        {{"", "", "en_US.UTF-8", "ru_RU.UTF-8"}, en}, // LC_MESSAGES over LANG
        {{"", "", "ru_RU.UTF-8", "en_US.UTF-8"}, ru},
        {{"", "ru_RU.UTF-8", "en_US.UTF-8", "en_US.UTF-8"}, ru}, // LC_ALL over both
        {{"", "en_US.UTF-8", "ru_RU.UTF-8", "ru_RU.UTF-8"}, en},
        {{"", "C", "ru_RU.UTF-8", "ru_RU.UTF-8"}, en}, // LC_ALL=C wins too
        {{"", "C.UTF-8", "", "ru_RU.UTF-8"}, en},      //
        {{"ru", "", "", "en_US.UTF-8"}, ru},           // LANGUAGE over the locale
        {{"en", "", "", "ru_RU.UTF-8"}, en},           //
        {{"uk:ru:en", "", "", "uk_UA.UTF-8"}, ru},     // first language with a pack
        {{"de:fr", "", "", "ru_RU.UTF-8"}, en},        // none in the list: English
        {{"::ru_RU", "", "", "de_DE.UTF-8"}, ru},      // empty list entries are skipped
        {{"ru", "", "", ""}, en},                      // LANGUAGE is ignored under C
        {{"ru", "POSIX", "", "en_US.UTF-8"}, en},      //
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "LANGUAGE=" << c.locale.language << " LC_ALL=" << c.locale.lcAll
                     << " LC_MESSAGES=" << c.locale.lcMessages << " LANG=" << c.locale.lang);
        EXPECT_EQ(lang::LanguageFromLocale(c.locale), c.expected);
        EXPECT_EQ(ChooseLanguage(std::nullopt, c.locale), c.expected);
    }
}

// The stored choice against each kind of locale: a pack code wins over any, anything
// else leaves the choice to the locale.
TEST(LanguageChoice, StoredChoiceWinsOverTheLocale) {
    const cLocaleVariables russian{"", "", "", "ru_RU.UTF-8"};
    const cLocaleVariables english{"", "", "", "en_US.UTF-8"};
    const cLocaleVariables listed{"ru", "", "", "en_US.UTF-8"};
    struct Case {
        std::optional<std::u16string> stored;
        eLanguage underRussian;
        eLanguage underEnglish;
        eLanguage underList;
    };
    const eLanguage en = eLanguage::English;
    const eLanguage ru = eLanguage::Russian;
    const Case cases[] = {
        {u"ENG", en, en, en},       {u"RUS", ru, ru, ru},
        {std::nullopt, ru, en, ru}, {u"", ru, en, ru},
        {u"DEU", ru, en, ru},       {u"rus", ru, en, ru},
        {u"RUSS", ru, en, ru},      {std::u16string(u"RU\0", 3), ru, en, ru},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? std::string(c.stored->begin(), c.stored->end()) : "(none)");
        EXPECT_EQ(ChooseLanguage(c.stored, russian), c.underRussian);
        EXPECT_EQ(ChooseLanguage(c.stored, english), c.underEnglish);
        EXPECT_EQ(ChooseLanguage(c.stored, listed), c.underList);
    }
}

TEST(LanguageChoice, CodesRoundTrip) {
    for (eLanguage language : {eLanguage::English, eLanguage::Russian}) {
        EXPECT_EQ(lang::LanguageFromCode(lang::LanguageCode(language)), language);
    }
}

// The environment is read as it is when asked.
TEST(LanguageChoice, ReadsTheEnvironment) {
    ::setenv("LANGUAGE", "ru:en", 1);
    ::setenv("LC_ALL", "", 1);
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", "de_DE.UTF-8", 1);
    const cLocaleVariables read = lang::LocaleVariablesFromEnvironment();
    EXPECT_EQ(read.language, "ru:en");
    EXPECT_EQ(read.lcAll, "");
    EXPECT_EQ(read.lcMessages, "");
    EXPECT_EQ(read.lang, "de_DE.UTF-8");
    EXPECT_EQ(lang::LanguageFromLocale(read), eLanguage::Russian);
}

} // namespace
