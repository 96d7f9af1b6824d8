#include "gui/views/tree_view_child.h"

#include "gui/painter.h"
#include "gui/views/tree_view_control_element.h"

#include <algorithm>

namespace {
// Joins the texts of a path; a unit that names never contain.
constexpr char16_t kPathJoin = u'\u0001';
} // namespace

int cTreeItemElement::Depth() const {
    int depth = 0;
    for (const cTreeItemElement* p = parent_; p; p = p->parent_) {
        ++depth;
    }
    return depth;
}

void cTreeViewControlElement::Paint(cCanvas& canvas, const cRect& box, bool expanded, bool hot) {
    if (hot) {
        canvas.FillRoundRect(box, theme::kRadius, theme::kSurfaceHover);
    }
    painter::Chevron(canvas, box, hot ? theme::kText : theme::kTextMuted, expanded ? 3 : 1);
}

cTreeViewChild::cTreeViewChild() = default;

void cTreeViewChild::SetIcons(std::vector<cBitmap> icons) {
    icons_ = std::move(icons);
    Invalidate();
}

std::u16string cTreeViewChild::PathOf(const cTreeItemElement* item) const {
    std::vector<const cTreeItemElement*> chain;
    for (; item; item = item->parent_) {
        chain.push_back(item);
    }
    std::u16string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += kPathJoin;
        path += (*it)->text_;
    }
    return path;
}

cTreeItemElement* cTreeViewChild::AddItem(cTreeItemElement* parent,
                                          std::unique_ptr<cTreeItemElement> item) {
    if (!item) {
        return nullptr;
    }
    cTreeItemElement* added = item.get();
    added->parent_ = parent;
    (parent ? parent->children_ : roots_).push_back(std::move(item));
    if (!expandedPaths_.empty() || !selectedPath_.empty()) {
        const std::u16string path = PathOf(added);
        if (expandedPaths_.count(path)) {
            added->expanded_ = true;
        }
        if (!selected_ && path == selectedPath_) {
            selected_ = added;
        }
    }
    // Only a visible parent changes the rows.
    bool shown = true;
    for (const cTreeItemElement* p = parent; p && shown; p = p->parent_) {
        shown = p->expanded_;
    }
    if (shown) {
        RowsChanged();
    }
    return added;
}

void cTreeViewChild::Remember(const std::vector<std::unique_ptr<cTreeItemElement>>& items) {
    for (const auto& item : items) {
        if (item->expanded_) {
            expandedPaths_.insert(PathOf(item.get()));
        }
        Remember(item->children_);
    }
}

bool cTreeViewChild::ForgetsSelection(const cTreeItemElement* removedParent) const {
    for (const cTreeItemElement* p = selected_ ? selected_->parent_ : nullptr; p; p = p->parent_) {
        if (p == removedParent) {
            return true;
        }
    }
    return selected_ && !removedParent;
}

void cTreeViewChild::ClearChildren(cTreeItemElement* parent) {
    auto& items = parent ? parent->children_ : roots_;
    if (!parent) {
        expandedPaths_.clear();
    }
    Remember(items);
    if (selected_ && ForgetsSelection(parent)) {
        selectedPath_ = PathOf(selected_);
        selected_ = nullptr;
    }
    items.clear();
    RebuildRows();
}

void cTreeViewChild::AppendRows(const std::vector<std::unique_ptr<cTreeItemElement>>& items,
                                int depth) {
    for (const auto& item : items) {
        rows_.push_back({item.get(), depth});
        if (item->expanded_) {
            AppendRows(item->children_, depth + 1);
        }
    }
}

void cTreeViewChild::RowsChanged() {
    rowsDirty_ = true;
    Invalidate();
}

void cTreeViewChild::RebuildRows() {
    rowsDirty_ = false;
    rows_.clear();
    AppendRows(roots_, 0);
    // As wide as the widest row really is: a made-up width would let the tree scroll
    // sideways with nothing to show there.
    int widest = 0;
    for (int i = 0; i < int(rows_.size()); ++i) {
        cTreeItemElement& item = *rows_[std::size_t(i)].item;
        int right = ControlRect(i).Right() + 4;
        if (item.icon_ >= 0 && std::size_t(item.icon_) < icons_.size()) {
            right += icons_[std::size_t(item.icon_)].Width() + 6;
        }
        if (item.textWidth_ < 0) {
            item.textWidth_ = TextExtent(item.text_).w;
        }
        widest = std::max(widest, right + item.textWidth_ + 4);
    }
    SetContentSize({widest, RowsExtent(rows_.size(), kRowHeight)});
    Invalidate();
}

