// drovik-icons: writes the program's icon, drawn by the same code as its window icon, as
// PNG files in the layout of an icon theme, for the package and the desktop menu.
//
//   drovik-icons FOLDER SIZE...   FOLDER/SIZExSIZE/apps/drovik.png for each size

#include "gui/sdl/png_file.h"
#include "gui/sdl/program_icon.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: drovik-icons FOLDER SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const cBitmap icon = program_icon::Draw(program_icon::kIconId, size);
        if (icon.Empty() || size > 1024) {
            std::fprintf(stderr, "drovik-icons: no icon of size '%s'\n", argv[i]);
            return 1;
        }
        const std::string name = std::to_string(size);
        const std::filesystem::path folder =
            std::filesystem::path(argv[1]) / (name + "x" + name) / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string file = (folder / "drovik.png").string();
        if (error || !gui_png::Save(icon, file)) {
            std::fprintf(stderr, "drovik-icons: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
