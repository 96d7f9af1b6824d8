#pragma once
// A popup menu of button items shown above the form. Choosing an item closes the menu
// and reports command kind 5 with the item's id to the form (the source element is the
// menu); a press outside or Escape closes it without a command.

#include "gui/child_element.h"

#include <string>
#include <vector>

class cPopupMaster : public cChildElement {
public:
    struct cBtnListItem {
        std::u16string text;
        int id = 0;
        bool enabled = true;
        bool separator = false; // a line between groups; text and id unused
    };

    explicit cPopupMaster(std::vector<cBtnListItem> items);
    // Opens a menu with its top-left corner at `form_point`; returns it (owned by the form).
    static cPopupMaster* Show(cChildElement& anchor, cPoint formPoint,
                              std::vector<cBtnListItem> items);

    void OnCreateItems();
    void OnPaint(cCanvas& canvas) override;
    // Called by an item: reports the choice and closes the menu.
    void Choose(int id);
    cSize PreferredSize();

    static constexpr int kItemHeight = 26;
    static constexpr int kSeparatorHeight = 9;

private:
    std::vector<cBtnListItem> items_;
};
