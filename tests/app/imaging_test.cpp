// Imaging a failing storage: the map's ranges and text, the passes over a storage that
// fails chosen sectors (in each image format the image must equal the source but for
// them, the map must name exactly them), runs stopped at every checkpoint resuming to the
// same result, and drovik-cli image over a loop device, killed halfway and resumed.

#include "app/imaging/image_job.h"
#include "app/imaging/imager.h"
#include "app_support.h"
#include "base/utf.h"
#include "io/container_formats.h"
#include "io/flat_io.h"
#include "io/storage_list.h"
#include "scan/async_scan_io.h"
#include "support/failing_io.h"
#include "support/fixtures.h"
#include "support/loop_device.h"
#include "support/mem_io.h"

#include <array>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using imaging::cImageMap;
using imaging::cMapRange;
using imaging::eFormat;
using imaging::eState;

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) {
        byte = std::uint8_t(random() | 1); // never zero, so a sector left zero shows
    }
    return bytes;
}

// The disk an image holds as qemu-img reads it (an independent reader of VMware disks),
// or the file's bytes for the raw formats.
std::vector<std::uint8_t> ImageBytes(const std::string& path, eFormat format) {
    if (format != eFormat::kVmdk) {
        return apptest::ReadFileBytes(path);
    }
    const std::string raw = path + ".qemu.raw";
    if (std::system(("qemu-img convert -f vmdk -O raw " + apptest::Quoted(path) + " " +
                     apptest::Quoted(raw))
                        .c_str()) != 0) {
        return {};
    }
    std::vector<std::uint8_t> bytes = apptest::ReadFileBytes(raw);
    std::remove(raw.c_str());
    return bytes;
}

TEST(ImageMap, SetSplitsAndMergesRanges) {
    cImageMap map(100);
    map.Set(10, 5, eState::kGood);
    map.Set(15, 5, eState::kGood);
    map.Set(12, 1, eState::kBad);
    map.Set(95, 50, eState::kSkipped); // cut at the end
    map.Set(200, 5, eState::kGood);    // wholly past it
    EXPECT_EQ(map.Ranges(), (std::vector<cMapRange>{{0, 10, eState::kUntried},
                                                    {10, 2, eState::kGood},
                                                    {12, 1, eState::kBad},
                                                    {13, 7, eState::kGood},
                                                    {20, 75, eState::kUntried},
                                                    {95, 5, eState::kSkipped}}));
    map.Set(12, 1, eState::kGood);
    EXPECT_EQ(map.Ranges()[1], (cMapRange{10, 10, eState::kGood}));
    EXPECT_EQ(map.Count(eState::kGood), 10u);
    EXPECT_EQ(map.Next(eState::kUntried, 5)->first, 0u);
    EXPECT_EQ(map.Next(eState::kUntried, 10)->first, 20u);
    EXPECT_FALSE(map.Next(eState::kBad, 0));
}

