// The ISO 9660 reader on images made by genisoimage and xorriso (plain, Joliet, Rock
// Ridge), compared with the trees they were made from and with The Sleuth Kit; on the
// plain image rewritten in the High Sierra layout; and on damaged copies.

#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/detect.h"
#include "vfs/iso9660/viso9660.h"
#include "vfs/volume_walk.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

using namespace vfs_test;

namespace {

std::string Folder() {
    static const std::string folder = fixtures::Folder("iso-images.sh");
    return folder;
}

using Mounted = MountedImage<cVISO9660>;

// Where the directory record of name lies in the first block of the folder at extent.
std::size_t RecordIn(const std::vector<std::uint8_t>& image, std::uint64_t extent,
                     std::string_view name) {
    for (std::size_t at = extent * 2048; image[at] != 0; at += image[at]) {
        if (std::string_view(reinterpret_cast<const char*>(&image[at + 33]), image[at + 32]) ==
            name) {
            return at;
        }
    }
    ADD_FAILURE() << name << " not found";
    return 0;
}

struct ImageCase {
    const char* image;
    const char* tree;
    const char* label;
    cVISO9660::eNames names;
    // The Sleuth Kit reads primary and Joliet names, not Rock Ridge ones.
    bool sleuthKitReadsNames;
};

class IsoImage : public ::testing::TestWithParam<ImageCase> {
protected:
    void SetUp() override {
        ASSERT_FALSE(Folder().empty());
        mounted_ = std::make_unique<Mounted>(LoadFile(Folder() + "/" + GetParam().image));
        ASSERT_TRUE(mounted_->typed) << "not detected as ISO 9660";
    }
    std::string Tree() const { return Folder() + "/" + GetParam().tree; }
    cVISO9660& Iso() { return *mounted_->typed; }

    std::unique_ptr<Mounted> mounted_;
};

TEST_P(IsoImage, EveryPathSizeAndByteMatchesTheSourceTree) {
    EXPECT_EQ(Iso().Names(), GetParam().names);
    ExpectSameAsTree(Iso(), Tree());
}

TEST_P(IsoImage, ListingAgreesWithTheSleuthKit) {
    if (!GetParam().sleuthKitReadsNames) {
        return;
    }
    std::set<std::string> expected;
    std::istringstream fls(RunCommand("fls -r -p '" + Folder() + "/" + GetParam().image + "'"));
    for (std::string line; std::getline(fls, line);) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos &&
            (line.compare(0, 3, "r/r") == 0 || line.compare(0, 3, "d/d") == 0)) {
            expected.insert("/" + line.substr(tab + 1));
        }
    }
    ASSERT_FALSE(expected.empty());
    std::set<std::string> got;
    for (const auto& [path, entry] : WalkTree(Iso())) {
        got.insert(path);
    }
    EXPECT_EQ(got, expected);
}

TEST_P(IsoImage, LabelIdentityAndObjectsById) {
    EXPECT_EQ(mounted_->Label(), GetParam().label);
    const std::vector<std::uint8_t> identity = Iso().GetIdentity();
    ASSERT_EQ(identity.size(), 9u);
    EXPECT_EQ(identity[0], fstype::kIso9660);
    EXPECT_EQ(Iso().GetBlockSize(), 2048u);
    EXPECT_FALSE(Iso().IsCaseSensitive());
    EXPECT_EQ(Iso().HasUnicodeNames(), GetParam().names == cVISO9660::eNames::kJoliet);

    const bool plain = GetParam().names == cVISO9660::eNames::kPrimary;
    const std::u16string folderPath = plain ? u"/DEEP/A" : u"/deep/a/b/c";
    const std::u16string leafPath = plain ? u"/DEEP/A/LEAF.TXT" : u"/deep/a/b/c/d/bottom.txt";
    // Upper and lower case name the same object.
    auto leaf = Iso().FindByPath(plain ? u"/deep/a/leaf.txt" : u"/DEEP/A/B/C/D/BOTTOM.TXT",
                                 Iso().GetRootId());
    auto folder = Iso().FindByPath(folderPath, Iso().GetRootId());
    ASSERT_TRUE(leaf && folder);
    EXPECT_EQ(Iso().BuildPath(*leaf), leafPath);
    // A folder finds its parent through ".." and its name in the parent's listing.
    auto byId = Iso().GetObject(folder->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->Kind(), fskind::kFolder);
    EXPECT_EQ(Iso().BuildPath(*byId), folderPath);
    auto file = Iso().GetObject(leaf->id);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, u"file" + utf::FromAscii(std::to_string(leaf->id)));
    EXPECT_EQ(file->size, leaf->size);
    auto root = Iso().GetObject(Iso().GetRootId());
    ASSERT_TRUE(root);
    EXPECT_EQ(Iso().BuildPath(*root), u"/");
    // An id whose record position holds no record of that extent is no object.
    EXPECT_FALSE(Iso().GetObject(leaf->id + 1));
    EXPECT_FALSE(Iso().GetObject(leaf->id + (std::uint64_t(1) << 32)));
    EXPECT_FALSE(Iso().GetObject(Iso().GetBlockCount() + 5));
}

