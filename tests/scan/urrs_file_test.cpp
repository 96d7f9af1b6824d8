// Rules files: what loads, each result code with the place loading stopped, the nodes
// kept up to an error, and a round trip through the writer.

#include "scan/signatures/signature.h"
#include "scan/signatures/urrs_file.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Builds rules-file bytes field by field.
struct cFile {
    std::vector<std::uint8_t> bytes{'Q', 'O', 'R', 'N', 'S', 'I', '0', '0'};
    cFile& U8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    cFile& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(std::uint8_t(v >> (8 * i)));
        }
        return *this;
    }
    cFile& Units(std::u16string_view text) { return U32(std::uint32_t(text.size())).Units16(text); }
    cFile& Units16(std::u16string_view text) {
        for (const char16_t unit : text) {
            U8(std::uint8_t(unit)).U8(std::uint8_t(unit >> 8));
        }
        return *this;
    }
    cFile& Text(std::string_view text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    // Marker, flags (strong, all rules), no locator, the name "N" and the extension "e".
    cFile& NodeHead(std::uint8_t flags = 2) { return U8(1).U8(flags).Units(u"N").Units(u"e"); }
    std::size_t Size() const { return bytes.size(); }
};

TEST(UrrsFileTest, MagicAndEmptyList) {
    cSigList list;
    cFile empty;
    empty.U8(0);
    const urrs::cLoadResult loaded = urrs::Load(empty.bytes, list);
    EXPECT_EQ(loaded.code, urrs::kLoaded);
    EXPECT_EQ(loaded.stoppedAt, 9u);
    EXPECT_TRUE(list.Empty());

    cFile wrong;
    wrong.bytes[7] = '1';
    EXPECT_EQ(urrs::Load(wrong.bytes, list).code, urrs::kBadMagic);
    EXPECT_EQ(
        urrs::Load(std::vector<std::uint8_t>(wrong.bytes.begin(), wrong.bytes.begin() + 5), list)
            .code,
        urrs::kShort);
    // The magic alone: the list's end marker is missing.
    cFile noMarker;
    EXPECT_EQ(urrs::Load(noMarker.bytes, list).code, urrs::kShort);
}

struct cBadCase {
    const char* what;
    cFile file;
    urrs::cLoadCode code;
    std::size_t stoppedAt;
};

TEST(UrrsFileTest, BoundsGiveTheirCodeAndKeepWhatWasRead) {
    // Every case holds one good node "N" first, then a second node that goes wrong.
    const auto good = [] {
        cFile f;
        f.NodeHead().U8(1).U32(0).U32(2).Text("MZ").U8(0).U8(0).U8(0);
        return f;
    };
    std::vector<cBadCase> cases;
    {
        cFile f = good();
        const std::size_t at = f.Size() + 2;
        f.U8(1).U8(2).U32(4096);
        cases.push_back({"name of 4096 units", f, urrs::kTooLong, at});
    }
    {
        cFile f = good();
        f.NodeHead().U8(2).U8(0);
        const std::size_t at = f.Size();
        f.U32(4096);
        cases.push_back({"ASCII string of 4096", f, urrs::kTooLong, at});
    }
    {
        cFile f = good();
        f.NodeHead();
        const std::size_t at = f.Size();
        f.U8(7);
        cases.push_back({"begin kind 7", f, urrs::kBadKind, at});
    }
    {
        cFile f = good();
        f.NodeHead().U8(0);
        const std::size_t at = f.Size();
        f.U8(9);
        cases.push_back({"end kind 9", f, urrs::kBadKind, at});
    }
    for (const std::uint8_t width : {0, 9}) {
        cFile f = good();
        f.NodeHead().U8(0).U8(1).U8(0);
        const std::size_t at = f.Size();
        f.U8(width).U32(0).U32(0).U32(1);
        cases.push_back({"size field width", f, urrs::kBadKind, at});
    }
    {
        cFile f = good();
        f.NodeHead().U8(0).U8(1).U8(0).U8(4).U32(0).U32(0);
        const std::size_t at = f.Size();
        f.U32(0);
        cases.push_back({"size multiplier 0", f, urrs::kBadKind, at});
    }
    {
        cFile f = good();
        f.NodeHead().U8(6);
        const std::size_t at = f.Size();
        f.U8(5);
        cases.push_back({"mask width code 5", f, urrs::kTooLong, at});
    }
    {
        cFile f = good();
        const std::size_t at = f.Size() + 2;
        f.U8(1).U8(0x22).U32(4096);
        cases.push_back({"locator magic of 4096", f, urrs::kTooLong, at});
    }
    {
        cFile f = good();
        const std::size_t at = f.Size() + 1;
        f.U8(1).U8(0x32);
        cases.push_back({"locator type 3", f, urrs::kBadKind, at});
    }
    {
        cFile f = good();
        f.NodeHead().U8(1).U32(0).U32(10);
        const std::size_t at = f.Size();
        f.Text("MZ");
        cases.push_back({"pattern cut short", f, urrs::kShort, at});
    }
    for (const cBadCase& c : cases) {
        cSigList list;
        const urrs::cLoadResult result = urrs::Load(c.file.bytes, list);
        EXPECT_EQ(result.code, c.code) << c.what;
        EXPECT_EQ(result.stoppedAt, c.stoppedAt) << c.what;
        ASSERT_EQ(list.Size(), 1u) << c.what;
        EXPECT_EQ(list.At(0).Name(), u"N");
    }
}

