// Rotated and scaled copies (nearest neighbour) and the cosine table.
//
// The source position of a destination pixel is kept as an exact 16.16
// product stepped by a constant along the row, so the stepped value equals the
// direct formula at every pixel. Source pixels outside the source rectangle
// are found with unsigned range tests and skipped by a select, not a branch.

#include <math.h>
#include <stddef.h>
#include <string.h>

#include "gfx/blit.h"
#include "gfx/blit_fast.h"
#include "gfx/clip.h"
#include "gfx/pixel_access.h"

namespace {

struct CosTable {
    int32_t v[901];
    CosTable()
    {
        for (int i = 0; i <= 900; i++)
            v[i] = static_cast<int32_t>(lround(65536.0 * cos(i / 10.0 * M_PI / 180.0)));
    }
};

const CosTable& cosTable()
{
    static const CosTable table;
    return table;
}

int64_t iabs(int64_t v)
{
    return v < 0 ? -v : v;
}

// Everything an inner loop needs for one rotated copy.
struct XformJob {
    const uint8_t* base;     // source pixels (0, 0)
    int sxp, syp;            // source pitches
    int fx, fy;              // frame origin in the source
    int uLo, uHi, vLo, vHi;  // readable frame columns and rows, [lo, hi)
    int64_t au, bu, av, bv;  // 16.16 steps of u and v per destination x and y
    int64_t cu, cv;          // 8.8 pivot terms
    int x, y;                // hot spot in the destination
    RECT box;                // clipped destination box
    uint32_t key;
};

using pixel::Px16;
using pixel::Px32;
using pixel::Px8;

// One row of an unblended copy. U and V carry the pivot and rounding terms and
// the readable range's start, so the source column is simply U >> 16:
// floor((floor(U0 / 256) + c) / 256) = floor((U0 + 256 c) / 65536) for integer c.
template <class P, bool Keyed, class T>
void xformRow(const XformJob& j, uint8_t* d, T U, T V, T au, T av, int n)
{
    const uint32_t uSpan = static_cast<uint32_t>(j.uHi - j.uLo), vSpan = static_cast<uint32_t>(j.vHi - j.vLo);
    // The source positions along a row are monotone in x, so the pixels that
    // land inside the source form one interval [i0, i1): find it, then copy it
    // without range tests.
    auto inside = [&](int i) {
        T u = (U + au * i) >> 16, v = (V + av * i) >> 16;
        return u >= 0 && v >= 0 && static_cast<uint32_t>(u) < uSpan && static_cast<uint32_t>(v) < vSpan;
    };
    int i0 = 0, i1 = n;
    while (i0 < n && !inside(i0))
        i0++;
    while (i1 > i0 && !inside(i1 - 1))
        i1--;
    const uint8_t* base =
        j.base + static_cast<ptrdiff_t>(j.fy + j.vLo) * j.syp + static_cast<ptrdiff_t>(j.fx + j.uLo) * j.sxp;
    const ptrdiff_t sxp = j.sxp, syp = j.syp;
    const uint32_t key = j.key;
    U += au * i0;
    V += av * i0;
    d += static_cast<ptrdiff_t>(i0) * P::size;
    for (int i = i0; i < i1; i++, U += au, V += av, d += P::size) {
        uint32_t s =
            P::load(base + static_cast<ptrdiff_t>(V >> 16) * syp + static_cast<ptrdiff_t>(U >> 16) * sxp);
        if (Keyed)
            s = s == key ? P::load(d) : s;
        P::store(d, s);
    }
}

template <class P, bool Keyed>
void xformRows(const XformJob& j, SURFACE* dst)
{
    const int64_t ku = 256 * (j.cu + 128) - (static_cast<int64_t>(j.uLo) << 16);
    const int64_t kv = 256 * (j.cv + 128) - (static_cast<int64_t>(j.vLo) << 16);
    for (int py = j.box.y; py < j.box.y + j.box.h; py++) {
        int64_t dx = j.box.x - j.x, dy = py - j.y;
        int64_t U = j.au * dx + j.bu * dy + ku, V = j.av * dx + j.bv * dy + kv;
        int64_t U1 = U + j.au * (j.box.w - 1), V1 = V + j.av * (j.box.w - 1);
        uint8_t* d = sfPixelAddr(dst, j.box.x, py);
        auto fits = [](int64_t a) { return a > INT32_MIN / 2 && a < INT32_MAX / 2; };
        if (fits(U) && fits(U1) && fits(V) && fits(V1))
            xformRow<P, Keyed, int32_t>(j, d, static_cast<int32_t>(U), static_cast<int32_t>(V),
                                        static_cast<int32_t>(j.au), static_cast<int32_t>(j.av), j.box.w);
        else
            xformRow<P, Keyed, int64_t>(j, d, U, V, j.au, j.av, j.box.w);
    }
}

// Every format and blend mode, pixel by pixel through the format's routines.
void xformReference(const XformJob& j, const SURFACE* src, SURFACE* dst, BlendFn blend)
{
    bool packedFmt = !dst->formatInfo->bytesPerPixel;
    const PixelOps* ops = pfOps(dst->format);
    const RECT* clip = gfxSetClip(nullptr);
    for (int py = j.box.y; py < j.box.y + j.box.h; py++)
        for (int px = j.box.x; px < j.box.x + j.box.w; px++) {
            int64_t dx = px - j.x, dy = py - j.y;
            int64_t u = ((((j.au * dx + j.bu * dy) >> 8) + j.cu + 128) >> 8);
            int64_t v = ((((j.av * dx + j.bv * dy) >> 8) + j.cv + 128) >> 8);
            if (u < j.uLo || u >= j.uHi || v < j.vLo || v >= j.vHi)
                continue;
            uint32_t s = sfGetPixel(src, static_cast<int>(j.fx + u), static_cast<int>(j.fy + v));
            if (j.key != SF_NO_KEY && s == j.key)
                continue;
            uint32_t d = packedFmt ? sfGetPixel(dst, px, py) : ops->readUnaligned(sfPixelAddr(dst, px, py));
            if (blend)
                s = blend(d, s, gfxGetAlpha(), gfxGetColor());
            sfPutPixel(dst, px, py, s);
        }
    gfxSetClip(clip);
}

bool fastXform(const XformJob& j, const SURFACE* src, SURFACE* dst)
{
    if (src->xPitch != src->formatInfo->bytesPerPixel || dst->xPitch != dst->formatInfo->bytesPerPixel)
        return false;
    bool keyed = j.key != SF_NO_KEY;
    switch (src->formatInfo->bytesPerPixel) {
    case 1:
        keyed ? xformRows<Px8, true>(j, dst) : xformRows<Px8, false>(j, dst);
        return true;
    case 2:
        keyed ? xformRows<Px16, true>(j, dst) : xformRows<Px16, false>(j, dst);
        return true;
    case 4:
        keyed ? xformRows<Px32, true>(j, dst) : xformRows<Px32, false>(j, dst);
        return true;
    default:
        return false;
    }
}

// Source rectangle, box size and position, and the inverse mapping.
bool planXform(const SURFACE* src, const SURFACE* dst, const XFORM* t, int i, XformJob* j)
{
    const RECT* f = sfFrame(src, i);
    RECT whole = {0, 0, src->width, src->height};
    if (!f)
        f = &whole;
    int64_t w = f->w, h = f->h, sx = t->sx, sy = t->sy;
    // Frames are bounded (a file may say anything) so no product below can overflow.
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535 || sx <= 0 || sy <= 0)
        return false;
    int32_t sn, cs;
    gfxSinCos(t->angle, &sn, &cs);
    int64_t W = (((iabs(cs) * sx * w + iabs(sn) * sy * h) >> 8) + 255) >> 8;
    int64_t H = (((iabs(cs) * sy * h + iabs(sn) * sx * w) >> 8) + 255) >> 8;
    int64_t xp = src->xPivot, yp = src->yPivot;
    int64_t left =
        t->x +
        ((((cs * sx * w) / 256 * (128 - xp) - (sn * sy * h) / 256 * (128 - yp)) / 256 - W * 128 + 255) >> 8);
    int64_t top =
        t->y +
        ((((sn * sx * w) / 256 * (128 - xp) + (cs * sy * h) / 256 * (128 - yp)) / 256 - H * 128 + 255) >> 8);
    int64_t bx = left, by = top, bw = W, bh = H, ignore = 0;
    const RECT* clip = gfxGetClip();
    if (clip && !clipToBounds(&bx, &by, &bw, &bh, &ignore, &ignore, clip))
        return false;
    RECT bounds = {0, 0, dst->width, dst->height};
    if (!clipToBounds(&bx, &by, &bw, &bh, &ignore, &ignore, &bounds))
        return false;
    int64_t isx = (65536 + sx / 2) / sx, isy = (65536 + sy / 2) / sy;
    j->base = src->pixels;
    j->sxp = src->xPitch;
    j->syp = src->yPitch;
    j->fx = f->x;
    j->fy = f->y;
    // Only the part of the frame that lies on the source can be read.
    int64_t uLo = f->x < 0 ? -static_cast<int64_t>(f->x) : 0,
            vLo = f->y < 0 ? -static_cast<int64_t>(f->y) : 0;
    int64_t uHi = static_cast<int64_t>(f->x) + w > src->width ? src->width - static_cast<int64_t>(f->x) : w;
    int64_t vHi = static_cast<int64_t>(f->y) + h > src->height ? src->height - static_cast<int64_t>(f->y) : h;
    if (uLo >= uHi || vLo >= vHi)
        return false;
    j->uLo = static_cast<int>(uLo);
    j->vLo = static_cast<int>(vLo);
    j->uHi = static_cast<int>(uHi);
    j->vHi = static_cast<int>(vHi);
    j->au = isx * cs;
    j->bu = isx * sn;
    j->av = -isy * sn;
    j->bv = isy * cs;
    j->cu = xp * w;
    j->cv = yp * h;
    j->x = t->x;
    j->y = t->y;
    j->box = RECT{static_cast<int32_t>(bx), static_cast<int32_t>(by), static_cast<int32_t>(bw),
                  static_cast<int32_t>(bh)};
    j->key = src->keycolor;
    return true;
}

}

