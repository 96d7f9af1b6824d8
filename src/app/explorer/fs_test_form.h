#pragma once
// "Тестирование файловой системы": runs the file-system test of a partition on a job,
// its six counters redrawn while it runs, and saves its report. The user may ask for
// every file to be read whole before starting.

#include "app/fs_tools/fs_test.h"
#include "gui/custom_form.h"

#include <array>
#include <memory>

class cButtonChild;
class cCheckBoxChild;
class cStaticElement;

namespace explorer {

class cFsTestForm : public cCustomForm {
public:
    static constexpr int kWidth = 520;
    static constexpr int kHeight = 230;
    static constexpr int kCommandStart = 1;
    static constexpr int kCommandClose = 2;
    static constexpr int kCommandReport = 3;
    static constexpr int kCommandReadAll = 4;

    explicit cFsTestForm(cVFS& fs);
    ~cFsTestForm() override;
    std::string FormName() const override { return "cFsTestForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    void OnCloseRequest() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnAction(cChildAction& action) override;

    bool Running() const { return running_; }
    cButtonChild& StartButton() { return *start_; }
    cButtonChild& ReportButton() { return *report_; }
    cCheckBoxChild& ReadAllBox() { return *readAll_; }
    const cFsTestJob& Job() const { return *job_; }
    // The cells row by row (folders, files, bytes), intact before damaged.
    std::u16string Cell(std::size_t index) const;
    // Writes the report; false after telling the user when the file cannot be written.
    bool SaveReport(const std::u16string& path);

private:
    void Begin();
    void ShowCounters();
    void AskForReport();

    bool running_ = false;
    bool tested_ = false;
    cButtonChild* start_ = nullptr;
    cButtonChild* close_ = nullptr;
    cButtonChild* report_ = nullptr;
    cCheckBoxChild* readAll_ = nullptr;
    std::array<cStaticElement*, 6> cells_{};
    std::unique_ptr<cFsTestJob> job_;
};

} // namespace explorer
