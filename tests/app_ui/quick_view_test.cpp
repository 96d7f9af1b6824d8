// Quick view over images whose names hold "/" and "..": the copy lands inside the quick
// view folder under the name's safe form, whatever the volume says, for FAT long names
// and NTFS names alike.

#include "app/app_support.h"
#include "app/copy_window/copy_window.h"
#include "app/engine.h"
#include "base/utf.h"
#include "gui/custom_form.h"
#include "gui/sdl/headless_maker.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "support/fixtures.h"
#include "vfs/vfs.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

namespace {

// The live files of the root folder of the image's only file system, by name.
class cOpenedImage {
public:
    explicit cOpenedImage(const std::string& path) {
        const cBaseIO* reader = list_.AddImageFile(utf::FromUtf8(path));
        const auto* built =
            reader ? dynamic_cast<const cPartStorageTree*>(list_.FindTree(reader)) : nullptr;
        if (!built) {
            return;
        }
        built->Tree().ForEach([this](cPartTreeItem& node) {
            if (!fs_) {
                fs_ = node.FindExtensionAs<cVFS>(part_ext::kFileSystem);
            }
        });
    }

    std::map<std::u16string, std::unique_ptr<cFSObject>> RootFiles() {
        std::map<std::u16string, std::unique_ptr<cFSObject>> files;
        if (!fs_) {
            return files;
        }
        const auto root = fs_->GetObject(fs_->GetRootId());
        fs_->EnumFolder(*root, [&](cFSObject& entry) {
            if (entry.Kind() == fskind::kFile) {
                files[entry.name] = entry.Clone();
            }
            return true;
        });
        return files;
    }

private:
    cStorageList list_{EngineTreeBuilder()};
    cVFS* fs_ = nullptr;
};

struct Case {
    const char* script;
    const char* image;
    bool fat;
    const char16_t* from;
    const char16_t* to;
    const char* safeName; // "" when the name becomes an object name
    const char* bytes;    // null: as the fixture's source tree holds the file
};

// A 254-character name of the FAT fixture: the longest name a crafted one may replace.
const std::u16string kLongNameText = std::u16string(250, u'L') + u".txt";
const char16_t* const kLongName = kLongNameText.c_str();

class QuickView : public ::testing::TestWithParam<Case> {};

TEST_P(QuickView, WritesOnlyInsideItsFolder) {
    const Case& c = GetParam();
    if (!c.fat && !fixtures::IsRoot()) {
        GTEST_SKIP() << "the image is made through FUSE";
    }
    apptest::LoadTexts();
    auto bytes = apptest::ReadFileBytes(fixtures::Image(c.script, c.image));
    ASSERT_TRUE(c.fat ? apptest::RenameFatLongName(bytes, c.from, c.to)
                      : apptest::RenameNtfsName(bytes, c.from, c.to));
    const fs::path scratch = fixtures::ScratchDir();
    const fs::path image = scratch / "crafted.img";
    ASSERT_TRUE(apptest::WriteFileBytes(image.string(), bytes));
    const fs::path folder = scratch / "a" / "b" / "view";
    fs::create_directories(folder);

    cOpenedImage opened(image.string());
    auto files = opened.RootFiles();
    ASSERT_TRUE(files.count(c.to)) << "the crafted name is not listed";
    cHeadlessMaker maker;
    cCustomForm owner("qorns::zelvane");
    std::u16string written;
    EXPECT_EQ(CopyForQuickView(owner, *files[c.to], utf::FromUtf8(folder.string()), written),
              eCopyOutcome::Copied);
    EXPECT_EQ(apptest::PathsOutside(scratch.string(), folder.string()),
              std::vector<std::string>{"crafted.img"});
    const fs::path copy = utf::ToUtf8(written);
    EXPECT_EQ(copy.parent_path(), folder);
    if (*c.safeName) {
        EXPECT_EQ(copy.filename(), c.safeName);
    } else {
        EXPECT_EQ(copy.filename().string().rfind("object", 0), 0u) << copy;
    }
    const auto content = apptest::ReadFileBytes(copy.string());
    if (c.bytes) {
        EXPECT_EQ(std::string(content.begin(), content.end()), c.bytes);
    } else {
        EXPECT_EQ(content, apptest::ReadFileBytes(fixtures::Folder(c.script) + "/tree/small/" +
                                                  utf::ToUtf8(c.from)));
    }
}

INSTANTIATE_TEST_SUITE_P(CraftedNames, QuickView,
                         ::testing::Values(Case{"fat-images.sh", "fat12.img", true, kLongName,
                                                u"../../escaped", "..=..=escaped", nullptr},
                                           Case{"fat-images.sh", "fat12.img", true,
                                                u"README.TXT.bak", u"..", "", "mixed\n"},
                                           Case{"ntfs-volume.sh", "ntfs.img", false, u"readme.txt",
                                                u"../../x", "..=..=x", "hello, ntfs\n"},
                                           Case{"ntfs-volume.sh", "ntfs.img", false, u"ads.txt",
                                                u"..", "", "main stream\n"}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

} // namespace
