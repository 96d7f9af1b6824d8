// Reads arbitrary bytes as a settings file, as the store does at start-up: header,
// stream, records. What was read must survive being written and read again unchanged.

#include "base/settings_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const auto areaLength = settings_codec::ParseHeader(file);
    if (!areaLength || *areaLength == 0) {
        return 0;
    }
    const auto area =
        settings_codec::InflateArea(file.subspan(settings_codec::kHeaderSize), *areaLength);
    if (!area) {
        return 0;
    }
    settings_codec::Table table;
    settings_codec::ParseRecords(*area, table);

    const std::vector<std::uint8_t> written = settings_codec::SerialiseRecords(table);
    const auto stream = settings_codec::DeflateArea(written);
    if (!stream) {
        std::abort();
    }
    const auto reread = settings_codec::InflateArea(*stream, std::uint32_t(written.size()));
    settings_codec::Table again;
    if (!reread || !settings_codec::ParseRecords(*reread, again) || again != table) {
        std::abort();
    }
    return 0;
}
