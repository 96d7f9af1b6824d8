#pragma once
// A multi-column list with a column header: the folder contents of the explorer and the
// file chooser. Rows (cListViewItemChild) are records; only the rows in the viewport are
// painted or hit-tested, so the cost of a frame does not depend on the number of rows.
//
// Selection follows the desktop conventions: a click selects one row; Ctrl+click toggles
// a row; Shift+click selects the range from the anchor (the last row clicked without
// Shift) to the row; Ctrl+Shift+click adds that range; arrow, page and Home/End keys move
// the focused row with the same meaning of Shift and Ctrl; Ctrl+Space toggles the focused
// row and Ctrl+A selects all.
//
// Sorting: each column may have a sort provider; clicking its header sorts by it, a
// second click reverses the order. Sorting is stable in both directions, so rows that
// compare equal keep the order they had.
//
// What the view reports, as actions it posts to itself and then as commands of the same
// kind to the enclosing elements (view_kinds.h): kActionListSelect when the selection
// changed, kActionListItem when a row is activated (double click, Enter),
// kActionCtxRequest on a right click (row or -1), kActionListCheck when a check box was
// toggled; the item is the row's index in the current order.

#include "gui/bitmap.h"
#include "gui/views/header_child.h"
#include "gui/views/list_view_item.h"
#include "gui/views/scrollable_element.h"

#include <memory>
#include <vector>

class cListViewChild : public cScrollableElement {
public:
    static constexpr int kRowHeight = 22;

    class cListViewItemAction : public cChildAction {
    public:
        cListViewItemAction(int kind, int item) : cChildAction(kind), item_(item) {}
        int Item() const { return item_; }

    private:
        int item_;
    };

    using cRows = std::vector<std::unique_ptr<cListViewItemChild>>;
    // Orders rows for one column. Equal rows keep their order, in both directions.
    class cSortProvider {
    public:
        virtual ~cSortProvider() = default;
        virtual bool Less(const cListViewItemChild& a, const cListViewItemChild& b,
                          int column) const = 0;
        // A stable sort by Less; providers with a faster way override it.
        virtual void Sort(cRows& rows, int column, bool descending) const;
    };
    // By the column's text, without regard to case.
    class cListViewNameSortProvider : public cSortProvider {
    public:
        bool Less(const cListViewItemChild& a, const cListViewItemChild& b,
                  int column) const override;
        void Sort(cRows& rows, int column, bool descending) const override;
    };
    // By the rows' 64-bit values.
    class cListViewU64PramSortProvider : public cSortProvider {
    public:
        bool Less(const cListViewItemChild& a, const cListViewItemChild& b,
                  int column) const override;
    };

    explicit cListViewChild(std::vector<cHeaderColumn> columns);

    cHeaderChild& Header() { return *header_; }
    void SetSortProvider(int column, std::unique_ptr<cSortProvider> provider);
    void SetCheckBoxes(bool on);
    void SetMultiSelect(bool on) { multiSelect_ = on; }
    // Icons are 16x16 bitmaps that rows name by index.
    void SetIcons(std::vector<cBitmap> icons);

    // --- Rows -------------------------------------------------------------------------
    int ItemCount() const { return int(rows_.size()); }
    cListViewItemChild* Item(int index) const;
    int IndexOf(const cListViewItemChild* row) const;
    cListViewItemChild* AddItem(std::unique_ptr<cListViewItemChild> row);
    // Appends many rows at once; the view's extent is updated once.
    void AddItems(std::vector<std::unique_ptr<cListViewItemChild>> rows);
    // Makes each column as wide as its title or its widest cell, whichever is wider; the
    // first column is kept at most `first_limit` wide, as names can be of any length.
    void FitColumns(int firstLimit);
    void Clear();
    // Repaints a row after its texts or check mark were changed by the owner.
    void RefreshItem(int index);

    // --- Sorting ----------------------------------------------------------------------
    // False when the column has no provider.
    bool SortBy(int column, bool descending);
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return sortDescending_; }

    // --- Selection --------------------------------------------------------------------
    // The programmatic equivalents of the mouse: Select(i) is a click with `modifiers`.
    void Select(int index, int modifiers = 0);
    void SelectAll();
    void ClearSelection();
    int SelectedCount() const { return selectedCount_; }
    std::vector<int> SelectedIndices() const;
    int FocusedIndex() const { return focus_; }
    int AnchorIndex() const { return anchor_; }
    void EnsureItemVisible(int index);
    int ItemAt(cPoint contentPoint) const;

    bool OnKeyDown(int key, int modifiers) override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnAction(cChildAction& action) override;

protected:
    void PaintContent(cCanvas& canvas, const cRect& visible) override;
    void OnScrolled() override;
    int LineStep() const override { return kRowHeight; }
    void OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnContentDoubleClick(cPoint point, int modifiers) override;

private:
    void UpdateContentSize();
    void SetRowSelected(cListViewItemChild& row, bool selected);
    void SelectRange(int from, int to, bool keepOthers);
    void MoveFocus(int index, int modifiers);
    void Notify(int kind, int item);
    void ToggleCheck(int index);
    cRect CheckBoxRect(int index) const;

    cHeaderChild* header_;
    std::vector<std::unique_ptr<cListViewItemChild>> rows_;
    std::vector<std::unique_ptr<cSortProvider>> sorters_;
    std::vector<cBitmap> icons_;
    // Indices in the current order; sorting carries them along with their rows.
    int anchor_ = -1;
    int focus_ = -1;
    int selectedCount_ = 0;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    bool checkBoxes_ = false;
    bool multiSelect_ = true;
    bool selectPending_ = false;
};
