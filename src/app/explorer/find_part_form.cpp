#include "app/explorer/find_part_form.h"

#include "app/explorer/explorer_icons.h"
#include "app/findpart/part_list_file.h"
#include "app/local_folders.h"
#include "base/format_text.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/hint_master.h"
#include "gui/controls/static_element.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/message_form.h"
#include "gui/views/list_view_child.h"
#include "gui/window_maker.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"

#include <chrono>
#include <fstream>
#include <iterator>

namespace explorer {
namespace {

constexpr int kActionRowsChanged = 40;
constexpr int kActionProgress = 41;
constexpr int kActionSearchEnded = 42;
constexpr int kButtonHeight = 28;
// A list file holds a few volumes; anything larger is not one.
constexpr std::size_t kMaxListBytes = 8 + partlist::kRecordBytes * (partlist::kMaxNodes + 1);

std::uint64_t SteadyMilliseconds() {
    return std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
}

// A push button that explains itself in a tool tip while the pointer rests on it.
class cHintButton final : public cButtonChild {
public:
    cHintButton(std::u16string caption, int command, std::u16string hint)
        : cButtonChild(std::move(caption), command), hint_(std::move(hint)) {}

    void OnMouseEnter() override {
        cButtonChild::OnMouseEnter();
        if (!hint_.empty()) {
            cHintMaster::Show(*this, hint_);
        }
    }
    void OnMouseLeave() override {
        cButtonChild::OnMouseLeave();
        cHintMaster::Hide(*this);
    }

private:
    std::u16string hint_;
};

class cProgressAction final : public cChildAction {
public:
    explicit cProgressAction(double percent) : cChildAction(kActionProgress), percent(percent) {}
    double percent;
};

class cSearchEndedAction final : public cChildAction {
public:
    explicit cSearchEndedAction(unsigned result)
        : cChildAction(kActionSearchEnded), result(result) {}
    unsigned result;
};

const cPartTree* TableOf(cStorageList& storages, const cBaseIO& storage) {
    const auto* tree = dynamic_cast<const cPartStorageTree*>(storages.FindTree(&storage));
    return tree ? &tree->Tree() : nullptr;
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace

cFindPartMainForm::cFindPartMainForm(cStorageList& storages, cBaseIO& storage)
    : cCustomForm("qorns::findpart"), storages_(storages),
      found_(storage, TableOf(storages, storage)), job_(found_, *this) {}

cFindPartMainForm::~cFindPartMainForm() {
    job_.Stop();
}

std::u16string cFindPartMainForm::T(int number) const {
    return std::u16string(Text(number).value_or(u""));
}

std::u16string cFindPartMainForm::Caption() const {
    return T(0);
}

std::u16string_view cFindPartMainForm::Status() const {
    return status_ ? status_->ShownText() : std::u16string_view();
}

void cFindPartMainForm::OnCreate() {
    list_ = Add<cListViewChild>(
        8, 8, -9, -76,
        std::vector<cHeaderColumn>{
            {T(3), 110}, {T(4), 90, eAlign::Right}, {T(5), 150, eAlign::Right}, {T(6), 110}});
    list_->SetIcons(FoundPartitionIcons());
    list_->SetMultiSelect(true);
    status_ = Add<cStaticElement>(0, 0, 0, 0, std::u16string());
    const auto add = [this](int caption, int command, int hint) {
        return static_cast<cButtonChild*>(
            AddChild(std::make_unique<cHintButton>(T(caption), command,
                                                   hint < 0 ? std::u16string() : T(hint)),
                     0, 0, 0, 0));
    };
    search_ = add(7, kCmdSearch, 10);
    stop_ = add(14, kCmdStop, 14);
    save_ = add(8, kCmdSave, 11);
    load_ = add(9, kCmdLoad, 12);
    keep_ = add(1, kCmdKeep, -1);
    close_ = add(2, kCmdClose, -1);
    LayOut();
    UpdateButtons(false);
}

void cFindPartMainForm::OnSize() {
    cCustomForm::OnSize();
    if (close_) {
        LayOut();
    }
}

// The status line and the buttons keep to the bottom edge as the window is resized.
void cFindPartMainForm::LayOut() {
    // The longer languages' captions do not fit in one row of a 500-pixel window: the
    // search and its list file above, what ends the window below.
    const int width = Rect().w, bottom = Rect().h - kButtonHeight - 10;
    const int top = bottom - kButtonHeight - 6;
    status_->Place(8, top - 26, width - 16, 20);
    search_->Place(8, top, 170, kButtonHeight);
    stop_->Place(8, top, 170, kButtonHeight);
    save_->Place(184, top, 110, kButtonHeight);
    load_->Place(300, top, 110, kButtonHeight);
    keep_->Place(width - 8 - 100 - 6 - 180, bottom, 180, kButtonHeight);
    close_->Place(width - 8 - 100, bottom, 100, kButtonHeight);
}

void cFindPartMainForm::UpdateButtons(bool running) {
    const bool rows = !found_.Rows().empty();
    search_->SetVisible(!running);
    stop_->SetVisible(running);
    save_->SetEnabled(!running && rows);
    load_->SetEnabled(!running);
    keep_->SetEnabled(!running && rows);
}

bool cFindPartMainForm::HasUnsavedRows() {
    const cFoundList::cGuard guard(found_);
    return !found_.Saved() && !found_.Rows().empty();
}

void cFindPartMainForm::RefillRows() {
    list_->Clear();
    const cFoundList::cGuard guard(found_);
    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    for (cPartTreeItem* node : found_.Rows()) {
        const cFoundRowTexts texts = RowTexts(*node);
        auto row = std::make_unique<cListViewItemChild>(
            std::vector<std::u16string>{Wide(texts.fileSystem), Wide(texts.start), Wide(texts.size),
                                        texts.label},
            node->Start(), reinterpret_cast<std::uintptr_t>(node));
        row->SetIcon(int(found_.RootState(*node)));
        rows.push_back(std::move(row));
    }
    list_->AddItems(std::move(rows));
}

bool cFindPartMainForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    switch (item) {
    case kCmdSearch:
        StartSearch();
        return true;
    case kCmdStop:
        job_.RequestStop();
        return true;
    case kCmdSave:
        Save();
        return true;
    case kCmdLoad:
        Load();
        return true;
    case kCmdKeep:
        Keep();
        return true;
    case kCmdClose:
        Close();
        return true;
    default:
        return false;
    }
}

void cFindPartMainForm::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionRowsChanged:
        RefillRows();
        break;
    case kActionProgress:
        if (const auto reading = meter_.Accept(static_cast<cProgressAction&>(action).percent,
                                               SteadyMilliseconds())) {
            ShowProgress(reading->shownPercent, reading->elapsedMs,
                         reading->remainingMs.value_or(0));
        }
        break;
    case kActionSearchEnded:
        // The last reports fall inside the meter's interval; the end is always shown.
        if (static_cast<cSearchEndedAction&>(action).result == 1) {
            ShowProgress(100.0, SteadyMilliseconds() - searchStartMs_, 0);
        }
        // The job ends its run right after telling so.
        UpdateButtons(false);
        break;
    default:
        cCustomForm::OnAction(action);
    }
}

