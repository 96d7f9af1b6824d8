#pragma once
// The readable source form of signature rules, which rule authors write and the build
// compiles into rules files. docs/rules.md describes it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class cSigList;

namespace rulesource {

struct cError {
    std::size_t line = 0; // counted from 1
    std::string message;
};

// Appends the nodes of one source text to topLevel; on an error nothing of this text is
// appended.
std::optional<cError> Compile(std::string_view text, cSigList& topLevel);

} // namespace rulesource
