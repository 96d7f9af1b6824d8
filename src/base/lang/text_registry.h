#pragma once
// The loaded language texts: named sections of numbered UTF-16 texts. Forms and elements
// never hold texts of their own; they name a section ("qorns::explorer", "tusk::messages")
// and fetch texts by number.
//
// The process-wide registry is filled once at start-up, on the window thread, before any
// job runs; afterwards it is only read, so lookups from any thread need no lock. Sections
// are never removed, so a section pointer stays valid for the life of its registry.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class cTextSection {
public:
    // Text `number`, or none when number is negative, not below Count(), or has no text.
    std::optional<std::u16string_view> Text(int number) const;
    int Count() const { return int(texts_.size()); }

    // Packs merge through these: a pack states the section's count, then stores each
    // text it carries, replacing an earlier text of the same number.
    void SetCount(std::uint16_t count) { texts_.resize(count); }
    void SetText(std::uint16_t number, std::u16string text);

private:
    std::vector<std::optional<std::u16string>> texts_;
};

class cTextRegistry {
public:
    const cTextSection* FindSection(std::string_view name) const;
    // The section of that name, created empty when absent.
    cTextSection& ObtainSection(std::string_view name);

    // Convenience for callers that look up a text once: none when the section is
    // unknown or the number has no text.
    std::optional<std::u16string_view> Text(std::string_view section, int number) const;

    // The three-letter code ("ENG", "RUS") and name of the last pack registered.
    const std::string& LanguageCode() const { return languageCode_; }
    const std::u16string& LanguageName() const { return languageName_; }
    void SetLanguage(std::string code, std::u16string name);

private:
    std::map<std::string, cTextSection, std::less<>> sections_;
    std::string languageCode_;
    std::u16string languageName_;
};

namespace lang {

// The registry of the running program. The start-up sequence registers the built-in
// packs into it (builtin_packs.h); everything else only reads it.
cTextRegistry& Registry();

} // namespace lang
