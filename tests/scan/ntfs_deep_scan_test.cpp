// The NTFS deep scan on volumes made by mkntfs and filled through ntfs-3g, then damaged
// as a disk is: both boot sectors zeroed, the volume moved inside a disk whose partition
// table is gone, a range of MFT records overwritten, files deleted. Every file the scan
// files is read back through the result and compared with the tree it was made from.

#include "base/utf.h"
#include "scan/ntfs/deep_scan.h"
#include "scan/ntfs/long_scan.h"
#include "scan/ntfs/mft_deleted.h"
#include "scan/ntfs/ntfs_attach.h"
#include "scan/reconstructed_fs.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/ntfs_volume.h"
#include "vfs/volume_walk.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// Every regular file below folder, by its path from there ("/a/b.txt").
std::map<std::string, Bytes> FilesBelow(const std::string& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        // Named streams are kept beside their files as "name:stream"; the scan reads the
        // unnamed stream only.
        if (entry.is_regular_file() && name.find(':') == std::string::npos) {
            files["/" + fs::relative(entry.path(), folder).string()] =
                vfs_test::LoadFile(entry.path().string());
        }
    }
    return files;
}

// A result read as a file system: its own partition over the image, with the NTFS reader
// built from the geometry the scan found, as a result file loaded again gets it.
std::map<std::string, Bytes> ReadResult(cMemIO& io, std::uint64_t start,
                                        const cNTFSGeometry& geometry,
                                        std::unique_ptr<cQORNVStorage> result) {
    cPartRecord record;
    record.SetRecord(&io, start, io.GetSectorCount() - start, 0x07);
    EXPECT_TRUE(AttachNtfsReader(record, geometry));
    record.AttachExtension(std::move(result));
    cVReconstructedFS fs;
    EXPECT_TRUE(fs.Mount(record));
    std::map<std::string, Bytes> files;
    for (const auto& [path, listed] : vfs_test::WalkTree(fs)) {
        if (listed.kind != fskind::kFile) {
            continue;
        }
        const auto entry = fs.GetObject(listed.id);
        const auto handle = entry ? fs.OpenObject(*entry) : nullptr;
        files[path] = handle ? vfs_test::ReadToEnd(*handle) : Bytes{0xDE, 0xAD};
    }
    return files;
}

struct cResults {
    ntfsscan::cDeepScanOutcome outcome;
    std::map<std::string, Bytes> tree;
    std::map<std::string, Bytes> deleted;
    std::map<std::string, Bytes> damaged;
};

// Scans the partition from start to the image's end; with mountFirst its own NTFS reader
// is mounted first, as on a healthy volume.
cResults Scan(cMemIO& io, std::uint64_t start = 0, bool mountFirst = false) {
    cPartRecord record;
    record.SetRecord(&io, start, io.GetSectorCount() - start, 0x07);
    if (mountFirst) {
        auto own = MountNtfs(record);
        EXPECT_TRUE(own);
        record.AttachExtension(std::move(own));
    }
    std::array<std::unique_ptr<cQORNVStorage>, 3> results;
    for (auto& result : results) {
        result = std::make_unique<cQORNVStorage>();
    }
    cResults out;
    out.outcome =
        ntfsscan::DeepScan(record, {results[0].get(), results[1].get(), results[2].get()}, nullptr);
    if (!out.outcome.geometry) {
        return out;
    }
    EXPECT_TRUE(out.outcome.scan.finished);
    const cNTFSGeometry& geometry = *out.outcome.geometry;
    out.tree = ReadResult(io, start, geometry, std::move(results[0]));
    out.deleted = ReadResult(io, start, geometry, std::move(results[1]));
    out.damaged = ReadResult(io, start, geometry, std::move(results[2]));
    return out;
}

// Hard links are filed once, under one of their names.
const std::vector<std::set<std::string>> kLinks = {
    {"/links/original.txt", "/links/second.txt", "/other/third.txt"}};

// Every file of the source tree is in found with its bytes, but for those in missing;
// one name of each set of links is enough.
void ExpectEveryFile(const std::map<std::string, Bytes>& source,
                     const std::map<std::string, Bytes>& found,
                     const std::set<std::string>& missing = {}) {
    for (const auto& entry : source) {
        const std::string& path = entry.first;
        const Bytes& bytes = entry.second;
        const auto link = std::find_if(kLinks.begin(), kLinks.end(),
                                       [&path](const auto& set) { return set.count(path) != 0; });
        if (link != kLinks.end()) {
            EXPECT_EQ(std::count_if(link->begin(), link->end(),
                                    [&](const std::string& name) {
                                        return found.count(name) && found.at(name) == bytes;
                                    }),
                      1)
                << path;
            continue;
        }
        if (missing.count(path)) {
            EXPECT_EQ(found.count(path), 0u) << path;
            continue;
        }
        const auto it = found.find(path);
        ASSERT_NE(it, found.end()) << path;
        EXPECT_TRUE(it->second == bytes)
            << path << ": " << it->second.size() << " bytes read, " << bytes.size() << " expected";
    }
}

class NtfsDeepScan : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string folder = fixtures::Folder("ntfs-volume.sh");
        image_ = vfs_test::LoadFile(folder + "/ntfs.img");
        source_ = FilesBelow(folder + "/tree");
        ASSERT_FALSE(image_.empty());
        // Both boot sectors: the first and the copy in the volume's last sector.
        std::fill_n(image_.begin(), 512, 0);
        std::fill_n(image_.end() - 512, 512, 0);
    }

    Bytes image_;
    std::map<std::string, Bytes> source_;
};

