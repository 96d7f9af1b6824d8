#include "platform/shell_open.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

bool ShellOpen(const std::string& target) {
    if (target.empty() || access("/usr/bin/xdg-open", X_OK) != 0)
        return false;
    // A shell in between detaches the handler (it runs on after the shell has left and is
    // adopted by init), so the only child we wait for is the short-lived shell.
    const char* const argv[] = {"/bin/sh", "-c", "/usr/bin/xdg-open \"$0\" >/dev/null 2>&1 &",
                                target.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
        0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace platform
