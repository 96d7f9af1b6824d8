// Begin rules, end rules and locators at the edges of the unit and of its look-ahead, and
// the case folding of string patterns.

#include "scan/signatures/begin_rules.h"
#include "scan/signatures/end_rules.h"
#include "scan/signatures/locators.h"
#include "scan/signatures/sig_fold.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// A buffer of exactly the readable bytes, so that AddressSanitizer catches a read past it.
struct cUnit {
    explicit cUnit(std::vector<std::uint8_t> data) : bytes(std::move(data)) {}
    const std::uint8_t* Data() const { return bytes.data(); }
    std::uint32_t Size() const { return std::uint32_t(bytes.size()); }
    std::vector<std::uint8_t> bytes;
};

TEST(SignatureRulesTest, ExactMatchMustLieInsideTheUnit) {
    const cUnit data(Bytes("xxPK\x03\x04yy"));
    const std::uint8_t pattern[] = {'P', 'K', 3, 4};
    const cScanSigRuleExactMatch rule(2, pattern);
    EXPECT_TRUE(rule.Match(data.Data(), 6, data.Size()));
    // The pattern's last byte lies in the look-ahead: no match.
    EXPECT_FALSE(rule.Match(data.Data(), 5, data.Size()));
    EXPECT_FALSE(rule.Match(data.Data(), 6, 5));
    EXPECT_EQ(rule.Describe(), u"At offset 2 contains [50 4B 03 04].");
    // A rules file may hold an empty pattern: it holds wherever its offset is in the unit.
    const cScanSigRuleExactMatch empty(6, {});
    EXPECT_TRUE(empty.Match(data.Data(), 6, data.Size()));
    EXPECT_FALSE(empty.Match(data.Data(), 5, data.Size()));
}

TEST(SignatureRulesTest, MaskMatchMayReadIntoTheLookAhead) {
    const cUnit data({0, 0, 0, 0x34, 0x12, 0xFF});
    const cScanSigRuleMaskMatch rule(1, 0x1200, 0xFF00, 3);
    EXPECT_TRUE(rule.Match(data.Data(), 4, 5));
    EXPECT_FALSE(rule.Match(data.Data(), 2, 6)); // starts past the unit
    EXPECT_FALSE(rule.Match(data.Data(), 4, 4)); // runs past the limit
    EXPECT_EQ(rule.Describe(), u"WORD value at 3 by mask [0xFF00] is 0x1200");
    const cScanSigRuleMaskMatch all(3, 1, 0xFFFFFFFFFFFFFFFF, 0);
    EXPECT_EQ(all.Describe(), u"QWORD value at 0 by mask [0xFFFFFFFFFFFFFFFF] is 0x1");
}

TEST(SignatureRulesTest, StringSearchEndsBeforeTheUnitsLastByte) {
    const cUnit data(Bytes("..pk..PkZ"));
    const cScanSigRuleHasStr folded(0, Bytes("PK"));
    const cScanSigRuleHasStr exact(1, Bytes("PK"));
    EXPECT_TRUE(folded.Match(data.Data(), data.Size(), data.Size()));
    EXPECT_FALSE(exact.Match(data.Data(), data.Size(), data.Size()));
    const cUnit upper(Bytes("...PK"));
    // "PK" ends on the unit's last byte, which a pattern may not reach.
    EXPECT_FALSE(exact.Match(upper.Data(), upper.Size(), upper.Size()));
    EXPECT_FALSE(exact.Match(upper.Data(), upper.Size() - 1, upper.Size()));
    const cUnit longer(Bytes("...PK!"));
    EXPECT_TRUE(exact.Match(longer.Data(), longer.Size(), longer.Size()));
    EXPECT_EQ(folded.Describe(), u"Contains ASCII string [pk].");
}

TEST(SignatureRulesTest, PatternsEndAtTheirFirstNulButByteSequencesDoNot) {
    const std::uint8_t withNul[] = {'a', 'b', 0, 'c'};
    EXPECT_EQ(cScanSigRuleHasStr(1, withNul).Describe(), u"Contains ASCII string [ab].");
    EXPECT_EQ(cScanSigEndRuleHasHex(0, withNul).Describe(),
              u"File ends in 0 bytes after byte sequence [61 62 00 63] begins.");
    EXPECT_EQ(cScanSigRuleExactMatch(0, withNul).Describe(),
              u"At offset 0 contains [61 62 00 63].");
}