TEST(ImageMap, TextRoundTripsAndDamagedTextIsRefused) {
    cImageMap map(1000);
    map.Set(0, 100, eState::kGood);
    map.Set(100, 8, eState::kFailing);
    map.Set(500, 1, eState::kBad);
    const std::optional<cImageMap> back = cImageMap::Parse(map.Format());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Ranges(), map.Ranges());
    EXPECT_EQ(back->Sectors(), 1000u);

    const std::pair<const char*, const char*> refused[] = {
        {"0 10 good\n", "line 1"},                               // no size line
        {"sectors 10\n0 5 good\n6 4 bad\n", "line 3"},           // a gap
        {"sectors 10\n0 5 good\n4 6 bad\n", "line 3"},           // an overlap
        {"sectors 10\n0 11 good\n", "line 2"},                   // past the size
        {"sectors 10\n0 5 good\n", "cover"},                     // short of it
        {"sectors 10\n0 10 shiny\n", "unknown state"},           // a state we do not know
        {"sectors 10\n0 0 good\n0 10 good\n", "line 2"},         // an empty range
        {"sectors 10\n0 99999999999999999999 good\n", "line 2"}, // a number past 64 bits
        {"sectors 18446744073709551615\n0 18446744073709551615 good\n1 1 good\n", "line 3"},
        {"sectors 10\n0 10 good extra\n", "line 2"},
    };
    for (const auto& [text, why] : refused) {
        std::string error;
        EXPECT_FALSE(cImageMap::Parse(text, &error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << text << " -> " << error;
    }
    // Comments, blank lines and Windows line ends are fine.
    EXPECT_TRUE(cImageMap::Parse("# x\r\n\r\nsectors 4\r\n0 4 untried\r\n"));
}

// A failing storage over random bytes and an image file of the format in a scratch folder.
class Imaging : public ::testing::TestWithParam<eFormat> {
protected:
    static constexpr std::uint64_t kSectors = 40000;

    void SetUp() override {
        source_ = RandomBytes(kSectors * 512, 7);
        path_ = fixtures::ScratchDir() + "/out.img";
    }

    std::unique_ptr<cFailingIO> Storage() const {
        auto storage = std::make_unique<cFailingIO>(std::make_unique<cMemIO>(source_));
        for (const std::uint64_t sector : bad_) {
            storage->FailSectors(sector);
        }
        return storage;
    }

    // Runs the imager from map until it ends or stop says so after a checkpoint; saved
    // holds the last map text saved.
    bool Run(cImageMap& map, bool create, const std::function<bool(int)>& stop,
             std::string& saved) {
        const std::unique_ptr<cFailingIO> storage = Storage();
        auto target = create ? imaging::cImageTarget::Create(path_, kSectors, GetParam())
                             : imaging::cImageTarget::Resume(path_, kSectors, GetParam());
        EXPECT_TRUE(target);
        imaging::cOptions options;
        options.blockSectors = 256;
        options.returnSectors = 32;
        options.saveEveryMs = 0;
        imaging::cImager imager(*storage, *target, map, options);
        int checkpoints = 0;
        const bool finished = imager.Run(
            [&](const cImageMap& current) {
                saved = current.Format();
                return true;
            },
            [&](const imaging::cProgress&) { return !stop(++checkpoints); });
        reads_ = storage->Reads();
        return finished;
    }

    void ExpectImageOfSource() const {
        std::vector<std::uint8_t> want = source_;
        for (const std::uint64_t sector : bad_) {
            std::fill_n(want.begin() + std::ptrdiff_t(sector * 512), 512, 0);
        }
        EXPECT_TRUE(ImageBytes(path_, GetParam()) == want);
    }

    void ExpectBadExactly(const cImageMap& map) const {
        cImageMap want(kSectors);
        want.Set(0, kSectors, eState::kGood);
        for (const std::uint64_t sector : bad_) {
            want.Set(sector, 1, eState::kBad);
        }
        EXPECT_EQ(map.Ranges(), want.Ranges());
    }

    std::vector<std::uint8_t> source_;
    std::string path_;
    std::vector<cFailingIO::cRead> reads_; // of the last run
    // The first and last sectors, a lone one, a pair across a page, a cluster of a page's
    // worth, and scattered ones that fall into the passed-over parts of forward blocks.
    std::vector<std::uint64_t> bad_ = {0,     1000,  4095,  4096,  9000,  9001,  9002,
                                       9003,  9004,  9005,  9006,  9007,  9100,  12345,
                                       20000, 20001, 20300, 25000, 31999, 33333, kSectors - 1};
};

// Opened with its map, the image fails the sectors the drive failed, so a scan of it
// lists them as the scan of the drive would, instead of reading the zeros held there.
TEST_P(Imaging, AScanOfTheImageOpenedWithItsMapMeetsTheBadSectorsAgain) {
    cImageMap map(kSectors);
    std::string saved;
    ASSERT_TRUE(Run(
        map, true, [](int) { return false; }, saved));
    cStorageList list(nullptr);
    const cBaseIO* image = list.AddImageFile(utf::FromUtf8(path_), map.NotRescued());
    ASSERT_TRUE(image);
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(image, 1024, 0));
    ASSERT_EQ(reader.Seek(0, kSectors), 0);
    std::uint32_t count = 0;
    while (reader.NextBlock(count)) {
    }
    cBadRanges want;
    for (const std::uint64_t sector : bad_) {
        want.Add(sector, 1);
    }
    EXPECT_EQ(reader.BadRanges().Ranges(), want.Ranges());
}

// What is read does not depend on the image format; one is enough.
class ImagingReads : public Imaging {};

TEST_P(Imaging, EverySectorButTheFailedOnesIsRescuedAndTheMapNamesExactlyThose) {
    cImageMap map(kSectors);
    std::string saved;
    ASSERT_TRUE(Run(
        map, true, [](int) { return false; }, saved));
    ExpectImageOfSource();
    ExpectBadExactly(map);
    EXPECT_EQ(saved, map.Format());
}

