// The NTFS reader on a volume made by mkntfs and filled through ntfs-3g, compared with
// the tree it was filled from and with The Sleuth Kit's listing of the same image.

#include "support/fixtures.h"
#include "vfs/ntfs/ntfs_params.h"
#include "vfs/ntfs_volume.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

using namespace ntfs_test;
using vfs_test::RunCommand;
namespace fs = std::filesystem;

namespace {

class NtfsVolume : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (fixtures::IsRoot()) {
            folder_ = fixtures::Folder("ntfs-volume.sh");
        }
    }
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "making the image needs a FUSE mount";
        }
        ASSERT_FALSE(folder_.empty());
        volume_ = std::make_unique<Volume>(LoadFile(folder_ + "/ntfs.img"));
        ASSERT_TRUE(volume_->Mount());
    }

    std::string Tree() const { return folder_ + "/tree"; }
    cVNTFS& Ntfs() { return *volume_->ntfs; }
    std::unique_ptr<cFSObject> Find(const std::u16string& path) {
        return Ntfs().FindByPath(path, Ntfs().GetRootId());
    }
    std::vector<std::uint8_t> ReadObject(const std::u16string& path) {
        auto entry = Find(path);
        EXPECT_TRUE(entry) << utf::ToUtf8(path);
        auto handle = entry ? Ntfs().OpenObject(*entry) : nullptr;
        EXPECT_TRUE(handle) << utf::ToUtf8(path);
        return handle ? ReadToEnd(*handle) : std::vector<std::uint8_t>{};
    }

    static std::string folder_;
    std::unique_ptr<Volume> volume_;
};
std::string NtfsVolume::folder_;

// What the tree holds: relative paths of files and folders, named streams left out.
std::map<std::string, Listed> SourceTree(const std::string& root) {
    std::map<std::string, Listed> out;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string path = "/" + fs::relative(item.path(), root).string();
        if (path.find(':') != std::string::npos) {
            continue;
        }
        out[path] = item.is_directory() ? Listed{fskind::kFolder, 0, 0}
                                        : Listed{fskind::kFile, item.file_size(), 0};
    }
    return out;
}

} // namespace

TEST_F(NtfsVolume, EveryPathSizeAndByteMatchesTheSourceTree) {
    bool ok = true;
    const auto listed = WalkTree(Ntfs(), &ok);
    EXPECT_TRUE(ok);
    const auto source = SourceTree(Tree());
    ASSERT_GT(source.size(), 2400u);
    for (const auto& [path, want] : source) {
        const auto it = listed.find(path);
        if (it == listed.end()) {
            ADD_FAILURE() << "not listed: " << path;
            continue;
        }
        EXPECT_EQ(it->second.kind, want.kind) << path;
        EXPECT_EQ(it->second.size, want.size) << path;
    }
    for (const auto& [path, got] : listed) {
        EXPECT_TRUE(source.count(path)) << "listed but not in the tree: " << path;
    }
    // Each file by the id its listing gave, as the copy job opens what it lists.
    for (const auto& [path, want] : source) {
        const auto it = listed.find(path);
        if (want.kind != fskind::kFile || it == listed.end()) {
            continue;
        }
        auto entry = Ntfs().GetObject(it->second.id);
        auto handle = entry ? Ntfs().OpenObject(*entry) : nullptr;
        ASSERT_TRUE(handle) << path;
        const auto bytes = ReadToEnd(*handle);
        EXPECT_TRUE(bytes == LoadFile(Tree() + path))
            << path << ": " << bytes.size() << " bytes read";
    }
}

