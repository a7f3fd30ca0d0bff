// Specialised copy loops: one straight loop per (source, destination, blend
// mode, key) combination, chosen once per copy and written without branches in
// the pixel loop so the compiler turns them into vector code. Each gives the
// same bytes as the reference copy.

#include <stddef.h>
#include <string.h>

#include "gfx/blit.h"
#include "gfx/blit565.h"
#include "gfx/blit_fast.h"
#include "gfx/pixel_access.h"
#include "gfx/rowcopy.h"

namespace {

using pixel::Px16;
using pixel::Px24;
using pixel::Px32;
using pixel::Px8;

// ---- Conversions of a source pixel to the destination format.
struct ConvSame {
    uint32_t operator()(uint32_t v) const
    {
        return v;
    }
};
// "8888"/"888" to a 16-bit colour format: each channel scaled with truncation.
template <int RS, uint32_t RM, int GS, uint32_t GM, int BS, uint32_t BM>
struct ConvTo16 {
    uint32_t operator()(uint32_t v) const
    {
        uint32_t r = div255(((v >> 16) & 255) * RM);
        uint32_t g = div255(((v >> 8) & 255) * GM);
        uint32_t b = div255((v & 255) * BM);
        return r << RS | g << GS | b << BS;
    }
};
// "8888" to "888" and "888" to "8888": the colour bits, alpha 0.
struct ConvLow24 {
    uint32_t operator()(uint32_t v) const
    {
        return v & 0xFFFFFF;
    }
};
// One-byte sources go through a table made by colorConvert for this copy.
struct ConvTable {
    const uint32_t* lut;
    uint32_t operator()(uint32_t v) const
    {
        return lut[v & 255];
    }
};

// ---- Blend modes of the destination format; a is 1..256.
template <int SH, uint32_t MX>
uint32_t field(uint32_t v)
{
    return (v >> SH) & MX;
}

template <int RS, uint32_t RM, int GS, uint32_t GM, int BS, uint32_t BM, uint32_t Keep>
struct ColorBlend {
    uint32_t a, c, store;
    static uint32_t mix(uint32_t s, uint32_t d, uint32_t a)
    {
        uint32_t ia = 256 - a;
        uint32_t r = (field<RS, RM>(s) * a + field<RS, RM>(d) * ia) >> 8;
        uint32_t g = (field<GS, GM>(s) * a + field<GS, GM>(d) * ia) >> 8;
        uint32_t b = (field<BS, BM>(s) * a + field<BS, BM>(d) * ia) >> 8;
        return r << RS | g << GS | b << BS | (d & Keep);
    }
    static uint32_t sat(uint32_t v, uint32_t m)
    {
        return v > m ? m : v;
    }
    uint32_t none(uint32_t, uint32_t s) const
    {
        return s;
    }
    uint32_t alpha(uint32_t d, uint32_t s) const
    {
        return mix(s, d, a);
    }
    uint32_t add(uint32_t d, uint32_t s) const
    {
        uint32_t r = sat(((field<RS, RM>(s) * a) >> 8) + field<RS, RM>(d), RM);
        uint32_t g = sat(((field<GS, GM>(s) * a) >> 8) + field<GS, GM>(d), GM);
        uint32_t b = sat(((field<BS, BM>(s) * a) >> 8) + field<BS, BM>(d), BM);
        return r << RS | g << GS | b << BS | (d & Keep);
    }
    uint32_t tint(uint32_t d, uint32_t s) const
    {
        return mix(c, d, field<BS, BM>(s) * 256 / BM);
    }
    uint32_t solid(uint32_t, uint32_t) const
    {
        return c & store;
    }
};

template <uint32_t MX>
struct MonoBlend {
    uint32_t a, c, store;
    uint32_t none(uint32_t, uint32_t s) const
    {
        return s;
    }
    uint32_t alpha(uint32_t d, uint32_t s) const
    {
        return ((256 - a) * d + a * s) >> 8;
    }
    uint32_t add(uint32_t d, uint32_t s) const
    {
        uint32_t v = ((a * s) >> 8) + d;
        return v > MX ? MX : v;
    }
    uint32_t tint(uint32_t d, uint32_t s) const
    {
        uint32_t w = s * 256 / MX;
        return ((256 - w) * d + (c & MX) * w) >> 8;
    }
    uint32_t solid(uint32_t, uint32_t) const
    {
        return c & store;
    }
};

using Blend444 = ColorBlend<8, 15, 4, 15, 0, 15, 0>;
using Blend555 = ColorBlend<10, 31, 5, 31, 0, 31, 0>;
using Blend565 = ColorBlend<11, 31, 5, 63, 0, 31, 0>;
using Blend888 = ColorBlend<16, 255, 8, 255, 0, 255, 0>;
using Blend8888 = ColorBlend<16, 255, 8, 255, 0, 255, 0xFF000000u>;
using BlendMono8 = MonoBlend<255>;

// ---- The loop: one pass per row, the key test a select rather than a branch.
template <class S, class D, int Mode, bool Keyed, class Conv, class Blend>
void runRows(const BlitJob& j, Conv conv, Blend bl)
{
    // Locals, not fields: stores through the byte pointers could alias the job.
    const uint32_t key = j.key;
    const int w = j.w, h = j.h, sy = j.srcYPitch, dy = j.dstYPitch;
    const uint8_t* const src = j.src;
    uint8_t* const dst = j.dst;
    for (int y = 0; y < h; y++) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * sy;
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dy;
        for (int i = 0; i < w; i++) {
            uint32_t sv = S::load(s + i * S::size);
            uint32_t dv = D::load(d + i * D::size);
            uint32_t cv = conv(sv);
            uint32_t r;
            if constexpr (Mode == BLEND_NONE)
                r = bl.none(dv, cv);
            else if constexpr (Mode == BLEND_ALPHA)
                r = bl.alpha(dv, cv);
            else if constexpr (Mode == BLEND_ADD)
                r = bl.add(dv, cv);
            else if constexpr (Mode == BLEND_TINT)
                r = bl.tint(dv, cv);
            else
                r = bl.solid(dv, cv);
            if constexpr (Keyed)
                r = sv == key ? dv : r;
            D::store(d + i * D::size, r);
        }
    }
}

