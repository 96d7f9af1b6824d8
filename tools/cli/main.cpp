// drovik-cli: the recovery engine for terminals, scripts and tests. Reads storages and
// images; never writes to them.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"

namespace {

void PrintOverview() {
    std::printf("usage: drovik-cli COMMAND [ARGUMENTS] [--json]\n\n"
                "Reads drives and disk images without ever writing to them: lists storages,\n"
                "partitions and folders, and copies files out to a safe place.\n\n"
                "Commands:\n");
    for (const cli::Command* command : cli::Commands()) {
        std::printf("  %-10s %s\n", command->name, command->summary);
    }
    std::printf("\n'drovik-cli COMMAND --help' describes one command. Errors go to stderr and\n"
                "end with a non-zero exit code; listings go to stdout.\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        PrintOverview();
        return argc < 2 ? 2 : 0;
    }
    for (const cli::Command* command : cli::Commands()) {
        if (!std::strcmp(command->name, argv[1])) {
            return command->handler(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "drovik-cli: unknown command '%s'; 'drovik-cli --help' lists them\n",
                 argv[1]);
    return 2;
}
