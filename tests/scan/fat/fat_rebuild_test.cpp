// Lost FAT volumes made by mkfs.fat and mtools, rebuilt from their data areas and compared
// with the trees they were filled from: paths, sizes and bytes of every file whose
// clusters survived.

#include "base/utf.h"
#include "fat_rebuild.h"
#include "scan/fat/fat1x_checker.h"
#include "scan/fat/fat_mount.h"
#include "scan/packed_extents.h"

#include <gtest/gtest.h>

namespace {

using namespace fatscantest;

std::string Folder() {
    return std::filesystem::path(Image("fat32-noboot.img")).parent_path().string();
}

// The paths of a listing, for messages that show what differs.
std::vector<std::string> PathsOf(const Files& files) {
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : files) {
        paths.push_back(path + " (" + std::to_string(bytes.size()) + ")");
    }
    return paths;
}

void ExpectSameFiles(const Files& got, const Files& want) {
    EXPECT_EQ(PathsOf(got), PathsOf(want));
    for (const auto& [path, bytes] : want) {
        const auto found = got.find(path);
        if (found != got.end()) {
            EXPECT_TRUE(found->second == bytes) << path << " differs";
        }
    }
}

// The packed extents of the rebuilt file at path, decoded.
std::size_t ExtentCount(const cResult& result, const std::string& path) {
    const auto entry = const_cast<cVReconstructedFS&>(result.fs).FindByPath(utf::FromUtf8(path),
                                                                            result.fs.GetRootId());
    if (!entry) {
        ADD_FAILURE() << "no " << path;
        return 0;
    }
    const auto id = cVSItemId(entry->id);
    const auto extents = packedext::Decode(result.tree->Extents(id), result.tree->Size(id));
    return extents ? extents->size() : 0;
}

Files DeletedFiles(const std::string& folder) {
    Files deleted = HostTree(Folder() + "/" + folder);
    // Without a long name a deleted entry has lost its first letter.
    Files named;
    for (auto& [path, bytes] : deleted) {
        named[path == "/GONE.TXT" ? "/docs/xONE.TXT" : path] = std::move(bytes);
    }
    return named;
}

class FatRebuild : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Image("fat32-noboot.img"); }
};

TEST_F(FatRebuild, Fat32WithoutBootSectorsComesBackWithItsRootInPlace) {
    cRebuild run(ReadHostFile(Image("fat32-noboot.img")));
    ASSERT_TRUE(run.Run());
    const fatscan::cFATGeometry& geometry = run.reconstructor->Geometry();
    EXPECT_EQ(geometry.fatType, fatscan::FatType::kFat32);
    EXPECT_EQ(geometry.state, 2u);
    // The partition's size would suggest 1024-byte clusters; two folders measured 512.
    EXPECT_EQ(geometry.clusterBytes, 512u);
    EXPECT_EQ(geometry.rootCluster, 2u);

    ExpectSameFiles(run.FilesOf(run.rebuilt), HostTree(Folder() + "/tree-32"));
    const auto folders = run.FoldersOf(run.rebuilt);
    EXPECT_NE(std::find(folders.begin(), folders.end(), "/empty"), folders.end());
    EXPECT_EQ(std::find(folders.begin(), folders.end(), std::string(cQORNVStorage::kOrphanName)),
              folders.end());
    EXPECT_GT(ExtentCount(run.rebuilt, "/frag/FRAG.BIN"), 1u);
    // The deleted files' clusters are free and nobody took them.
    ExpectSameFiles(run.FilesOf(run.deleted), DeletedFiles("deleted-32"));
    EXPECT_TRUE(run.FilesOf(run.damaged).empty());
    EXPECT_EQ(run.counts.deletedFiles, 2u);
}

// A small file whose bytes read as a deleted entry followed by zeros passes for a folder
// cluster; the table gives the cluster to the file, so the file keeps it and no folder
// is made of it.
TEST_F(FatRebuild, ASmallFileThatLooksLikeEntriesKeepsItsCluster) {
    Bytes image = ReadHostFile(Image("fat32-noboot.img"));
    const Bytes readme = ReadHostFile(Folder() + "/tree-32/docs/readme.md");
    const auto at = std::search(image.begin(), image.end(), readme.begin(), readme.end());
    ASSERT_NE(at, image.end());
    ASSERT_EQ((at - image.begin()) % 512, 0);
    Bytes crafted(readme.size(), 0);
    const char entry[] = "\xE5"
                         "DELETEDTXT";
    std::copy(entry, entry + 11, crafted.begin());
    crafted[11] = 0x20;
    crafted[26] = 5;
    std::copy(crafted.begin(), crafted.end(), at);
    cRebuild run(std::move(image));
    ASSERT_TRUE(run.Run());
    const Files rebuilt = run.FilesOf(run.rebuilt);
    ASSERT_EQ(rebuilt.count("/docs/readme.md"), 1u);
    EXPECT_TRUE(rebuilt.at("/docs/readme.md") == crafted);
    for (const cResult* result : {&run.rebuilt, &run.deleted}) {
        const auto folders = run.FoldersOf(*result);
        EXPECT_EQ(std::count(folders.begin(), folders.end(),
                             "/" + std::string(cQORNVStorage::kOrphanName)),
                  0);
    }
    EXPECT_TRUE(run.FilesOf(run.damaged).empty());
}

