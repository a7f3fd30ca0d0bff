// Clipping of copies, in 64-bit arithmetic so no frame or position can wrap.

#include "gfx/clip.h"
#include <stddef.h>

bool clipToBounds(int64_t* x, int64_t* y, int64_t* w, int64_t* h, int64_t* sx, int64_t* sy,
                  const RECT* bounds)
{
    int64_t bx0 = bounds->x, by0 = bounds->y;
    int64_t bx1 = bx0 + bounds->w, by1 = by0 + bounds->h;
    if (*x >= bx1 || *y >= by1 || *x + *w <= bx0 || *y + *h <= by0)
        return false;
    if (*x < bx0) {
        *sx += bx0 - *x;
        *w -= bx0 - *x;
        *x = bx0;
    }
    if (*y < by0) {
        *sy += by0 - *y;
        *h -= by0 - *y;
        *y = by0;
    }
    if (*x + *w > bx1)
        *w = bx1 - *x;
    if (*y + *h > by1)
        *h = by1 - *y;
    return *w > 0 && *h > 0;
}

bool clipCopy(const SURFACE* src, const SURFACE* dst, int x, int y, const RECT* frame, const RECT* clip,
              CopyRect* out)
{
    int64_t sx = 0, sy = 0, w = src->width, h = src->height;
    if (frame) {
        sx = frame->x;
        sy = frame->y;
        w = frame->w;
        h = frame->h;
    }
    if (w <= 0 || h <= 0 || sx >= src->width || sy >= src->height || sx + w <= 0 || sy + h <= 0)
        return false;
    // A negative source start is raised to 0; the destination position stays.
    if (sx < 0) {
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        h += sy;
        sy = 0;
    }
    if (sx + w > src->width)
        w = src->width - sx;
    if (sy + h > src->height)
        h = src->height - sy;
    int64_t dx = x, dy = y;
    if (clip && !clipToBounds(&dx, &dy, &w, &h, &sx, &sy, clip))
        return false;
    RECT bounds = {0, 0, dst->width, dst->height};
    if (!clipToBounds(&dx, &dy, &w, &h, &sx, &sy, &bounds))
        return false;
    *out = CopyRect{static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(dx),
                    static_cast<int>(dy), static_cast<int>(w),  static_cast<int>(h)};
    return true;
}
