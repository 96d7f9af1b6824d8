#include "scan/signatures/sig_encode.h"
#include "scan/signatures/signature.h"
#include "scan/signatures/urrs_file.h"

namespace urrs {
namespace {

void PutList(std::vector<std::uint8_t>& out, const cSigList& list) {
    for (std::size_t i = 0; i < list.Size(); ++i) {
        const cScanSignature& node = list.At(i);
        sigencode::PutU8(out, 1);
        const std::uint8_t locator = node.Locator() ? node.Locator()->Kind() : siglocator::kNone;
        sigencode::PutU8(out, std::uint8_t(node.Kind() | (node.MatchAll() ? 0 : 8) | locator << 4));
        if (node.Locator()) {
            node.Locator()->Encode(out);
        }
        sigencode::PutUnits(out, node.Name());
        sigencode::PutUnits(out, node.Extension());
        for (const auto& rule : node.BeginRules()) {
            sigencode::PutU8(out, rule->Kind());
            rule->Encode(out);
        }
        sigencode::PutU8(out, 0);
        for (const auto& rule : node.EndRules()) {
            sigencode::PutU8(out, rule->Kind());
            rule->Encode(out);
        }
        sigencode::PutU8(out, 0);
        PutList(out, node.Children());
    }
    sigencode::PutU8(out, 0);
}

} // namespace

std::vector<std::uint8_t> Save(const cSigList& topLevel) {
    std::vector<std::uint8_t> out(kMagic, kMagic + kMagicSize);
    PutList(out, topLevel);
    return out;
}

} // namespace urrs
