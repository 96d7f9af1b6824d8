// Elements find their texts through their own section or their nearest ancestor's.

#include "base/lang/pack_reader.h"
#include "base/lang/text_source.h"
#include "pack_writer.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class Element : public cTextSource {
public:
    Element(const cTextRegistry& registry, const Element* parent, std::string section = {})
        : registry_(registry), parent_(parent), section_(std::move(section)) {}

    std::string_view TextSectionId() const override { return section_; }
    const cTextSource* TextParent() const override { return parent_; }
    const cTextRegistry& TextRegistry() const override { return registry_; }

private:
    const cTextRegistry& registry_;
    const Element* parent_;
    std::string section_;
};

void Register(cTextRegistry& registry, std::string name, std::vector<langpack::Text> texts) {
    std::optional<langpack::Bytes> record =
        langpack::EncodePack({"TUSKBASETST", "Test", {{std::move(name), std::move(texts)}}});
    ASSERT_TRUE(record.has_value());
    ASSERT_TRUE(lang::RegisterPack(*record, registry));
}

TEST(LangTextSource, ControlsUseTheNearestNamedSection) {
    cTextRegistry registry;
    Register(registry, "qorns::explorer", {"Название", "Размер"});
    Register(registry, "tusk::messages", {"Ok"});
    Element form(registry, nullptr, "qorns::explorer");
    Element panel(registry, &form);
    Element button(registry, &panel);
    Element box(registry, &panel, "tusk::messages");
    Element boxButton(registry, &box);

    EXPECT_EQ(button.Text(1), u"Размер");
    EXPECT_EQ(panel.Text(0), u"Название");
    EXPECT_EQ(boxButton.Text(0), u"Ok");
    EXPECT_EQ(boxButton.Text(1), std::nullopt); // the box's own section has one text
    EXPECT_EQ(button.Text(2), std::nullopt);
    EXPECT_EQ(button.TextSection(), registry.FindSection("qorns::explorer"));
}

TEST(LangTextSource, NothingNamedUpToTheTopGivesNoText) {
    cTextRegistry registry;
    Register(registry, "s", {"a"});
    Element top(registry, nullptr);
    Element child(registry, &top);
    EXPECT_EQ(child.TextSection(), nullptr);
    EXPECT_EQ(child.Text(0), std::nullopt);
}

TEST(LangTextSource, SectionRegisteredLaterIsFoundAndKept) {
    cTextRegistry registry;
    Element form(registry, nullptr, "late");
    EXPECT_EQ(form.Text(0), std::nullopt);
    Register(registry, "late", {"first"});
    EXPECT_EQ(form.Text(0), u"first");
    // The kept section sees texts replaced by a later pack.
    Register(registry, "late", {"second"});
    EXPECT_EQ(form.Text(0), u"second");
}

} // namespace
