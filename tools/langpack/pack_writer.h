#pragma once
// Writes language-pack records (base/lang/pack_format.h). The build tool turns lang/*.lang
// into records with it, and tests use its pieces to assemble well-formed and deliberately
// broken records.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace langpack {

using Bytes = std::vector<std::uint8_t>;
using Text = std::optional<std::string>; // UTF-8; none when the number has no text

struct Section {
    std::string name;
    std::vector<Text> texts; // indexed by text number
};

struct Pack {
    std::string id;           // "TUSKBASE" + three-letter language code
    std::string languageName; // UTF-8
    std::vector<Section> sections;
};

// Count, lengths and texts of one section; none when the section cannot be stored: no
// texts, more than 65535 of them, or a text of 65535 bytes or more.
std::optional<Bytes> EncodeSectionData(std::span<const Text> texts);

// A body holding only its magic; sections are appended to it.
Bytes BeginBody();

// Appends a section with its name NUL-padded to a multiple of four and the data as given.
void AppendSection(Bytes& body, std::string_view name, std::span<const std::uint8_t> data);

// Wraps a body into a record: magic, pack id, language name, body length and the
// compressed body. None when the id is not 11 bytes, the name is longer than 255 bytes,
// or the body is empty or larger than a reader accepts.
std::optional<Bytes> EncodeRecord(std::string_view packId, std::string_view languageName,
                                  std::span<const std::uint8_t> body);

// The whole pack as a record; none when any part of it cannot be stored.
std::optional<Bytes> EncodePack(const Pack& pack);

} // namespace langpack
