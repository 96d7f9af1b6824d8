// Loads arbitrary bytes as a partition list file. Whatever the records claim (endless
// siblings, levels nested without end, a file cut anywhere), the load must end within its
// limits, and a list that loads must save to a file that loads into the same list again.

#include "app/findpart/part_list_file.h"
#include "support/mem_io.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct cLoaded {
    explicit cLoaded(std::span<const std::uint8_t> file)
        : storage(std::vector<std::uint8_t>(4096)) {
        auto top = std::make_unique<cPartTreeItem>();
        top->SetRecord(&storage, 0, storage.GetSectorCount(), 0);
        tree.AddChild(nullptr, std::move(top));
        result = partlist::Decode(file, tree, *tree.First(),
                                  [](cPartTreeItem&, std::uint8_t, std::uint16_t) {});
    }
    cMemIO storage;
    cPartTree tree;
    partlist::cLoadResult result;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const cLoaded first(std::span(data, size));
    if (first.tree.NodeCount() > partlist::kMaxNodes + 1) {
        std::abort();
    }
    if (!first.result.ok) {
        return 0;
    }
    const std::vector<std::uint8_t> saved = partlist::Encode(*first.tree.First());
    const cLoaded second(saved);
    if (!second.result.ok || second.tree.NodeCount() != first.tree.NodeCount() ||
        partlist::Encode(*second.tree.First()) != saved) {
        std::abort();
    }
    return 0;
}
