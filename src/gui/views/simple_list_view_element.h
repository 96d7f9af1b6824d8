#pragma once
// A single-column list without a header and with one selected row: short pick lists such
// as the folder chooser's. Rows are records (cSimpleListViewItemChild) painted only
// where they show. A click selects (cSimpleListItemAction, reported as command
// kActionSimpleListItem with the row); a double click or Enter activates (reported as
// kActionDoubleClick); a right click asks for a menu (cSimpleListItemCtxRequestAction,
// kActionSimpleListCtx with the row or -1). A row too long for the list shows its whole
// text as a tool tip while the pointer rests on it.

#include "gui/bitmap.h"
#include "gui/views/scrollable_element.h"
#include "gui/views/view_kinds.h"

#include <cstdint>
#include <string>
#include <vector>

class cSimpleListViewItemChild {
public:
    explicit cSimpleListViewItemChild(std::u16string text, int icon = -1, std::uintptr_t data = 0)
        : text_(std::move(text)), icon_(icon), data_(data) {}
    const std::u16string& Text() const { return text_; }
    int Icon() const { return icon_; }
    std::uintptr_t Data() const { return data_; }

private:
    std::u16string text_;
    int icon_;
    std::uintptr_t data_;
};

class cSimpleListViewElement : public cScrollableElement {
public:
    static constexpr int kRowHeight = 22;

    class cSimpleListItemAction : public cChildAction {
    public:
        cSimpleListItemAction(int kind, int row) : cChildAction(kind), row_(row) {}
        explicit cSimpleListItemAction(int row)
            : cSimpleListItemAction(kActionSimpleListItem, row) {}
        int Row() const { return row_; }

    private:
        int row_;
    };
    class cSimpleListItemCtxRequestAction : public cSimpleListItemAction {
    public:
        explicit cSimpleListItemCtxRequestAction(int row)
            : cSimpleListItemAction(kActionSimpleListCtx, row) {}
    };

    void SetItems(std::vector<cSimpleListViewItemChild> items);
    void SetIcons(std::vector<cBitmap> icons);
    int ItemCount() const { return int(items_.size()); }
    const cSimpleListViewItemChild* Item(int row) const;
    int Selected() const { return selected_; }
    void Select(int row);

    bool OnKeyDown(int key, int modifiers) override;
    void OnAction(cChildAction& action) override;
    void OnMouseLeave() override;

protected:
    void PaintContent(cCanvas& canvas, const cRect& visible) override;
    int LineStep() const override { return kRowHeight; }
    void OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnContentDoubleClick(cPoint point, int modifiers) override;
    void OnContentMouseMove(cPoint point) override;

private:
    int RowAt(cPoint contentPoint) const;
    // Where a row's text starts, after its icon.
    int TextStart(const cSimpleListViewItemChild& item) const;

    std::vector<cSimpleListViewItemChild> items_;
    std::vector<cBitmap> icons_;
    int selected_ = -1;
    int tipRow_ = -1; // the row whose whole text the tool tip shows
};
