// The drawing state, the blend routines, clipping, and the checking outer
// copies with their plain reference loop.
//
// A copy is clipped and validated here once; what reaches an inner loop names
// only pixels inside both surfaces. The reference loop handles every format
// pair and blend mode pixel by pixel through the per-format routines; every
// specialised loop must give the same bytes.

#include "gfx/blit.h"

#include <stddef.h>
#include <string.h>

#include "gfx/blit_fast.h"
#include "gfx/clip.h"
#include "gfx/rowcopy.h"

namespace {

GfxState g_state = {.alpha = 256, .blendMode = BLEND_NONE, .color = 0, .clip = nullptr};
SURFACE* g_target;
bool g_fast = true;

// ---- Blend routines of the colour formats, one field mask at a time.
template <uint32_t M>
uint32_t fieldAlpha(uint32_t d, uint32_t s, uint32_t a)
{
    return static_cast<uint32_t>(
        ((static_cast<uint64_t>(s & M) * a + static_cast<uint64_t>(d & M) * (256 - a)) >> 8) & M);
}

// The sum is limited to the field and masked, so no carry reaches the field below.
template <uint32_t M>
uint32_t fieldAdd(uint32_t d, uint32_t s, uint32_t a)
{
    uint64_t v = (static_cast<uint64_t>(s & M) * a + (static_cast<uint64_t>(d & M) << 8)) >> 8;
    return static_cast<uint32_t>((v > M ? M : v) & M);
}

template <uint32_t R, uint32_t G, uint32_t B, uint32_t Keep>
uint32_t colorBlendAlpha(uint32_t d, uint32_t s, uint32_t a, uint32_t)
{
    return fieldAlpha<R>(d, s, a) | fieldAlpha<G>(d, s, a) | fieldAlpha<B>(d, s, a) | (d & Keep);
}

template <uint32_t R, uint32_t G, uint32_t B, uint32_t Keep>
uint32_t colorBlendAdd(uint32_t d, uint32_t s, uint32_t a, uint32_t)
{
    return fieldAdd<R>(d, s, a) | fieldAdd<G>(d, s, a) | fieldAdd<B>(d, s, a) | (d & Keep);
}

template <uint32_t R, uint32_t G, uint32_t B, uint32_t Keep>
uint32_t colorBlendTint(uint32_t d, uint32_t s, uint32_t, uint32_t c)
{
    uint32_t w = (s & B) * 256 / B;
    return fieldAlpha<R>(d, c, w) | fieldAlpha<G>(d, c, w) | fieldAlpha<B>(d, c, w) | (d & Keep);
}

template <uint32_t Mask>
uint32_t blendSolid(uint32_t, uint32_t, uint32_t, uint32_t c)
{
    return c & Mask;
}

// ---- Blend routines of the one-channel formats.
template <uint32_t Max>
uint32_t monoAlpha(uint32_t d, uint32_t s, uint32_t a, uint32_t)
{
    return ((256 - a) * (d & Max) + a * (s & Max)) >> 8;
}

// The source share is divided by 256 as in the colour formats, so an opaque
// add of grey g adds g rather than saturating at any non-zero source.
template <uint32_t Max>
uint32_t monoAdd(uint32_t d, uint32_t s, uint32_t a, uint32_t)
{
    uint32_t v = ((a * (s & Max)) >> 8) + (d & Max);
    return v > Max ? Max : v;
}

template <uint32_t Max>
uint32_t monoTint(uint32_t d, uint32_t s, uint32_t, uint32_t c)
{
    uint32_t w = (s & Max) * 256 / Max;
    return ((256 - w) * (d & Max) + (c & Max) * w) >> 8;
}

#define COLOR_BLENDS(R, G, B, KEEP, MASK)   \
    {                                       \
        .mode = {                           \
            nullptr,                        \
            colorBlendAlpha<R, G, B, KEEP>, \
            colorBlendAdd<R, G, B, KEEP>,   \
            colorBlendTint<R, G, B, KEEP>,  \
            blendSolid<MASK>                \
        }                                   \
    }
#define MONO_BLENDS(MAX)                                                                  \
    {                                                                                     \
        .mode = { nullptr, monoAlpha<MAX>, monoAdd<MAX>, monoTint<MAX>, blendSolid<MAX> } \
    }

const BlendOps kBlends[PF_COUNT] = {
    {.mode = {}},
    {.mode = {nullptr, nullptr, nullptr, nullptr, blendSolid<0xFF>}},
    COLOR_BLENDS(0xF00u, 0xF0u, 0xFu, 0u, 0xFFFFu),
    COLOR_BLENDS(0x7C00u, 0x3E0u, 0x1Fu, 0u, 0xFFFFu),
    COLOR_BLENDS(0xF800u, 0x7E0u, 0x1Fu, 0u, 0xFFFFu),
    COLOR_BLENDS(0xFF0000u, 0xFF00u, 0xFFu, 0u, 0xFFFFFFu),
    COLOR_BLENDS(0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u, 0xFFFFFFFFu),
    MONO_BLENDS(1u),
    MONO_BLENDS(3u),
    MONO_BLENDS(15u),
    MONO_BLENDS(255u),
};

#undef COLOR_BLENDS
#undef MONO_BLENDS

bool packed(const SURFACE* s)
{
    return s->formatInfo->bytesPerPixel == 0;
}

bool drawable(const SURFACE* s)
{
    return s && s->pixels && s->formatInfo;
}

// The blend routine of the current mode for a destination format: null for
// mode 0; false when the mode is not available there (nothing is drawn).
bool pickBlend(uint32_t format, uint32_t mode, BlendFn* fn)
{
    *fn = nullptr;
    if (mode == BLEND_NONE)
        return true;
    if (mode >= BLEND_COUNT)
        return false;
    *fn = kBlends[format].mode[mode];
    return *fn != nullptr;
}

// Pixel by pixel through sfGetPixel/sfPutPixel, for packed formats on either side.
void blitPacked(const SURFACE* src, SURFACE* dst, const CopyRect& r, uint32_t key, BlendFn blend)
{
    bool convert = src->format != dst->format;
    // The rectangle is already clipped; the clip is lifted so sfPutPixel does not test it again.
    const RECT* clip = gfxSetClip(nullptr);
    for (int j = 0; j < r.h; j++)
        for (int i = 0; i < r.w; i++) {
            uint32_t s = sfGetPixel(src, r.sx + i, r.sy + j);
            if (key != SF_NO_KEY && s == key)
                continue;
            if (convert)
                s = colorConvert(s, src->format, src->palette, dst);
            if (blend)
                s = blend(sfGetPixel(dst, r.dx + i, r.dy + j), s, g_state.alpha, g_state.color);
            sfPutPixel(dst, r.dx + i, r.dy + j, s);
        }
    gfxSetClip(clip);
}

BlitJob makeJob(const SURFACE* src, SURFACE* dst, const CopyRect& r, uint32_t key, uint32_t mode)
{
    BlitJob j;
    j.src = sfPixelAddr(src, r.sx, r.sy);
    j.dst = sfPixelAddr(dst, r.dx, r.dy);
    j.srcXPitch = src->xPitch;
    j.srcYPitch = src->yPitch;
    j.dstXPitch = dst->xPitch;
    j.dstYPitch = dst->yPitch;
    j.w = r.w;
    j.h = r.h;
    j.srcFormat = src->format;
    j.dstFormat = dst->format;
    j.key = key;
    j.mode = mode;
    j.alpha = g_state.alpha;
    j.color = g_state.color;
    j.srcPalette = src->palette;
    j.dstSurface = dst;
    return j;
}

// Whole-surface or per-row block copies for same-format, unkeyed, unblended copies.
bool blockCopy(const SURFACE* src, SURFACE* dst, const CopyRect& r)
{
    int bpp = src->formatInfo->bytesPerPixel;
    if (src->format != dst->format || src->xPitch != dst->xPitch || src->xPitch != bpp)
        return false;
    if (src->yPitch == dst->yPitch && r.sx == 0 && r.sy == 0 && r.dx == 0 && r.dy == 0 &&
        src->width == dst->width && src->height == dst->height && r.w == src->width && r.h == src->height &&
        src->size == dst->size && src->yPitch > 0) {
        if (!copyRows(src->pixels, 0, dst->pixels, 0, src->size, 1))
            memmove(dst->pixels, src->pixels, src->size);
        return true;
    }
    const uint8_t* s = sfPixelAddr(src, r.sx, r.sy);
    uint8_t* d = sfPixelAddr(dst, r.dx, r.dy);
    size_t n = static_cast<size_t>(r.w) * bpp;
    if (copyRows(s, src->yPitch, d, dst->yPitch, n, r.h))
        return true;
    for (int j = 0; j < r.h; j++, s += src->yPitch, d += dst->yPitch)
        memmove(d, s, n);
    return true;
}

}

