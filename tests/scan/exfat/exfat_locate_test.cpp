// Finding an exFAT volume without its boot regions: the sector tests on the camera card of
// exfat-images.sh (its root folder's first sector, its up-case table, its FAT) and on
// crafted sectors, and the geometry the search puts together, which must be the one the
// boot sector held; damage that makes a size impossible leaves nothing found.

#include "scan/exfat/exfat_locate.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/exfat/exfat_boot.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using exfatscan::cSector;

// The card's layout, as its boot sector gives it: 8 KiB clusters from sector 4096, the
// bitmap at cluster 2, the up-case table at 3, the root at 4, the FAT at sector 2048.
constexpr std::uint64_t kHeap = 4096;
constexpr std::uint64_t kUpcaseSector = kHeap + 16;
constexpr std::uint64_t kRootSector = kHeap + 32;
constexpr std::uint64_t kFatSector = 2048;

class ExfatLocate : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(fixtures::Image("exfat-images.sh", "card.img"),
                         std::ios::binary | std::ios::ate);
        card_.resize(std::size_t(in.tellg()));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(card_.data()), std::streamsize(card_.size()));
        ASSERT_GT(card_.size(), (kRootSector + 1) * 512);
        boot_ = *exfatboot::ParseBootSector(std::span(card_).first(512));
    }
    cSector Sector(std::uint64_t sector) const { return cSector(card_.data() + sector * 512, 512); }
    probe::SectorSource Source() const {
        return [this](std::uint64_t sector, std::uint32_t count, std::uint8_t* out) {
            if (sector + count > card_.size() / 512) {
                return false;
            }
            std::copy_n(card_.data() + sector * 512, count * 512, out);
            return true;
        };
    }
    std::optional<exfatscan::cFoundVolume> Resolve(std::vector<std::uint64_t> fats) const {
        const std::optional<exfatscan::cRootSighting> root =
            exfatscan::RootEntriesIn(Sector(kRootSector));
        if (!root) {
            return std::nullopt;
        }
        exfatscan::cRootSighting at = *root;
        at.sector = kRootSector;
        return exfatscan::Resolve(at, kUpcaseSector, fats, Source(), card_.size() / 512);
    }
    void ExpectCardGeometry(const exfatboot::cBootRecord& found) const {
        EXPECT_EQ(found.clusterShift, boot_.clusterShift);
        EXPECT_EQ(found.heapOffset, boot_.heapOffset);
        EXPECT_EQ(found.rootCluster, boot_.rootCluster);
        EXPECT_EQ(found.clusterCount, boot_.clusterCount);
        EXPECT_EQ(found.volumeLength, boot_.volumeLength);
    }

    std::vector<std::uint8_t> card_;
    exfatboot::cBootRecord boot_;
};

TEST_F(ExfatLocate, TheSectorTestsKnowTheRootTheTablesAndTheFat) {
    const std::optional<exfatscan::cRootSighting> root =
        exfatscan::RootEntriesIn(Sector(kRootSector));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->bitmapCluster, 2u);
    EXPECT_EQ(root->bitmapLength, 224u);
    EXPECT_EQ(root->upcaseCluster, 3u);
    EXPECT_EQ(root->upcaseLength, 5836u);
    EXPECT_EQ(root->upcaseChecksum, 0xE619D30Du);
    EXPECT_TRUE(exfatscan::OpensUpcaseTable(Sector(kUpcaseSector)));
    EXPECT_TRUE(exfatscan::OpensFat(Sector(kFatSector)));
    for (const std::uint64_t other :
         {std::uint64_t(0), kHeap, kUpcaseSector + 1, kRootSector + 1}) {
        EXPECT_FALSE(exfatscan::RootEntriesIn(Sector(other))) << other;
        EXPECT_FALSE(exfatscan::OpensUpcaseTable(Sector(other + 1))) << other;
        EXPECT_FALSE(exfatscan::OpensFat(Sector(other))) << other;
    }
}

