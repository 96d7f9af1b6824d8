// The result tree as a file system: listing order, entries, raw files of one and of
// several fragments with a tail read byte for byte, and files found through NTFS metadata
// opened again through the NTFS reader of the same partition.

#include "result_tree.h"
#include "scan/packed_extents.h"
#include "scan/reconstructed_fs.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/ntfs_volume.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kPartStart = 8;

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = std::uint8_t(i * 7 + i / 251);
    }
    return bytes;
}

// Bytes of the image at a sector of the partition.
Bytes At(const Bytes& image, std::uint64_t sector, std::size_t offset, std::size_t size) {
    const std::size_t from = (kPartStart + sector) * 512 + offset;
    return Bytes(image.begin() + from, image.begin() + from + size);
}

cVSItemId AddFragments(cQORNVStorage& tree, cVSItemId folder, std::string_view name,
                       std::uint64_t size, const std::vector<cQORNFileAllocation>& extents) {
    const auto packed = packedext::Encode(extents);
    EXPECT_TRUE(packed);
    cVSFileInfo info;
    info.kind = vsitem::kMultifragFile;
    info.size = size;
    info.extents = *packed;
    const cVSItemId file = tree.NewFile(name, info);
    tree.Insert(file, folder);
    return file;
}

class Reconstructed : public ::testing::Test {
protected:
    Reconstructed() : image_(Pattern(256 * 512)), io_(image_) {
        record_.SetRecord(&io_, kPartStart, 200, 0x07);
        auto owned = std::make_unique<cQORNVStorage>();
        tree_ = owned.get();
        record_.AttachExtension(std::move(owned));
        EXPECT_TRUE(fs_.Mount(record_));
    }
    Bytes Read(const std::string& name, std::uint32_t piece = 65536) {
        const auto entry = fs_.FindByPath(utf::FromAscii(name), fs_.GetRootId());
        const auto handle = entry ? fs_.OpenObject(*entry) : nullptr;
        if (!handle) {
            ADD_FAILURE() << "cannot open " << name;
            return {};
        }
        EXPECT_EQ(handle->GetSize(), entry->size);
        Bytes out;
        Bytes buffer(piece);
        while (std::uint32_t got = handle->Read(buffer.data(), piece)) {
            out.insert(out.end(), buffer.begin(), buffer.begin() + got);
        }
        return out;
    }

    Bytes image_;
    cMemIO io_;
    cPartRecord record_;
    cQORNVStorage* tree_ = nullptr;
    cVReconstructedFS fs_;
};

