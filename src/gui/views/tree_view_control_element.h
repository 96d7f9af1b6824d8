#pragma once
// The expand control in front of a tree node with children: a chevron pointing right
// when collapsed and down when expanded, with a hover look. Tree views paint it per row
// and ask it where a press toggles the node.

#include "gui/canvas.h"

class cTreeViewControlElement {
public:
    static constexpr int kSize = 16;

    // The control's square in a row whose indented start is `x`.
    static cRect Place(int x, int rowTop, int rowHeight) {
        return {x, rowTop + (rowHeight - kSize) / 2, kSize, kSize};
    }
    static void Paint(cCanvas& canvas, const cRect& box, bool expanded, bool hot);
};