// Key-only copies need no read of the destination when there is no key.
template <class S, class D, class Conv>
void runPlain(const BlitJob& j, Conv conv)
{
    const int w = j.w, h = j.h, sy = j.srcYPitch, dy = j.dstYPitch;
    const uint8_t* const src = j.src;
    uint8_t* const dst = j.dst;
    for (int y = 0; y < h; y++) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * sy;
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dy;
        for (int i = 0; i < w; i++)
            D::store(d + i * D::size, conv(S::load(s + i * S::size)));
    }
}

// Keyed solid copies (the glyphs of a solid font) write one value wherever the
// source is not the key and leave the rest: no read of the destination.
template <class S, class D>
void runSolidKeyed(const BlitJob& j, uint32_t value)
{
    const uint32_t key = j.key;
    const int w = j.w, h = j.h, sy = j.srcYPitch, dy = j.dstYPitch;
    const uint8_t* const src = j.src;
    uint8_t* const dst = j.dst;
    for (int y = 0; y < h; y++) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * sy;
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dy;
        for (int i = 0; i < w; i++)
            if (S::load(s + i * S::size) != key)
                D::store(d + i * D::size, value);
    }
}

template <class S, class D, class Conv, class Blend>
bool runMode(const BlitJob& j, Conv conv, Blend bl)
{
    bool keyed = j.key != SF_NO_KEY;
    switch (j.mode) {
    case BLEND_NONE:
        if (!keyed)
            runPlain<S, D>(j, conv);
        else
            runRows<S, D, BLEND_NONE, true>(j, conv, bl);
        return true;
    case BLEND_ALPHA:
        keyed ? runRows<S, D, BLEND_ALPHA, true>(j, conv, bl)
              : runRows<S, D, BLEND_ALPHA, false>(j, conv, bl);
        return true;
    case BLEND_ADD:
        keyed ? runRows<S, D, BLEND_ADD, true>(j, conv, bl) : runRows<S, D, BLEND_ADD, false>(j, conv, bl);
        return true;
    case BLEND_TINT:
        keyed ? runRows<S, D, BLEND_TINT, true>(j, conv, bl) : runRows<S, D, BLEND_TINT, false>(j, conv, bl);
        return true;
    case BLEND_SOLID:
        keyed ? runSolidKeyed<S, D>(j, bl.solid(0, 0)) : runRows<S, D, BLEND_SOLID, false>(j, conv, bl);
        return true;
    default:
        return false;
    }
}

