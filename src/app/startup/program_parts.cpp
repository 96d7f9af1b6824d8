#include "app/startup/program_parts.h"

#include "app/engine.h"
#include "app/explorer/zelvane_form.h"
#include "app/startup/local_storages.h"
#include "base/lang/builtin_packs.h"
#include "base/settings.h"
#include "gui/custom_form.h"
#include "io/storage_list.h"

cApplicationParts ProgramParts() {
    cApplicationParts parts;
    // Without a usable settings file the program runs on without kept settings.
    parts.openSettings = [] { OpenSettings(); };
    parts.registerPacks = [] {
        lang::RegisterPacksFor(lang::ChooseLanguage(Settings().GetText(kSettingLanguage),
                                                    lang::LocaleVariablesFromEnvironment()));
    };
    parts.findStorages = [] { EnumerateLocalStorages(StorageList()); };
    parts.makeMainForm = [] { return MakeZelvaneForm(); };
    parts.releaseStorages = [] { StorageList().Clear(); };
    return parts;
}
