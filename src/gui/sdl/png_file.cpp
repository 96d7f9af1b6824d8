#include "gui/sdl/png_file.h"

#include <cstdio>
#include <memory>
#include <png.h>
#include <vector>

namespace gui_png {

bool Save(const cBitmap& frame, const std::string& path) {
    if (frame.Empty()) {
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    // libpng reports errors by longjmp; nothing with a destructor lives between here and
    // the calls that may jump, except the file and row buffer, which outlive the jump.
    std::vector<png_byte> row(std::size_t(frame.Width()) * 4);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, frame.Width(), frame.Height(), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame.Height(); ++y) {
        const cColor* pixels = frame.Row(y);
        for (int x = 0; x < frame.Width(); ++x) {
            row[x * 4 + 0] = png_byte(pixels[x] >> 16);
            row[x * 4 + 1] = png_byte(pixels[x] >> 8);
            row[x * 4 + 2] = png_byte(pixels[x]);
            row[x * 4 + 3] = png_byte(pixels[x] >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

} // namespace gui_png
