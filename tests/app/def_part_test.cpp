// Partitions defined by hand: what the detection finds at a known offset of a disk whose
// partition table is wiped, the size taken from the file system, a volume reaching past
// a storage cut short, and drovik-cli --at browsing the volume as --part did before.

#include "app/fs_tools/def_part.h"
#include "app_support.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/fs_types.h"

#include <gtest/gtest.h>

namespace {

using apptest::Quoted;
using apptest::RunCli;

constexpr std::uint64_t kStart = 2048;      // where disk.img's FAT16 volume starts
constexpr std::uint64_t kFsSectors = 20480; // its own size
constexpr std::uint64_t kDiskSectors = 24576;

// disk.img with its partition table wiped, kept as bytes and as a file.
std::vector<std::uint8_t> WipedDisk(const std::string& path) {
    auto bytes = apptest::ReadFileBytes(fixtures::Folder("fat-images.sh") + "/disk.img");
    EXPECT_EQ(bytes.size(), kDiskSectors * 512);
    std::fill(bytes.begin(), bytes.begin() + 512, 0);
    EXPECT_TRUE(apptest::WriteFileBytes(path, bytes));
    return bytes;
}

TEST(DefPartTest, ProbeFindsTheVolumeAtItsOffsetAndItsOwnSize) {
    cMemIO disk(WipedDisk(fixtures::ScratchDir() + "/defpart-wiped.img"));
    const defpart::cFound found = defpart::Probe(disk, kStart, 0);
    EXPECT_EQ(found.fsType, fstype::kFat);
    EXPECT_EQ(found.label, u"PARTVOL");
    EXPECT_EQ(found.fsSectors, kFsSectors);
    EXPECT_FALSE(found.pastStorageEnd);
    EXPECT_EQ(defpart::DefaultLength(disk, kStart, found), kFsSectors);

    const defpart::cFound nothing = defpart::Probe(disk, kStart + 1, 100);
    EXPECT_EQ(nothing.fsType, 0u);
    EXPECT_EQ(defpart::DefaultLength(disk, kStart + 1, nothing), kDiskSectors - kStart - 1);
    EXPECT_EQ(defpart::Probe(disk, kDiskSectors, 0).fsType, 0u);
}

TEST(DefPartTest, VolumeOfAStorageCutShortReachesPastItsEnd) {
    auto bytes = apptest::ReadFileBytes(fixtures::Folder("fat-images.sh") + "/disk.img");
    bytes.resize(16384 * 512);
    cMemIO disk(std::move(bytes));
    const defpart::cFound found = defpart::Probe(disk, kStart, 0);
    EXPECT_EQ(found.fsType, fstype::kFat);
    EXPECT_TRUE(found.pastStorageEnd);
    const std::string image = fixtures::ScratchDir() + "/defpart-cut.img";
    ASSERT_TRUE(apptest::WriteFileBytes(image, disk.Bytes()));
    const auto run = RunCli("ls " + Quoted(image) + " --at 2048", true);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("reaches past the end of the storage (16384 sectors)"),
              std::string::npos);
}

TEST(DefPartTest, DefinedNodeCarriesTheFileSystemAndItsLabel) {
    cMemIO disk(WipedDisk(fixtures::ScratchDir() + "/defpart-wiped.img"));
    cPartTree tree;
    auto root = std::make_unique<cPartTreeItem>();
    root->SetRecord(&disk, 0, kDiskSectors, 0);
    tree.AddChild(nullptr, std::move(root));
    cPartTreeItem* node = defpart::Define(tree, kStart, kFsSectors);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->Parent(), tree.First());
    EXPECT_EQ(node->Start(), kStart);
    EXPECT_EQ(node->Length(), kFsSectors);
    const auto* fs = node->FindExtensionAs<cVFS>(part_ext::kFileSystem);
    ASSERT_TRUE(fs);
    EXPECT_EQ(fs->GetFSType(), fstype::kFat);
    const auto* label = node->FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->Name(), u"PARTVOL");
    EXPECT_EQ(defpart::Define(tree, kDiskSectors, 1), nullptr);
}

TEST(DefPartTest, AtBrowsesTheVolumeOfAWipedTableAsThePartitionDid) {
    const std::string wiped = fixtures::ScratchDir() + "/defpart-wiped.img";
    WipedDisk(wiped);
    const std::string disk = Quoted(fixtures::Folder("fat-images.sh") + "/disk.img");
    const auto before = RunCli("ls " + disk + " --part 1 -r --json", false);
    ASSERT_EQ(before.status, 0);
    EXPECT_EQ(RunCli("ls " + Quoted(wiped) + " -r --json").status, 1);
    for (const char* at : {"2048", "2048:20480", "0x800"}) {
        SCOPED_TRACE(at);
        const auto after = RunCli("ls " + Quoted(wiped) + " --at " + at + " -r --json", false);
        EXPECT_EQ(after.status, 0);
        EXPECT_EQ(after.output, before.output);
    }
    // The same volume through the other commands that take --part.
    EXPECT_EQ(RunCli("du " + Quoted(wiped) + " --at 2048 / --json", false).output,
              RunCli("du " + disk + " --part 1 / --json", false).output);
    EXPECT_EQ(RunCli("cat " + Quoted(wiped) + " --at 2048 /readme.txt", false).output,
              apptest::ReadFileText(fixtures::Folder("fat-images.sh") + "/tree/small/readme.txt"));

    const struct {
        std::string options;
        const char* message;
    } wrong[] = {
        {"--at 99999", "starts past the end of the storage (24576 sectors)"},
        {"--at 2048:0", "--at takes START[:LENGTH]"},
        {"--at 20x", "--at takes START[:LENGTH]"},
        {"--at 2048 --part 1", "either --part or --at"},
        {"--at 100", "holds no file system"},
    };
    for (const auto& [options, message] : wrong) {
        SCOPED_TRACE(options);
        const auto run = RunCli("ls " + Quoted(wiped) + " " + options);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
    }
}

} // namespace
