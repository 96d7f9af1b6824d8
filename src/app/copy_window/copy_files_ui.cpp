#include "app/copy_window/copy_files_ui.h"

#include "app/copy/copy_report.h"
#include "app/copy/copy_texts.h"
#include "app/copy_window/overwrite_action_ui.h"
#include "app/local_folders.h"
#include "base/format_text.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/progress_child.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/message_form.h"
#include "gui/views/simple_list_view_element.h"
#include "gui/window_maker.h"
#include "platform/local_files.h"

#include <chrono>
#include <functional>
#include <thread>

namespace {

constexpr int kTextTitle = 3;
constexpr int kTextSaveReport = 4;
constexpr int kTextAbort = 5;
constexpr int kTextClose = 6;
constexpr int kTextReportFilter = 18;

constexpr int kActionWindowWork = 1;
constexpr int kActionRunEnded = 2;

constexpr int kMargin = 8;
constexpr int kButtonTop = 204;

// The report is offered beside the copies: the target folder, or the folder of a
// single file's target.
std::u16string ReportFolder(const std::u16string& target) {
    if (platform::ProbeLocalPath(utf::ToUtf8(target)) == platform::LocalPathKind::Directory) {
        return target;
    }
    const std::size_t slash = target.rfind(u'/');
    return slash == std::u16string::npos ? std::u16string() : target.substr(0, slash + 1);
}
constexpr int kButtonHeight = 30;

// Work the job hands to the window thread and waits for.
class cWindowWork : public cSentChildAction {
public:
    explicit cWindowWork(std::function<void()> work)
        : cSentChildAction(kActionWindowWork), work_(std::move(work)) {}
    void Execute() override { work_(); }

private:
    std::function<void()> work_;
};

class cRunEnded : public cChildAction {
public:
    explicit cRunEnded(unsigned result) : cChildAction(kActionRunEnded), result_(result) {}
    unsigned Result() const { return result_; }

private:
    unsigned result_;
};

} // namespace

cCopyFilesUI::cCopyFilesUI(std::vector<std::unique_ptr<cFSObject>> objects, std::u16string target)
    : cCustomForm(std::string(copytext::kSection)),
      job_(std::make_unique<cCopyFilesJob>(this, std::move(objects), std::move(target))) {}

cCopyFilesUI::~cCopyFilesUI() {
    closing_ = true;
    job_->RequestStop();
    // What the worker sent before it saw the window going is still answered here, so that
    // it never waits for a window thread that is waiting for it.
    while (job_->IsRunning()) {
        ProcessActionTree();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    job_->Stop();
}

std::u16string cCopyFilesUI::Caption() const {
    return std::u16string(Text(kTextTitle).value_or(u""));
}

std::vector<std::u16string> cCopyFilesUI::LogLines() const {
    std::vector<std::u16string> lines = finished_;
    if (!current_.empty()) {
        lines.push_back(current_);
    }
    return lines;
}

void cCopyFilesUI::OnCreate() {
    const int width = kWidth - 2 * kMargin;
    log_ = Add<cSimpleListViewElement>(kMargin, kMargin, width, 160);
    bar_ = Add<cProgressChild>(kMargin, 176, width, 16, 0, 1000);
    abort_ = static_cast<cButtonChild*>(
        AddChild(cButtonChild::FromSection(kTextAbort, kCommandAbort), kWidth - kMargin - 100,
                 kButtonTop, 100, kButtonHeight));
    report_ = static_cast<cButtonChild*>(
        AddChild(cButtonChild::FromSection(kTextSaveReport, kCommandSaveReport, true),
                 kWidth - kMargin - 140, kButtonTop, 140, kButtonHeight));
    report_->SetVisible(false);
    running_ = job_->Start();
    if (!running_) {
        EndForm(0);
    }
}

void cCopyFilesUI::OnCloseRequest() {
    if (running_) {
        job_->RequestStop();
    } else {
        EndForm(0);
    }
}

bool cCopyFilesUI::OnCommand(cChildElement* source, int kind, int item) {
    // A line of the log cut at the window's edge is read whole in a box of its own.
    if (source == log_ && kind == kActionDoubleClick) {
        if (const cSimpleListViewItemChild* line = log_->Item(item)) {
            MessageBoxInformation(this, line->Text());
        }
        return true;
    }
    if (kind != kActionActivate) {
        return false;
    }
    if (item == kCommandAbort) {
        OnCloseRequest();
        return true;
    }
    if (item == kCommandSaveReport) {
        AskForReport();
        return true;
    }
    return false;
}

void cCopyFilesUI::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case cOverwriteActionRequest::kKind: {
        auto& request = static_cast<cOverwriteActionRequest&>(action);
        request.reply = {};
        cCopyFilesOverwriteActionUI question;
        if (!closing_ && WindowMaker() &&
            WindowMaker()->RunModal(question, question.PreferredWidth(),
                                    cCopyFilesOverwriteActionUI::kHeight, this, false) == 1) {
            request.reply = question.Reply();
        }
        break;
    }
    case kActionRunEnded:
        Finish(static_cast<cRunEnded&>(action).Result());
        break;
    default:
        cCustomForm::OnAction(action);
        break;
    }
}

