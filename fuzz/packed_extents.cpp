// Packed extent lists from arbitrary bytes (the first eight give the file size): decoding
// stays inside the list, and what decodes encodes back to a list that decodes the same.

#include "scan/packed_extents.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t fileSize = 0;
    for (std::size_t i = 0; i < 8 && i < size; ++i) {
        fileSize |= std::uint64_t(data[i]) << (8 * i);
    }
    const std::span<const std::uint8_t> list(data + std::min<std::size_t>(size, 8),
                                             size - std::min<std::size_t>(size, 8));
    const auto extents = packedext::Decode(list, fileSize);
    if (!extents) {
        return 0;
    }
    // A single extent takes the whole-file form, whose count comes from the size.
    std::vector<cQORNFileAllocation> expected = *extents;
    if (expected.size() == 1) {
        expected.front().sectors = fileSize / 512;
    }
    const auto packed = packedext::Encode(*extents);
    if (packed && packedext::Decode(*packed, fileSize) != expected) {
        std::abort();
    }
    return 0;
}
