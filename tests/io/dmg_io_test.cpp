// DMG images made here from the published layout (koly trailer, "mish" block tables in a
// resource fork, an XML property list or both; zlib, bzip2, stored and zero chunks) read
// as the disk they were made from, and as dmg2img and qemu-img read them.

#include "base/bytes.h"
#include "container_check.h"
#include "io/container_formats.h"
#include "io/containers/dmg_io.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <bzlib.h>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <zlib.h>

using namespace container_check;

namespace {

constexpr std::uint32_t kZeros = 0, kStored = 1, kIgnored = 2, kZlib = 0x80000005,
                        kBzip2 = 0x80000006, kLzfse = 0x80000007;
constexpr std::uint64_t kChunk = 2048;

struct Chunk {
    std::uint32_t type;
    std::uint64_t first;
    std::uint64_t count;
};
using Table = std::vector<Chunk>;

struct Layout {
    bool resourceFork = true;
    bool propertyList = true;
};

void Be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    bytes::PutBe32(out.data() + out.size() - 4, v);
}
void Be64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    out.resize(out.size() + 8);
    bytes::PutBe64(out.data() + out.size() - 8, v);
}

std::string Base64(const std::vector<std::uint8_t>& data) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::uint32_t group = std::uint32_t(data[i]) << 16 |
                                    (i + 1 < data.size() ? std::uint32_t(data[i + 1]) << 8 : 0) |
                                    (i + 2 < data.size() ? data[i + 2] : 0);
        text += kDigits[group >> 18];
        text += kDigits[(group >> 12) & 63];
        text += i + 1 < data.size() ? kDigits[(group >> 6) & 63] : '=';
        text += i + 2 < data.size() ? kDigits[group & 63] : '=';
        if (i % 48 == 45) {
            text += "\n\t\t\t\t";
        }
    }
    return text;
}

// The bytes a chunk keeps in the data fork.
std::vector<std::uint8_t> Pack(std::uint32_t type, const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out;
    if (type == kStored || type == kLzfse) {
        out.assign(data, data + size);
    } else if (type == kZlib) {
        uLongf length = compressBound(uLong(size));
        out.resize(length);
        compress2(out.data(), &length, data, uLong(size), 6);
        out.resize(length);
    } else if (type == kBzip2) {
        unsigned length = unsigned(size + size / 100 + 600);
        out.resize(length);
        BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &length,
                                 const_cast<char*>(reinterpret_cast<const char*>(data)),
                                 unsigned(size), 9, 0, 0);
        out.resize(length);
    }
    return out;
}

// A UDIF image of disk: the data fork, the tables as the layout asks, the trailer.
std::vector<std::uint8_t> MakeDmg(const std::vector<std::uint8_t>& disk,
                                  const std::vector<Table>& tables, Layout layout = {}) {
    std::vector<std::uint8_t> image;
    std::vector<std::vector<std::uint8_t>> mish;
    for (const Table& table : tables) {
        std::vector<std::uint8_t> block;
        const std::uint64_t first = table.front().first;
        const std::uint64_t count = table.back().first + table.back().count - first;
        block.insert(block.end(), {'m', 'i', 's', 'h'});
        Be32(block, 1);
        Be64(block, first);
        Be64(block, count);
        Be64(block, 0);
        Be32(block, 0x208);
        Be32(block, std::uint32_t(mish.size()));
        block.resize(200, 0);
        Be32(block, std::uint32_t(table.size() + 1));
        for (const Chunk& chunk : table) {
            const auto packed = chunk.type == kZeros || chunk.type == kIgnored
                                    ? std::vector<std::uint8_t>()
                                    : Pack(chunk.type, disk.data() + chunk.first * kSectorSize,
                                           chunk.count * kSectorSize);
            Be32(block, chunk.type);
            Be32(block, 0);
            Be64(block, chunk.first - first);
            Be64(block, chunk.count);
            Be64(block, image.size()); // from the data fork's start, which is byte 0
            Be64(block, packed.size());
            image.insert(image.end(), packed.begin(), packed.end());
        }
        Be32(block, 0xFFFFFFFF);
        Be32(block, 0);
        Be64(block, count);
        Be64(block, 0);
        Be64(block, image.size());
        Be64(block, 0);
        mish.push_back(block);
    }
    const std::uint64_t dataForkLength = image.size();

    std::uint64_t forkOffset = 0, forkLength = 0, xmlOffset = 0, xmlLength = 0;
    if (layout.resourceFork) {
        std::vector<std::uint8_t> items;
        for (const auto& block : mish) {
            Be32(items, std::uint32_t(block.size()));
            items.insert(items.end(), block.begin(), block.end());
        }
        std::vector<std::uint8_t> fork;
        Be32(fork, 256);
        Be32(fork, std::uint32_t(256 + items.size()));
        Be32(fork, std::uint32_t(items.size()));
        Be32(fork, 30);
        fork.resize(256, 0);
        fork.insert(fork.end(), items.begin(), items.end());
        fork.resize(fork.size() + 30, 0); // an empty resource map
        forkOffset = image.size();
        forkLength = fork.size();
        image.insert(image.end(), fork.begin(), fork.end());
    }
    if (layout.propertyList) {
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n<dict>\n\t<key>resource-fork</key>\n\t<dict>\n"
                          "\t\t<key>blkx</key>\n\t\t<array>\n";
        for (std::size_t i = 0; i < mish.size(); ++i) {
            xml += "\t\t\t<dict>\n\t\t\t\t<key>Attributes</key>\n\t\t\t\t<string>0x0050</string>\n"
                   "\t\t\t\t<key>CFName</key>\n\t\t\t\t<string>disk part " +
                   std::to_string(i) +
                   "</string>\n\t\t\t\t<key>Data</key>\n\t\t\t\t<data>\n\t\t\t\t" +
                   Base64(mish[i]) + "\n\t\t\t\t</data>\n\t\t\t\t<key>ID</key>\n\t\t\t\t<string>" +
                   std::to_string(i) +
                   "</string>\n\t\t\t\t<key>Name</key>\n\t\t\t\t<string>disk part " +
                   std::to_string(i) + "</string>\n\t\t\t</dict>\n";
        }
        xml += "\t\t</array>\n\t</dict>\n</dict>\n</plist>\n";
        xmlOffset = image.size();
        xmlLength = xml.size();
        image.insert(image.end(), xml.begin(), xml.end());
    }

    // Writers end the image on a whole sector, as readers that know sectors only need.
    image.resize((image.size() + kSectorSize - 1) / kSectorSize * kSectorSize, 0);
    std::vector<std::uint8_t> koly{'k', 'o', 'l', 'y'};
    Be32(koly, 4);
    Be32(koly, 512);
    Be32(koly, 1);
    Be64(koly, 0);
    Be64(koly, 0);
    Be64(koly, dataForkLength);
    Be64(koly, forkOffset);
    Be64(koly, forkLength);
    Be32(koly, 1);
    Be32(koly, 1);
    koly.resize(216, 0);
    Be64(koly, xmlOffset);
    Be64(koly, xmlLength);
    koly.resize(488, 0);
    Be32(koly, 1);
    Be64(koly, disk.size() / kSectorSize);
    koly.resize(512, 0);
    image.insert(image.end(), koly.begin(), koly.end());
    return image;
}

