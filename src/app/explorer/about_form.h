#pragma once
// The about box ("qorns::about"): what the program is, its version, and the promise that
// matters most to someone with a failing disk: it only reads.

#include "gui/custom_form.h"

namespace explorer {

class cAboutForm : public cCustomForm {
public:
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 240;
    static constexpr int kCommandClose = 1;

    cAboutForm() : cCustomForm("qorns::about") {}
    std::string FormName() const override { return "cAboutForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
};

} // namespace explorer