// ---- Reference copy ------------------------------------------------------------------------------

void blitReference(const BlitJob& j)
{
    const PixelOps* so = pfOps(j.srcFormat);
    const PixelOps* dops = pfOps(j.dstFormat);
    BlendFn blend = nullptr;
    if (!pickBlend(j.dstFormat, j.mode, &blend))
        return;
    bool convert = j.srcFormat != j.dstFormat;
    bool keyed = j.key != SF_NO_KEY;
    for (int y = 0; y < j.h; y++) {
        const uint8_t* sp = j.src + static_cast<ptrdiff_t>(y) * j.srcYPitch;
        uint8_t* dp = j.dst + static_cast<ptrdiff_t>(y) * j.dstYPitch;
        for (int x = 0; x < j.w; x++, sp += j.srcXPitch, dp += j.dstXPitch) {
            uint32_t s = so->readUnaligned(sp);
            if (keyed && s == j.key)
                continue;
            if (convert)
                s = colorConvert(s, j.srcFormat, j.srcPalette, j.dstSurface);
            if (blend)
                s = blend(dops->readUnaligned(dp), s, j.alpha, j.color);
            dops->writeUnaligned(dp, s);
        }
    }
}

// ---- Drawing state --------------------------------------------------------------------------------

uint32_t gfxSetAlpha(uint32_t a)
{
    uint32_t old = g_state.alpha;
    g_state.alpha = a > 256 ? 256 : a;
    return old;
}

