// What the program says it does, it does: every command the help of drovik-cli lists
// answers, the README's examples use only those commands, and the window's texts offer
// no scan where none runs.

#include "app/copy/copy_texts.h"
#include "app_support.h"
#include "base/utf.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

namespace {

// The commands under the help's COMMANDS heading: lines of four spaces, then the name.
std::set<std::string> ListedCommands() {
    std::istringstream help(apptest::RunCli("--help").output);
    std::set<std::string> commands;
    bool inList = false;
    for (std::string line; std::getline(help, line);) {
        if (line == "COMMANDS") {
            inList = true;
        } else if (inList && !line.empty() && line[0] != ' ') {
            break;
        } else if (std::smatch match;
                   inList && std::regex_search(line, match, std::regex("^    ([a-z]+) "))) {
            commands.insert(match[1]);
        }
    }
    return commands;
}

TEST(Promises, EveryCommandTheHelpListsAnswers) {
    const std::set<std::string> commands = ListedCommands();
    for (const char* expected : {"cp", "findpart", "fstest", "image", "scan"}) {
        EXPECT_TRUE(commands.contains(expected)) << expected;
    }
    for (const std::string& command : commands) {
        const apptest::CliOutcome outcome = apptest::RunCli(command + " --help");
        EXPECT_EQ(outcome.status, 0) << command << ": " << outcome.output;
    }
}

TEST(Promises, TheReadmeRunsOnlyCommandsThatExist) {
    const std::set<std::string> commands = ListedCommands();
    const std::string readme = apptest::ReadFileText(fixtures::SourceDir() + "/README.md");
    const std::regex use("drovik-cli ([a-z]+)");
    for (auto it = std::sregex_iterator(readme.begin(), readme.end(), use);
         it != std::sregex_iterator(); ++it) {
        EXPECT_TRUE(commands.contains((*it)[1])) << (*it)[0];
    }
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