int cTreeViewChild::RowCount() {
    if (rowsDirty_) {
        RebuildRows();
    }
    return int(rows_.size());
}

void cTreeViewChild::OnPaint(cCanvas& canvas) {
    if (rowsDirty_) {
        RebuildRows();
    }
    cScrollableElement::OnPaint(canvas);
}

cTreeItemElement* cTreeViewChild::RowItem(int row) {
    return row >= 0 && row < RowCount() ? rows_[std::size_t(row)].item : nullptr;
}

int cTreeViewChild::RowOf(const cTreeItemElement* item) {
    RowCount();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].item == item) {
            return int(i);
        }
    }
    return -1;
}

int cTreeViewChild::RowAt(cPoint contentPoint) {
    if (contentPoint.y < 0) {
        return -1;
    }
    const int row = contentPoint.y / kRowHeight;
    return row < RowCount() ? row : -1;
}

cRect cTreeViewChild::ControlRect(int row) {
    return cTreeViewControlElement::Place(4 + rows_[std::size_t(row)].depth * kIndent,
                                          row * kRowHeight, kRowHeight);
}

void cTreeViewChild::Post(int kind, const cTreeItemElement* item) {
    PostChildAction(*this, kind == kActionTreeItemCtx
                               ? std::make_unique<cTreeItemCtxAction>(RowOf(item))
                               : std::make_unique<cTreeItemAction>(kind, RowOf(item)));
}

void cTreeViewChild::Expand(cTreeItemElement* item, bool expanded) {
    if (!item || item->expanded_ == expanded || (expanded && !item->HasChildren())) {
        return;
    }
    item->expanded_ = expanded;
    // Closing a node that holds the selection moves the selection to the node.
    if (!expanded && selected_ && selected_ != item) {
        for (const cTreeItemElement* p = selected_->parent_; p; p = p->parent_) {
            if (p == item) {
                Select(item);
                break;
            }
        }
    }
    RebuildRows();
    if (expanded) {
        Post(kActionTreeExpand, item);
    }
}

void cTreeViewChild::ExpandAll(cTreeItemElement* item) {
    auto open = [](auto&& self, cTreeItemElement* node) -> void {
        if (node->HasChildren()) {
            node->expanded_ = true;
        }
        for (const auto& child : node->children_) {
            self(self, child.get());
        }
    };
    if (item) {
        open(open, item);
    } else {
        for (const auto& root : roots_) {
            open(open, root.get());
        }
    }
    RebuildRows();
}

void cTreeViewChild::Select(cTreeItemElement* item) {
    if (item == selected_) {
        return;
    }
    selected_ = item;
    selectedPath_.clear();
    const int row = RowOf(item);
    if (row >= 0) {
        // Sideways only when the node's control would be out of sight: a tree that moves
        // sideways on every selection loses the reader's place.
        const cRect control = ControlRect(row);
        const int left = ScrollPos().x;
        const bool hidden = control.x < left || control.Right() > left + Viewport().w;
        EnsureVisible(
            {hidden ? control.x : left, row * kRowHeight, hidden ? control.w : 1, kRowHeight});
    }
    Invalidate();
    Post(kActionTreeItem, item);
}

void cTreeViewChild::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionTreeItem:
    case kActionTreeItemCtx:
    case kActionTreeExpand:
    case kActionDoubleClick:
        SendCommand(action.Kind(), static_cast<cTreeItemAction&>(action).Row());
        return;
    default:
        cScrollableElement::OnAction(action);
    }
}

