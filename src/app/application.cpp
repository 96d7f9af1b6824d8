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
    if (std::unique_ptr<cCustomForm> main = parts.makeMainForm()) {
        result = maker.RunModal(*main, kZelvaneWidth, kZelvaneHeight, nullptr, true);
        // A form that had a window was sized by it. Ending without an end code then means
        // a quit request (a signal, the session closing), not a failed start: the form
        // gets its close request, so that it stops its work and may ask what it must, and
        // the run ends as a closed window does. The quit stays pending, so nothing waits.
        if (result < 0 && !main->Rect().Empty()) {
            main->OnCloseRequest();
            result = 0;
        }
    }
    parts.releaseStorages();
    return result < 0 ? kStartupFailed : result;
}
