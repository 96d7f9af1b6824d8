#include "gui/views/prop_sheet_child.h"

#include "gui/controls/edit_child.h"
#include "gui/controls/static_element.h"
#include "gui/painter.h"
#include "gui/window_request_target.h"

#include <algorithm>

namespace {
// Texts of "tusk::propsheet".
constexpr int kHintFold = 0;
constexpr int kHintUnfold = 1;
constexpr int kHintEdit = 2;
constexpr int kGrab = 3;
constexpr int kMinColumn = 40;
constexpr int kSplitGap = 6;
} // namespace

// The field over a value being edited: Enter commits, Escape cancels.
class cPropDispAreaChild::cValueEdit : public cEditChild {
public:
    cValueEdit(cPropDispAreaChild& area, std::u16string text)
        : cEditChild(std::move(text)), area_(area) {}
    bool OnKeyDown(int key, int modifiers) override {
        if (key == key::kEnter || key == key::kEscape) {
            area_.EndEdit(key == key::kEnter);
            return true;
        }
        return cEditChild::OnKeyDown(key, modifiers);
    }
    void OnKillFocus() override {
        cEditChild::OnKillFocus();
        if (area_.edit_ == this) {
            area_.EndEdit(false);
        }
    }

private:
    cPropDispAreaChild& area_;
};

int cPropDispAreaChild::AddSection(std::u16string title) {
    cRow row;
    row.section = true;
    row.name = std::move(title);
    rows_.push_back(std::move(row));
    Reflow();
    return int(rows_.size()) - 1;
}

int cPropDispAreaChild::AddRow(int id, std::u16string name, std::u16string value,
                               std::u16string help, bool editable) {
    cRow row;
    row.id = id;
    row.name = std::move(name);
    row.value = std::move(value);
    row.help = std::move(help);
    row.editable = editable;
    for (int i = int(rows_.size()) - 1; i >= 0; --i) {
        if (rows_[std::size_t(i)].section) {
            row.sectionIndex = i;
            break;
        }
    }
    // Names are drawn from x 16 with 4 pixels before the line; a longer one widens the
    // name column rather than being cut, as far as the values keep their least room.
    const int needed = TextExtent(row.name).w + 20;
    if (needed > nameWidth_) {
        const int widest =
            Viewport().w > 0 ? std::max(kMinColumn, Viewport().w - kMinColumn) : needed;
        nameWidth_ = std::min(needed, widest);
    }
    rows_.push_back(std::move(row));
    Reflow();
    return int(rows_.size()) - 1;
}

void cPropDispAreaChild::Clear() {
    EndEdit(false);
    rows_.clear();
    selected_ = -1;
    nameWidth_ = setNameWidth_;
    Reflow();
    // The help line spoke of a row that is gone; the next rows may be about anything.
    ShowHelp(-1);
}

bool cPropDispAreaChild::SetValue(int id, std::u16string value) {
    for (cRow& row : rows_) {
        if (!row.section && row.id == id) {
            row.value = std::move(value);
            Invalidate();
            return true;
        }
    }
    return false;
}

const cPropDispAreaChild::cRow* cPropDispAreaChild::RowById(int id) const {
    for (const cRow& row : rows_) {
        if (!row.section && row.id == id) {
            return &row;
        }
    }
    return nullptr;
}

void cPropDispAreaChild::SetCollapsed(int section, bool collapsed) {
    if (section < 0 || section >= int(rows_.size()) || !rows_[std::size_t(section)].section) {
        return;
    }
    EndEdit(false);
    const int selected = selected_ >= 0 ? shown_[std::size_t(selected_)] : -1;
    rows_[std::size_t(section)].collapsed = collapsed;
    Reflow();
    // The selection stays on its row, or moves to the head that hid it.
    selected_ = -1;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        if (shown_[i] == selected || (selected >= 0 && shown_[i] == section &&
                                      rows_[std::size_t(selected)].sectionIndex == section)) {
            selected_ = int(i);
        }
    }
}

void cPropDispAreaChild::SetNameWidth(int width) {
    const int widest = std::max(kMinColumn, Viewport().w - kMinColumn);
    width = std::clamp(width, kMinColumn, widest);
    setNameWidth_ = width;
    if (width == nameWidth_) {
        return;
    }
    nameWidth_ = width;
    EndEdit(false);
    Invalidate();
}

void cPropDispAreaChild::Reflow() {
    shown_.clear();
    for (int i = 0; i < int(rows_.size()); ++i) {
        const cRow& row = rows_[std::size_t(i)];
        if (!row.section && row.sectionIndex >= 0 &&
            rows_[std::size_t(row.sectionIndex)].collapsed) {
            continue;
        }
        shown_.push_back(i);
    }
    if (selected_ >= int(shown_.size())) {
        selected_ = -1;
    }
    SetContentSize({0, RowsExtent(shown_.size(), kRowHeight)});
    Invalidate();
}

