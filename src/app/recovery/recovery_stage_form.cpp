#include "app/recovery/recovery_stage_form.h"

namespace {
// No stage of the job's own: the status names the default stage until the job names one.
constexpr int kNoStage = -1;
} // namespace

cRecoveryStageForm::cRecoveryStageForm(const recovery::cStage& stage)
    : cBasicProgressForm(stage.stageTexts, "qorns::progress", recovery::kTextSection),
      stage_(stage) {}

cRecoveryStageForm::~cRecoveryStageForm() {
    Stop(); // Run uses stage_
}

std::u16string cRecoveryStageForm::Caption() const {
    return recovery::TextOf(stage_.title);
}

unsigned cRecoveryStageForm::Run() {
    SetStage(kNoStage);
    return stage_.job(this) ? kDone : kFailed;
}
