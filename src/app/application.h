#pragma once
// The desktop program's run, after the entry point has set the program paths (and, once
// the GUI host exists, created the window maker). In order: open the settings; register
// the language packs; show the start-up form while its job enumerates the local
// storages; run the main explorer window modally; release the storage list. Its result
// is the process exit code.
//
// Only the settings step exists so far: the run stops after it with a plain message,
// since no window can be shown yet.

int RunApplication();
