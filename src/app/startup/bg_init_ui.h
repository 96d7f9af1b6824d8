#pragma once
// The small window shown while the program starts: one line telling what is being done,
// while its job finds the local storages on a thread of its own. The window ends itself
// (with 0) when the job has finished; the user cannot close it before. The main window
// shows it again, with a line of its own, for other storage work that may take long
// (opening an image, recognising a file system on a slow disk).

#include "base/job.h"
#include "gui/color.h"
#include "gui/custom_form.h"

#include <functional>

class cBgInitUI;
class cStaticElement;

// Windows colour values (0x00BBGGRR) in the canvas's 0xAARRGGBB.
constexpr cColor FromColorRef(std::uint32_t colorRef) {
    return Rgb(std::uint8_t(colorRef), std::uint8_t(colorRef >> 8), std::uint8_t(colorRef >> 16));
}

class cBgInitJob : public cJob {
public:
    // enumerate finds the storages; it runs on the job's thread.
    cBgInitJob(cBgInitUI& form, std::function<void()> enumerate);
    ~cBgInitJob() override;

protected:
    unsigned Run() override;
    void OnFinish(unsigned result) override;

private:
    cBgInitUI& form_;
    std::function<void()> enumerate_;
};

class cBgInitUI : public cCustomForm {
public:
    static constexpr int kWidth = 350;
    static constexpr int kHeight = 90;
    static constexpr int kTextStarting = 0;
    static constexpr int kTextScanningStorages = 2;
    static constexpr cColor kTextColor = FromColorRef(0x404040);
    static constexpr cColor kTextBackground = FromColorRef(0xF3E5DF);

    // `status` replaces the line about finding storages once the job runs.
    explicit cBgInitUI(std::function<void()> enumerate, std::u16string status = {});
    ~cBgInitUI() override;

    std::u16string Caption() const override { return u"Drovik"; }
    std::string FormName() const override { return "cBgInitUI"; }
    void OnCreate() override;
    void OnCloseRequest() override;
    void OnAction(cChildAction& action) override;

    // Window thread: shows text `textId` of the form's section on the status line.
    void ShowStatus(int textId);
    // Window thread: the line for the job's work.
    void ShowWorkStatus();
    cStaticElement* Status() const { return status_; }

private:
    cStaticElement* status_ = nullptr;
    std::u16string workStatus_;
    bool finished_ = false;
    // Last, so that the worker is stopped before anything it may touch goes.
    cBgInitJob job_;
};
