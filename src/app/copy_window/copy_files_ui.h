#pragma once
// The copy window: runs one copy (cCopyFilesJob) and shows its log, the progress of the
// file being copied and a button to stop. The job reaches the window only through actions
// sent to the window thread; a name conflict is asked there with the overwrite question.
//
// A run without errors closes the window by itself (1, or 0 when stopped). After errors
// it stays open with the log, the stop button becomes "close", and the log can be saved
// as a report. The window cannot be closed while the job runs: closing asks it to stop.

#include "app/copy/copy_files_job.h"
#include "gui/custom_form.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class cButtonChild;
class cProgressChild;
class cSimpleListViewElement;

class cCopyFilesUI : public cCustomForm, public cCopyFilesFront {
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 250;
    static constexpr int kCommandAbort = 1;
    static constexpr int kCommandSaveReport = 2;

    // The question of a name conflict, sent from the job's thread; the window thread
    // fills the reply.
    class cOverwriteActionRequest : public cSentChildAction {
    public:
        static constexpr int kKind = 5;
        cOverwriteActionRequest() : cSentChildAction(kKind) {}
        cConflictReply reply;
    };

    cCopyFilesUI(std::vector<std::unique_ptr<cFSObject>> objects, std::u16string target);
    ~cCopyFilesUI() override;

    std::string FormName() const override { return "cCopyFilesUI"; }
    std::u16string Caption() const override;

    const cCopyFilesJob& Job() const { return *job_; }
    bool Running() const { return running_; }
    // The log as shown: the finished lines, then the current one when there is one.
    std::vector<std::u16string> LogLines() const;
    cButtonChild& AbortButton() const { return *abort_; }
    cButtonChild& ReportButton() const { return *report_; }
    cSimpleListViewElement& Log() const { return *log_; }
    cProgressChild& Bar() const { return *bar_; }

    void OnCreate() override;
    void OnCloseRequest() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnAction(cChildAction& action) override;

    // Saves the report to path; false (after telling the user) when it cannot be written.
    bool SaveReport(const std::u16string& path);

    // cCopyFilesFront: called on the job's thread.
    void OnCurrentLine(std::u16string_view text) override;
    void OnLineFinished(std::u16string_view text) override;
    void OnProgressBar(int position) override;
    cConflictReply AskOverwrite(std::u16string_view targetPath) override;
    bool AskCopyWithoutRoom(std::uint64_t needed, std::uint64_t available) override;
    void OnCopyFinished(unsigned result) override;

private:
    void ShowLog();
    void Finish(unsigned result);
    void AskForReport();

    std::vector<std::u16string> finished_;
    std::u16string current_;
    bool running_ = false;
    // Set when the window goes while the job still runs (the program is quitting): the
    // worker then stops talking to it.
    std::atomic<bool> closing_{false};
    // The bar's last position sent, so that a large file does not flood the window.
    std::atomic<int> barShown_{0};
    cSimpleListViewElement* log_ = nullptr;
    cProgressChild* bar_ = nullptr;
    cButtonChild* abort_ = nullptr;
    cButtonChild* report_ = nullptr;
    // Last, so that the worker is stopped before anything it reaches goes.
    std::unique_ptr<cCopyFilesJob> job_;
};
