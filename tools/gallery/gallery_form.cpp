#include "gallery_form.h"

#include "base/utf.h"
#include "gui/basic_progress_form.h"
#include "gui/controls/button_child.h"
#include "gui/controls/check_box_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/panel_child.h"
#include "gui/controls/picture_element.h"
#include "gui/controls/popup_master.h"
#include "gui/controls/progress_child.h"
#include "gui/controls/scroll_bar.h"
#include "gui/controls/selectable_element.h"
#include "gui/controls/static_element.h"
#include "gui/controls/tool_bar_child.h"
#include "gui/message_form.h"
#include "gui/window_maker.h"
#include "icons.h"
#include "views_pages.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

enum eCommand : int {
    kWarning = 101,
    kError,
    kConfirm,
    kQuestion,
    kProgress,
    kMenu,
    kDisabledTool,
    kViews,
    kMenuCopy = 201,
    kMenuRename,
    kMenuDelete,
};

// A stand-in for a long operation: two stages over about six seconds.
class cDemoProgressForm : public cBasicProgressForm {
public:
    cDemoProgressForm() : cBasicProgressForm({{1, 3}}) {}
    ~cDemoProgressForm() override { Stop(); }

protected:
    unsigned Run() override {
        SetStage(1);
        for (int step = 0; step <= 120 && !IsStopRequested(); ++step) {
            if (!OnProgress(step * 100.0 / 120)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return IsStopRequested() ? 2 : 1;
    }
};

} // namespace

void cGalleryForm::OnCreate() {
    auto* tools = Add<cToolBarChild>(0, 0, -1, cToolBarChild::kHeight);
    tools->AddButton(
        {kWarning, u"Предупреждение", u"Показать предупреждение", gallery_icons::Warning()});
    tools->AddButton({kError, u"Ошибка", u"Показать сообщение об ошибке", gallery_icons::Error()});
    tools->AddButton(
        {kConfirm, u"Подтверждение", u"Задать вопрос Да/Нет", gallery_icons::Question()});
    tools->AddButton({kQuestion, u"Вопрос", u"Вопрос с предупреждением", {}});
    tools->AddSeparator();
    tools->AddButton({kProgress, u"Прогресс", u"Запустить форму прогресса", gallery_icons::Play()});
    tools->AddButton({kMenu, u"Меню", u"Открыть всплывающее меню", {}});
    tools->AddButton({kViews, u"Виды", u"Открыть дерево, список и выбор файлов", {}});
    tools->AddButton({kDisabledTool, u"Недоступно", u"", gallery_icons::Play()});
    tools->SetButtonEnabled(kDisabledTool, false);

    const int top = cToolBarChild::kHeight + 12, column = (Rect().w - 4 * 12) / 3,
              height = Rect().h - top - 48;
    BuildButtons(*Add<cWTPanelChild>(12, top, column, height, u"Кнопки и флажки"));
    BuildFields(*Add<cWTPanelChild>(24 + column, top, column, height, u"Поля и списки"));
    BuildProgress(*Add<cWTPanelChild>(36 + 2 * column, top, -13, height, u"Прогресс и прокрутка"));

    status_ = Add<cStaticElement>(14, Rect().h - 32, -15, 22,
                                  u"Готово. Правая кнопка мыши открывает меню.");
    status_->SetColor(theme::kTextMuted);
}

void cGalleryForm::BuildButtons(cChildElement& panel) {
    int y = cWTPanelChild::kTitleHeight + 14;
    panel.Add<cButtonChild>(14, y, -15, 30, u"Обычная кнопка", 1);
    panel.Add<cButtonChild>(14, y += 40, -15, 30, u"Главная кнопка", 2, true);
    panel.Add<cButtonChild>(14, y += 40, -15, 30, u"Недоступная", 3)->SetEnabled(false);
    panel.Add<cCheckBoxChild>(14, y += 48, -15, 24, u"Показывать удалённые", 11, true);
    panel.Add<cCheckBoxChild>(14, y += 30, -15, 24, u"Искать по сигнатурам", 12);
    panel.Add<cCheckBoxChild>(14, y += 30, -15, 24, u"Недоступный флажок", 13, true)
        ->SetEnabled(false);
    auto* row = panel.Add<cPanelChild>(14, y += 38, -15, 30);
    row->Add<cCheckBoxLvChild>(4, 3, 24, 24, 14, true);
    row->Add<cStaticElement>(32, 4, -5, 22, u"Флажок строки списка");
}

void cGalleryForm::BuildFields(cChildElement& panel) {
    int y = cWTPanelChild::kTitleHeight + 12;
    panel.Add<cStaticElement>(14, y, -15, 20, u"Имя файла:")->SetColor(theme::kTextMuted);
    panel.Add<cEditChild>(14, y += 22, -15, 30, u"copying_report.txt", 21);
    panel.Add<cStaticElement>(14, y += 40, -15, 20, u"Папка назначения:")
        ->SetColor(theme::kTextMuted);
    panel.Add<cEditChild>(14, y += 22, -15, 30, u"/home/user/Восстановленные файлы", 22);
    panel.Add<cStaticElement>(14, y += 40, -15, 20, u"Файловая система:")
        ->SetColor(theme::kTextMuted);
    panel.Add<cComboBoxChild>(
        14, y += 22, -15, 30,
        std::vector<std::u16string>{u"NTFS", u"FAT32", u"Ext4", u"HFS+", u"UDF"}, 0);
    y += 44;
    panel.Add<cSelectableElement>(10, y, -11, 26, u"Раздел 1 — NTFS, 120 ГБ", 31);
    panel.Add<cSelectableElement>(10, y += 28, -11, 26, u"Раздел 2 — FAT32, 8 ГБ", 32)
        ->SetSelected(true);
    panel.Add<cSelectableElement>(10, y += 28, -11, 26, u"Неизвестное пространство", 33);
}

void cGalleryForm::BuildProgress(cChildElement& panel) {
    int y = cWTPanelChild::kTitleHeight + 14;
    panel.Add<cStaticElement>(14, y, -15, 20, u"Копирование: 30%");
    panel.Add<cProgressChild>(14, y += 24, -15, 10)->SetPosition(300);
    panel.Add<cStaticElement>(14, y += 20, -15, 20, u"Приглушено: 75%");
    auto* faint = panel.Add<cProgressChild>(14, y += 24, -15, 10);
    faint->SetPosition(750);
    faint->SetOpacity(110);
    auto* hscroll = panel.Add<cHScroll>(14, y += 28, -15, cScrollBarBase::kThickness);
    hscroll->SetRange(0, 100, 20);
    hscroll->SetPosition(30);
    auto* picture =
        panel.Add<cPictureElement>(14, y += 28, 180, 120, gallery_icons::Picture(180, 120));
    picture->AddActiveZone({12, 12, 70, 96}, 41);
    picture->AddActiveZone({98, 12, 70, 96}, 42);
    auto* vscroll = panel.Add<cVScroll>(204, y, cScrollBarBase::kThickness, 120);
    vscroll->SetRange(0, 200, 40);
    vscroll->SetPosition(60);
}

void cGalleryForm::Report(std::u16string what) {
    status_->SetText(std::move(what));
}

bool cGalleryForm::OnCommand(cChildElement* source, int kind, int item) {
    switch (item) {
    case kWarning:
        MessageBoxWarning(
            this, u"Папка назначения находится на том же диске, что и восстанавливаемые данные.");
        return true;
    case kError:
        MessageBoxError(this, u"Не удалось прочитать сектор 1 048 576: ошибка ввода-вывода.");
        return true;
    case kConfirm:
        Report(MessageBoxConfirm(this, u"Файл «отчёт.txt» уже существует. Заменить его?")
                   ? u"Ответ: Да"
                   : u"Ответ: Нет");
        return true;
    case kQuestion:
        Report(
            MessageBoxQuestion(this, u"Прервать сканирование? Найденные файлы останутся в списке.")
                ? u"Ответ: Да"
                : u"Ответ: Нет");
        return true;
    case kProgress:
        RunProgressForm();
        return true;
    case kViews:
        gallery_views::Run(this);
        return true;
    case kMenu: {
        const cRect at = source->FormRect();
        OnButtonUp(eMouseButton::Right, {at.x + 40, at.Bottom()}, 0);
        return true;
    }
    default:
        break;
    }
    Report(u"Команда " + utf::FromAscii(std::to_string(item)) + u", вид " +
           utf::FromAscii(std::to_string(kind)));
    return true;
}

void cGalleryForm::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    if (button != eMouseButton::Right) {
        return;
    }
    cPopupMaster::Show(*this, point,
                       {{u"Копировать в…", kMenuCopy},
                        {u"Переименовать", kMenuRename, false},
                        {{}, 0, true, true},
                        {u"Удалить из списка", kMenuDelete}});
}

void cGalleryForm::RunProgressForm() {
    cDemoProgressForm form;
    const int result = WindowMaker()->RunModal(form, cBasicProgressForm::kWidth,
                                               cBasicProgressForm::kHeight, this, false);
    Report(result == 1 ? u"Операция завершена" : u"Операция остановлена");
}

void cGalleryForm::OnCloseRequest() {
    if (WindowMaker()) {
        WindowMaker()->PostQuit(0);
    }
}
