#pragma once
// The column header of a list view: a splitter whose panes are the columns, so dragging
// a column's right edge resizes it. A click on a column (press and release on the same
// one, away from an edge) posts a cColumnClickAction to the header, which reports
// command kActionColumnClick with the column number. The sorted column shows an arrow.

#include "gui/clickable.h"
#include "gui/painter.h"
#include "gui/views/splitter_child.h"

#include <string>
#include <vector>

struct cHeaderColumn {
    std::u16string title;
    int width = 100;
    eAlign align = eAlign::Left;
};

class cHeaderChild : public cSplitterChild {
public:
    static constexpr int kHeight = 24;

    class cColumnClickAction : public cChildAction {
    public:
        explicit cColumnClickAction(int column)
            : cChildAction(kActionColumnClick), column_(column) {}
        int Column() const { return column_; }

    private:
        int column_;
    };

    explicit cHeaderChild(std::vector<cHeaderColumn> columns);

    int ColumnCount() const { return PaneCount(); }
    const cHeaderColumn& Column(int column) const { return columns_[std::size_t(column)]; }
    int ColumnWidth(int column) const { return PaneExtent(column); }
    int TotalWidth() const;
    // The column under an x in header coordinates, or -1.
    int ColumnAt(int x) const;
    // The arrow: `column` -1 shows none.
    void SetSortMark(int column, bool descending);

    void OnPaint(cCanvas& canvas) override;
    void OnButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnMouseMove(cPoint point) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnCaptureLost() override;
    void OnAction(cChildAction& action) override;

private:
    static std::vector<int> Widths(const std::vector<cHeaderColumn>& columns);
    cRect ColumnRect(int column) const;

    std::vector<cHeaderColumn> columns_;
    cClickBehavior click_;
    int pressed_ = -1;
    int hot_ = -1;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
};
