#pragma once
// The program's own pieces of the run: the settings store, the built-in language packs,
// the process's storage list and the explorer window.

#include "app/application.h"

cApplicationParts ProgramParts();
