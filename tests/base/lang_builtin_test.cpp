// The packs built into the program: the sections and counts every form relies on, and
// the texts whose wording the program's behaviour is defined by.

#include "base/lang/builtin_packs.h"
#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"
#include "base/utf.h"

#include <gtest/gtest.h>
#include <string_view>

namespace {

struct Count {
    std::string_view section;
    int count;
};

const Count kBaseSections[] = {
    {"tusk::filechoose", 25}, {"tusk::folderchoose", 8}, {"tusk::messages", 7},
    {"tusk::propsheet", 3},   {"tusk::units", 6},
};

const Count kApplicationSections[] = {
    {"qorns::about", 6},        {"qorns::copyfiles", 30}, {"qorns::defpart", 11},
    {"qorns::evalsize", 7},     {"qorns::explorer", 198}, {"qorns::findpart", 27},
    {"qorns::overwritereq", 5}, {"qorns::progress", 5},   {"qorns::props", 15},
    {"qorns::recover::fs", 53}, {"qorns::search", 12},    {"qorns::startup", 4},
    {"qorns::tstfs", 15},       {"qorns::imaging", 31},
};

struct Quoted {
    std::string_view section;
    int number;
    const char8_t* text;
};

const Quoted kEnglishQuoted[] = {
    {"tusk::messages", 0, u8"Ok"},
    {"tusk::messages", 1, u8"Yes"},
    {"tusk::messages", 2, u8"No"},
    {"tusk::messages", 3, u8"Information"},
    {"tusk::messages", 4, u8"Warning"},
    {"tusk::messages", 5, u8"Error"},
    {"tusk::messages", 6, u8"Confirm"},
    {"tusk::propsheet", 0, u8"Double-click to hide section"},
    {"tusk::propsheet", 1, u8"Double-click to expand section"},
    {"tusk::propsheet", 2, u8"Change value"},
};

const Quoted kRussianQuoted[] = {
    {"qorns::startup", 0, u8"Запуск Drovik..."},
    {"qorns::startup", 1, u8"Конфигурация программы..."},
    {"qorns::startup", 2, u8"Сканирование наличия подключенных хранилищ..."},
    {"qorns::startup", 3, u8"Сканирование наличия внешних модулей..."},
    {"qorns::progress", 0, u8"Остановить"},
    {"qorns::progress", 1, u8"Инициализация..."},
    {"qorns::progress", 2,
     u8"%s: выполнено %.01f%%. Затраченное время: %02d:%02d:%02d. Осталось примерно: "
     u8"%02d:%02d:%02d."},
    {"qorns::progress", 3, u8"Прогресс операции"},
    {"qorns::progress", 4, u8"%s обрабатывается: затраченное время: %02d:%02d:%02d."},
    {"qorns::explorer", 0, u8"Название"},
    {"qorns::explorer", 1, u8"Размер"},
    {"qorns::explorer", 2, u8"Тип"},
    {"qorns::explorer", 3, u8"Дата"},
    {"qorns::explorer", 4, u8"Быстрый поиск..."},
    {"qorns::explorer", 14, u8"Раздел с сектора %lld (%.02f ГБ) на %s"},
    {"qorns::explorer", 16, u8"Страницы:"},
    {"qorns::explorer", 19, u8"  Открыть  "},
    {"qorns::explorer", 23, u8"Руководство"},
    {"qorns::explorer", 25, u8"О программе"},
    {"qorns::explorer", 26, u8"%s раздел (сектор %lld, %.02fГБ)"},
    {"qorns::explorer", 27, u8"Этот компьютер"},
    {"qorns::explorer", 29, u8"Образы диска и виртуальные диски"},
    {"qorns::explorer", 30, u8"Все файлы"},
    {"qorns::explorer", 31, u8"Выбрать образ диска или виртуальный диск"},
    {"qorns::explorer", 34, u8"Физические устройства"},
    {"qorns::explorer", 37, u8"Файлы образов дисков"},
    {"qorns::explorer", 40, u8"Составные хранилища"},
    {"qorns::explorer", 44, u8"Тип"},
    {"qorns::explorer", 46, u8"Название"},
    {"qorns::explorer", 48, u8"Общая емкость"},
    {"qorns::explorer", 50, u8"Геометрия хранилища"},
    {"qorns::explorer", 51, u8"Головки"},
    {"qorns::explorer", 52, u8"Секторы"},
    {"qorns::explorer", 53, u8"Цилиндры"},
    {"qorns::explorer", 54, u8"Размер сектора"},
    {"qorns::explorer", 57, u8"Начало раздела"},
    {"qorns::explorer", 59, u8"Конец раздела"},
    {"qorns::explorer", 61, u8"Размер раздела"},
    {"qorns::explorer", 63, u8"Объем"},
    {"qorns::explorer", 65, u8"Файловая система"},
    {"qorns::explorer", 70, u8"Состояние диагностики"},
    {"qorns::explorer", 72, u8"Доступна"},
    {"qorns::explorer", 73, u8"Корневая папка пуста"},
    {"qorns::explorer", 75, u8"Корневая папка повреждена"},
    {"qorns::explorer", 76, u8"Невозможно прочитать корневую папку"},
    {"qorns::explorer", 77, u8"Обновить"},
    {"qorns::explorer", 89, u8"Сканировать"},
    {"qorns::explorer", 97, u8"Вы действительно хотите закрыть данный диск?"},
    {"qorns::explorer", 101, u8"Метка"},
    {"qorns::explorer", 103, u8"Поврежденная файловая система"},
    {"qorns::explorer", 104, u8"Частичный (RAID)"},
    {"qorns::explorer", 124, u8"Разделы"},
    {"qorns::explorer", 129, u8"%lld КБ"},
    {"qorns::explorer", 130, u8"Файл"},
    {"qorns::explorer", 131, u8"Каталог"},
    {"qorns::explorer", 132, u8"Выбран %s «%s». Собственный размер %lld байт."},
    {"qorns::explorer", 133, u8"%d объект(ов) в директории."},
    {"qorns::explorer", 134, u8"Готово"},
    {"qorns::explorer", 135, u8"Чтение содержания директории..."},
    {"qorns::explorer", 136, u8"Свойства"},
    {"qorns::explorer", 137, u8"Загрузить результат сканирования"},
    {"qorns::explorer", 139, u8"Удалить этот результат сканирования"},
    {"qorns::explorer", 141, u8"Базы данных восстановления данных"},
    {"qorns::explorer", 142, u8"Сохранить результат сканирования как"},
    {"qorns::explorer", 143, u8"Открыть результат сканирования"},
    {"qorns::explorer", 144, u8"Невозможно создать целевой файл!"},
    {"qorns::explorer", 145, u8"Невозможно написать целевой файл!"},
    {"qorns::explorer", 148, u8"Найти в данной папке"},
    {"qorns::explorer", 149, u8"Определить размер данных"},
    {"qorns::explorer", 152, u8"Поиск выполнен"},
    {"qorns::explorer", 153, u8"Поиск прерван"},
    {"qorns::explorer", 154, u8"Найдено слишком много объектов"},
    {"qorns::explorer", 156, u8"Невозможно скопировать файл!"},
    {"qorns::explorer", 160, u8"Путь к временным файлам"},
    {"qorns::explorer", 162, u8"Неверная папка"},
    {"qorns::explorer", 163, u8"Не указан"},
    {"qorns::explorer", 164, u8"Настройки программы"},
    {"qorns::explorer", 179, u8"Язык"},
    {"qorns::explorer", 180, u8"Текущий язык интерфейса пользователя"},
    {"qorns::explorer", 182, u8"Сохранить сканирование"},
    {"qorns::explorer", 184, u8"Сохранить выделенное"},
    {"qorns::explorer", 188, u8"файл"},
    {"qorns::explorer", 189, u8"каталог"},
    {"qorns::copyfiles", 0, u8"Все файлы"},
    {"qorns::copyfiles", 1, u8"Копировать файлы как"},
    {"qorns::copyfiles", 2, u8"Копировать в папку"},
    {"qorns::copyfiles", 4, u8"Сохранить отчет"},
    {"qorns::copyfiles", 5, u8"Прервать"},
    {"qorns::copyfiles", 6, u8"Закрыть"},
    {"qorns::copyfiles", 7, u8"Обработка %s..."},
    {"qorns::copyfiles", 8, u8"Параметр недействителен"},
    {"qorns::copyfiles", 9, u8"Невозможно открыть исходный файл"},
    {"qorns::copyfiles", 10, u8"Невозможно прочитать исходный файл"},
    {"qorns::copyfiles", 11, u8"Невозможно написать целевой файл"},
    {"qorns::copyfiles", 12, u8"Операция прервана"},
    {"qorns::copyfiles", 14, u8"Невозможно создать целевой файл"},
    {"qorns::copyfiles", 15, u8"Невозможно создать целевую папку"},
    {"qorns::copyfiles", 16, u8"Ошибка обработки %s: %s"},
    {"qorns::copyfiles", 17, u8"Завершена."},
    {"qorns::copyfiles", 18, u8"Текстовые файлы"},
    {"qorns::copyfiles", 19,
     u8"Журнал копирования файлов. Создан программой Drovik (QORNSCI) версия "},
    {"qorns::copyfiles", 20, u8"Обработанные объекты:"},
    {"qorns::copyfiles", 21, u8"Файл:"},
    {"qorns::copyfiles", 22, u8"Папка:"},
    {"qorns::copyfiles", 23, u8"В:"},
    {"qorns::copyfiles", 24, u8"Журнал ошибок прилагается: "},
    {"qorns::overwritereq", 0, u8"Файл с указанным именем уже существует"},
    {"qorns::overwritereq", 1, u8"Заменить существующий файл новым"},
    {"qorns::overwritereq", 2, u8"Сохранить существующий файл и не копировать новый файл"},
    {"qorns::overwritereq", 3, u8"Сохранить оба файла и переименовать новый файл"},
    {"qorns::overwritereq", 4, u8"Применить ко всем конфликтам"},
    {"qorns::findpart", 0, u8"Найти потерянный раздел"},
    {"qorns::findpart", 1, u8"Использовать выбранные"},
    {"qorns::findpart", 2, u8"Закрыть"},
    {"qorns::findpart", 3, u8"Файловая система"},
    {"qorns::findpart", 4, u8"Начало"},
    {"qorns::findpart", 5, u8"Размер"},
    {"qorns::findpart", 6, u8"Метка"},
    {"qorns::findpart", 7, u8"Найти сейчас"},
    {"qorns::findpart", 8, u8"Сохранить"},
    {"qorns::findpart", 9, u8"Загрузить"},
    {"qorns::findpart", 14, u8"Остановить сканирование"},
    {"qorns::findpart", 16, u8"Список разделов в Drovik"},
    {"qorns::findpart", 17, u8"Сохранить разделы"},
    {"qorns::findpart", 18, u8"Невозможно создать целевой файл!"},
    {"qorns::findpart", 19, u8"Невозможно написать в целевой файл!"},
    {"qorns::findpart", 21, u8"Загрузить разделы"},
    {"qorns::findpart", 22, u8"Невозможно открыть исходный файл!"},
    {"qorns::findpart", 24,
     u8"Ход операции: %.01f%%. Затраченное время: %02d:%02d:%02d. Оценка оставшегося времени: "
     u8"%02d:%02d:%02d."},
    {"qorns::findpart", 26, u8"Выберете как минимум один раздел!"},
    {"qorns::defpart", 0, u8"Определить параметры нового раздела"},
    {"qorns::defpart", 1, u8"Определить"},
    {"qorns::defpart", 2, u8"Отмена"},
    {"qorns::defpart", 3, u8"Тип файловой системы:"},
    {"qorns::defpart", 4, u8"Метка:"},
    {"qorns::defpart", 5, u8"Начало (сектор):"},
    {"qorns::defpart", 6, u8"Размер (секторы):"},
    {"qorns::defpart", 10, u8"Не идентифицирован"},
    {"qorns::evalsize", 0, u8"Оцененный размер данных "},
    {"qorns::evalsize", 1, u8"Количество файлов:"},
    {"qorns::evalsize", 2, u8"Размер данных (байт):"},
    {"qorns::evalsize", 3, u8"Размер для разных размеров блока (за исключением папок):"},
    {"qorns::evalsize", 4, u8"Для %d байтовых блоков:"},
    {"qorns::evalsize", 5, u8"Остановить"},
    {"qorns::evalsize", 6, u8"Закрыть"},
    {"qorns::search", 0, u8"Параметры поиска"},
    {"qorns::search", 1, u8"Поиск"},
    {"qorns::search", 2, u8"Отмена"},
    {"qorns::search", 3, u8"Поиск в:"},
    {"qorns::search", 4, u8"Поиск:"},
    {"qorns::search", 5, u8"Размер файла (байт):"},
    {"qorns::search", 6, u8"Не имеет значения"},
    {"qorns::search", 7, u8"Равняется"},
    {"qorns::search", 8, u8"Больше, чем"},
    {"qorns::search", 9, u8"Меньше, чем"},
    {"qorns::search", 10, u8"включить папки"},
    {"qorns::search", 11, u8"с учетом регистра букв"},
    {"qorns::tstfs", 0, u8"Тестирование файловой системы"},
    {"qorns::tstfs", 1, u8"Начать тестирование"},
    {"qorns::tstfs", 2, u8"Закрыть"},
    {"qorns::tstfs", 3, u8"Тестированные папки:"},
    {"qorns::tstfs", 4, u8"Тестированные файлы:"},
    {"qorns::tstfs", 5, u8"Размер данных:"},
    {"qorns::tstfs", 6, u8"Неповрежденные"},
    {"qorns::tstfs", 7, u8"Поврежденные"},
    {"qorns::tstfs", 8, u8"Нет данных"},
    {"qorns::tstfs", 9, u8"Остановить"},
    {"qorns::tstfs", 10, u8"Сохранить отчет"},
    {"qorns::tstfs", 11, u8"Текстовые файлы"},
    {"qorns::props", 0, u8"Свойства объекта"},
    {"qorns::props", 1, u8"Закрыть"},
    {"qorns::props", 2, u8"Данные файловой системы"},
    {"qorns::props", 3, u8"Название объекта"},
    {"qorns::props", 5, u8"Тип объекта"},
    {"qorns::props", 7, u8"Файл"},
    {"qorns::props", 8, u8"Папка"},
    {"qorns::props", 9, u8"Идентификатор"},
    {"qorns::props", 11, u8"Размер данных"},
    {"qorns::props", 13, u8"Последнее изменение"},
    {"qorns::recover::fs", 16, u8"Найденные по типу"},
    {"qorns::recover::fs", 17,
     u8"Определяются файлы по известному содержимому с помощью Quilvar..."},
    {"qorns::recover::fs", 24, u8"Определяются параметры файловой системы..."},
    {"qorns::recover::fs", 30, u8"Результат реконструкции"},
    {"qorns::recover::fs", 31, u8"Реконструкция файловой системы..."},
    {"qorns::recover::fs", 32, u8"Удаленные файлы"},
    {"qorns::recover::fs", 35, u8"Запрошенные операции по восстановлению данных обрабатываются..."},
    {"qorns::recover::fs", 36, u8"Реконструкция "},
    {"qorns::recover::fs", 42, u8"Проверка размещения файлов (FAT)..."},
    {"qorns::recover::fs", 45, u8"Анализ зависимости файлов"},
    {"qorns::recover::fs", 46, u8"Классификация файлов"},
    {"qorns::recover::fs", 48, u8"Поврежденные файлы"},
};

std::u16string Utf16(const char8_t* text) {
    return utf::FromUtf8(reinterpret_cast<const char*>(text));
}

void ExpectCounts(const cTextRegistry& registry, std::span<const Count> counts) {
    for (const Count& expected : counts) {
        const cTextSection* section = registry.FindSection(expected.section);
        ASSERT_NE(section, nullptr) << expected.section;
        EXPECT_EQ(section->Count(), expected.count) << expected.section;
    }
}

void ExpectQuoted(const cTextRegistry& registry, std::span<const Quoted> quoted) {
    for (const Quoted& expected : quoted) {
        EXPECT_EQ(registry.Text(expected.section, expected.number), Utf16(expected.text))
            << expected.section << " " << expected.number;
    }
}

TEST(LangBuiltin, EnglishPackHoldsEverySection) {
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(lang::EnglishPack(), registry));
    EXPECT_EQ(registry.LanguageCode(), "ENG");
    EXPECT_EQ(registry.LanguageName(), u"English");
    ExpectCounts(registry, kBaseSections);
    ExpectCounts(registry, kApplicationSections);
    ExpectQuoted(registry, kEnglishQuoted);
}

