// drovik-cli --result: a scan result made here over the NTFS fixture (a file found through
// its file record, a contiguous raw file, a raw file of several fragments with a tail)
// is saved, then listed, read, copied out and described through drovik-cli exactly as a
// mounted file system is; results that cannot be read are refused with a message.

#include "app_support.h"
#include "base/utf.h"
#include "scan/packed_extents.h"
#include "scan/result_file.h"
#include "support/fixtures.h"
#include "vfs/ntfs_volume.h"

#include <gtest/gtest.h>

namespace {

using apptest::Quoted;
using apptest::RunCli;
using Bytes = std::vector<std::uint8_t>;

class CliResult : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "the image is made through FUSE";
        }
        folder_ = fixtures::Folder("ntfs-volume.sh");
        image_ = folder_ + "/ntfs.img";
        bytes_ = ntfs_test::LoadFile(image_);
        ntfs_test::Volume volume(bytes_);
        ASSERT_TRUE(volume.Mount());
        const auto big = volume.ntfs->FindByPath(u"/big.bin", volume.ntfs->GetRootId());
        ASSERT_TRUE(big);
        const auto record = ntfs_test::RecordOnVolume(*volume.ntfs, big->id);
        ASSERT_TRUE(record);

        cQORNVStorage tree;
        const cVSItemId found = tree.NewFolder("found \xF0\x9F\x94\x8E");
        tree.Insert(found);
        cVSFileInfo byRecord;
        byRecord.kind = vsitem::kFsFile;
        byRecord.fsType = 1;
        byRecord.size = big->size;
        byRecord.position = *record / 512;
        tree.Insert(tree.NewFile("big.bin", byRecord), found);
        cVSFileInfo raw;
        raw.position = 100;
        raw.size = 3000;
        tree.Insert(tree.NewFile("raw.bin", raw), found);
        const auto packed = packedext::Encode(
            std::vector<cQORNFileAllocation>{{300, 3, 0}, {40, 2, 0}, {1000, 1, 77}});
        cVSFileInfo fragments;
        fragments.kind = vsitem::kMultifragFile;
        fragments.size = 5 * 512 + 999;
        fragments.extents = *packed;
        tree.Insert(tree.NewFile("fragments.bin", fragments));
        scratch_ = fixtures::ScratchDir();
        result_ = scratch_ + "/scan.drdb";
        ASSERT_TRUE(drdb::SaveFile(result_, tree));

        expectedFragments_ = Slice(300 * 512, 3 * 512);
        for (const Bytes& part : {Slice(40 * 512, 1024), Slice(1000 * 512 + 77, 999)}) {
            expectedFragments_.insert(expectedFragments_.end(), part.begin(), part.end());
        }
    }

    Bytes Slice(std::size_t from, std::size_t size) const {
        return Bytes(bytes_.begin() + from, bytes_.begin() + from + size);
    }
    std::string Text(const Bytes& bytes) const { return std::string(bytes.begin(), bytes.end()); }
    std::string Cli(const std::string& command, const std::string& rest) const {
        return command + " " + Quoted(image_) + " --result " + Quoted(result_) + " " + rest;
    }

    std::string folder_;
    std::string scratch_;
    std::string image_;
    std::string result_;
    Bytes bytes_;
    Bytes expectedFragments_;
};

TEST_F(CliResult, ListsTheTreeLikeAFileSystem) {
    const auto run = RunCli(Cli("ls", "-r --json"), false);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string folder = "/found \xF0\x9F\x94\x8E";
    EXPECT_NE(run.output.find("{\"path\":\"" + folder + "\",\"kind\":\"folder\""),
              std::string::npos)
        << run.output;
    EXPECT_NE(
        run.output.find("{\"path\":\"" + folder + "/big.bin\",\"kind\":\"file\",\"size\":300000"),
        std::string::npos);
    EXPECT_NE(run.output.find("{\"path\":\"/fragments.bin\",\"kind\":\"file\",\"size\":3559"),
              std::string::npos);
    // Folders first, then files; no "." or "..".
    EXPECT_LT(run.output.find(folder + "\""), run.output.find("/fragments.bin"));
    EXPECT_EQ(run.output.find("\"/.\""), std::string::npos);
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 4);
}

TEST_F(CliResult, ReadsEveryKindByteExact) {
    const auto big = RunCli(Cli("cat", Quoted("/found \xF0\x9F\x94\x8E/big.bin")), false);
    EXPECT_EQ(big.status, 0);
    EXPECT_TRUE(big.output == Text(ntfs_test::LoadFile(folder_ + "/tree/big.bin")));
    const auto raw = RunCli(Cli("cat", Quoted("/found \xF0\x9F\x94\x8E/raw.bin")), false);
    EXPECT_TRUE(raw.output == Text(Slice(100 * 512, 3000)));
    const auto fragments = RunCli(Cli("cat", "/fragments.bin"), false);
    EXPECT_TRUE(fragments.output == Text(expectedFragments_));
}

TEST_F(CliResult, CopiesOutWithTheCopyFlow) {
    const std::string out = scratch_ + "/out";
    const auto run = RunCli(Cli("cp", "/ " + Quoted(out)));
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string folder = out + "/found \xF0\x9F\x94\x8E";
    EXPECT_EQ(apptest::ReadFileBytes(folder + "/big.bin"),
              ntfs_test::LoadFile(folder_ + "/tree/big.bin"));
    EXPECT_EQ(apptest::ReadFileBytes(folder + "/raw.bin"), Slice(100 * 512, 3000));
    EXPECT_EQ(apptest::ReadFileBytes(out + "/fragments.bin"), expectedFragments_);
}

TEST_F(CliResult, InfoDescribesTheReconstructedFileSystem) {
    const auto run = RunCli(Cli("info", "--json"), false);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("\"type\":\"Reconstructed\",\"type_code\":17"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\"identity\":\"110000000000000000\""), std::string::npos);
}

TEST_F(CliResult, UnreadableResultsAreRefused) {
    const Bytes good = apptest::ReadFileBytes(result_);
    Bytes wrongStamp = good;
    wrongStamp[9] ^= 1;
    const std::vector<std::pair<std::string, Bytes>> bad{
        {"cut short", Bytes(good.begin(), good.end() - 3)},
        {"wrong magic", Bytes(good.size(), 'x')},
        {"unknown version", wrongStamp},
    };
    for (const auto& [why, bytes] : bad) {
        result_ = scratch_ + "/bad.drdb";
        ASSERT_TRUE(apptest::WriteFileBytes(result_, bytes));
        for (const char* command : {"ls", "info"}) {
            const auto run = RunCli(Cli(command, ""));
            EXPECT_EQ(run.status, 1) << command << " " << why;
            EXPECT_NE(run.output.find("cannot read the result file " + result_ + ": "),
                      std::string::npos)
                << run.output;
        }
    }
    result_ = scratch_ + "/missing.drdb";
    const auto missing = RunCli(Cli("cat", "/x"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("cannot be opened"), std::string::npos) << missing.output;
}

} // namespace
