// Points, lines and rectangles in the draw colour, blended by the blend mode and
// clipped to the clip rectangle and the surface.

#include "gfx/blit.h"
#include "gfx/clip.h"
#include <stddef.h>

namespace {

bool paintable(const SURFACE* s)
{
    return s && s->pixels && !s->rle && s->formatInfo;
}

// Paints the rectangle after clipping; every pixel goes through the format's
// routines chosen once here.
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
    bool packed = !s->formatInfo->bytesPerPixel;
    for (int64_t j = y; j < y + h; j++)
        for (int64_t i = x; i < x + w; i++) {
            uint32_t v = color;
            if (packed) {
                if (blend)
                    v = blend(sfGetPixel(s, (int)i, (int)j), color, alpha, color);
                sfPutPixel(s, (int)i, (int)j, v);
                continue;
            }
            uint8_t* p = sfPixelAddr(s, (int)i, (int)j);
            if (blend)
                v = blend(ops->readUnaligned(p), color, alpha, color);
            ops->writeUnaligned(p, v);
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
        paint(s, r->x, (int64_t)r->y + r->h - 1, r->w, 1);
    if (r->h > 2) {
        paint(s, r->x, (int64_t)r->y + 1, 1, r->h - 2);
        if (r->w > 1)
            paint(s, (int64_t)r->x + r->w - 1, (int64_t)r->y + 1, 1, r->h - 2);
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
