// Entry point of the desktop program.

#include "app/application.h"
#include "app/startup/program_parts.h"
#include "base/process_heap.h"
#include "base/program_paths.h"
#include "gui/sdl/ww_maker.h"

// Modules loaded into the process find the program's heap through this export (the
// executable keeps its dynamic symbol table for it).
extern "C" __attribute__((visibility("default"))) ProcessSharedHeap* __get_process_shared_heap() {
    return ProcessSharedHeapInstance();
}

int main(int argc, char** argv) {
    SetProgramPaths(ProgramPathsFromArgument(argc > 0 ? argv[0] : nullptr));
    cWWMaker maker;
    if (!maker.Initialise(101)) {
        return kStartupFailed;
    }
    return RunApplication(maker, ProgramParts());
}
