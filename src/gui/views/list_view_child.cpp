#include "gui/views/list_view_child.h"

#include "base/name_fold.h"
#include "gui/views/name_order.h"

#include <algorithm>

void cListViewChild::cSortProvider::Sort(cRows& rows, int column, bool descending) const {
    // Descending swaps the arguments rather than reversing the result, so that equal
    // rows still keep their order.
    if (descending) {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const auto& a, const auto& b) { return Less(*b, *a, column); });
    } else {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const auto& a, const auto& b) { return Less(*a, *b, column); });
    }
}

bool cListViewChild::cListViewNameSortProvider::Less(const cListViewItemChild& a,
                                                     const cListViewItemChild& b,
                                                     int column) const {
    return name_order::Compare(a.Text(column), b.Text(column)) < 0;
}

void cListViewChild::cListViewNameSortProvider::Sort(cRows& rows, int column,
                                                     bool descending) const {
    // Comparing through row pointers chases three pointers per name into a heap spread
    // over hundreds of thousands of rows. Instead each row gets a key: its name folded
    // once into one contiguous buffer, with the first four units packed into a number
    // that decides most comparisons without touching the buffer at all.
    struct cKey {
        std::uint64_t prefix;
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t row;
    };
    std::size_t total = 0;
    for (const auto& row : rows) {
        total += row->Text(column).size();
    }
    if (total > UINT32_MAX || rows.size() > UINT32_MAX) {
        return cSortProvider::Sort(rows, column, descending);
    }
    std::u16string folded;
    folded.reserve(total);
    std::vector<cKey> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::u16string_view name = rows[i]->Text(column);
        cKey key{0, std::uint32_t(folded.size()), std::uint32_t(name.size()), std::uint32_t(i)};
        for (std::size_t u = 0; u < name.size(); ++u) {
            const char16_t f = namefold::FoldCase(name[u]);
            folded += f;
            if (u < 4) {
                key.prefix |= std::uint64_t(f) << (48 - 16 * u);
            }
        }
        keys.push_back(key);
    }
    auto less = [&](const cKey& a, const cKey& b) {
        if (a.prefix != b.prefix) {
            return a.prefix < b.prefix;
        }
        // Equal prefixes: the names agree (folded) up to four units; a shorter name that
        // ended inside the prefix sorts first because its missing units packed as zero.
        const std::u16string_view x(folded.data() + a.offset, a.length);
        const std::u16string_view y(folded.data() + b.offset, b.length);
        return x.compare(y) < 0;
    };
    if (descending) {
        std::stable_sort(keys.begin(), keys.end(),
                         [&](const cKey& a, const cKey& b) { return less(b, a); });
    } else {
        std::stable_sort(keys.begin(), keys.end(), less);
    }
    cRows sorted;
    sorted.reserve(rows.size());
    for (const cKey& key : keys) {
        sorted.push_back(std::move(rows[key.row]));
    }
    rows = std::move(sorted);
}

bool cListViewChild::cListViewU64PramSortProvider::Less(const cListViewItemChild& a,
                                                        const cListViewItemChild& b,
                                                        int column) const {
    return a.Param() < b.Param();
}

cListViewChild::cListViewChild(std::vector<cHeaderColumn> columns) {
    header_ = Add<cHeaderChild>(1, 1, -2, cHeaderChild::kHeight, std::move(columns));
    sorters_.resize(std::size_t(header_->ColumnCount()));
    SetTopInset(cHeaderChild::kHeight);
    UpdateContentSize();
}

void cListViewChild::SetSortProvider(int column, std::unique_ptr<cSortProvider> provider) {
    if (column >= 0 && column < int(sorters_.size())) {
        sorters_[std::size_t(column)] = std::move(provider);
    }
}

void cListViewChild::SetCheckBoxes(bool on) {
    checkBoxes_ = on;
    Invalidate();
}

void cListViewChild::SetIcons(std::vector<cBitmap> icons) {
    icons_ = std::move(icons);
    Invalidate();
}

cListViewItemChild* cListViewChild::Item(int index) const {
    return index >= 0 && index < ItemCount() ? rows_[std::size_t(index)].get() : nullptr;
}

