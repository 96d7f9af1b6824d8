#pragma once
// Reads the readable language sources in lang/ into packs for the writer.
//
// A source is UTF-8 text, one directive per line; blank lines and lines starting with
// '#' are ignored:
//
//   pack TUSKBASERUS                  the pack id: "TUSKBASE" and a three-letter code
//   name Русский                      the language name
//   section qorns::startup 4          a section and its text count; its numbers follow
//   0: Поиск накопителей...           number 0 has this text
//   1:                                number 1 has an empty text
//   2 -                               number 2 has no text at all
//
// Every number of a section appears once, in order, from 0 to count - 1, so that a
// missing or misplaced text is a build error rather than a blank spot on a form. A text
// is everything after "N: " (leading blanks are kept); escapes: \n newline, \t tab,
// \s space (a trailing blank must be written this way), \\ backslash.

#include "pack_writer.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace langpack {

struct SourceError {
    std::size_t line = 0; // 1-based; 0 for the source as a whole
    std::string message;
};

std::optional<Pack> ParseSource(std::string_view source, SourceError& error);

} // namespace langpack