// By destination format, for a source already known by its load and conversion.
template <class S, class Conv>
bool runToDst(const BlitJob& j, Conv conv)
{
    switch (j.dstFormat) {
    case PF_444:
        return runMode<S, Px16>(j, conv, Blend444{j.alpha, j.color, 0xFFFF});
    case PF_555:
        return runMode<S, Px16>(j, conv, Blend555{j.alpha, j.color, 0xFFFF});
    case PF_565:
        return runMode<S, Px16>(j, conv, Blend565{j.alpha, j.color, 0xFFFF});
    case PF_888:
        return runMode<S, Px24>(j, conv, Blend888{j.alpha, j.color, 0xFFFFFF});
    case PF_8888:
        return runMode<S, Px32>(j, conv, Blend8888{j.alpha, j.color, 0xFFFFFFFF});
    case PF_MONO8:
        return runMode<S, Px8>(j, conv, BlendMono8{j.alpha, j.color, 0xFF});
    case PF_PALETTE:
        if (j.mode != BLEND_NONE && j.mode != BLEND_SOLID)
            return false;
        return runMode<S, Px8>(j, conv, BlendMono8{j.alpha, j.color, 0xFF});
    default:
        return false;
    }
}

bool runFromTrueColor(const BlitJob& j)
{
    bool src32 = j.srcFormat == PF_8888;
    if (j.dstFormat == PF_565)
        return src32 ? runToDst<Px32>(j, ConvTo16<11, 31, 5, 63, 0, 31>{})
                     : runToDst<Px24>(j, ConvTo16<11, 31, 5, 63, 0, 31>{});
    if (j.dstFormat == PF_555)
        return src32 ? runToDst<Px32>(j, ConvTo16<10, 31, 5, 31, 0, 31>{})
                     : runToDst<Px24>(j, ConvTo16<10, 31, 5, 31, 0, 31>{});
    if (j.dstFormat == PF_444)
        return src32 ? runToDst<Px32>(j, ConvTo16<8, 15, 4, 15, 0, 15>{})
                     : runToDst<Px24>(j, ConvTo16<8, 15, 4, 15, 0, 15>{});
    if (j.dstFormat == PF_888 || j.dstFormat == PF_8888)
        return src32 ? runToDst<Px32>(j, ConvLow24{}) : runToDst<Px24>(j, ConvLow24{});
    return false;
}

// One-byte sources: a 256-entry table holds exactly what colorConvert gives.
bool runFromByte(const BlitJob& j)
{
    if (j.dstFormat == PF_MONO1 || j.dstFormat == PF_MONO2 || j.dstFormat == PF_MONO4)
        return false;
    // Same-format copies move values unchanged (palette indices included).
    if (j.srcFormat == j.dstFormat)
        return runToDst<Px8>(j, ConvSame{});
    uint32_t lut[256];
    for (uint32_t i = 0; i < 256; i++)
        lut[i] = colorConvert(i, j.srcFormat, j.srcPalette, j.dstSurface);
    return runToDst<Px8>(j, ConvTable{lut});
}