std::u16string cPropDispAreaChild::HelpFor(int index) const {
    if (index < 0 || index >= int(rows_.size())) {
        return {};
    }
    const cRow& row = rows_[std::size_t(index)];
    if (row.section) {
        return std::u16string(Text(row.collapsed ? kHintUnfold : kHintFold).value_or(u""));
    }
    if (!row.help.empty()) {
        return row.help;
    }
    return row.editable ? std::u16string(Text(kHintEdit).value_or(u"")) : std::u16string();
}

void cPropDispAreaChild::ShowHelp(int index) {
    if (helpSink_) {
        helpSink_(HelpFor(index));
    }
}

int cPropDispAreaChild::ShownAt(cPoint contentPoint) const {
    if (contentPoint.y < 0) {
        return -1;
    }
    const int i = contentPoint.y / kRowHeight;
    return i < int(shown_.size()) ? i : -1;
}

void cPropDispAreaChild::Select(int shown) {
    if (shown < 0 || shown >= int(shown_.size())) {
        return;
    }
    selected_ = shown;
    EnsureVisible({0, shown * kRowHeight, 1, kRowHeight});
    ShowHelp(shown_[std::size_t(shown)]);
    Invalidate();
}

void cPropDispAreaChild::Activate(int shown) {
    if (shown < 0 || shown >= int(shown_.size())) {
        return;
    }
    const int index = shown_[std::size_t(shown)];
    cRow& row = rows_[std::size_t(index)];
    if (row.section) {
        SetCollapsed(index, !row.collapsed);
        ShowHelp(index);
    } else if (row.editable) {
        BeginEdit(index);
    }
}

void cPropDispAreaChild::BeginEdit(int index) {
    EndEdit(false);
    auto shown = std::find(shown_.begin(), shown_.end(), index);
    if (shown == shown_.end()) {
        return;
    }
    const int y = int(shown - shown_.begin()) * kRowHeight;
    EnsureVisible({0, y, 1, kRowHeight});
    const cRect view = Viewport();
    editing_ = index;
    edit_ = static_cast<cEditChild*>(AddChild(
        std::make_unique<cValueEdit>(*this, rows_[std::size_t(index)].value),
        view.x + nameWidth_ + 1, view.y + y - ScrollPos().y, view.w - nameWidth_ - 1, kRowHeight));
    edit_->SelectAll();
    edit_->SetFocus();
}

void cPropDispAreaChild::EndEdit(bool commit) {
    if (!edit_) {
        return;
    }
    cEditChild* edit = edit_;
    const int index = editing_;
    edit_ = nullptr;
    editing_ = -1;
    if (commit && index >= 0 && index < int(rows_.size())) {
        cRow& row = rows_[std::size_t(index)];
        row.value = edit->Text();
        PostChildAction(*this,
                        std::make_unique<cPropSheetChild::cPropSheetAction>(row.id, row.value));
    }
    SetFocus();
    DestroyChild(edit);
    Invalidate();
}

void cPropDispAreaChild::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionPropSheet:
        SendCommand(kActionPropSheet, static_cast<cPropSheetChild::cPropSheetAction&>(action).Id());
        return;
    case kActionPropDispResize:
        SendCommand(kActionPropDispResize, static_cast<cPropDispResizeAction&>(action).Width());
        return;
    default:
        cScrollableElement::OnAction(action);
    }
}

bool cPropDispAreaChild::OnKeyDown(int key, int modifiers) {
    const int page = std::max(1, Viewport().h / kRowHeight - 1);
    switch (key) {
    case key::kUp:
        Select(selected_ < 0 ? 0 : std::max(0, selected_ - 1));
        return true;
    case key::kDown:
        Select(std::min(int(shown_.size()) - 1, selected_ + 1));
        return true;
    case key::kPageUp:
        Select(std::max(0, selected_ - page));
        return true;
    case key::kPageDown:
        Select(std::min(int(shown_.size()) - 1, std::max(0, selected_) + page));
        return true;
    case key::kEnter:
        Activate(selected_);
        return selected_ >= 0;
    case key::kLeft:
    case key::kRight:
        if (selected_ >= 0 && rows_[std::size_t(shown_[std::size_t(selected_)])].section) {
            SetCollapsed(shown_[std::size_t(selected_)], key == key::kLeft);
            return true;
        }
        return false;
    default:
        return cScrollableElement::OnKeyDown(key, modifiers);
    }
}

