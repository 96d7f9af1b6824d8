// The size evaluation: blocks of every size for empty, one-byte and odd-sized files, and
// drovik-cli du and the job over a FAT volume against the tree it was filled from.

#include "app/fs_tools/eval_size.h"
#include "app_support.h"
#include "support/fixtures.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using apptest::Quoted;
using apptest::RunCli;

TEST(EvalSizeTest, EmptyFilesTakeNoBlockAndOneByteTakesOneOfEachSize) {
    cEvalSizeCounters counters;
    counters.AddFile(0);
    EXPECT_EQ(counters.files, 1u);
    EXPECT_EQ(counters.blocks, (std::array<std::uint64_t, 6>{}));
    counters.AddFile(1);
    EXPECT_EQ(counters.blocks, (std::array<std::uint64_t, 6>{1, 1, 1, 1, 1, 1}));
    counters.AddFile(16385);
    EXPECT_EQ(counters.files, 3u);
    EXPECT_EQ(counters.bytes, 16386u);
    EXPECT_EQ(counters.blocks, (std::array<std::uint64_t, 6>{34, 18, 10, 6, 4, 3}));
}

// The counters of the files of a folder of this machine.
cEvalSizeCounters CountTree(const std::string& root) {
    cEvalSizeCounters counters;
    for (const auto& [path, kind] : apptest::TreeKinds(root)) {
        if (kind != "folder") {
            counters.AddFile(std::stoull(kind.substr(kind.find(' ') + 1)));
        }
    }
    return counters;
}

std::string Json(const cEvalSizeCounters& counters) {
    std::string text = "{\"files\":" + std::to_string(counters.files) +
                       ",\"bytes\":" + std::to_string(counters.bytes);
    for (std::size_t i = 0; i < counters.blocks.size(); ++i) {
        text += ",\"blocks_" + std::to_string(cEvalSizeCounters::kBlockSizes[i]) +
                "\":" + std::to_string(counters.blocks[i]);
    }
    return text + "}\n";
}

TEST(EvalSizeTest, DuCountsWhatTheSourceTreeHolds) {
    const std::string folder = fixtures::Folder("fat-images.sh");
    const std::string image = Quoted(folder + "/fat16.img");
    const auto whole = RunCli("du " + image + " / --json", false);
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.output, Json(CountTree(folder + "/tree/full")));

    // A folder and a file side by side.
    cEvalSizeCounters expected = CountTree(folder + "/tree/full/many");
    expected.AddFile(300000);
    const auto some = RunCli("du " + image + " /many /Документы/big.bin --json", false);
    EXPECT_EQ(some.output, Json(expected));
    EXPECT_EQ(RunCli("du " + image + " /nothing-here").status, 1);
}

TEST(EvalSizeTest, JobCountsTheSelectionOnItsThread) {
    const std::string folder = fixtures::Folder("fat-images.sh");
    const auto fat = apptest::MountFat(folder + "/fat12.img", false);
    ASSERT_TRUE(fat);
    cEvalSizeJob job(*fat->reader, fat->RootObjects());
    ASSERT_TRUE(job.Start());
    while (job.IsRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const cEvalSizeCounters counted = job.Counters();
    const cEvalSizeCounters expected = CountTree(folder + "/tree/small");
    EXPECT_EQ(counted.files, expected.files);
    EXPECT_EQ(counted.bytes, expected.bytes);
    EXPECT_EQ(counted.blocks, expected.blocks);
}

} // namespace