bool contiguous(const BlitJob& j)
{
    const PIXELFORMAT* sf = pfInfo(j.srcFormat);
    const PIXELFORMAT* df = pfInfo(j.dstFormat);
    return sf && df && sf->bytesPerPixel && df->bytesPerPixel && j.srcXPitch == sf->bytesPerPixel &&
           j.dstXPitch == df->bytesPerPixel;
}

// ---- Presentation copies: per-pixel stepping for any destination x step, with
// the common display steps as compile-time constants so the loop unrolls.
template <class P, int Step>
void stepRows(const uint8_t* s, int sxp, int syp, uint8_t* d, int dxp, int dyp, int w, int h)
{
    const int step = Step ? Step : dxp;
    for (int y = 0; y < h; y++) {
        const uint8_t* sp = s + static_cast<ptrdiff_t>(y) * syp;
        uint8_t* dp = d + static_cast<ptrdiff_t>(y) * dyp;
        for (int x = 0; x < w; x++)
            P::store(dp + static_cast<ptrdiff_t>(x) * step, P::load(sp + static_cast<ptrdiff_t>(x) * sxp));
    }
}

template <class P>
void stepCopy(const uint8_t* s, int sxp, int syp, uint8_t* d, int dxp, int dyp, int w, int h)
{
    switch (dxp) {
    case -640:
        return stepRows<P, -640>(s, sxp, syp, d, dxp, dyp, w, h);
    case -480:
        return stepRows<P, -480>(s, sxp, syp, d, dxp, dyp, w, h);
    case 480:
        return stepRows<P, 480>(s, sxp, syp, d, dxp, dyp, w, h);
    case 640:
        return stepRows<P, 640>(s, sxp, syp, d, dxp, dyp, w, h);
    case -P::size:
        return stepRows<P, -P::size>(s, sxp, syp, d, dxp, dyp, w, h);
    default:
        return stepRows<P, 0>(s, sxp, syp, d, dxp, dyp, w, h);
    }
}

template <class P>
bool fastCopySame(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h)
{
    if (src->format != dst->format)
        return false;
    const uint8_t* s = sfPixelAddr(src, sx, sy);
    uint8_t* d = sfPixelAddr(dst, dx, dy);
    if (src->xPitch == P::size && dst->xPitch == P::size) {
        if (src->yPitch == dst->yPitch && src->yPitch > 0 && !dx && !dy && !sx && !sy && w == src->width &&
            h == src->height && src->width == dst->width && src->height == dst->height &&
            src->size == dst->size) {
            if (!copyRows(s, 0, d, 0, src->size, 1))
                memmove(d, s, src->size);
            return true;
        }
        if (copyRows(s, src->yPitch, d, dst->yPitch, static_cast<size_t>(w) * P::size, h))
            return true;
        for (int y = 0; y < h; y++)
            memmove(d + static_cast<ptrdiff_t>(y) * dst->yPitch, s + static_cast<ptrdiff_t>(y) * src->yPitch,
                    static_cast<size_t>(w) * P::size);
        return true;
    }
    stepCopy<P>(s, src->xPitch, src->yPitch, d, dst->xPitch, dst->yPitch, w, h);
    return true;
}

// Palette indices written as their mapped pixel values, for each destination size.
template <class P, int Step>
void mapRows(const uint8_t* s, int sxp, int syp, uint8_t* d, int dxp, int dyp, int w, int h,
             const uint32_t* map)
{
    const int step = Step ? Step : dxp;
    for (int y = 0; y < h; y++) {
        const uint8_t* sp = s + static_cast<ptrdiff_t>(y) * syp;
        uint8_t* dp = d + static_cast<ptrdiff_t>(y) * dyp;
        for (int x = 0; x < w; x++)
            P::store(dp + static_cast<ptrdiff_t>(x) * step, map[sp[static_cast<ptrdiff_t>(x) * sxp]]);
    }
}

