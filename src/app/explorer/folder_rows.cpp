#include "app/explorer/folder_rows.h"

#include "app/explorer/explorer_texts.h"
#include "base/format_text.h"
#include "gui/size_text.h"
#include "vfs/name_match.h"

#include <algorithm>
#include <tuple>

namespace explorer {

std::uint32_t RowType(const cFSObject& entry) {
    std::uint32_t kind = entry.Kind();
    if (kind == fskind::kDeleted) {
        kind = static_cast<const cFSDeletedObj&>(entry).deletedKind;
    }
    return kind == fskind::kFolder || kind == fskind::kFile ? kind : 0;
}

bool IsDeleted(const cFSObject& entry) {
    return entry.Kind() == fskind::kDeleted;
}

void cFolderRows::Offer(const cFSObject& entry) {
    const std::uint32_t ordinal = offered_++;
    const std::uint32_t type = RowType(entry);
    if (type == 0 || entry.name.empty() || entry.name == u"." || entry.name == u"..") {
        return;
    }
    rows_.push_back({entry.Clone(), type, ordinal});
}

void cFolderRows::Finish() {
    std::sort(rows_.begin(), rows_.end(), RowLess);
}

void cFolderRows::Clear() {
    rows_.clear();
    offered_ = 0;
}

int cFolderRows::PageCount() const {
    return rows_.empty() ? 1 : int((rows_.size() + kRowsPerPage - 1) / kRowsPerPage);
}

std::size_t cFolderRows::PageFirst(int page) const {
    if (page < 0) {
        return 0;
    }
    return std::min(rows_.size(), std::size_t(page) * kRowsPerPage);
}

std::size_t cFolderRows::PageLast(int page) const {
    if (page < 0) {
        return 0;
    }
    return std::min(rows_.size(), (std::size_t(page) + 1) * kRowsPerPage);
}

std::size_t cFolderRows::FindPrefix(std::u16string_view prefix) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::u16string& name = rows_[i].entry->name;
        if (name.size() < prefix.size()) {
            continue;
        }
        bool match = true;
        for (std::size_t k = 0; k < prefix.size() && match; ++k) {
            match = vfsname::FoldCase(name[k]) == vfsname::FoldCase(prefix[k]);
        }
        if (match) {
            return i;
        }
    }
    return rows_.size();
}

// Compared as (type, name, listing number) rather than as one joined string: joining the
// name and a zero-padded number would put "a0" before "a" (the number's digits would be
// compared with the longer name's), which is not ordinal order.
bool RowLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b) {
    return std::tie(a.type, a.entry->name, a.ordinal) < std::tie(b.type, b.entry->name, b.ordinal);
}

bool SizeLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b) {
    return a.entry->size < b.entry->size;
}

bool TypeLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b) {
    return a.type < b.type;
}

bool DateLess(const cFolderRows::cRow& a, const cFolderRows::cRow& b) {
    const cFSTime& x = a.entry->mtime;
    const cFSTime& y = b.entry->mtime;
    return std::tie(x.year, x.month, x.day, x.hour, x.minute, x.second) <
           std::tie(y.year, y.month, y.day, y.hour, y.minute, y.second);
}

std::u16string SizeCell(std::u16string_view pattern, std::uint64_t size) {
    return FormatText(pattern, {size / 1024});
}

std::u16string DateCell(const cFSTime& time) {
    if (time.year == 0) {
        return {};
    }
    return DateTimeText(int(time.year), int(time.month), int(time.day), int(time.hour),
                        int(time.minute), int(time.second));
}

} // namespace explorer
