#include "app/recovery/ntfs_progress_forms.h"

cNTFSDetectProgressForm::~cNTFSDetectProgressForm() {
    Stop(); // Run writes found_, which goes with this object
}

unsigned cNTFSDetectProgressForm::Run() {
    found_ = ntfsscan::DetectVolume(record_, this);
    return found_.geometry ? kFound : kNotFound;
}

cNTFSLongScanProgressForm::cNTFSLongScanProgressForm(cPartRecord& record,
                                                     const cNTFSGeometry& geometry,
                                                     const cNTFSResults& results)
    : record_(record), geometry_(geometry), results_(results) {}

cNTFSLongScanProgressForm::~cNTFSLongScanProgressForm() {
    Stop();
}

unsigned cNTFSLongScanProgressForm::Run() {
    outcome_ = ntfsscan::LongScan(record_, geometry_, results_, this);
    return outcome_.finished ? kDone : kStopped;
}
