#include "app/copy/copy_data.h"
#include "app/copy/copy_files_job.h"
#include "app/copy/copy_result.h"
#include "app_support.h"
#include "base/utf.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string FatImage(const char* name) {
    return fixtures::Image("fat-images.sh", name);
}
std::string FatTree(const char* name) {
    return fixtures::Folder("fat-images.sh") + "/tree/" + name;
}

// Answers conflict questions from a script and records what the job told it.
class ScriptedFront : public cCopyFilesFront {
public:
    std::vector<cConflictReply> answers; // in order; keep-existing once they run out
    std::vector<std::u16string> questions;
    std::vector<std::u16string> finishedLines;
    std::function<void(int)> onBar;
    // Answers the question of a copy larger than the free room; none asked while empty.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> roomQuestions;
    bool copyWithoutRoom = false;

    cConflictReply AskOverwrite(std::u16string_view targetPath) override {
        questions.emplace_back(targetPath);
        return questions.size() <= answers.size() ? answers[questions.size() - 1]
                                                  : cConflictReply{};
    }
    bool AskCopyWithoutRoom(std::uint64_t needed, std::uint64_t available) override {
        roomQuestions.emplace_back(needed, available);
        return copyWithoutRoom;
    }
    void OnLineFinished(std::u16string_view text) override { finishedLines.emplace_back(text); }
    void OnProgressBar(int position) override {
        if (onBar) {
            onBar(position);
        }
    }
};

unsigned RunToEnd(cCopyFilesJob& job) {
    EXPECT_TRUE(job.Start());
    while (job.IsRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    job.Stop();
    return job.Result();
}

std::vector<std::unique_ptr<cFSObject>> Objects(apptest::MountedFat& fat,
                                                std::initializer_list<const char16_t*> paths) {
    std::vector<std::unique_ptr<cFSObject>> objects;
    for (const char16_t* path : paths) {
        objects.push_back(fat.Entry(path));
    }
    return objects;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
std::string ReadText(const fs::path& path) {
    const auto bytes = apptest::ReadFileBytes(path.string());
    return std::string(bytes.begin(), bytes.end());
}

class CopyJob : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::LoadTexts();
        fat_ = apptest::MountFat(FatImage("fat12.img"), false);
        ASSERT_TRUE(fat_);
        out_ = fixtures::ScratchDir() + "/out";
        fs::create_directories(out_);
    }
    std::u16string Target() const { return utf::FromUtf8(out_.string()); }

    std::unique_ptr<apptest::MountedFat> fat_;
    fs::path out_;
};

TEST_F(CopyJob, CopiesATreeByteForByteAndPassesOverLabelsAndDeletedEntries) {
    ScriptedFront front;
    cCopyFilesJob job(&front, fat_->RootObjects(), Target());
    EXPECT_EQ(RunToEnd(job), copyresult::kDone);
    EXPECT_FALSE(job.HadErrors());
    EXPECT_TRUE(front.questions.empty());
    EXPECT_TRUE(front.finishedLines.empty());
    const auto differences = apptest::TreeDifferences(FatTree("small"), out_.string());
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
}

TEST_F(CopyJob, MergesIntoAnExistingFolder) {
    fs::create_directories(out_ / "Документы");
    WriteText(out_ / "Документы" / "mine.txt", "stays");
    ScriptedFront front;
    cCopyFilesJob job(&front, Objects(*fat_, {u"/Документы"}), Target());
    EXPECT_EQ(RunToEnd(job), copyresult::kDone);
    EXPECT_EQ(ReadText(out_ / "Документы" / "mine.txt"), "stays");
    EXPECT_EQ(apptest::ReadFileBytes((out_ / "Документы" / "отчёт за 2007 год.txt").string()),
              apptest::ReadFileBytes(FatTree("small") + "/Документы/отчёт за 2007 год.txt"));
}

