#pragma once
// The desktop program's run, after the entry point has set the program paths and created
// the window maker. In order: open the settings; register the language packs of the
// chosen interface language (English, with Russian over it for a Russian one); show the start-up
// form while its job finds the local storages; run the main explorer window modally; release the
// storage list. Its result (the main window's) is the process exit code.

#include <functional>
#include <memory>

class cCustomForm;
class cWindowMaker;

// The pieces the run puts together, replaceable so that the run can be tried without
// the machine's drives or the real main window.
struct cApplicationParts {
    std::function<void()> openSettings;
    std::function<void()> registerPacks;
    // Runs on the start-up job's thread.
    std::function<void()> findStorages;
    std::function<std::unique_ptr<cCustomForm>()> makeMainForm;
    std::function<void()> releaseStorages;
};

inline constexpr int kStartupFailed = 1;

// The program passes ProgramParts() (app/startup/program_parts.h).
int RunApplication(cWindowMaker& maker, const cApplicationParts& parts);
