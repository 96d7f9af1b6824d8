// The UDF reader on volumes made by mkudffs and filled by a guest kernel, compared with the
// tree they were filled from, and on copies of them damaged byte by byte.

#include "base/bytes.h"
#include "base/utf.h"
#include "vfs/guest_volumes.h"
#include "vfs/udf/udf_handle.h"
#include "vfs/udf/vudf.h"

#include <gtest/gtest.h>

using namespace vfs_test;

namespace {

struct UdfCase {
    const char* image;
    std::uint32_t blockSize;
    const char* label;
};

class UdfImage : public ::testing::TestWithParam<UdfCase> {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "the guest kernel needs root for its cache";
        }
        ASSERT_FALSE(GuestFolder().empty());
        image_ = std::make_unique<DetectedImage>(GetParam().image);
        udf_ = dynamic_cast<cVUDF*>(image_->reader.get());
        ASSERT_TRUE(udf_) << "not detected as UDF";
    }

    std::unique_ptr<DetectedImage> image_;
    cVUDF* udf_ = nullptr;
};

TEST_P(UdfImage, EveryPathSizeAndByteMatchesTheSourceTree) {
    EXPECT_EQ(udf_->GetBlockSize(), GetParam().blockSize);
    ExpectSameAsGuestTree(*udf_);
}

TEST_P(UdfImage, VolumeNameIdentityAndParentsThroughDotDot) {
    const auto* name = image_->record.FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(utf::ToUtf8(name->Name()), GetParam().label);
    EXPECT_EQ(udf_->GetIdentity(),
              (std::vector<std::uint8_t>{fstype::kUdf, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(udf_->IsCaseSensitive());
    // Names compare case-folded.
    auto leaf = udf_->FindByPath(u"/DEEP/a/B/c/Leaf.TXT", udf_->GetRootId());
    auto folder = udf_->FindByPath(u"/deep/a/b/c", udf_->GetRootId());
    ASSERT_TRUE(leaf && folder);
    EXPECT_EQ(leaf->parentId, folder->id);
    auto byId = udf_->GetObject(folder->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->name, u"c");
    EXPECT_EQ(byId->parentId, udf_->FindByPath(u"/deep/a/b", udf_->GetRootId())->id);
    auto file = udf_->GetObject(leaf->id);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, u"file" + utf::FromAscii(std::to_string(leaf->id)));
    EXPECT_EQ(udf_->BuildPath(*leaf), u"/deep/a/b/c/leaf.txt");
}

INSTANTIATE_TEST_SUITE_P(Images, UdfImage,
                         ::testing::Values(UdfCase{"udf.img", 2048, "drovik-udf"},
                                           UdfCase{"udf-4k.img", 4096, "drovik-udf4k"}),
                         [](const auto& info) {
                             return std::string(info.param.blockSize == 2048 ? "Block2K"
                                                                             : "Block4K");
                         });

// A copy of udf.img to damage, and where the structures of one file lie in it.
class UdfDamage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "the guest kernel needs root for its cache";
        }
        ASSERT_FALSE(GuestFolder().empty());
        bytes_ = LoadFile(GuestFolder() + "/udf.img");
        DetectedImage clean(bytes_);
        auto* udf = dynamic_cast<cVUDF*>(clean.reader.get());
        ASSERT_TRUE(udf);
        partition_ = udf->GetFirstBlockSector() * 512;
        auto frag = udf->FindByPath(u"/frag.bin", udf->GetRootId());
        ASSERT_TRUE(frag);
        fragEntry_ = BlockOffset(frag->id);
    }

    std::size_t BlockOffset(std::uint64_t block) const { return partition_ + block * 2048; }
    std::uint8_t* At(std::size_t offset) { return bytes_.data() + offset; }
    // Recomputes a descriptor's tag checksum after an edit of its tag.
    void FixTag(std::size_t offset) {
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i < 16; ++i) {
            sum = std::uint8_t(sum + (i == 4 ? 0 : bytes_[offset + i]));
        }
        bytes_[offset + 4] = sum;
    }
    // The size of frag.bin's allocation descriptors: short or long.
    std::size_t Step() { return (bytes::unchecked::Le16(At(fragEntry_ + 34)) & 7) == 0 ? 8 : 16; }
    // The offset of frag.bin's allocation descriptors and their byte count.
    std::pair<std::size_t, std::uint32_t> FragDescriptors() {
        // A file entry or an extended one (what the kernel writes on UDF 2.x).
        const std::size_t lengths = bytes::unchecked::Le16(At(fragEntry_)) == 0x105 ? 168 : 208;
        const std::uint32_t eaLength = bytes::unchecked::Le32(At(fragEntry_ + lengths));
        return {fragEntry_ + lengths + 8 + eaLength,
                bytes::unchecked::Le32(At(fragEntry_ + lengths + 4))};
    }
    // The first descriptor that continues frag.bin's list elsewhere.
    std::size_t FirstContinuation() {
        const auto [start, length] = FragDescriptors();
        for (std::size_t at = start; at < start + length; at += Step()) {
            if (bytes::unchecked::Le32(At(at)) >> 30 == 3) {
                return at;
            }
        }
        ADD_FAILURE() << "frag.bin's list does not continue";
        return start;
    }
    std::vector<std::uint8_t> FragBytes() { return LoadFile(GuestFolder() + "/tree/frag.bin"); }

    std::vector<std::uint8_t> bytes_;
    std::size_t partition_ = 0;
    std::size_t fragEntry_ = 0;
};

