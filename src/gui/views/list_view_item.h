#pragma once
// One row of a list view. Rows are plain records the view paints, not elements: a folder
// of a few hundred thousand entries must fill and sort in a blink, and only the rows
// that show are ever laid out. A row holds one text per column, an optional icon (an
// index into the view's icons), a check mark, a 64-bit value to sort by (a size, a time)
// and a value of the caller's (an object id, an index into its own data).

#include <cstdint>
#include <string>
#include <vector>

class cListViewItemChild {
public:
    explicit cListViewItemChild(std::vector<std::u16string> cells, std::uint64_t param = 0,
                                std::uintptr_t data = 0)
        : cells_(std::move(cells)), param_(param), data_(data) {}

    std::u16string_view Text(int column) const {
        return column >= 0 && std::size_t(column) < cells_.size()
                   ? std::u16string_view(cells_[std::size_t(column)])
                   : std::u16string_view();
    }
    void SetText(int column, std::u16string text) {
        if (column < 0) {
            return;
        }
        if (std::size_t(column) >= cells_.size()) {
            cells_.resize(std::size_t(column) + 1);
        }
        cells_[std::size_t(column)] = std::move(text);
    }
    std::uint64_t Param() const { return param_; }
    void SetParam(std::uint64_t param) { param_ = param; }
    std::uintptr_t Data() const { return data_; }
    int Icon() const { return icon_; }
    void SetIcon(int icon) { icon_ = icon; }
    bool IsChecked() const { return checked_; }
    void SetChecked(bool checked) { checked_ = checked; }
    bool IsSelected() const { return selected_; }

private:
    friend class cListViewChild;
    std::vector<std::u16string> cells_;
    std::uint64_t param_;
    std::uintptr_t data_;
    int icon_ = -1;
    bool checked_ = false;
    bool selected_ = false;
};