template <class P>
void mapCopy(const uint8_t* s, int sxp, int syp, uint8_t* d, int dxp, int dyp, int w, int h,
             const uint32_t* map)
{
    switch (dxp) {
    case -4:
        return mapRows<P, -4>(s, sxp, syp, d, dxp, dyp, w, h, map);
    case -2:
        return mapRows<P, -2>(s, sxp, syp, d, dxp, dyp, w, h, map);
    case -1:
        return mapRows<P, -1>(s, sxp, syp, d, dxp, dyp, w, h, map);
    case 1:
        return mapRows<P, 1>(s, sxp, syp, d, dxp, dyp, w, h, map);
    case 2:
        return mapRows<P, 2>(s, sxp, syp, d, dxp, dyp, w, h, map);
    case 4:
        return mapRows<P, 4>(s, sxp, syp, d, dxp, dyp, w, h, map);
    default:
        return mapRows<P, 0>(s, sxp, syp, d, dxp, dyp, w, h, map);
    }
}

// The hottest cases into "565" run through the 16-bit-lane row kernels.
bool run565(const BlitJob& j)
{
    uint32_t sf = j.srcFormat;
    Row565 r = {j.src, j.dst, j.w, OP565_KEY, j.alpha, j.key != SF_NO_KEY, j.key};
    uint16_t lut[256];
    int kind;
    if (sf == PF_565 && j.mode <= BLEND_ADD && (j.mode || r.keyed)) {
        r.keyed = r.keyed && j.key <= 0xFFFF;
        r.op = static_cast<int>(j.mode);
        kind = 0;
    } else if (sf == PF_8888 && j.mode == BLEND_NONE) {
        kind = 1;
    } else if (sf == PF_888 && j.mode == BLEND_NONE && !r.keyed) {
        kind = 3;
    } else if ((sf == PF_PALETTE || sf == PF_MONO8) && j.mode == BLEND_NONE) {
        r.keyed = r.keyed && j.key <= 0xFF;
        for (uint32_t i = 0; i < 256; i++)
            lut[i] = static_cast<uint16_t>(colorConvert(i, sf, j.srcPalette, j.dstSurface));
        kind = 2;
    } else {
        return false;
    }
    if (kind == 1) {
        rows8888To565(r, j.h, j.srcYPitch, j.dstYPitch);
        return true;
    }
    for (int y = 0; y < j.h; y++, r.src += j.srcYPitch, r.dst += j.dstYPitch) {
        if (kind == 0)
            row565(r);
        else if (kind == 3)
            row888To565(r);
        else
            rowLut565(r, lut);
    }
    return true;
}

// Same-format copies in every blend mode.
bool runSame444(const BlitJob& j)
{
    return runMode<Px16, Px16>(j, ConvSame{}, Blend444{j.alpha, j.color, 0xFFFF});
}
bool runSame555(const BlitJob& j)
{
    return runMode<Px16, Px16>(j, ConvSame{}, Blend555{j.alpha, j.color, 0xFFFF});
}
bool runSame565(const BlitJob& j)
{
    return runMode<Px16, Px16>(j, ConvSame{}, Blend565{j.alpha, j.color, 0xFFFF});
}
bool runSame888(const BlitJob& j)
{
    return runMode<Px24, Px24>(j, ConvSame{}, Blend888{j.alpha, j.color, 0xFFFFFF});
}
bool runSame8888(const BlitJob& j)
{
    return runMode<Px32, Px32>(j, ConvSame{}, Blend8888{j.alpha, j.color, 0xFFFFFFFF});
}

