// The search of a signature tree: list order, groups, locators, the deepest match, size
// rules that must be readable, and where open files end.

#include "scan/signatures/begin_rules.h"
#include "scan/signatures/signature.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::string_view_literals;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::unique_ptr<cScanSignature> Node(std::u16string name, bool matchAll = true,
                                     std::unique_ptr<cScanSigSubset> locator = nullptr) {
    return std::make_unique<cScanSignature>(sigkind::kStrong, matchAll, std::move(name), u"bin",
                                            std::move(locator));
}

std::unique_ptr<cScanSignature> Starting(std::u16string name, std::string_view magic) {
    auto node = Node(std::move(name));
    node->AddBeginRule(std::make_unique<cScanSigRuleExactMatch>(0, Bytes(magic)));
    return node;
}

std::u16string Found(cSigList& list, const std::vector<std::uint8_t>& data,
                     std::uint64_t position = 0) {
    const cScanSignature* found = list.FindSignature(data.data(), std::uint32_t(data.size()),
                                                     std::uint32_t(data.size()), position);
    return found ? found->Name() : u"none";
}

TEST(SignatureTreeTest, FirstByteDispatchKeepsListOrder) {
    cSigList list;
    list.Append(Starting(u"AB", "AB"), nullptr);
    auto text = Node(u"text");
    text->AddBeginRule(std::make_unique<cScanSigRuleIsStr>());
    list.Append(std::move(text), nullptr);
    list.Append(Starting(u"AC", "AC"), nullptr);
    list.Append(Starting(u"bin", "\x01\x02"), nullptr);
    EXPECT_EQ(Found(list, Bytes("ABCDEFGHIJ")), u"AB");
    // The unpinned text node comes before AC and wins there...
    EXPECT_EQ(Found(list, Bytes("ACDEFGHIJK")), u"text");
    // ...but not where the data is no text.
    EXPECT_EQ(Found(list, Bytes("AC\x01\x01\x01\x01\x01\x01")), u"AC");
    EXPECT_EQ(Found(list, Bytes("\x01\x02\x03\x04\x05\x06\x07\x08")), u"bin");
    // Shorter than the eight bytes the prefix test reads: the rules alone decide.
    EXPECT_EQ(Found(list, Bytes("AC\x01")), u"AC");
    EXPECT_EQ(Found(list, Bytes("X")), u"text");
    // Nothing readable: only the text test, true on an empty unit, can hold.
    std::vector<std::uint8_t> empty;
    EXPECT_EQ(Found(list, empty), u"text");
}

TEST(SignatureTreeTest, MaskRulesPinOnlyWhatTheirMaskCovers) {
    cSigList list;
    auto jpeg = Node(u"masked");
    jpeg->AddBeginRule(std::make_unique<cScanSigRuleMaskMatch>(1, 0xD8F0, 0xFFF0, 0));
    list.Append(std::move(jpeg), nullptr);
    EXPECT_EQ(Found(list, Bytes("\xF7\xD8......")), u"masked");
    EXPECT_EQ(Found(list, Bytes("\xF7\xD9......")), u"none");
    // Any-rule nodes are not pinned by one of their rules.
    auto either = Node(u"either", false);
    either->AddBeginRule(std::make_unique<cScanSigRuleExactMatch>(0, Bytes("GIF")));
    either->AddBeginRule(std::make_unique<cScanSigRuleHasStr>(0, Bytes("gif")));
    list.Append(std::move(either), nullptr);
    EXPECT_EQ(Found(list, Bytes("xx GIF...")), u"either");
}

TEST(SignatureTreeTest, ChildlessGroupHidesTheNodesAfterIt) {
    cSigList list;
    list.Append(Starting(u"first", "AB"), nullptr);
    list.Append(Node(u"stop"), nullptr);
    list.Append(Starting(u"hidden", "CD"), nullptr);
    EXPECT_EQ(Found(list, Bytes("AB......")), u"first");
    EXPECT_EQ(Found(list, Bytes("CD......")), u"none");
}

