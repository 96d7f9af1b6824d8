#pragma once
// Opening a document or folder with the desktop's default handler, as a user's double
// click would: xdg-open, in a session of its own so that it outlives the program.

#include <string>

namespace platform {

// False when xdg-open is missing or reports, within a moment, that no handler could
// open the target; a handler still running after that moment counts as opened.
bool ShellOpen(const std::string& target);

} // namespace platform