int cListViewChild::IndexOf(const cListViewItemChild* row) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].get() == row) {
            return int(i);
        }
    }
    return -1;
}

void cListViewChild::UpdateContentSize() {
    SetContentSize({header_->TotalWidth(), RowsExtent(rows_.size(), kRowHeight)});
}

cListViewItemChild* cListViewChild::AddItem(std::unique_ptr<cListViewItemChild> row) {
    if (!row) {
        return nullptr;
    }
    cListViewItemChild* added = row.get();
    added->selected_ = false;
    rows_.push_back(std::move(row));
    UpdateContentSize();
    return added;
}

void cListViewChild::AddItems(std::vector<std::unique_ptr<cListViewItemChild>> rows) {
    rows_.reserve(rows_.size() + rows.size());
    for (auto& row : rows) {
        if (row) {
            row->selected_ = false;
            rows_.push_back(std::move(row));
        }
    }
    UpdateContentSize();
}

void cListViewChild::FitColumns(int firstLimit) {
    // Cells are drawn with 8 pixels on each side; titles keep room for the sort arrow.
    constexpr int kCellPadding = 16, kSortMark = 12;
    for (int c = 0; c < header_->ColumnCount(); ++c) {
        int width = TextExtent(header_->Column(c).title).w + kCellPadding + kSortMark;
        int lead = 0;
        if (c == 0) {
            for (const cBitmap& icon : icons_) {
                lead = std::max(lead, icon.Width() + 6);
            }
            lead += checkBoxes_ ? 22 : 0;
        }
        for (const auto& row : rows_) {
            width = std::max(width, lead + TextExtent(row->Text(c)).w + kCellPadding);
        }
        if (c == 0) {
            width = std::min(width, firstLimit);
        }
        header_->SetPaneExtent(c, width);
    }
    UpdateContentSize();
    Invalidate();
}

void cListViewChild::Clear() {
    rows_.clear();
    anchor_ = focus_ = -1;
    const bool hadSelection = selectedCount_ > 0;
    selectedCount_ = 0;
    UpdateContentSize();
    ScrollTo({ScrollPos().x, 0});
    if (hadSelection) {
        Notify(kActionListSelect, -1);
    }
}

void cListViewChild::RefreshItem(int index) {
    InvalidateContent({0, index * kRowHeight, ContentSize().w, kRowHeight});
}

bool cListViewChild::SortBy(int column, bool descending) {
    if (column < 0 || column >= int(sorters_.size()) || !sorters_[std::size_t(column)]) {
        return false;
    }
    const cSortProvider& sorter = *sorters_[std::size_t(column)];
    cListViewItemChild* anchor = Item(anchor_);
    cListViewItemChild* focus = Item(focus_);
    sorter.Sort(rows_, column, descending);
    sortColumn_ = column;
    sortDescending_ = descending;
    anchor_ = anchor ? IndexOf(anchor) : -1;
    focus_ = focus ? IndexOf(focus) : -1;
    header_->SetSortMark(column, descending);
    Invalidate();
    return true;
}

// --- Selection -----------------------------------------------------------------------

void cListViewChild::SetRowSelected(cListViewItemChild& row, bool selected) {
    if (row.selected_ == selected) {
        return;
    }
    row.selected_ = selected;
    selectedCount_ += selected ? 1 : -1;
}

void cListViewChild::SelectRange(int from, int to, bool keepOthers) {
    if (from > to) {
        std::swap(from, to);
    }
    if (!keepOthers && selectedCount_ > 0) {
        for (int i = 0; i < ItemCount(); ++i) {
            if (i < from || i > to) {
                SetRowSelected(*rows_[std::size_t(i)], false);
            }
        }
    }
    for (int i = std::max(0, from); i <= to && i < ItemCount(); ++i) {
        SetRowSelected(*rows_[std::size_t(i)], true);
    }
}

void cListViewChild::Select(int index, int modifiers) {
    if (index < 0 || index >= ItemCount()) {
        return;
    }
    const bool shift = multiSelect_ && (modifiers & mods::kShift);
    const bool ctrl = multiSelect_ && (modifiers & mods::kCtrl);
    if (shift && anchor_ >= 0) {
        SelectRange(anchor_, index, ctrl);
    } else if (ctrl) {
        SetRowSelected(*rows_[std::size_t(index)], !rows_[std::size_t(index)]->selected_);
        anchor_ = index;
    } else {
        SelectRange(index, index, false);
        anchor_ = index;
    }
    focus_ = index;
    EnsureItemVisible(index);
    Invalidate();
    Notify(kActionListSelect, index);
}