TEST(SignatureTreeTest, GroupsPassOnAndMatchesReturnTheirDeepestChild) {
    cSigList list;
    cScanSignature& group = list.Append(Node(u"group"), nullptr);
    cScanSignature& zip = group.Children().Append(Starting(u"zip", "PK"), &group);
    auto docx = Node(u"docx");
    docx->AddBeginRule(std::make_unique<cScanSigRuleHasStr>(1, Bytes("word/")));
    zip.Children().Append(std::move(docx), &zip);
    list.Append(Starting(u"after", "MZ"), nullptr);
    EXPECT_EQ(Found(list, Bytes("PK..word/....")), u"docx");
    EXPECT_EQ(Found(list, Bytes("PK..xl/......")), u"zip");
    EXPECT_EQ(Found(list, Bytes("MZ..........")), u"after");
    EXPECT_EQ(zip.OpenStart(), 0u);
}

TEST(SignatureTreeTest, LocatorShiftsTheOriginOrSkipsTheNode) {
    cSigList list;
    const std::uint8_t magic[] = {'f', 't', 'y', 'p'};
    auto media = Node(u"media", true, std::make_unique<cMagicRelativeSubset>(magic, 0));
    media->AddBeginRule(std::make_unique<cScanSigRuleExactMatch>(4, Bytes("isom")));
    list.Append(std::move(media), nullptr);
    EXPECT_EQ(Found(list, Bytes("\0\0\0\x20"
                                "ftypisom......"sv)),
              u"media");
    EXPECT_EQ(Found(list, Bytes("\0\0\0\x20"
                                "ftypmp42......"sv)),
              u"none");
    // No magic: the rules are tested at the unit's own origin.
    EXPECT_EQ(Found(list, Bytes("xxxxisomxxxxxx")), u"media");
    // An origin at or past the unit's end skips the node.
    cSigList far;
    auto skipped = Node(u"far", true, std::make_unique<cFieldRelativeSubset>(0, 0, 1, 0));
    skipped->AddBeginRule(std::make_unique<cScanSigRuleIsStr>());
    far.Append(std::move(skipped), nullptr);
    auto data = Bytes("\x08xxxxxxxxxxxxxxx");
    EXPECT_EQ(far.FindSignature(data.data(), 8, 16, 0), nullptr);
    EXPECT_NE(far.FindSignature(data.data(), 9, 16, 0), nullptr);
}

TEST(SignatureTreeTest, UnreadableSizeFailsOnlyNodesWhoseRulesAllMustHold) {
    for (const bool matchAll : {true, false}) {
        cSigList list;
        auto node = Node(u"sized", matchAll);
        node->AddBeginRule(std::make_unique<cScanSigRuleExactMatch>(0, Bytes("SZ")));
        node->AddEndRule(std::make_unique<cScanSigEndRuleMatchSize>(0, 4, 6, 1, 0));
        list.Append(std::move(node), nullptr);
        auto data = Bytes("SZ......");
        const cScanSignature* found = list.FindSignature(data.data(), 8, 8, 0);
        EXPECT_EQ(found != nullptr, !matchAll) << matchAll;
    }
}

TEST(SignatureTreeTest, CheckEndAsksAncestorsAndClosesTheNode) {
    cSigList list;
    auto zipNode = Starting(u"zip", "PK");
    const std::uint8_t eocd[] = {'P', 'K', 5, 6};
    zipNode->AddEndRule(std::make_unique<cScanSigEndRuleHasHex>(22, eocd));
    cScanSignature& zip = list.Append(std::move(zipNode), nullptr);
    auto docx = Node(u"docx");
    docx->AddBeginRule(std::make_unique<cScanSigRuleHasStr>(1, Bytes("word/")));
    cScanSignature& word = zip.Children().Append(std::move(docx), &zip);

    auto start = Bytes("PK\x03\x04word/.........");
    ASSERT_EQ(list.FindSignature(start.data(), 16, 16, 4096), &word);
    EXPECT_EQ(zip.OpenStart(), 4096u);
    std::uint32_t end = 0;
    EXPECT_FALSE(CheckEnd(word, start.data(), 16, 16, 4096, end));
    auto last = Bytes("......PK\x05\x06........");
    ASSERT_TRUE(CheckEnd(word, last.data(), 16, 16, 4112, end));
    EXPECT_EQ(end, 28u);
    EXPECT_EQ(zip.OpenStart(), cScanSignature::kNotOpen);
    // A node with end rules and no open file ends it at the unit's start.
    ASSERT_TRUE(CheckEnd(word, start.data(), 16, 16, 4128, end));
    EXPECT_EQ(end, 0u);
}

} // namespace
