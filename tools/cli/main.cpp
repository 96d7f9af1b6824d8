// drovik-cli: the recovery engine for terminals, scripts and tests. Reads storages and
// images; never writes to them.

#include "command.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void PrintOverview() {
    std::printf(
        "NAME\n"
        "    drovik-cli - read drives and disk images and copy files out of them\n\n"
        "SYNOPSIS\n"
        "    drovik-cli COMMAND [ARGUMENTS] [--json]\n"
        "    drovik-cli COMMAND --help\n\n"
        "DESCRIPTION\n"
        "    Looks into a drive or a disk image the way the recovery program does: its\n"
        "    partitions, the file systems inside them and their folders (deleted entries\n"
        "    included), and copies what you choose to a safe place with a report. It only\n"
        "    ever reads the drive or image, never writes to it. Run it as root to read\n"
        "    drives; image files need only read permission.\n\n"
        "    SOURCE names what to read: a raw image file (a byte-for-byte copy of a disk or\n"
        "    a partition), a block device node (/dev/sdb), or DriveN as 'storages' numbers\n"
        "    drives.\n"
        "    A partition is named by its path as 'parts' prints it: 0 is the whole storage,\n"
        "    1, 2, ... its partitions, 2.1, 2.2, ... those inside partition 2. Paths inside\n"
        "    a file system start at its root, '/', and use '/' between names.\n"
        "    Where no partition table names it (the table was wiped), --at START[:LENGTH]\n"
        "    defines a partition by hand on every command that takes --part: it starts at\n"
        "    512-byte sector START and spans LENGTH sectors, by default the size of the\n"
        "    file system found there.\n\n"
        "COMMANDS\n");
    for (const cli::Command* command : cli::Commands()) {
        std::printf("    %-10s %s\n", command->name, command->summary);
    }
    std::printf(
        "\nGETTING STARTED\n"
        "    1. Find the partitions and their file systems:\n"
        "           drovik-cli parts disk.img\n"
        "    2. Browse a folder of partition 1 (-r: with its sub-folders; --deleted: with\n"
        "       deleted entries):\n"
        "           drovik-cli ls disk.img --part 1 /Documents\n"
        "    3. Copy a folder tree out to a folder on another disk, with a report:\n"
        "           drovik-cli cp disk.img --part 1 /Documents /mnt/safe --report report.txt\n"
        "       The folder appears as /mnt/safe/Documents. Copy everything with PATH '/'.\n"
        "       Never copy to the drive you are recovering from.\n\n"
        "    When a storage holds a single file system, --part may be left out.\n\n"
        "MORE EXAMPLES\n"
        "    drovik-cli storages                       the drives of this machine\n"
        "    drovik-cli info /dev/sdb --part 2         facts about a file system\n"
        "    drovik-cli cat disk.img --part 1 /a.txt   one file's bytes to stdout\n"
        "    drovik-cli cp Drive1 --part 1 /a.txt /b --on-conflict rename /mnt/safe\n"
        "    drovik-cli ls disk.img -r --json          every entry as JSON Lines\n"
        "    drovik-cli dump disk.img --sector 0       the first sector in hex\n"
        "    drovik-cli ls disk.img --part 1 --result found.drdb\n"
        "                                              a saved tree of found files\n\n"
        "OUTPUT AND EXIT STATUS\n"
        "    Listings go to stdout; with --json one JSON object per line. Errors go to\n"
        "    stderr. The exit status is 0 on success, 1 when something failed (for cp:\n"
        "    when some object was not copied), 2 for a usage error; 'cp' answers 3 when\n"
        "    it was stopped with Ctrl-C.\n\n"
        "    'drovik-cli COMMAND --help' describes each command and its options.\n");
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