uint32_t gfxGetAlpha()
{
    return g_state.alpha;
}
void gfxSetBlendMode(uint32_t mode)
{
    g_state.blendMode = mode;
}
uint32_t gfxGetBlendMode()
{
    return g_state.blendMode;
}
void gfxSetColor(uint32_t pixel)
{
    g_state.color = pixel;
}
uint32_t gfxGetColor()
{
    return g_state.color;
}

const RECT* gfxSetClip(const RECT* r)
{
    const RECT* old = g_state.clip;
    g_state.clip = r;
    return old;
}

const RECT* gfxGetClip()
{
    return g_state.clip;
}
GfxState gfxSaveState()
{
    return g_state;
}

void gfxRestoreState(const GfxState* s)
{
    if (s)
        g_state = *s;
}

void gfxResetState()
{
    g_state = GfxState{.alpha = 256, .blendMode = BLEND_NONE, .color = 0, .clip = nullptr};
}

SURFACE* gfxSetTarget(SURFACE* s)
{
    SURFACE* old = g_target;
    g_target = s;
    return old;
}

SURFACE* gfxGetTarget()
{
    return g_target;
}
void gfxUseFastPaths(bool on)
{
    g_fast = on;
}
bool gfxFastPaths()
{
    return g_fast;
}

bool rectIntersects(const RECT* a, const RECT* b)
{
    if (!a || !b)
        return false;
    return static_cast<int64_t>(a->x) < static_cast<int64_t>(b->x) + b->w &&
           static_cast<int64_t>(b->x) < static_cast<int64_t>(a->x) + a->w &&
           static_cast<int64_t>(a->y) < static_cast<int64_t>(b->y) + b->h &&
           static_cast<int64_t>(b->y) < static_cast<int64_t>(a->y) + a->h;
}

