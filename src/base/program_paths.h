#pragma once
// Where the program lives, from its first command-line argument. Paths inside the
// program use `/`; a `\` (as a path typed for another system may carry) is turned into
// `/`. The folder ends in `/` whenever it is not empty.

#include <string>

struct ProgramPaths {
    std::u16string file;   // the argument itself; empty without an argument
    std::u16string folder; // cut after the last `\`, else the last `/`; "./" without one
};

// firstArgument is the program's own path in UTF-8, or null when there is none.
ProgramPaths ProgramPathsFromArgument(const char* firstArgument);

// Where the files installed with the program are (the manual, the shipped rules): beside
// the program, as in a build folder, unless the program sits in a `bin/` folder next to
// `share/drovik/`, as an installed one does. Ends in `/` whenever it is not empty.
std::u16string DataFolderOf(const std::u16string& programFolder);

// The process-wide values, set once at start and read everywhere.
void SetProgramPaths(ProgramPaths paths);
const std::u16string& ProgramFilePath();
const std::u16string& ProgramFolder();
// DataFolderOf the running executable's folder (the program folder when the system does
// not tell where the executable is), found once.
const std::u16string& ProgramDataFolder();
