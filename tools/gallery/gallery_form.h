#pragma once
// The gallery's one form: a tool bar that opens the message boxes, the progress form, a
// menu and the page of the large views, and three panels with every basic control in its
// states. The status line at the bottom names the last command any control reported.

#include "gui/custom_form.h"

class cStaticElement;

class cGalleryForm : public cCustomForm {
public:
    static constexpr int kWidth = 880;
    static constexpr int kHeight = 560;

    cGalleryForm() : cCustomForm("qorns::progress") {}
    std::string FormName() const override { return "Drovik gallery"; }
    std::u16string Caption() const override { return u"Drovik gallery"; }

    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnCloseRequest() override;

private:
    void BuildButtons(cChildElement& panel);
    void BuildFields(cChildElement& panel);
    void BuildProgress(cChildElement& panel);
    void Report(std::u16string what);
    void RunProgressForm();

    cStaticElement* status_ = nullptr;
};
