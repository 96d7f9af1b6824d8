// drovik-cli on the ISO 9660 fixture images as a user runs it: the recursive listing
// against the tree each image was made from, cat and cp, and what parts and info say.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using apptest::Quoted;
using apptest::RunCli;

namespace {

struct IsoCase {
    const char* image;
    const char* tree;
    const char* label;
};

class CliIso : public ::testing::TestWithParam<IsoCase> {
protected:
    void SetUp() override {
        folder_ = fixtures::Folder("iso-images.sh");
        ASSERT_FALSE(folder_.empty());
    }
    std::string Image() const { return Quoted(folder_ + "/" + GetParam().image); }
    std::string Tree() const { return folder_ + "/" + GetParam().tree; }

    std::string folder_;
};

TEST_P(CliIso, RecursiveListingMatchesTheSourceTree) {
    const auto run = RunCli("ls " + Image() + " -r", false);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(apptest::ListedKinds(run.output), apptest::TreeKinds(Tree()));
}

TEST_P(CliIso, CatCopyPartsAndInfo) {
    for (const auto& item : fs::recursive_directory_iterator(Tree())) {
        if (!item.is_regular_file() || item.path().parent_path().filename() == "many") {
            continue;
        }
        const std::string path = "/" + fs::relative(item.path(), Tree()).string();
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
    EXPECT_NE(parts.output.find("\"fs\":\"ISO9660\""), std::string::npos) << parts.output;
    EXPECT_NE(parts.output.find(std::string("\"label\":\"") + GetParam().label + "\""),
              std::string::npos)
        << parts.output;
    const auto info = RunCli("info " + Image(), false);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find("ISO9660"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(GetParam().label), std::string::npos) << info.output;
}

INSTANTIATE_TEST_SUITE_P(Images, CliIso,
                         ::testing::Values(IsoCase{"plain.iso", "tree-plain", "PLAIN_VOL"},
                                           IsoCase{"joliet.iso", "tree", "Joliet Volume"},
                                           IsoCase{"rr-xorriso.iso", "tree", "RR_XORRISO"}),
                         [](const auto& info) {
                             std::string name = info.param.image;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

} // namespace
