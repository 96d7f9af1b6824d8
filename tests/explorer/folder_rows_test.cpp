// The file list's row model: which entries become rows, their order, pages and cells.

#include "app/explorer/explorer_texts.h"
#include "app/explorer/folder_rows.h"
#include "base/format_text.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using explorer::cFolderRows;

std::unique_ptr<cFSObject> Entry(std::uint32_t kind, std::u16string name, std::uint64_t size = 0) {
    std::unique_ptr<cFSObject> entry;
    switch (kind) {
    case fskind::kFolder:
        entry = std::make_unique<cFSFolder>();
        break;
    case fskind::kFile:
        entry = std::make_unique<cFSFile>();
        break;
    case fskind::kVolName:
        entry = std::make_unique<cFSVolName>();
        break;
    default:
        entry = std::make_unique<cFSObject>();
    }
    entry->name = std::move(name);
    entry->size = size;
    return entry;
}

std::vector<std::u16string> Names(const cFolderRows& rows) {
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < rows.Count(); ++i) {
        names.push_back(rows.Row(i).entry->name);
    }
    return names;
}

TEST(ExplorerRows, KeepsNamedFoldersAndFilesOnly) {
    cFolderRows rows;
    rows.Offer(*Entry(fskind::kFolder, u"."));
    rows.Offer(*Entry(fskind::kFolder, u".."));
    rows.Offer(*Entry(fskind::kVolName, u"VOLUME"));
    rows.Offer(*Entry(fskind::kObject, u"stream"));
    rows.Offer(*Entry(fskind::kFile, u""));
    rows.Offer(*Entry(fskind::kFile, u"kept.txt"));
    cFSDeletedObj gone;
    gone.name = u"gone";
    gone.deletedKind = fskind::kFolder;
    rows.Offer(gone);
    rows.Finish();
    EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"gone", u"kept.txt"}));
    EXPECT_EQ(rows.Row(0).type, fskind::kFolder); // a deleted folder sorts as a folder
    EXPECT_TRUE(explorer::IsDeleted(*rows.Row(0).entry));
}

TEST(ExplorerRows, FoldersFirstThenOrdinalNamesThenListingOrder) {
    struct cCase {
        const char* what;
        std::vector<std::pair<std::uint32_t, std::u16string>> listed;
        std::vector<std::u16string> shown;
    };
    const cCase cases[] = {
        {"folders before files",
         {{fskind::kFile, u"a"}, {fskind::kFolder, u"z"}, {fskind::kFile, u"B"}},
         {u"z", u"B", u"a"}},
        {"ordinal, not case-folded: upper case first",
         {{fskind::kFile, u"b"}, {fskind::kFile, u"B"}, {fskind::kFile, u"a"}},
         {u"B", u"a", u"b"}},
        {"a name before its extensions, digits included",
         {{fskind::kFile, u"a0"}, {fskind::kFile, u"a1"}, {fskind::kFile, u"a"}},
         {u"a", u"a0", u"a1"}},
        {"Cyrillic after Latin by code unit",
         {{fskind::kFile, u"я"}, {fskind::kFile, u"Ж"}, {fskind::kFile, u"z"}},
         {u"z", u"Ж", u"я"}},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.what);
        cFolderRows rows;
        for (const auto& [kind, name] : c.listed) {
            rows.Offer(*Entry(kind, name));
        }
        rows.Finish();
        EXPECT_EQ(Names(rows), c.shown);
    }
}

TEST(ExplorerRows, EqualNamesKeepTheirListingOrder) {
    // A damaged or reconstructed folder may list one name several times.
    cFolderRows rows;
    for (std::uint64_t size : {30u, 10u, 20u}) {
        rows.Offer(*Entry(fskind::kFile, u"same", size));
    }
    rows.Offer(*Entry(fskind::kFile, u"other"));
    rows.Finish();
    ASSERT_EQ(rows.Count(), 4u);
    EXPECT_EQ(rows.Row(0).entry->name, u"other");
    EXPECT_EQ(rows.Row(1).entry->size, 30u);
    EXPECT_EQ(rows.Row(2).entry->size, 10u);
    EXPECT_EQ(rows.Row(3).entry->size, 20u);
}

TEST(ExplorerRows, PagesOf5000) {
    struct cCase {
        std::size_t entries;
        int pages;
        std::size_t lastPageRows;
    };
    for (const cCase& c : {cCase{0, 1, 0}, cCase{1, 1, 1}, cCase{5000, 1, 5000}, cCase{5001, 2, 1},
                           cCase{10001, 3, 1}}) {
        SCOPED_TRACE(c.entries);
        cFolderRows rows;
        for (std::size_t i = 0; i < c.entries; ++i) {
            rows.Offer(*Entry(fskind::kFile, u"f"));
        }
        rows.Finish();
        ASSERT_EQ(rows.PageCount(), c.pages);
        const int last = c.pages - 1;
        EXPECT_EQ(rows.PageLast(last) - rows.PageFirst(last), c.lastPageRows);
        EXPECT_EQ(rows.PageFirst(c.pages), rows.PageLast(c.pages)); // past the end: empty
    }
}

TEST(ExplorerRows, QuickSearchFindsAPrefixCaseFolded) {
    cFolderRows rows;
    for (const char16_t* name : {u"alpha", u"Beta", u"beta2", u"Документ"}) {
        rows.Offer(*Entry(fskind::kFile, name));
    }
    rows.Finish();
    EXPECT_EQ(rows.Row(rows.FindPrefix(u"BET")).entry->name, u"Beta");
    EXPECT_EQ(rows.Row(rows.FindPrefix(u"док")).entry->name, u"Документ");
    EXPECT_EQ(rows.FindPrefix(u"gamma"), rows.Count());
}

TEST(ExplorerCells, SizeInWholeKilobytes) {
    struct cCase {
        std::uint64_t size;
        const char16_t* cell;
    };
    for (const cCase& c :
         {cCase{0, u"0 КБ"}, cCase{1023, u"0 КБ"}, cCase{1024, u"1 КБ"}, cCase{2047, u"1 КБ"},
          cCase{300000, u"292 КБ"}, cCase{0xFFFFFFFFFFFFFFFFull, u"18014398509481983 КБ"}}) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(explorer::SizeCell(u"%lld КБ", c.size), c.cell);
    }
}

TEST(ExplorerCells, DateAsDayMonthYearOrEmptyWithoutYear) {
    EXPECT_EQ(explorer::DateCell({2007, 6, 15, 10, 20, 30}), u"15.06.2007 10:20:30");
    EXPECT_EQ(explorer::DateCell({1980, 1, 1, 0, 0, 0}), u"01.01.1980 00:00:00");
    EXPECT_EQ(explorer::DateCell({0, 6, 15, 10, 20, 30}), u"");
    EXPECT_EQ(explorer::DateCell({}), u"");
}

TEST(ExplorerTexts, PatternsWithLengthModifiers) {
    EXPECT_EQ(FormatText(u"%s раздел (сектор %lld, %.02fГБ)", {u"FAT32", 2048, 1.5}),
              u"FAT32 раздел (сектор 2048, 1.50ГБ)");
    EXPECT_EQ(FormatText(u"100%% %hd", {7}), u"100% 7");
    EXPECT_EQ(explorer::NumberWithHex(2048), u"2048 (0x00000800)");
    EXPECT_EQ(explorer::SectorsWithGB(2097152), u"2097152 (1.00GB)");
}

} // namespace
