// Registering language-pack records: merging rules and hostile records.

#include "base/bytes.h"
#include "base/lang/pack_format.h"
#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"
#include "pack_writer.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using langpack::Bytes;
using langpack::Section;
using langpack::Text;

constexpr std::string_view kId = "TUSKBASETST";

Bytes Record(const std::vector<Section>& sections, std::string_view id = kId,
             std::string_view name = "Test") {
    std::optional<Bytes> record =
        langpack::EncodePack({std::string(id), std::string(name), sections});
    EXPECT_TRUE(record.has_value());
    return record.value_or(Bytes{});
}

Bytes RecordOfBody(const Bytes& body) {
    std::optional<Bytes> record = langpack::EncodeRecord(kId, "Test", body);
    EXPECT_TRUE(record.has_value());
    return record.value_or(Bytes{});
}

Bytes Data(const std::vector<Text>& texts) {
    return langpack::EncodeSectionData(texts).value();
}

std::optional<std::u16string> TextOf(const cTextRegistry& registry, std::string_view section,
                                     int number) {
    std::optional<std::u16string_view> text = registry.Text(section, number);
    return text ? std::optional<std::u16string>(*text) : std::nullopt;
}

// Offset of the body-length field of a record written with the name "Test".
constexpr std::size_t kBodyLengthOffset = 20 + 4;

TEST(LangPack, RegistersTextsCodeAndName) {
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(
        Record({{"tusk::messages", {"Ok", "Да"}}}, "TUSKBASERUS", "Русский"), registry));
    EXPECT_EQ(TextOf(registry, "tusk::messages", 0), u"Ok");
    EXPECT_EQ(TextOf(registry, "tusk::messages", 1), u"Да");
    EXPECT_EQ(registry.LanguageCode(), "RUS");
    EXPECT_EQ(registry.LanguageName(), u"Русский");
}

TEST(LangPack, AbsentTextTakesNoBytes) {
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(Record({{"s", {"first", std::nullopt, "third"}}}), registry));
    EXPECT_EQ(TextOf(registry, "s", 0), u"first");
    EXPECT_EQ(TextOf(registry, "s", 1), std::nullopt);
    EXPECT_EQ(TextOf(registry, "s", 2), u"third");
    EXPECT_EQ(TextOf(registry, "s", 1), std::nullopt);
    EXPECT_EQ(registry.FindSection("s")->Count(), 3);
}

TEST(LangPack, EmptyTextIsNotAbsent) {
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(Record({{"s", {""}}}), registry));
    EXPECT_EQ(TextOf(registry, "s", 0), u"");
}

TEST(LangPack, NamesAreCutAtTheFirstNul) {
    Bytes body = langpack::BeginBody();
    langpack::AppendSection(body, "tusk::messages", Data({"Ok"}));
    // 14 letters padded with two NULs to 16 bytes.
    ASSERT_EQ(bytes::unchecked::Le32(&body[8]), 16u);
    EXPECT_EQ(body[8 + 4 + 14], 0);
    EXPECT_EQ(body[8 + 4 + 15], 0);
    langpack::AppendSection(body, std::string_view("abc\0junk", 8), Data({"x"}));

    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(RecordOfBody(body), registry));
    EXPECT_EQ(TextOf(registry, "tusk::messages", 0), u"Ok");
    EXPECT_EQ(TextOf(registry, "abc", 0), u"x");
    EXPECT_EQ(registry.FindSection(std::string_view("tusk::messages\0\0", 16)), nullptr);
}

TEST(LangPack, NumbersOutsideTheSectionHaveNoText) {
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(Record({{"s", {"a", "b"}}}), registry));
    EXPECT_EQ(TextOf(registry, "s", 2), std::nullopt);
    EXPECT_EQ(TextOf(registry, "s", -1), std::nullopt);
    EXPECT_EQ(TextOf(registry, "s", 65535), std::nullopt);
    EXPECT_EQ(TextOf(registry, "unknown", 0), std::nullopt);
}

