// drovik-cli scan without --method runs the window's recovery: a FAT32 and an NTFS volume
// whose boot sectors are zeroed are found and rebuilt (copied out and compared with the
// trees they were filled from), an ext4 volume is told unscannable, and an unrecognisable
// partition is asked about: no without a terminal, yes with --yes.

#include "app_support.h"
#include "support/fixtures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using apptest::Quoted;
using apptest::RunCli;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CliAutoScan, AFat32VolumeWithoutBootSectorsIsRebuiltAndItsFreeSpaceScanned) {
    const std::string image = fixtures::Image("fat-scan.sh", "fat32-noboot.img");
    const std::string scratch = fixtures::ScratchDir();
    const auto scan = RunCli("scan " + Quoted(image) + " --out " + Quoted(scratch + "/r"));
    ASSERT_EQ(scan.status, 0) << scan.output;
    EXPECT_TRUE(Has(scan.output, "tree: 68 files")) << scan.output;
    EXPECT_TRUE(Has(scan.output, "deleted: 2 files")) << scan.output;
    EXPECT_TRUE(Has(scan.output, "content: ")) << scan.output;
    const auto copy = RunCli("cp " + Quoted(image) + " --result " +
                             Quoted(scratch + "/r-tree.drdb") + " / " + Quoted(scratch + "/out"));
    ASSERT_EQ(copy.status, 0) << copy.output;
    EXPECT_EQ(
        apptest::TreeDifferences(fixtures::Folder("fat-scan.sh") + "/tree-32", scratch + "/out"),
        std::vector<std::string>{});
}

TEST(CliAutoScan, AnNtfsVolumeWithoutBootSectorsIsRebuilt) {
    const std::string scratch = fixtures::ScratchDir();
    std::vector<std::uint8_t> bytes =
        apptest::ReadFileBytes(fixtures::Image("ntfs-volume.sh", "ntfs.img"));
    ASSERT_GT(bytes.size(), 1024u);
    std::fill_n(bytes.begin(), 512, 0);
    std::fill_n(bytes.end() - 512, 512, 0);
    const std::string image = scratch + "/disk.img";
    ASSERT_TRUE(apptest::WriteFileBytes(image, bytes));
    const auto scan =
        RunCli("scan " + Quoted(image) + " --method auto --out " + Quoted(scratch + "/r"));
    ASSERT_EQ(scan.status, 0) << scan.output;
    for (const char* name : {"tree", "deleted", "damaged"}) {
        EXPECT_TRUE(std::filesystem::exists(scratch + "/r-" + name + ".drdb")) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch + "/r-content.drdb"));
    // The folders of plain, compressed, sparse and fragmented files copy out whole.
    const std::string tree = fixtures::Folder("ntfs-volume.sh") + "/tree";
    for (const char* folder : {"many", "comp", "frag", "dosname"}) {
        const std::string out = scratch + "/out-" + folder;
        const auto copy =
            RunCli("cp " + Quoted(image) + " --result " + Quoted(scratch + "/r-tree.drdb") + " /" +
                   folder + " " + Quoted(out));
        ASSERT_EQ(copy.status, 0) << copy.output;
        EXPECT_EQ(apptest::TreeDifferences(tree + "/" + folder, out + "/" + folder),
                  std::vector<std::string>{})
            << folder;
    }
}

TEST(CliAutoScan, AnExt4VolumeIsToldUnscannableAndNothingIsSaved) {
    const std::string scratch = fixtures::ScratchDir();
    const auto scan = RunCli("scan " + Quoted(fixtures::Image("ext-images.sh", "ext4.img")) +
                             " --out " + Quoted(scratch + "/r"));
    EXPECT_EQ(scan.status, 1);
    EXPECT_TRUE(Has(scan.output, "Scanning this file system is not supported.")) << scan.output;
    EXPECT_TRUE(std::filesystem::is_empty(scratch));
}

TEST(CliAutoScan, AnUnknownPartitionIsScannedByContentOnlyWhenAgreed) {
    const std::string scratch = fixtures::ScratchDir();
    const std::string image = scratch + "/noise.img";
    ASSERT_TRUE(apptest::WriteFileBytes(image, std::vector<std::uint8_t>(1 << 20, 0x5A)));
    const std::string rules = scratch + "/no-rules";
    std::filesystem::create_directory(rules);

    const auto refused = RunCli("scan " + Quoted(image) + " --rules " + Quoted(rules) + " --out " +
                                Quoted(scratch + "/r"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Has(refused.output, "by their content? no: there is no terminal"))
        << refused.output;
    EXPECT_FALSE(std::filesystem::exists(scratch + "/r-content.drdb"));

    const auto agreed = RunCli("scan " + Quoted(image) + " --rules " + Quoted(rules) +
                               " --yes --out " + Quoted(scratch + "/r"));
    EXPECT_EQ(agreed.status, 0) << agreed.output;
    EXPECT_TRUE(Has(agreed.output, "No content search rules are set.")) << agreed.output;
    EXPECT_TRUE(Has(agreed.output, "content: 0 files, 0 bytes")) << agreed.output;
    const std::vector<std::string> saved = {"r-content.drdb"};
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(scratch)) {
        if (entry.path().extension() == ".drdb") {
            files.push_back(entry.path().filename().string());
        }
    }
    EXPECT_EQ(files, saved);
}

} // namespace
