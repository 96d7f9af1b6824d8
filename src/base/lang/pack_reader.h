#pragma once
// Registers a language pack record (pack_format.h) into a registry.

#include <cstdint>
#include <span>

class cTextRegistry;

namespace lang {

// Parses and inflates the record, checks every section, and only then merges: each
// section's count becomes the pack's count, and each text the pack carries replaces the
// text of the same number. Texts the pack marks absent keep what earlier packs put there.
// On success the registry's language code and name become the pack's.
//
// A malformed record (short, wrong magic, a name that does not fit, a body length of 0
// or above 4 MiB, a stream that does not inflate to exactly the declared length, a
// section or text running past its bounds) returns false and changes nothing, so the
// texts of packs registered before it stay in place.
bool RegisterPack(std::span<const std::uint8_t> record, cTextRegistry& registry);

} // namespace lang
