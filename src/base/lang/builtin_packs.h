#pragma once
// The language packs carried inside the program, built from lang/*.lang at build time
// (tools/langpack) and linked in through the drovik_langpacks library. The English pack
// holds every text; a Russian interface registers the Russian pack over it.

#include "base/lang/language_choice.h"
#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"

#include <cstdint>
#include <span>
#include <string>

namespace lang {

std::span<const std::uint8_t> EnglishPack(); // "TUSKBASEENG": every section
std::span<const std::uint8_t> RussianPack(); // "TUSKBASERUS": every section

// The packs of one interface language: English alone, or Russian over English so that
// a number the Russian pack lacks still shows a text.
inline void RegisterPacksFor(eLanguage language, cTextRegistry& registry = Registry()) {
    RegisterPack(EnglishPack(), registry);
    if (language == eLanguage::Russian) {
        RegisterPack(RussianPack(), registry);
    }
}

// The language's own name for itself, as its pack states it ("English", "Русский").
inline std::u16string PackLanguageName(eLanguage language) {
    cTextRegistry scratch;
    RegisterPack(language == eLanguage::Russian ? RussianPack() : EnglishPack(), scratch);
    return scratch.LanguageName();
}

} // namespace lang
