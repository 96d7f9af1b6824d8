// drovik-cli ls, cat and info over the FAT fixture images, checked against the source tree
// and against The Sleuth Kit's fls and icat.

#include "fat_volume.h"
#include "support/fixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct Output {
    int exitCode = -1;
    std::string text;
};

std::string Quote(const std::string& word) {
    std::string out = "'";
    for (char c : word) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

Output RunShell(const std::string& command) {
    Output out;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) {
        return out;
    }
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.text.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string Cli() {
    return Quote(fixtures::BinDir() + "/drovik-cli");
}

// The string or number value of a field of one JSON line (names here hold no quotes).
std::string Field(const std::string& line, const std::string& key) {
    const std::string marker = "\"" + key + "\":";
    std::size_t at = line.find(marker);
    if (at == std::string::npos) {
        return {};
    }
    at += marker.size();
    if (line[at] == '"') {
        return line.substr(at + 1, line.find('"', at + 1) - at - 1);
    }
    return line.substr(at, line.find_first_of(",}", at) - at);
}

struct Row {
    std::string kind, size, mtime, damaged;
};

std::map<std::string, Row> ParseLs(const std::string& text) {
    std::map<std::string, Row> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        rows[Field(line, "path")] = Row{Field(line, "kind"), Field(line, "size"),
                                        Field(line, "mtime"), Field(line, "damaged")};
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return rows;
}

std::map<std::string, Row> SourceRows(const std::string& root) {
    std::map<std::string, Row> rows;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const bool folder = item.is_directory();
        rows["/" + fs::relative(item.path(), root).string()] =
            Row{folder ? "folder" : "file", folder ? "0" : std::to_string(item.file_size()),
                "2007-06-15T10:20:30", "false"};
    }
    return rows;
}

std::map<std::string, Row> Live(std::map<std::string, Row> rows) {
    std::erase_if(rows, [](const auto& row) { return row.second.kind == "volname"; });
    return rows;
}

TEST(CliFat, RecursiveListingMatchesTheSourceTree) {
    const std::string folder = fattest::FixtureFolder();
    struct Case {
        const char* image;
        const char* tree;
    };
    for (const Case c : {Case{"fat32.img", "tree/full"}, Case{"fat12.img", "tree/small"},
                         Case{"disk.img", "tree/small"}}) {
        const Output ls = RunShell(Cli() + " ls " + Quote(folder + "/" + c.image) + " -r --json");
        ASSERT_EQ(ls.exitCode, 0) << c.image;
        const std::map<std::string, Row> listed = Live(ParseLs(ls.text));
        const std::map<std::string, Row> expected = SourceRows(folder + "/" + c.tree);
        EXPECT_EQ(listed.size(), expected.size()) << c.image;
        for (const auto& [path, want] : expected) {
            const auto got = listed.find(path);
            ASSERT_NE(got, listed.end()) << c.image << ": missing " << path;
            EXPECT_EQ(got->second.kind, want.kind) << path;
            EXPECT_EQ(got->second.size, want.size) << path;
            EXPECT_EQ(got->second.mtime, want.mtime) << path;
            EXPECT_EQ(got->second.damaged, want.damaged) << path;
        }
    }
}

TEST(CliFat, DeletedEntriesOnlyWhenAsked) {
    const std::string image = Quote(fattest::FixtureFolder() + "/fat16.img");
    const std::map<std::string, Row> plain =
        ParseLs(RunShell(Cli() + " ls " + image + " --json").text);
    EXPECT_FALSE(plain.count("/xBC.TXT"));
    const Output withDeleted = RunShell(Cli() + " ls " + image + " / --deleted --json");
    ASSERT_EQ(withDeleted.exitCode, 0);
    const std::map<std::string, Row> rows = ParseLs(withDeleted.text);
    for (const char* path : {"/xBC.TXT", "/deleted file with a long name.bin", "/xONEDIR"}) {
        ASSERT_TRUE(rows.count(path)) << path;
        EXPECT_EQ(rows.at(path).kind, "deleted") << path;
        EXPECT_EQ(rows.at(path).damaged, "false") << path;
    }
    EXPECT_EQ(rows.at("/VOLUME16").kind, "volname");
    EXPECT_FALSE(rows.count("/.") || rows.count("/.."));

    // A newer file took one of the deleted file's clusters: it can come back only in part.
    const std::map<std::string, Row> reused =
        ParseLs(RunShell(Cli() + " ls " + Quote(fattest::FixtureFolder() + "/reused.img") +
                         " --deleted --json")
                    .text);
    ASSERT_TRUE(reused.count("/xFILE.BIN"));
    EXPECT_EQ(reused.at("/xFILE.BIN").damaged, "true");
}

TEST(CliFat, CatGivesTheFileBytes) {
    const std::string folder = fattest::FixtureFolder();
    for (const char* path : {"/over64k.bin", "/exact64k.bin", "/zero.bin", "/Документы/big.bin",
                             "/Документы/вложенная папка/deeper/A file with a long name.data"}) {
        const Output cat =
            RunShell(Cli() + " cat " + Quote(folder + "/fat32-wiped.img") + " " + Quote(path));
        EXPECT_EQ(cat.exitCode, 0) << path;
        const std::vector<std::uint8_t> source = fattest::ReadFile(folder + "/tree/full" + path);
        EXPECT_TRUE(std::string(source.begin(), source.end()) == cat.text) << path;
    }
    EXPECT_NE(RunShell(Cli() + " cat " + Quote(folder + "/fat16.img") + " /nothing").exitCode, 0);
    EXPECT_NE(RunShell(Cli() + " cat " + Quote(folder + "/fat16.img") + " /many").exitCode, 0);
}

