// drovik-cli when something is wrong: a missing path among several, a destination to be
// made, sources that are no storage, a destination too full, an image cut short. Every
// failure is said with the system's reason, and a copy ends with its summary line.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using apptest::Quoted;
using apptest::ReadFileText;
using apptest::RunCli;

namespace {

bool Says(const apptest::CliOutcome& run, const std::string& text) {
    return run.output.find(text) != std::string::npos;
}

class CliFailures : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = fixtures::Image("fat-images.sh", "fat12.img");
        tree_ = fixtures::Folder("fat-images.sh") + "/tree/small";
        scratch_ = fixtures::ScratchDir();
    }
    apptest::CliOutcome Copy(const std::string& arguments) {
        return RunCli("cp " + Quoted(image_) + " " + arguments);
    }

    std::string image_, tree_;
    fs::path scratch_;
};

TEST_F(CliFailures, AMissingPathIsReportedAndTheOthersAreCopied) {
    const fs::path out = scratch_ / "out";
    const auto run = Copy("/readme.txt /no-such-file /UPPER.TXT " + Quoted(out.string()));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(Says(run, "no such entry: /no-such-file")) << run.output;
    EXPECT_EQ(ReadFileText(out / "readme.txt"), ReadFileText(tree_ + "/readme.txt"));
    EXPECT_EQ(ReadFileText(out / "UPPER.TXT"), ReadFileText(tree_ + "/UPPER.TXT"));
    EXPECT_TRUE(Says(run, "drovik-cli cp: 2 objects copied (" +
                              std::to_string(fs::file_size(out / "readme.txt") +
                                             fs::file_size(out / "UPPER.TXT")) +
                              " bytes), 1 failed, "))
        << run.output;
}

TEST_F(CliFailures, ADestinationWrittenAsAFolderIsMadeAFolder) {
    const fs::path folder = scratch_ / "new folder";
    const auto run = Copy("/readme.txt " + Quoted(folder.string() + "/"));
    EXPECT_EQ(run.status, 0) << run.output;
    ASSERT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(ReadFileText(folder / "readme.txt"), ReadFileText(tree_ + "/readme.txt"));
    EXPECT_TRUE(Says(run, "1 objects copied")) << run.output;
    // Without the slash the file takes the name.
    EXPECT_EQ(Copy("/readme.txt " + Quoted((scratch_ / "plain").string())).status, 0);
    EXPECT_TRUE(fs::is_regular_file(scratch_ / "plain"));
}

TEST_F(CliFailures, FailuresNameTheSystemsReason) {
    std::ofstream(scratch_ / "a file") << "not a folder";
    const auto folder = Copy("/readme.txt " + Quoted((scratch_ / "a file" / "sub/").string()));
    EXPECT_EQ(folder.status, 1);
    EXPECT_TRUE(Says(folder, "cannot create the folder")) << folder.output;
    EXPECT_TRUE(Says(folder, ": Not a directory")) << folder.output;

    const auto source = RunCli("ls " + Quoted((scratch_ / "missing.img").string()));
    EXPECT_EQ(source.status, 1);
    EXPECT_TRUE(Says(source, "missing.img: No such file or directory")) << source.output;

    const auto report = Copy("/readme.txt " + Quoted((scratch_ / "out").string()) + " --report " +
                             Quoted((scratch_ / "a file" / "r.txt").string()));
    EXPECT_EQ(report.status, 1);
    EXPECT_TRUE(Says(report, "r.txt: Not a directory")) << report.output;
}

TEST_F(CliFailures, OnlyFilesAndBlockDevicesAreSources) {
    const fs::path fifo = scratch_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Nobody writes to the pipe: reading it would wait for ever.
    for (const std::string& command : {"parts", "ls", "dump"}) {
        const std::string extra = command == "dump" ? " --sector 0" : "";
        const auto run = RunCli(command + " " + Quoted(fifo.string()) + extra, true, 20);
        EXPECT_EQ(run.status, 1) << command << run.output;
        EXPECT_TRUE(Says(run, "is a pipe; only image files and block devices can be read"))
            << run.output;
    }
    const auto device = RunCli("parts /dev/zero");
    EXPECT_EQ(device.status, 1);
    EXPECT_TRUE(Says(device, "/dev/zero is a character device")) << device.output;
}

TEST_F(CliFailures, TheReportIsUtf8UnlessUtf16IsAskedFor) {
    const fs::path out = scratch_ / "out";
    const fs::path report = scratch_ / "report.txt";
    ASSERT_EQ(
        Copy("/readme.txt " + Quoted(out.string() + "/") + " --report " + Quoted(report.string()))
            .status,
        0);
    const std::string text = ReadFileText(report);
    EXPECT_EQ(text.rfind("Журнал копирования файлов.", 0), 0u) << text;
    EXPECT_NE(text.find("\nФайл:readme.txt\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(Copy("/readme.txt " + Quoted(out.string()) + " --report-encoding latin1").status, 2);
}

TEST_F(CliFailures, ACopyThatCannotFitIsRefusedUnlessForced) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "mounts a small tmpfs";
    }
    const fs::path small = scratch_ / "small";
    fs::create_directories(small);
    ASSERT_EQ(::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k"), 0);
    const fs::path out = small / "out";
    const auto refused = Copy("/readme.txt /over64k.bin " + Quoted(out.string()));
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_TRUE(Says(refused, "refused: 65559 bytes to copy")) << refused.output;
    EXPECT_TRUE(Says(refused, "--force copies all the same")) << refused.output;
    EXPECT_FALSE(fs::exists(out / "over64k.bin"));

    const auto forced = Copy("/readme.txt /over64k.bin " + Quoted(out.string()) + " --force");
    EXPECT_EQ(forced.status, 1) << forced.output;
    EXPECT_TRUE(Says(forced, "over64k.bin: Невозможно написать целевой файл (No space left on "
                             "device)"))
        << forced.output;
    EXPECT_EQ(ReadFileText(out / "readme.txt"), ReadFileText(tree_ + "/readme.txt"));
    ::umount(small.c_str());
}

TEST_F(CliFailures, AnImageCutShortIsSaidSo) {
    const fs::path cut = scratch_ / "cut.img";
    fs::copy_file(fixtures::Image("fat-images.sh", "disk.img"), cut);
    fs::resize_file(cut, 6 * 1024 * 1024);
    for (const std::string name : {"parts", "info", "ls"}) {
        const std::string part = name == "parts" ? "" : " --part 1";
        const auto run = RunCli(name + " " + Quoted(cut.string()) + part);
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_TRUE(Says(run, "drovik-cli " + name +
                                  ": warning: partition 1 ends at sector 22528, but the "
                                  "storage holds only 12288 sectors"))
            << run.output;
        EXPECT_TRUE(Says(run, "warning: the file system on partition 1 ends at sector 22528"))
            << run.output;
    }
    // The whole image says nothing.
    const auto whole = RunCli("parts " + Quoted(fixtures::Image("fat-images.sh", "disk.img")));
    EXPECT_FALSE(Says(whole, "warning")) << whole.output;
}

} // namespace