TEST_F(UdfDamage, ExtentsOfEveryKindMapWhereTheyShould) {
    DetectedImage image(bytes_);
    auto& udf = dynamic_cast<cVUDF&>(*image.reader);
    // frag.bin lies in hundreds of one-block pieces: more descriptors than its entry holds.
    auto frag = udf.FindByPath(u"/frag.bin", udf.GetRootId());
    auto handle = udf.OpenObject(*frag);
    auto* runs = dynamic_cast<cUDFHandle*>(handle.get());
    ASSERT_TRUE(runs);
    EXPECT_GE(runs->Continuations(), 1u);
    EXPECT_GT(runs->Runs().Count(), 300u);
    EXPECT_TRUE(ReadToEnd(*handle) == FragBytes());
    // sparse.bin's holes were never written: they are extents without blocks.
    auto sparse = udf.OpenObject(*udf.FindByPath(u"/sparse.bin", udf.GetRootId()));
    auto* sparseRuns = dynamic_cast<cUDFHandle*>(sparse.get());
    ASSERT_TRUE(sparseRuns);
    std::size_t holes = 0;
    for (std::size_t i = 0; i < sparseRuns->Runs().Count(); ++i) {
        holes += sparseRuns->Runs()[i].IsSparse();
    }
    EXPECT_GE(holes, 2u);
}

TEST_F(UdfDamage, AnExtentAllocatedButNotRecordedReadsAsZeros) {
    const std::size_t first = FragDescriptors().first;
    const std::uint32_t word = bytes::unchecked::Le32(At(first));
    const std::uint32_t length = word & 0x3FFFFFFF;
    bytes::PutLe32(At(first), length | (1u << 30));
    DetectedImage image(bytes_);
    auto& udf = dynamic_cast<cVUDF&>(*image.reader);
    auto handle = udf.OpenObject(*udf.FindByPath(u"/frag.bin", udf.GetRootId()));
    ASSERT_TRUE(handle);
    std::vector<std::uint8_t> want = FragBytes();
    std::fill_n(want.begin(), length, 0);
    EXPECT_TRUE(ReadToEnd(*handle) == want);
}

