// The picture writer: PNG through libpng's write callbacks, TGA by hand (type 2,
// top-left origin, blue first).
#include "app/picture.h"

#include <png.h>
#include <string.h>
#include <strings.h>

#include <vector>

#include "base/bytes.h"

namespace {

struct PngOut {
    PictureSink sink;
    void* ctx;
    bool ok;
};

void pngWrite(png_structp png, png_bytep data, png_size_t n)
{
    PngOut* out = static_cast<PngOut*>(png_get_io_ptr(png));
    out->ok = out->ok && out->sink(out->ctx, data, n);
}

void pngFlush(png_structp) {}

// One row in the file's channel order: RGB(A) for PNG, BGR(A) for TGA.
void packRow(const uint8_t* rgba, int width, bool alpha, bool bgr, uint8_t* out)
{
    for (int x = 0; x < width; x++, rgba += 4) {
        *out++ = bgr ? rgba[2] : rgba[0];
        *out++ = rgba[1];
        *out++ = bgr ? rgba[0] : rgba[2];
        if (alpha)
            *out++ = rgba[3];
    }
}

bool writePng(const uint8_t* rgba, int width, int height, bool alpha, PngOut* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(size_t(width) * (alpha ? 4 : 3));
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, pngWrite, pngFlush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; y++) {
        packRow(rgba + size_t(y) * size_t(width) * 4, width, alpha, false, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out->ok;
}

bool writeTga(const uint8_t* rgba, int width, int height, bool alpha, PictureSink sink, void* ctx)
{
    uint8_t header[18] = {};
    header[2] = 2;  // uncompressed true colour
    leWrite16(header + 12, uint16_t(width));
    leWrite16(header + 14, uint16_t(height));
    header[16] = alpha ? 32 : 24;
    header[17] = uint8_t(0x20 | (alpha ? 8 : 0));  // top-left origin; alpha bits
    if (!sink(ctx, header, sizeof header))
        return false;
    std::vector<uint8_t> row(size_t(width) * (alpha ? 4 : 3));
    for (int y = 0; y < height; y++) {
        packRow(rgba + size_t(y) * size_t(width) * 4, width, alpha, true, row.data());
        if (!sink(ctx, row.data(), row.size()))
            return false;
    }
    return true;
}

}

PictureKind pictureKindOf(const char* name)
{
    const char* dot = name ? strrchr(name, '.') : nullptr;
    if (dot && !strcasecmp(dot, ".png"))
        return PICTURE_PNG;
    if (dot && !strcasecmp(dot, ".tga"))
        return PICTURE_TGA;
    return PICTURE_NONE;
}

bool pictureWrite(PictureKind kind, const uint8_t* rgba, int width, int height, bool alpha, PictureSink sink,
                  void* ctx)
{
    // TGA keeps sizes in 16 bits.
    if (!rgba || !sink || width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF)
        return false;
    if (kind == PICTURE_TGA)
        return writeTga(rgba, width, height, alpha, sink, ctx);
    PngOut out = {.sink = sink, .ctx = ctx, .ok = true};
    return kind == PICTURE_PNG && writePng(rgba, width, height, alpha, &out);
}
