#include "part_list.h"

#include "app/findpart/part_list_file.h"
#include "app/findpart/part_search.h"
#include "command.h"

#include <cstdio>

namespace cli {

bool UsePartList(std::string_view command, cPartTree& tree, const std::string& path) {
    constexpr std::size_t kMaxBytes = 8 + partlist::kRecordBytes * (partlist::kMaxNodes + 1);
    const auto file = ReadSmallFile(path, kMaxBytes);
    if (!file) {
        Fail(command, "cannot read the partition list " + path + ": " + SystemReason());
        return false;
    }
    cPartTreeItem* top = tree.First();
    tree.DestroyChildren(*top);
    const partlist::cLoadResult loaded = partlist::Decode(
        *file, tree, *top, [](cPartTreeItem& node, std::uint8_t type, std::uint16_t) {
            AttachStoredReader(node, type);
        });
    if (!loaded.ok) {
        Fail(command, path + " is not a partition list, or it is damaged");
        return false;
    }
    if (!loaded.sameSize) {
        std::fprintf(stderr,
                     "drovik-cli %.*s: warning: %s was saved from a storage of another size\n",
                     int(command.size()), command.data(), path.c_str());
    }
    return true;
}

} // namespace cli
