// drovik-cli ls and cat on the NTFS fixture volume, compared with the tree it was filled
// from: every path and size of the recursive listing, and the bytes of the files whose
// storage is out of the ordinary.

#include "support/fixtures.h"
#include "vfs/ntfs_volume.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The program's stdout, and its exit status in status.
std::string RunCli(const std::string& arguments, int& status) {
    const std::string command = fixtures::BinDir() + "/drovik-cli " + arguments;
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    status = ::pclose(pipe);
    return out;
}

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

std::string ReadWhole(const std::string& path) {
    const auto bytes = ntfs_test::LoadFile(path);
    return {bytes.begin(), bytes.end()};
}

class NtfsCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "making the image needs a FUSE mount";
        }
        folder_ = fixtures::Folder("ntfs-volume.sh");
        ASSERT_FALSE(folder_.empty());
    }
    std::string Image() const { return Quote(folder_ + "/ntfs.img"); }

    std::string folder_;
};

} // namespace

TEST_F(NtfsCli, RecursiveListingMatchesTheSourceTree) {
    int status = 0;
    const std::string listing = RunCli("ls " + Image() + " -r", status);
    ASSERT_EQ(status, 0);
    // Columns: kind, size, time, id, then the path to the end of the line.
    std::map<std::string, std::pair<std::string, std::uint64_t>> listed;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind, time, id;
        std::uint64_t size = 0;
        fields >> kind >> size >> time >> id;
        std::string path;
        std::getline(fields >> std::ws, path);
        listed[path] = {kind, size};
    }
    std::map<std::string, std::pair<std::string, std::uint64_t>> expected;
    const std::string tree = folder_ + "/tree";
    for (const auto& item : fs::recursive_directory_iterator(tree)) {
        const std::string path = "/" + fs::relative(item.path(), tree).string();
        if (path.find(':') == std::string::npos) {
            expected[path] = item.is_directory()
                                 ? std::pair<std::string, std::uint64_t>{"folder", 0}
                                 : std::pair<std::string, std::uint64_t>{"file", item.file_size()};
        }
    }
    EXPECT_EQ(listed.size(), expected.size());
    EXPECT_TRUE(listed == expected);
    for (const auto& [path, want] : expected) {
        if (!listed.count(path)) {
            ADD_FAILURE() << "missing " << path;
        }
    }
}

TEST_F(NtfsCli, CatWritesEveryByte) {
    for (const char* path :
         {"/readme.txt", "/empty.bin", "/big.bin", "/sparse.bin", "/comp/text.txt",
          "/comp/random.bin", "/comp/mixed.bin", "/ads.txt", "/other/third.txt",
          "/frag/fragmented.bin", "/frag/attrlist.bin", "/Юникод/файл.txt",
          "/dosname/A long file name.text", "/many/file-1999.txt"}) {
        int status = 0;
        const std::string bytes = RunCli("cat " + Image() + " " + Quote(path), status);
        EXPECT_EQ(status, 0) << path;
        EXPECT_TRUE(bytes == ReadWhole(folder_ + "/tree" + path)) << path;
    }
}
