#pragma once
// A check box with its label; clicking the box or the label toggles it and reports
// command kind 5 with the box's command id. cCheckBoxLvChild is the bare box used inside
// list rows, which draw their own text.

#include "gui/clickable.h"

#include <string>

class cCheckBoxChild : public cClickableElement {
public:
    cCheckBoxChild(std::u16string text, int commandId, bool checked = false);
    bool IsChecked() const { return checked_; }
    void SetChecked(bool checked);
    void OnPaint(cCanvas& canvas) override;

protected:
    void OnClick() override;
    static constexpr int kBox = 16;

private:
    std::u16string text_;
    int commandId_;
    bool checked_;
};

class cCheckBoxLvChild : public cCheckBoxChild {
public:
    explicit cCheckBoxLvChild(int commandId, bool checked = false);
    void OnPaint(cCanvas& canvas) override;
};
