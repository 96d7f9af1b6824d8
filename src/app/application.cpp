#include "app/application.h"

#include "base/settings.h"

#include <cstdio>

int RunApplication() {
    OpenSettings();
    std::fprintf(stderr, "drovik: the window is not built yet; use drovik-cli for now\n");
    return 1;
}
