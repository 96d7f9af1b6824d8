#pragma once
// A label that can be selected with the mouse or the keyboard. Selecting it marks it
// and posts a cSelectableSelectAction to itself, which reports the selection to the
// form as command kind kActionSelect with the element's item id.

#include "gui/clickable.h"

#include <string>

inline constexpr int kActionSelect = 8;

class cSelectableElement : public cClickableElement {
public:
    class cSelectableSelectAction : public cChildAction {
    public:
        explicit cSelectableSelectAction(int item) : cChildAction(kActionSelect), item_(item) {}
        int Item() const { return item_; }

    private:
        int item_;
    };

    cSelectableElement(std::u16string text, int item);
    bool IsSelected() const { return selected_; }
    void SetSelected(bool selected);
    void OnPaint(cCanvas& canvas) override;
    void OnAction(cChildAction& action) override;
    int CursorKind(cPoint) const override { return 3; }

protected:
    void OnClick() override;

private:
    std::u16string text_;
    int item_;
    bool selected_ = false;
};