bool cTreeViewChild::OnKeyDown(int key, int modifiers) {
    const int row = RowOf(selected_);
    const int page = std::max(1, Viewport().h / kRowHeight - 1);
    auto go = [&](int to) {
        if (RowCount() > 0) {
            Select(RowItem(std::clamp(to, 0, RowCount() - 1)));
        }
        return true;
    };
    switch (key) {
    case key::kUp:
        return go(row < 0 ? 0 : row - 1);
    case key::kDown:
        return go(row + 1);
    case key::kPageUp:
        return go(row - page);
    case key::kPageDown:
        return go(std::max(0, row) + page);
    case key::kHome:
        return go(0);
    case key::kEnd:
        return go(RowCount() - 1);
    case key::kRight:
        if (!selected_) {
            return go(0);
        }
        if (!selected_->expanded_) {
            Expand(selected_, true);
        } else if (!selected_->children_.empty()) {
            Select(selected_->children_.front().get());
        }
        return true;
    case key::kLeft:
        if (!selected_) {
            return go(0);
        }
        if (selected_->expanded_) {
            Expand(selected_, false);
        } else if (selected_->parent_) {
            Select(selected_->parent_);
        }
        return true;
    case key::kEnter:
        if (!selected_) {
            return false;
        }
        Post(kActionDoubleClick, selected_);
        return true;
    default:
        return cScrollableElement::OnKeyDown(key, modifiers);
    }
}

void cTreeViewChild::OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) {
    const int row = RowAt(point);
    cTreeItemElement* item = RowItem(row);
    if (button == eMouseButton::Right) {
        if (item) {
            Select(item);
        }
        Post(kActionTreeItemCtx, item);
        return;
    }
    if (!item) {
        return;
    }
    if (item->HasChildren() && ControlRect(row).Inset(-2).Contains(point)) {
        Expand(item, !item->expanded_);
        return;
    }
    Select(item);
}

void cTreeViewChild::OnContentDoubleClick(cPoint point, int modifiers) {
    const int row = RowAt(point);
    cTreeItemElement* item = RowItem(row);
    if (!item) {
        return;
    }
    if (item->HasChildren() && ControlRect(row).Inset(-2).Contains(point)) {
        return Expand(item, !item->expanded_);
    }
    Select(item);
    if (item->HasChildren()) {
        Expand(item, !item->expanded_);
    }
    Post(kActionDoubleClick, item);
}

void cTreeViewChild::OnContentMouseMove(cPoint point) {
    const int row = RowAt(point);
    const int hot =
        row >= 0 && rows_[std::size_t(row)].item->HasChildren() && ControlRect(row).Contains(point)
            ? row
            : -1;
    if (hot != hotControl_) {
        hotControl_ = hot;
        Invalidate();
    }
}

void cTreeViewChild::OnMouseLeave() {
    cScrollableElement::OnMouseLeave();
    if (hotControl_ >= 0) {
        hotControl_ = -1;
        Invalidate();
    }
}

void cTreeViewChild::PaintContent(cCanvas& canvas, const cRect& visible) {
    if (rows_.empty()) {
        return;
    }
    const int first = std::max(0, visible.y / kRowHeight);
    const int last = std::min(RowCount() - 1, (visible.Bottom() - 1) / kRowHeight);
    const bool focused = HasFocus();
    for (int i = first; i <= last; ++i) {
        const cRow& row = rows_[std::size_t(i)];
        const cRect line{visible.x, i * kRowHeight, visible.w, kRowHeight};
        if (row.item == selected_) {
            canvas.FillRect(line, focused ? theme::kSelection : theme::kSurfacePressed);
            if (focused) {
                canvas.FrameRect(line, theme::kAccent);
            }
        }
        const cRect control = ControlRect(i);
        if (row.item->HasChildren()) {
            cTreeViewControlElement::Paint(canvas, control, row.item->expanded_, i == hotControl_);
        }
        int x = control.Right() + 4;
        const int icon = row.item->icon_;
        if (icon >= 0 && std::size_t(icon) < icons_.size()) {
            const cBitmap& bitmap = icons_[std::size_t(icon)];
            canvas.DrawBitmap(bitmap, {x, line.y + (kRowHeight - bitmap.Height()) / 2});
            x += bitmap.Width() + 6;
        }
        painter::Text(canvas, {x, line.y, std::max(0, visible.Right() - x - 4), kRowHeight},
                      row.item->text_, theme::kText);
    }
}
