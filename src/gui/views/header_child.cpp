#include "gui/views/header_child.h"

cHeaderChild::cHeaderChild(std::vector<cHeaderColumn> columns)
    : cSplitterChild(Widths(columns), false, 0), columns_(std::move(columns)) {}

std::vector<int> cHeaderChild::Widths(const std::vector<cHeaderColumn>& columns) {
    std::vector<int> widths;
    widths.reserve(columns.size());
    for (const cHeaderColumn& c : columns) {
        widths.push_back(c.width);
    }
    return widths;
}

int cHeaderChild::TotalWidth() const {
    int total = 0;
    for (int i = 0; i < ColumnCount(); ++i) {
        total += ColumnWidth(i);
    }
    return total;
}

cRect cHeaderChild::ColumnRect(int column) const {
    return {PaneStart(column), 0, ColumnWidth(column), Rect().h};
}

int cHeaderChild::ColumnAt(int x) const {
    for (int i = 0; i < ColumnCount(); ++i) {
        if (ColumnRect(i).Contains({x, 0})) {
            return i;
        }
    }
    return -1;
}

void cHeaderChild::SetSortMark(int column, bool descending) {
    sortColumn_ = column;
    sortDescending_ = descending;
    Invalidate();
}

void cHeaderChild::OnPaint(cCanvas& canvas) {
    const cRect client = ClientRect();
    canvas.FillRect(client, theme::kTitleBar);
    for (int i = 0; i < ColumnCount(); ++i) {
        const cRect r = ColumnRect(i);
        if (r.Right() < 0 || r.x > client.w) {
            continue;
        }
        if (i == pressed_ && click_.Pressed()) {
            canvas.FillRect(r, theme::kSurfacePressed);
        } else if (i == hot_) {
            canvas.FillRect(r, theme::kSurfaceHover);
        }
        cRect text = r.Inset(0);
        text.x += 8;
        text.w -= 16;
        if (i == sortColumn_) {
            text.w -= 12;
            painter::Chevron(canvas, {r.Right() - 18, 0, 12, r.h}, theme::kTextMuted,
                             sortDescending_ ? 3 : 2);
        }
        painter::Text(canvas, text, columns_[std::size_t(i)].title, theme::kText,
                      columns_[std::size_t(i)].align);
        canvas.FillRect({r.Right() - 1, 4, 1, r.h - 8}, theme::kBorder);
    }
    canvas.FillRect({0, client.h - 1, client.w, 1}, theme::kBorder);
}

void cHeaderChild::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (DividerAt(point) >= 0 || button != eMouseButton::Left) {
        return cSplitterChild::OnButtonDown(button, point, modifiers);
    }
    pressed_ = ColumnAt(point.x);
    if (pressed_ >= 0) {
        click_.Down(point);
        Invalidate();
    }
}

void cHeaderChild::OnMouseMove(cPoint point) {
    cSplitterChild::OnMouseMove(point);
    if (pressed_ >= 0 && click_.Move(ColumnRect(pressed_), point)) {
        Invalidate();
    }
    const int hot = DividerAt(point) >= 0 ? -1 : ColumnAt(point.x);
    if (hot != hot_ && click_.Hovered()) {
        hot_ = hot;
        Invalidate();
    }
}

void cHeaderChild::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    cSplitterChild::OnButtonUp(button, point, modifiers);
    if (pressed_ < 0) {
        return;
    }
    const int column = pressed_;
    pressed_ = -1;
    Invalidate();
    if (click_.Up(ColumnRect(column), point)) {
        PostChildAction(*this, std::make_unique<cColumnClickAction>(column));
    }
}

void cHeaderChild::OnMouseEnter() {
    click_.Enter();
}

void cHeaderChild::OnMouseLeave() {
    click_.Leave();
    if (hot_ >= 0) {
        hot_ = -1;
        Invalidate();
    }
}

void cHeaderChild::OnCaptureLost() {
    cSplitterChild::OnCaptureLost();
    click_.Cancel();
    pressed_ = -1;
    Invalidate();
}

void cHeaderChild::OnAction(cChildAction& action) {
    if (action.Kind() == kActionColumnClick) {
        SendCommand(kActionColumnClick, static_cast<cColumnClickAction&>(action).Column());
    } else {
        cSplitterChild::OnAction(action);
    }
}