TEST(UrrsFileTest, WidthCodeAboveThreeIsTakenAsThreeInALocator) {
    cFile f;
    f.U8(1).U8(0x12).U32(0).U8(5).U32(1).U32(0);
    f.U32(0).U32(0).U8(4).U8(0).U8(0).U8(0).U8(0);
    cSigList list;
    ASSERT_EQ(urrs::Load(f.bytes, list).code, urrs::kLoaded);
    // An eight-byte field of 8 moves the origin onto the text; a wider field would not
    // fit the limit and leave the origin on the control byte 0x08.
    std::vector<std::uint8_t> data(16, 'a');
    std::fill(data.begin(), data.begin() + 8, 0);
    data[0] = 8;
    EXPECT_NE(list.FindSignature(data.data(), 16, 16, 0), nullptr);
    EXPECT_EQ(list.FindSignature(data.data(), 7, 7, 0), nullptr);
}

TEST(UrrsFileTest, DeepNestingIsRefused) {
    cFile f;
    for (int i = 0; i <= urrs::kMaxDepth; ++i) {
        f.NodeHead().U8(0).U8(0);
    }
    cSigList list;
    EXPECT_EQ(urrs::Load(f.bytes, list).code, urrs::kBadKind);
    EXPECT_EQ(list.Size(), 1u);
}

TEST(UrrsFileTest, SavedTreeLoadsAgainAlike) {
    // One node of every rule kind, a magic locator and a child with a field locator, all
    // patterns folded already, so that the writer must give back the same bytes.
    cFile f;
    f.U8(1).U8(0x2A).U32(4).Text("ftyp").U32(0xFFFFFFFC).Units(u"Video").Units(u"mp4");
    f.U8(1).U32(4).U32(4).Text("ftyp");
    f.U8(2).U8(0).U32(4).Text("isom");
    f.U8(3).U8(1).U32(2).Units16(u"aB");
    f.U8(4).U8(5);
    f.U8(6).U8(2).U32(0x00000001).U32(0x000000FF).U32(8);
    f.U8(0);
    f.U8(1).U8(1).U8(8).U32(0).U32(8).U32(1);
    f.U8(2).U8(0).U32(3).U32(2).Text("en");
    f.U8(3).U8(1).U32(0).U32(1).Units16(u"Z");
    f.U8(4).U8(5).U8(6).U32(2).U32(2).Text("\xFF\xD9");
    f.U8(0);
    f.U8(1).U8(0x13).U32(4).U8(2).U32(1).U32(0).Units(u"C").Units(u"");
    f.U8(4).U8(0).U8(0).U8(0); // its rules, its end of rules, its empty children
    f.U8(0).U8(0);             // the end of Video's children and of the top level
    cSigList list;
    ASSERT_EQ(urrs::Load(f.bytes, list).code, urrs::kLoaded);
    ASSERT_EQ(list.Size(), 1u);
    const cScanSignature& media = list.At(0);
    EXPECT_EQ(media.Name(), u"Video");
    EXPECT_EQ(media.Extension(), u"mp4");
    EXPECT_FALSE(media.MatchAll());
    EXPECT_EQ(media.BeginRules().size(), 6u);
    EXPECT_EQ(media.EndRules().size(), 6u);
    ASSERT_EQ(media.Children().Size(), 1u);
    EXPECT_EQ(media.Children().At(0).Parent(), &media);
    EXPECT_EQ(urrs::Save(list), f.bytes);
}

} // namespace
