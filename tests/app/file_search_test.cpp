// The file search: wildcards with and without case, drovik-cli find over a FAT volume
// against find(1) over the tree it was filled from, and the hit list's limit ending the
// search.

#include "app/fs_tools/file_search.h"
#include "app_support.h"
#include "support/fixtures.h"
#include "vfs/wildcard.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

using apptest::Quoted;
using apptest::RunCli;
using vfsname::WildcardMatch;

TEST(FileSearchTest, WildcardsMatchWholeNames) {
    EXPECT_TRUE(WildcardMatch(u"*", u"", false));
    EXPECT_TRUE(WildcardMatch(u"*.txt", u"NOTES.TXT", false));
    EXPECT_FALSE(WildcardMatch(u"*.txt", u"NOTES.TXT", true));
    EXPECT_TRUE(WildcardMatch(u"a?c*", u"abc", true));
    EXPECT_FALSE(WildcardMatch(u"a?c", u"ac", true));
    EXPECT_TRUE(WildcardMatch(u"*a*b*", u"xxaxxbxx", true));
    EXPECT_FALSE(WildcardMatch(u"*a*b", u"xxaxxbxx", true));
    EXPECT_TRUE(WildcardMatch(u"*ДОК*", u"Документы", false));
    // Many stars against a long name that fails late: no blow-up.
    EXPECT_FALSE(WildcardMatch(u"*a*a*a*a*a*a*a*a*b", std::u16string(5000, u'a'), true));
}

// The lines a command printed, as a set.
std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.insert(line);
    }
    return lines;
}

// What find(1) prints below root with the given tests, as paths from root.
std::set<std::string> FindInTree(const std::string& root, const std::string& tests) {
    const std::string command =
        "cd " + Quoted(root) + " && find . -mindepth 1 " + tests + " -printf '/%P\\n'";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, got);
        }
        pclose(pipe);
    }
    return Lines(text);
}

TEST(FileSearchTest, FindListsWhatFindListsInTheSourceTree) {
    const std::string folder = fixtures::Folder("fat-images.sh");
    const std::string image = Quoted(folder + "/fat16.img");
    const std::string tree = folder + "/tree/full";
    const struct {
        std::string options;
        std::string tests;
    } cases[] = {
        {"--name '*.txt'", "-type f -iname '*.txt'"},
        {"--name '*.TXT' --case", "-type f -name '*.TXT'"},
        {"--size =0", "-type f -size 0c"},
        {"--size +4096 --folders", "\\( -type d -o -type f -size +4096c \\)"},
        {"--size -6 --name 'f0?1*'", "-type f -size -6c -iname 'f0?1*'"},
    };
    for (const auto& [options, tests] : cases) {
        SCOPED_TRACE(options);
        const auto found = RunCli("find " + image + " " + options, false);
        EXPECT_EQ(found.status, 0);
        const auto expected = FindInTree(tree, tests);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(Lines(found.output), expected);
    }
    const auto below = RunCli("find " + image + " /Документы --json --size =300000", false);
    EXPECT_EQ(below.output,
              "{\"path\":\"/Документы/big.bin\",\"kind\":\"file\",\"size\":300000}\n");
    EXPECT_NE(RunCli("find " + image + " --size 12").status, 0);
}

TEST(FileSearchTest, RefusedHitEndsTheSearchAsTooMany) {
    const std::string folder = fixtures::Folder("fat-images.sh");
    const auto fat = apptest::MountFat(folder + "/fat16.img", false);
    ASSERT_TRUE(fat);
    const auto many = fat->Entry(u"/many");
    std::vector<std::u16string> hits;
    int offered = 0;
    const auto end = SearchFiles(
        *fat->reader, *many, cSearchParams{},
        [&](const cFSObject&, const std::u16string& path) {
            ++offered;
            if (hits.size() == 1000) {
                return false;
            }
            hits.push_back(path);
            return true;
        },
        [] { return false; });
    EXPECT_EQ(end, eSearchEnd::TooMany);
    EXPECT_EQ(hits.size(), 1000u);
    EXPECT_EQ(offered, 1001);

    int asked = 0;
    EXPECT_EQ(SearchFiles(
                  *fat->reader, *many, cSearchParams{},
                  [](const cFSObject&, const std::u16string&) { return true; },
                  [&] { return ++asked > 10; }),
              eSearchEnd::Aborted);
}

} // namespace
