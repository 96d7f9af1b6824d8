#include "io/containers/inflate.h"

#include <algorithm>
#include <climits>
#include <zlib.h>

std::optional<std::size_t> InflateInto(bytes::Span stream, std::span<std::uint8_t> out) {
    if (stream.size() > UINT_MAX || out.size() > UINT_MAX) {
        return std::nullopt;
    }
    z_stream z{};
    if (::inflateInit(&z) != Z_OK) {
        return std::nullopt;
    }
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int status = ::inflate(&z, Z_FINISH);
    const std::size_t produced = out.size() - z.avail_out;
    ::inflateEnd(&z);
    if (status != Z_STREAM_END) {
        return std::nullopt;
    }
    return produced;
}
