#include "platform/terminal.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<bool> interrupted{false};

void OnInterrupt(int) {
    interrupted.store(true);
}

} // namespace

bool StdinIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}
bool StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    action.sa_flags = SA_RESETHAND; // the second signal takes its default course
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
    return interrupted.load();
}

} // namespace platform
