#pragma once
// A window maker without windows, for tests: every modal run opens a headless host and
// hands it to a driver that plays the user (clicks, keys) and the window thread (runs
// wake-ups); the run ends with whatever the form ended with.

#include "gui/sdl/headless_host.h"
#include "gui/window_maker.h"

#include <functional>

class cHeadlessMaker : public cWindowMaker {
public:
    using cDriver = std::function<void(cHeadlessHost& host)>;
    // Becomes the process's maker until destroyed.
    explicit cHeadlessMaker(cDriver driver = {});
    ~cHeadlessMaker() override;

    void SetDriver(cDriver driver) { driver_ = std::move(driver); }
    int ModalRuns() const { return modalRuns_; }
    cSize LastModalSize() const { return lastModalSize_; }

    bool Initialise(int iconId) override { return true; }
    int RunModal(cCustomForm& form, int width, int height, cCustomForm* parent,
                 bool resizable) override;
    cWindowHolder* CreateWindow(cCustomForm& form, const cRect& rect, cCustomForm* parent,
                                int styles) override;
    void Destroy(cWindowHolder* holder) override;
    int RunMessageLoop() override { return quitCode_; }
    void PostQuit(int code) override { quitCode_ = code; }
    cSize TextExtent(std::u16string_view text, const cFontSpec& font) override;

private:
    cDriver driver_;
    cWindowMaker* previous_;
    int modalRuns_ = 0;
    cSize lastModalSize_;
    int quitCode_ = 0;
};
