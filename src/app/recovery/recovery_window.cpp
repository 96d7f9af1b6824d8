#include "app/recovery/recovery_window.h"

#include "app/recovery/recovery_stage_form.h"
#include "app/recovery_flow/rules_files.h"
#include "base/format_text.h"
#include "base/utf.h"
#include "gui/message_form.h"
#include "gui/size_text.h"
#include "gui/window_maker.h"
#include "scan/signatures/sig_list.h"

namespace recovery {

namespace {

constexpr int kTextFinished = 51;
constexpr int kTextResultLine = 52;

} // namespace

void cWindowUi::ShowMessage(int text) {
    MessageBoxWarning(&owner_, TextOf(text));
}

bool cWindowUi::Ask(int text) {
    return MessageBoxQuestion(&owner_, TextOf(text));
}

StageEnd cWindowUi::RunStage(const cStage& stage) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return StageEnd::kFailed;
    }
    cRecoveryStageForm form(stage);
    const int end = maker->RunModal(form, cRecoveryStageForm::kWidth, cRecoveryStageForm::kHeight,
                                    &owner_, false);
    if (end == int(cRecoveryStageForm::kDone)) {
        return StageEnd::kDone;
    }
    return form.IsStopRequested() ? StageEnd::kStopped : StageEnd::kFailed;
}

std::u16string SummaryText(const std::vector<cRecoveryResult>& results) {
    std::u16string text = TextOf(kTextFinished);
    const std::u16string pattern = TextOf(kTextResultLine);
    for (const cRecoveryResult& result : results) {
        const cVSTotals totals = CountFiles(*result.tree);
        text += u"\n" + FormatText(pattern, {std::u16string_view(TextOf(result.text)), totals.files,
                                             std::u16string_view(ByteSizeText(totals.bytes))});
    }
    return text;
}

cRecoveryOutcome RecoverInWindow(cCustomForm& owner, cPartTreeItem& partition) {
    cWindowUi ui(owner);
    cRecoveryOutcome outcome = Recover(partition, ui, [](cSigList& rules) {
        // A damaged or unreadable rules file leaves the rules of the others.
        rulesfiles::Load(rulesfiles::Resolve({}), rules, [](const rulesfiles::cProblem&) {});
    });
    if (!outcome.results.empty()) {
        MessageBoxInformation(&owner, SummaryText(outcome.results));
    }
    return outcome;
}

} // namespace recovery
