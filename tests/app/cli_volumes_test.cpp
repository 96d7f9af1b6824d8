// drovik-cli on the ISO 9660, XFS and UFS fixture volumes as a user runs it: the recursive
// listing against the tree each volume was made from, cat of every file outside the big
// folders, cp of the whole volume, and what parts and info say.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using apptest::Quoted;
using apptest::RunCli;

namespace {

struct VolumeCase {
    const char* script;
    const char* image;
    const char* tree;
    const char* fileSystem; // as parts and info name it
    const char* label;
    bool needsRoot; // the script mounts a loop device
};

class CliVolume : public ::testing::TestWithParam<VolumeCase> {
protected:
    void SetUp() override {
        if (GetParam().needsRoot && !fixtures::IsRoot()) {
            GTEST_SKIP() << "making the images needs a loop mount";
        }
        folder_ = fixtures::Folder(GetParam().script);
        ASSERT_FALSE(folder_.empty());
    }
    std::string Image() const { return Quoted(folder_ + "/" + GetParam().image); }
    std::string Tree() const { return folder_ + "/" + GetParam().tree; }

    std::string folder_;
};

TEST_P(CliVolume, RecursiveListingMatchesTheSourceTree) {
    const auto run = RunCli("ls " + Image() + " -r", false);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(apptest::ListedKinds(run.output), apptest::TreeKinds(Tree()));
}

TEST_P(CliVolume, CatCopyPartsAndInfo) {
    // The files at the root, and one at the bottom of a folder chain.
    for (const auto& item : fs::recursive_directory_iterator(Tree())) {
        const std::string path = "/" + fs::relative(item.path(), Tree()).string();
        if (!item.is_regular_file() || (item.path().parent_path() != fs::path(Tree()) &&
                                        path.find("/d/") == std::string::npos)) {
            continue;
        }
        const auto run = RunCli("cat " + Image() + " " + Quoted(path), false);
        EXPECT_EQ(run.status, 0) << path;
        EXPECT_TRUE(run.output == apptest::ReadFileText(item.path().string())) << path;
    }
    const std::string out = fixtures::ScratchDir() + "/out";
    const auto copy = RunCli("cp " + Image() + " / " + Quoted(out));
    ASSERT_EQ(copy.status, 0) << copy.output;
    const auto differences = apptest::TreeDifferences(Tree(), out);
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);

    const auto parts = RunCli("parts " + Image() + " --json", false);
    EXPECT_EQ(parts.status, 0);
    EXPECT_NE(parts.output.find(std::string("\"fs\":\"") + GetParam().fileSystem + "\""),
              std::string::npos)
        << parts.output;
    EXPECT_NE(parts.output.find(std::string("\"label\":\"") + GetParam().label + "\""),
              std::string::npos)
        << parts.output;
    const auto info = RunCli("info " + Image(), false);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find(GetParam().fileSystem), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(GetParam().label), std::string::npos) << info.output;
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, CliVolume,
    ::testing::Values(
        VolumeCase{"iso-images.sh", "plain.iso", "tree-plain", "ISO9660", "PLAIN_VOL", false},
        VolumeCase{"iso-images.sh", "joliet.iso", "tree", "ISO9660", "Joliet Volume", false},
        VolumeCase{"iso-images.sh", "rr-xorriso.iso", "tree", "ISO9660", "RR_XORRISO", false},
        VolumeCase{"xfs-images.sh", "xfs5.img", "xfs5-tree", "SGI XFS", "drovik-xfs5", true},
        VolumeCase{"xfs-images.sh", "xfs4.img", "xfs5-tree", "SGI XFS", "drovik-xfs4", true},
        VolumeCase{"ufs-images.sh", "ufs2-le.img", "tree", "UFS", "drovik-ufs2-le", false},
        VolumeCase{"ufs-images.sh", "ufs1-be.img", "tree", "UFS (big endian)", "drovik-ufs1-be",
                   false}),
    [](const auto& info) {
        std::string name = info.param.image;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

} // namespace
