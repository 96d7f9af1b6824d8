#include "part/build_tree.h"

#include "io/base_io.h"
#include "part/parse_order.h"

#include <atomic>

namespace {
std::atomic<cLeafDetector*> g_detector{nullptr};
} // namespace

void PublishLeafDetector(cLeafDetector* detector) {
    g_detector.store(detector);
}

cLeafDetector* PublishedLeafDetector() {
    return g_detector.load();
}

bool BuildTree(cPartTree& tree, cBaseIO& storage) {
    tree.DestroyAll();
    const std::uint64_t sectors = storage.GetSectorCount();
    if (sectors == 0) {
        return false;
    }
    auto root = std::make_unique<cPartTreeItem>();
    root->SetRecord(&storage, 0, sectors, part_type::kWholeStorage);
    return RootParse(tree.AddChild(nullptr, std::move(root)));
}

void DetectLeafFileSystems(cPartTree& tree) {
    cLeafDetector* detector = PublishedLeafDetector();
    if (detector == nullptr) {
        return;
    }
    tree.ForEach([detector](cPartTreeItem& node) {
        if (!node.HasChildren()) {
            node.AttachExtension(detector->Detect(node));
        }
    });
}
