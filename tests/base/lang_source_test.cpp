// The readable pack sources in lang/: what they mean, and the mistakes the build stops on.

#include "pack_source.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

using langpack::ParseSource;
using langpack::SourceError;

TEST(LangSource, ReadsHeaderSectionsAndTexts) {
    SourceError error;
    std::optional<langpack::Pack> pack = ParseSource("# comment\r\n"
                                                     "pack TUSKBASERUS\n"
                                                     "name Русский\n"
                                                     "\n"
                                                     "section tusk::messages 4\n"
                                                     "0: Да\n"
                                                     "1:\n"
                                                     "2 -\n"
                                                     "3:   lead, tab\\there\\nnext \\\\ end\\s\n"
                                                     "section b 1\n"
                                                     "0:# not a comment\n",
                                                     error);
    ASSERT_TRUE(pack.has_value()) << error.line << ": " << error.message;
    EXPECT_EQ(pack->id, "TUSKBASERUS");
    EXPECT_EQ(pack->languageName, "Русский");
    ASSERT_EQ(pack->sections.size(), 2u);
    EXPECT_EQ(pack->sections[0].name, "tusk::messages");
    ASSERT_EQ(pack->sections[0].texts.size(), 4u);
    EXPECT_EQ(pack->sections[0].texts[0], "Да");
    EXPECT_EQ(pack->sections[0].texts[1], "");
    EXPECT_EQ(pack->sections[0].texts[2], std::nullopt);
    EXPECT_EQ(pack->sections[0].texts[3], "  lead, tab\there\nnext \\ end ");
    EXPECT_EQ(pack->sections[1].texts[0], "# not a comment");
}

struct Broken {
    const char* fault;
    std::string source;
    std::size_t line;
};

const std::string kHead = "pack TUSKBASEENG\nname English\n";

const Broken kBroken[] = {
    {"missing number", kHead + "section s 3\n0: a\n2: c\n", 5},
    {"numbers out of order", kHead + "section s 2\n1: b\n0: a\n", 4},
    {"fewer texts than the count", kHead + "section s 3\n0: a\n1: b\nsection t 1\n0: x\n", 6},
    {"fewer texts at the end", kHead + "section s 2\n0: a\n", 0},
    {"more texts than the count", kHead + "section s 1\n0: a\n1: b\n", 5},
    {"count 0", kHead + "section s 0\n", 3},
    {"count above 65535", kHead + "section s 65536\n", 3},
    {"section without count", kHead + "section s\n", 3},
    {"section name with a control byte", kHead + "section s\x01 1\n0: a\n", 3},
    {"section twice", kHead + "section s 1\n0: a\nsection s 1\n0: b\n", 5},
    {"text before any section", kHead + "0: a\n", 3},
    {"unknown escape", kHead + "section s 1\n0: a\\q\n", 4},
    {"backslash at the end", kHead + "section s 1\n0: a\\\n", 4},
    {"trailing blank", kHead + "section s 1\n0: a \n", 4},
    {"garbage after the number", kHead + "section s 1\n0 a\n", 4},
    {"ill-formed UTF-8", kHead + "section s 1\n0: \xC3\n", 4},
    {"text of 65535 bytes", kHead + "section s 1\n0: " + std::string(65535, 'a') + "\n", 4},
    {"unknown directive", kHead + "sektion s 1\n", 3},
    {"pack id without prefix", "pack TUSKBASXENG\nname x\n", 1},
    {"pack id of lower-case letters", "pack TUSKBASEeng\nname x\n", 1},
    {"pack id too long", "pack TUSKBASEENGL\nname x\n", 1},
    {"pack twice", kHead + "pack TUSKBASERUS\n", 3},
    {"name too long", "pack TUSKBASEENG\nname " + std::string(256, 'n') + "\n", 2},
    {"no pack line", "name English\nsection s 1\n0: a\n", 0},
    {"no name line", "pack TUSKBASEENG\nsection s 1\n0: a\n", 0},
};

TEST(LangSource, MistakesAreReportedWithTheirLine) {
    for (const Broken& broken : kBroken) {
        SourceError error;
        EXPECT_FALSE(ParseSource(broken.source, error).has_value()) << broken.fault;
        EXPECT_EQ(error.line, broken.line) << broken.fault << ": " << error.message;
        EXPECT_FALSE(error.message.empty()) << broken.fault;
    }
}

TEST(LangSource, LongestTextIsAccepted) {
    SourceError error;
    std::optional<langpack::Pack> pack =
        ParseSource(kHead + "section s 1\n0: " + std::string(65534, 'a') + "\n", error);
    ASSERT_TRUE(pack.has_value()) << error.message;
    EXPECT_EQ(pack->sections[0].texts[0]->size(), 65534u);
}

} // namespace
