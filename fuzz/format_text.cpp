// Language-pack patterns are data: any pattern with the arguments the program passes
// must format without reading past its arguments or growing without bound.
#include "base/format_text.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string pattern;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        pattern.push_back(char16_t(data[i] | (data[i + 1] << 8)));
    }
    const std::u16string out =
        FormatText(pattern, {u"name", 42, std::uint64_t(1) << 40, -1.5, 1e308});
    // Each pattern unit yields at most one padded field of 64 units or a short number.
    if (out.size() > pattern.size() * 400 + 64) {
        __builtin_trap();
    }
    return 0;
}
