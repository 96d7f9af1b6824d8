// A rules file and a data block in: the search and the end test must read nothing
// outside the block, which lies in a buffer of its exact size.
//
// Input: a 16-bit little-endian length n, n bytes of rules (after the magic), one byte
// that chooses the unit's share of the block, then the block.

#include "scan/signatures/signature.h"
#include "scan/signatures/urrs_file.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::size_t rulesSize = data[0] | (data[1] << 8);
    if (rulesSize + 3 > size) {
        return 0;
    }
    std::vector<std::uint8_t> rules(urrs::kMagic, urrs::kMagic + urrs::kMagicSize);
    rules.insert(rules.end(), data + 2, data + 2 + rulesSize);
    cSigList list;
    urrs::Load(rules, list);

    const std::uint8_t share = data[2 + rulesSize];
    const std::size_t blockSize = size - rulesSize - 3;
    auto block = std::make_unique<std::uint8_t[]>(blockSize);
    std::memcpy(block.get(), data + rulesSize + 3, blockSize);
    const auto limit = std::uint32_t(blockSize);
    const auto unit = std::uint32_t(std::uint64_t(limit) * share / 255);
    cScanSignature* found = list.FindSignature(block.get(), unit, limit, 0);
    if (found != nullptr) {
        std::uint32_t end = 0;
        CheckEnd(*found, block.get(), unit, limit, 0, end);
        CheckEnd(*found, block.get(), unit, limit, unit, end);
    }
    return 0;
}
