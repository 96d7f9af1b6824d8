#pragma once
// The terminal a command-line front end runs on: whether its streams are terminals, and
// Ctrl-C turned into a flag that a long operation polls to stop cleanly.

namespace platform {

bool StdinIsTerminal();
bool StderrIsTerminal();

// From the first call on, SIGINT and SIGTERM only raise a flag (the first one; a second
// signal ends the process as usual, so a stuck program can still be killed).
void CatchInterrupts();
bool InterruptRequested();

} // namespace platform
