// Result files: the bytes of small trees, names beyond U+FFFF and long names through a
// save and a load, and files that are cut short, of another kind or version, or nested
// without end, refused with what was read kept.

#include "base/utf.h"
#include "result_tree.h"
#include "scan/packed_extents.h"
#include "scan/result_file.h"
#include "scan/vs_name.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using drdb::LoadError;

Bytes Saved(const cQORNVStorage& tree) {
    Bytes out;
    EXPECT_TRUE(drdb::Save(tree, [&out](std::span<const std::uint8_t> piece) {
        out.insert(out.end(), piece.begin(), piece.end());
        return true;
    }));
    return out;
}

Bytes Header(std::string_view rootName = "Virtual") {
    Bytes out{'Q', 'O', 'R', 'N', 'S', 'R', 'B', '0', 2, 0x45, 0x13, 0x06, 0x00};
    out.push_back(std::uint8_t(rootName.size()));
    out.insert(out.end(), rootName.begin(), rootName.end());
    return out;
}

void Append(Bytes& bytes, std::initializer_list<std::uint8_t> more) {
    bytes.insert(bytes.end(), more);
}

// One file of each kind, a subfolder, a file without a name, an emoji and a long name.
cQORNVStorage& FillSample(cQORNVStorage& tree) {
    const cVSItemId sub = scantest::AddFolder(tree, kNoItem, "sub");
    scantest::AddRaw(tree, sub, vsname::FromUtf16(u"photo \U0001F600.jpg"), 2048, 70000);
    scantest::AddRaw(tree, kNoItem, "", 1, 1);
    const auto extents =
        packedext::Encode(std::vector<cQORNFileAllocation>{{10, 4, 0}, {90, 1, 100}});
    cVSFileInfo multi;
    multi.kind = vsitem::kMultifragFile;
    multi.size = 3000;
    multi.extents = *extents;
    tree.Insert(tree.NewFile(std::string(300, 'n'), multi), sub);
    cVSFileInfo fs;
    fs.kind = vsitem::kFsFile;
    fs.size = 12;
    fs.position = 0x1234;
    fs.mtime = 1700000000;
    fs.fsType = 1;
    tree.Insert(tree.NewFile("record.txt", fs));
    return tree;
}

TEST(ResultFile, EmptyTreeIsTheRootRecordAndOneZero) {
    cQORNVStorage empty;
    Bytes expected = Header();
    expected.push_back(0);
    EXPECT_EQ(Saved(empty), expected);

    cQORNVStorage loaded;
    EXPECT_EQ(drdb::Load(expected, loaded), LoadError::None);
    EXPECT_EQ(scantest::DescribeTree(loaded), "root Virtual\n");
}

TEST(ResultFile, RecordsAreLaidOutFieldByField) {
    cQORNVStorage tree;
    tree.CreateRoot("R");
    scantest::AddRaw(tree, kNoItem, "a", 0x0102, 0x0304);
    scantest::AddFolder(tree, kNoItem, "d");
    Bytes expected = Header("R");
    Append(expected, {2, 1, 'd', 0}); // folder d, empty
    Append(expected, {1, 1, 'a', 2, 0x04, 0x03, 0, 0, 0, 0, 0, 0, 0x02, 0x01, 0, 0, 0, 0, 0, 0});
    Append(expected, {0});
    EXPECT_EQ(Saved(tree), expected);
}

TEST(ResultFile, SaveAndLoadGiveTheSameTree) {
    cQORNVStorage tree;
    FillSample(tree);
    const Bytes file = Saved(tree);
    cQORNVStorage loaded;
    ASSERT_EQ(drdb::Load(file, loaded), LoadError::None);
    const std::string text = scantest::DescribeTree(loaded);
    // The nameless file is not saved; the long name keeps its first 255 bytes.
    std::string expected = scantest::DescribeTree(tree);
    expected.replace(
        expected.find("file / kind"),
        expected.find('\n', expected.find("file / kind")) - expected.find("file / kind") + 1, "");
    EXPECT_NE(text.find(std::string(255, 'n') + " kind 3"), std::string::npos);
    EXPECT_EQ(text.find(std::string(256, 'n')), std::string::npos);
    EXPECT_EQ(text,
              expected.replace(expected.find(std::string(300, 'n')), 300, std::string(255, 'n')));
    EXPECT_EQ(Saved(loaded), file);
}

TEST(ResultFile, EmojiNamesKeepTheirFourByteSequence) {
    cQORNVStorage tree;
    FillSample(tree);
    const std::string path = fixtures::ScratchDir() + "/emoji.drdb";
    ASSERT_TRUE(drdb::SaveFile(path, tree));
    cQORNVStorage loaded;
    ASSERT_EQ(drdb::LoadFile(path, loaded), LoadError::None);
    const cVSItemId sub = loaded.FirstSubfolder(loaded.Root());
    const std::string_view name = loaded.Name(loaded.FirstFile(sub));
    EXPECT_EQ(name, "photo \xF0\x9F\x98\x80.jpg");
    EXPECT_EQ(utf::FromUtf8(name), u"photo \U0001F600.jpg");
}

