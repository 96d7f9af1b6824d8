#pragma once
// The language packs carried inside the program, built from lang/*.lang at build time
// (tools/langpack) and linked in through the drovik_langpacks library. Start-up registers
// the English base pack first and the Russian pack over it.

#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"

#include <cstdint>
#include <span>

namespace lang {

std::span<const std::uint8_t> EnglishPack(); // "TUSKBASEENG": the GUI library's sections
std::span<const std::uint8_t> RussianPack(); // "TUSKBASERUS": every section

// Both packs in start-up's order: the Russian texts replace the English ones wherever
// both have a number, and sections only the base pack has keep their English texts.
inline void RegisterBuiltinPacks(cTextRegistry& registry = Registry()) {
    RegisterPack(EnglishPack(), registry);
    RegisterPack(RussianPack(), registry);
}

} // namespace lang
