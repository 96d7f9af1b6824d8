// drovik-cli cp run as a user runs it: whole trees out of the fixture images compared
// byte for byte with the trees they were made from, each conflict choice, and the report.

#include "app_support.h"
#include "base/utf.h"
#include "support/fixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using apptest::Quoted;
using apptest::RunCli;

namespace {

std::string ReadText(const fs::path& path) {
    const auto bytes = apptest::ReadFileBytes(path.string());
    return std::string(bytes.begin(), bytes.end());
}

// The source tree without what a copy of the data streams does not hold: the fixture
// keeps an NTFS named stream as a file "NAME:STREAM" beside its file.
std::string TreeWithoutNamedStreams(const std::string& tree, const std::string& scratch) {
    const fs::path copy = fs::path(scratch) / "expected";
    fs::copy(tree, copy, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(copy)) {
        if (entry.path().filename().string().find(':') != std::string::npos) {
            fs::remove(entry.path());
        }
    }
    return copy.string();
}

struct TreeCase {
    const char* script;
    const char* image;
    const char* part; // "" for none
    const char* tree;
    bool needsRoot;
};

class CliCopyTree : public ::testing::TestWithParam<TreeCase> {};

TEST_P(CliCopyTree, WholeTreeIsByteIdentical) {
    const TreeCase& c = GetParam();
    if (c.needsRoot && !fixtures::IsRoot()) {
        GTEST_SKIP() << "the image is made through FUSE";
    }
    const std::string image = fixtures::Image(c.script, c.image);
    ASSERT_FALSE(image.empty());
    const std::string scratch = fixtures::ScratchDir();
    const std::string out = scratch + "/out";
    const std::string part = *c.part ? std::string(" --part ") + c.part : "";
    const auto run = RunCli("cp " + Quoted(image) + part + " / " + Quoted(out));
    EXPECT_EQ(run.status, 0) << run.output;
    const std::string expected =
        TreeWithoutNamedStreams(fixtures::Folder(c.script) + "/tree/" + c.tree, scratch);
    const auto differences = apptest::TreeDifferences(expected, out);
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
}

INSTANTIATE_TEST_SUITE_P(
    Images, CliCopyTree,
    ::testing::Values(TreeCase{"fat-images.sh", "fat12.img", "", "small", false},
                      TreeCase{"fat-images.sh", "fat16.img", "", "full", false},
                      TreeCase{"fat-images.sh", "fat32.img", "", "full", false},
                      TreeCase{"fat-images.sh", "fat32-wiped.img", "", "full", false},
                      TreeCase{"fat-images.sh", "disk.img", "1", "small", false},
                      TreeCase{"ntfs-volume.sh", "ntfs.img", "", "", true},
                      TreeCase{"hfs-plus.sh", "hfsplus.iso", "3", "", false},
                      TreeCase{"hfs-classic.sh", "hfs.img", "", "", false}),
    [](const auto& paramInfo) {
        std::string name = paramInfo.param.image;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        }
        return name;
    });

class CliCopy : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = fixtures::Image("fat-images.sh", "fat12.img");
        tree_ = fixtures::Folder("fat-images.sh") + "/tree/small";
        scratch_ = fixtures::ScratchDir();
        out_ = scratch_ + "/out";
    }
    apptest::CliOutcome Copy(const std::string& paths, const std::string& options = "") {
        return RunCli("cp " + Quoted(image_) + " " + paths + " " + Quoted(out_) + options);
    }

    std::string image_, tree_, scratch_, out_;
};

TEST_F(CliCopy, EachConflictChoice) {
    struct Case {
        const char* option; // "" for the default without a terminal
        bool keepsMine;
        bool renamedCopy;
    };
    const Case cases[] = {
        {"keep", true, false},
        {"replace", false, false},
        {"rename", true, true},
        {"", true, true},
    };
    const fs::path folder = fs::path(out_) / "Документы";
    const std::string theirs = ReadText(tree_ + "/Документы/отчёт за 2007 год.txt");
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.option ? c.option : "default");
        fs::remove_all(out_);
        ASSERT_EQ(Copy("/Документы").status, 0);
        std::ofstream(folder / "отчёт за 2007 год.txt", std::ios::trunc) << "mine";
        const auto run =
            Copy("/Документы", *c.option ? std::string(" --on-conflict ") + c.option : "");
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(ReadText(folder / "отчёт за 2007 год.txt"), c.keepsMine ? "mine" : theirs);
        EXPECT_EQ(fs::exists(folder / "отчёт за 2007 год(1).txt"), c.renamedCopy);
        if (c.renamedCopy) {
            EXPECT_EQ(ReadText(folder / "отчёт за 2007 год(1).txt"), theirs);
        }
        const fs::path deep = folder / "вложенная папка" / "deeper";
        EXPECT_EQ(fs::exists(deep / "A file with a long name(1).data"), c.renamedCopy);
    }
}