void cListViewChild::SelectAll() {
    if (!multiSelect_ || ItemCount() == 0) {
        return;
    }
    SelectRange(0, ItemCount() - 1, true);
    Invalidate();
    Notify(kActionListSelect, focus_);
}

void cListViewChild::ClearSelection() {
    if (selectedCount_ == 0) {
        return;
    }
    for (auto& row : rows_) {
        SetRowSelected(*row, false);
    }
    Invalidate();
    Notify(kActionListSelect, focus_);
}

std::vector<int> cListViewChild::SelectedIndices() const {
    std::vector<int> indices;
    indices.reserve(std::size_t(selectedCount_));
    for (std::size_t i = 0; i < rows_.size() && int(indices.size()) < selectedCount_; ++i) {
        if (rows_[i]->selected_) {
            indices.push_back(int(i));
        }
    }
    return indices;
}

void cListViewChild::EnsureItemVisible(int index) {
    if (index >= 0 && index < ItemCount()) {
        EnsureVisible({ScrollPos().x, index * kRowHeight, 1, kRowHeight});
    }
}

int cListViewChild::ItemAt(cPoint contentPoint) const {
    if (contentPoint.y < 0) {
        return -1;
    }
    const int index = contentPoint.y / kRowHeight;
    return index < ItemCount() ? index : -1;
}

void cListViewChild::MoveFocus(int index, int modifiers) {
    if (ItemCount() == 0) {
        return;
    }
    index = std::clamp(index, 0, ItemCount() - 1);
    if ((modifiers & mods::kCtrl) && !(modifiers & mods::kShift) && multiSelect_) {
        // Ctrl moves only the focus, leaving the selection for Ctrl+Space to change.
        focus_ = index;
        EnsureItemVisible(index);
        Invalidate();
        return;
    }
    Select(index, modifiers & mods::kShift);
}

void cListViewChild::Notify(int kind, int item) {
    // Selection changes come in bursts (a key held down): one report per burst.
    if (kind == kActionListSelect) {
        if (selectPending_) {
            return;
        }
        selectPending_ = true;
    }
    PostChildAction(*this, std::make_unique<cListViewItemAction>(kind, item));
}

void cListViewChild::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionListSelect:
        selectPending_ = false;
        SendCommand(kActionListSelect, focus_);
        return;
    case kActionListItem:
    case kActionCtxRequest:
    case kActionListCheck:
        SendCommand(action.Kind(), static_cast<cListViewItemAction&>(action).Item());
        return;
    default:
        cScrollableElement::OnAction(action);
    }
}

bool cListViewChild::OnCommand(cChildElement* source, int kind, int item) {
    if (source == header_ && kind == kActionColumnClick) {
        SortBy(item, item == sortColumn_ ? !sortDescending_ : false);
        return false; // the form may want to know as well
    }
    if (source == header_ && kind == kActionResizeRequest) {
        UpdateContentSize();
    }
    return cScrollableElement::OnCommand(source, kind, item);
}

void cListViewChild::ToggleCheck(int index) {
    cListViewItemChild* row = Item(index);
    if (!row) {
        return;
    }
    row->checked_ = !row->checked_;
    RefreshItem(index);
    Notify(kActionListCheck, index);
}

