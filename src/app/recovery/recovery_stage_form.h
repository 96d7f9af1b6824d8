#pragma once
// One stage of the recovery flow behind a modal progress form: the stage's title as the
// caption, its stage names in the status, the share done with the time spent and left,
// and a stop button. The form ends with kDone when the stage did its work.

#include "app/recovery_flow/recovery_flow.h"
#include "gui/basic_progress_form.h"

class cRecoveryStageForm final : public cBasicProgressForm {
public:
    static constexpr unsigned kFailed = 0;
    static constexpr unsigned kDone = 1;
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 106;

    // The stage must outlive the form.
    explicit cRecoveryStageForm(const recovery::cStage& stage);
    ~cRecoveryStageForm() override;

    std::u16string Caption() const override;

protected:
    unsigned Run() override;

private:
    const recovery::cStage& stage_;
};
