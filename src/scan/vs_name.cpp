#include "scan/vs_name.h"

#include "base/utf.h"

namespace vsname {

std::string_view Cut(std::string_view text) {
    if (text.size() <= kMaxBytes) {
        return text;
    }
    std::size_t end = kMaxBytes;
    // Continuation bytes (10xxxxxx) belong to the character before them.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

std::string FromUtf16(std::u16string_view name) {
    return std::string(Cut(utf::ToUtf8(name)));
}

} // namespace vsname