TEST_P(ImagingReads, AHealthyStorageIsCopiedInLargeReadsOnly) {
    bad_.clear();
    cImageMap map(kSectors);
    std::string saved;
    ASSERT_TRUE(Run(
        map, true, [](int) { return false; }, saved));
    ExpectImageOfSource();
    ExpectBadExactly(map);
    ASSERT_EQ(reads_.size(), (kSectors + 255) / 256);
    for (std::size_t i = 0; i < reads_.size(); ++i) {
        EXPECT_EQ(
            reads_[i],
            (cFailingIO::cRead{
                i * 256, std::uint32_t(std::min<std::uint64_t>(256, kSectors - i * 256)), false}));
    }
}

TEST_P(ImagingReads, FailingPagesAreReadSectorBySectorOnceAndBadSectorsRetriedOnce) {
    cImageMap map(kSectors);
    std::string saved;
    ASSERT_TRUE(Run(
        map, true, [](int) { return false; }, saved));
    std::size_t uncached = 0;
    for (const cFailingIO::cRead& read : reads_) {
        uncached += read.uncached;
    }
    // Pass 3 reads the 8 sectors of each failing page once; pass 4 each bad sector once
    // more. Pages: 0, 1000, 4095, 4096, 9000-9007, 9100, 12345, 20000/20001, 20300, 25000,
    // 31999, 33333 and the last sector's.
    EXPECT_LE(uncached, 14 * 8 + bad_.size());
    EXPECT_GE(uncached, bad_.size() * 2);
}

TEST_P(Imaging, ARunStoppedAtAnyCheckpointResumesToTheSameResult) {
    std::string saved;
    cImageMap whole(kSectors);
    ASSERT_TRUE(Run(
        whole, true, [](int) { return false; }, saved));
    int total = 0;
    cImageMap counted(kSectors);
    Run(
        counted, true,
        [&](int n) {
            total = n;
            return false;
        },
        saved);
    ASSERT_GT(total, 10);
    for (int stopAt = 1; stopAt < total; stopAt += std::max(1, total / 5)) {
        cImageMap map(kSectors);
        EXPECT_FALSE(Run(
            map, true, [&](int n) { return n == stopAt; }, saved));
        std::optional<cImageMap> resumed = cImageMap::Parse(saved);
        ASSERT_TRUE(resumed);
        EXPECT_TRUE(Run(
            *resumed, false, [](int) { return false; }, saved))
            << stopAt;
        EXPECT_EQ(resumed->Ranges(), whole.Ranges()) << stopAt;
        ExpectImageOfSource();
    }
}

TEST_P(Imaging, RetriesOnResumeRescueSectorsThatReadAgain) {
    cImageMap map(kSectors);
    std::string saved;
    ASSERT_TRUE(Run(
        map, true, [](int) { return false; }, saved));
    bad_ = {9003, 33333}; // the others read now
    ASSERT_TRUE(Run(
        map, false, [](int) { return false; }, saved));
    ExpectImageOfSource();
    ExpectBadExactly(map);
}

// A VMware image allocates no grain for what reads as zeros, and opens in the program as
// the disk it holds.
TEST(ImageTarget, AVmdkImageLeavesZeroGrainsOutAndOpensAsTheDisk) {
    constexpr std::uint64_t kSectors = 64 * 1024;
    std::vector<std::uint8_t> source(kSectors * 512, 0);
    const std::vector<std::uint8_t> data = RandomBytes(300 * 512, 3);
    std::copy(data.begin(), data.end(), source.begin() + 5000 * 512);
    cMemIO storage(source);
    const std::string path = fixtures::ScratchDir() + "/zeros.vmdk";
    cImageMap map(kSectors);
    auto target = imaging::cImageTarget::Create(path, kSectors, eFormat::kVmdk);
    ASSERT_TRUE(target);
    imaging::cImager imager(storage, *target, map, imaging::cOptions{});
    ASSERT_TRUE(imager.Run([](const cImageMap&) { return true; },
                           [](const imaging::cProgress&) { return true; }));
    target.reset();
    // 300 sectors touch 4 grains of 64 KiB; the tables and headers take less than a MiB.
    EXPECT_LT(apptest::ReadFileBytes(path).size(), std::size_t(1) << 20);

    cFlatIO file;
    const cNamedFileResource name(utf::FromUtf8(path));
    ASSERT_TRUE(file.Open(&name, true));
    const std::unique_ptr<cBaseIO> disk = OpenContainer(file);
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetStorageKind(), storage_kind::kVmdk);
    ASSERT_EQ(disk->GetSectorCount(), kSectors);
    std::vector<std::uint8_t> back(source.size());
    ASSERT_EQ(disk->SeekSector(0), 0);
    ASSERT_EQ(disk->ReadSectors(back.data(), std::uint32_t(kSectors)), kSectors);
    EXPECT_TRUE(back == source);
}