TEST_F(Reconstructed, MountNeedsTheVirtualStorage) {
    cPartRecord bare;
    bare.SetRecord(&io_, 0, 10, 0);
    cVReconstructedFS other;
    EXPECT_FALSE(other.Mount(bare));
    EXPECT_EQ(fs_.GetFSType(), 17u);
    EXPECT_EQ(fs_.GetIdentity(), (Bytes{17, 8, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(fs_.GetRootId(), 0u);
}

TEST_F(Reconstructed, ListsDotsThenFoldersThenFiles) {
    scantest::AddRaw(*tree_, kNoItem, "first-file", 0, 1);
    const cVSItemId sub = scantest::AddFolder(*tree_, kNoItem, "sub");
    scantest::AddRaw(*tree_, sub, "", 0, 1);
    std::vector<std::pair<std::u16string, std::uint32_t>> listed;
    const auto root = fs_.GetObject(fs_.GetRootId());
    ASSERT_TRUE(root);
    EXPECT_TRUE(fs_.EnumFolder(*root, [&](cFSObject& entry) {
        listed.emplace_back(entry.name, entry.Kind());
        EXPECT_EQ(entry.parentId, fs_.GetRootId());
        return true;
    }));
    EXPECT_EQ(listed, (std::vector<std::pair<std::u16string, std::uint32_t>>{
                          {u".", 1}, {u"..", 1}, {u"sub", 1}, {u"first-file", 2}}));
    const auto unnamed = fs_.FindByPath(u"/sub/[invalid name]", fs_.GetRootId());
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->parentId, sub);
    EXPECT_EQ(fs_.BuildPath(*unnamed), u"/sub/[invalid name]");
    // A listing stops when asked to.
    EXPECT_FALSE(fs_.EnumFolder(*root, [](cFSObject&) { return false; }));
    EXPECT_FALSE(fs_.OpenObject(*root));
}

TEST_F(Reconstructed, RawFilesReadByteExact) {
    scantest::AddRaw(*tree_, kNoItem, "raw.bin", 3, 1500);
    // Three runs, one of them back to back with the first, then a tail inside a sector.
    AddFragments(*tree_, kNoItem, "frag.bin", 4 * 512 + 700,
                 {{20, 2, 0}, {50, 1, 0}, {22, 1, 0}, {90, 9, 37}});
    AddFragments(*tree_, kNoItem, "one.bin", 1000, {{30, 1, 0}});
    AddFragments(*tree_, kNoItem, "tail.bin", 900, {{40, 5, 300}});

    EXPECT_EQ(Read("/raw.bin"), At(image_, 3, 0, 1500));
    Bytes frag = At(image_, 20, 0, 1024);
    for (const Bytes& part :
         {At(image_, 50, 0, 512), At(image_, 22, 0, 512), At(image_, 90, 37, 700)}) {
        frag.insert(frag.end(), part.begin(), part.end());
    }
    EXPECT_EQ(Read("/frag.bin"), frag);
    // Odd piece sizes split reads inside sectors and across the start of the tail.
    EXPECT_EQ(Read("/frag.bin", 333), frag);
    EXPECT_EQ(Read("/frag.bin", 1), frag);
    EXPECT_EQ(Read("/one.bin"), At(image_, 30, 0, 1000));
    EXPECT_EQ(Read("/tail.bin", 100), At(image_, 40, 300, 900));

    // Seeking into the tail and past the end.
    const auto entry = fs_.FindByPath(u"/frag.bin", fs_.GetRootId());
    const auto handle = fs_.OpenObject(*entry);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->Seek(2048 + 10), 2058u);
    Bytes some(20);
    ASSERT_EQ(handle->Read(some.data(), 20), 20u);
    EXPECT_EQ(some, At(image_, 90, 47, 20));
    EXPECT_EQ(handle->Seek(1u << 30), frag.size());
    EXPECT_EQ(handle->Read(some.data(), 20), 0u);
}

TEST_F(Reconstructed, BrokenFilesDoNotOpen) {
    cVSFileInfo broken;
    broken.kind = vsitem::kMultifragFile;
    broken.size = 100;
    const Bytes list{0x00, 0x01};
    broken.extents = list;
    tree_->Insert(tree_->NewFile("broken-list", broken));
    cVSFileInfo unknownFs;
    unknownFs.kind = vsitem::kFsFile;
    unknownFs.fsType = 2;
    tree_->Insert(tree_->NewFile("no-reader", unknownFs));
    // Beyond the storage: opens, but reads nothing.
    scantest::AddRaw(*tree_, kNoItem, "beyond", 1u << 20, 10);
    for (const char16_t* name : {u"/broken-list", u"/no-reader"}) {
        const auto entry = fs_.FindByPath(name, fs_.GetRootId());
        ASSERT_TRUE(entry);
        EXPECT_FALSE(fs_.OpenObject(*entry));
    }
    EXPECT_TRUE(Read("/beyond").empty());
}

TEST(ReconstructedNtfs, FileSystemItemsOpenThroughTheNtfsReader) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "the image is made through FUSE";
    }
    const std::string folder = fixtures::Folder("ntfs-volume.sh");
    ntfs_test::Volume volume(ntfs_test::LoadFile(folder + "/ntfs.img"));
    ASSERT_TRUE(volume.Mount());
    cVNTFS& ntfs = *volume.ntfs;
    auto owned = std::make_unique<cQORNVStorage>();
    cQORNVStorage& tree = *owned;
    for (const char* name :
         {"big.bin", "frag/fragmented.bin", "frag/attrlist.bin", "comp/text.txt"}) {
        const auto entry = ntfs.FindByPath(utf::FromAscii(name), ntfs.GetRootId());
        ASSERT_TRUE(entry) << name;
        const auto at = ntfs_test::RecordOnVolume(ntfs, entry->id);
        ASSERT_TRUE(at && *at % 512 == 0) << name;
        cVSFileInfo info;
        info.kind = vsitem::kFsFile;
        info.fsType = 1;
        info.size = entry->size;
        info.position = *at / 512;
        info.mtime = 1700000000;
        tree.Insert(tree.NewFile(std::string(name).substr(std::string(name).rfind('/') + 1), info));
    }
    volume.record.AttachExtension(std::move(volume.fs));
    volume.record.AttachExtension(std::move(owned));
    cVReconstructedFS fs;
    ASSERT_TRUE(fs.Mount(volume.record));
    for (const char* name :
         {"big.bin", "frag/fragmented.bin", "frag/attrlist.bin", "comp/text.txt"}) {
        const std::string leaf = std::string(name).substr(std::string(name).rfind('/') + 1);
        const auto entry = fs.FindByPath(utf::FromAscii("/" + leaf), fs.GetRootId());
        ASSERT_TRUE(entry) << name;
        EXPECT_EQ(entry->mtime.year, 2023);
        const auto handle = fs.OpenObject(*entry);
        ASSERT_TRUE(handle) << name;
        EXPECT_EQ(ntfs_test::ReadToEnd(*handle), ntfs_test::LoadFile(folder + "/tree/" + name))
            << name;
    }
}

} // namespace