void rectUnion(RECT* a, const RECT* b)
{
    if (!a || !b)
        return;
    int64_t x0 = a->x < b->x ? a->x : b->x;
    int64_t y0 = a->y < b->y ? a->y : b->y;
    int64_t x1 = static_cast<int64_t>(a->x) + a->w > static_cast<int64_t>(b->x) + b->w
                     ? static_cast<int64_t>(a->x) + a->w
                     : static_cast<int64_t>(b->x) + b->w;
    int64_t y1 = static_cast<int64_t>(a->y) + a->h > static_cast<int64_t>(b->y) + b->h
                     ? static_cast<int64_t>(a->y) + a->h
                     : static_cast<int64_t>(b->y) + b->h;
    a->x = static_cast<int32_t>(x0);
    a->y = static_cast<int32_t>(y0);
    a->w = static_cast<int32_t>(x1 - x0);
    a->h = static_cast<int32_t>(y1 - y0);
}

const BlendOps* blendOps(uint32_t format)
{
    if (!pfInfo(format))
        return nullptr;
    return &kBlends[format];
}

// ---- Copies ------------------------------------------------------------------------------------------

int sfBlit(const SURFACE* src, SURFACE* dst, int x, int y, const RECT* frame)
{
    if (!drawable(src) || !drawable(dst) || dst->rle || g_state.alpha == 0)
        return 0;
    if (src->rle)
        return sfBlitRLE(src, dst, x, y, frame);
    BlendFn blend = nullptr;
    if (!pickBlend(dst->format, g_state.blendMode, &blend))
        return 0;
    CopyRect r;
    if (!clipCopy(src, dst, x, y, frame, g_state.clip, &r))
        return 0;
    if (packed(src) || packed(dst)) {
        blitPacked(src, dst, r, src->keycolor, blend);
        return 1;
    }
    if (g_fast && src->keycolor == SF_NO_KEY && !blend && blockCopy(src, dst, r))
        return 1;
    BlitJob j = makeJob(src, dst, r, src->keycolor, g_state.blendMode);
    if (!g_fast || !blitFastRun(j))
        blitReference(j);
    return 1;
}

int sfBlitPivot(const SURFACE* src, SURFACE* dst, int x, int y)
{
    if (!src)
        return 0;
    int64_t px = (static_cast<int64_t>(src->width) * src->xPivot + 128) >> 8;
    int64_t py = (static_cast<int64_t>(src->height) * src->yPivot + 128) >> 8;
    return sfBlit(src, dst, static_cast<int>(x - px), static_cast<int>(y - py), nullptr);
}

int sfBlitFrame(const SURFACE* src, SURFACE* dst, int x, int y, int i)
{
    const RECT* f = sfFrame(src, i);
    if (!f)
        return sfBlitPivot(src, dst, x, y);
    int64_t px = (static_cast<int64_t>(f->w) * src->xPivot + 128) >> 8;
    int64_t py = (static_cast<int64_t>(f->h) * src->yPivot + 128) >> 8;
    return sfBlit(src, dst, static_cast<int>(x - px), static_cast<int>(y - py), f);
}

int sfCopy(const SURFACE* src, SURFACE* dst, int x, int y, const RECT* frame)
{
    if (!drawable(src) || !drawable(dst) || dst->rle || src->rle || g_state.alpha == 0)
        return 0;
    if (src == dst && frame && frame->x == x && frame->y == y)
        return 1;
    if (src == dst && !frame && x == 0 && y == 0)
        return 1;
    CopyRect r;
    if (!clipCopy(src, dst, x, y, frame, nullptr, &r))
        return 0;
    const PixFastCopyFn fast = pfOps(src->format)->fastCopy;
    if (g_fast && fast && fast(src, dst, r.dx, r.dy, r.sx, r.sy, r.w, r.h))
        return 1;
    if (packed(src) || packed(dst)) {
        blitPacked(src, dst, r, SF_NO_KEY, nullptr);
        return 1;
    }
    blitReference(makeJob(src, dst, r, SF_NO_KEY, BLEND_NONE));
    return 1;
}
