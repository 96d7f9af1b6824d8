// Trees of images made by sfdisk, sgdisk, parted, fdisk and LVM2, compared with what those
// tools and The Sleuth Kit's mmls list for the same images.

#include "base/utf.h"
#include "disk_builder.h"
#include "io/flat_io.h"
#include "part/apple.h"
#include "support/fixtures.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

namespace {

using Extent = std::tuple<std::uint64_t, std::uint64_t, std::uint16_t>; // start, length, type
using Extents = std::multiset<Extent>;

std::unique_ptr<cBaseIO> OpenImage(const std::string& path) {
    auto io = std::make_unique<cFlatIO>();
    const cNamedFileResource resource(utf::FromUtf8(path));
    if (!io->Open(&resource, true)) {
        ADD_FAILURE() << "cannot open " << path;
    }
    return io;
}

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    EXPECT_FALSE(lines.empty()) << path;
    return lines;
}

// Every node below the root (or only those without children) as extents.
Extents TreeExtents(const cPartTree& tree, bool leavesOnly, bool withType = true) {
    Extents extents;
    tree.ForEach([&](cPartTreeItem& node) {
        if (node.Parent() != nullptr && (!leavesOnly || !node.HasChildren())) {
            extents.emplace(node.Start(), node.Length(), withType ? node.TypeCode() : 0);
        }
    });
    return extents;
}

// "name5 : start=        6144, size=        2048, type=83"
Extents SfdiskExtents(const std::string& dump) {
    static const std::regex line(R"(start=\s*(\d+), size=\s*(\d+), type=([0-9a-f]+))");
    Extents extents;
    for (const std::string& text : FileLines(dump)) {
        std::smatch m;
        if (std::regex_search(text, m, line)) {
            extents.emplace(std::stoull(m[1]), std::stoull(m[2]),
                            std::uint16_t(std::stoul(m[3], nullptr, 16)));
        }
    }
    return extents;
}

// mmls rows of partitions ("002:  000:000   0000002048   0000004095   0000002048   Linux (0x83)"
// for DOS, "004:  000   0000002048 ..." for GPT and Apple); with a type when the row names one.
struct MmlsRow {
    unsigned slot;
    std::uint64_t start, length;
    std::string description;
};
std::vector<MmlsRow> MmlsRows(const std::string& listing) {
    static const std::regex row(R"(^\d+:\s+(?:\d+:)?(\d+)\s+(\d+)\s+\d+\s+(\d+)\s+(.*)$)");
    std::vector<MmlsRow> rows;
    for (const std::string& text : FileLines(listing)) {
        std::smatch m;
        if (std::regex_match(text, m, row)) {
            rows.push_back(
                {unsigned(std::stoul(m[1])), std::stoull(m[2]), std::stoull(m[3]), m[4]});
        }
    }
    return rows;
}

std::uint16_t DosTypeOf(const std::string& description) {
    static const std::regex type(R"(\(0x([0-9a-f]+)\))");
    std::smatch m;
    return std::regex_search(description, m, type) ? std::uint16_t(std::stoul(m[1], nullptr, 16))
                                                   : 0xFFFF;
}

class ToolImages : public ::testing::Test {
protected:
    static std::string Mbr(const std::string& name) { return fixtures::Image("part-mbr.sh", name); }
};

TEST_F(ToolImages, MbrMatchesSfdiskAndMmls) {
    for (const std::string name : {"primaries", "extended05", "extended0f"}) {
        BuiltTree built(OpenImage(Mbr(name + ".img")));
        EXPECT_TRUE(built.result) << name;
        EXPECT_EQ(TreeExtents(built.tree, false), SfdiskExtents(Mbr(name + ".sfdisk"))) << name;

        Extents mmls;
        for (const MmlsRow& row : MmlsRows(Mbr(name + ".mmls"))) {
            mmls.emplace(row.start, row.length, DosTypeOf(row.description));
        }
        EXPECT_EQ(TreeExtents(built.tree, true), mmls) << name;
    }
}

