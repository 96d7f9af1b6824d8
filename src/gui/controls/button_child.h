#pragma once
// A push button. Activation reports command kind 5 with the button's command id to the
// enclosing elements (normally the form).

#include "gui/clickable.h"

#include <string>

class cButtonChild : public cClickableElement {
public:
    cButtonChild(std::u16string text, int commandId, bool primary = false);
    // A button captioned with text `text_id` of its form's section.
    static std::unique_ptr<cButtonChild> FromSection(int textId, int commandId,
                                                     bool primary = false);

    int CommandId() const { return commandId_; }
    std::u16string_view Caption() const;
    void SetCaption(std::u16string text);
    void OnPaint(cCanvas& canvas) override;

protected:
    void OnClick() override { SendCommand(kActionActivate, commandId_); }

private:
    std::u16string text_;
    int textId_ = -1;
    int commandId_;
    bool primary_;
};