int cPropDispAreaChild::CursorKind(cPoint point) const {
    const cRect view = Viewport();
    const int x = point.x - view.x;
    return dragging_ || (view.Contains(point) && x >= nameWidth_ - kGrab && x <= nameWidth_ + kGrab)
               ? kCursorSizeWE
               : kCursorArrow;
}

void cPropDispAreaChild::OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (button == eMouseButton::Left && std::abs(point.x - nameWidth_) <= kGrab) {
        dragging_ = true;
        return;
    }
    const int shown = ShownAt(point);
    Select(shown);
    // A click on a head's chevron folds it at once.
    if (button == eMouseButton::Left && shown >= 0 && point.x < 22 &&
        rows_[std::size_t(shown_[std::size_t(shown)])].section) {
        Activate(shown);
    }
}

void cPropDispAreaChild::OnContentMouseMove(cPoint point) {
    if (dragging_) {
        SetNameWidth(point.x);
        return;
    }
    const int shown = ShownAt(point);
    if (selected_ < 0 && shown >= 0) {
        ShowHelp(shown_[std::size_t(shown)]);
    }
}

void cPropDispAreaChild::OnContentButtonUp(eMouseButton button, cPoint point, int modifiers) {
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    PostChildAction(*this, std::make_unique<cPropDispResizeAction>(nameWidth_));
}

void cPropDispAreaChild::OnContentDoubleClick(cPoint point, int modifiers) {
    const int shown = ShownAt(point);
    Select(shown);
    Activate(shown);
}

void cPropDispAreaChild::PaintContent(cCanvas& canvas, const cRect& visible) {
    const int first = std::max(0, visible.y / kRowHeight);
    const int last = std::min(int(shown_.size()) - 1, (visible.Bottom() - 1) / kRowHeight);
    const int width = visible.Right();
    const bool focused = HasFocus() || edit_;
    for (int i = first; i <= last; ++i) {
        const cRow& row = rows_[std::size_t(shown_[std::size_t(i)])];
        const cRect line{0, i * kRowHeight, width, kRowHeight};
        if (row.section) {
            canvas.FillRect(line, theme::kTitleBar);
            painter::Chevron(canvas, {4, line.y, 16, kRowHeight}, theme::kTextMuted,
                             row.collapsed ? 1 : 3);
            canvas.SelectFont(StandardFont(eStdFont::Bold));
            painter::Text(canvas, {24, line.y, width - 28, kRowHeight}, row.name, theme::kText);
            canvas.SelectFont(Font());
        } else {
            painter::Text(canvas, {16, line.y, nameWidth_ - 20, kRowHeight}, row.name,
                          theme::kTextMuted);
            painter::Text(canvas, {nameWidth_ + 8, line.y, width - nameWidth_ - 12, kRowHeight},
                          row.value, theme::kText);
            canvas.FillRect({nameWidth_, line.y, 1, kRowHeight}, theme::kSeparator);
        }
        if (i == selected_) {
            canvas.FrameRect(line, focused ? theme::kAccent : theme::kBorderStrong);
        }
        canvas.FillRect({0, line.Bottom() - 1, width, 1}, theme::kSeparator);
    }
}

// --- The sheet -----------------------------------------------------------------------

cPropSheetChild::cPropSheetChild() : cPropSheetChild(false) {}

cPropSheetChild::cPropSheetChild(bool split) {
    auto area = std::make_unique<cPropDispAreaChild>();
    auto help = std::make_unique<cStaticElement>();
    help->SetColor(theme::kTextMuted);
    area_ = area.get();
    help_ = help.get();
    if (split) {
        auto* splitter =
            Add<cVSplitterChild>(0, 0, -1, -1, std::vector<int>{100000, 0}, true, kSplitGap);
        // The area takes all but the help line's height until the user drags the divider.
        splitter->SetMinExtent(kHelpHeight);
        splitter->AddPane(std::move(area));
        splitter->AddPane(std::move(help));
    } else {
        AddChild(std::move(area), 0, 0, -1, -(kHelpHeight + 1));
        AddChild(std::move(help), 8, 0, -9, kHelpHeight);
    }
    area_->SetHelpSink([this](std::u16string text) { help_->SetText(std::move(text)); });
}

void cPropSheetChild::OnSize() {
    cChildElement::OnSize();
    // The help line stays under the area however the sheet is resized.
    if (help_->Parent() == this) {
        help_->Place(8, Rect().h - kHelpHeight, -9, kHelpHeight);
    }
}

std::u16string_view cPropSheetChild::HelpText() const {
    return help_->ShownText();
}