// A file whose chain ends early is listed with the size its entry records, but its copy
// holds only what the chain gives and is reported as not copied.
TEST(CliFat, AFileCutShortByItsChainIsCopiedOnlyAsFarAsItGoes) {
    const std::string folder = fattest::FixtureFolder();
    std::uint64_t first = 0;
    {
        fattest::Mounted mounted = fattest::MountImage(folder + "/fat12.img");
        ASSERT_TRUE(mounted.fs);
        const std::unique_ptr<cFSObject> file = mounted.fs->FindByPath(u"/over64k.bin", 0);
        ASSERT_TRUE(file);
        first = file->id;
    }
    std::vector<std::uint8_t> floppy = fattest::ReadFile(folder + "/fat12.img");
    fattest::SetFloppyFat(floppy, std::uint32_t(first + 10), 0xFFF); // 11 of 129 clusters
    const std::string scratch = fixtures::ScratchDir();
    const std::string image = scratch + "/cut.img";
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(floppy.data()), std::streamsize(floppy.size()));

    const std::map<std::string, Row> rows =
        ParseLs(RunShell(Cli() + " ls " + Quote(image) + " --json").text);
    ASSERT_TRUE(rows.count("/over64k.bin"));
    EXPECT_EQ(rows.at("/over64k.bin").size, "65537");
    EXPECT_EQ(rows.at("/over64k.bin").damaged, "true");

    const std::string out = scratch + "/out";
    EXPECT_EQ(
        RunShell(Cli() + " cp " + Quote(image) + " /over64k.bin " + Quote(out + "/")).exitCode, 1);
    std::vector<std::uint8_t> expected = fattest::ReadFile(folder + "/tree/small/over64k.bin");
    expected.resize(11 * 512);
    EXPECT_EQ(fattest::ReadFile(out + "/over64k.bin"), expected);
}

TEST(CliFat, InfoAndPartitionChoice) {
    const std::string folder = fattest::FixtureFolder();
    const Output info =
        RunShell(Cli() + " info " + Quote(folder + "/disk.img") + " --part 1 --json");
    ASSERT_EQ(info.exitCode, 0);
    EXPECT_EQ(Field(info.text, "type"), "FAT");
    EXPECT_EQ(Field(info.text, "label"), "PARTVOL");
    EXPECT_EQ(Field(info.text, "identity"), "060008000000000000");
    EXPECT_EQ(Field(info.text, "part"), "1");
    EXPECT_NE(RunShell(Cli() + " ls " + Quote(folder + "/disk.img") + " --part 0").exitCode, 0);
    EXPECT_NE(RunShell(Cli() + " ls " + Quote(folder + "/disk.img") + " --part 7").exitCode, 0);

    const std::string blank = fixtures::ScratchDir() + "/blank.img";
    RunShell("truncate -s 1M " + Quote(blank));
    EXPECT_NE(RunShell(Cli() + " ls " + Quote(blank)).exitCode, 0);
}

// The Sleuth Kit as an independent reader of the live files.
TEST(CliFat, AgreesWithTheSleuthKit) {
    const std::string folder = fattest::FixtureFolder();
    const std::string image = Quote(folder + "/fat32.img");
    const Output fls = RunShell("fls -r -p " + image);
    if (fls.exitCode != 0) {
        GTEST_SKIP() << "fls is not available";
    }
    std::map<std::string, std::string> tskInodes; // path -> inode
    std::size_t start = 0;
    while (start < fls.text.size()) {
        const std::size_t end = fls.text.find('\n', start);
        const std::string line = fls.text.substr(start, end - start);
        start = end == std::string::npos ? fls.text.size() : end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.find(" * ") != std::string::npos ||
            line.find('$') == tab + 1 || line.find("(Volume Label Entry)") != std::string::npos) {
            continue;
        }
        const std::size_t colon = line.find(':');
        tskInodes["/" + line.substr(tab + 1)] = line.substr(4, colon - 4);
    }
    const std::map<std::string, Row> ours =
        Live(ParseLs(RunShell(Cli() + " ls " + image + " -r --json").text));
    // The Sleuth Kit 4.11 cuts names of more than about 250 characters, so those are
    // left to the source-tree comparison.
    const auto comparable = [](const std::string& path) { return path.size() < 200; };
    std::set<std::string> oursPaths, tskPaths;
    for (const auto& row : ours) {
        if (comparable(row.first)) {
            oursPaths.insert(row.first);
        }
    }
    for (const auto& row : tskInodes) {
        if (comparable(row.first)) {
            tskPaths.insert(row.first);
        }
    }
    EXPECT_GT(tskPaths.size(), 2500u);
    EXPECT_EQ(oursPaths, tskPaths);
    for (const char* path :
         {"/over64k.bin", "/Документы/отчёт за 2007 год.txt", "/many/f1234.txt"}) {
        ASSERT_TRUE(tskInodes.count(path)) << path;
        const Output icat = RunShell("icat " + image + " " + tskInodes[path]);
        const Output cat = RunShell(Cli() + " cat " + image + " " + Quote(path));
        EXPECT_EQ(cat.exitCode, 0);
        EXPECT_TRUE(icat.text == cat.text) << path;
    }
}

} // namespace
