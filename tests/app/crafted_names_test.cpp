// Images whose names hold "/" and "..", which no tool writes but a crafted or damaged
// volume can: drovik-cli cp of everything writes only inside DEST, each such name under
// its safe form.

#include "app_support.h"
#include "base/utf.h"
#include "support/fixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using apptest::Quoted;
using apptest::RunCli;

namespace {

std::string ReadText(const fs::path& path) {
    const auto bytes = apptest::ReadFileBytes(path.string());
    return std::string(bytes.begin(), bytes.end());
}

// The file directly in folder whose name starts with "object" (a name that could not be
// kept), read whole; empty when there is none.
std::string ObjectFileText(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename().string().rfind("object", 0) == 0) {
            return ReadText(entry.path());
        }
    }
    return {};
}

TEST(CraftedNames, CopyOfAFatVolumeStaysInsideItsFolder) {
    auto bytes = apptest::ReadFileBytes(fixtures::Image("fat-images.sh", "fat12.img"));
    ASSERT_TRUE(apptest::RenameFatLongName(bytes, u"README.TXT.bak", u"../../escaped"));
    const std::u16string longName = std::u16string(250, u'L') + u".txt";
    ASSERT_TRUE(apptest::RenameFatLongName(bytes, longName, u".."));
    ASSERT_TRUE(apptest::RenameFatLongName(bytes, u"Документы", u"../.."));
    const fs::path scratch = fixtures::ScratchDir();
    const fs::path image = scratch / "crafted.img";
    ASSERT_TRUE(apptest::WriteFileBytes(image.string(), bytes));
    const fs::path out = scratch / "inside" / "out";
    fs::create_directories(out.parent_path());

    const auto run = RunCli("cp " + Quoted(image.string()) + " / " + Quoted(out.string()));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(apptest::PathsOutside(scratch.string(), out.string()),
              std::vector<std::string>{"crafted.img"});
    EXPECT_EQ(ReadText(out / "..=..=escaped"), "mixed\n");
    const std::string tree = fixtures::Folder("fat-images.sh") + "/tree/small";
    EXPECT_EQ(ObjectFileText(out), ReadText(tree + "/" + utf::ToUtf8(longName)));
    EXPECT_TRUE(apptest::TreeDifferences(tree + "/Документы", (out / "..=..").string()).empty());
}

TEST(CraftedNames, CopyOfAnNtfsVolumeStaysInsideItsFolder) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "the image is made through FUSE";
    }
    auto bytes = apptest::ReadFileBytes(fixtures::Image("ntfs-volume.sh", "ntfs.img"));
    ASSERT_TRUE(apptest::RenameNtfsName(bytes, u"readme.txt", u"../escape"));
    ASSERT_TRUE(apptest::RenameNtfsName(bytes, u"ads.txt", u".."));
    const fs::path scratch = fixtures::ScratchDir();
    const fs::path image = scratch / "crafted.img";
    ASSERT_TRUE(apptest::WriteFileBytes(image.string(), bytes));
    const fs::path out = scratch / "inside" / "out";
    fs::create_directories(out.parent_path());

    const auto run = RunCli("cp " + Quoted(image.string()) + " / " + Quoted(out.string()));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(apptest::PathsOutside(scratch.string(), out.string()),
              std::vector<std::string>{"crafted.img"});
    EXPECT_EQ(ReadText(out / "..=escape"), "hello, ntfs\n");
    EXPECT_EQ(ObjectFileText(out), "main stream\n");
}

} // namespace
