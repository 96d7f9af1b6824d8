#include "gui/window_maker.h"

#include <atomic>

namespace {
std::atomic<cWindowMaker*> g_maker{nullptr};
}

cWindowMaker* WindowMaker() {
    return g_maker.load();
}
void SetWindowMaker(cWindowMaker* maker) {
    g_maker.store(maker);
}
