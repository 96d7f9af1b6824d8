#include "base/settings_codec.h"

#include "base/zlib_stream.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace settings_codec {
namespace {

constexpr std::uint8_t kMagic[4] = {'Q', 'N', 'C', 'F'};
constexpr int kCompressionLevel = 5;
constexpr std::size_t kRecordHeadSize = 8;

} // namespace

std::size_t MaxStreamLength() {
    return ::compressBound(kMaxAreaLength);
}

std::optional<std::uint32_t> ParseHeader(bytes::Span header) {
    const auto fixed = bytes::Slice<kHeaderSize>(header);
    if (!fixed || std::memcmp(fixed->data(), kMagic, sizeof kMagic) != 0) {
        return std::nullopt;
    }
    return bytes::Le32<4>(*fixed);
}

std::vector<std::uint8_t> MakeHeader(std::uint32_t areaLength) {
    std::vector<std::uint8_t> header(kHeaderSize);
    std::memcpy(header.data(), kMagic, sizeof kMagic);
    bytes::PutLe32(header.data() + 4, areaLength);
    return header;
}

std::optional<std::vector<std::uint8_t>> InflateArea(bytes::Span stream, std::uint32_t areaLength) {
    if (areaLength > kMaxAreaLength) {
        return std::nullopt;
    }
    return zlib_stream::InflateExact(stream.first(std::min(stream.size(), MaxStreamLength())),
                                     areaLength);
}

bool ParseRecords(bytes::Span area, Table& table) {
    bytes::Cursor cursor(area);
    while (cursor.Remaining() > 0) {
        if (cursor.Remaining() < kRecordHeadSize) {
            return false;
        }
        const auto key = std::int32_t(cursor.Le32());
        const bytes::Span value = cursor.Bytes(cursor.Le32());
        if (!cursor.Ok() ||
            !table.emplace(key, std::vector<std::uint8_t>(value.begin(), value.end())).second) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> SerialiseRecords(const Table& table) {
    std::size_t size = 0;
    for (const auto& [key, value] : table) {
        size += kRecordHeadSize + value.size();
    }
    std::vector<std::uint8_t> area(size);
    std::uint8_t* out = area.data();
    for (const auto& [key, value] : table) {
        bytes::PutLe32(out, std::uint32_t(key));
        bytes::PutLe32(out + 4, std::uint32_t(value.size()));
        std::copy(value.begin(), value.end(), out + kRecordHeadSize);
        out += kRecordHeadSize + value.size();
    }
    return area;
}

std::optional<std::vector<std::uint8_t>> DeflateArea(bytes::Span area) {
    if (area.size() > kMaxAreaLength) {
        return std::nullopt;
    }
    z_stream z{};
    if (::deflateInit(&z, kCompressionLevel) != Z_OK) {
        return std::nullopt;
    }
    // deflateBound rather than a multiple of the input: a tiny area compresses to more
    // bytes than it holds, and one finishing call must fit.
    std::vector<std::uint8_t> stream(::deflateBound(&z, uLong(area.size())));
    z.next_in = const_cast<Bytef*>(area.data());
    z.avail_in = uInt(area.size());
    z.next_out = stream.data();
    z.avail_out = uInt(stream.size());
    const int status = ::deflate(&z, Z_FINISH);
    stream.resize(stream.size() - z.avail_out);
    ::deflateEnd(&z);
    if (status != Z_STREAM_END) {
        return std::nullopt;
    }
    return stream;
}

} // namespace settings_codec