void cCopyFilesUI::ShowLog() {
    std::vector<cSimpleListViewItemChild> rows;
    for (std::u16string& line : LogLines()) {
        rows.emplace_back(std::move(line));
    }
    const int last = int(rows.size()) - 1;
    log_->SetItems(std::move(rows));
    if (last >= 0) {
        log_->Select(last); // keeps the newest line in view
    }
}

void cCopyFilesUI::Finish(unsigned result) {
    running_ = false;
    if (closing_) {
        return;
    }
    bar_->SetPosition(0);
    if (!job_->HadErrors()) {
        EndForm(job_->WasStopped() ? 0 : 1);
        return;
    }
    abort_->SetCaption(std::u16string(Text(kTextClose).value_or(u"")));
    abort_->Place(kWidth - kMargin - 140 - 8 - 100, kButtonTop, 100, kButtonHeight);
    report_->SetVisible(true);
}

void cCopyFilesUI::AskForReport() {
    cFileChooseDialog::cOptions options;
    options.mode = cFileChooseDialog::eMode::Save;
    options.filters = {{std::u16string(Text(kTextReportFilter).value_or(u"")), u"*.txt"}};
    options.defaultExtension = u"txt";
    options.proposedName = utf::FromUtf8(copyreport::kDefaultName);
    options.title = std::u16string(Text(kTextSaveReport).value_or(u""));
    options.initialFolder = ReportFolder(job_->Target());
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (WindowMaker() && WindowMaker()->RunModal(chooser, cFileChooseDialog::kWidth,
                                                 cFileChooseDialog::kHeight, this, true) == 1) {
        SaveReport(chooser.Chosen());
    }
}

bool cCopyFilesUI::SaveReport(const std::u16string& path) {
    const std::string bytes =
        copyreport::Build(job_->Objects(), job_->Target(), job_->FinishedLines());
    const copyreport::WriteResult result = copyreport::Write(utf::ToUtf8(path), bytes);
    if (result == copyreport::WriteResult::Written) {
        return true;
    }
    MessageBoxError(this, std::u16string(Text(copyreport::FailureText(result)).value_or(u"")));
    return false;
}

// --- The job's side ---------------------------------------------------------------------

void cCopyFilesUI::OnCurrentLine(std::u16string_view text) {
    if (closing_) {
        return;
    }
    cWindowWork work([this, line = std::u16string(text)] {
        current_ = line;
        ShowLog();
    });
    work.Send(*this);
}

void cCopyFilesUI::OnLineFinished(std::u16string_view text) {
    if (closing_) {
        return;
    }
    cWindowWork work([this, line = std::u16string(text)] {
        finished_.push_back(line);
        current_.clear();
        ShowLog();
    });
    work.Send(*this);
}

void cCopyFilesUI::OnProgressBar(int position) {
    if (barShown_.exchange(position) == position) {
        return;
    }
    PostChildAction(*bar_, std::make_unique<cProgressChild::cSetProgressRequestAction>(position));
}

cConflictReply cCopyFilesUI::AskOverwrite(std::u16string_view targetPath) {
    if (closing_) {
        return {};
    }
    cOverwriteActionRequest request;
    if (!request.Send(*this)) {
        return {};
    }
    return request.reply;
}

bool cCopyFilesUI::AskCopyWithoutRoom(std::uint64_t needed, std::uint64_t available) {
    if (closing_) {
        return false;
    }
    bool goOn = false;
    cWindowWork work([this, needed, available, &goOn] {
        const std::u16string question =
            FormatText(copytext::Text(copytext::kRoomQuestion),
                       {std::u16string_view(utf::FromAscii(std::to_string(needed))),
                        std::u16string_view(utf::FromAscii(std::to_string(available)))});
        goOn = !closing_ && MessageBoxQuestion(this, question);
    });
    return work.Send(*this) && goOn;
}

void cCopyFilesUI::OnCopyFinished(unsigned result) {
    // Posted, not sent: the worker must not wait on a window that may be going away.
    PostChildAction(*this, std::make_unique<cRunEnded>(result));
}
