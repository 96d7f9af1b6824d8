// drovik-cli on the volumes a guest kernel filled (tests/fixtures/guest-volumes.sh) as a
// user runs it: the recursive listing and a whole copy against the tree they were filled
// from, cat of files stored in unusual ways, and what parts and info say of the volume.

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

struct GuestCase {
    const char* image;
    const char* fsName; // as parts and info name the file system
    const char* label;
    const char* below; // where the tree lies inside the volume
};

class CliGuestVolume : public ::testing::TestWithParam<GuestCase> {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "the guest kernel needs root for its cache";
        }
        folder_ = fixtures::Folder("guest-volumes.sh");
        ASSERT_FALSE(folder_.empty());
    }
    std::string Image() const { return Quoted(folder_ + "/" + GetParam().image); }
    std::string Tree() const { return folder_ + "/tree"; }

    std::string folder_;
};

TEST_P(CliGuestVolume, RecursiveListingMatchesTheSourceTree) {
    const auto run =
        RunCli("ls " + Image() + " -r " + Quoted(std::string(GetParam().below) + "/"), false);
    ASSERT_EQ(run.status, 0);
    const std::size_t below = std::string(GetParam().below).size();
    std::map<std::string, std::string> listed;
    for (const auto& [path, kind] : apptest::ListedKinds(run.output)) {
        listed[path.substr(below)] = kind;
    }
    EXPECT_EQ(listed, apptest::TreeKinds(Tree()));
}

TEST_P(CliGuestVolume, CatCpPartsAndInfo) {
    const std::string below = GetParam().below;
    for (const char* path : {"/readme.txt", "/frag.bin", "/sparse.bin", "/Юникод/файл.txt",
                             "/many/entry-0399.txt", "/empty.bin"}) {
        const auto run = RunCli("cat " + Image() + " " + Quoted(below + path), false);
        EXPECT_EQ(run.status, 0) << path;
        EXPECT_TRUE(run.output == apptest::ReadFileText(Tree() + path)) << path;
    }
    const std::string out = fixtures::ScratchDir() + "/out";
    const auto copy = RunCli("cp " + Image() + " " + Quoted(below + "/") + " " + Quoted(out));
    ASSERT_EQ(copy.status, 0) << copy.output;
    auto differences = apptest::TreeDifferences(Tree(), out);
    std::erase_if(differences,
                  [](const std::string& d) { return d.find("link") != std::string::npos; });
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);

    const auto parts = RunCli("parts " + Image() + " --json", false);
    EXPECT_EQ(parts.status, 0);
    EXPECT_NE(parts.output.find(std::string("\"fs\":\"") + GetParam().fsName + "\""),
              std::string::npos)
        << parts.output;
    EXPECT_NE(parts.output.find(std::string("\"label\":\"") + GetParam().label + "\""),
              std::string::npos)
        << parts.output;
    const auto info = RunCli("info " + Image(), false);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find(GetParam().fsName), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(GetParam().label), std::string::npos) << info.output;
}

INSTANTIATE_TEST_SUITE_P(Images, CliGuestVolume,
                         ::testing::Values(GuestCase{"udf.img", "UDF", "drovik-udf", ""},
                                           GuestCase{"udf-4k.img", "UDF", "drovik-udf4k", ""},
                                           GuestCase{"reiser.img", "ReiserFS", "drovik-reiser",
                                                     ""}),
                         [](const auto& info) { return apptest::ImageTestName(info.param.image); });

} // namespace