bool cFindPartMainForm::OnProgress(double percent) {
    PostChildAction(*this, std::make_unique<cProgressAction>(percent));
    return !job_.IsStopRequested();
}

void cFindPartMainForm::OnRowAdded(cPartTreeItem&) {
    PostChildAction(*this, std::make_unique<cChildAction>(kActionRowsChanged));
}

void cFindPartMainForm::OnSearchFinished(unsigned result) {
    PostChildAction(*this, std::make_unique<cSearchEndedAction>(result));
}

void cFindPartMainForm::ShowProgress(double percent, std::uint64_t elapsedMs,
                                     std::uint64_t remainingMs) {
    const cClockTime spent = SplitMilliseconds(elapsedMs);
    const cClockTime left = SplitMilliseconds(remainingMs);
    status_->SetText(FormatText(T(24), {percent, spent.hours, spent.minutes, spent.seconds,
                                        left.hours, left.minutes, left.seconds}));
}

void cFindPartMainForm::StartSearch() {
    if (job_.IsRunning() || (HasUnsavedRows() && !MessageBoxQuestion(this, T(15)))) {
        return;
    }
    {
        const cFoundList::cGuard guard(found_);
        list_->Clear();
        found_.Clear();
    }
    searchStartMs_ = SteadyMilliseconds();
    meter_.Restart(searchStartMs_);
    status_->SetText(std::u16string());
    if (job_.Start()) {
        UpdateButtons(true);
    }
}