TEST_F(CopyJob, SingleFileGoesToTheTargetPathItself) {
    for (const char16_t* name : {u"/exact64k.bin", u"/over64k.bin", u"/zero.bin"}) {
        const std::u16string target = Target() + u"/copy of" + (name + 1);
        cCopyFilesJob job(nullptr, Objects(*fat_, {name}), target);
        EXPECT_EQ(RunToEnd(job), copyresult::kDone);
        EXPECT_EQ(apptest::ReadFileBytes(utf::ToUtf8(target)),
                  apptest::ReadFileBytes(FatTree("small") + utf::ToUtf8(name)));
    }
}

TEST_F(CopyJob, ConflictChoices) {
    const cConflictReply keepAll{cConflictChoice::KeepExisting, true};
    const cConflictReply replaceAll{cConflictChoice::Replace, true};
    const cConflictReply renameAll{cConflictChoice::Rename, true};
    const cConflictReply keepOnce{cConflictChoice::KeepExisting, false};
    const cConflictReply replaceOnce{cConflictChoice::Replace, false};
    struct Case {
        const char* what;
        bool withFront;
        std::vector<cConflictReply> answers;
        std::size_t questions;
        const char* readme; // what readme.txt then holds ("new" for the image's bytes)
        const char* upper;  // and UPPER.TXT
        bool renamedCopies; // readme(1).txt and UPPER(1).TXT written
    };
    const Case cases[] = {
        {"keep all", true, {keepAll}, 1, "old", "old", false},
        {"replace all", true, {replaceAll}, 1, "new", "new", false},
        {"rename all", true, {renameAll}, 1, "old", "old", true},
        {"asked each time", true, {keepOnce, replaceOnce}, 2, "old", "new", false},
        {"closed question keeps", true, {}, 2, "old", "old", false},
        {"no front replaces", false, {}, 0, "new", "new", false},
    };
    const std::string source = FatTree("small");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out_);
        fs::create_directories(out_);
        WriteText(out_ / "readme.txt", "old");
        WriteText(out_ / "UPPER.TXT", "old");
        ScriptedFront front;
        front.answers = c.answers;
        cCopyFilesJob job(c.withFront ? &front : nullptr,
                          Objects(*fat_, {u"/readme.txt", u"/UPPER.TXT"}), Target());
        EXPECT_EQ(RunToEnd(job), copyresult::kDone);
        EXPECT_EQ(front.questions.size(), c.questions);
        const auto expect = [&](const char* name, const char* want) {
            const std::string fresh = ReadText(source + "/" + name);
            EXPECT_EQ(ReadText(out_ / name), std::string(want) == "new" ? fresh : want) << name;
        };
        expect("readme.txt", c.readme);
        expect("UPPER.TXT", c.upper);
        EXPECT_EQ(fs::exists(out_ / "readme(1).txt"), c.renamedCopies);
        EXPECT_EQ(fs::exists(out_ / "UPPER(1).TXT"), c.renamedCopies);
        if (c.renamedCopies) {
            EXPECT_EQ(ReadText(out_ / "readme(1).txt"), ReadText(source + "/readme.txt"));
        }
    }
}

TEST_F(CopyJob, SameNameTwiceGetsNumberOne) {
    ScriptedFront front;
    front.answers = {{cConflictChoice::Rename, false}};
    cCopyFilesJob job(&front, Objects(*fat_, {u"/readme.txt", u"/readme.txt"}), Target());
    EXPECT_EQ(RunToEnd(job), copyresult::kDone);
    ASSERT_EQ(front.questions.size(), 1u);
    EXPECT_EQ(front.questions[0], Target() + u"/readme.txt");
    EXPECT_EQ(ReadText(out_ / "readme(1).txt"), ReadText(out_ / "readme.txt"));
}

