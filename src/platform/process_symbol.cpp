#include "platform/process_symbol.h"

#include <dlfcn.h>

namespace platform {

void* FindProcessSymbol(const char* name) {
    return ::dlsym(RTLD_DEFAULT, name);
}

} // namespace platform
