#pragma once
// Opening a document or folder with the desktop's default handler, as a user's double
// click would: xdg-open, started detached so that the program neither waits for it nor
// leaves a zombie behind.

#include <string>

namespace platform {

// True when the handler could be started; whether it then found an application is
// between it and the desktop.
bool ShellOpen(const std::string& target);

} // namespace platform
