// Deleted FAT files, as mdel leaves them, copied out with drovik-cli cp: those still
// intact come back byte for byte; one whose clusters a newer file took is copied as far
// as it reads and reported as a failure.

#include "app_support.h"
#include "support/fixtures.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using apptest::Quoted;
using apptest::ReadFileText;

namespace {

std::string Deleted(const std::string& name) {
    return fixtures::Folder("fat-images.sh") + "/deleted/" + name;
}

TEST(CliDeleted, IntactDeletedFilesComeBackByteForByte) {
    for (const char* image : {"fat12.img", "fat16.img", "fat32.img"}) {
        SCOPED_TRACE(image);
        const fs::path out = fs::path(fixtures::ScratchDir()) / image;
        const auto run =
            apptest::RunCli("cp " + Quoted(fixtures::Image("fat-images.sh", image)) +
                            " '/deleted file with a long name.bin' " + Quoted(out.string() + "/"));
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(ReadFileText(out / "deleted file with a long name.bin"),
                  ReadFileText(Deleted("deleted file with a long name.bin")));
        EXPECT_NE(run.output.find("1 objects copied (5000 bytes), 0 failed"), std::string::npos)
            << run.output;
    }
}

TEST(CliDeleted, ADeletedFileCutShortIsCopiedAsFarAsItReadsAndReported) {
    const fs::path scratch = fixtures::ScratchDir();
    const fs::path report = scratch / "report.txt";
    const auto run = apptest::RunCli(
        "cp " + Quoted(fixtures::Image("fat-images.sh", "reused.img")) + " /xFILE.BIN " +
        Quoted((scratch / "out/").string()) + " --report " + Quoted(report.string()));
    EXPECT_EQ(run.status, 1) << run.output;
    const std::string copy = ReadFileText(scratch / "out" / "xFILE.BIN");
    const std::string whole = ReadFileText(Deleted("XFILE.BIN"));
    ASSERT_GT(copy.size(), 0u);
    EXPECT_LT(copy.size(), whole.size());
    EXPECT_EQ(copy, whole.substr(0, copy.size()));
    EXPECT_NE(ReadFileText(report).find("/xFILE.BIN: Исходный файл поврежден"), std::string::npos)
        << ReadFileText(report);
    EXPECT_NE(run.output.find("0 objects copied (0 bytes), 1 failed"), std::string::npos)
        << run.output;
}

} // namespace
