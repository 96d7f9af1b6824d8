#include "gui/dialogs/file_choose_dialog.h"

#include "base/name_fold.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/static_element.h"
#include "gui/message_form.h"
#include "gui/size_text.h"
#include "gui/views/list_view_child.h"
#include "gui/views/name_order.h"

#include <algorithm>
#include <chrono>

namespace {

// Texts of "tusk::filechoose".
enum : int {
    kTextOpenTitle = 0,
    kTextSaveTitle = 1,
    kTextLookIn = 2,
    kTextFileName = 3,
    kTextFileType = 4,
    kTextOpen = 5,
    kTextSave = 6,
    kTextCancel = 7,
    kTextName = 8,
    kTextSize = 9,
    kTextType = 10,
    kTextModified = 11,
    kTextFolder = 12,
    kTextFile = 13,
    kTextUp = 14,
    kTextNewFolder = 15,
    kTextReplace = 18,
    kTextNoSuchFile = 19,
    kTextCannotCreate = 20,
    kTextComputer = 21,
    kTextHome = 22,
    kTextEnterName = 23,
    kTextCannotRead = 24,
};

constexpr int kMargin = 12;
constexpr int kColumnName = 0, kColumnSize = 1, kColumnModified = 3;

std::u16string FormatTime(std::int64_t epoch) {
    using namespace std::chrono;
    const sys_seconds at{seconds(epoch)};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    return DateTimeText(int(date.year()), int(unsigned(date.month())), int(unsigned(date.day())),
                        int(time.hours().count()), int(time.minutes().count()),
                        int(time.seconds().count()));
}

// Rows carry their entry's index; the modification time lives in the entry.
class cModifiedSortProvider : public cListViewChild::cSortProvider {
public:
    explicit cModifiedSortProvider(const std::vector<cFileChooseListFolder::cEntry>& entries)
        : entries_(entries) {}
    bool Less(const cListViewItemChild& a, const cListViewItemChild& b, int) const override {
        return entries_[a.Data()].modified < entries_[b.Data()].modified;
    }

private:
    const std::vector<cFileChooseListFolder::cEntry>& entries_;
};

} // namespace

cFileChooseDialog::cFileChooseDialog(const cLocalFolders& folders, cOptions options)
    : cChooserForm(folders, "tusk::filechoose",
                   {kTextLookIn, kTextUp, kTextNewFolder, kTextCannotCreate, kTextCannotRead},
                   options.initialFolder),
      options_(std::move(options)) {}

std::u16string cFileChooseDialog::Caption() const {
    if (!options_.title.empty()) {
        return options_.title;
    }
    return std::u16string(
        Text(options_.mode == eMode::Save ? kTextSaveTitle : kTextOpenTitle).value_or(u""));
}

void cFileChooseDialog::OnCreate() {
    const int top = BuildTop();
    const int w = Rect().w, h = Rect().h;
    list_ =
        Add<cListViewChild>(kMargin, top, -(kMargin + 1), -(kMargin + 1 + 84),
                            std::vector<cHeaderColumn>{
                                {std::u16string(Text(kTextName).value_or(u"")), 300},
                                {std::u16string(Text(kTextSize).value_or(u"")), 90, eAlign::Right},
                                {std::u16string(Text(kTextType).value_or(u"")), 80},
                                {std::u16string(Text(kTextModified).value_or(u"")), 140}});
    list_->SetMultiSelect(false);
    list_->SetIcons(Icons());
    list_->SetSortProvider(kColumnName,
                           std::make_unique<cListViewChild::cListViewNameSortProvider>());
    list_->SetSortProvider(kColumnSize,
                           std::make_unique<cListViewChild::cListViewU64PramSortProvider>());
    list_->SetSortProvider(2, std::make_unique<cListViewChild::cListViewNameSortProvider>());
    list_->SetSortProvider(kColumnModified, std::make_unique<cModifiedSortProvider>(entries_));

    const int row1 = h - kMargin - 70, row2 = h - kMargin - 32;
    const int fieldX = kMargin + 110, fieldW = w - fieldX - kMargin - 130;
    AddChild(cStaticElement::FromSection(kTextFileName), kMargin, row1 + 4, 104, 20);
    name_ = Add<cEditChild>(fieldX, row1, fieldW, 28);
    name_->SetText(options_.proposedName);
    AddChild(cStaticElement::FromSection(kTextFileType), kMargin, row2 + 4, 104, 20);
    std::vector<std::u16string> types;
    for (const cFileFilter& f : options_.filters) {
        types.push_back(f.name + u" (" + f.patterns + u")");
    }
    types_ = Add<cComboBoxChild>(fieldX, row2, fieldW, 28, std::move(types),
                                 options_.filters.empty() ? -1 : 0);
    AddChild(cButtonChild::FromSection(options_.mode == eMode::Save ? kTextSave : kTextOpen,
                                       kCommandAccept, true),
             w - kMargin - 118, row1, 118, 28);
    AddChild(cButtonChild::FromSection(kTextCancel, kCommandCancel), w - kMargin - 118, row2, 118,
             28);
    name_->SetFocus();
    Go(InitialFolder());
}

