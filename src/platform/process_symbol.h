#pragma once

namespace platform {

// The address of a function exported by the program or by any module loaded into it,
// or null when none exports the name.
void* FindProcessSymbol(const char* name);

} // namespace platform