TEST(LangPack, SamePackTwiceGivesTheSameTexts) {
    Bytes record = Record({{"s", {"a", std::nullopt, "c"}}, {"t", {"x"}}});
    cTextRegistry once;
    cTextRegistry twice;
    ASSERT_TRUE(lang::RegisterPack(record, once));
    ASSERT_TRUE(lang::RegisterPack(record, twice));
    ASSERT_TRUE(lang::RegisterPack(record, twice));
    for (std::string_view section : {"s", "t"}) {
        ASSERT_EQ(once.FindSection(section)->Count(), twice.FindSection(section)->Count());
        for (int i = 0; i < once.FindSection(section)->Count(); ++i) {
            EXPECT_EQ(TextOf(once, section, i), TextOf(twice, section, i)) << section << " " << i;
        }
    }
}

TEST(LangPack, LaterPackReplacesByNumberAndSetsTheCount) {
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(
        Record({{"shared", {"one", "two", "three", "four"}}, {"base", {"kept"}}}, "TUSKBASEENG"),
        registry));
    ASSERT_TRUE(lang::RegisterPack(
        Record({{"shared", {"один", std::nullopt, "три"}}, {"own", {"свой"}}}, "TUSKBASERUS"),
        registry));
    EXPECT_EQ(TextOf(registry, "shared", 0), u"один");
    EXPECT_EQ(TextOf(registry, "shared", 1), u"two"); // absent in the later pack
    EXPECT_EQ(TextOf(registry, "shared", 2), u"три");
    EXPECT_EQ(TextOf(registry, "shared", 3), std::nullopt); // the count became 3
    EXPECT_EQ(TextOf(registry, "base", 0), u"kept");
    EXPECT_EQ(TextOf(registry, "own", 0), u"свой");
    EXPECT_EQ(registry.LanguageCode(), "RUS");
}

TEST(LangPack, MaximumBodyLengthIsAccepted) {
    Bytes data = Data({std::nullopt});
    Bytes body = langpack::BeginBody();
    // magic 8, name length 4, name 4, data length 4: the data fills the rest.
    data.resize(lang::kMaxBodySize - 20, 0);
    langpack::AppendSection(body, "big", data);
    ASSERT_EQ(body.size(), lang::kMaxBodySize);
    cTextRegistry registry;
    EXPECT_TRUE(lang::RegisterPack(RecordOfBody(body), registry));
    EXPECT_EQ(registry.FindSection("big")->Count(), 1);
}

// Each case breaks one field of an otherwise good record.
struct Malformed {
    const char* fault;
    Bytes record;
};