TEST_F(NtfsDeepScan, WithoutBootSectorsEveryFileComesBackByteExact) {
    cMemIO io(image_);
    const cResults found = Scan(io);
    ASSERT_TRUE(found.outcome.geometry);
    EXPECT_EQ(found.outcome.geometry->volumeStart, 0u);
    EXPECT_EQ(found.outcome.geometry->clusterSize, 1024u);
    // Compressed, sparse, resident, fragmented, spread over extension records, Cyrillic,
    // nested: all of them.
    ExpectEveryFile(source_, found.tree);
    EXPECT_TRUE(found.damaged.empty());
    // Nothing but the source's files (and links under one name) is in the tree.
    for (const auto& [path, bytes] : found.tree) {
        EXPECT_TRUE(source_.count(path)) << path;
    }
}

TEST_F(NtfsDeepScan, AVolumeMovedInsideADiskIsFoundAtItsTrueStart) {
    // 1031 sectors of noise before it (not on a cluster boundary) and some after; the
    // disk has no partition table, so the whole disk is scanned.
    Bytes disk(1031 * 512);
    std::mt19937 noise(7);
    for (auto& byte : disk) {
        byte = std::uint8_t(noise());
    }
    disk.insert(disk.end(), image_.begin(), image_.end());
    disk.resize(disk.size() + 300 * 512);
    cMemIO io(std::move(disk));
    const cResults found = Scan(io);
    ASSERT_TRUE(found.outcome.geometry);
    EXPECT_EQ(found.outcome.geometry->volumeStart, 1031u);
    ExpectEveryFile(source_, found.tree);
}

TEST_F(NtfsDeepScan, OverwrittenRecordsCostOnlyTheirOwnFiles) {
    // The reader of the intact volume tells where each record lies.
    ntfs_test::Volume mounted(vfs_test::LoadFile(fixtures::Folder("ntfs-volume.sh") + "/ntfs.img"));
    ASSERT_TRUE(mounted.Mount());
    std::set<std::string> missing;
    Bytes damaged = image_;
    // The records of many/file-0100 … file-0199 are overwritten with a filler.
    for (int i = 100; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/many/file-%04d.txt", i);
        const auto entry = mounted.fs->FindByPath(utf::FromUtf8(name), mounted.fs->GetRootId());
        ASSERT_TRUE(entry) << name;
        const auto at = ntfs_test::RecordOnVolume(*mounted.ntfs, entry->id);
        ASSERT_TRUE(at);
        std::fill_n(damaged.begin() + std::ptrdiff_t(*at), 1024, 0xE5);
        missing.insert(name);
    }
    // The folder "deep/a" loses its record: what lies below it is found under a folder
    // named after its record number, among the files whose parents are unknown.
    const auto folder = mounted.fs->FindByPath(u"/deep/a", mounted.fs->GetRootId());
    ASSERT_TRUE(folder);
    const auto folderAt = ntfs_test::RecordOnVolume(*mounted.ntfs, folder->id);
    ASSERT_TRUE(folderAt);
    std::fill_n(damaged.begin() + std::ptrdiff_t(*folderAt), 1024, 0);
    missing.insert("/deep/a/b/c/leaf.txt");

    cMemIO io(std::move(damaged));
    const cResults found = Scan(io);
    ASSERT_TRUE(found.outcome.geometry);
    ExpectEveryFile(source_, found.tree, missing);
    char lost[64];
    std::snprintf(lost, sizeof lost, "/ [Parent unknown]/Folder%08llu/b/c/leaf.txt",
                  static_cast<unsigned long long>(folder->id));
    ASSERT_TRUE(found.tree.count(lost)) << lost;
    EXPECT_EQ(found.tree.at(lost), source_.at("/deep/a/b/c/leaf.txt"));
}

class NtfsDeletedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fixtures::Folder("ntfs-deleted.sh");
        image_ = vfs_test::LoadFile(folder_ + "/ntfs.img");
        ASSERT_FALSE(image_.empty());
    }

    std::string folder_;
    Bytes image_;
};

TEST_F(NtfsDeletedFiles, DeletedFilesComeBackUnderTheirFolders) {
    std::fill_n(image_.begin(), 512, 0);
    cMemIO io(image_);
    const cResults found = Scan(io);
    ASSERT_TRUE(found.outcome.geometry);
    EXPECT_EQ(found.outcome.geometry->clusterSize, 4096u);
    ExpectEveryFile(FilesBelow(folder_ + "/live"), found.tree);
    // Their clusters were not written again, so every byte is still there.
    const auto deleted = FilesBelow(folder_ + "/deleted");
    ExpectEveryFile(deleted, found.deleted);
    EXPECT_EQ(found.deleted.size(), deleted.size());
}

TEST_F(NtfsDeletedFiles, OnAMountedVolumeTheMftAloneGivesTheDeletedFiles) {
    cMemIO io(image_);
    cPartRecord record;
    record.SetRecord(&io, 0, io.GetSectorCount(), 0x07);
    auto reader = MountNtfs(record);
    auto* ntfs = dynamic_cast<cVNTFS*>(reader.get());
    ASSERT_TRUE(ntfs);
    auto deleted = std::make_unique<cQORNVStorage>();
    ASSERT_TRUE(FindDeletedInMft(*ntfs, *deleted, nullptr));
    const cNTFSGeometry geometry = ntfsscan::GeometryOf(*ntfs);
    ExpectEveryFile(FilesBelow(folder_ + "/deleted"),
                    ReadResult(io, 0, geometry, std::move(deleted)));

    // The whole scan on the mounted volume reads the MFT first and files nothing twice.
    const cResults whole = Scan(io, 0, true);
    EXPECT_TRUE(whole.outcome.fromMountedReader);
    EXPECT_EQ(whole.deleted.size(), FilesBelow(folder_ + "/deleted").size());
}

} // namespace
