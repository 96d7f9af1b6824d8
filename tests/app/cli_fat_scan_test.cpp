// drovik-cli scan --method fat on a FAT32 volume whose two boot sectors are zeroed: the
// rebuilt tree, copied out with cp --result, is the tree the volume was filled from, the
// root's own files and folders in place.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using apptest::Quoted;
using apptest::RunCli;

TEST(CliFatScan, RebuildsAVolumeWithoutBootSectorsByteExact) {
    const std::string image = fixtures::Image("fat-scan.sh", "fat32-noboot.img");
    const std::string folder = std::filesystem::path(image).parent_path().string();
    const std::string scratch = fixtures::ScratchDir();
    const std::string base = scratch + "/lost";
    const auto scan = RunCli("scan " + Quoted(image) + " --method fat --out " + Quoted(base));
    ASSERT_EQ(scan.status, 0) << scan.output;
    EXPECT_NE(scan.output.find("FAT32 volume, 512-byte clusters"), std::string::npos)
        << scan.output;
    for (const char* name : {"tree", "deleted", "damaged"}) {
        EXPECT_TRUE(std::filesystem::exists(base + "-" + name + ".drdb")) << name;
    }
    const std::string out = scratch + "/out";
    const auto copy = RunCli("cp " + Quoted(image) + " --result " + Quoted(base + "-tree.drdb") +
                             " / " + Quoted(out));
    ASSERT_EQ(copy.status, 0) << copy.output;
    EXPECT_EQ(apptest::TreeDifferences(folder + "/tree-32", out), std::vector<std::string>{});

    const auto deleted =
        RunCli("cat " + Quoted(image) + " --result " + Quoted(base + "-deleted.drdb") + " " +
                   Quoted("/deleted file with a long name.bin"),
               false);
    EXPECT_TRUE(deleted.output ==
                apptest::ReadFileText(folder + "/deleted-32/deleted file with a long name.bin"));
}

} // namespace
