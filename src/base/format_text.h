#pragma once
// Fills the printf-style patterns of language texts ("%s: выполнено %.01f%%..."). The
// patterns come from language packs, so they are data, never handed to printf: only
// %s, %d, %u, %x, %X and %f with optional zero flag, width, precision and C length
// modifiers (ignored: arguments carry their own width), and %%, are understood;
// a conversion without a matching argument prints nothing, anything else prints as is.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

struct cFormatArg {
    cFormatArg(std::int64_t value) : kind(kInt), integer(value) {}
    cFormatArg(int value) : kind(kInt), integer(value) {}
    cFormatArg(std::uint64_t value) : kind(kInt), integer(std::int64_t(value)) {}
    cFormatArg(double value) : kind(kReal), real(value) {}
    cFormatArg(std::u16string_view value) : kind(kText), text(value) {}
    cFormatArg(const char16_t* value) : kind(kText), text(value) {}

    enum { kInt, kReal, kText } kind;
    std::int64_t integer = 0;
    double real = 0;
    std::u16string_view text;
};

std::u16string FormatText(std::u16string_view pattern, std::initializer_list<cFormatArg> args);