TEST_F(FatRebuild, Fat12FloppyWithoutBootSector) {
    cRebuild run(ReadHostFile(Image("fat12-noboot.img")));
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.reconstructor->Geometry().fatType, fatscan::FatType::kFat12);
    EXPECT_EQ(run.reconstructor->Geometry().rootEntries, 224u);
    ExpectSameFiles(run.FilesOf(run.rebuilt), HostTree(Folder() + "/tree-12"));
    ExpectSameFiles(run.FilesOf(run.deleted), DeletedFiles("deleted-12"));
}

TEST_F(FatRebuild, Fat16WithANoisyFirstTableUsesTheSecond) {
    cRebuild run(ReadHostFile(Image("fat16-badfat.img")));
    ASSERT_TRUE(run.Run());
    const auto* table = dynamic_cast<cFAT1xChecker*>(&run.reconstructor->Table());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Primary(), 2u);
    EXPECT_GT(table->BrokenChains(1), table->BrokenChains(2));
    ExpectSameFiles(run.FilesOf(run.rebuilt), HostTree(Folder() + "/tree-16"));
    EXPECT_GT(ExtentCount(run.rebuilt, "/frag/FRAG.BIN"), 1u);
    ExpectSameFiles(run.FilesOf(run.deleted), DeletedFiles("deleted-16"));
}

// After a quick format the root lists only the new files; the old folders survive in the
// data area and come back, nameless, under " [Parent unknown]" with their subtrees.
TEST_F(FatRebuild, QuickFormattedFat16KeepsItsSurvivingFolders) {
    cRebuild run(ReadHostFile(Image("fat16-quick.img")));
    ASSERT_TRUE(run.Run());
    const Files rebuilt = run.FilesOf(run.rebuilt);
    const std::string orphans = "/" + std::string(cQORNVStorage::kOrphanName) + "/";
    // Each file below a top-level folder, found by the path below that folder.
    const auto findBelow = [&](const Files& files, const std::string& rest) {
        for (const auto& [path, bytes] : files) {
            if (path.rfind(orphans + "folder", 0) == 0 &&
                path.size() == orphans.size() + 14 + rest.size() &&
                path.compare(orphans.size() + 14, std::string::npos, rest) == 0) {
                return files.find(path);
            }
        }
        return files.end();
    };
    // A folder that grew after files were written into it went on in a cluster of its
    // own; with the tables cleared nothing links the two, so the files listed there come
    // back in a folder of their own, and a long name split between the two clusters
    // keeps only its short form.
    std::size_t compared = 0;
    std::size_t renamed = 0;
    for (const auto& [path, source] : HostTree(Folder() + "/tree-quick")) {
        const Bytes& bytes = source;
        const std::size_t second = path.find('/', 1);
        if (second == std::string::npos || path == "/frag/FRAG.BIN") {
            continue; // root files went with the root; FRAG.BIN is checked below
        }
        ++compared;
        const auto found = findBelow(rebuilt, path.substr(second));
        if (found != rebuilt.end()) {
            EXPECT_TRUE(found->second == bytes) << path;
            continue;
        }
        ++renamed;
        EXPECT_TRUE(std::any_of(rebuilt.begin(), rebuilt.end(), [&](const auto& file) {
            return file.first.rfind(orphans, 0) == 0 && file.second == bytes;
        })) << path;
    }
    EXPECT_LE(renamed, 1u);
    EXPECT_GT(compared, 60u);
    for (const auto& [path, bytes] : HostTree(Folder() + "/new-files")) {
        ASSERT_EQ(rebuilt.count(path), 1u) << path;
        EXPECT_TRUE(rebuilt.at(path) == bytes) << path;
    }
    // FRAG.BIN's chain went with the format: what follows its hole is KEEP.BIN, so it is
    // filed as damaged with the part before, never with KEEP.BIN's bytes.
    const Files damaged = run.FilesOf(run.damaged);
    const auto frag = findBelow(damaged, "/FRAG.BIN");
    ASSERT_NE(frag, damaged.end());
    const Bytes whole = ReadHostFile(Folder() + "/tree-quick/frag/FRAG.BIN");
    EXPECT_EQ(frag->second.size(), 4096u);
    EXPECT_TRUE(std::equal(frag->second.begin(), frag->second.end(), whole.begin()));
    // GONE.TXT was deleted in a surviving folder and its cluster is free.
    const Files deleted = run.FilesOf(run.deleted);
    EXPECT_NE(findBelow(deleted, "/xONE.TXT"), deleted.end());
}

TEST_F(FatRebuild, TheFoundGeometryMountsTheReader) {
    for (const char* name : {"fat32-noboot.img", "fat12-noboot.img"}) {
        cRebuild run(ReadHostFile(Image(name)));
        ASSERT_TRUE(run.Run()) << name;
        cPartRecord record;
        record.SetRecord(&run.io, 0, run.io.GetSectorCount(), 0x0C);
        const auto reader = fatscan::MountFromGeometry(record, run.reconstructor->Geometry());
        ASSERT_NE(reader, nullptr) << name;
        const std::string path = "/Папка/Вложенная папка/Глубже/A file with a long name.data";
        const auto entry = reader->FindByPath(utf::FromUtf8(path), reader->GetRootId());
        ASSERT_NE(entry, nullptr) << name;
        const auto handle = reader->OpenObject(*entry);
        ASSERT_NE(handle, nullptr);
        Bytes bytes(entry->size);
        EXPECT_EQ(handle->Read(bytes.data(), std::uint32_t(bytes.size())), bytes.size());
        const std::string tree =
            std::string(name).find("32") != std::string::npos ? "tree-32" : "tree-12";
        EXPECT_TRUE(bytes == ReadHostFile(Folder() + "/" + tree + path)) << name;
    }
}

} // namespace
