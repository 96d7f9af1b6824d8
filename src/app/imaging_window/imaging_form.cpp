#include "app/imaging_window/imaging_form.h"

#include "app/local_folders.h"
#include "base/format_text.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/progress_child.h"
#include "gui/controls/static_element.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/size_text.h"
#include "gui/window_maker.h"
#include "io/base_io.h"

namespace imaging_window {
namespace {

constexpr int kActionFigures = 40;
constexpr int kActionFinished = 41;
// Run()'s answers.
constexpr unsigned kDone = 0;
constexpr unsigned kStopped = 1;
constexpr unsigned kFailed = 2;

class cFiguresAction : public cChildAction {
public:
    explicit cFiguresAction(const imaging::cProgress& shown)
        : cChildAction(kActionFigures), progress(shown) {}
    imaging::cProgress progress;
};

class cFinishedAction : public cChildAction {
public:
    explicit cFinishedAction(unsigned code) : cChildAction(kActionFinished), result(code) {}
    unsigned result;
};

constexpr int kLabelWidth = 150;
constexpr int kFieldX = 20 + kLabelWidth;
constexpr int kBrowseWidth = 100;
constexpr int kFigureTop = 170;
constexpr int kFigureRow = 24;

} // namespace

cImagingForm::cImagingForm(const cBaseIO& source)
    : cCustomForm("qorns::imaging"), source_(source) {}

cImagingForm::~cImagingForm() {
    Stop();
}

std::u16string cImagingForm::Caption() const {
    std::u16string name = source_.DisplayName();
    return FormatText(Text(0).value_or(u""), {std::u16string_view(name)});
}

void cImagingForm::OnCreate() {
    const auto text = [this](int id) { return std::u16string(Text(id).value_or(u"")); };
    const int fieldWidth = kWidth - kFieldX - kBrowseWidth - 30;
    const int browseX = kWidth - 20 - kBrowseWidth;
    Add<cStaticElement>(20, 20, kLabelWidth, 24, text(1));
    image_ = Add<cEditChild>(kFieldX, 18, fieldWidth, 26);
    Add<cButtonChild>(browseX, 18, kBrowseWidth, 26, text(4), kCommandBrowseImage);
    Add<cStaticElement>(20, 58, kLabelWidth, 24, text(2));
    format_ = Add<cComboBoxChild>(kFieldX, 56, fieldWidth, 26,
                                  std::vector<std::u16string>{text(5), text(6), text(7)}, 0);
    Add<cStaticElement>(20, 96, kLabelWidth, 24, text(3));
    map_ = Add<cEditChild>(kFieldX, 94, fieldWidth, 26);
    Add<cButtonChild>(browseX, 94, kBrowseWidth, 26, text(4), kCommandBrowseMap);

    bar_ = Add<cProgressChild>(20, 138, -21, 12, 0, 1000);
    cStaticElement** figures[] = {&pass_, &rate_, &rescued_, &bad_, &left_};
    for (int i = 0; i < 5; ++i) {
        const int y = kFigureTop + i * kFigureRow;
        Add<cStaticElement>(20, y, kLabelWidth, 22, text(8 + i));
        *figures[i] = Add<cStaticElement>(kFieldX, y, -21, 22, u"-");
    }
    status_ = Add<cStaticElement>(20, kFigureTop + 5 * kFigureRow + 8, -21, 44, text(23));
    status_->SetWrap(true);
    const int buttonY = kHeight - 20 - 30;
    start_ = Add<cButtonChild>(kWidth - 3 * 130, buttonY, 120, 30, text(13), kCommandStart, true);
    stop_ = Add<cButtonChild>(kWidth - 2 * 130, buttonY, 120, 30, text(14), kCommandStop);
    close_ = Add<cButtonChild>(kWidth - 130, buttonY, 110, 30, text(15), kCommandClose);
    SetRunning(false);
}

void cImagingForm::SetImagePath(const std::u16string& path) {
    image_->SetText(path);
    map_->SetText(utf::FromUtf8(imaging::DefaultMapPath(utf::ToUtf8(path))));
}

void cImagingForm::SetFormat(imaging::eFormat format) {
    format_->Select(int(format));
}

void cImagingForm::SetRunning(bool running) {
    for (cChildElement* field :
         std::initializer_list<cChildElement*>{image_, format_, map_, start_, close_}) {
        field->SetEnabled(!running);
    }
    stop_->SetEnabled(running);
}

void cImagingForm::ChooseFile(cEditChild& field, bool image) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return;
    }
    cFileChooseDialog::cOptions options;
    options.mode = cFileChooseDialog::eMode::Save;
    options.title = std::u16string(Text(image ? 1 : 3).value_or(u""));
    options.filters = {
        {std::u16string(Text(image ? 21 : 3).value_or(u"")), image ? u"*.img;*.vmdk" : u"*.map"},
        {u"*", u"*"}};
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (maker->RunModal(chooser, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, this,
                        true) != 1) {
        return;
    }
    if (image) {
        SetImagePath(chooser.Chosen());
    } else {
        field.SetText(chooser.Chosen());
    }
}