TEST(LangBuiltin, RussianPackHoldsEverySection) {
    cTextRegistry registry;
    ASSERT_TRUE(lang::RegisterPack(lang::RussianPack(), registry));
    EXPECT_EQ(registry.LanguageCode(), "RUS");
    EXPECT_EQ(registry.LanguageName(), u"Русский");
    ExpectCounts(registry, kBaseSections);
    ExpectCounts(registry, kApplicationSections);
    ExpectQuoted(registry, kRussianQuoted);
}

// Each interface language as start-up registers it: every number of every section has a
// text, in that language where its pack has one.
TEST(LangBuiltin, EachLanguageLeavesNoNumberWithoutText) {
    struct Case {
        lang::eLanguage language;
        std::string_view code;
        const char16_t* yes;
    };
    for (const Case& c : {Case{lang::eLanguage::English, "ENG", u"Yes"},
                          Case{lang::eLanguage::Russian, "RUS", u"Да"}}) {
        cTextRegistry registry;
        lang::RegisterPacksFor(c.language, registry);
        EXPECT_EQ(registry.LanguageCode(), c.code);
        EXPECT_EQ(registry.Text("tusk::messages", 1), c.yes);
        for (std::span<const Count> counts : {std::span<const Count>(kBaseSections),
                                              std::span<const Count>(kApplicationSections)}) {
            for (const Count& section : counts) {
                for (int i = 0; i < section.count; ++i) {
                    std::optional<std::u16string_view> text = registry.Text(section.section, i);
                    ASSERT_TRUE(text.has_value()) << c.code << " " << section.section << " " << i;
                    EXPECT_FALSE(text->empty()) << c.code << " " << section.section << " " << i;
                }
            }
        }
    }
}

TEST(LangBuiltin, EachPackNamesItsLanguageInItself) {
    EXPECT_EQ(lang::PackLanguageName(lang::eLanguage::English), u"English");
    EXPECT_EQ(lang::PackLanguageName(lang::eLanguage::Russian), u"Русский");
}

// The Russian language name is the 14-byte UTF-8 word, stored right after the pack id.
TEST(LangBuiltin, RussianRecordHeader) {
    std::span<const std::uint8_t> record = lang::RussianPack();
    ASSERT_GT(record.size(), 34u);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(record.data()), 19),
              "TUSKLAFITUSKBASERUS");
    EXPECT_EQ(record[19], 14);
}

} // namespace