TEST_F(ExfatLocate, RootEntriesWithReservedBytesSetOrAfterTheEndAreNotTaken) {
    std::array<std::uint8_t, 512> root{};
    std::copy_n(Sector(kRootSector).begin(), 512, root.begin());
    const auto refused = [&](std::size_t at, std::uint8_t value) {
        std::array<std::uint8_t, 512> bad = root;
        bad[at] = value;
        return !exfatscan::RootEntriesIn(bad);
    };
    // Entry 0 is the label, 1 the bitmap, 2 the up-case table.
    EXPECT_TRUE(refused(32 + 1, 1));     // the second FAT's bitmap, with no first one
    EXPECT_TRUE(refused(32 + 10, 1));    // a reserved byte of the bitmap entry
    EXPECT_TRUE(refused(64 + 2, 1));     // and of the up-case entry
    EXPECT_TRUE(refused(64 + 24, 1));    // an up-case table of an odd length
    EXPECT_TRUE(refused(0, 0));          // the folder ends before both
    EXPECT_TRUE(refused(64 + 20, 2));    // the table in the bitmap's cluster
    EXPECT_FALSE(refused(96 + 5, 0x5A)); // a file's bytes do not matter
}

TEST(ExfatUpcaseStart, TheCompressedFormIsKnownAndRunsOfFfAreNot) {
    std::array<std::uint8_t, 512> table{};
    // 0x61 units that map to themselves, then a-z folded, then five more unchanged.
    table[0] = table[1] = 0xFF;
    table[2] = 0x61;
    std::size_t at = 4;
    for (char16_t unit = u'A'; unit <= u'Z'; ++unit, at += 2) {
        table[at] = std::uint8_t(unit);
    }
    table[at] = table[at + 1] = 0xFF;
    table[at + 2] = 5;
    EXPECT_TRUE(exfatscan::OpensUpcaseTable(table));
    table[4] = 'B'; // 'a' folds to 'B'
    EXPECT_FALSE(exfatscan::OpensUpcaseTable(table));
    table.fill(0xFF); // a full bitmap or erased flash
    EXPECT_FALSE(exfatscan::OpensUpcaseTable(table));
}

TEST_F(ExfatLocate, TheRootAndTheTableGiveTheBootSectorsGeometryWithOrWithoutTheFat) {
    const std::optional<exfatscan::cFoundVolume> found = Resolve({kHeap + 1, kFatSector});
    ASSERT_TRUE(found);
    ExpectCardGeometry(found->boot);
    EXPECT_TRUE(found->fatFound);
    EXPECT_EQ(found->boot.fatOffset, kFatSector);

    const std::optional<exfatscan::cFoundVolume> noFat = Resolve({});
    ASSERT_TRUE(noFat);
    ExpectCardGeometry(noFat->boot);
    EXPECT_FALSE(noFat->fatFound);
}

TEST_F(ExfatLocate, ATableThatFailsItsChecksumOrABitmapThatFreesTheRootFindsNothing) {
    card_[kUpcaseSector * 512 + 300] ^= 1;
    EXPECT_FALSE(Resolve({kFatSector}));
    card_[kUpcaseSector * 512 + 300] ^= 1;
    ASSERT_TRUE(Resolve({kFatSector}));
    card_[kHeap * 512] &= ~(1u << 2); // cluster 4's bit
    EXPECT_FALSE(Resolve({kFatSector}));
}

TEST_F(ExfatLocate, TheSearchReadsTheCardWithoutItsBootRegions) {
    std::fill_n(card_.begin(), 24 * 512, 0);
    cMemIO storage(card_);
    const std::optional<exfatscan::cFoundVolume> found =
        exfatscan::FindVolume({&storage, 0, storage.GetSectorCount(), nullptr});
    ASSERT_TRUE(found);
    ExpectCardGeometry(found->boot);
    EXPECT_TRUE(found->fatFound);

    // Nothing without the root's entries.
    std::fill_n(card_.begin() + std::ptrdiff_t(kRootSector * 512), 512, 0);
    cMemIO rootless(card_);
    EXPECT_FALSE(exfatscan::FindVolume({&rootless, 0, rootless.GetSectorCount(), nullptr}));
}

} // namespace
