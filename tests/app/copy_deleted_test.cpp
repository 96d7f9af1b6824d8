// What the copy does with deleted entries, files that read back short, and a target too
// full for the copy: nothing asked for is passed over in silence, and nothing that failed
// passes for copied.

#include "app/copy/copy_files_job.h"
#include "app/copy/copy_report.h"
#include "app_support.h"
#include "base/utf.h"
#include "listed_fs.h"
#include "support/fixtures.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using apptest::cListedFS;
using apptest::ReadFileText;

namespace {

class cRecordingFront final : public cCopyFilesFront {
public:
    bool copyWithoutRoom = false;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> roomQuestions;

    cConflictReply AskOverwrite(std::u16string_view) override { return {}; }
    bool AskCopyWithoutRoom(std::uint64_t needed, std::uint64_t available) override {
        roomQuestions.emplace_back(needed, available);
        return copyWithoutRoom;
    }
};

void RunToEnd(cCopyFilesJob& job) {
    ASSERT_TRUE(job.Start());
    while (job.IsRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    job.Stop();
}

class CopyDeleted : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::LoadTexts();
        out_ = fixtures::ScratchDir() + "/out";
        fs::create_directories(out_);
        volume_.folders[1] = {
            {false, u"live.txt", 2},
            {false, u"gone.txt", 3, 0, true},
            {true, u"GONEDIR", 4, 0, true},
            {true, u"kept", 5},
        };
        volume_.folders[4] = {
            {true, u".", 4},
            {true, u"..", 1},
            {false, u"inner.bin", 6, 70000, true},
        };
        volume_.folders[5] = {
            {false, u"current.txt", 7},
            {false, u"older.txt", 8, 0, true},
        };
    }
    std::vector<std::unique_ptr<cFSObject>> Root() {
        std::vector<std::unique_ptr<cFSObject>> objects;
        for (const auto& entry : volume_.folders[1]) {
            objects.push_back(volume_.Make(entry, 1));
        }
        return objects;
    }
    std::u16string Target() const { return utf::FromUtf8(out_.string()); }

    cListedFS volume_;
    fs::path out_;
};

TEST_F(CopyDeleted, ADeletedFileAloneIsCopiedToItsTarget) {
    std::vector<std::unique_ptr<cFSObject>> request;
    request.push_back(volume_.Make(volume_.folders[1][1], 1));
    cRecordingFront front;
    cCopyFilesJob job(&front, std::move(request), Target() + u"/saved.txt");
    RunToEnd(job);
    EXPECT_EQ(job.Result(), copyresult::kDone);
    EXPECT_FALSE(job.HadErrors());
    EXPECT_EQ(ReadFileText(out_ / "saved.txt"), "gone.txt");
    EXPECT_EQ(job.CopiedObjects(), 1u);
    EXPECT_EQ(job.CopiedBytes(), 8u);
}

TEST_F(CopyDeleted, ChosenDeletedEntriesComeAlongWithLiveOnes) {
    cRecordingFront front;
    cCopyFilesJob job(&front, Root(), Target());
    RunToEnd(job);
    EXPECT_EQ(job.Result(), copyresult::kDone);
    EXPECT_FALSE(job.HadErrors()) << ::testing::PrintToString(job.FinishedLines().size());
    EXPECT_EQ(ReadFileText(out_ / "live.txt"), "live.txt");
    EXPECT_EQ(ReadFileText(out_ / "gone.txt"), "gone.txt");
    // A deleted folder gives what it still lists; a live one only its live entries.
    EXPECT_EQ(ReadFileText(out_ / "GONEDIR" / "inner.bin"),
              cListedFS::Content(volume_.folders[4][2]));
    EXPECT_EQ(ReadFileText(out_ / "kept" / "current.txt"), "current.txt");
    EXPECT_FALSE(fs::exists(out_ / "kept" / "older.txt"));
    // The report names the deleted objects as the files and folders they were.
    const std::string report = copyreport::Build(job.Objects(), job.Target(), job.FinishedLines(),
                                                 copyreport::Encoding::Utf8);
    EXPECT_NE(report.find("Файл:gone.txt\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Папка:GONEDIR\n"), std::string::npos) << report;
    EXPECT_EQ(job.CopiedObjects(),
              6u); // three files, the files in the two folders, and those folders
    EXPECT_TRUE(front.roomQuestions.empty());
}

