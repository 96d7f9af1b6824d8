#include "views_pages.h"

#include "app/local_folders.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/static_element.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/dialogs/folder_choose_dialog.h"
#include "gui/navigation/navigation_child.h"
#include "gui/navigation/navigation_provider.h"
#include "gui/sdl/headless_host.h"
#include "gui/views/list_view_child.h"
#include "gui/views/prop_sheet_child.h"
#include "gui/views/splitter_child.h"
#include "gui/views/tree_view_child.h"
#include "gui/window_maker.h"

#include <chrono>
#include <thread>

namespace gallery_views {

namespace {

enum eCommand : int { kOpenFile = 301, kSaveFile, kChooseFolder, kClose };

std::u16string Number(std::uint64_t n) {
    return utf::FromAscii(std::to_string(n));
}

// "Lists" a path by waiting: 0.5 s for short paths, 3 s for long ones, so that both a
// quiet and a moving progress strip can be seen.
class cSlowProvider : public cNavigationProvider {
public:
    ~cSlowProvider() override { Stop(); }
    bool IsValidPath(std::u16string_view path) override { return !path.empty(); }

protected:
    int List(const std::u16string& path) override {
        const int steps = path.size() > 12 ? 30 : 5;
        for (int i = 0; i < steps && !IsStopRequested(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }
};

class cViewsForm : public cCustomForm {
public:
    cViewsForm() : cCustomForm("qorns::progress") {}
    ~cViewsForm() override {
        if (navi_) {
            navi_->SetProvider(nullptr);
        }
    }
    std::string FormName() const override { return "Drovik gallery: views"; }
    std::u16string Caption() const override { return u"Drovik gallery: views"; }

    void OnCreate() override {
        const int w = Rect().w;
        navi_ = Add<cNavigationChild>(12, 10, w - 12 - 3 * 150 - 24, cNavigationChild::kHeight,
                                      &provider_);
        navi_->ShowPath(u"/Volume 0/Папка 3");
        int x = w - 3 * 150 - 12;
        for (auto [id, text] : {std::pair{kOpenFile, u"Открыть файл…"},
                                {kSaveFile, u"Сохранить как…"},
                                {kChooseFolder, u"Выбрать папку…"}}) {
            Add<cButtonChild>(x, 12, 142, 28, text, id);
            x += 150;
        }
        status_ = Add<cStaticElement>(12, Rect().h - 30, -13, 22);

        auto* split = Add<cSplitterChild>(12, 52, -13, -40, std::vector<int>{300, 0});
        tree = split->AddPane<cTreeViewChild>();
        auto* right = split->AddPane<cVSplitterChild>(std::vector<int>{400, 0});
        list = right->AddPane<cListViewChild>(
            std::vector<cHeaderColumn>{{u"Имя", 300},
                                       {u"Размер", 110, eAlign::Right},
                                       {u"Тип", 90},
                                       {u"Кластер", 110, eAlign::Right}});
        sheet_ = right->AddPane<cPropSheetExChild>();
        FillTree();
        FillList();
        FillSheet();
    }

    bool OnCommand(cChildElement* source, int kind, int item) override {
        if (source == tree && kind == kActionTreeItem) {
            if (const cTreeItemElement* node = tree->Selected()) {
                Report(u"Узел: " + node->Text());
            }
            return true;
        }
        if (source == list) {
            if (kind == kActionListSelect) {
                Report(u"Выбрано строк: " + Number(std::uint64_t(list->SelectedCount())));
            } else if (kind == kActionListItem && list->Item(item)) {
                Report(u"Открыть: " + std::u16string(list->Item(item)->Text(0)));
            }
            return true;
        }
        if (kind == kNaviDone) {
            Report(u"Список готов: " + navi_->ShownPath());
            return true;
        }
        if (kind == kActionPropSheet) {
            Report(u"Новое значение: " + sheet_->Area().RowById(item)->value);
            return true;
        }
        if (kind != kActionActivate) {
            return false;
        }
        switch (item) {
        case kOpenFile:
        case kSaveFile: {
            cFileChooseDialog::cOptions options;
            options.mode =
                item == kSaveFile ? cFileChooseDialog::eMode::Save : cFileChooseDialog::eMode::Open;
            options.filters = {
                {u"Образы диска и виртуальные диски", u"*.img;*.dd;*.flp;*.vmdk;*.vhd;*.vfd;*.hdd"},
                {u"Все файлы", u"*"}};
            options.defaultExtension = u"img";
            options.proposedName = item == kSaveFile ? u"образ" : u"";
            cFileChooseDialog dialog(LocalFolders(), std::move(options));
            if (WindowMaker()->RunModal(dialog, cFileChooseDialog::kWidth,
                                        cFileChooseDialog::kHeight, this, true) == 1) {
                Report(u"Файл: " + dialog.Chosen());
            }
            return true;
        }
        case kChooseFolder: {
            cFolderChooseDialog dialog(LocalFolders());
            if (WindowMaker()->RunModal(dialog, cFolderChooseDialog::kWidth,
                                        cFolderChooseDialog::kHeight, this, true) == 1) {
                Report(u"Папка: " + dialog.Chosen());
            }
            return true;
        }
        default:
            return false;
        }
    }

    cListViewChild* list = nullptr;
    cTreeViewChild* tree = nullptr;

private:
    void Report(std::u16string text) { status_->SetText(std::move(text)); }

    void FillTree() {
        // 10 volumes of 100 folders of 99 files, and one chain 40 levels deep.
        int made = 0;
        for (int v = 0; v < 10; ++v) {
            auto* volume = tree->AddItem(
                nullptr, std::make_unique<cTreeItemElement>(u"Volume " + Number(std::uint64_t(v))));
            for (int f = 0; f < 100; ++f) {
                auto* folder = tree->AddItem(volume, std::make_unique<cTreeItemElement>(
                                                         u"Папка " + Number(std::uint64_t(f))));
                for (int i = 0; i < 99; ++i, ++made) {
                    tree->AddItem(folder, std::make_unique<cTreeItemElement>(
                                              u"file_" + Number(std::uint64_t(i)) + u".bin"));
                }
            }
        }
        cTreeItemElement* deep =
            tree->AddItem(nullptr, std::make_unique<cTreeItemElement>(u"Deep"));
        for (int level = 1; level <= 40; ++level) {
            deep = tree->AddItem(
                deep, std::make_unique<cTreeItemElement>(u"level " + Number(std::uint64_t(level))));
        }
        tree->Expand(tree->Roots().front().get(), true);
    }

    void FillList() {
        constexpr int kRows = 200'000;
        list->SetSortProvider(0, std::make_unique<cListViewChild::cListViewNameSortProvider>());
        list->SetSortProvider(1, std::make_unique<cListViewChild::cListViewU64PramSortProvider>());
        list->SetSortProvider(2, std::make_unique<cListViewChild::cListViewNameSortProvider>());
        list->SetCheckBoxes(true);
        std::vector<std::unique_ptr<cListViewItemChild>> rows;
        rows.reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            const std::uint64_t n = (std::uint64_t(i) * 7919) % kRows;
            const std::uint64_t size = (n * 2654435761u) % 50'000'000;
            rows.push_back(std::make_unique<cListViewItemChild>(
                std::vector<std::u16string>{
                    (i % 3 ? u"Документ_" : u"IMG_") + Number(n) + (i % 2 ? u".jpg" : u".docx"),
                    Number(size), i % 2 ? u"JPEG" : u"Word", Number(n * 8 + 2)},
                size, std::uintptr_t(i)));
        }
        list->AddItems(std::move(rows));
    }

    void FillSheet() {
        cPropDispAreaChild& area = sheet_->Area();
        area.AddSection(u"Раздел");
        area.AddRow(1, u"Файловая система", u"NTFS", u"Распознанная файловая система раздела");
        area.AddRow(2, u"Метка тома", u"DATA", {}, true);
        area.AddRow(3, u"Начало", u"2048");
        area.AddRow(4, u"Длина", u"976 771 072");
        area.AddSection(u"Геометрия");
        area.AddRow(5, u"Байт в секторе", u"512");
        area.AddRow(6, u"Секторов в кластере", u"8", {}, true);
    }

    cSlowProvider provider_;
    cNavigationChild* navi_ = nullptr;
    cPropSheetExChild* sheet_ = nullptr;
    cStaticElement* status_ = nullptr;
};

} // namespace

void Run(cCustomForm* parent) {
    if (cWindowMaker* maker = WindowMaker()) {
        cViewsForm form;
        maker->RunModal(form, kWidth, kHeight, parent, true);
    }
}

bool SaveScreenshot(const std::string& path) {
    cViewsForm form;
    cHeadlessHost host(form, kWidth, kHeight);
    form.list->SortBy(0, false);
    form.list->Select(3);
    form.list->Select(7, mods::kShift);
    form.tree->Select(form.tree->RowItem(2));
    form.tree->SetFocus();
    return host.SavePng(path);
}

} // namespace gallery_views