TEST(SignatureRulesTest, FoldingCoversCyrillicAndFullWidthButNotHighBytes) {
    EXPECT_EQ(sigfold::Lower(u'Ж'), u'ж');
    EXPECT_EQ(sigfold::Lower(u'Ā'), u'ā');
    EXPECT_EQ(sigfold::Lower(u'ā'), u'ā');
    EXPECT_EQ(sigfold::Lower(u'Σ'), u'σ');
    EXPECT_EQ(sigfold::Lower(u'\xFF21'), u'\xFF41'); // full-width A, the table's last run
    EXPECT_EQ(sigfold::Lower(u'\xFF3B'), u'\xFF3B');
    EXPECT_EQ(sigfold::Lower(u'\x0130'), u'i');
    // 0xC0 is not the Latin-1 letter in an ASCII rule: high bytes stay as they are.
    EXPECT_EQ(sigfold::LowerByte(0xC0), 0xC0);
    EXPECT_EQ(sigfold::LowerByte('Q'), 'q');
}

TEST(SignatureRulesTest, FoldingTableHoldsEverySimpleMappingOnce) {
    // The table is searched by halving: runs out of order would lose some of these.
    int folded = 0;
    for (std::uint32_t unit = 0x41; unit <= 0xFF3A; ++unit) {
        const char16_t lower = sigfold::Lower(char16_t(unit));
        if (lower != unit) {
            ++folded;
            EXPECT_EQ(sigfold::Lower(lower), lower) << std::hex << unit;
        }
    }
    EXPECT_EQ(folded, 1173);
}

TEST(SignatureRulesTest, UnicodeSearchFoldsAndFindsOddPositions) {
    // "Жx" in UTF-16LE at byte 1, then the byte the pattern must end before.
    const cUnit data({0xEE, 0x16, 0x04, 'x', 0, 0xEE, 0xEE});
    const cScanSigRuleHasUniStr folded(0, u"жX");
    const cScanSigRuleHasUniStr exact(1, u"жX");
    EXPECT_TRUE(folded.Match(data.Data(), data.Size(), data.Size()));
    EXPECT_FALSE(exact.Match(data.Data(), data.Size(), data.Size()));
    EXPECT_FALSE(folded.Match(data.Data(), data.Size() - 1, data.Size()));
}

TEST(SignatureRulesTest, TextTests) {
    const cScanSigRuleIsStr ascii;
    const cUnit abc({'a', 'b', 'c', 0, 0});
    const cUnit abcd({'a', 'b', 'c', 0, 'd'});
    const cUnit nulFirst({0, 'a'});
    const cUnit control({'a', 0x07});
    const cUnit lines({'a', '\t', '\r', '\n'});
    EXPECT_TRUE(ascii.Match(abc.Data(), abc.Size(), abc.Size()));
    EXPECT_FALSE(ascii.Match(abcd.Data(), abcd.Size(), abcd.Size()));
    EXPECT_FALSE(ascii.Match(nulFirst.Data(), nulFirst.Size(), nulFirst.Size()));
    EXPECT_FALSE(ascii.Match(control.Data(), control.Size(), control.Size()));
    EXPECT_TRUE(ascii.Match(lines.Data(), lines.Size(), lines.Size()));
    EXPECT_TRUE(ascii.Match(abc.Data(), 0, 0));

    const cScanSigRuleIsUniStr unicode;
    const cUnit wide({'a', 0, 0x16, 0x04, 0, 0, 0});
    const cUnit wideTail({'a', 0, 0, 0, 1});
    EXPECT_TRUE(unicode.Match(wide.Data(), wide.Size(), wide.Size()));
    // After the first NUL character even the odd last byte must be zero.
    EXPECT_FALSE(unicode.Match(wideTail.Data(), wideTail.Size(), wideTail.Size()));
    EXPECT_TRUE(unicode.Match(wide.Data(), 1, 1));

    std::uint32_t end = 0;
    const cScanSigEndRuleIsStrEnd asciiEnd;
    EXPECT_FALSE(asciiEnd.Match(lines.Data(), lines.Size(), lines.Size(), 0, end));
    EXPECT_TRUE(asciiEnd.Match(abcd.Data(), abcd.Size(), abcd.Size(), 0, end));
    EXPECT_EQ(end, 3u);
    const cScanSigEndRuleIsUniStrEnd wideEnd;
    EXPECT_TRUE(wideEnd.Match(wide.Data(), wide.Size(), wide.Size(), 0, end));
    EXPECT_EQ(end, 4u);
    EXPECT_FALSE(wideEnd.Match(wide.Data(), 1, 1, 0, end));
}