bool AllZero(const std::vector<std::uint8_t>& disk, std::uint64_t first, std::uint64_t count) {
    return std::all_of(disk.begin() + std::ptrdiff_t(first * kSectorSize),
                       disk.begin() + std::ptrdiff_t((first + count) * kSectorSize),
                       [](std::uint8_t b) { return b == 0; });
}

// The disk in 2048-sector chunks: empty ones as zeros (both kinds), the rest compressed,
// with one stored chunk and, when asked, bzip2 for every third.
Table Chunks(const std::vector<std::uint8_t>& disk, std::uint64_t first, std::uint64_t end,
             bool bzip2) {
    Table table;
    for (std::uint64_t at = first; at < end; at += kChunk) {
        const std::uint64_t count = std::min(kChunk, end - at);
        const std::uint64_t index = at / kChunk;
        std::uint32_t type = kZlib;
        if (AllZero(disk, at, count)) {
            type = index % 2 ? kZeros : kIgnored;
        } else if (index == 1) {
            type = kStored;
        } else if (bzip2 && index % 3 == 0) {
            type = kBzip2;
        }
        table.push_back({type, at, count});
    }
    return table;
}

class DmgIO : public ::testing::Test {
protected:
    void SetUp() override {
        disk_ = ReadFile(Fixture("disk.raw"));
        ASSERT_EQ(disk_.size(), 24u << 20);
        dir_ = fixtures::ScratchDir();
    }
    std::uint64_t Sectors() const { return disk_.size() / kSectorSize; }
    std::string Save(const std::string& name, const std::vector<std::uint8_t>& image) const {
        WriteFile(dir_ + "/" + name, image);
        return dir_ + "/" + name;
    }
    // dmg2img's reading of an image.
    std::vector<std::uint8_t> Dmg2Img(const std::string& path) const {
        const std::string out = path + ".dmg2img";
        if (std::system(
                ("dmg2img -s -i '" + path + "' -o '" + out + "' > /dev/null 2>&1").c_str()) != 0) {
            return {};
        }
        return ReadFile(out);
    }

    std::vector<std::uint8_t> disk_;
    std::string dir_;
};

} // namespace

TEST_F(DmgIO, OneTableOfEveryChunkKindReadsAsTheDiskAndAsDmg2ImgReadsIt) {
    const Table table = Chunks(disk_, 0, Sectors(), true);
    const std::string path = Save("one.dmg", MakeDmg(disk_, {table}));
    std::unique_ptr<cBaseIO> disk = OpenImage(path);
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetStorageKind(), storage_kind::kDmg);
    EXPECT_TRUE(disk->IsReadOnly());
    EXPECT_TRUE(SameSectors(*disk, disk_));
    EXPECT_TRUE(Dmg2Img(path) == disk_);
}