TEST_F(CliCopy, OnATerminalTheQuestionIsAsked) {
    // script(1) gives the program a terminal; its answers come from our pipe.
    if (std::system("command -v script >/dev/null") != 0) {
        GTEST_SKIP() << "needs script(1)";
    }
    ASSERT_EQ(Copy("/readme.txt /UPPER.TXT").status, 0);
    const std::string command = fixtures::BinDir() + "/drovik-cli cp " + Quoted(image_) +
                                " /readme.txt /UPPER.TXT " + Quoted(out_);
    // A wrong answer is asked again; "3a" renames this file and every later one.
    const std::string shell = "printf 'x\\n3a\\n' | script -qec " + Quoted(command) + " /dev/null";
    FILE* pipe = ::popen(shell.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string output;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        output.append(chunk, got);
    }
    EXPECT_EQ(::pclose(pipe), 0) << output;
    std::size_t questions = 0;
    for (std::size_t at = 0; (at = output.find("  3) ", at)) != std::string::npos; ++at) {
        ++questions;
    }
    EXPECT_EQ(questions, 1u) << output;
    EXPECT_NE(output.find("Файл с указанным именем уже существует"), std::string::npos) << output;
    EXPECT_EQ(ReadText(out_ + "/readme(1).txt"), ReadText(tree_ + "/readme.txt"));
    EXPECT_EQ(ReadText(out_ + "/UPPER(1).TXT"), ReadText(tree_ + "/UPPER.TXT"));
}

TEST_F(CliCopy, ReportHoldsTheRequestTheTargetAndTheErrors) {
    fs::create_directories(out_);
    std::ofstream(out_ + "/Документы") << "a file where the folder should go";
    const std::string report = scratch_ + "/copying_report.txt";
    const auto run =
        Copy("/readme.txt /Документы", " --report " + Quoted(report) + " --report-encoding utf-16");
    EXPECT_EQ(run.status, 1) << run.output;
    const std::u16string target = utf::FromUtf8(out_);
    const std::u16string error = u"Ошибка обработки " + target +
                                 u"/Документы: Невозможно создать целевую папку (File exists)";
    EXPECT_NE(run.output.find(utf::ToUtf8(error)), std::string::npos) << run.output;
    const std::u16string expected =
        u"Журнал копирования файлов. Создан программой Drovik (QORNSCI) версия 1.0\r\n"
        u"\r\n"
        u"Обработанные объекты:\r\n"
        u"Файл:readme.txt\r\n"
        u"Папка:Документы\r\n"
        u"\r\n"
        u"В:" +
        target +
        u"\r\n"
        u"\r\n"
        u"Журнал ошибок прилагается: \r\n" +
        error + u"\r\n";
    EXPECT_EQ(ReadText(report), "\xFF\xFE" + utf::ToUtf16LEBytes(expected));
    EXPECT_EQ(ReadText(out_ + "/readme.txt"), ReadText(tree_ + "/readme.txt"));
}

TEST_F(CliCopy, OneFileToANewNameOrIntoAFolder) {
    fs::create_directories(out_);
    const std::string named = scratch_ + "/renamed.bin";
    EXPECT_EQ(RunCli("cp " + Quoted(image_) + " /over64k.bin " + Quoted(named)).status, 0);
    EXPECT_EQ(ReadText(named), ReadText(tree_ + "/over64k.bin"));
    EXPECT_EQ(Copy("/exact64k.bin").status, 0);
    EXPECT_EQ(ReadText(out_ + "/exact64k.bin"), ReadText(tree_ + "/exact64k.bin"));
}

TEST_F(CliCopy, MistakesAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        std::string arguments;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"cp " + Quoted(image_) + " /no-such-file " + Quoted(out_), 1,
         "no such entry: /no-such-file"},
        {"cp " + Quoted(image_) + " /readme.txt " + Quoted(out_) + " --on-conflict overwrite", 2,
         "--on-conflict takes keep, replace or rename"},
        {"cp " + Quoted(image_) + " " + Quoted(out_), 2, "expected SOURCE, PATH and DEST"},
        {"cp " + Quoted(image_) + " /readme.txt " + Quoted(out_) + " --bogus", 2, "unknown option"},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(out_)) << c.arguments;
    }
}

TEST(CliHelp, OverviewWalksANewUserThroughTheCommands) {
    const auto run = RunCli("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* needed : {"parts disk.img", "ls disk.img --part 1", "cp disk.img --part 1",
                               "--report", "cp ", "ls ", "parts ", "storages ", "EXIT STATUS"}) {
        EXPECT_NE(run.output.find(needed), std::string::npos) << needed;
    }
    EXPECT_EQ(RunCli("cp --help").status, 0);
}

} // namespace