bool cFileChooseDialog::Matches(std::u16string_view name, int filter) const {
    if (filter < 0 || filter >= int(options_.filters.size())) {
        return true;
    }
    std::u16string_view patterns = options_.filters[std::size_t(filter)].patterns;
    while (!patterns.empty()) {
        const std::size_t cut = patterns.find(u';');
        const std::u16string_view pattern = patterns.substr(0, cut);
        if (!pattern.empty() && namefold::MatchPattern(pattern, name, false)) {
            return true;
        }
        patterns =
            cut == std::u16string_view::npos ? std::u16string_view() : patterns.substr(cut + 1);
    }
    return false;
}

void cFileChooseDialog::ShowListing(std::vector<cFileChooseListFolder::cEntry> entries) {
    entries_ = std::move(entries);
    Refill();
}

void cFileChooseDialog::Refill() {
    const std::u16string folderType(Text(kTextFolder).value_or(u""));
    const std::u16string fileType(Text(kTextFile).value_or(u""));
    // Above the root the rows are the machine's roots: the file-system root and home.
    const bool roots = CurrentFolder().empty();
    auto typeOf = [&](const cFileChooseListFolder::cEntry& e) {
        if (roots) {
            return std::u16string(Text(e.name == u"/" ? kTextComputer : kTextHome).value_or(u""));
        }
        return e.isFolder ? folderType : fileType;
    };
    std::vector<std::size_t> folders, files;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const auto& e = entries_[i];
        if (e.isFolder) {
            folders.push_back(i);
        } else if (Matches(e.name, filter_)) {
            files.push_back(i);
        }
    }
    auto byName = [&](std::size_t a, std::size_t b) {
        return name_order::Compare(entries_[a].name, entries_[b].name) < 0;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    rows.reserve(folders.size() + files.size());
    for (const auto* group : {&folders, &files}) {
        for (std::size_t i : *group) {
            const auto& e = entries_[i];
            auto row = std::make_unique<cListViewItemChild>(
                std::vector<std::u16string>{e.name, e.isFolder ? u"" : ByteSizeText(e.size),
                                            typeOf(e), e.modified ? FormatTime(e.modified) : u""},
                e.size, i);
            row->SetIcon(e.isFolder ? 0 : 1);
            rows.push_back(std::move(row));
        }
    }
    list_->Clear();
    list_->AddItems(std::move(rows));
}

void cFileChooseDialog::SetFilter(int index) {
    if (index < 0 || index >= int(options_.filters.size())) {
        return;
    }
    filter_ = index;
    types_->Select(index);
    Refill();
}

void cFileChooseDialog::SetName(std::u16string name) {
    name_->SetText(std::move(name));
}

void cFileChooseDialog::Activate(int row) {
    const cListViewItemChild* item = list_->Item(row);
    if (!item) {
        return;
    }
    const auto& e = entries_[item->Data()];
    if (e.isFolder) {
        Go(CurrentFolder().empty() ? e.name : chooser_path::Join(CurrentFolder(), e.name));
    } else {
        Accept();
    }
}

void cFileChooseDialog::Accept() {
    const std::u16string typed = name_->Text();
    if (typed.empty()) {
        MessageBoxWarning(this, std::u16string(Text(kTextEnterName).value_or(u"")));
        return;
    }
    if (CurrentFolder().empty() && typed.front() != u'/') {
        return; // no folder to put a relative name in
    }
    std::u16string path =
        typed.front() == u'/' ? typed : chooser_path::Join(CurrentFolder(), typed);
    if (Folders().IsFolder(path)) {
        if (Go(path)) {
            name_->SetText({});
        }
        return;
    }
    if (options_.mode == eMode::Open) {
        if (!Folders().Exists(path)) {
            MessageBoxWarning(this, std::u16string(Text(kTextNoSuchFile).value_or(u"")));
            return;
        }
    } else {
        if (!options_.defaultExtension.empty() &&
            chooser_path::Name(path).find(u'.') == std::u16string_view::npos) {
            path += u"." + options_.defaultExtension;
        }
        if (Folders().Exists(path) &&
            !MessageBoxConfirm(this, std::u16string(Text(kTextReplace).value_or(u"")))) {
            return;
        }
    }
    chosen_ = std::move(path);
    EndForm(1);
}

bool cFileChooseDialog::OnCommand(cChildElement* source, int kind, int item) {
    if (source == list_) {
        if (kind == kActionListItem) {
            Activate(item);
        } else if (kind == kActionListSelect) {
            if (const cListViewItemChild* row = list_->Item(item);
                row && !entries_[row->Data()].isFolder) {
                name_->SetText(std::u16string(row->Text(kColumnName)));
            }
        }
        return true;
    }
    if (source == types_ && kind == kActionSelChange) {
        SetFilter(item);
        return true;
    }
    if (kind == kActionActivate && item == kCommandAccept) {
        Accept();
        return true;
    }
    return cChooserForm::OnCommand(source, kind, item);
}

bool cFileChooseDialog::OnKeyDown(int key, int modifiers) {
    if (key == key::kEnter && !modifiers) {
        Accept();
        return true;
    }
    return cChooserForm::OnKeyDown(key, modifiers);
}
