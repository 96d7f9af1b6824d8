// Images whose names hold "/" and "..", which no tool writes but a crafted or damaged
// volume can: drovik-cli cp of everything writes only inside DEST, each such name under
// its safe form.

#include "app_support.h"
#include "base/utf.h"
#include "support/fixtures.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using apptest::ReadFileText;

namespace {

// The file directly in folder whose name starts with "object" (a name that could not be
// kept), read whole; empty when there is none.
std::string ObjectFileText(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename().string().rfind("object", 0) == 0) {
            return ReadFileText(entry.path());
        }
    }
    return {};
}

// Copies everything on the image, crafted by craft, into scratch/inside/out; fails the
// test when anything lands outside that folder. The folder copied into.
fs::path CopyAllOfCrafted(const std::string& fixture,
                          const std::function<bool(std::vector<std::uint8_t>&)>& craft) {
    auto bytes = apptest::ReadFileBytes(fixture);
    EXPECT_TRUE(craft(bytes));
    const fs::path scratch = fixtures::ScratchDir();
    const fs::path image = scratch / "crafted.img";
    EXPECT_TRUE(apptest::WriteFileBytes(image.string(), bytes));
    const fs::path out = scratch / "inside" / "out";
    fs::create_directories(out.parent_path());
    const auto run = apptest::RunCli("cp " + apptest::Quoted(image.string()) + " / " +
                                     apptest::Quoted(out.string()));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(apptest::PathsOutside(scratch.string(), out.string()),
              std::vector<std::string>{"crafted.img"});
    return out;
}

TEST(CraftedNames, CopyOfAFatVolumeStaysInsideItsFolder) {
    const std::u16string longName = std::u16string(250, u'L') + u".txt";
    const fs::path out = CopyAllOfCrafted(
        fixtures::Image("fat-images.sh", "fat12.img"), [&](std::vector<std::uint8_t>& bytes) {
            return apptest::RenameFatLongName(bytes, u"README.TXT.bak", u"../../escaped") &&
                   apptest::RenameFatLongName(bytes, longName, u"..") &&
                   apptest::RenameFatLongName(bytes, u"Документы", u"../..");
        });
    const std::string tree = fixtures::Folder("fat-images.sh") + "/tree/small";
    EXPECT_EQ(ReadFileText(out / "..=..=escaped"), "mixed\n");
    EXPECT_EQ(ObjectFileText(out), ReadFileText(tree + "/" + utf::ToUtf8(longName)));
    EXPECT_TRUE(apptest::TreeDifferences(tree + "/Документы", (out / "..=..").string()).empty());
}

TEST(CraftedNames, CopyOfAnNtfsVolumeStaysInsideItsFolder) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "the image is made through FUSE";
    }
    const fs::path out = CopyAllOfCrafted(
        fixtures::Image("ntfs-volume.sh", "ntfs.img"), [](std::vector<std::uint8_t>& bytes) {
            return apptest::RenameNtfsName(bytes, u"readme.txt", u"../escape") &&
                   apptest::RenameNtfsName(bytes, u"ads.txt", u"..");
        });
    EXPECT_EQ(ReadFileText(out / "..=escape"), "hello, ntfs\n");
    EXPECT_EQ(ObjectFileText(out), "main stream\n");
}

} // namespace