TEST_F(CopyJob, AFolderOrALinkInTheWayIsRenamedAroundWithoutAQuestion) {
    fs::create_directories(out_ / "readme.txt");
    fs::create_symlink("/nonexistent/elsewhere", out_ / "UPPER.TXT");
    ScriptedFront front;
    front.answers = {{cConflictChoice::Replace, true}};
    cCopyFilesJob job(&front, Objects(*fat_, {u"/readme.txt", u"/UPPER.TXT"}), Target());
    EXPECT_EQ(RunToEnd(job), copyresult::kDone);
    EXPECT_TRUE(front.questions.empty());
    EXPECT_TRUE(fs::is_directory(out_ / "readme.txt"));
    EXPECT_TRUE(fs::is_symlink(out_ / "UPPER.TXT"));
    EXPECT_EQ(ReadText(out_ / "readme(1).txt"), ReadText(FatTree("small") + "/readme.txt"));
    EXPECT_EQ(ReadText(out_ / "UPPER(1).TXT"), ReadText(FatTree("small") + "/UPPER.TXT"));
}

TEST_F(CopyJob, StopAfterTheFirstChunkLeavesThePartialFile) {
    ScriptedFront front;
    cCopyFilesJob job(&front, Objects(*fat_, {u"/over64k.bin", u"/readme.txt"}), Target());
    front.onBar = [&](int position) {
        if (position > 0) {
            job.RequestStop();
        }
    };
    EXPECT_EQ(RunToEnd(job), copyresult::kStopped);
    EXPECT_TRUE(job.WasStopped());
    const auto partial = apptest::ReadFileBytes((out_ / "over64k.bin").string());
    auto source = apptest::ReadFileBytes(FatTree("small") + "/over64k.bin");
    source.resize(cCopyFilesJob::kChunk);
    EXPECT_EQ(partial, source);
    EXPECT_FALSE(fs::exists(out_ / "readme.txt"));
    ASSERT_EQ(front.finishedLines.size(), 1u);
    EXPECT_EQ(front.finishedLines[0], u"Операция прервана");
    EXPECT_EQ(job.FinishedLines(), front.finishedLines);
}

TEST_F(CopyJob, UnreadableDataIsLoggedAndTheSiblingsAreStillCopied) {
    auto object = fat_->Entry(u"/over64k.bin");
    const auto& layout = fat_->reader->Layout();
    const std::uint64_t sector = layout.dataStart + (object->id - 2) * (layout.clusterBytes / 512);
    // The second chunk's first cluster fails: the first chunk is written, then the copy
    // of this file ends short.
    static_cast<cMemIO*>(fat_->storage.get())->FailSector(sector + cCopyFilesJob::kChunk / 512);
    fs::create_directories(out_);
    WriteText(out_ / "Документы", "a file where a folder should go");

    ScriptedFront front;
    cCopyFilesJob job(&front, Objects(*fat_, {u"/over64k.bin", u"/Документы", u"/readme.txt"}),
                      Target());
    EXPECT_EQ(RunToEnd(job), copyresult::kDone);
    EXPECT_TRUE(job.HadErrors());
    const std::u16string expected[] = {
        u"Ошибка обработки " + Target() + u"/over64k.bin: Невозможно прочитать исходный файл",
        u"Ошибка обработки " + Target() +
            u"/Документы: Невозможно создать целевую папку (File exists)",
    };
    EXPECT_EQ(front.finishedLines,
              std::vector<std::u16string>(std::begin(expected), std::end(expected)));
    EXPECT_EQ(job.CurrentLine(), u"Завершена.");
    EXPECT_EQ(fs::file_size(out_ / "over64k.bin"), cCopyFilesJob::kChunk);
    EXPECT_EQ(ReadText(out_ / "readme.txt"), ReadText(FatTree("small") + "/readme.txt"));
}

} // namespace

namespace {

TEST_F(CopyJob, QuickViewCopiesASmallFileAtOnceOverAnOldCopy) {
    const fs::path target = out_ / "exact64k.bin";
    WriteText(target, "an older, longer or shorter copy");
    const auto file = fat_->Entry(u"/exact64k.bin");
    EXPECT_EQ(copydata::CopyFileNow(*file, utf::FromUtf8(target.string())), copyresult::kDone);
    EXPECT_EQ(ReadText(target), ReadText(FatTree("small") + "/exact64k.bin"));
    EXPECT_EQ(copydata::CopyFileNow(*file, Target() + u"/no/such/folder/x.bin"),
              copyresult::kCannotCreateTarget);
}

} // namespace
