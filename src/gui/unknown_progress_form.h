#pragma once
#include "base/progress.h"
#include "gui/basic_progress_form.h"

// A progress form for operations without a percentage: the bar is driven by a
// cUnknownProgressFakeJob (fast at first, approaching the end without reaching it) and
// the status shows the stage and the time spent.
class cUnknownProgressForm : public cBasicProgressForm {
public:
    using cBasicProgressForm::cBasicProgressForm;
    ~cUnknownProgressForm() override;
    void OnCreate() override;

protected:
    bool KnowsPercentage() const override { return false; }
    void OnFinish(unsigned result) override;

private:
    cUnknownProgressFakeJob fake_{this};
};
