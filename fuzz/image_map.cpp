// The imaging map reader over arbitrary text: parsing must end, refuse what does not
// describe the source exactly, and whatever it accepts must format back to a text that
// parses to the same ranges, which must cover the stated size one after the other.

#include "app/imaging/image_map.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<imaging::cImageMap> map = imaging::cImageMap::Parse(text);
    if (!map) {
        return 0;
    }
    std::uint64_t next = 0;
    for (const imaging::cMapRange& range : map->Ranges()) {
        if (range.first != next || range.count == 0) {
            std::abort();
        }
        next += range.count;
    }
    const std::optional<imaging::cImageMap> again = imaging::cImageMap::Parse(map->Format());
    if (next != map->Sectors() || !again || again->Ranges() != map->Ranges()) {
        std::abort();
    }
    return 0;
}
