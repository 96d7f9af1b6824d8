#include "gui/sdl/x_errors.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <cstdio>
#include <cstring>

namespace x_errors {
namespace {

int LogError(Display* display, XErrorEvent* error) {
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "drovik: X error ignored: %s (request %u.%u, resource 0x%lx)\n", text,
                 unsigned(error->request_code), unsigned(error->minor_code), error->resourceid);
    return 0;
}

} // namespace

void KeepRunning() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) {
        XSetErrorHandler(LogError);
    }
}

} // namespace x_errors
