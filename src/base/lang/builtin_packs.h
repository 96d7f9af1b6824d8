#pragma once
// The language packs carried inside the program, built from lang/*.lang at build time
// (tools/langpack) and linked in through the drovik_langpacks library. Start-up registers
// the English base pack first and the Russian pack over it.

#include <cstdint>
#include <span>

namespace lang {

std::span<const std::uint8_t> EnglishPack(); // "TUSKBASEENG": the GUI library's sections
std::span<const std::uint8_t> RussianPack(); // "TUSKBASERUS": every section

} // namespace lang