TEST_F(ToolImages, LogicalPartitionsHangBelowTheirExtendedPartition) {
    BuiltTree built(OpenImage(Mbr("extended05.img")));
    EXPECT_EQ(Listing(built.tree),
              (std::vector<std::string>{"0 0+32768 0x7FFC", "1 2048+2048 0x83", "2 4096+16384 0x5",
                                        "2.1 6144+2048 0x83", "2.2 10240+1024 0x82",
                                        "2.3 14336+2048 0xC"}));
    // sfdisk leaves boot code out of EBRs and the MBR holds its own.
    EXPECT_EQ(built.Node("2.1").FindExtension(part_ext::kLegacyBoot), nullptr);
    EXPECT_NE(built.Node("0").FindExtension(part_ext::kLegacyBoot), nullptr);
}

TEST_F(ToolImages, MalformedMbrsEndWithWhatWasFound) {
    BuiltTree loop(OpenImage(Mbr("ebr-loop.img")));
    EXPECT_TRUE(loop.result);
    EXPECT_EQ(loop.Node("2").Children().size(), 2u) << "the EBR that links to itself is read once";

    BuiltTree count0(OpenImage(Mbr("count0.img")));
    EXPECT_EQ(count0.Node("0").Children().size(), 3u) << "an entry of 0 sectors is no partition";
}

TEST_F(ToolImages, GptMatchesSgdiskAndMmls) {
    const std::string folder = fixtures::Folder("part-gpt.sh");
    BuiltTree built(OpenImage(folder + "/types.img"));
    EXPECT_TRUE(built.result);
    EXPECT_EQ(built.ParserOf("1"), parser_id::kGpt);
    const std::map<std::string, std::uint16_t> codes = {
        {"EF00", 0xEF},   {"0C01", 0x5F82}, {"0700", 0x5F83}, {"8200", 0x82},
        {"8E00", 0x8E},   {"FD00", 0xFD},   {"A503", 0x107},  {"A502", 0x5F81},
        {"4201", 0x5F84}, {"8300", 0x7FFF}, {"4200", 0x42},
    };
    static const std::regex row(R"(^\s+(\d+)\s+(\d+)\s+(\d+)\s+\S+ \S+\s+([0-9A-F]{4}))");
    unsigned rows = 0;
    for (const std::string& text : FileLines(folder + "/types.sgdisk")) {
        std::smatch m;
        if (!std::regex_search(text, m, row)) {
            continue;
        }
        ++rows;
        const cPartTreeItem& node = built.Node("1." + m[1].str());
        EXPECT_EQ(node.Start(), std::stoull(m[2])) << text;
        EXPECT_EQ(node.Length(), std::stoull(m[3]) - std::stoull(m[2]) + 1) << text;
        ASSERT_TRUE(codes.count(m[4])) << text;
        EXPECT_EQ(node.TypeCode(), codes.at(m[4])) << text;
    }
    EXPECT_EQ(rows, 11u);
    EXPECT_EQ(built.Node("1").Children().size(), rows);

    Extents mmls;
    for (const MmlsRow& r : MmlsRows(folder + "/types.mmls")) {
        mmls.emplace(r.start, r.length, 0);
    }
    EXPECT_EQ(TreeExtents(built.tree, true, false), mmls);
}

TEST_F(ToolImages, HostileGptHeadersLeaveTheProtectiveEntry) {
    const std::string folder = fixtures::Folder("part-gpt.sh");
    for (const std::string name : {"huge-count.img", "entry-size64.img"}) {
        BuiltTree built(OpenImage(folder + "/" + name));
        EXPECT_TRUE(built.result) << name;
        EXPECT_EQ(Listing(built.tree),
                  (std::vector<std::string>{"0 0+16384 0x7FFC", "1 1+16383 0xEE"}))
            << name;
    }
}

