#pragma once
// The progress forms of the NTFS deep scan: detection of a volume whose boot sector is
// lost, then the long scan of every record into the three results. Each ends with 1 when
// its step did its work (a volume found; every record read), 0 otherwise. The partition
// record (and the result trees) must outlive the form.

#include "gui/basic_progress_form.h"
#include "scan/ntfs/deep_scan.h"

class cNTFSDetectProgressForm final : public cBasicProgressForm {
public:
    static constexpr unsigned kNotFound = 0;
    static constexpr unsigned kFound = 1;

    explicit cNTFSDetectProgressForm(cPartRecord& record) : record_(record) {}
    ~cNTFSDetectProgressForm() override;

    // What detection found; read once the form has ended.
    const mftdetect::cResult& Found() const { return found_; }

protected:
    unsigned Run() override;

private:
    cPartRecord& record_;
    mftdetect::cResult found_;
};

class cNTFSLongScanProgressForm final : public cBasicProgressForm {
public:
    static constexpr unsigned kStopped = 0;
    static constexpr unsigned kDone = 1;

    cNTFSLongScanProgressForm(cPartRecord& record, const cNTFSGeometry& geometry,
                              const cNTFSResults& results);
    ~cNTFSLongScanProgressForm() override;

    const ntfsscan::cLongScanOutcome& Outcome() const { return outcome_; }

protected:
    unsigned Run() override;

private:
    cPartRecord& record_;
    cNTFSGeometry geometry_;
    cNTFSResults results_;
    ntfsscan::cLongScanOutcome outcome_;
};