bool cImagingForm::StartImaging() {
    const std::string path = utf::ToUtf8(image_->Text());
    mapPath_ = utf::ToUtf8(map_->Text());
    if (path.empty() || mapPath_.empty()) {
        status_->SetText(std::u16string(Text(28).value_or(u"")));
        return false;
    }
    std::string error;
    reader_ = source_.Duplicate();
    if (reader_) {
        job_ = imaging::PrepareImageJob(reader_->GetSectorCount(), path, mapPath_,
                                        imaging::eFormat(std::max(format_->Selected(), 0)), error);
    }
    if (!reader_ || !job_) {
        const std::u16string reason = utf::FromUtf8(error);
        status_->SetText(FormatText(Text(27).value_or(u""), {std::u16string_view(reason)}));
        return false;
    }
    status_->SetText(std::u16string(Text(job_->resumed ? 24 : 22).value_or(u"")));
    SetRunning(true);
    if (!Start()) {
        SetRunning(false);
        return false;
    }
    return true;
}

unsigned cImagingForm::Run() {
    imaging::cImager imager(*reader_, *job_->target, job_->map, imaging::cOptions{});
    bool saved = true;
    const bool finished = imager.Run(
        [&](const imaging::cImageMap& map) { return saved = imaging::SaveMapFile(map, mapPath_); },
        [this](const imaging::cProgress& progress) {
            PostChildAction(*this, std::make_unique<cFiguresAction>(progress));
            return !IsStopRequested();
        });
    if (finished) {
        return kDone;
    }
    return saved && IsStopRequested() ? kStopped : kFailed;
}

void cImagingForm::OnFinish(unsigned result) {
    PostChildAction(*this, std::make_unique<cFinishedAction>(result));
}

void cImagingForm::ShowProgress(const imaging::cProgress& progress) {
    const std::uint64_t total = progress.rescuedBytes + progress.badBytes + progress.leftBytes;
    bar_->SetPosition(total ? int((progress.rescuedBytes + progress.badBytes) * 1000 / total) : 0);
    const std::u16string passName(Text(15 + progress.pass).value_or(u""));
    pass_->SetText(FormatText(u"%d / 4: %s", {progress.pass, std::u16string_view(passName)}));
    rate_->SetText(FormatText(Text(20).value_or(u""),
                              {std::u16string_view(ByteSizeText(progress.bytesPerSecond))}));
    rescued_->SetText(ByteSizeText(progress.rescuedBytes));
    bad_->SetText(ByteSizeText(progress.badBytes));
    const std::uint64_t s = progress.secondsLeft;
    left_->SetText(progress.leftBytes == 0 ? u"0"
                   : s == 0                ? std::u16string(Text(29).value_or(u""))
                            : FormatText(u"%02d:%02d:%02d", {s / 3600, s / 60 % 60, s % 60}));
}

std::u16string_view cImagingForm::Status() const {
    return status_->ShownText();
}

void cImagingForm::ShowOutcome(unsigned result) {
    SetRunning(false);
    if (result == kDone && job_) {
        const std::u16string rescued =
            ByteSizeText(job_->map.Count(imaging::eState::kGood) * kSectorSize);
        const std::u16string bad =
            ByteSizeText(job_->map.Count(imaging::eState::kBad) * kSectorSize);
        status_->SetText(FormatText(Text(25).value_or(u""),
                                    {std::u16string_view(rescued), std::u16string_view(bad)}));
    } else {
        status_->SetText(std::u16string(Text(result == kStopped ? 26 : 30).value_or(u"")));
    }
    // The image is closed, so that it can be opened or copied at once.
    job_.reset();
    reader_.reset();
}

void cImagingForm::OnCloseRequest() {
    if (IsRunning()) {
        RequestStop();
        return;
    }
    EndForm(0);
}

bool cImagingForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    switch (item) {
    case kCommandStart:
        StartImaging();
        return true;
    case kCommandStop:
        RequestStop();
        return true;
    case kCommandClose:
        OnCloseRequest();
        return true;
    case kCommandBrowseImage:
        ChooseFile(*image_, true);
        return true;
    case kCommandBrowseMap:
        ChooseFile(*map_, false);
        return true;
    default:
        return false;
    }
}

void cImagingForm::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionFigures:
        ShowProgress(static_cast<cFiguresAction&>(action).progress);
        break;
    case kActionFinished:
        ShowOutcome(static_cast<cFinishedAction&>(action).result);
        break;
    default:
        cCustomForm::OnAction(action);
        break;
    }
}

} // namespace imaging_window
