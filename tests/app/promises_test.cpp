// What the program says it does, it does: the help of drovik-cli and the README name no
// lost-partition search or tree rebuilding until those exist, and the
// window's texts offer no scan until the window can run one.

#include "app/copy/copy_texts.h"
#include "app_support.h"
#include "base/utf.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

namespace {

// The first of the words the text holds, ignoring case for ASCII; empty when none.
std::string FirstPromise(std::string text, std::initializer_list<const char*> words) {
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char* word : words) {
        if (text.find(word) != std::string::npos) {
            return word;
        }
    }
    return {};
}

const std::initializer_list<const char*> kEnglish = {"findpart", "lost partition", "rebuild"};

TEST(Promises, TheCommandLineHelpNamesOnlyWhatExists) {
    std::string help = apptest::RunCli("--help").output;
    for (const char* command :
         {"cat", "cp", "dump", "info", "ls", "parts", "rules", "scan", "storages"}) {
        help += apptest::RunCli(std::string(command) + " --help").output;
    }
    EXPECT_EQ(FirstPromise(help, kEnglish), "");
}

TEST(Promises, TheReadmeNamesOnlyWhatExists) {
    const std::string readme = apptest::ReadFileText(fixtures::SourceDir() + "/README.md");
    const std::size_t layout = readme.find("## Layout");
    ASSERT_NE(layout, std::string::npos);
    // What the program does is told above the source layout.
    EXPECT_EQ(FirstPromise(readme.substr(0, layout), kEnglish), "");
}

TEST(Promises, TheWindowsTextsNameNoScan) {
    apptest::LoadTexts();
    const std::pair<const char*, int> texts[] = {
        {"qorns::about", 3},      // what the program does
        {"qorns::explorer", 121}, // a file system that is not recognised
        {"qorns::explorer", 110}, // what to do with a damaged one
    };
    for (const auto& [section, number] : texts) {
        const std::string text = utf::ToUtf8(copytext::Text(number, section));
        EXPECT_FALSE(text.empty()) << section << " " << number;
        EXPECT_EQ(text.find("сканир"), std::string::npos) << text;
        EXPECT_EQ(text.find("потерянн"), std::string::npos) << text;
    }
}

} // namespace