TEST(SignatureRulesTest, SizeRuleEndsInTheUnitThatReachesTheSize) {
    // A big-endian 16-bit field of 1000 at offset 2.
    const cUnit header({0, 0, 0x03, 0xE8});
    cScanSigEndRuleMatchSize rule(1, 2, 2, 1, 0);
    std::uint32_t end = 0;
    EXPECT_FALSE(rule.Match(header.Data(), 4096, 4096, 0, end)); // not computed yet
    ASSERT_TRUE(rule.ComputeSize(header.Data(), header.Size()));
    EXPECT_TRUE(rule.Match(header.Data(), 4096, 4096, 0, end));
    EXPECT_EQ(end, 1000u);
    EXPECT_FALSE(rule.Match(header.Data(), 512, 512, 0, end));
    EXPECT_TRUE(rule.Match(header.Data(), 512, 512, 512, end));
    EXPECT_EQ(end, 488u);
    // Little-endian, with multiplier and addend; a field past the limit computes nothing.
    cScanSigEndRuleMatchSize little(0, 2, 2, 512, 8);
    ASSERT_TRUE(little.ComputeSize(header.Data(), header.Size()));
    EXPECT_EQ(little.Size(), 0xE803u * 512 + 8);
    EXPECT_FALSE(little.ComputeSize(header.Data(), 3));
    EXPECT_FALSE(little.Size());
    // A huge field times a huge multiplier saturates instead of wrapping to a small size.
    const cUnit huge(std::vector<std::uint8_t>(8, 0xFF));
    cScanSigEndRuleMatchSize wide(1, 8, 0, 0xFFFFFFFF, 0xFFFFFFFF);
    ASSERT_TRUE(wide.ComputeSize(huge.Data(), huge.Size()));
    EXPECT_EQ(wide.Size(), UINT64_MAX);
    EXPECT_EQ(rule.Describe(),
              u"File field at 2 (2 bytes), multiplied by 1 and increased by 0 defines file size.");
}

TEST(SignatureRulesTest, StringEndRulesAddTheirDistance) {
    const cUnit data(Bytes("....IEND\xAE\x42\x60\x82...."));
    const std::uint8_t iend[] = {'I', 'E', 'N', 'D'};
    const cScanSigEndRuleHasHex hex(8, iend);
    std::uint32_t end = 0;
    ASSERT_TRUE(hex.Match(data.Data(), data.Size(), data.Size(), 0, end));
    EXPECT_EQ(end, 12u);
    const cScanSigEndRuleHasStr folded(0, 2, Bytes("iend"));
    ASSERT_TRUE(folded.Match(data.Data(), data.Size(), data.Size(), 0, end));
    EXPECT_EQ(end, 6u);
    EXPECT_EQ(folded.Describe(), u"File ends in 2 bytes after ASCII string [iend] begins.");
    const cScanSigEndRuleHasUniStr none(1, 0, u"IEND");
    EXPECT_FALSE(none.Match(data.Data(), data.Size(), data.Size(), 0, end));
}

TEST(SignatureRulesTest, Locators) {
    const cUnit data({8, 0, 0, 0, 'M', 'A', 'G', 'x'});
    // Width code 5 is taken as 3: eight bytes, of which the low 32 bits count.
    const cFieldRelativeSubset wide(0, 5, 2, 1);
    EXPECT_EQ(wide.Locate(data.Data(), 8), 17u);
    EXPECT_EQ(wide.Locate(data.Data(), 7), siglocator::kAbsent);
    const cFieldRelativeSubset pastLimit(9, 0, 1, 0);
    EXPECT_EQ(pastLimit.Locate(data.Data(), 8), siglocator::kAbsent);

    const std::uint8_t magic[] = {'M', 'A', 'G'};
    const cMagicRelativeSubset relative(magic, 10);
    EXPECT_EQ(relative.Locate(data.Data(), 8), 14u);
    // The magic must start before limit - length: at 4 with a limit of 7 it does not.
    EXPECT_EQ(relative.Locate(data.Data(), 7), siglocator::kAbsent);
    EXPECT_EQ(relative.Locate(data.Data(), 3), siglocator::kAbsent);
    const cMagicRelativeSubset empty({}, 0);
    EXPECT_EQ(empty.Locate(data.Data(), 8), siglocator::kAbsent);
}

} // namespace
