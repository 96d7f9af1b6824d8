#pragma once
// The recovery flow in the window: its messages and its question as message boxes, each
// stage as a modal progress form over the form that asked, and at the end a box that tells
// per result how many files it holds.

#include "app/recovery_flow/recovery_flow.h"

#include <string>
#include <vector>

class cCustomForm;
class cPartTreeItem;

namespace recovery {

class cWindowUi final : public cRecoveryUi {
public:
    explicit cWindowUi(cCustomForm& owner) : owner_(owner) {}

    void ShowMessage(int text) override;
    bool Ask(int text) override;
    StageEnd RunStage(const cStage& stage) override;

private:
    cCustomForm& owner_;
};

// The closing summary: a line per result, its root's name, its files and their size.
std::u16string SummaryText(const std::vector<cRecoveryResult>& results);

// Runs the flow on the partition with the rules beside the program, then shows the
// summary when any result was made.
cRecoveryOutcome RecoverInWindow(cCustomForm& owner, cPartTreeItem& partition);

} // namespace recovery