std::vector<Malformed> MalformedRecords() {
    Bytes good = Record({{"s", {"abc", "de"}}});
    std::vector<Malformed> cases;
    auto with = [&](const char* fault, auto change) {
        Bytes record = good;
        change(record);
        cases.push_back({fault, std::move(record)});
    };
    with("empty", [](Bytes& r) { r.clear(); });
    with("20 bytes", [](Bytes& r) { r.resize(20); });
    with("bad magic", [](Bytes& r) { r[7] = 'X'; });
    with("name longer than the record", [](Bytes& r) { r[19] = 0xFF; });
    with("no room for the body length", [](Bytes& r) { r.resize(kBodyLengthOffset + 2); });
    with("body length 0", [](Bytes& r) { bytes::PutLe32(&r[kBodyLengthOffset], 0); });
    with("body length above 4 MiB",
         [](Bytes& r) { bytes::PutLe32(&r[kBodyLengthOffset], lang::kMaxBodySize + 1); });
    with("body length 0xFFFFFFFF",
         [](Bytes& r) { bytes::PutLe32(&r[kBodyLengthOffset], 0xFFFFFFFF); });
    with("body longer than declared", [](Bytes& r) {
        bytes::PutLe32(&r[kBodyLengthOffset], bytes::unchecked::Le32(&r[kBodyLengthOffset]) - 1);
    });
    with("body shorter than declared", [](Bytes& r) {
        bytes::PutLe32(&r[kBodyLengthOffset], bytes::unchecked::Le32(&r[kBodyLengthOffset]) + 1);
    });
    with("truncated stream", [](Bytes& r) { r.resize(r.size() - 3); });
    with("no stream", [](Bytes& r) { r.resize(kBodyLengthOffset + 4); });
    with("corrupt stream", [](Bytes& r) { r[kBodyLengthOffset + 4] ^= 0xFF; });

    auto body = [&](const char* fault, Bytes raw) { cases.push_back({fault, RecordOfBody(raw)}); };
    body("body without magic", Bytes{'T', 'U', 'S', 'K', 'L', 'A', 'N', 'X'});
    body("body shorter than its magic", Bytes{'T', 'U', 'S', 'K'});
    auto section = [&](const char* fault, std::string_view name, Bytes data, std::size_t cut = 0) {
        Bytes raw = langpack::BeginBody();
        langpack::AppendSection(raw, name, data);
        raw.resize(raw.size() - cut);
        body(fault, raw);
    };
    section("section data running past the body", "s", Data({"abc"}), 1);
    section("section data length cut", "s", {}, 2);
    section("section name running past the body", "section", {}, 12);
    section("section name length cut", "s", {}, 10);
    section("count 0", "s", Bytes{0, 0, 0, 0});
    section("data shorter than 4 bytes", "s", Bytes{1, 0});
    section("lengths running past the data", "s", Bytes{3, 0, 1, 0, 1, 0});
    section("text running past the data", "s", Bytes{1, 0, 4, 0, 'a', 'b', 'c'});
    section("second text running past the data", "s", Bytes{2, 0, 1, 0, 3, 0, 'a', 'b', 'c'});
    // The text would end inside the next section's bytes: still outside its own.
    Bytes raw = langpack::BeginBody();
    langpack::AppendSection(raw, "s", Bytes{1, 0, 9, 0, 'a'});
    langpack::AppendSection(raw, "t", Data({"bcdefghij"}));
    body("text running into the next section", raw);
    // A trailing partial section header after a good section.
    raw = langpack::BeginBody();
    langpack::AppendSection(raw, "s", Data({"a"}));
    raw.push_back(1);
    body("trailing bytes after the last section", raw);
    return cases;
}

TEST(LangPack, MalformedRecordsAreRejectedAndChangeNothing) {
    for (const Malformed& malformed : MalformedRecords()) {
        cTextRegistry registry;
        ASSERT_TRUE(
            lang::RegisterPack(Record({{"s", {"before"}}}, "TUSKBASEENG", "English"), registry));
        // Copy the record into a buffer of its exact size, so that the sanitizer sees
        // any read past its end.
        std::vector<std::uint8_t> exact(malformed.record.begin(), malformed.record.end());
        EXPECT_FALSE(lang::RegisterPack(exact, registry)) << malformed.fault;
        EXPECT_EQ(TextOf(registry, "s", 0), u"before") << malformed.fault;
        EXPECT_EQ(registry.FindSection("s")->Count(), 1) << malformed.fault;
        EXPECT_EQ(registry.FindSection("t"), nullptr) << malformed.fault;
        EXPECT_EQ(registry.LanguageCode(), "ENG") << malformed.fault;
        EXPECT_EQ(registry.LanguageName(), u"English") << malformed.fault;
    }
}

TEST(LangPack, RejectedPackMergesNoneOfItsSections) {
    Bytes body = langpack::BeginBody();
    langpack::AppendSection(body, "s", Data({"replaced"}));
    langpack::AppendSection(body, "t", Bytes{0, 0, 0, 0});
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(Record({{"s", {"before", "kept"}}}), registry));
    EXPECT_FALSE(lang::RegisterPack(RecordOfBody(body), registry));
    EXPECT_EQ(TextOf(registry, "s", 0), u"before");
    EXPECT_EQ(TextOf(registry, "s", 1), u"kept");
}

} // namespace
