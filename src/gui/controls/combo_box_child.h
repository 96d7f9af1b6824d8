#pragma once
// A drop-down choice list. A click (or Space, Alt+Down, F4) opens the list below the
// box; choosing an entry, or Up/Down on the closed box, changes the selection and
// reports command kind kActionSelChange with the new index.

#include "gui/clickable.h"

#include <string>
#include <vector>

inline constexpr int kActionSelChange = 7;

class cComboBoxChild : public cClickableElement {
public:
    explicit cComboBoxChild(std::vector<std::u16string> items = {}, int selected = -1);
    ~cComboBoxChild() override;
    void SetItems(std::vector<std::u16string> items, int selected);
    const std::vector<std::u16string>& Items() const { return items_; }
    int Selected() const { return selected_; }
    // Selects an entry; reports the change when `notify` and the index changed.
    void Select(int index, bool notify = false);
    bool IsOpen() const { return openList_ != nullptr; }
    void Open();

    void OnPaint(cCanvas& canvas) override;
    bool OnKeyDown(int key, int modifiers) override;
    bool OnWheel(int delta, cPoint point) override;

protected:
    void OnClick() override { Open(); }

private:
    friend class cComboList;
    std::vector<std::u16string> items_;
    int selected_;
    cChildElement* openList_ = nullptr;
};
