#pragma once
// A tree of nodes (cTreeItemElement) with expand controls: the folder tree of the
// explorer and the storage tree. Only the nodes whose ancestors are all expanded are
// rows; they are kept as a flat list rebuilt when a node opens or closes, and only the
// rows in the viewport are painted.
//
// Input: a click selects a node, a click on its control or a double click on a node
// with children toggles it; Up/Down move the selection, Right opens a node or moves to
// its first child, Left closes it or moves to its parent, Enter activates.
// Reports (posted to itself, then sent up as commands): kActionTreeItem when the
// selection changed, kActionDoubleClick when a node is activated, kActionTreeItemCtx on a
// right click, kActionTreeExpand when a node was expanded (so its owner can load its
// children); the item is the node's row.
//
// Refills keep what the user opened: Clear() remembers the paths (texts from the top)
// of expanded nodes and of the selection, and nodes added again under the same path
// come back expanded and selected.

#include "gui/bitmap.h"
#include "gui/views/scrollable_element.h"
#include "gui/views/tree_item_element.h"
#include "gui/views/view_kinds.h"

#include <set>
#include <string>
#include <vector>

class cTreeViewChild : public cScrollableElement {
public:
    static constexpr int kRowHeight = 22;
    static constexpr int kIndent = 18;

    class cTreeItemAction : public cChildAction {
    public:
        cTreeItemAction(int kind, int row) : cChildAction(kind), row_(row) {}
        int Row() const { return row_; }

    private:
        int row_;
    };
    class cTreeItemCtxAction : public cTreeItemAction {
    public:
        explicit cTreeItemCtxAction(int row) : cTreeItemAction(kActionTreeItemCtx, row) {}
    };

    cTreeViewChild();

    // --- Nodes ------------------------------------------------------------------------
    // Adds under `parent` (null: at the top); returns the node.
    cTreeItemElement* AddItem(cTreeItemElement* parent, std::unique_ptr<cTreeItemElement> item);
    // Removes every child of `parent` (null: everything); see the note on refills.
    void ClearChildren(cTreeItemElement* parent);
    void Clear() { ClearChildren(nullptr); }
    const std::vector<std::unique_ptr<cTreeItemElement>>& Roots() const { return roots_; }
    void SetIcons(std::vector<cBitmap> icons);

    void Expand(cTreeItemElement* item, bool expanded);
    void ExpandAll(cTreeItemElement* item);
    void Select(cTreeItemElement* item);
    cTreeItemElement* Selected() const { return selected_; }

    // --- Rows -------------------------------------------------------------------------
    // Rows are rebuilt on first use after a change, so filling a tree node by node
    // costs one rebuild, not one per node.
    int RowCount();
    cTreeItemElement* RowItem(int row);
    int RowOf(const cTreeItemElement* item);
    int RowAt(cPoint contentPoint);

    bool OnKeyDown(int key, int modifiers) override;
    void OnAction(cChildAction& action) override;
    void OnPaint(cCanvas& canvas) override;

protected:
    void PaintContent(cCanvas& canvas, const cRect& visible) override;
    int LineStep() const override { return kRowHeight; }
    void OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnContentDoubleClick(cPoint point, int modifiers) override;
    void OnContentMouseMove(cPoint point) override;
    void OnMouseLeave() override;

private:
    struct cRow {
        cTreeItemElement* item;
        int depth;
    };
    void RebuildRows();
    void RowsChanged();
    cRect ControlRect(int row);
    void AppendRows(const std::vector<std::unique_ptr<cTreeItemElement>>& items, int depth);
    std::u16string PathOf(const cTreeItemElement* item) const;
    void Remember(const std::vector<std::unique_ptr<cTreeItemElement>>& items);
    bool ForgetsSelection(const cTreeItemElement* removedParent) const;
    void Post(int kind, const cTreeItemElement* item);

    std::vector<std::unique_ptr<cTreeItemElement>> roots_;
    std::vector<cRow> rows_;
    std::vector<cBitmap> icons_;
    bool rowsDirty_ = false;
    cTreeItemElement* selected_ = nullptr;
    int hotControl_ = -1;
    // Paths of expanded nodes and of the selection, from the last removal.
    std::set<std::u16string> expandedPaths_;
    std::u16string selectedPath_;
};
