// The source form of signature rules: every statement reaches the rule it names, and a
// mistake is reported on its line with nothing of the text kept.

#include "scan/signatures/rules_source.h"
#include "scan/signatures/signature.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string> Describe(const cScanSignature& node) {
    std::vector<std::u16string> texts;
    for (const auto& rule : node.BeginRules()) {
        texts.push_back(rule->Describe());
    }
    for (const auto& rule : node.EndRules()) {
        texts.push_back(rule->Describe());
    }
    return texts;
}

TEST(RulesSourceTest, EveryStatementMakesItsRule) {
    const char* text = R"(# a comment
group "Группа" {
  file "All" bin weak any {   # options after the extension
    locate magic 2 "MG" 00
    at 4 FFD8 "a\"\x01"
    contains nocase "PK"
    contains-unicode "Жx"
    is-text
    is-unicode-text
    mask qword 8 0x12 0xFFFFFFFFFFFFFFFF
    end size 28 4 be times 512 plus 3
    end string nocase 5 "%%EOF"
    end unicode 0 "Z"
    end bytes 2 FFD9
    end text-end
    end unicode-text-end
    file "Child" c not-a-file {
      locate field 60 4 times 2
    }
  }
}
)";
    cSigList list;
    ASSERT_FALSE(rulesource::Compile(text, list));
    ASSERT_EQ(list.Size(), 1u);
    const cScanSignature& group = list.At(0);
    EXPECT_EQ(group.Name(), u"Группа");
    EXPECT_TRUE(group.IsGroup());
    ASSERT_EQ(group.Children().Size(), 1u);
    const cScanSignature& all = group.Children().At(0);
    EXPECT_EQ(all.Kind(), sigkind::kWeak);
    EXPECT_FALSE(all.MatchAll());
    EXPECT_EQ(all.Extension(), u"bin");
    ASSERT_NE(all.Locator(), nullptr);
    EXPECT_EQ(all.Locator()->Kind(), siglocator::kMagicRelative);
    const std::vector<std::u16string> expected = {
        u"At offset 4 contains [FF D8 61 22 01].",
        u"Contains ASCII string [pk].",
        u"Contains Unicode string [Жx].",
        u"Is ASCII string.",
        u"Is Unicode string.",
        u"QWORD value at 8 by mask [0xFFFFFFFFFFFFFFFF] is 0x12",
        u"File field at 28 (4 bytes), multiplied by 512 and increased by 3 defines file size.",
        u"File ends in 5 bytes after ASCII string [%%eof] begins.",
        u"File ends in 0 bytes after Unicode string [Z] begins.",
        u"File ends in 2 bytes after byte sequence [FF D9] begins.",
        u"File ends if ASCII text ends.",
        u"File ends if Unicode text ends.",
    };
    EXPECT_EQ(Describe(all), expected);
    const cScanSignature& child = all.Children().At(0);
    EXPECT_EQ(child.Kind(), sigkind::kNotAFile);
    EXPECT_EQ(child.Parent(), &all);
    EXPECT_EQ(child.Locator()->Kind(), siglocator::kFieldRelative);
}

TEST(RulesSourceTest, MistakesNameTheirLineAndKeepNothing) {
    struct cCase {
        const char* text;
        std::size_t line;
    };
    const cCase cases[] = {
        {"file \"A\" a {\n at 0 F\n}", 2},                  // half a hex byte
        {"file \"A\" a {\n at 0 00\n", 3},                  // block not closed
        {"at 0 00", 1},                                     // rule outside a block
        {"}", 1},                                           // nothing to close
        {"file \"A\" a {\n mask byte 0 0x100 0xFF\n}", 2},  // value wider than the field
        {"file \"A\" a {\n end size 0 9 le\n}", 2},         // size field too wide
        {"file \"A\" a {\n end size 0 4 le times 0\n}", 2}, // multiplier 0
        {"file \"A\" a {\n locate field 0 3\n}", 2},        // width not 1, 2, 4 or 8
        {"file \"A\" a {\n at 0 00 \"open\n}", 2},          // unclosed string
        {"file \"A\" a {\n contains \"x\" extra\n}", 2},    // words left over
        {"file \"A\" {\n}", 1},                             // no extension
        {"file \"A\" a {\n frobnicate\n}", 2},
    };
    for (const cCase& c : cases) {
        cSigList list;
        const auto error = rulesource::Compile(c.text, list);
        ASSERT_TRUE(error) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text << ": " << error->message;
        EXPECT_TRUE(list.Empty()) << c.text;
    }
    cSigList list;
    const std::string tooLong = "file \"A\" a {\n at 0 " + std::string(2 * 4096, 'A') + "\n}";
    ASSERT_TRUE(rulesource::Compile(tooLong, list));
}

} // namespace