TEST_F(UdfDamage, ContinuationsThatLoopOrLeadNowhereCutTheFileShort) {
    const std::size_t continuation = FirstContinuation();
    const std::uint32_t aed = bytes::unchecked::Le32(At(continuation + 4));
    const std::vector<std::uint8_t> clean = bytes_;
    // The continued list continues into itself, then into a block that is no list.
    const std::size_t list = BlockOffset(aed);
    const std::uint32_t listLength = bytes::unchecked::Le32(At(list + 20));
    for (const std::uint32_t target : {aed, std::uint32_t(0)}) {
        bytes_ = clean;
        bool replaced = false;
        for (std::size_t at = list + 24; at + Step() <= list + 24 + listLength; at += Step()) {
            if (bytes::unchecked::Le32(At(at)) >> 30 == 3) {
                bytes::PutLe32(At(at + 4), target);
                replaced = true;
            }
        }
        if (!replaced) { // the second list is the last: end it with a loop instead
            bytes::PutLe32(At(list + 24), (3u << 30) | 2048);
            bytes::PutLe32(At(list + 28), target);
        }
        DetectedImage image(bytes_);
        auto& udf = dynamic_cast<cVUDF&>(*image.reader);
        auto handle = udf.OpenObject(*udf.FindByPath(u"/frag.bin", udf.GetRootId()));
        ASSERT_TRUE(handle) << target;
        EXPECT_TRUE(handle->IsDamaged()) << target;
        const std::vector<std::uint8_t> got = ReadToEnd(*handle);
        const std::vector<std::uint8_t> want = FragBytes();
        ASSERT_LT(got.size(), want.size()) << target;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), want.begin())) << target;
    }
}

TEST_F(UdfDamage, ARecordPastItsFolderEndsTheListingWithFailure) {
    DetectedImage clean(bytes_);
    auto& cleanUdf = dynamic_cast<cVUDF&>(*clean.reader);
    auto many = cleanUdf.FindByPath(u"/many", cleanUdf.GetRootId());
    ASSERT_TRUE(many);
    // The folder's data: find its 100th record in the image by its name and grow its
    // implementation-use length past the folder's end.
    const std::string name = "entry-0100.txt";
    const auto it = std::search(bytes_.begin(), bytes_.end(), name.begin(), name.end());
    ASSERT_NE(it, bytes_.end());
    const std::size_t record = std::size_t(it - bytes_.begin()) - 1 - 38;
    ASSERT_EQ(bytes::unchecked::Le16(At(record)), 0x101);
    bytes::PutLe16(At(record + 36), 60000);
    DetectedImage image(bytes_);
    auto& udf = dynamic_cast<cVUDF&>(*image.reader);
    std::size_t seen = 0;
    EXPECT_FALSE(udf.EnumFolder(*udf.FindByPath(u"/many", udf.GetRootId()), [&](cFSObject&) {
        ++seen;
        return true;
    }));
    EXPECT_GT(seen, 0u);
    EXPECT_LT(seen, 401u);
}

TEST_F(UdfDamage, AVolumeWithoutAnchorOrLogicalVolumeIsNotMounted) {
    const std::vector<std::uint8_t> clean = bytes_;
    // The anchor's checksum broken.
    bytes_[1024 * 512 + 4] ^= 0xFF;
    EXPECT_FALSE(dynamic_cast<cVUDF*>(DetectedImage(bytes_).reader.get()));
    // The logical volume descriptor turned into an unknown kind with a valid tag.
    bytes_ = clean;
    const std::uint32_t sequence = bytes::unchecked::Le32(At(1024 * 512 + 20));
    bool changed = false;
    for (std::size_t block = sequence; block < sequence + 16; ++block) {
        if (bytes::unchecked::Le16(At(block * 2048)) == 6) {
            bytes::PutLe16(At(block * 2048), 7);
            FixTag(block * 2048);
            changed = true;
        }
    }
    ASSERT_TRUE(changed);
    cVUDF reader;
    cMemIO io(bytes_);
    cPartRecord record;
    record.SetRecord(&io, 0, io.GetSectorCount(), 0);
    EXPECT_FALSE(reader.Mount(record));
}

} // namespace