INSTANTIATE_TEST_SUITE_P(
    Images, IsoImage,
    ::testing::Values(
        ImageCase{"plain.iso", "tree-plain", "PLAIN_VOL", cVISO9660::eNames::kPrimary, true},
        ImageCase{"joliet.iso", "tree", "Joliet Volume", cVISO9660::eNames::kJoliet, true},
        ImageCase{"rr-xorriso.iso", "tree", "RR_XORRISO", cVISO9660::eNames::kRockRidge, true},
        ImageCase{"rr-genisoimage.iso", "tree", "RR_GENISO", cVISO9660::eNames::kRockRidge, false}),
    [](const auto& info) {
        std::string name = info.param.image;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

TEST(IsoNames, VersionSuffixAndTheDotBeforeItAreDropped) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"README.TXT;1", u"README.TXT"},
        {u"NOEXT.;1", u"NOEXT"},
        {u"A.B;32767", u"A.B"},
        {u"FOLDER", u"FOLDER"},
        {u"ODD;NAME", u"ODD;NAME"},
        {u"END;", u"END;"},
        {u".;1", u"."},
        {u"X;1A", u"X;1A"},
    };
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(iso::StripVersion(stored), shown) << utf::ToUtf8(stored);
    }
    const std::uint8_t joliet[] = {0, 'a', 0, 0x01, 0x04, 0x1F, 0, ';', 0, '1'};
    EXPECT_EQ(iso::StripVersion(iso::JolietName(joliet)), u"a-\u041F");
}

TEST(IsoNames, PlainDiscListsNamesWithoutTheirVersion) {
    ASSERT_FALSE(Folder().empty());
    const std::vector<std::uint8_t> image = LoadFile(Folder() + "/plain.iso");
    // The disc itself stores the suffixes.
    for (const char* stored : {"README.TXT;1", "NOEXT.;1"}) {
        EXPECT_NE(std::search(image.begin(), image.end(), stored, stored + std::strlen(stored)),
                  image.end());
    }
    Mounted mounted(image);
    ASSERT_TRUE(mounted.typed);
    const auto listed = WalkTree(*mounted.typed);
    EXPECT_EQ(listed.count("/README.TXT"), 1u);
    EXPECT_EQ(listed.count("/NOEXT"), 1u);
}

// The plain image in the High Sierra layout: the descriptors' fields move 8 bytes on,
// behind the descriptor's own block number, and every directory record's flags byte moves
// one byte back, as High Sierra dates have no time zone.
std::vector<std::uint8_t> AsHighSierra(std::vector<std::uint8_t> image) {
    Mounted iso(image);
    EXPECT_TRUE(iso.typed);
    std::vector<std::uint64_t> folders;
    for (const auto& [path, entry] : WalkTree(*iso.typed)) {
        if (entry.kind == fskind::kFolder) {
            folders.push_back(entry.id);
        }
    }
    folders.push_back(iso.typed->GetRootId());
    for (const std::uint64_t extent : folders) {
        std::uint8_t* block = &image[extent * 2048];
        for (std::size_t at = 0; at < 2048 && block[at] != 0; at += block[at]) {
            block[at + 24] = block[at + 25];
        }
    }
    // The image holds the primary descriptor and the terminator.
    std::uint8_t* d = &image[16 * 2048];
    const std::vector<std::uint8_t> iso9660(d, d + 2048);
    std::fill_n(d, 2048, 0);
    d[0] = 16;
    d[8] = 1;
    std::memcpy(d + 9, "CDROM", 5);
    d[14] = 1;
    std::memcpy(d + 48, &iso9660[40], 32);   // volume identifier
    std::memcpy(d + 88, &iso9660[80], 8);    // volume space size
    std::memcpy(d + 136, &iso9660[128], 4);  // logical block size
    std::memcpy(d + 180, &iso9660[156], 34); // root directory record
    d[180 + 24] = d[180 + 25];
    std::uint8_t* terminator = &image[17 * 2048];
    std::fill_n(terminator, 2048, 0);
    terminator[8] = 255;
    std::memcpy(terminator + 9, "CDROM", 5);
    return image;
}

