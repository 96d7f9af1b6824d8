#include "gui/views/simple_list_view_element.h"

#include "gui/controls/hint_master.h"
#include "gui/painter.h"

#include <algorithm>

void cSimpleListViewElement::SetItems(std::vector<cSimpleListViewItemChild> items) {
    items_ = std::move(items);
    selected_ = -1;
    if (tipRow_ >= 0) {
        tipRow_ = -1;
        cHintMaster::Hide(*this);
    }
    SetContentSize({0, RowsExtent(items_.size(), kRowHeight)});
    ScrollTo({0, 0});
    Invalidate();
}

void cSimpleListViewElement::SetIcons(std::vector<cBitmap> icons) {
    icons_ = std::move(icons);
    Invalidate();
}

const cSimpleListViewItemChild* cSimpleListViewElement::Item(int row) const {
    return row >= 0 && row < ItemCount() ? &items_[std::size_t(row)] : nullptr;
}

void cSimpleListViewElement::Select(int row) {
    if (row < 0 || row >= ItemCount() || row == selected_) {
        return;
    }
    selected_ = row;
    EnsureVisible({0, row * kRowHeight, 1, kRowHeight});
    Invalidate();
    PostChildAction(*this, std::make_unique<cSimpleListItemAction>(row));
}

int cSimpleListViewElement::RowAt(cPoint contentPoint) const {
    const int row = contentPoint.y >= 0 ? contentPoint.y / kRowHeight : -1;
    return row < ItemCount() ? row : -1;
}

void cSimpleListViewElement::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionSimpleListItem:
    case kActionSimpleListCtx:
    case kActionDoubleClick:
        SendCommand(action.Kind(), static_cast<cSimpleListItemAction&>(action).Row());
        return;
    default:
        cScrollableElement::OnAction(action);
    }
}

bool cSimpleListViewElement::OnKeyDown(int key, int modifiers) {
    const int page = std::max(1, Viewport().h / kRowHeight - 1);
    const int last = ItemCount() - 1;
    switch (key) {
    case key::kUp:
        Select(std::max(0, selected_ - 1));
        return true;
    case key::kDown:
        Select(std::min(last, selected_ + 1));
        return true;
    case key::kPageUp:
        Select(std::max(0, selected_ - page));
        return true;
    case key::kPageDown:
        Select(std::min(last, std::max(0, selected_) + page));
        return true;
    case key::kHome:
        Select(0);
        return true;
    case key::kEnd:
        Select(last);
        return true;
    case key::kEnter:
        if (selected_ < 0) {
            return false;
        }
        PostChildAction(*this,
                        std::make_unique<cSimpleListItemAction>(kActionDoubleClick, selected_));
        return true;
    default:
        return cScrollableElement::OnKeyDown(key, modifiers);
    }
}

void cSimpleListViewElement::OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) {
    const int row = RowAt(point);
    Select(row);
    if (button == eMouseButton::Right) {
        PostChildAction(*this, std::make_unique<cSimpleListItemCtxRequestAction>(row));
    }
}

void cSimpleListViewElement::OnContentDoubleClick(cPoint point, int modifiers) {
    const int row = RowAt(point);
    if (row < 0) {
        return;
    }
    Select(row);
    PostChildAction(*this, std::make_unique<cSimpleListItemAction>(kActionDoubleClick, row));
}

void cSimpleListViewElement::PaintContent(cCanvas& canvas, const cRect& visible) {
    const int first = std::max(0, visible.y / kRowHeight);
    const int last = std::min(ItemCount() - 1, (visible.Bottom() - 1) / kRowHeight);
    for (int i = first; i <= last; ++i) {
        const cSimpleListViewItemChild& item = items_[std::size_t(i)];
        const cRect line{0, i * kRowHeight, visible.Right(), kRowHeight};
        if (i == selected_) {
            canvas.FillRect(line, HasFocus() ? theme::kSelection : theme::kSurfacePressed);
            if (HasFocus()) {
                canvas.FrameRect(line, theme::kAccent);
            }
        }
        if (item.Icon() >= 0 && std::size_t(item.Icon()) < icons_.size()) {
            const cBitmap& icon = icons_[std::size_t(item.Icon())];
            canvas.DrawBitmap(icon, {8, line.y + (kRowHeight - icon.Height()) / 2});
        }
        const int x = TextStart(item);
        painter::Text(canvas, {x, line.y, line.w - x - 8, kRowHeight}, item.Text(), theme::kText);
    }
}

int cSimpleListViewElement::TextStart(const cSimpleListViewItemChild& item) const {
    if (item.Icon() >= 0 && std::size_t(item.Icon()) < icons_.size()) {
        return 8 + icons_[std::size_t(item.Icon())].Width() + 6;
    }
    return 8;
}

void cSimpleListViewElement::OnContentMouseMove(cPoint point) {
    const int row = RowAt(point);
    if (row == tipRow_) {
        return;
    }
    tipRow_ = row;
    const cSimpleListViewItemChild* item = Item(row);
    const cRect view = Viewport();
    if (!item || TextStart(*item) + TextExtent(item->Text()).w + 8 <= view.w) {
        cHintMaster::Hide(*this);
        return;
    }
    const cRect area = FormRect();
    const int top = area.y + view.y + row * kRowHeight - ScrollPos().y;
    cHintMaster::ShowAt(*this, item->Text(), {area.x + view.x, top, view.w, kRowHeight});
}

void cSimpleListViewElement::OnMouseLeave() {
    cScrollableElement::OnMouseLeave();
    tipRow_ = -1;
    cHintMaster::Hide(*this);
}
