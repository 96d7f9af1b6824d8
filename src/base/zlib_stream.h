#pragma once
// One zlib stream inflated to a length declared beside it (settings file, language
// packs, compressed image chunks). The declared length comes from the same untrusted
// bytes as the stream, so the output grows only as the stream really produces data.

#include "base/bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zlib_stream {

// Inflates the zlib stream at the start of stream, which must produce exactly length
// bytes; bytes after the stream's end are ignored. Nothing when the stream is damaged,
// ends early, or would produce more than length bytes.
std::optional<std::vector<std::uint8_t>> InflateExact(bytes::Span stream, std::size_t length);

} // namespace zlib_stream
