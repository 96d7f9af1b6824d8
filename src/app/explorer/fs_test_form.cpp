#include "app/explorer/fs_test_form.h"

#include "app/local_folders.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/check_box_child.h"
#include "gui/controls/static_element.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/message_form.h"
#include "gui/window_maker.h"

namespace explorer {
namespace {

constexpr int kActionChanged = 1;
constexpr int kActionEnded = 2;
constexpr int kLabelWidth = 170;
constexpr int kColumnWidth = 160;
constexpr int kRowHeight = 24;
constexpr int kTop = 14;
constexpr int kButtonTop = cFsTestForm::kHeight - 42;

std::u16string Number(std::uint64_t value) {
    return utf::FromAscii(std::to_string(value));
}

} // namespace

cFsTestForm::cFsTestForm(cVFS& fs)
    : cCustomForm("qorns::tstfs"), job_(std::make_unique<cFsTestJob>(fs, false)) {}

cFsTestForm::~cFsTestForm() {
    job_->Stop();
}

std::u16string cFsTestForm::Caption() const {
    return std::u16string(Text(0).value_or(u""));
}

void cFsTestForm::OnCreate() {
    const auto text = [this](int number) { return std::u16string(Text(number).value_or(u"")); };
    const int x0 = 16 + kLabelWidth;
    auto* intact = Add<cStaticElement>(x0, kTop, kColumnWidth, kRowHeight - 2, text(6));
    auto* damaged =
        Add<cStaticElement>(x0 + kColumnWidth, kTop, kColumnWidth, kRowHeight - 2, text(7));
    intact->SetFont(StandardFont(eStdFont::Bold));
    damaged->SetFont(StandardFont(eStdFont::Bold));
    for (int row = 0; row < 3; ++row) {
        const int y = kTop + (row + 1) * kRowHeight;
        Add<cStaticElement>(16, y, kLabelWidth, kRowHeight - 2, text(3 + row));
        cells_[2 * row] = Add<cStaticElement>(x0, y, kColumnWidth, kRowHeight - 2);
        cells_[2 * row + 1] =
            Add<cStaticElement>(x0 + kColumnWidth, y, kColumnWidth, kRowHeight - 2);
    }
    readAll_ =
        Add<cCheckBoxChild>(16, kTop + 4 * kRowHeight + 10, -17, 22, text(14), kCommandReadAll);
    report_ = static_cast<cButtonChild*>(
        AddChild(cButtonChild::FromSection(10, kCommandReport), 16, kButtonTop, 140, 30));
    start_ = static_cast<cButtonChild*>(AddChild(cButtonChild::FromSection(1, kCommandStart, true),
                                                 kWidth - 16 - 100 - 8 - 170, kButtonTop, 170, 30));
    close_ = static_cast<cButtonChild*>(
        AddChild(cButtonChild::FromSection(2, kCommandClose), kWidth - 116, kButtonTop, 100, 30));
    report_->SetEnabled(false);
    // Posted, not sent: the job must never wait for a window that may be going away.
    job_->Watch(
        [this](bool ended) {
            PostChildAction(*this,
                            std::make_unique<cChildAction>(ended ? kActionEnded : kActionChanged));
        },
        cFsTestJob::kRedrawMs);
    ShowCounters();
}

std::u16string cFsTestForm::Cell(std::size_t index) const {
    return cells_[index] ? std::u16string(cells_[index]->ShownText()) : std::u16string();
}

void cFsTestForm::ShowCounters() {
    const cFsTestCounters c = job_->Counters();
    const std::uint64_t values[] = {c.intactFolders, c.damagedFolders, c.intactFiles,
                                    c.damagedFiles,  c.intactBytes,    c.damagedBytes};
    const std::u16string none(Text(8).value_or(u""));
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        cells_[i]->SetText(tested_ || running_ ? Number(values[i]) : none);
    }
}

void cFsTestForm::Begin() {
    if (running_) {
        job_->RequestStop();
        return;
    }
    job_->Stop();
    job_->SetReadAll(readAll_->IsChecked());
    running_ = job_->Start();
    if (running_) {
        start_->SetCaption(std::u16string(Text(9).value_or(u"")));
        readAll_->SetEnabled(false);
        report_->SetEnabled(false);
        close_->SetEnabled(false);
    }
    ShowCounters();
}

void cFsTestForm::OnAction(cChildAction& action) {
    if (action.Kind() == kActionChanged) {
        ShowCounters();
    } else if (action.Kind() == kActionEnded) {
        running_ = false;
        tested_ = true;
        ShowCounters();
        start_->SetCaption(std::u16string(Text(1).value_or(u"")));
        readAll_->SetEnabled(true);
        report_->SetEnabled(true);
        close_->SetEnabled(true);
    } else {
        cCustomForm::OnAction(action);
    }
}

void cFsTestForm::OnCloseRequest() {
    if (running_) {
        job_->RequestStop();
    } else {
        EndForm(tested_ ? 1 : 0);
    }
}

bool cFsTestForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    switch (item) {
    case kCommandStart:
        Begin();
        return true;
    case kCommandClose:
        OnCloseRequest();
        return true;
    case kCommandReport:
        AskForReport();
        return true;
    default:
        return false;
    }
}

void cFsTestForm::AskForReport() {
    cWindowMaker* maker = WindowMaker();
    if (!maker || running_ || !tested_) {
        return;
    }
    cFileChooseDialog::cOptions options;
    options.mode = cFileChooseDialog::eMode::Save;
    options.filters = {{std::u16string(Text(11).value_or(u"")), u"*.txt"}};
    options.defaultExtension = u"txt";
    options.title = std::u16string(Text(10).value_or(u""));
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (maker->RunModal(chooser, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, this,
                        true) == 1) {
        SaveReport(chooser.Chosen());
    }
}

bool cFsTestForm::SaveReport(const std::u16string& path) {
    if (report::Write(utf::ToUtf8(path), BuildFsTestReport(job_->Result())) ==
        report::WriteResult::Written) {
        return true;
    }
    MessageBoxError(this, std::u16string(Text(12).value_or(u"")));
    return false;
}

} // namespace explorer