TEST_F(NtfsVolume, ListingAgreesWithTheSleuthKit) {
    // fls -r -p: "r/r 64-128-2:\tpath"; metadata files, named streams, deleted entries and
    // its virtual orphan folder are not what a listing shows.
    std::map<std::string, std::uint64_t> expected;
    const std::string fls = RunCommand("fls -r -p '" + folder_ + "/ntfs.img'");
    ASSERT_FALSE(fls.empty());
    std::size_t at = 0;
    while (at < fls.size()) {
        const std::size_t end = fls.find('\n', at);
        const std::string line = fls.substr(at, end - at);
        at = end == std::string::npos ? fls.size() : end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.find(" * ") != std::string::npos ||
            line.compare(0, 3, "V/V") == 0) {
            continue;
        }
        const std::string path = "/" + line.substr(tab + 1);
        if (path[1] == '$' || path.find(':') != std::string::npos) {
            continue;
        }
        expected[path] = std::stoull(line.substr(4));
    }
    std::map<std::string, std::uint64_t> got;
    for (const auto& [path, entry] : WalkTree(Ntfs())) {
        got[path] = entry.id;
    }
    EXPECT_EQ(got, expected);

    // icat reads the attribute-list file and a compressed one the same way.
    for (const char* path : {"/frag/attrlist.bin", "/comp/mixed.bin", "/sparse.bin"}) {
        const std::string bytes =
            RunCommand("icat '" + folder_ + "/ntfs.img' " + std::to_string(expected[path]));
        const auto ours = ReadObject(utf::FromUtf8(path));
        EXPECT_EQ(std::string(ours.begin(), ours.end()), bytes) << path;
    }
}

TEST_F(NtfsVolume, RootListsDotsButNoMetadataFiles) {
    std::vector<std::u16string> names;
    cFSFolder root;
    root.id = Ntfs().GetRootId();
    ASSERT_TRUE(Ntfs().EnumFolder(root, [&](cFSObject& entry) {
        EXPECT_TRUE(entry.id >= ntfs::kFirstUserRecord || entry.name == u"." || entry.name == u"..")
            << utf::ToUtf8(entry.name);
        if (entry.name == u"." || entry.name == u"..") {
            EXPECT_EQ(entry.id, ntfs::kRootRecord);
            EXPECT_EQ(entry.Kind(), fskind::kFolder);
        }
        names.push_back(entry.name);
        return true;
    }));
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], u".");
    EXPECT_EQ(names[1], u"..");
    for (const char16_t* hidden : {u"$MFT", u"$Bitmap", u"$Extend", u"$Volume"}) {
        EXPECT_EQ(std::count(names.begin(), names.end(), hidden), 0);
    }
    // The callback's no ends the listing, and EnumFolder says so.
    int calls = 0;
    EXPECT_FALSE(Ntfs().EnumFolder(root, [&](cFSObject&) { return ++calls < 3; }));
    EXPECT_EQ(calls, 3);
}

TEST_F(NtfsVolume, HardLinksAreListedUnderTheNameOfEachFolder) {
    const auto listed = WalkTree(Ntfs());
    const auto original = listed.find("/links/original.txt");
    ASSERT_NE(original, listed.end());
    for (const char* path : {"/links/second.txt", "/other/third.txt"}) {
        const auto link = listed.find(path);
        ASSERT_NE(link, listed.end()) << path;
        EXPECT_EQ(link->second.id, original->second.id) << path;
        EXPECT_EQ(link->second.size, original->second.size) << path;
    }
    // A listing entry's parent is the folder that lists it, whichever name the record
    // itself would choose.
    auto third = Find(u"/other/third.txt");
    ASSERT_TRUE(third);
    cFSFolder other;
    other.id = Find(u"/other")->id;
    Ntfs().EnumFolder(other, [&](cFSObject& entry) {
        if (entry.name == u"third.txt") {
            EXPECT_EQ(entry.parentId, other.id);
        }
        return true;
    });
}

TEST_F(NtfsVolume, ADosNameDoesNotListTheFileTwice) {
    std::vector<std::u16string> names;
    cFSFolder folder;
    folder.id = Find(u"/dosname")->id;
    ASSERT_TRUE(Ntfs().EnumFolder(folder, [&](cFSObject& entry) {
        names.push_back(entry.name);
        return true;
    }));
    EXPECT_EQ(names, (std::vector<std::u16string>{u".", u"..", u"A long file name.text"}));
    auto byRecord = Ntfs().GetObject(Find(u"/dosname/A long file name.text")->id);
    ASSERT_TRUE(byRecord);
    EXPECT_EQ(byRecord->name, u"A long file name.text"); // the Win32 name, not the DOS one
}