TEST(IsoHighSierra, OlderLayoutListsTheSameTree) {
    ASSERT_FALSE(Folder().empty());
    Mounted mounted(AsHighSierra(LoadFile(Folder() + "/plain.iso")));
    ASSERT_TRUE(mounted.typed) << "High Sierra not detected";
    EXPECT_EQ(mounted.typed->Layout(), iso::eLayout::kHighSierra);
    EXPECT_EQ(mounted.Label(), "PLAIN_VOL");
    ExpectSameAsTree(*mounted.typed, Folder() + "/tree-plain");
}

TEST(IsoDamaged, EachDamageCostsOnlyWhatItTouches) {
    ASSERT_FALSE(Folder().empty());
    const std::vector<std::uint8_t> clean = LoadFile(Folder() + "/plain.iso");
    const std::uint64_t root = Mounted(clean).typed->GetRootId();
    const std::size_t data = RecordIn(clean, root, "DATA.BIN;1");
    const std::size_t readme = RecordIn(clean, root, "README.TXT;1");

    // An extent past the volume: the file opens damaged and reads nothing there.
    std::vector<std::uint8_t> image = clean;
    std::memcpy(&image[data + 2], "\xF0\xFF\xFF\x00", 4);
    {
        Mounted mounted(image);
        ASSERT_TRUE(mounted.typed);
        auto file = mounted.typed->FindByPath(u"/DATA.BIN", mounted.typed->GetRootId());
        ASSERT_TRUE(file);
        auto handle = mounted.typed->OpenObject(*file);
        ASSERT_TRUE(handle);
        EXPECT_TRUE(handle->IsDamaged());
        EXPECT_TRUE(ReadToEnd(*handle).empty());
        EXPECT_TRUE(mounted.typed->FindByPath(u"/README.TXT", mounted.typed->GetRootId()));
    }
    // A record length of 0 ends the block's walk, as does a name longer than its record.
    for (const std::size_t field : {std::size_t(0), std::size_t(32)}) {
        image = clean;
        image[data + field] = field == 0 ? 0 : 200;
        Mounted mounted(image);
        ASSERT_TRUE(mounted.typed);
        bool ok = false;
        const auto listed = WalkTree(*mounted.typed, &ok);
        EXPECT_EQ(listed.count("/DATA.BIN"), 0u) << field;
        EXPECT_EQ(listed.count("/README.TXT"), data < readme ? 0u : 1u) << field;
    }
    // A folder whose first record is not "." does not list; one that names itself as its
    // child is listed once by a bounded walk.
    image = clean;
    const std::size_t deep = RecordIn(clean, root, "DEEP");
    const std::uint32_t deepExtent = bytes::Le32At(clean, deep + 2).value();
    image[std::size_t(deepExtent) * 2048 + 33] = 'X';
    {
        Mounted mounted(image);
        ASSERT_TRUE(mounted.typed);
        cFSFolder folder;
        folder.id = deepExtent;
        EXPECT_FALSE(mounted.typed->EnumFolder(folder, [](cFSObject&) { return true; }));
        EXPECT_FALSE(mounted.typed->GetObject(deepExtent));
    }
    image = clean;
    const std::size_t a = RecordIn(clean, deepExtent, "A");
    std::memcpy(&image[a + 2], &clean[deep + 2], 8);
    {
        Mounted mounted(image);
        ASSERT_TRUE(mounted.typed);
        const auto listed = WalkTree(*mounted.typed);
        EXPECT_EQ(listed.count("/DEEP/A"), 1u);
        EXPECT_EQ(listed.count("/DEEP/A/A"), 0u);
    }
    // A block size that is no power of two, or a root outside the volume, fails the mount.
    for (const std::size_t field : {std::size_t(128), std::size_t(158)}) {
        image = clean;
        image[32768 + field] = 0x03;
        image[32768 + field + 1] = 0x70;
        Mounted mounted(image);
        EXPECT_FALSE(mounted.reader) << field;
    }
}

} // namespace
