#pragma once
// Which language the interface speaks. The user's choice in the settings wins; without
// one the locale decides, read the way gettext reads it: LC_ALL, else LC_MESSAGES, else
// LANG names the locale, and unless that locale is "C" or "POSIX", a LANGUAGE list
// (such as "uk:ru:en") overrides it. Russian locales get the Russian pack, every other
// locale English, the language every text exists in.

#include <optional>
#include <string>
#include <string_view>

namespace lang {

enum class eLanguage { English, Russian };

// The locale variables as the environment has them; unset ones are empty.
struct cLocaleVariables {
    std::string language;   // LANGUAGE
    std::string lcAll;      // LC_ALL
    std::string lcMessages; // LC_MESSAGES
    std::string lang;       // LANG
};

cLocaleVariables LocaleVariablesFromEnvironment();

eLanguage LanguageFromLocale(const cLocaleVariables& locale);

// The three-letter code of the language's pack ("ENG", "RUS"), which is also how the
// choice is stored in the settings.
std::u16string_view LanguageCode(eLanguage language);
// The stored choice: a pack code, else none (no choice, or one this program lacks).
std::optional<eLanguage> LanguageFromCode(std::u16string_view code);

// A stored choice that names a known pack wins over the locale.
eLanguage ChooseLanguage(const std::optional<std::u16string>& stored,
                         const cLocaleVariables& locale);

} // namespace lang
