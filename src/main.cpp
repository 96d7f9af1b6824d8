// Entry point of the desktop program.

#include <cstdio>

int main(int argc, char** argv) {
    std::fprintf(stderr, "drovik: the window is not built yet; use drovik-cli for now\n");
    return 1;
}
