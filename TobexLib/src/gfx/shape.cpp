// Points, lines and rectangles in the draw colour, blended by the blend mode and
// clipped to the clip rectangle and the surface.

#include "gfx/blit.h"
#include "gfx/clip.h"
#include <stddef.h>
#include <string.h>

namespace {

bool paintable(const SURFACE* s)
{
    return s && s->pixels && !s->rle && s->formatInfo;
}

// A solid row of n pixels of bpp bytes from p, pixels adjacent: the first pixel
// written, then the written part copied onto the rest, doubling each time.
void fillRow(uint8_t* p, int64_t n, int bpp, const PixelOps* ops, uint32_t color)
{
    ops->writeUnaligned(p, color);
    const size_t total = static_cast<size_t>(n) * static_cast<size_t>(bpp);
    for (size_t done = static_cast<size_t>(bpp); done < total; done *= 2)
        memcpy(p + done, p, done < total - done ? done : total - done);
}

// Paints the rectangle after clipping; every pixel goes through the format's
// routines chosen once here. Rows are addressed once; a solid fill of adjacent
// pixels writes its first row by copying and the other rows from the first.
void paint(SURFACE* s, int64_t x, int64_t y, int64_t w, int64_t h)
{
    if (!paintable(s) || w <= 0 || h <= 0)
        return;
    int64_t sx = 0, sy = 0;
    const RECT* clip = gfxGetClip();
    if (clip && !clipToBounds(&x, &y, &w, &h, &sx, &sy, clip))
        return;
    RECT bounds = {0, 0, s->width, s->height};
    if (!clipToBounds(&x, &y, &w, &h, &sx, &sy, &bounds))
        return;
    uint32_t mode = gfxGetBlendMode();
    BlendFn blend = nullptr;
    if (mode >= BLEND_COUNT || (mode && !(blend = blendOps(s->format)->mode[mode])))
        return;
    uint32_t color = gfxGetColor(), alpha = gfxGetAlpha();
    const PixelOps* ops = pfOps(s->format);
    const int bpp = s->formatInfo->bytesPerPixel;
    if (!bpp) {
        for (int64_t j = y; j < y + h; j++)
            for (int64_t i = x; i < x + w; i++)
                sfPutPixel(s, static_cast<int>(i), static_cast<int>(j),
                           blend ? blend(sfGetPixel(s, static_cast<int>(i), static_cast<int>(j)), color,
                                         alpha, color)
                                 : color);
        return;
    }
    // The rows are reached by stepping the row pitch from the first.
    uint8_t* const first = sfPixelAddr(s, static_cast<int>(x), static_cast<int>(y));
    if (!blend && s->xPitch == bpp) {
        fillRow(first, w, bpp, ops, color);
        uint8_t* row = first;
        for (int64_t j = 1; j < h; j++) {
            row += s->yPitch;
            memcpy(row, first, static_cast<size_t>(w) * static_cast<size_t>(bpp));
        }
        return;
    }
    uint8_t* row = first;
    for (int64_t j = 0; j < h; j++) {
        if (j)
            row += s->yPitch;
        uint8_t* p = row;
        for (int64_t i = 0; i < w; i++) {
            if (i)
                p += s->xPitch;
            ops->writeUnaligned(p, blend ? blend(ops->readUnaligned(p), color, alpha, color) : color);
        }
    }
}
}

void sfPlot(SURFACE* s, int x, int y)
{
    paint(s, x, y, 1, 1);
}
void sfHLine(SURFACE* s, int x, int y, int length)
{
    paint(s, x, y, length, 1);
}
void sfVLine(SURFACE* s, int x, int y, int length)
{
    paint(s, x, y, 1, length);
}

void sfRect(SURFACE* s, const RECT* r)
{
    if (!r || r->w <= 0 || r->h <= 0)
        return;
    paint(s, r->x, r->y, r->w, 1);
    if (r->h > 1)
        paint(s, r->x, static_cast<int64_t>(r->y) + r->h - 1, r->w, 1);
    if (r->h > 2) {
        paint(s, r->x, static_cast<int64_t>(r->y) + 1, 1, r->h - 2);
        if (r->w > 1)
            paint(s, static_cast<int64_t>(r->x) + r->w - 1, static_cast<int64_t>(r->y) + 1, 1, r->h - 2);
    }
}

void sfFillRect(SURFACE* s, const RECT* r)
{
    if (!s)
        return;
    if (!r)
        paint(s, 0, 0, s->width, s->height);
    else
        paint(s, r->x, r->y, r->w, r->h);
}
