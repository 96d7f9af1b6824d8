#include "base/lang/language_choice.h"

#include <cstdlib>

namespace lang {
namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "ru_RU.UTF-8@latin" → "ru": the language part ends at the territory, codeset or
// modifier.
std::string_view LanguagePart(std::string_view locale) {
    return locale.substr(0, locale.find_first_of("_.@"));
}

// The language of one locale name, when the program has a pack for it.
std::optional<eLanguage> PackFor(std::string_view locale) {
    const std::string_view part = LanguagePart(locale);
    if (part == "ru") {
        return eLanguage::Russian;
    }
    if (part == "en") {
        return eLanguage::English;
    }
    return std::nullopt;
}

} // namespace

cLocaleVariables LocaleVariablesFromEnvironment() {
    return {Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG")};
}

eLanguage LanguageFromLocale(const cLocaleVariables& locale) {
    std::string_view messages = locale.lcAll;
    if (messages.empty()) {
        messages = locale.lcMessages;
    }
    if (messages.empty()) {
        messages = locale.lang;
    }
    // gettext leaves the untranslated texts to the "C" locale whatever LANGUAGE says.
    if (messages.empty() || messages == "C" || messages == "POSIX" || messages.starts_with("C.")) {
        return eLanguage::English;
    }
    // A LANGUAGE list decides alone: the first language in it with a pack, else English,
    // the language every text exists in.
    if (!locale.language.empty()) {
        std::string_view list = locale.language;
        while (!list.empty()) {
            const std::size_t colon = list.find(':');
            if (const std::optional<eLanguage> listed = PackFor(list.substr(0, colon))) {
                return *listed;
            }
            list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        }
        return eLanguage::English;
    }
    return PackFor(messages).value_or(eLanguage::English);
}

std::u16string_view LanguageCode(eLanguage language) {
    return language == eLanguage::Russian ? u"RUS" : u"ENG";
}

std::optional<eLanguage> LanguageFromCode(std::u16string_view code) {
    for (eLanguage language : {eLanguage::English, eLanguage::Russian}) {
        if (code == LanguageCode(language)) {
            return language;
        }
    }
    return std::nullopt;
}

eLanguage ChooseLanguage(const std::optional<std::u16string>& stored,
                         const cLocaleVariables& locale) {
    if (stored) {
        if (const std::optional<eLanguage> chosen = LanguageFromCode(*stored)) {
            return *chosen;
        }
    }
    return LanguageFromLocale(locale);
}

} // namespace lang
