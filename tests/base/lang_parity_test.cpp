// The English and Russian sources side by side: a text added to one language only, or a
// translation that loses a value the program fills in, shows as a blank or a garbled
// line in the other interface.

#include "pack_source.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

langpack::Pack LoadSource(const std::string& name) {
    const char* root = std::getenv("DROVIK_SOURCE_DIR");
    const std::string path = std::string(root ? root : ".") + "/lang/" + name;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    langpack::SourceError error;
    std::optional<langpack::Pack> pack = langpack::ParseSource(text, error);
    if (!pack) {
        ADD_FAILURE() << path << ":" << error.line << ": " << error.message;
        return {};
    }
    return *pack;
}

std::map<std::string, std::vector<langpack::Text>> BySection(const langpack::Pack& pack) {
    std::map<std::string, std::vector<langpack::Text>> sections;
    for (const langpack::Section& section : pack.sections) {
        sections[section.name] = section.texts;
    }
    return sections;
}

// The printf conversions of a text, in order ("%%" is a literal percent sign).
std::vector<std::string> Conversions(const std::string& text) {
    static const std::regex conversion("%(%|[-+ #0-9.]*(ll|l|h)?[a-zA-Z])");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion);
         it != std::sregex_iterator(); ++it) {
        found.push_back(it->str());
    }
    return found;
}

TEST(LangParity, EveryRussianTextHasAnEnglishOneWithTheSameValues) {
    const auto english = BySection(LoadSource("eng.lang"));
    const auto russian = BySection(LoadSource("rus.lang"));
    ASSERT_FALSE(russian.empty());
    for (const auto& [name, russianTexts] : russian) {
        SCOPED_TRACE(name);
        const auto found = english.find(name);
        ASSERT_NE(found, english.end()) << "no English section";
        const std::vector<langpack::Text>& englishTexts = found->second;
        ASSERT_EQ(englishTexts.size(), russianTexts.size());
        for (std::size_t i = 0; i < russianTexts.size(); ++i) {
            SCOPED_TRACE(i);
            if (!russianTexts[i]) {
                continue;
            }
            ASSERT_TRUE(englishTexts[i].has_value());
            const std::string& en = *englishTexts[i];
            const std::string& ru = *russianTexts[i];
            EXPECT_EQ(en.empty(), ru.empty());
            EXPECT_EQ(Conversions(en), Conversions(ru)) << en;
            // Texts the program joins to others keep their joining space.
            EXPECT_EQ(en.ends_with(' '), ru.ends_with(' ')) << en;
            EXPECT_EQ(en.starts_with(' '), ru.starts_with(' ')) << en;
        }
    }
    for (const auto& [name, texts] : english) {
        EXPECT_TRUE(russian.contains(name)) << name << " has no Russian section";
    }
}

TEST(LangParity, ConversionsAreFoundInOrder) {
    EXPECT_EQ(Conversions("%s: %.01f%% done, %02d:%lld"),
              (std::vector<std::string>{"%s", "%.01f", "%%", "%02d", "%lld"}));
}

} // namespace
