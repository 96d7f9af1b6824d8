#pragma once
// Message boxes: a modal form with an icon, a heading, the message wrapped to the box's
// width and one or two buttons, all texts but the message from "tusk::messages"
// (0 "Ok", 1 "Yes", 2 "No", 3 "Information", 4 "Warning", 5 "Error", 6 "Confirm").
//
//   operation    caption  icon  buttons   result
//   information  3        1     Ok        none
//   warning      4        2     Ok        none
//   error        5        3     Ok        none
//   confirm      6        1     Yes, No   true for Yes
//   question     6        2     Yes, No   true for Yes

#include "gui/custom_form.h"
#include "gui/text_wrap.h"

#include <string>
#include <vector>

class cMessageForm : public cCustomForm {
public:
    enum class eButtons { Ok, YesNo };
    static constexpr int kCommandOk = 1;
    static constexpr int kCommandYes = 2;
    static constexpr int kCommandNo = 3;

    // The message is split into tokens and wrapped to the box's width (text_wrap.h).
    using cStrTokenItem = ::cStrTokenItem;
    using cMeasure = text_wrap::cMeasure;

    cMessageForm(std::u16string message, int captionId, int iconKind, eButtons buttons);

    std::u16string Caption() const override;
    std::string FormName() const override { return "cMessageForm"; }
    const std::u16string& Message() const { return message_; }
    // The client size the message needs.
    cSize PreferredSize(const cMeasure& measure) const;

    void OnCreate() override;
    void OnPaint(cCanvas& canvas) override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnCloseRequest() override;

    static constexpr int kMaxTextWidth = 420;

private:
    static constexpr int kMargin = 20;
    static constexpr int kIcon = 32;
    static constexpr int kButtonHeight = 30;
    static constexpr int kTextLeft = kMargin + kIcon + 16;

    std::u16string message_;
    int captionId_;
    int iconKind_;
    eButtons buttons_;
    std::vector<std::u16string> lines_;
};

// The message-box operations. `parent` is any element of the form that asks; its
// window takes no input while the box is open. Without a window maker nothing is shown
// and the answer is No.
void MessageBoxInformation(cChildElement* parent, std::u16string message);
void MessageBoxWarning(cChildElement* parent, std::u16string message);
void MessageBoxError(cChildElement* parent, std::u16string message);
bool MessageBoxConfirm(cChildElement* parent, std::u16string message);
bool MessageBoxQuestion(cChildElement* parent, std::u16string message);
