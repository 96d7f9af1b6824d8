// drovik-cli findpart on disks whose partition tables were wiped, and the saved list
// taken by the other commands with --partlist: the partitions browse and copy out
// byte-exact.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using apptest::Quoted;
using apptest::RunCli;

std::string ExpectedJson(const std::string& image) {
    std::ifstream table(std::filesystem::path(image).replace_extension(".table"));
    std::ostringstream rows;
    for (std::uint64_t start = 0, length = 0; table >> start >> length;) {
        rows << start << ' ' << length << '\n';
    }
    return rows.str();
}

// "start length" of every JSON row, in order.
std::string Extents(const std::string& json) {
    std::istringstream lines(json);
    std::ostringstream extents;
    for (std::string line; std::getline(lines, line);) {
        unsigned long long start = 0, length = 0;
        if (std::sscanf(line.c_str(), "{\"start\":%llu,\"length\":%llu", &start, &length) == 2) {
            extents << start << ' ' << length << '\n';
        }
    }
    return extents.str();
}

TEST(CliFindPart, ListsEveryLostPartitionOnceAndTheListBrowsesByteExact) {
    const std::string folder = fixtures::Folder("findpart.sh");
    const std::string scratch = fixtures::ScratchDir();
    for (const char* name : {"mbr", "ntfs-noboot", "gpt"}) {
        SCOPED_TRACE(name);
        const std::string image = folder + "/" + name + ".img";
        const std::string list = scratch + "/" + name + ".qornpl";
        const auto found =
            RunCli("findpart " + Quoted(image) + " --json --save " + Quoted(list), false);
        ASSERT_EQ(found.status, 0) << found.output;
        EXPECT_EQ(Extents(found.output), ExpectedJson(image));
        EXPECT_EQ(found.output.find("\"listed\":true"), std::string::npos) << found.output;

        const auto parts = RunCli("parts " + Quoted(image) + " --partlist " + Quoted(list));
        ASSERT_EQ(parts.status, 0) << parts.output;
        const auto rows = std::count(found.output.begin(), found.output.end(), '\n');
        for (long i = 1; i <= rows; ++i) {
            const std::string part = std::to_string(i);
            const auto data = RunCli("cat " + Quoted(image) + " --partlist " + Quoted(list) +
                                         " --part " + part + " /docs/random.bin",
                                     false);
            EXPECT_EQ(data.status, 0) << part;
            EXPECT_TRUE(data.output == apptest::ReadFileText(folder + "/src/docs/random.bin"))
                << "partition " << part;
        }
    }
}

TEST(CliFindPart, APartitionListThatIsNotOneIsRefused) {
    const std::string image = fixtures::Image("findpart.sh", "mbr.img");
    const std::string bad = fixtures::ScratchDir() + "/bad.qornpl";
    std::ofstream(bad) << "QORNR399 and then some";
    const auto ls = RunCli("ls " + Quoted(image) + " --partlist " + Quoted(bad) + " --part 1");
    EXPECT_NE(ls.status, 0);
    EXPECT_NE(ls.output.find("not a partition list"), std::string::npos) << ls.output;
}

// An ext volume that lost its first blocks along with the partition table is found by the
// copy of its superblock in group 1, at its true start and with its own length.
TEST(CliFindPart, FindsAnExtVolumeWhosePrimarySuperblockIsGone) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    const std::string wiped = fixtures::Image("ext-images.sh", "ext4-wiped.img");
    const std::string disk = fixtures::ScratchDir() + "/ext-wiped-disk.img";
    {
        std::ofstream out(disk, std::ios::binary);
        out << std::string(1 << 20, '\0') << std::ifstream(wiped, std::ios::binary).rdbuf();
    }
    const auto found = RunCli("findpart " + Quoted(disk) + " --json", false);
    ASSERT_EQ(found.status, 0) << found.output;
    EXPECT_EQ(Extents(found.output), "2048 49152\n");
    EXPECT_NE(found.output.find("\"label\":\"drovik-ext4\""), std::string::npos) << found.output;
}

} // namespace
