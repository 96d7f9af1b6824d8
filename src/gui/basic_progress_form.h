#pragma once
// A form that runs a long operation and shows its progress: a bar on a 0..1000 scale, a
// status line with the stage, the share done, the time spent and the time left, and a
// stop button (text section "qorns::progress"). It is the operation's job and its
// progress target at once: subclasses implement Run() and report through OnProgress and
// SetStage from the worker. The form cannot be closed while the job runs; a close asks
// the job to stop, and the form ends with the job's result when the job finishes.
//
// Worker-side calls never touch elements: they compute the status under the form's own
// lock from texts fetched at creation, and post the result to the window thread.

#include "base/job.h"
#include "base/progress.h"
#include "base/progress_meter.h"
#include "gui/custom_form.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

class cButtonChild;
class cProgressChild;
class cStaticElement;

class cBasicProgressForm : public cCustomForm, public cJob, public cProgressNotifyTarget {
public:
    // Milliseconds of a monotonic clock; replaceable so that tests control the time.
    using cClock = std::function<std::uint64_t()>;
    static constexpr int kTextStop = 0;
    static constexpr int kTextInitialising = 1;
    static constexpr int kTextKnownStatus = 2;
    static constexpr int kTextDefaultStage = 3;
    static constexpr int kTextUnknownStatus = 4;
    static constexpr int kCommandStop = 1;
    static constexpr std::size_t kMaxStatusLength = 128;

    // `stage_texts` maps the stage ids this form's job reports to text numbers of
    // `stage_section` (the stage tables of the scanning forms), by default of the form's
    // own `text_section`.
    explicit cBasicProgressForm(std::map<int, int> stageTexts = {},
                                std::string textSection = "qorns::progress",
                                std::string stageSection = {});
    ~cBasicProgressForm() override;

    void SetClock(cClock clock) { clock_ = std::move(clock); }
    std::u16string StatusText() const;
    int BarPosition() const;

    bool OnProgress(double percent) override;
    void SetStage(int stageId) override;

    void OnCreate() override;
    void OnCloseRequest() override { RequestStop(); }
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnAction(cChildAction& action) override;

    static constexpr int kWidth = 460;
    static constexpr int kHeight = 140;
    // Below this height the bar stands beside the stop button instead of above it.
    static constexpr int kShortHeight = 120;

protected:
    void OnFinish(unsigned result) override;
    // False for operations that cannot tell how far they are: the status then shows only
    // the time spent.
    virtual bool KnowsPercentage() const { return true; }

private:
    class cViewAction;
    std::uint64_t Now() const { return clock_(); }
    std::u16string Pattern(int textId) const;
    void Post(int bar, std::u16string status);

    std::map<int, int> stageTexts_;
    std::string stageSection_;
    cClock clock_;
    cProgressChild* bar_ = nullptr;
    cStaticElement* status_ = nullptr;
    // Filled on the window thread before the job starts; read by the worker afterwards.
    std::map<int, std::u16string> stageNames_;
    std::u16string defaultStage_;
    std::u16string knownPattern_;
    std::u16string unknownPattern_;
    // Worker-side progress state.
    mutable std::mutex lock_;
    cProgressMeter meter_{0};
    std::u16string stage_;
};