TEST_F(NtfsVolume, StructuresTheFixtureMeansToCoverAreReallyThere) {
    const auto streamOf = [&](const std::u16string& path) {
        auto entry = Find(path);
        return entry ? Ntfs().OpenStream(entry->id, ntfs::kData) : nullptr;
    };
    // Compressed units keep their packed clusters and leave the rest of the unit a hole.
    const auto hasHole = [](const cNTFSObj& stream) {
        for (std::size_t i = 0; i < stream.Runs().Count(); ++i) {
            if (stream.Runs()[i].IsSparse()) {
                return true;
            }
        }
        return false;
    };
    for (const char16_t* path : {u"/comp/text.txt", u"/comp/mixed.bin"}) {
        auto stream = streamOf(path);
        ASSERT_TRUE(stream);
        EXPECT_TRUE(stream->IsCompressed());
        EXPECT_TRUE(hasHole(*stream)) << "not compressed on disk";
    }
    auto sparse = streamOf(u"/sparse.bin");
    ASSERT_TRUE(sparse);
    EXPECT_FALSE(sparse->IsCompressed());
    EXPECT_TRUE(hasHole(*sparse));
    auto fragmented = streamOf(u"/frag/fragmented.bin");
    ASSERT_TRUE(fragmented);
    EXPECT_GE(fragmented->Runs().Count(), 30u);
    auto spread = streamOf(u"/frag/attrlist.bin");
    ASSERT_TRUE(spread);
    EXPECT_TRUE(ntfs::FindAttribute(*Ntfs().ReadRecord(Find(u"/frag/attrlist.bin")->id),
                                    ntfs::kAttributeList, u""));
    EXPECT_GE(spread->Runs().Count(), 200u);
    auto many = Find(u"/many");
    ASSERT_TRUE(many);
    EXPECT_TRUE(Ntfs().OpenStream(many->id, ntfs::kIndexAllocation, ntfs::kI30));
}

TEST_F(NtfsVolume, NamedStreamsAreSeparateFromTheFileData) {
    auto entry = Find(u"/ads.txt");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->size, 12u);
    auto meta = Ntfs().OpenStream(entry->id, ntfs::kData, u"meta");
    ASSERT_TRUE(meta);
    const auto expected = LoadFile(Tree() + "/ads.txt:meta");
    EXPECT_EQ(ReadToEnd(*meta), expected);
    EXPECT_EQ(ReadObject(u"/ads.txt"), std::vector<std::uint8_t>({'m', 'a', 'i', 'n', ' ', 's', 't',
                                                                  'r', 'e', 'a', 'm', '\n'}));
}

TEST_F(NtfsVolume, SeeksAndReadsAcrossUnitsHolesAndTheEnd) {
    const auto expected = LoadFile(Tree() + "/sparse.bin");
    auto handle = Ntfs().OpenObject(*Find(u"/sparse.bin"));
    ASSERT_TRUE(handle);
    // A read that starts in the hole and runs into the data.
    std::vector<std::uint8_t> piece(10000);
    const std::uint64_t at = 1048573 - 4000;
    EXPECT_EQ(handle->Seek(at), at);
    ASSERT_EQ(handle->Read(piece.data(), std::uint32_t(piece.size())), piece.size());
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), expected.begin() + at));
    EXPECT_EQ(handle->Seek(~std::uint64_t(0)), expected.size());
    EXPECT_EQ(handle->Read(piece.data(), 1), 0u);

    auto compressed = Ntfs().OpenObject(*Find(u"/comp/mixed.bin"));
    const auto mixed = LoadFile(Tree() + "/comp/mixed.bin");
    for (std::uint64_t offset : {std::uint64_t(0), std::uint64_t(4095), std::uint64_t(16383),
                                 std::uint64_t(40000), std::uint64_t(mixed.size() - 7)}) {
        compressed->Seek(offset);
        const std::uint32_t got = compressed->Read(piece.data(), std::uint32_t(piece.size()));
        ASSERT_EQ(got, std::min<std::uint64_t>(piece.size(), mixed.size() - offset));
        EXPECT_TRUE(std::equal(piece.begin(), piece.begin() + got, mixed.begin() + offset))
            << offset;
    }
}

TEST_F(NtfsVolume, PathsNamesAndVolumeFacts) {
    auto leaf = Find(u"/DEEP/a/B/c/LEAF.TXT");
    ASSERT_TRUE(leaf);
    EXPECT_EQ(Ntfs().BuildPath(*leaf), u"/deep/a/b/c/leaf.txt");
    auto unicode = Find(u"/Юникод/файл.txt");
    ASSERT_TRUE(unicode);
    EXPECT_GE(unicode->mtime.year, 2024);
    auto* name = volume_->record.FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->Name(), u"Drovik NTFS");
    EXPECT_EQ(Ntfs().GetBlockSize(), 1024u);
    EXPECT_EQ(Ntfs().GetBlockCount(), 16u * 1024 - 1); // the last sector holds the boot copy
    const auto identity = Ntfs().GetIdentity();
    ASSERT_EQ(identity.size(), 17u);
    EXPECT_EQ(identity[0], 1);
    EXPECT_EQ(bytes::unchecked::Le64(&identity[1]), 16u * 1024 * 2 - 1);
    EXPECT_EQ(Ntfs().GetVolumeSectors(), 16u * 1024 * 2 - 1);
}

