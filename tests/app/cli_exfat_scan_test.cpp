// drovik-cli scan --method exfat on the exFAT images of exfat-images.sh (mkfs.exfat,
// filled and partly deleted through exfat-fuse) with both boot regions zeroed: the volume
// is found from its root folder's entries, its tree copies out with cp --result as the
// source tree, and the deleted photos of the camera card come back whole; without the FAT
// too, files in one piece still read whole and the fragmented ones are kept as damaged.
// The recovery without a method tries exFAT after FAT.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using apptest::Quoted;
using apptest::RunCli;

std::string Folder() {
    return fixtures::Folder("exfat-images.sh");
}

// A copy of the image in scratch with its main and backup boot regions (24 sectors) zeroed,
// and count sectors from sector more.
std::string WithoutBootRegions(const std::string& scratch, const std::string& name,
                               std::size_t sector = 0, std::size_t count = 0) {
    std::vector<std::uint8_t> image = apptest::ReadFileBytes(Folder() + "/" + name);
    std::fill_n(image.begin(), 24 * 512, 0);
    std::fill_n(image.begin() + std::ptrdiff_t(sector * 512), count * 512, 0);
    const std::string path = scratch + "/" + name;
    EXPECT_TRUE(apptest::WriteFileBytes(path, image));
    return path;
}

// Scans image into scratch/r-*.drdb and copies result NAME out to scratch/NAME.
std::string ScanAndCopy(const std::string& image, const std::string& scratch,
                        const std::string& expect) {
    const auto scan =
        RunCli("scan " + Quoted(image) + " --method exfat --out " + Quoted(scratch + "/r"));
    EXPECT_EQ(scan.status, 0) << scan.output;
    EXPECT_NE(scan.output.find(expect), std::string::npos) << scan.output;
    for (const char* name : {"tree", "deleted", "damaged"}) {
        const auto copy =
            RunCli("cp " + Quoted(image) + " --result " + Quoted(scratch + "/r-" + name + ".drdb") +
                   " / " + Quoted(scratch + "/" + name));
        EXPECT_EQ(copy.status, 0) << name << copy.output;
    }
    return scan.output;
}

TEST(CliExfatScan, ACardWithoutBootRegionsGivesBackItsPhotosAndItsDeletedOnes) {
    const std::string scratch = fixtures::ScratchDir();
    const std::string image = WithoutBootRegions(scratch, "card.img");
    ASSERT_NE(RunCli("ls " + Quoted(image)).status, 0);
    ScanAndCopy(image, scratch,
                "exFAT volume, 8192-byte clusters from sector 4096, root at cluster 4, 1792 "
                "clusters, FAT at sector 2048");
    EXPECT_EQ(apptest::TreeDifferences(Folder() + "/tree/card", scratch + "/tree"),
              std::vector<std::string>{});
    std::size_t deleted = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch + "/deleted")) {
        if (entry.is_regular_file()) {
            ++deleted;
            EXPECT_TRUE(apptest::ReadFileBytes(entry.path().string()) ==
                        apptest::ReadFileBytes(Folder() + "/deleted/card/" +
                                               entry.path().filename().string()))
                << entry.path();
        }
    }
    EXPECT_EQ(deleted, 6u);
    EXPECT_TRUE(std::filesystem::is_empty(scratch + "/damaged"));
}

TEST(CliExfatScan, AVolumeWithoutBootRegionsFollowsTheFatForChainedFilesAndFolders) {
    const std::string scratch = fixtures::ScratchDir();
    const std::string image = WithoutBootRegions(scratch, "exfat.img");
    ScanAndCopy(image, scratch, "4096-byte clusters from sector 4096, root at cluster 5");
    EXPECT_EQ(apptest::TreeDifferences(Folder() + "/tree/full", scratch + "/tree"),
              std::vector<std::string>{});
    EXPECT_TRUE(apptest::ReadFileBytes(scratch + "/deleted/photo.jpg") ==
                apptest::ReadFileBytes(Folder() + "/deleted/photo.jpg"));
    EXPECT_TRUE(std::filesystem::is_directory(scratch + "/deleted/gone folder"));
}

TEST(CliExfatScan, WithoutTheFatContiguousFilesStayWholeAndFragmentedOnesAreDamaged) {
    const std::string scratch = fixtures::ScratchDir();
    // The FAT lies at sector 2048, 48 sectors long.
    const std::string image = WithoutBootRegions(scratch, "exfat.img", 2048, 48);
    ScanAndCopy(image, scratch, "no FAT found");
    for (const char* path : {"/zero.bin", "/over4k.bin", "/Документы/big.bin", "/MiXeD.Txt"}) {
        EXPECT_TRUE(apptest::ReadFileBytes(scratch + "/tree" + path) ==
                    apptest::ReadFileBytes(Folder() + "/tree/full" + path))
            << path;
    }
    // Only the first cluster of each can be known to be theirs.
    for (const char* name : {"fragmented.bin", "companion.bin"}) {
        EXPECT_FALSE(std::filesystem::exists(scratch + "/tree/" + name));
        const std::vector<std::uint8_t> kept = apptest::ReadFileBytes(scratch + "/damaged/" + name);
        const std::vector<std::uint8_t> source =
            apptest::ReadFileBytes(Folder() + "/tree/full/" + name);
        ASSERT_EQ(kept.size(), 4096u) << name;
        EXPECT_TRUE(std::equal(kept.begin(), kept.end(), source.begin())) << name;
    }
}

TEST(CliExfatScan, TheRecoveryWithoutAMethodFindsTheCardAfterFatAndScansItsFreeClusters) {
    const std::string scratch = fixtures::ScratchDir();
    const std::string image = WithoutBootRegions(scratch, "card.img");
    const auto scan = RunCli("scan " + Quoted(image) + " --out " + Quoted(scratch + "/r"));
    ASSERT_EQ(scan.status, 0) << scan.output;
    for (const char* line :
         {"tree: 6 files", "deleted: 6 files", "damaged: 0 files", "content: "}) {
        EXPECT_NE(scan.output.find(line), std::string::npos) << line << "\n" << scan.output;
    }
}

} // namespace
