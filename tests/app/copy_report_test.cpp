#include "app/copy/copy_report.h"
#include "app_support.h"
#include "base/utf.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

namespace {

template <class T> std::unique_ptr<cFSObject> Named(const char16_t* name) {
    auto object = std::make_unique<T>();
    object->name = name;
    return object;
}

TEST(CopyReport, LaidOutAsUtf16WithMarkAndCrLfOrAsUtf8) {
    apptest::LoadTexts();
    std::vector<std::unique_ptr<cFSObject>> objects;
    objects.push_back(Named<cFSFolder>(u"Папка"));
    objects.push_back(Named<cFSVolName>(u"LABEL"));
    objects.push_back(Named<cFSFile>(u"a.txt"));
    objects.push_back(Named<cFSDeletedObj>(u"gone.txt"));
    const std::vector<std::u16string> log = {u"first line", u"Операция прервана"};

    const std::string bytes = copyreport::Build(objects, u"/media/safe", log);
    const std::u16string expected =
        u"Журнал копирования файлов. Создан программой Drovik (QORNSCI) версия 1.0\r\n"
        u"\r\n"
        u"Обработанные объекты:\r\n"
        u"Папка:Папка\r\n"
        u"Файл:a.txt\r\n"
        u"Файл:gone.txt\r\n"
        u"\r\n"
        u"В:/media/safe\r\n"
        u"\r\n"
        u"Журнал ошибок прилагается: \r\n"
        u"first line\r\n"
        u"Операция прервана\r\n";
    EXPECT_EQ(bytes, "\xFF\xFE" + utf::ToUtf16LEBytes(expected));
    // The terminal's form: the same lines in UTF-8, no mark, LF.
    std::u16string lines = expected;
    for (std::size_t at; (at = lines.find(u"\r\n")) != std::u16string::npos;) {
        lines.replace(at, 2, u"\n");
    }
    EXPECT_EQ(copyreport::Build(objects, u"/media/safe", log, copyreport::Encoding::Utf8),
              utf::ToUtf8(lines));

    const std::string path = fixtures::ScratchDir() + "/" + std::string(copyreport::kDefaultName);
    ASSERT_EQ(copyreport::Write(path, bytes), copyreport::WriteResult::Written);
    const auto written = apptest::ReadFileBytes(path);
    EXPECT_EQ(std::string(written.begin(), written.end()), bytes);
}

TEST(CopyReport, AFileThatCannotBeCreatedIsSaidSo) {
    apptest::LoadTexts();
    const auto result = copyreport::Write(fixtures::ScratchDir() + "/no/such/folder/r.txt", "x");
    EXPECT_EQ(result, copyreport::WriteResult::CannotCreate);
    EXPECT_EQ(copyreport::FailureText(result), 14);
    EXPECT_EQ(copyreport::FailureText(copyreport::WriteResult::CannotWrite), 11);
}

} // namespace