bool cListViewChild::OnKeyDown(int key, int modifiers) {
    const int page = std::max(1, Viewport().h / kRowHeight - 1);
    switch (key) {
    case key::kUp:
        MoveFocus(focus_ < 0 ? 0 : focus_ - 1, modifiers);
        return true;
    case key::kDown:
        MoveFocus(focus_ < 0 ? 0 : focus_ + 1, modifiers);
        return true;
    case key::kPageUp:
        MoveFocus(focus_ - page, modifiers);
        return true;
    case key::kPageDown:
        MoveFocus(std::max(0, focus_) + page, modifiers);
        return true;
    case key::kHome:
        MoveFocus(0, modifiers);
        return true;
    case key::kEnd:
        MoveFocus(ItemCount() - 1, modifiers);
        return true;
    case key::kSpace:
        if (focus_ < 0) {
            return false;
        }
        if (modifiers & mods::kCtrl) {
            Select(focus_, mods::kCtrl);
        } else if (checkBoxes_) {
            ToggleCheck(focus_);
        }
        return true;
    case key::kEnter:
        if (focus_ < 0) {
            return false;
        }
        Notify(kActionListItem, focus_);
        return true;
    case 'A':
        if (modifiers != mods::kCtrl) {
            return false;
        }
        SelectAll();
        return true;
    default:
        return cScrollableElement::OnKeyDown(key, modifiers);
    }
}

// --- Mouse ---------------------------------------------------------------------------

cRect cListViewChild::CheckBoxRect(int index) const {
    return {header_->PaneStart(0) + ScrollPos().x + 6, index * kRowHeight + (kRowHeight - 16) / 2,
            16, 16};
}

void cListViewChild::OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) {
    const int index = ItemAt(point);
    if (button == eMouseButton::Right) {
        // The menu is about the selection; a right click outside it selects the row first.
        if (index >= 0 && !rows_[std::size_t(index)]->selected_) {
            Select(index, 0);
        }
        Notify(kActionCtxRequest, index);
        return;
    }
    if (index < 0) {
        if (!(modifiers & (mods::kCtrl | mods::kShift))) {
            ClearSelection();
        }
        return;
    }
    if (checkBoxes_ && CheckBoxRect(index).Inset(-2).Contains(point)) {
        ToggleCheck(index);
        return;
    }
    Select(index, modifiers);
}

void cListViewChild::OnContentDoubleClick(cPoint point, int modifiers) {
    const int index = ItemAt(point);
    if (index < 0) {
        return;
    }
    if (checkBoxes_ && CheckBoxRect(index).Inset(-2).Contains(point)) {
        return ToggleCheck(index);
    }
    Select(index, 0);
    Notify(kActionListItem, index);
}

void cListViewChild::OnScrolled() {
    header_->SetScrollOffset(ScrollPos().x);
}

// --- Painting ------------------------------------------------------------------------

void cListViewChild::PaintContent(cCanvas& canvas, const cRect& visible) {
    if (ItemCount() == 0) {
        return;
    }
    const int first = std::max(0, visible.y / kRowHeight);
    const int last = std::min(ItemCount() - 1, (visible.Bottom() - 1) / kRowHeight);
    const bool focused = HasFocus();
    const int columns = header_->ColumnCount();
    const int width = std::max(header_->TotalWidth(), visible.Right());
    const int x0 = header_->PaneStart(0) + ScrollPos().x;
    for (int i = first; i <= last; ++i) {
        const cListViewItemChild& row = *rows_[std::size_t(i)];
        const cRect line{0, i * kRowHeight, width, kRowHeight};
        if (row.selected_) {
            canvas.FillRect(line, focused ? theme::kSelection : theme::kSurfacePressed);
        }
        int x = x0;
        for (int c = 0; c < columns; ++c) {
            const int w = header_->ColumnWidth(c);
            if (x < visible.Right() && x + w > visible.x) {
                cRect cell{x + 8, line.y, w - 16, kRowHeight};
                if (c == 0) {
                    if (checkBoxes_) {
                        painter::CheckBox(canvas, CheckBoxRect(i), row.checked_,
                                          eClickState::Normal, false);
                        cell.x += 22;
                        cell.w -= 22;
                    }
                    if (row.icon_ >= 0 && std::size_t(row.icon_) < icons_.size()) {
                        const cBitmap& icon = icons_[std::size_t(row.icon_)];
                        canvas.DrawBitmap(icon,
                                          {cell.x, line.y + (kRowHeight - icon.Height()) / 2});
                        cell.x += icon.Width() + 6;
                        cell.w -= icon.Width() + 6;
                    }
                }
                painter::Text(canvas, cell, row.Text(c), theme::kText, header_->Column(c).align);
            }
            x += w;
        }
        if (focused && i == focus_) {
            canvas.FrameRect(line, theme::kAccent);
        }
    }
}
