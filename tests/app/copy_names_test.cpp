#include "app/copy/copy_result.h"
#include "app/copy/copy_texts.h"
#include "app/copy/target_names.h"
#include "app_support.h"
#include "base/utf.h"

#include <gtest/gtest.h>
#include <set>

using copynames::FirstFreeNumberedPath;
using copynames::MakeSafeName;

TEST(SafeName, ReplacesWhatOtherFileSystemsReject) {
    struct Case {
        std::u16string name;
        std::u16string safe;
    };
    const Case cases[] = {
        {u"plain name.txt", u"plain name.txt"},
        {u"what?.txt", u"what~.txt"},
        {u"\"quoted\" \u201Ccurly\u201D", u"'quoted' 'curly'"},
        {u"star*", u"star@"},
        {u"a/b", u"a=b"},
        {u"a\\b", u"a-b"},
        {u"c:d|e", u"c_d_e"},
        {u"?*:|", u"~@__"},
        {u"Отчёт.doc", u"Отчёт.doc"},
        {std::u16string(u"nul\0inside", 10), u"nul_inside"},
        {std::u16string(1, u'\0'), u"_"},
        {u"...", u"..."},
        {u".hidden", u".hidden"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MakeSafeName(c.name, 7), c.safe) << utf::ToUtf8(c.name);
    }
}

TEST(SafeName, NamesThatWouldLeaveTheFolderBecomeObjectNames) {
    EXPECT_EQ(MakeSafeName(u"", 42), u"object00000042");
    EXPECT_EQ(MakeSafeName(u".", 43), u"object00000043");
    EXPECT_EQ(MakeSafeName(u"..", 123456789012), u"object123456789012");
    // The number is printed signed, as the report's readers expect.
    EXPECT_EQ(MakeSafeName(u"", ~std::uint64_t(0)), u"object-0000001");
}

TEST(SafeName, LongNamesAreCutToWhatALocalNameMayHold) {
    const auto bytes = [](const std::u16string& name) { return utf::ToUtf8(name).size(); };
    EXPECT_EQ(MakeSafeName(std::u16string(600, u'x'), 1), std::u16string(255, u'x'));
    EXPECT_EQ(MakeSafeName(std::u16string(255, u'y'), 1), std::u16string(255, u'y'));

    // 200 Cyrillic letters are 400 bytes: the stem loses its end, the extension stays.
    const std::u16string cyrillic = std::u16string(200, u'ж') + u".txt";
    EXPECT_EQ(MakeSafeName(cyrillic, 1), std::u16string(125, u'ж') + u".txt");
    // A long "extension" is part of the name, not kept whole.
    const std::u16string noExtension = u"a." + std::u16string(300, u'b');
    EXPECT_EQ(MakeSafeName(noExtension, 1), u"a." + std::u16string(253, u'b'));
    // Characters outside the basic plane are never split.
    std::u16string emoji;
    for (int i = 0; i < 100; ++i) {
        emoji += u"\U0001F600";
    }
    const std::u16string fitted = MakeSafeName(emoji, 1);
    EXPECT_EQ(bytes(fitted), 252u);
    EXPECT_EQ(fitted, emoji.substr(0, 2 * 63));
}

TEST(NumberedPath, NumberGoesBetweenStemAndExtension) {
    struct Case {
        std::u16string path;
        std::u16string first;
    };
    const Case cases[] = {
        {u"/t/a.txt", u"/t/a(1).txt"},         {u"/t/archive.tar.gz", u"/t/archive.tar(1).gz"},
        {u"/t/noext", u"/t/noext(1)"},         {u"/t.d/noext", u"/t.d/noext(1)"},
        {u"/t.d\\noext", u"/t.d\\noext(1)"},   {u"/t/.bashrc", u"/t/(1).bashrc"},
        {u"/t/trailing.", u"/t/trailing(1)."},
    };
    const auto nothingExists = [](const std::u16string&) { return false; };
    for (const Case& c : cases) {
        EXPECT_EQ(FirstFreeNumberedPath(c.path, nothingExists), c.first) << utf::ToUtf8(c.path);
    }
}

TEST(NumberedPath, SkipsTakenNumbersAndGivesUpAfterTheLast) {
    const std::set<std::u16string> taken = {u"/t/a(1).txt", u"/t/a(2).txt"};
    const auto exists = [&](const std::u16string& path) { return taken.count(path) > 0; };
    EXPECT_EQ(FirstFreeNumberedPath(u"/t/a.txt", exists), u"/t/a(3).txt");
    EXPECT_EQ(FirstFreeNumberedPath(u"/t/a.txt", exists, 2), std::nullopt);
    EXPECT_EQ(FirstFreeNumberedPath(u"/t/a.txt", exists, 3), u"/t/a(3).txt");
}

TEST(CopyResult, EveryFailureHasItsReasonText) {
    apptest::LoadTexts();
    struct Case {
        unsigned result;
        std::u16string reason;
    };
    const Case cases[] = {
        {copyresult::kNoFileSystem, u"Параметр недействителен"},
        {copyresult::kCannotOpenSource, u"Невозможно открыть исходный файл"},
        {copyresult::kCannotReadSource, u"Невозможно прочитать исходный файл"},
        {copyresult::kCannotWriteTarget, u"Невозможно написать целевой файл"},
        {copyresult::kStopped, u"Операция прервана"},
        {copyresult::kCannotCreateTarget, u"Невозможно создать целевой файл"},
        {copyresult::kCannotCreateFolder, u"Невозможно создать целевую папку"},
        {copyresult::kNoRoom, u"Недостаточно места на диске назначения"},
        {copyresult::kDamaged, u"Исходный файл поврежден, скопирована только читаемая часть"},
    };
    for (const Case& c : cases) {
        const auto number = copyresult::ReasonText(c.result);
        ASSERT_TRUE(number) << c.result;
        EXPECT_EQ(copytext::Text(*number), c.reason) << c.result;
    }
    EXPECT_EQ(copyresult::ReasonText(copyresult::kDone), std::nullopt);
    EXPECT_EQ(copyresult::ReasonText(copyresult::kOutOfMemory), std::nullopt);
    EXPECT_EQ(copyresult::ReasonText(11), std::nullopt);
}
