#pragma once
// X errors end a program by default. Ours only ever come from requests about windows
// that went away a moment earlier (a window closes while a request about it is on its
// way), which are harmless; they are logged and the program goes on.

namespace x_errors {

// Takes over X error reporting when SDL runs on X11; does nothing elsewhere.
void KeepRunning();

} // namespace x_errors
