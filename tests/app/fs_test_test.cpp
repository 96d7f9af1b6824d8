// The file-system test: counters against the tree a FAT volume was filled from, files
// and folders on unreadable sectors found damaged (files only when read to the end), the
// volume's unreadable sectors named, an empty root, and the report's exact bytes.

#include "app/fs_tools/fs_test.h"
#include "app_support.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using apptest::Quoted;

std::string FatFolder() {
    return fixtures::Folder("fat-images.sh");
}

cFsTestCounters CountTree(const std::string& root) {
    cFsTestCounters counters;
    counters.intactFolders = 1; // the root itself
    for (const auto& [path, kind] : apptest::TreeKinds(root)) {
        if (kind == "folder") {
            ++counters.intactFolders;
        } else {
            ++counters.intactFiles;
            counters.intactBytes += std::stoull(kind.substr(kind.find(' ') + 1));
        }
    }
    return counters;
}

cFsTestResult RunTest(cVFS& fs, bool readAll) {
    cFsTestResult result;
    int progressCalls = 0;
    EXPECT_TRUE(TestFileSystem(
        fs, readAll, result, [&](const cFsTestResult&) { ++progressCalls; }, [] { return false; }));
    EXPECT_GT(progressCalls, 0);
    return result;
}

// The sector of the image where bytes first stand; fails the test when they are missing.
std::uint64_t SectorOf(const std::vector<std::uint8_t>& image, const std::string& bytes) {
    const std::vector<std::uint8_t> wanted(bytes.begin(), bytes.end());
    const auto found = std::search(image.begin(), image.end(), wanted.begin(), wanted.end());
    EXPECT_NE(found, image.end());
    return std::uint64_t(found - image.begin()) / 512;
}

TEST(FsTestTest, IntactVolumeCountsWhatTheSourceTreeHolds) {
    const auto fat = apptest::MountFat(FatFolder() + "/fat16.img", false);
    ASSERT_TRUE(fat);
    const cFsTestCounters expected = CountTree(FatFolder() + "/tree/full");
    for (const bool readAll : {false, true}) {
        const cFsTestResult result = RunTest(*fat->reader, readAll);
        EXPECT_EQ(result.counters, expected);
        EXPECT_TRUE(result.damaged.empty());
        EXPECT_TRUE(result.badRanges.Empty());
    }
}

TEST(FsTestTest, UnreadableSectorsDamageTheFolderAndTheFileOnThem) {
    const auto fat = apptest::MountFat(FatFolder() + "/fat16.img", false);
    ASSERT_TRUE(fat);
    auto& storage = dynamic_cast<cMemIO&>(*fat->storage);
    const std::string big =
        apptest::ReadFileText(FatFolder() + "/tree/full/Документы/big.bin").substr(10240, 512);
    const std::uint64_t bigSector = SectorOf(storage.Bytes(), big);
    const std::uint64_t folderSector = SectorOf(storage.Bytes(), "F0001   TXT");
    storage.FailSector(bigSector);
    storage.FailSector(folderSector);

    cFsTestCounters expected = CountTree(FatFolder() + "/tree/full");
    const cFsTestCounters many = CountTree(FatFolder() + "/tree/full/many");
    expected.intactFolders -= 1;
    expected.damagedFolders = 1;
    expected.intactFiles -= many.intactFiles;
    expected.intactBytes -= many.intactBytes;

    // Opening big.bin needs none of its data: it is intact until it is read whole.
    const cFsTestResult opened = RunTest(*fat->reader, false);
    EXPECT_EQ(opened.counters, expected);
    EXPECT_EQ(opened.damaged, std::vector<std::u16string>{u"/many"});
    EXPECT_TRUE(opened.badRanges.Empty());

    const cFsTestResult read = RunTest(*fat->reader, true);
    expected.intactFiles -= 1;
    expected.intactBytes -= 300000;
    expected.damagedFiles = 1;
    expected.damagedBytes = 300000;
    EXPECT_EQ(read.counters, expected);
    std::vector<std::u16string> damaged = read.damaged;
    std::sort(damaged.begin(), damaged.end());
    EXPECT_EQ(damaged, (std::vector<std::u16string>{u"/many", u"/Документы/big.bin"}));
    EXPECT_EQ(read.badRanges.Ranges(),
              (std::vector<cSectorRange>{{std::min(bigSector, folderSector), 1},
                                         {std::max(bigSector, folderSector), 1}}));
}

TEST(FsTestTest, EmptyRootIsOneIntactFolder) {
    const std::string image = fixtures::ScratchDir() + "/fstest-empty.img";
    std::remove(image.c_str());
    ASSERT_EQ(std::system(("mkfs.fat -C " + Quoted(image) + " 1440 >/dev/null").c_str()), 0);
    const auto fat = apptest::MountFat(image, false);
    ASSERT_TRUE(fat);
    cFsTestCounters expected;
    expected.intactFolders = 1;
    EXPECT_EQ(RunTest(*fat->reader, true).counters, expected);
}

TEST(FsTestTest, ReportHasTheFiguresAndDamagedPathsInUtf16WithCrLf) {
    apptest::LoadTexts();
    cFsTestResult result;
    result.counters = {3, 1, 10, 2, 5000, 77};
    result.damaged = {u"/a", u"/b/c.txt"};
    result.readAll = true;
    result.badRanges.Add(100, 8);
    const std::string bytes = BuildFsTestReport(result);
    std::u16string expected = u"\uFEFFТестирование файловой системы\r\n"
                              u"\r\n"
                              u"Тестированные папки: Неповрежденные 3, Поврежденные 1\r\n"
                              u"Тестированные файлы: Неповрежденные 10, Поврежденные 2\r\n"
                              u"Размер данных: Неповрежденные 5000, Поврежденные 77\r\n"
                              u"Нечитаемые секторы: 1 bad range (8 sectors): 100-107\r\n"
                              u"/a\r\n"
                              u"/b/c.txt\r\n";
    std::string expectedBytes;
    for (const char16_t unit : expected) {
        expectedBytes += char(unit & 0xFF);
        expectedBytes += char(unit >> 8);
    }
    EXPECT_EQ(bytes, expectedBytes);

    result.readAll = false;
    EXPECT_EQ(BuildFsTestReport(result, report::Encoding::Utf8).find("Нечитаемые"),
              std::string::npos);
}

TEST(FsTestTest, CommandLinePrintsCountersAndWritesTheReport) {
    const std::string image = Quoted(FatFolder() + "/fat16.img");
    const std::string reportPath = fixtures::ScratchDir() + "/fstest-report.txt";
    const auto run = apptest::RunCli(
        "fstest " + image + " --json --read-all --report " + Quoted(reportPath), false);
    EXPECT_EQ(run.status, 0);
    const cFsTestCounters c = CountTree(FatFolder() + "/tree/full");
    EXPECT_EQ(run.output,
              "{\"intact_folders\":" + std::to_string(c.intactFolders) +
                  ",\"damaged_folders\":0,\"intact_files\":" + std::to_string(c.intactFiles) +
                  ",\"damaged_files\":0,\"intact_bytes\":" + std::to_string(c.intactBytes) +
                  ",\"damaged_bytes\":0,\"bad_sectors\":\"no bad sectors\"}\n");
    const std::string written = apptest::ReadFileText(reportPath);
    EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(apptest::RunCli("fstest " + image + " --report /no/such/folder/r.txt").status, 0);
}

} // namespace