TEST_F(ToolImages, AppleMapMatchesMmlsAndParted) {
    const std::string folder = fixtures::Folder("part-labels.sh");
    BuiltTree built(OpenImage(folder + "/mac.img"));
    EXPECT_TRUE(built.result);
    EXPECT_EQ(built.ParserOf("0"), parser_id::kApple);
    const std::vector<MmlsRow> rows = MmlsRows(folder + "/mac.mmls");
    ASSERT_EQ(rows.size(), built.Node("0").Children().size());
    for (const MmlsRow& row : rows) {
        const cPartTreeItem& node = built.Node(std::to_string(row.slot + 1));
        EXPECT_EQ(node.Start(), row.start) << row.description;
        EXPECT_EQ(node.Length(), row.length) << row.description;
        EXPECT_EQ(node.TypeCode(), AppleTypeCode(row.description)) << row.description;
    }
    // parted names its partitions; they show in the type names.
    static const std::regex named(R"(^\s*(\d+)\s+(\d+)s\s+\d+s\s+(\d+)s\s+(\S+))");
    for (const std::string& text : FileLines(folder + "/mac.parted")) {
        std::smatch m;
        if (std::regex_search(text, m, named)) {
            const cPartTreeItem& node = built.Node(m[1].str());
            EXPECT_EQ(node.Start(), std::stoull(m[2]));
            EXPECT_EQ(node.Length(), std::stoull(m[3]));
            EXPECT_EQ(utf::ToUtf8(node.TypeName()).rfind(m[4].str() + " (", 0), 0u) << text;
        }
    }
}

TEST_F(ToolImages, BsdDisklabelMatchesFdisk) {
    const std::string folder = fixtures::Folder("part-labels.sh");
    BuiltTree built(OpenImage(folder + "/bsd.img"));
    EXPECT_EQ(built.ParserOf("1"), parser_id::kBsd);
    // "a      2048  6144    4097    2M 4.2BSD ..."; c is the whole slice, unused ones are empty.
    static const std::regex row(R"(^([a-p])\s+(\d+)\s+\d+\s+(\d+)\s+\S+\s+(\S+))");
    const std::map<std::string, std::uint16_t> types = {{"4.2BSD", 0x107}, {"swap", 0x101}};
    Extents fdisk;
    for (const std::string& text : FileLines(folder + "/bsd.fdisk")) {
        std::smatch m;
        if (std::regex_search(text, m, row) && m[1] != "c" && m[4] != "unused") {
            fdisk.emplace(std::stoull(m[2]), std::stoull(m[3]), types.at(m[4]));
        }
    }
    EXPECT_EQ(fdisk.size(), 3u);
    EXPECT_EQ(TreeExtents(built.tree, true), fdisk);
}

TEST_F(ToolImages, AlphaAndSparcLabelsAreNotX86Layouts) {
    const std::string folder = fixtures::Folder("part-labels.sh");
    for (const std::string name : {"alpha-bsd.img", "sun.img"}) {
        BuiltTree built(OpenImage(folder + "/" + name));
        EXPECT_EQ(Listing(built.tree), (std::vector<std::string>{"0 0+8192 0x7FFC"})) << name;
        EXPECT_EQ(built.Node("0").Parser(), nullptr) << name;
    }
}

TEST_F(ToolImages, LvmPhysicalVolumesMatchPvs) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "loop devices need root";
    }
    const std::string folder = fixtures::Folder("part-lvm.sh");
    // "  /dev/loop0   2048S  32768S": the data area's start and the device size.
    const auto pvs = [&](const std::string& vg) {
        std::istringstream line(FileLines(folder + "/" + vg + ".pvs").front());
        std::string device, peStart, size;
        line >> device >> peStart >> size;
        return std::pair{std::stoull(peStart), std::stoull(size)};
    };
    {
        BuiltTree built(OpenImage(folder + "/lvm-whole.img"));
        const auto [peStart, deviceSize] = pvs("drovikfixwhole");
        EXPECT_EQ(built.ParserOf("0"), parser_id::kLvm);
        // The data area runs to the end of the volume, not past it by its own offset.
        EXPECT_EQ(Listing(built.tree),
                  (std::vector<std::string>{"0 0+32768 0x7FFC",
                                            "1 " + std::to_string(peStart) + "+" +
                                                std::to_string(deviceSize - peStart) + " 0x5FA0"}));
    }
    {
        BuiltTree built(OpenImage(folder + "/lvm-mbr.img"));
        const auto [peStart, deviceSize] = pvs("drovikfixmbr");
        EXPECT_EQ(built.ParserOf("1"), parser_id::kLvm);
        EXPECT_EQ(Listing(built.tree),
                  (std::vector<std::string>{"0 0+32768 0x7FFC", "1 2048+24576 0x8E",
                                            "1.1 " + std::to_string(2048 + peStart) + "+" +
                                                std::to_string(deviceSize - peStart) + " 0x5FA0"}));
    }
}

} // namespace
