// Reads arbitrary bytes as a rules file. Whatever loaded, with any result code, must
// describe itself and survive being written and read again unchanged.

#include "scan/signatures/signature.h"
#include "scan/signatures/urrs_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void DescribeAll(const cSigList& list) {
    for (std::size_t i = 0; i < list.Size(); ++i) {
        const cScanSignature& node = list.At(i);
        for (const auto& rule : node.BeginRules()) {
            (void)rule->Describe();
        }
        for (const auto& rule : node.EndRules()) {
            (void)rule->Describe();
        }
        DescribeAll(node.Children());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cSigList list;
    urrs::Load(std::span<const std::uint8_t>(data, size), list);
    DescribeAll(list);
    const std::vector<std::uint8_t> written = urrs::Save(list);
    cSigList again;
    if (urrs::Load(written, again).code != urrs::kLoaded || urrs::Save(again) != written) {
        std::abort();
    }
    return 0;
}