TEST_F(NtfsVolume, BlockMapFollowsBitmap) {
    EXPECT_TRUE(Ntfs().IsBlockUsed(0)); // $Boot
    auto big = Ntfs().OpenStream(Find(u"/big.bin")->id, ntfs::kData);
    ASSERT_TRUE(big);
    std::uint64_t used = 0;
    for (std::size_t i = 0; i < big->Runs().Count(); ++i) {
        const cRun& run = big->Runs()[i];
        for (std::uint64_t c = 0; c < run.length; ++c) {
            used += Ntfs().IsBlockUsed(run.physicalStart + c);
        }
    }
    EXPECT_EQ(used, (300000 + 1023) / 1024);
    // Clusters freed for the comb are free again after the filler went; the volume is
    // far from full, so most clusters of its last part are free.
    std::uint64_t free = 0;
    for (std::uint64_t c = Ntfs().GetBlockCount() - 2000; c < Ntfs().GetBlockCount(); ++c) {
        free += !Ntfs().IsBlockUsed(c);
    }
    EXPECT_GT(free, 1000u);
    EXPECT_FALSE(Ntfs().IsBlockUsed(Ntfs().GetBlockCount() * 8)); // past the bitmap
}

TEST_F(NtfsVolume, MountsFromParametersWhenTheBootSectorIsLost) {
    const std::uint64_t mftSector = Ntfs().MftStart();
    std::vector<std::uint8_t> image = volume_->io.Bytes();
    std::fill(image.begin(), image.begin() + 512, 0);
    std::fill(image.end() - 512, image.end(), 0); // and its backup at the end
    Volume damaged(std::move(image));
    EXPECT_FALSE(damaged.Mount());
    cVNTFS reader;
    EXPECT_FALSE(reader.MountWithParams(damaged.record, nullptr));
    EXPECT_FALSE(reader.MountWithParams(damaged.record,
                                        std::make_unique<cExtNTFSParams>(mftSector, 1000).get()));
    ASSERT_TRUE(reader.MountWithParams(damaged.record,
                                       std::make_unique<cExtNTFSParams>(mftSector, 1024).get()));
    EXPECT_EQ(reader.GetBlockSize(), 1024u);
    EXPECT_EQ(reader.GetBlockCount(), 16u * 1024);
    EXPECT_EQ(reader.GetVolumeSectors(), 0u); // no boot record to say
    EXPECT_EQ(WalkTree(reader).size(), WalkTree(Ntfs()).size());
    EXPECT_FALSE(damaged.record.FindExtension(part_ext::kVolumeName));
}

// The fuzz seed volume has 512-byte clusters: every MFT record spans two clusters, and
// compression units are 8 KiB.
TEST(NtfsSmallClusters, RecordsAcrossClustersAndSmallCompressionUnits) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the image needs a FUSE mount";
    }
    const std::string image = fixtures::Image("ntfs-seed.sh", "seed.img");
    ASSERT_FALSE(image.empty());
    Volume volume(LoadFile(image));
    ASSERT_TRUE(volume.Mount());
    EXPECT_EQ(volume.ntfs->GetBlockSize(), 512u);
    const auto listed = WalkTree(*volume.fs);
    EXPECT_EQ(listed.size(), 47u); // b.txt, c, c/t.txt, d, d/a.txt, d/f1..f40, r.bin, sp.bin
    auto text = volume.ntfs->GetObject(listed.at("/c/t.txt").id);
    ASSERT_TRUE(text);
    auto handle = volume.ntfs->OpenObject(*text);
    ASSERT_TRUE(handle);
    std::string expected;
    for (int i = 1; i <= 700; ++i) {
        expected += "compress me " + std::to_string(i) + "\n";
    }
    const auto bytes = ReadToEnd(*handle);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    EXPECT_EQ(listed.at("/b.txt").id, listed.at("/d/a.txt").id);
}