void cFindPartMainForm::Save() {
    cWindowMaker* maker = WindowMaker();
    if (!maker || found_.Rows().empty()) {
        return;
    }
    cFileChooseDialog::cOptions options;
    options.mode = cFileChooseDialog::eMode::Save;
    options.filters = {{T(16), u"*.qornpl"}};
    options.defaultExtension = u"qornpl";
    options.title = T(17);
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (maker->RunModal(chooser, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, this,
                        true) == 1) {
        SaveTo(utf::ToUtf8(chooser.Chosen()));
    }
}

bool cFindPartMainForm::SaveTo(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    {
        const cFoundList::cGuard guard(found_);
        bytes = partlist::Encode(found_.Top());
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        MessageBoxError(this, T(18));
        return false;
    }
    if (!file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())) ||
        !file.flush()) {
        MessageBoxError(this, T(19));
        return false;
    }
    found_.SetSaved(true);
    return true;
}

void cFindPartMainForm::Load() {
    cWindowMaker* maker = WindowMaker();
    if (!maker || job_.IsRunning() || (HasUnsavedRows() && !MessageBoxQuestion(this, T(20)))) {
        return;
    }
    cFileChooseDialog::cOptions options;
    options.filters = {{T(16), u"*.qornpl"}};
    options.defaultExtension = u"qornpl";
    options.title = T(21);
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (maker->RunModal(chooser, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, this,
                        true) == 1) {
        LoadFrom(utf::ToUtf8(chooser.Chosen()));
    }
}

bool cFindPartMainForm::LoadFrom(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        MessageBoxError(this, T(22));
        return false;
    }
    std::vector<std::uint8_t> bytes;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
        if (bytes.size() > kMaxListBytes) {
            break;
        }
    }
    partlist::cLoadResult result;
    {
        const cFoundList::cGuard guard(found_);
        found_.Clear();
        result = partlist::Decode(bytes, found_.Tree(), found_.Top(),
                                  [this](cPartTreeItem& node, std::uint8_t type, std::uint16_t) {
                                      AttachStoredReader(node, type);
                                      found_.SetRootState(node, CheckRoot(node));
                                  });
        found_.SetSaved(true);
    }
    RefillRows();
    UpdateButtons(false);
    if (!result.ok || bytes.size() > kMaxListBytes) {
        MessageBoxError(this, T(23));
        return false;
    }
    return true;
}

void cFindPartMainForm::Keep() {
    const std::vector<int> selected = list_->SelectedIndices();
    if (list_->ItemCount() == 0) {
        return;
    }
    if (selected.empty()) {
        MessageBoxError(this, T(26));
        return;
    }
    if (int(selected.size()) < list_->ItemCount() && HasUnsavedRows() &&
        !MessageBoxQuestion(this, T(25))) {
        return;
    }
    auto* storageTree = dynamic_cast<cPartStorageTree*>(storages_.FindTree(&found_.Storage()));
    cPartTreeItem* root = storageTree ? storageTree->Tree().First() : nullptr;
    if (!root) {
        return;
    }
    {
        const cFoundList::cGuard guard(found_);
        for (const int index : selected) {
            auto* node = reinterpret_cast<cPartTreeItem*>(list_->Item(index)->Data());
            if (std::unique_ptr<cPartTreeItem> owned = found_.Tree().Take(node)) {
                storageTree->Tree().AddChild(root, std::move(owned));
            }
        }
    }
    storages_.SetChanged(true);
    EndForm(1);
}

void cFindPartMainForm::Close() {
    if (job_.IsRunning()) {
        job_.RequestStop();
        return;
    }
    if (HasUnsavedRows() && !MessageBoxQuestion(this, T(13))) {
        return;
    }
    EndForm(0);
}

void cFindPartMainForm::OnCloseRequest() {
    if (job_.IsRunning()) {
        job_.RequestStop();
        return;
    }
    Close();
}

bool FindLostPartitions(cCustomForm* owner, cStorageList& storages, cBaseIO& storage) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return false;
    }
    cFindPartMainForm form(storages, storage);
    return maker->RunModal(form, cFindPartMainForm::kWidth, cFindPartMainForm::kHeight, owner,
                           true) == 1;
}

} // namespace explorer