// Chunk offsets count from the data fork's start in every table; carrying a running base
// from one table to the next misread every table after the first.
TEST_F(DmgIO, SeveralTablesReadAsTheDiskAndAsQemuReadsThem) {
    const std::uint64_t cuts[] = {0, 5 * kChunk, 5 * kChunk + 700, Sectors()};
    std::vector<Table> tables;
    for (std::size_t i = 0; i + 1 < std::size(cuts); ++i) {
        tables.push_back(Chunks(disk_, cuts[i], cuts[i + 1], false));
    }
    const std::string path = Save("several.dmg", MakeDmg(disk_, tables, {true, false}));
    std::unique_ptr<cBaseIO> disk = OpenImage(path);
    ASSERT_TRUE(disk);
    EXPECT_TRUE(SameSectors(*disk, disk_));
    EXPECT_TRUE(QemuRaw(path, "dmg") == disk_);
}

// Most images made today keep their tables only in the XML property list.
TEST_F(DmgIO, TablesInThePropertyListAloneRead) {
    const std::vector<Table> tables = {Chunks(disk_, 0, 7 * kChunk, true),
                                       Chunks(disk_, 7 * kChunk, Sectors(), true)};
    const std::string path = Save("xml.dmg", MakeDmg(disk_, tables, {false, true}));
    std::unique_ptr<cBaseIO> disk = OpenImage(path);
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetStorageKind(), storage_kind::kDmg);
    EXPECT_TRUE(SameSectors(*disk, disk_));
    EXPECT_TRUE(Dmg2Img(path) == disk_);
}

TEST_F(DmgIO, UnreadableCompressionsAreNamedAndTheirChunksFailToRead) {
    Table table = Chunks(disk_, 0, Sectors(), false);
    table[2].type = kLzfse;
    const std::vector<std::uint8_t> image = MakeDmg(disk_, {table});
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(image));
    ASSERT_TRUE(disk);
    EXPECT_EQ(static_cast<cDmgIO&>(*disk).UnreadableCompressions(),
              std::vector<std::string>{"LZFSE"});
    std::vector<std::uint8_t> out(4 * kChunk * kSectorSize);
    ASSERT_EQ(disk->SeekSector(0), 0);
    EXPECT_EQ(disk->ReadSectors(out.data(), std::uint32_t(4 * kChunk)), 2 * kChunk);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 2 * kChunk * kSectorSize, disk_.begin()));

    // The command-line program says so when it opens the image.
    const std::string path = Save("lzfse.dmg", image);
    const std::string errors = dir_ + "/errors.txt";
    std::system(
        (fixtures::BinDir() + "/drovik-cli parts '" + path + "' > /dev/null 2> '" + errors + "'")
            .c_str());
    const std::vector<std::uint8_t> said = ReadFile(errors);
    EXPECT_NE(
        std::string(said.begin(), said.end()).find("compressed with LZFSE, which cannot be read"),
        std::string::npos);
}

TEST_F(DmgIO, DamagedTablesAndChunksFailClearly) {
    const Table table = Chunks(disk_, 0, 4 * kChunk, false);
    const std::vector<std::uint8_t> good = MakeDmg(disk_, {table}, {true, false});
    ASSERT_TRUE(OpenContainer(cMemIO(good)));
    // The first table's chunk count, after the fork header (256) and the item length.
    const std::size_t tableAt =
        bytes::unchecked::Be64(good.data() + good.size() - 512 + 40) + 256 + 4;
    ASSERT_EQ(std::memcmp(good.data() + tableAt, "mish", 4), 0);

    std::vector<std::uint8_t> billions = good;
    bytes::PutBe32(billions.data() + tableAt + 200, 0xFFFFFFF0);
    EXPECT_FALSE(OpenContainer(cMemIO(billions)));
    std::vector<std::uint8_t> forkPastEnd = good;
    bytes::PutBe64(forkPastEnd.data() + good.size() - 512 + 40, 1ull << 40);
    EXPECT_FALSE(OpenContainer(cMemIO(forkPastEnd)));
    std::vector<std::uint8_t> noTrailer = good;
    noTrailer[good.size() - 512] = 'x';
    EXPECT_FALSE(OpenContainer(cMemIO(noTrailer)));

    // A zlib chunk that claims more sectors than its stream holds fails to read.
    std::vector<std::uint8_t> longer = good;
    const std::size_t first = tableAt + 204;
    ASSERT_EQ(bytes::unchecked::Be32(longer.data() + first), kZlib);
    bytes::PutBe64(longer.data() + first + 16, kChunk + 8);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(longer));
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> out(4 * kChunk * kSectorSize);
    EXPECT_EQ(disk->ReadSectors(out.data(), std::uint32_t(4 * kChunk)), 0u);
}
