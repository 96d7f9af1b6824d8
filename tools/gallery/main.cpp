// drovik-gallery: shows every basic control of the GUI library.
//   drovik-gallery                          opens the gallery window
//   drovik-gallery --screenshot FILE        renders the gallery without a window into a PNG
//   drovik-gallery --views-screenshot FILE  renders the page of the large views likewise

#include "base/lang/builtin_packs.h"
#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"
#include "gallery_form.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/ww_maker.h"
#include "views_pages.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    lang::RegisterPack(lang::EnglishPack(), lang::Registry());
    lang::RegisterPack(lang::RussianPack(), lang::Registry());

    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        cGalleryForm form;
        cHeadlessHost host(form, cGalleryForm::kWidth, cGalleryForm::kHeight);
        if (host.SavePng(argv[2])) {
            return 0;
        }
        std::fprintf(stderr, "drovik-gallery: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--views-screenshot") == 0) {
        if (gallery_views::SaveScreenshot(argv[2])) {
            return 0;
        }
        std::fprintf(stderr, "drovik-gallery: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc != 1) {
        std::fprintf(
            stderr,
            "usage: drovik-gallery [--screenshot FILE.png | --views-screenshot FILE.png]\n");
        return 2;
    }

    cWWMaker maker;
    if (!maker.Initialise()) {
        std::fprintf(stderr, "drovik-gallery: no display\n");
        return 1;
    }
    cGalleryForm form;
    cWindowHolder* window = maker.CreateWindow(
        form, {0, 0, cGalleryForm::kWidth, cGalleryForm::kHeight}, nullptr, window_style::kCentred);
    if (!window) {
        std::fprintf(stderr, "drovik-gallery: cannot open a window\n");
        return 1;
    }
    const int code = maker.RunMessageLoop();
    maker.Destroy(nullptr);
    return code;
}