int32_t gfxCosTable(int i)
{
    if (i < 0 || i > 900)
        return 0;
    return cosTable().v[i];
}

void gfxSinCos(int angle, int32_t* sinOut, int32_t* cosOut)
{
    int a = angle % 360;
    if (a < 0)
        a += 360;
    int b = a < 180 ? a : 360 - a;
    int c = b < 90 ? b : 180 - b;
    int32_t cs = cosTable().v[10 * c] >> 8;
    int32_t sn = cosTable().v[900 - 10 * c] >> 8;
    if (cosOut)
        *cosOut = b >= 90 ? -cs : cs;
    if (sinOut)
        *sinOut = a >= 180 ? -sn : sn;
}

int sfBlitXform(const SURFACE* src, SURFACE* dst, const XFORM* xform, int i)
{
    if (!src || !dst || !xform || !src->pixels || !dst->pixels || !src->formatInfo || !dst->formatInfo)
        return 0;
    if (src->format != dst->format || src->rle || dst->rle || gfxGetAlpha() == 0)
        return 0;
    uint32_t mode = gfxGetBlendMode();
    BlendFn blend = nullptr;
    if (mode >= BLEND_COUNT || (mode && !(blend = blendOps(dst->format)->mode[mode])))
        return 0;
    XformJob j;
    if (!planXform(src, dst, xform, i, &j))
        return 0;
    if (blend || !src->formatInfo->bytesPerPixel || !gfxFastPaths() || !fastXform(j, src, dst))
        xformReference(j, src, dst, blend);
    return 1;
}
