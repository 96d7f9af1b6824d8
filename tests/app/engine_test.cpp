// A storage list made by the engine is complete from its first entry: nothing has to be
// initialised before it, so no code can reach a list whose trees lack file systems.

#include "app/engine.h"
#include "base/utf.h"
#include "part/storage_tree_builder.h"
#include "support/fixtures.h"
#include "vfs/vfs.h"

#include <gtest/gtest.h>

namespace {

const cVFS* LeafFileSystem(const cStorageList& list, const cBaseIO* reader) {
    const auto* built = dynamic_cast<const cPartStorageTree*>(list.FindTree(reader));
    const cPartTreeItem* root = built ? built->Tree().First() : nullptr;
    return root ? root->FindExtensionAs<cVFS>(part_ext::kFileSystem) : nullptr;
}

TEST(Engine, ListsItMakesMountTheFileSystemsOfTheirEntries) {
    const std::string image = fixtures::Image("fat-images.sh", "fat16.img");
    cStorageList list(EngineTreeBuilder());
    const cBaseIO* reader = list.AddImageFile(utf::FromUtf8(image));
    ASSERT_NE(reader, nullptr);
    const cVFS* fs = LeafFileSystem(list, reader);
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(fs->GetFSType(), fstype::kFat);

    const cBaseIO* shared = StorageList().AddImageFile(utf::FromUtf8(image));
    ASSERT_NE(shared, nullptr);
    EXPECT_NE(LeafFileSystem(StorageList(), shared), nullptr);
    StorageList().Clear();
}

} // namespace
