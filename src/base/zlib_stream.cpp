#include "base/zlib_stream.h"

#include <algorithm>
#include <climits>
#include <zlib.h>

namespace zlib_stream {
namespace {

// The output grows in steps, so only bytes the stream really produces are allocated.
constexpr std::size_t kInflateStep = 64 * 1024;

} // namespace

std::optional<std::vector<std::uint8_t>> InflateExact(bytes::Span stream, std::size_t length) {
    stream = stream.first(std::min<std::size_t>(stream.size(), UINT_MAX));
    z_stream z{};
    if (::inflateInit(&z) != Z_OK) {
        return std::nullopt;
    }
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    std::vector<std::uint8_t> out;
    std::uint8_t probe;
    int status = Z_OK;
    while (status == Z_OK) {
        const std::size_t produced = out.size();
        if (produced == length) {
            // Full before the stream's end: one spare byte tells the last bookkeeping
            // (the Adler-32 trailer) from more data than was declared.
            z.next_out = &probe;
            z.avail_out = 1;
        } else {
            out.resize(std::min(length, produced + kInflateStep));
            z.next_out = out.data() + produced;
            z.avail_out = uInt(out.size() - produced);
        }
        status = ::inflate(&z, Z_NO_FLUSH);
        if (produced == length) {
            if (z.avail_out == 0) {
                status = Z_DATA_ERROR;
            }
        } else {
            out.resize(out.size() - z.avail_out);
        }
    }
    // Z_BUF_ERROR here means the input ran out before the stream ended.
    ::inflateEnd(&z);
    if (status != Z_STREAM_END || out.size() != length) {
        return std::nullopt;
    }
    return out;
}

} // namespace zlib_stream
