#pragma once
// One zlib stream inflated into a buffer of known size (compressed grains, chunks and
// blocks of the container formats). The buffer is sized by the caller from checked
// header values; the stream can never write past it.

#include "base/bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Inflates the zlib stream at the start of stream into out; the number of bytes it
// produced, or nothing when the stream is damaged, ends early or would not fit.
std::optional<std::size_t> InflateInto(bytes::Span stream, std::span<std::uint8_t> out);
