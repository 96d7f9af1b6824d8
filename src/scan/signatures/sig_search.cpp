#include "scan/signatures/sig_search.h"

#include "base/bytes.h"
#include "scan/signatures/sig_fold.h"

#include <cstring>

namespace sigsearch {
namespace {

bool IsControl(std::uint32_t c) {
    return c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D;
}

bool BytesEqualFolded(const std::uint8_t* data, std::span<const std::uint8_t> pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (sigfold::LowerByte(data[i]) != pattern[i]) {
            return false;
        }
    }
    return true;
}

bool UnitsEqual(const std::uint8_t* data, std::u16string_view pattern, bool fold) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto unit = char16_t(bytes::unchecked::Le16(data + 2 * i));
        if ((fold ? sigfold::Lower(unit) : unit) != pattern[i]) {
            return false;
        }
    }
    return true;
}

// Positions p with p + extent < unit; 0 when there are none.
std::uint32_t PositionCount(std::uint32_t unit, std::uint64_t extent) {
    return extent < unit ? std::uint32_t(unit - extent) : 0;
}

} // namespace

std::uint32_t FindBytes(const std::uint8_t* data, std::uint32_t unit,
                        std::span<const std::uint8_t> pattern, bool fold) {
    const std::uint32_t count = PositionCount(unit, pattern.size());
    if (count == 0) {
        return kNotFound;
    }
    if (pattern.empty()) {
        return 0;
    }
    const std::uint8_t first = pattern[0];
    // Exact searches and patterns that start with no letter hop from one candidate first
    // byte to the next; only a folded search for a letter tests every position.
    if (!fold || (first < 'a' || first > 'z')) {
        const std::uint8_t* p = data;
        const std::uint8_t* const end = data + count;
        while (p < end) {
            p = static_cast<const std::uint8_t*>(std::memchr(p, first, std::size_t(end - p)));
            if (p == nullptr) {
                return kNotFound;
            }
            const bool equal = fold ? BytesEqualFolded(p, pattern)
                                    : std::memcmp(p, pattern.data(), pattern.size()) == 0;
            if (equal) {
                return std::uint32_t(p - data);
            }
            ++p;
        }
        return kNotFound;
    }
    for (std::uint32_t p = 0; p < count; ++p) {
        if (BytesEqualFolded(data + p, pattern)) {
            return p;
        }
    }
    return kNotFound;
}

std::uint32_t FindUnits(const std::uint8_t* data, std::uint32_t unit, std::u16string_view pattern,
                        bool fold) {
    const std::uint32_t count = PositionCount(unit, 2 * std::uint64_t(pattern.size()) + 1);
    for (std::uint32_t p = 0; p < count; ++p) {
        if (UnitsEqual(data + p, pattern, fold)) {
            return p;
        }
    }
    return kNotFound;
}

bool IsAsciiText(const std::uint8_t* data, std::uint32_t unit) {
    for (std::uint32_t p = 0; p < unit; ++p) {
        if (data[p] == 0) {
            if (p == 0) {
                return false;
            }
            for (std::uint32_t rest = p; rest < unit; ++rest) {
                if (data[rest] != 0) {
                    return false;
                }
            }
            return true;
        }
        if (IsControl(data[p])) {
            return false;
        }
    }
    return true;
}

bool IsUnicodeText(const std::uint8_t* data, std::uint32_t unit) {
    for (std::uint32_t i = 0; i < unit / 2; ++i) {
        const std::uint16_t c = bytes::unchecked::Le16(data + 2 * i);
        if (c == 0) {
            if (i == 0) {
                return false;
            }
            for (std::uint32_t rest = 2 * i; rest < unit; ++rest) {
                if (data[rest] != 0) {
                    return false;
                }
            }
            return true;
        }
        if (IsControl(c)) {
            return false;
        }
    }
    return true;
}

std::uint32_t AsciiTextEnd(const std::uint8_t* data, std::uint32_t unit) {
    for (std::uint32_t p = 0; p < unit; ++p) {
        if (data[p] == 0 || IsControl(data[p])) {
            return p;
        }
    }
    return kNotFound;
}

std::uint32_t UnicodeTextEnd(const std::uint8_t* data, std::uint32_t unit) {
    for (std::uint32_t i = 0; i < unit / 2; ++i) {
        const std::uint16_t c = bytes::unchecked::Le16(data + 2 * i);
        if (c == 0 || IsControl(c)) {
            return 2 * i;
        }
    }
    return kNotFound;
}

} // namespace sigsearch
