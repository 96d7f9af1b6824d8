#pragma once
// The imaging window ("qorns::imaging"), reached from a storage's page: copies the
// storage to an image file (raw, sparse or VMware disk) with the map that lets a stopped
// run go on, and shows the pass, the rate, the bytes rescued, the bad bytes and the time
// left while it runs. Stopping keeps the image and its map, so that Start resumes; the
// window itself is the job that runs the imager.

#include "app/imaging/image_job.h"
#include "app/imaging/imager.h"
#include "base/job.h"
#include "gui/custom_form.h"

#include <memory>
#include <optional>
#include <string>

class cBaseIO;
class cButtonChild;
class cComboBoxChild;
class cEditChild;
class cProgressChild;
class cStaticElement;

namespace imaging_window {

class cImagingForm : public cCustomForm, public cJob {
public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 410;
    enum { kCommandStart = 1, kCommandStop, kCommandClose, kCommandBrowseImage, kCommandBrowseMap };

    // source: the storage to copy, read through a duplicate of it while the job runs.
    explicit cImagingForm(const cBaseIO& source);
    ~cImagingForm() override;

    std::string FormName() const override { return "cImagingForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    void OnCloseRequest() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnAction(cChildAction& action) override;

    // The fields, as the user would fill them.
    void SetImagePath(const std::u16string& path);
    void SetFormat(imaging::eFormat format);
    // Starts a run with what the fields say; false, with the reason shown, when it
    // cannot start.
    bool StartImaging();
    // Shows the figures of a progress report, as the worker's reports do.
    void ShowProgress(const imaging::cProgress& progress);
    // The status line: what the window is doing, or how the last run ended.
    std::u16string_view Status() const;

protected:
    unsigned Run() override;
    void OnFinish(unsigned result) override;

private:
    void ChooseFile(cEditChild& field, bool image);
    void SetRunning(bool running);
    void ShowOutcome(unsigned result);

    const cBaseIO& source_;
    cEditChild* image_ = nullptr;
    cComboBoxChild* format_ = nullptr;
    cEditChild* map_ = nullptr;
    cProgressChild* bar_ = nullptr;
    cStaticElement* pass_ = nullptr;
    cStaticElement* rate_ = nullptr;
    cStaticElement* rescued_ = nullptr;
    cStaticElement* bad_ = nullptr;
    cStaticElement* left_ = nullptr;
    cStaticElement* status_ = nullptr;
    cButtonChild* start_ = nullptr;
    cButtonChild* stop_ = nullptr;
    cButtonChild* close_ = nullptr;
    // Set on the window thread before the job starts; the worker's own from then on.
    std::unique_ptr<cBaseIO> reader_;
    std::optional<imaging::cImageJob> job_;
    std::string mapPath_;
};

} // namespace imaging_window