// The specialised copies, chosen once per blit by source and destination format
// (kAnyFormat matches every format). They are tried in table order; a routine
// returns false when the job's mode or key is not its case, and the next one is
// tried. When none takes the job, the caller runs the reference copy.
typedef bool (*BlitRunFn)(const BlitJob& j);
constexpr uint32_t kAnyFormat = 0xFFFFFFFF;
struct BlitRoutine {
    uint32_t srcFormat;
    uint32_t dstFormat;
    BlitRunFn run;
};
const BlitRoutine kRoutines[] = {
    {.srcFormat = kAnyFormat, .dstFormat = PF_565, .run = run565},  // the hottest cases first
    {.srcFormat = PF_444, .dstFormat = PF_444, .run = runSame444},
    {.srcFormat = PF_555, .dstFormat = PF_555, .run = runSame555},
    {.srcFormat = PF_565, .dstFormat = PF_565, .run = runSame565},
    {.srcFormat = PF_888, .dstFormat = PF_888, .run = runSame888},
    {.srcFormat = PF_8888, .dstFormat = PF_8888, .run = runSame8888},
    {.srcFormat = PF_8888, .dstFormat = kAnyFormat, .run = runFromTrueColor},
    {.srcFormat = PF_888, .dstFormat = kAnyFormat, .run = runFromTrueColor},
    {.srcFormat = PF_PALETTE, .dstFormat = kAnyFormat, .run = runFromByte},
    {.srcFormat = PF_MONO8, .dstFormat = kAnyFormat, .run = runFromByte},
};

}

bool blitFastRun(const BlitJob& j)
{
    if (!contiguous(j) || j.mode >= BLEND_COUNT)
        return false;
    for (const BlitRoutine& r : kRoutines)
        if ((r.srcFormat == kAnyFormat || r.srcFormat == j.srcFormat) &&
            (r.dstFormat == kAnyFormat || r.dstFormat == j.dstFormat) && r.run(j))
            return true;
    return false;
}

bool fastCopy16(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h)
{
    return fastCopySame<Px16>(src, dst, dx, dy, sx, sy, w, h);
}

bool fastCopy24(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h)
{
    return fastCopySame<Px24>(src, dst, dx, dy, sx, sy, w, h);
}

bool fastCopy32(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h)
{
    return fastCopySame<Px32>(src, dst, dx, dy, sx, sy, w, h);
}

bool fastCopyPalette(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h)
{
    const uint8_t* s = sfPixelAddr(src, sx, sy);
    uint8_t* d = sfPixelAddr(dst, dx, dy);
    if (dst->format == PF_PALETTE)
        return fastCopySame<Px8>(src, dst, dx, dy, sx, sy, w, h);
    const PALETTE* pal = src->palette;
    if (!pal || pal->mappedFormat != dst->format)
        return false;
    switch (dst->formatInfo->bytesPerPixel) {
    case 1:
        mapCopy<Px8>(s, src->xPitch, src->yPitch, d, dst->xPitch, dst->yPitch, w, h, pal->mapped);
        return true;
    case 2:
        mapCopy<Px16>(s, src->xPitch, src->yPitch, d, dst->xPitch, dst->yPitch, w, h, pal->mapped);
        return true;
    case 3:
        mapCopy<Px24>(s, src->xPitch, src->yPitch, d, dst->xPitch, dst->yPitch, w, h, pal->mapped);
        return true;
    case 4:
        mapCopy<Px32>(s, src->xPitch, src->yPitch, d, dst->xPitch, dst->yPitch, w, h, pal->mapped);
        return true;
    default:
        return false;
    }
}

bool fastCopyWhole(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h)
{
    if (src->format != dst->format || src->yPitch != dst->yPitch || dx || dy || sx || sy || w != src->width ||
        h != src->height || src->width != dst->width || src->height != dst->height ||
        src->size != dst->size || src->yPitch <= 0)
        return false;
    if (!copyRows(src->pixels, 0, dst->pixels, 0, src->size, 1))
        memmove(dst->pixels, src->pixels, src->size);
    return true;
}