TEST(ResultFile, RefusedFilesKeepWhatWasRead) {
    cQORNVStorage tree;
    FillSample(tree);
    const Bytes good = Saved(tree);
    struct Case {
        const char* what;
        Bytes bytes;
        LoadError error;
        bool rootKept;
    };
    Bytes wrongMagic = good;
    wrongMagic[7] = '1';
    Bytes wrongStamp = good;
    wrongStamp[9] = 0x46;
    Bytes notFolder = good;
    notFolder[8] = 1;
    // The first record after the root name is the folder "sub".
    const std::size_t first = Header().size();
    Bytes unknownType = good;
    unknownType[first] = 3;
    Bytes unknownKind = Header();
    Append(unknownKind, {2, 1, 'k', 1, 1, 'f', 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Bytes hugeList = Header();
    Append(hugeList, {1, 1, 'f', 3, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x80});
    const std::vector<Case> cases{
        {"wrong magic", wrongMagic, LoadError::Magic, false},
        {"wrong stamp", wrongStamp, LoadError::Stamp, false},
        {"root not a folder", notFolder, LoadError::RootType, false},
        {"unknown record type", unknownType, LoadError::RecordType, true},
        {"unknown file kind", unknownKind, LoadError::FileKind, true},
        {"list longer than the file", hugeList, LoadError::Truncated, true},
        {"cut in the magic", Bytes(good.begin(), good.begin() + 5), LoadError::Truncated, false},
    };
    for (const Case& c : cases) {
        cQORNVStorage loaded;
        EXPECT_EQ(drdb::Load(c.bytes, loaded), c.error) << c.what;
        EXPECT_EQ(loaded.Root() != kNoItem, c.rootKept) << c.what;
    }
    // The folder made before the unknown kind stays, with nothing in it.
    cQORNVStorage partial;
    drdb::Load(unknownKind, partial);
    EXPECT_EQ(scantest::DescribeTree(partial), "root Virtual\nfolder /k\n");
}

TEST(ResultFile, EveryCutShortFileIsRefusedWithItsBeginningKept) {
    cQORNVStorage tree;
    FillSample(tree);
    const Bytes good = Saved(tree);
    std::size_t lastItems = 0;
    for (std::size_t size = 0; size < good.size(); ++size) {
        cQORNVStorage loaded;
        EXPECT_EQ(drdb::Load({good.data(), size}, loaded), LoadError::Truncated) << size;
        EXPECT_GE(loaded.ItemCount(), lastItems) << size;
        lastItems = loaded.ItemCount();
    }
    EXPECT_EQ(lastItems, tree.ItemCount() - 1); // all but the nameless file
}

TEST(ResultFile, DeepNestingIsRefusedWithoutRecursion) {
    const auto nested = [](std::size_t depth) {
        Bytes file = Header();
        for (std::size_t i = 0; i < depth; ++i) {
            Append(file, {2, 1, 'd'});
        }
        file.insert(file.end(), depth + 1, 0);
        return file;
    };
    cQORNVStorage deepest;
    EXPECT_EQ(drdb::Load(nested(drdb::kMaxDepth), deepest), LoadError::None);
    EXPECT_EQ(Saved(deepest), nested(drdb::kMaxDepth));

    cQORNVStorage tooDeep;
    EXPECT_EQ(drdb::Load(nested(drdb::kMaxDepth + 1), tooDeep), LoadError::TooDeep);
    EXPECT_EQ(tooDeep.ItemCount(), drdb::kMaxDepth + 1);
    // A million levels: refused as quickly, never deeper than the bound.
    cQORNVStorage hostile;
    EXPECT_EQ(drdb::Load(nested(1'000'000), hostile), LoadError::TooDeep);

    // A tree made deeper by hand is not saved, as it could not be read back.
    cVSItemId folder = kNoItem;
    cQORNVStorage handMade;
    for (unsigned i = 0; i <= drdb::kMaxDepth; ++i) {
        folder = scantest::AddFolder(handMade, folder, "d");
    }
    EXPECT_FALSE(drdb::Save(handMade, [](std::span<const std::uint8_t>) { return true; }));
}

TEST(ResultFile, LoadingNeedsAnEmptyTreeAndAReadableFile) {
    cQORNVStorage tree;
    FillSample(tree);
    EXPECT_EQ(drdb::Load(Saved(tree), tree), LoadError::NotEmpty);
    cQORNVStorage empty;
    EXPECT_EQ(drdb::LoadFile(fixtures::ScratchDir() + "/missing.drdb", empty), LoadError::Open);
    EXPECT_FALSE(drdb::SaveFile(fixtures::ScratchDir() + "/no/such/folder.drdb", tree));
}

} // namespace
