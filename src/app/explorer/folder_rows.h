#pragma once
// The rows of the explorer's file list: the kept children of one folder, in the window's
// row order, split into pages, and the texts of their cells.
//
// Row order: folders before files, each group in ordinal (code unit by code unit) order
// of names, equal names in the order the reader listed them. Deleted entries a reader
// still finds in the folder are kept with the kind they had.
//
// A folder of a few hundred thousand entries is shown a page at a time, so that filling
// the list never stalls the window.

#include "vfs/fs_object.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace explorer {

inline constexpr std::size_t kRowsPerPage = 5000;

// Folder (1) or file (2) for the entries the list keeps, 0 for the rest.
std::uint32_t RowType(const cFSObject& entry);
bool IsDeleted(const cFSObject& entry);

class cFolderRows {
public:
    struct cRow {
        std::unique_ptr<cFSObject> entry;
        std::uint32_t type = 0;
        std::uint32_t ordinal = 0; // running number in the listing
    };

    // Keeps a clone of the entry when it has a name, is a folder or file and is not "."
    // or ".."; every entry offered counts in the running numbers.
    void Offer(const cFSObject& entry);
    // Puts the kept rows in row order; call once the listing has ended.
    void Finish();
    void Clear();

    std::size_t Count() const { return rows_.size(); }
    const cRow& Row(std::size_t index) const { return rows_[index]; }
    // At least one page, even for an empty folder.
    int PageCount() const;
    // The rows [first, last) of page `page`; empty for a page past the end.
    std::size_t PageFirst(int page) const;
    std::size_t PageLast(int page) const;
    // The first row whose name begins with `prefix`, case folded; Count() when none.
    std::size_t FindPrefix(std::u16string_view prefix) const;

private:
    std::vector<cRow> rows_;
    std::uint32_t offered_ = 0;
};

// Row order, also the name column's sort key.
bool RowLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b);
// Sort keys of the size, type and date columns.
bool SizeLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b);
bool TypeLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b);
bool DateLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b);

// Cell texts from the section's patterns: "%lld КБ" with whole KiB (sizes under 1024
// give 0); "%02d.%02d.%04d %02d:%02d:%02d" or nothing when the year is 0.
std::u16string SizeCell(std::u16string_view pattern, std::uint64_t size);
std::u16string DateCell(const cFSTime& time);

} // namespace explorer
