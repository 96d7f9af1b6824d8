#include "platform/shell_open.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

constexpr char kXdgOpen[] = "/usr/bin/xdg-open";
// xdg-open says within this time whether it found a handler; one still running then
// is the handler itself, kept in the foreground.
constexpr auto kVerdictWait = std::chrono::milliseconds(1500);
constexpr auto kPoll = std::chrono::milliseconds(25);

} // namespace

bool ShellOpen(const std::string& target) {
    if (target.empty() || access(kXdgOpen, X_OK) != 0) {
        return false;
    }
    posix_spawn_file_actions_t files;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_init(&attributes);
    // Its own session: the handler outlives us and never reads our terminal.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const char* const argv[] = {kXdgOpen, target.c_str(), nullptr};
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, kXdgOpen, &files, &attributes, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        return false;
    }
    const auto until = std::chrono::steady_clock::now() + kVerdictWait;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (ended < 0 && errno != EINTR) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    // Whoever ends it later, it leaves no zombie behind.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace platform
