#include "part/parse_order.h"

#include "part/apple.h"
#include "part/bsd.h"
#include "part/gpt.h"
#include "part/ldm.h"
#include "part/lvm2.h"
#include "part/map_io.h"
#include "part/mbr.h"
#include "part/netware.h"
#include "part/part_tree.h"
#include "part/solaris.h"

#include <iterator>

namespace {

struct ParserEntry {
    std::uint32_t id;
    bool (*probe)(cPartTreeItem&);
    std::unique_ptr<cPartParser> (*make)();
};

template <class Parser> constexpr ParserEntry Entry() {
    return {Parser::kId, &Parser::Probe,
            []() -> std::unique_ptr<cPartParser> { return std::make_unique<Parser>(); }};
}

constexpr ParserEntry kRootOrder[] = {
    Entry<cLdmPartParser>(), Entry<cMbrPartParser>(),  Entry<cApplePartParser>(),
    Entry<cGPTPartParser>(), Entry<cSnapPartParser>(), Entry<cLvmPartParser>(),
    Entry<cBsdPartParser>(),
};

constexpr ParserEntry kNestedOrder[] = {
    Entry<cBsdPartParser>(), Entry<cNetWarePartParser>(), Entry<cNssPartParser>(),
    Entry<cGPTPartParser>(), Entry<cLvmPartParser>(),     Entry<cSolarisPartParser>(),
};

// A map that describes a partition starting where the map itself lies (a GPT entry
// covering its own header) would be found again in that partition, and again below it.
bool SameMapAbove(const cPartTreeItem& node, std::uint32_t id) {
    for (const cPartTreeItem* up = node.Parent(); up != nullptr && up->Start() == node.Start();
         up = up->Parent()) {
        if (const cPartParser* parser = up->Parser();
            parser != nullptr && parser->GetParserId() == id) {
            return true;
        }
    }
    return false;
}

} // namespace

bool RunParser(cPartTreeItem& node, std::unique_ptr<cPartParser> parser) {
    cPartParser& running = *parser;
    node.AttachExtension(std::move(parser));
    return running.Parse(node);
}

bool RootParse(cPartTreeItem& node) {
    for (const ParserEntry& entry : kRootOrder) {
        if (entry.probe(node)) {
            return RunParser(node, entry.make());
        }
    }
    return true;
}

void NestedParse(cPartTreeItem& node) {
    if (node.Depth() > part::kMaxNestingDepth) {
        return;
    }
    // A disklabel is looked for first; after it, an entry typed as a dynamic-disk link says
    // what it holds outright and goes to the NT LDM parser unprobed.
    const auto tryEntry = [&node](const ParserEntry& entry) {
        if (SameMapAbove(node, entry.id) || !entry.probe(node)) {
            return false;
        }
        RunParser(node, entry.make());
        return true;
    };
    if (tryEntry(kNestedOrder[0])) {
        return;
    }
    if (node.TypeCode() == part_type::kLdmLink) {
        RunParser(node, std::make_unique<cLdmPartParser>());
        return;
    }
    for (auto it = std::next(std::begin(kNestedOrder)); it != std::end(kNestedOrder); ++it) {
        if (tryEntry(*it)) {
            return;
        }
    }
}
