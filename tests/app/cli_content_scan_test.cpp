// drovik-cli scan --method content over an image of files made by real programs, laid at
// places on and off 4 KiB clusters, in zeros and in random filler: every complete file
// whose format gives its end is found with its exact bytes, the others where they start;
// and a rules file written by hand compiles, shows and finds its files alone.

#include "app_support.h"
#include "scan/result_file.h"
#include "support/fixtures.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

using apptest::Quoted;
using apptest::ReadFileBytes;
using apptest::RunCli;

struct cFound {
    std::string name;
    std::uint64_t size = 0;
};

// Every raw file of a result, by its start sector.
void Collect(const cQORNVStorage& tree, cVSItemId folder, std::map<std::uint64_t, cFound>& out) {
    for (cVSItemId item = tree.FirstSubfolder(folder); item; item = tree.Next(item)) {
        Collect(tree, item, out);
    }
    for (cVSItemId item = tree.FirstFile(folder); item; item = tree.Next(item)) {
        out[tree.Position(item)] = {std::string(tree.Name(item)), tree.Size(item)};
    }
}

class CliContentScan : public ::testing::Test {
protected:
    void SetUp() override { Use("content-samples.sh", "content.img"); }

    void Use(const std::string& script, const std::string& image) {
        folder_ = fixtures::Folder(script);
        image_ = folder_ + "/" + image;
        bytes_ = ReadFileBytes(image_);
        scratch_ = fixtures::ScratchDir();
    }

    std::map<std::uint64_t, cFound> Scan(const std::string& options) {
        const auto outcome = RunCli("scan " + Quoted(image_) + " --method content --out " +
                                    Quoted(scratch_ + "/found") + " " + options);
        EXPECT_EQ(outcome.status, 0) << outcome.output;
        cQORNVStorage tree;
        EXPECT_EQ(drdb::LoadFile(scratch_ + "/found-content.drdb", tree), drdb::LoadError::None);
        std::map<std::uint64_t, cFound> found;
        if (tree.Root()) {
            Collect(tree, tree.Root(), found);
        }
        return found;
    }

    // The fixture's manifest.txt: a line NAME START_SECTOR BYTES HOW for each file laid in.
    struct cPlaced {
        std::string line;
        std::string name;
        std::uint64_t sector = 0;
        std::uint64_t bytes = 0;
        std::string how;
    };
    std::vector<cPlaced> Manifest() const {
        std::ifstream manifest(folder_ + "/manifest.txt");
        std::vector<cPlaced> rows;
        for (cPlaced row; std::getline(manifest, row.line);) {
            std::istringstream(row.line) >> row.name >> row.sector >> row.bytes >> row.how;
            rows.push_back(row);
        }
        return rows;
    }

    // The image's bytes from a sector on.
    std::vector<std::uint8_t> At(std::uint64_t sector, std::uint64_t size) const {
        const auto first = bytes_.begin() + std::ptrdiff_t(sector * 512);
        return {first, first + std::ptrdiff_t(size)};
    }

    std::string folder_;
    std::string image_;
    std::string scratch_;
    std::vector<std::uint8_t> bytes_;
};

TEST_F(CliContentScan, ShippedRulesFindEveryCompleteFileExactly) {
    const auto found = Scan("");
    const auto rows = Manifest();
    for (const auto& [line, name, sector, bytes, how] : rows) {
        SCOPED_TRACE(line);
        const auto hit = found.find(sector);
        ASSERT_NE(hit, found.end()) << "missed";
        const auto source = ReadFileBytes(folder_ + "/" + name);
        const std::string extension = name.substr(name.rfind('.') + 1);
        // A Word file's folder names lie past its first sector: it is found as a ZIP file.
        EXPECT_EQ(hit->second.name.substr(hit->second.name.rfind('.') + 1),
                  extension == "docx" ? "zip" : extension);
        if (how != "whole") {
            continue; // where it starts is all that a scan without allocation can know
        }
        // These tell their end neither by a size nor by a marker: they run on to the next
        // file.
        const bool sized = extension != "bz2" && extension != "flac" && extension != "tif";
        if (sized) {
            EXPECT_EQ(hit->second.size, source.size()) << "found with another size";
        } else {
            EXPECT_GE(hit->second.size, source.size()) << "shorter than the source";
        }
        EXPECT_EQ(At(sector, source.size()), source) << "other bytes";
    }
    EXPECT_EQ(rows.size(), 41u);
    // A byte order mark at a sector's start in random filler is no text file.
    EXPECT_EQ(found.count(30001), 0u);
}

TEST_F(CliContentScan, HandWrittenRulesCompileShowAndFindTheirFilesAlone) {
    const std::string source = scratch_ + "/mine.rules";
    std::ofstream(source) << "# GIF pictures only\n"
                             "group \"Mine\" {\n"
                             "  file \"Animations\" gif {\n"
                             "    at 0 \"GIF89a\"\n"
                             "    end bytes 2 00 3B\n"
                             "  }\n"
                             "}\n";
    const std::string compiled = scratch_ + "/mine.urrs";
    ASSERT_EQ(RunCli("rules compile " + Quoted(source) + " -o " + Quoted(compiled)).status, 0);
    const auto shown = RunCli("rules show " + Quoted(compiled));
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.output.find("Animations/ *.gif"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("begin: At offset 0 contains [47 49 46 38 39 61]."),
              std::string::npos)
        << shown.output;

    const auto found = Scan("--rules " + Quoted(compiled));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found.begin()->first, 1001u);
    EXPECT_EQ(found.begin()->second.name, "00001001.gif");
    EXPECT_EQ(found.begin()->second.size, ReadFileBytes(folder_ + "/anim.gif").size());
    EXPECT_EQ(found.rbegin()->second.size, ReadFileBytes(folder_ + "/1-sample-anim.gif").size());

    // A damaged rules file shows up to the damage, with its code and place.
    auto bytes = ReadFileBytes(compiled);
    bytes.resize(bytes.size() - 3);
    ASSERT_TRUE(apptest::WriteFileBytes(compiled, bytes));
    const auto damaged = RunCli("rules show " + Quoted(compiled));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.output.find("result code 1"), std::string::npos) << damaged.output;
    EXPECT_NE(damaged.output.find("at byte " + std::to_string(bytes.size())), std::string::npos)
        << damaged.output;
}

// Deleted files whose clusters are free again on a FAT volume: the scan of free clusters
// finds each with its exact bytes, and nothing in the clusters of the files still there.
TEST_F(CliContentScan, FreeOnlyFindsDeletedFilesAndSkipsLiveOnes) {
    Use("free-space.sh", "free.img");
    const auto found = Scan("--free-only");
    int deleted = 0;
    for (const auto& [line, name, sector, size, how] : Manifest()) {
        SCOPED_TRACE(line);
        const auto hit = found.find(sector);
        if (how == "live") {
            EXPECT_EQ(hit, found.end()) << "found in used clusters";
            continue;
        }
        ++deleted;
        ASSERT_NE(hit, found.end()) << "missed";
        EXPECT_EQ(hit->second.size, size);
        EXPECT_EQ(At(sector, size), ReadFileBytes(folder_ + "/" + name));
    }
    EXPECT_EQ(deleted, 6);
    EXPECT_EQ(found.size(), 6u);
}

} // namespace
