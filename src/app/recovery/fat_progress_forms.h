#pragma once
// The progress forms of the FAT reconstruction, one per step: each runs its step of a
// cFATReconstructor as the form's job and ends with 1 when the step succeeded, 0 when it
// failed or was stopped. The reconstructor (and the result trees) must outlive the form.

#include "gui/basic_progress_form.h"
#include "scan/fat/fat_reconstructor.h"

#include <functional>

// What the five forms share: the step, run on the form's worker with the form as its
// progress target.
class cFATStepForm : public cBasicProgressForm {
public:
    static constexpr unsigned kFailed = 0;
    static constexpr unsigned kDone = 1;

    ~cFATStepForm() override;

protected:
    using cStep = std::function<bool(cProgressNotifyTarget* progress)>;
    explicit cFATStepForm(cStep step) : step_(std::move(step)) {}
    unsigned Run() override;

private:
    cStep step_;
};

// Finds the geometry of a volume whose boot sector is lost.
class cFATDetectProgressForm final : public cFATStepForm {
public:
    cFATDetectProgressForm(cFATReconstructor& reconstructor, bool allowFat32);
};

// Loads and checks both FAT12/16 table copies; fails for a FAT32 geometry.
class cCheckFATProgressForm final : public cFATStepForm {
public:
    explicit cCheckFATProgressForm(cFATReconstructor& reconstructor);
};

// Compares the FAT32 table copies; fails for a FAT12/16 geometry.
class cCheckFAT32ProgressForm final : public cFATStepForm {
public:
    explicit cCheckFAT32ProgressForm(cFATReconstructor& reconstructor);
};

// Reads the data area for folder clusters.
class cFATIndexProgressForm final : public cFATStepForm {
public:
    explicit cFATIndexProgressForm(cFATReconstructor& reconstructor);
};

// Files what the index found into the result trees.
class cFATRecoverProgressForm final : public cFATStepForm {
public:
    cFATRecoverProgressForm(cFATReconstructor& reconstructor, const cFATResults& results);
};
