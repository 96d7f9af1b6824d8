#include "vfs/ntfs/lznt1.h"

#include <algorithm>
#include <cstring>

namespace ntfs {
namespace {

// One compressed chunk: groups of a flag byte and eight tokens; a clear flag bit is a
// literal byte, a set one a 16-bit back-reference whose split between offset and length
// widens the offset as the output position in the chunk grows (12 length bits up to
// position 16, one fewer per doubling after that).
bool DecompressChunk(bytes::Span in, std::span<std::uint8_t> out) {
    std::size_t at = 0;
    std::size_t pos = 0;
    while (at < in.size()) {
        const std::uint8_t flags = in[at++];
        for (int bit = 0; bit < 8 && at < in.size(); ++bit) {
            if ((flags & (1u << bit)) == 0) {
                if (pos >= out.size()) {
                    return false;
                }
                out[pos++] = in[at++];
                continue;
            }
            const std::optional<std::uint16_t> token = bytes::Le16At(in, at);
            if (!token || pos == 0) {
                return false;
            }
            at += 2;
            unsigned lengthBits = 12;
            for (std::size_t p = pos - 1; p >= 0x10; p >>= 1) {
                --lengthBits;
            }
            const std::size_t back = (std::size_t(*token) >> lengthBits) + 1;
            const std::size_t length = (*token & ((1u << lengthBits) - 1)) + 3;
            if (back > pos || length > out.size() - pos) {
                return false;
            }
            // Byte by byte: a reference may overlap the bytes it produces.
            for (std::size_t i = 0; i < length; ++i, ++pos) {
                out[pos] = out[pos - back];
            }
        }
    }
    return true;
}

} // namespace

bool Lznt1Decompress(bytes::Span in, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), std::uint8_t(0));
    std::size_t at = 0;
    std::size_t produced = 0;
    while (const std::optional<std::uint16_t> header = bytes::Le16At(in, at)) {
        if (*header == 0) {
            break;
        }
        const std::size_t stored = (*header & 0x0FFFu) + 1;
        at += 2;
        if (stored > in.size() - at || produced >= out.size()) {
            return false;
        }
        const bytes::Span data = in.subspan(at, stored);
        const std::span<std::uint8_t> chunk =
            out.subspan(produced, std::min(kLznt1ChunkSize, out.size() - produced));
        if ((*header & 0x8000) != 0) {
            if (!DecompressChunk(data, chunk)) {
                return false;
            }
        } else {
            if (stored != kLznt1ChunkSize || chunk.size() != kLznt1ChunkSize) {
                return false;
            }
            std::memcpy(chunk.data(), data.data(), stored);
        }
        at += stored;
        produced += kLznt1ChunkSize;
    }
    return true;
}

} // namespace ntfs