std::string FormatTestName(const ::testing::TestParamInfo<eFormat>& info) {
    constexpr std::array<const char*, 3> kNames = {"Raw", "Sparse", "Vmdk"};
    return kNames[std::size_t(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Formats, Imaging,
                         ::testing::Values(eFormat::kRaw, eFormat::kSparse, eFormat::kVmdk),
                         FormatTestName);
INSTANTIATE_TEST_SUITE_P(Sparse, ImagingReads, ::testing::Values(eFormat::kSparse), FormatTestName);

// drovik-cli image over a loop device: the image equals it, and a run killed halfway
// resumes to the same image and a map of one good range.
TEST(CliImage, ALoopDeviceIsCopiedAndAKilledRunResumes) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "needs root for loop devices";
    }
    const std::string folder = fixtures::ScratchDir();
    const std::vector<std::uint8_t> bytes = RandomBytes(48 << 20, 11);
    ASSERT_TRUE(apptest::WriteFileBytes(folder + "/disk.raw", bytes));
    fixtures::LoopDevice loop(folder + "/disk.raw");
    ASSERT_TRUE(loop.Attached());

    const std::string out = folder + "/copy.img";
    const apptest::CliOutcome whole =
        apptest::RunCli("image " + loop.Path() + " " + apptest::Quoted(out) + " --format sparse");
    ASSERT_EQ(whole.status, 0) << whole.output;
    EXPECT_NE(whole.output.find("0 bad bytes in 0 ranges"), std::string::npos) << whole.output;
    EXPECT_TRUE(apptest::ReadFileBytes(out) == bytes);
    EXPECT_EQ(apptest::ReadFileText(out + ".map"),
              "# drovik image map: first sector, sector count, state\nsectors 98304\n"
              "0 98304 good\n");

    // Killed at some point of its run; whatever it managed, the resumed run completes it.
    for (const char* format : {"raw", "vmdk"}) {
        SCOPED_TRACE(format);
        const std::string killed = folder + "/killed." + format;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string cli = fixtures::BinDir() + "/drovik-cli";
            ::execl(cli.c_str(), cli.c_str(), "image", loop.Path().c_str(), killed.c_str(),
                    "--format", format, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::usleep(300 * 1000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const apptest::CliOutcome resumed = apptest::RunCli(
            "image " + loop.Path() + " " + apptest::Quoted(killed) + " --format " + format);
        ASSERT_EQ(resumed.status, 0) << resumed.output;
        EXPECT_TRUE(ImageBytes(killed, *imaging::FormatNamed(format)) == bytes);
    }
    // A run is only taken up in the format it began in.
    EXPECT_NE(
        apptest::RunCli("image " + loop.Path() + " " + apptest::Quoted(out) + " --format vmdk")
            .status,
        0);

    // A map of another size is not resumed from.
    const std::string badMap = "sectors 8\n0 8 good\n";
    ASSERT_TRUE(apptest::WriteFileBytes(folder + "/bad.map",
                                        std::vector<std::uint8_t>(badMap.begin(), badMap.end())));
    EXPECT_NE(apptest::RunCli("image " + loop.Path() + " " + apptest::Quoted(out) + " --map " +
                              apptest::Quoted(folder + "/bad.map"))
                  .status,
              0);
    // Scans of the image read what its map says was not rescued as unreadable; a map of
    // another size is refused.
    const std::string partMap = "sectors 98304\n0 98000 good\n98000 304 bad\n";
    ASSERT_TRUE(apptest::WriteFileBytes(out + ".map",
                                        std::vector<std::uint8_t>(partMap.begin(), partMap.end())));
    const apptest::CliOutcome scanned = apptest::RunCli(
        "scan " + apptest::Quoted(out) + " --method fat --out " + apptest::Quoted(folder + "/s"),
        true, 120);
    EXPECT_NE(scanned.output.find("304 sectors of " + out + " were not rescued"), std::string::npos)
        << scanned.output;
    const apptest::CliOutcome refused = apptest::RunCli(
        "scan " + apptest::Quoted(out) + " --map " + apptest::Quoted(folder + "/bad.map") +
        " --method fat --out " + apptest::Quoted(folder + "/s"));
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.output.find("bad.map describes 8 sectors"), std::string::npos)
        << refused.output;
    // Nothing is written over the source.
    EXPECT_NE(apptest::RunCli("image " + apptest::Quoted(folder + "/disk.raw") + " " +
                              apptest::Quoted(folder + "/disk.raw"))
                  .status,
              0);
}

} // namespace
