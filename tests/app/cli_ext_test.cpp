// drovik-cli on the Ext2/3/4 fixture volumes as a user runs it: the recursive listing
// against the tree each volume was made from, cat and cp of the files stored in unusual
// ways, and what parts and info say of the volume.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using apptest::Quoted;
using apptest::RunCli;

namespace {

struct ExtCase {
    const char* image;
    const char* tree;
    const char* label;
};

class CliExt : public ::testing::TestWithParam<ExtCase> {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "making the images needs a loop mount";
        }
        folder_ = fixtures::Folder("ext-images.sh");
        ASSERT_FALSE(folder_.empty());
    }
    std::string Image() const { return Quoted(folder_ + "/" + GetParam().image); }
    std::string Tree() const { return folder_ + "/" + GetParam().tree; }

    std::string folder_;
};

TEST_P(CliExt, RecursiveListingMatchesTheSourceTree) {
    const auto run = RunCli("ls " + Image() + " -r", false);
    ASSERT_EQ(run.status, 0);
    auto listed = apptest::ListedKinds(run.output);
    EXPECT_EQ(listed.erase("/lost+found"), 1u);
    EXPECT_EQ(listed, apptest::TreeKinds(Tree()));
}

TEST_P(CliExt, CatWritesEveryByteAndPartsAndInfoNameTheVolume) {
    for (const char* path :
         {"/readme.txt", "/deep/a/b/c/leaf.txt", "/big.bin", "/sparse.bin", "/Юникод/файл.txt",
          "/many/entry-2499.txt", "/prealloc.bin", "/frag/big.bin", "/frag/punched.bin"}) {
        if (!fs::exists(Tree() + path)) {
            continue;
        }
        const auto run = RunCli("cat " + Image() + " " + Quoted(path), false);
        EXPECT_EQ(run.status, 0) << path;
        EXPECT_TRUE(run.output == apptest::ReadFileText(Tree() + path)) << path;
    }
    const auto cat = RunCli("cat " + Image() + " /link-short");
    EXPECT_NE(cat.status, 0);

    const auto parts = RunCli("parts " + Image() + " --json", false);
    EXPECT_EQ(parts.status, 0);
    EXPECT_NE(parts.output.find("\"fs\":\"Ext2/3/4\""), std::string::npos) << parts.output;
    EXPECT_NE(parts.output.find(std::string("\"label\":\"") + GetParam().label + "\""),
              std::string::npos)
        << parts.output;
    const auto info = RunCli("info " + Image(), false);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find("Ext2/3/4"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(GetParam().label), std::string::npos) << info.output;
}

TEST_P(CliExt, CopiesFoldersOutWhole) {
    const std::string out = fixtures::ScratchDir() + "/out";
    const char* folders = fs::exists(Tree() + "/frag") ? " /deep /frag /many " : " /deep /many ";
    const auto run = RunCli("cp " + Image() + folders + Quoted(out));
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* folder : {"deep", "frag", "many"}) {
        if (fs::exists(Tree() + "/" + folder)) {
            const auto differences =
                apptest::TreeDifferences(Tree() + "/" + folder, out + "/" + folder);
            EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Images, CliExt,
                         ::testing::Values(ExtCase{"ext2.img", "tree", "drovik-ext2"},
                                           ExtCase{"ext3.img", "tree", "drovik-ext3"},
                                           ExtCase{"ext4.img", "tree", "drovik-ext4"},
                                           ExtCase{"ext4-loop.img", "tree-loop", "drovik-loop"}),
                         [](const auto& info) { return apptest::ImageTestName(info.param.image); });

} // namespace
