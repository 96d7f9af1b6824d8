#pragma once
// The block tables of a DMG kept in its XML property list (resource-fork -> blkx ->
// Data, base64), as most images made today keep them, often without a resource fork.

#include "base/bytes.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace dmg_plist {

// The decoded Data of every blkx entry, in order; nothing when the text is no property
// list, declares entities, or a Data is not base64.
std::optional<std::vector<std::vector<std::uint8_t>>> BlockTables(bytes::Span xml);

// Standard base64, white space ignored; nothing on any other character or a cut group.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

} // namespace dmg_plist
