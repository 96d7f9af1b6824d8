#include "app/application.h"

#include "app/explorer/zelvane_form.h"
#include "app/startup/bg_init_ui.h"
#include "gui/window_maker.h"

int RunApplication(cWindowMaker& maker, const cApplicationParts& parts) {
    parts.openSettings();
    parts.registerPacks();
    {
        cBgInitUI startup(parts.findStorages);
        if (maker.RunModal(startup, cBgInitUI::kWidth, cBgInitUI::kHeight, nullptr, false) < 0) {
            parts.releaseStorages();
            return kStartupFailed;
        }
    }
    int result = -1;
    if (std::unique_ptr<cCustomForm> main = parts.makeMainForm())
        result = maker.RunModal(*main, kZelvaneWidth, kZelvaneHeight, nullptr, true);
    parts.releaseStorages();
    return result < 0 ? kStartupFailed : result;
}
