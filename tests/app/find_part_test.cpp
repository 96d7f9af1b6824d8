// The partition search on disks whose partition tables were wiped (made by sfdisk and
// sgdisk, filled by the real tools): every volume comes back once, at the start and with
// the length the table had; copies of boot sectors and superblocks never make partitions
// of their own; found lists save and load byte for byte; unreadable sectors are skipped.

#include "app/engine.h"
#include "app/findpart/found_list.h"
#include "app/findpart/part_list_file.h"
#include "app/findpart/part_scan_job.h"
#include "app_support.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "support/failing_io.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/vfs.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using Extent = std::pair<std::uint64_t, std::uint64_t>; // start, length

class cQuietFront final : public cPartScanFront {
public:
    bool OnProgress(double percent) override {
        last = percent;
        return true;
    }
    void OnRowAdded(cPartTreeItem&) override { ++rows; }
    double last = -1;
    int rows = 0;
};

std::vector<Extent> TableOf(const std::string& image) {
    std::ifstream file(std::filesystem::path(image).replace_extension(".table"));
    std::vector<Extent> extents;
    for (std::uint64_t start = 0, length = 0; file >> start >> length;) {
        extents.emplace_back(start, length);
    }
    return extents;
}

std::vector<Extent> ExtentsOf(const cFoundList& list) {
    std::vector<Extent> extents;
    for (const cPartTreeItem* node : list.Rows()) {
        extents.emplace_back(node->Start(), node->Length());
    }
    return extents;
}

// An image opened as the storage list opens it, with the tree its maps give.
struct cOpened {
    explicit cOpened(const std::string& path) {
        storage = list.AddImageFile(std::u16string(path.begin(), path.end()));
        const auto* built = dynamic_cast<const cPartStorageTree*>(list.FindTree(storage));
        table = built ? &built->Tree() : nullptr;
    }
    cStorageList list{EngineTreeBuilder()};
    cBaseIO* storage = nullptr;
    const cPartTree* table = nullptr;
};

std::string Copy(const std::string& image, const std::string& name) {
    const std::string copy = fixtures::ScratchDir() + "/" + name;
    std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

void ZeroSector(const std::string& image, std::uint64_t sector) {
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(std::streamoff(sector * 512));
    const std::string zeros(512, '\0');
    file.write(zeros.data(), zeros.size());
}

TEST(FindPart, WipedTablesGiveBackEveryPartitionOnceWithItsExtent) {
    for (const char* name : {"mbr.img", "ntfs-noboot.img", "gpt.img"}) {
        SCOPED_TRACE(name);
        const std::string image = fixtures::Image("findpart.sh", name);
        cOpened opened(image);
        ASSERT_NE(opened.storage, nullptr);
        cFoundList list(*opened.storage, opened.table);
        cQuietFront front;
        cPartScanJob job(list, front);
        ASSERT_EQ(job.Search(), 1u);
        EXPECT_EQ(ExtentsOf(list), TableOf(image));
        EXPECT_EQ(front.rows, int(TableOf(image).size()));
        EXPECT_DOUBLE_EQ(front.last, 100.0);
        EXPECT_FALSE(list.Saved());
        for (const cPartTreeItem* node : list.Rows()) {
            EXPECT_FALSE(list.Listed(*node)) << node->Start();
            EXPECT_EQ(list.RootState(*node), cRootCheck::kListed) << node->Start();
        }
    }
}

TEST(FindPart, PartitionsTheTableStillListsAreMarkedAndNotRepeated) {
    const std::string image = fixtures::Image("findpart.sh", "mbr-intact.img");
    cOpened opened(image);
    ASSERT_NE(opened.table, nullptr);
    cFoundList list(*opened.storage, opened.table);
    cQuietFront front;
    cPartScanJob job(list, front);
    ASSERT_EQ(job.Search(), 1u);
    EXPECT_EQ(ExtentsOf(list), TableOf(fixtures::Image("findpart.sh", "mbr.img")));
    for (const cPartTreeItem* node : list.Rows()) {
        EXPECT_TRUE(list.Listed(*node)) << node->Start();
    }
}

// The primary boot sectors gone, their copies are all that is left: FAT32's 6 sectors in,
// NTFS's in the partition's last sector.
TEST(FindPart, CopiesOfLostBootSectorsLeadToTheirVolumesStart) {
    const std::string image = Copy(fixtures::Image("findpart.sh", "mbr.img"), "copies.img");
    ZeroSector(image, 2048);
    ZeroSector(image, 100352);
    cOpened opened(image);
    cFoundList list(*opened.storage, opened.table);
    cQuietFront front;
    cPartScanJob job(list, front);
    ASSERT_EQ(job.Search(), 1u);
    EXPECT_EQ(ExtentsOf(list), TableOf(fixtures::Image("findpart.sh", "mbr.img")));
}

TEST(FindPart, UnreadableSectorsMidSearchAreSkipped) {
    const std::string image = fixtures::Image("findpart.sh", "mbr.img");
    cOpened opened(image);
    cFailingIO failing(opened.storage->Duplicate(), 1);
    // Inside the FAT32 volume's data, and across a block the search reads.
    failing.FailSectors(40000, 300);
    cFoundList list(failing, nullptr);
    cQuietFront front;
    cPartScanJob job(list, front);
    ASSERT_EQ(job.Search(), 1u);
    EXPECT_EQ(ExtentsOf(list), TableOf(image));
    EXPECT_EQ(job.BadRanges().Ranges(), (std::vector<cSectorRange>{{40000, 300}}));
}

TEST(FindPart, AStorageOfNoSectorsFinishesAtOnce) {
    cMemIO empty(std::vector<std::uint8_t>{});
    cFoundList list(empty, nullptr);
    cQuietFront front;
    cPartScanJob job(list, front);
    EXPECT_EQ(job.Search(), 1u);
    EXPECT_TRUE(list.Rows().empty());
    EXPECT_EQ(front.last, -1);
}

TEST(FindPart, AStopRequestEndsTheSearch) {
    const std::string image = fixtures::Image("findpart.sh", "mbr.img");
    cOpened opened(image);
    cFoundList list(*opened.storage, opened.table);
    class cStopping final : public cPartScanFront {
        bool OnProgress(double) override { return false; }
    } front;
    cPartScanJob job(list, front);
    EXPECT_EQ(job.Search(), 0u);
}

TEST(FindPart, ASavedListLoadsIntoTheSameRowsAndSavesByteForByte) {
    for (const char* name : {"mbr.img", "ntfs-noboot.img", "gpt.img"}) {
        SCOPED_TRACE(name);
        const std::string image = fixtures::Image("findpart.sh", name);
        cOpened opened(image);
        cFoundList list(*opened.storage, opened.table);
        cQuietFront front;
        cPartScanJob job(list, front);
        ASSERT_EQ(job.Search(), 1u);
        const std::vector<std::uint8_t> saved = partlist::Encode(list.Top());

        cFoundList loaded(*opened.storage, opened.table);
        const partlist::cLoadResult result =
            partlist::Decode(saved, loaded.Tree(), loaded.Top(),
                             [](cPartTreeItem& node, std::uint8_t type, std::uint16_t) {
                                 AttachStoredReader(node, type);
                             });
        ASSERT_TRUE(result.ok);
        EXPECT_TRUE(result.sameSize);
        EXPECT_EQ(result.fileSystems, TableOf(image).size());
        EXPECT_EQ(ExtentsOf(loaded), ExtentsOf(list));
        EXPECT_EQ(partlist::Encode(loaded.Top()), saved);
    }
}

} // namespace