TEST_F(CopyDeleted, AShortReadKeepsWhatWasReadAndIsLoggedAsAFailure) {
    volume_.folders[1] = {
        {false, u"cut.bin", 2, 200000, true, 100000},
        {false, u"small cut.txt", 3, 0, false, 5},
        {false, u"whole.txt", 4},
    };
    cRecordingFront front;
    cCopyFilesJob job(&front, Root(), Target());
    RunToEnd(job);
    EXPECT_TRUE(job.HadErrors());
    EXPECT_EQ(job.Failures(), 2u);
    EXPECT_EQ(job.CopiedObjects(), 1u);
    ASSERT_EQ(job.FinishedLines().size(), 2u);
    EXPECT_EQ(job.FinishedLines()[0],
              u"Ошибка обработки " + Target() + u"/cut.bin: Невозможно прочитать исходный файл");
    const std::string whole = cListedFS::Content(volume_.folders[1][0]);
    EXPECT_EQ(ReadFileText(out_ / "cut.bin"), whole.substr(0, 100000));
    EXPECT_EQ(ReadFileText(out_ / "small cut.txt"), "small");
    EXPECT_EQ(ReadFileText(out_ / "whole.txt"), "whole.txt");
    const std::string report = copyreport::Build(job.Objects(), job.Target(), job.FinishedLines(),
                                                 copyreport::Encoding::Utf8);
    EXPECT_NE(report.find("/small cut.txt: Невозможно прочитать исходный файл\n"),
              std::string::npos)
        << report;
}

TEST_F(CopyDeleted, ADamagedFileIsCopiedAndReportedEvenWhenItReadsWhole) {
    volume_.folders[1] = {
        {false, u"claimed.bin", 2, 1000, false, ~std::uint64_t(0), true},
        {false, u"cut.bin", 3, 1000, true, 600, true},
    };
    cRecordingFront front;
    cCopyFilesJob job(&front, Root(), Target());
    RunToEnd(job);
    EXPECT_EQ(job.Failures(), 2u);
    EXPECT_EQ(job.CopiedObjects(), 0u);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::u16string& name = volume_.folders[1][i].name;
        ASSERT_GT(job.FinishedLines().size(), i);
        EXPECT_EQ(job.FinishedLines()[i],
                  u"Ошибка обработки " + Target() + u"/" + name +
                      u": Исходный файл поврежден, скопирована только читаемая часть");
    }
    EXPECT_EQ(ReadFileText(out_ / "claimed.bin"), cListedFS::Content(volume_.folders[1][0]));
    EXPECT_EQ(ReadFileText(out_ / "cut.bin"),
              cListedFS::Content(volume_.folders[1][1]).substr(0, 600));
}

TEST_F(CopyDeleted, ACopyLargerThanTheFreeRoomIsAskedAbout) {
    constexpr std::uint64_t kHuge = std::uint64_t(1) << 60;
    volume_.folders[1] = {
        {false, u"small.txt", 2},
        {false, u"huge.bin", 3, kHuge, false, 10},
    };
    for (const bool goOn : {false, true}) {
        SCOPED_TRACE(goOn);
        fs::remove_all(out_);
        fs::create_directories(out_);
        cRecordingFront front;
        front.copyWithoutRoom = goOn;
        cCopyFilesJob job(&front, Root(), Target());
        RunToEnd(job);
        ASSERT_EQ(front.roomQuestions.size(), 1u);
        EXPECT_EQ(front.roomQuestions[0].first, kHuge + 9);
        EXPECT_LT(front.roomQuestions[0].second, kHuge);
        EXPECT_TRUE(job.HadErrors());
        EXPECT_EQ(fs::exists(out_ / "small.txt"), goOn);
        if (goOn) {
            EXPECT_EQ(ReadFileText(out_ / "huge.bin").size(), 10u); // cut where the read failed
            continue;
        }
        EXPECT_EQ(job.Result(), copyresult::kNoRoom);
        ASSERT_EQ(job.FinishedLines().size(), 1u);
        const std::u16string prefix = u"Ошибка обработки " + Target() +
                                      u": Недостаточно места на диске назначения (нужно " +
                                      utf::FromAscii(std::to_string(kHuge + 9)) + u" байт";
        EXPECT_EQ(job.FinishedLines()[0].rfind(prefix, 0), 0u)
            << utf::ToUtf8(job.FinishedLines()[0]);
        EXPECT_TRUE(fs::is_empty(out_));
    }
}

} // namespace
