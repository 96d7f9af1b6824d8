#include "app/recovery/fat_progress_forms.h"

cFATStepForm::~cFATStepForm() {
    Stop(); // Run uses step_, which goes with this object
}

unsigned cFATStepForm::Run() {
    return step_(this) ? kDone : kFailed;
}

cFATDetectProgressForm::cFATDetectProgressForm(cFATReconstructor& reconstructor, bool allowFat32)
    : cFATStepForm([&reconstructor, allowFat32](cProgressNotifyTarget* progress) {
          return reconstructor.Detect(progress, allowFat32);
      }) {}

cCheckFATProgressForm::cCheckFATProgressForm(cFATReconstructor& reconstructor)
    : cFATStepForm([&reconstructor](cProgressNotifyTarget* progress) {
          return !reconstructor.Geometry().IsFat32() && reconstructor.CheckTables(progress);
      }) {}

cCheckFAT32ProgressForm::cCheckFAT32ProgressForm(cFATReconstructor& reconstructor)
    : cFATStepForm([&reconstructor](cProgressNotifyTarget* progress) {
          return reconstructor.Geometry().IsFat32() && reconstructor.CheckTables(progress);
      }) {}

cFATIndexProgressForm::cFATIndexProgressForm(cFATReconstructor& reconstructor)
    : cFATStepForm([&reconstructor](cProgressNotifyTarget* progress) {
          return reconstructor.Index(progress);
      }) {}

cFATRecoverProgressForm::cFATRecoverProgressForm(cFATReconstructor& reconstructor,
                                                 const cFATResults& results)
    : cFATStepForm([&reconstructor, results](cProgressNotifyTarget* progress) {
          return reconstructor.Build(results, progress);
      }) {}
