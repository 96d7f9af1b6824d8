// drovik-cli on Mac volumes as the tools here make them: the HFS+ volume of an xorriso
// hybrid ISO behind its Apple partition map, and a classic HFS volume from hfsutils. The
// recursive listing must name exactly the source tree (composed names from decomposed
// ones, Mac OS Roman names, no symbolic links), and partition table and facts must show
// the file system and its label.

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

struct Listed {
    std::string kind;
    std::uint64_t size = 0;
    bool operator==(const Listed&) const = default;
};
using Listing = std::map<std::string, Listed>;

// Rows of `ls -r`: kind, size, time, id, then the path to the end of the line.
Listing ParseListing(const std::string& text) {
    Listing listed;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Listed row;
        std::string time, id, path;
        fields >> row.kind >> row.size >> time >> id;
        std::getline(fields >> std::ws, path);
        listed[path] = row;
    }
    return listed;
}

Listing TreeListing(const std::string& tree) {
    Listing expected;
    for (const auto& item : fs::recursive_directory_iterator(tree)) {
        const std::string path = "/" + fs::relative(item.path(), tree).string();
        expected[path] =
            item.is_directory() ? Listed{"folder", 0} : Listed{"file", item.file_size()};
    }
    return expected;
}

struct Volume {
    const char* script;
    const char* image;
    const char* part; // "" for the whole image
    const char* fsName;
    const char* label;
};

class CliMacVolume : public ::testing::TestWithParam<Volume> {
protected:
    void SetUp() override {
        folder_ = fixtures::Folder(GetParam().script);
        ASSERT_FALSE(folder_.empty());
    }
    std::string Source() const {
        const std::string part = *GetParam().part ? std::string(" --part ") + GetParam().part : "";
        return Quoted(folder_ + "/" + GetParam().image) + part;
    }

    std::string folder_;
};

TEST_P(CliMacVolume, RecursiveListingNamesTheSourceTree) {
    const auto run = RunCli("ls " + Source() + " -r", false);
    ASSERT_EQ(run.status, 0) << run.output;
    const Listing listed = ParseListing(run.output);
    const Listing expected = TreeListing(folder_ + "/tree");
    for (const auto& [path, row] : expected) {
        const auto found = listed.find(path);
        if (found == listed.end()) {
            ADD_FAILURE() << "missing " << path;
        } else if (!(found->second == row)) {
            ADD_FAILURE() << path << " listed as " << found->second.kind << " "
                          << found->second.size << ", is " << row.kind << " " << row.size;
        }
    }
    for (const auto& [path, row] : listed) {
        EXPECT_TRUE(expected.count(path)) << "extra " << path;
    }
}

TEST_P(CliMacVolume, CatAndInfoAndParts) {
    const std::string tree = folder_ + "/tree";
    for (const auto& item : fs::recursive_directory_iterator(tree)) {
        if (item.is_regular_file() && item.path().parent_path().filename() != "many") {
            const std::string path = "/" + fs::relative(item.path(), tree).string();
            const auto run = RunCli("cat " + Source() + " " + Quoted(path), false);
            EXPECT_EQ(run.status, 0) << path;
            EXPECT_TRUE(run.output == apptest::ReadFileText(item.path().string())) << path;
        }
    }
    const auto info = RunCli("info " + Source());
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find(GetParam().fsName), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(GetParam().label), std::string::npos) << info.output;
    const auto parts = RunCli("parts " + Quoted(folder_ + "/" + GetParam().image) + " --json");
    EXPECT_EQ(parts.status, 0) << parts.output;
    EXPECT_NE(parts.output.find(std::string("\"label\":\"") + GetParam().label + "\""),
              std::string::npos)
        << parts.output;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CliMacVolume,
    ::testing::Values(Volume{"hfs-plus.sh", "hfsplus.iso", "3", "HFS+", "HFSPLUS_VOL"},
                      Volume{"hfs-classic.sh", "hfs.img", "", "HFS", "Classic Vol"}),
    [](const auto& info) { return std::string(info.param.part[0] ? "HfsPlus" : "Hfs"); });

} // namespace
