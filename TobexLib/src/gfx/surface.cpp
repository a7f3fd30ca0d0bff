// Surface records, pixel access, frames, palettes, the surface pool and the
// image cache.
//
// Every pixel a surface addresses lies inside its `size` bytes: creation sizes
// the buffer from the pitches, and readers of outside data check a stored
// record with sfAddressingFits before it is handed out.

#include "gfx/surface.h"

#include <string.h>

#include <string>
#include <vector>

#include "base/log.h"
#include "base/mem.h"
#include "base/text.h"
#include "gfx/blit.h"
#include "gfx/image.h"
#include "vfs/vfs.h"

namespace {

// ---- Surface pool: records carved 16 to a block, with a count of those handed out.
constexpr uint32_t kPoolPerBlock = 16;

struct SurfacePool {
    BlockPool blocks;
    int live;
};

SurfacePool g_pool;

bool packed(const PIXELFORMAT* fi)
{
    return fi->bytesPerPixel == 0;
}

// Byte offset of a pixel from `pixels`, packed formats by their bit rule.
int64_t pixelOffset(const SURFACE* s, int64_t x, int64_t y)
{
    if (packed(s->formatInfo))
        return y * s->yPitch + (x * s->formatInfo->bits) / 8;
    return x * s->xPitch + y * s->yPitch;
}

const RECT* clipRect()
{
    return gfxGetClip();
}

// ---- Image cache: a file cache whose entries hold loaded surfaces; its `extra`
// field keeps the pixel format images are loaded in.
struct ImageCache {
    bool ready;
    FileCache files;
};

ImageCache g_cache;

bool cacheLoadImage(CacheEntry* e)
{
    e->data = sfLoad(e->name, e->cache->extra, nullptr);
    return e->data != nullptr;
}

void cacheReleaseImage(CacheEntry* e)
{
    sfDestroy(static_cast<SURFACE*>(e->data));
    memset(e, 0, sizeof *e);
}

}

// ---- Creation and release ---------------------------------------------------------------

int32_t sfRowBytes(const PIXELFORMAT* fi, int width)
{
    if (!fi || width < 0)
        return 0;
    if (fi->bytesPerPixel)
        return fi->bytesPerPixel * width;
    if (!fi->pixelsPerByte)
        return 0;
    return (width + fi->pixelsPerByte - 1) / fi->pixelsPerByte;
}

SURFACE* sfInit(SURFACE* s, int width, int height, uint32_t format, bool rle, uint32_t keycolor,
                uint8_t* pixels)
{
    const PIXELFORMAT* fi = pfInfo(format);
    if (!s || !fi || width < 1 || height < 1 || width > SF_MAX_SIDE || height > SF_MAX_SIDE)
        return nullptr;
    int32_t rowBytes = sfRowBytes(fi, width);
    if (static_cast<int64_t>(rowBytes) * height > SF_MAX_BYTES || rowBytes > INT16_MAX)
        return nullptr;
    memset(s, 0, sizeof *s);
    s->formatInfo = fi;
    s->format = format;
    s->width = static_cast<int16_t>(width);
    s->height = static_cast<int16_t>(height);
    s->xPitch = fi->bytesPerPixel ? fi->bytesPerPixel : 1;
    s->yPitch = static_cast<int16_t>(rowBytes);
    s->size = static_cast<uint32_t>(rowBytes * height);
    s->keycolor = keycolor;
    s->animType = 1;
    s->loop = 1;
    s->frameDelay = 50;
    s->frames.elemSize = SF_FRAME_ELEM;
    if (rle) {
        if (pixels) {
            s->pixels = pixels;
            sfEncodeRLE(s);
        }
        return s;
    }
    if (pixels) {
        s->pixels = pixels;
        return s;
    }
    s->pixels = static_cast<uint8_t*>(memAlloc(static_cast<int32_t>(s->size)));
    if (!s->pixels)
        return nullptr;
    memset(s->pixels, 0, s->size);
    s->ownsPixels = 1;
    return s;
}

SURFACE* sfCreate(int width, int height, uint32_t format, bool rle, uint32_t keycolor, uint8_t* pixels)
{
    SURFACE* s = sfPoolTake();
    if (!s)
        return nullptr;
    if (!sfInit(s, width, height, format, rle, keycolor, pixels)) {
        sfPoolGive(s);
        return nullptr;
    }
    return s;
}

void sfFree(SURFACE* s)
{
    if (!s)
        return;
    s->size = 0;
    s->width = 0;
    s->height = 0;
    sfFramesFree(&s->frames);
    if (s->ownsPixels)
        memFree(s->pixels);
    if (s->ownsPalette)
        memFree(s->palette);
    s->pixels = nullptr;
    s->palette = nullptr;
    s->ownsPixels = 0;
    s->ownsPalette = 0;
    s->formatInfo = nullptr;
}

void sfDestroy(SURFACE* s)
{
    if (!s)
        return;
    sfFree(s);
    sfPoolGive(s);
}

SURFACE* sfConvert(const SURFACE* s, uint32_t format)
{
    if (!s || !s->formatInfo || !pfInfo(format))
        return nullptr;
    SURFACE* n = sfCreate(s->width, s->height, format, false, SF_NO_KEY, nullptr);
    if (!n)
        return nullptr;
    n->xPivot = s->xPivot;
    n->yPivot = s->yPivot;
    n->animType = s->animType;
    n->loop = s->loop;
    n->frameDelay = s->frameDelay;
    // A palette image converted to a palette image keeps its colours; without
    // them every index would lose its meaning.
    if (format == PF_PALETTE && s->palette)
        sfSetPalette(n, s->palette, true);
    if (!sfFramesCopy(&n->frames, &s->frames)) {
        sfDestroy(n);
        return nullptr;
    }
    // Every pixel is converted: no key colour, and the drawing state (alpha,
    // blend mode, clip) is neutral for the copy.
    SURFACE src = *s;
    src.keycolor = SF_NO_KEY;
    src.xPivot = 0;
    src.yPivot = 0;
    GfxState saved = gfxSaveState();
    gfxResetState();
    // An encoded source stores no transparent pixels: they start as its key colour.
    if (s->rle && s->keycolor != SF_NO_KEY) {
        gfxSetColor(colorConvert(s->keycolor, s->format, s->palette, n));
        sfFillRect(n, nullptr);
    }
    sfBlitPivot(&src, n, 0, 0);
    gfxRestoreState(&saved);
    if (s->keycolor != SF_NO_KEY)
        n->keycolor = colorConvert(s->keycolor, s->format, s->palette, n);
    return n;
}

// ---- Pixel access -----------------------------------------------------------------------------

uint8_t* sfPixelAddr(const SURFACE* s, int x, int y)
{
    return s->pixels + pixelOffset(s, x, y);
}

bool sfAddressingFits(const SURFACE* s)
{
    if (!s || !s->formatInfo || !s->pixels || s->rle)
        return false;
    if (s->width < 1 || s->height < 1)
        return false;
    int64_t corners[4] = {pixelOffset(s, 0, 0), pixelOffset(s, s->width - 1, 0),
                          pixelOffset(s, 0, s->height - 1), pixelOffset(s, s->width - 1, s->height - 1)};
    int64_t lo = corners[0], hi = corners[0];
    for (int64_t c : corners) {
        lo = c < lo ? c : lo;
        hi = c > hi ? c : hi;
    }
    int64_t px = s->formatInfo->bytesPerPixel ? s->formatInfo->bytesPerPixel : 1;
    return lo >= 0 && hi + px <= static_cast<int64_t>(s->size);
}

uint32_t sfGetPixel(const SURFACE* s, int x, int y)
{
    if (!s || !s->pixels || s->rle || !s->formatInfo)
        return 0;
    if (x < 0 || y < 0 || x >= s->width || y >= s->height)
        return 0;
    const PIXELFORMAT* fi = s->formatInfo;
    if (packed(fi)) {
        uint8_t byte = *sfPixelAddr(s, x, y);
        int shift = (x % fi->pixelsPerByte) * fi->bits;
        return (byte >> shift) & ((1u << fi->bits) - 1);
    }
    return pfOps(s->format)->readUnaligned(sfPixelAddr(s, x, y));
}

void sfPutPixel(SURFACE* s, int x, int y, uint32_t value)
{
    if (!s || !s->pixels || s->rle || !s->formatInfo)
        return;
    if (x < 0 || y < 0 || x >= s->width || y >= s->height)
        return;
    const RECT* clip = clipRect();
    if (clip &&
        (x < clip->x || y < clip->y || static_cast<int64_t>(x) >= static_cast<int64_t>(clip->x) + clip->w ||
         static_cast<int64_t>(y) >= static_cast<int64_t>(clip->y) + clip->h))
        return;
    const PIXELFORMAT* fi = s->formatInfo;
    uint8_t* p = sfPixelAddr(s, x, y);
    if (packed(fi)) {
        int shift = (x % fi->pixelsPerByte) * fi->bits;
        uint8_t mask = static_cast<uint8_t>(((1u << fi->bits) - 1) << shift);
        *p = static_cast<uint8_t>((*p & ~mask) | ((value << shift) & mask));
        return;
    }
    pfOps(s->format)->writeUnaligned(p, value);
}

// ---- Frames -------------------------------------------------------------------------------------

void sfFramesFree(SfFrames* v)
{
    if (!v)
        return;
    vecFree(v);
    v->elemSize = SF_FRAME_ELEM;
}

bool sfFramesPush(SfFrames* v, const RECT* r)
{
    if (!v || !r)
        return false;
    // Records zeroed by the pool or by a reader start without an element size.
    if (v->count == 0 && v->elemSize != SF_FRAME_ELEM) {
        vecFree(v);
        v->elemSize = SF_FRAME_ELEM;
    }
    if (v->count == v->capacity && !vecReserve(v, v->capacity ? v->capacity * 2 : 4))
        return false;
    return vecPush(v, r) >= 0;
}

bool sfFramesCopy(SfFrames* dst, const SfFrames* src)
{
    if (!dst || !src)
        return false;
    sfFramesFree(dst);
    if (src->count <= 0)
        return true;
    return vecCopy(dst, src);
}

const RECT* sfFrame(const SURFACE* s, int i)
{
    if (!s || s->frames.elemSize != SF_FRAME_ELEM)
        return nullptr;
    return static_cast<const RECT*>(vecAt(&s->frames, i));
}

bool sfSetFrameGrid(SURFACE* s, int columns, int rows)
{
    if (!s || columns < 1 || rows < 1 || static_cast<int64_t>(columns) * rows > 65536)
        return false;
    sfFramesFree(&s->frames);
    int w = s->width / columns, h = s->height / rows;
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < columns; c++) {
            RECT f = {c * w, r * h, w, h};
            if (!sfFramesPush(&s->frames, &f))
                return false;
        }
    return true;
}

bool sfFrameSize(const SURFACE* s, int i, int* w, int* h)
{
    if (!s)
        return false;
    const RECT* f = s->frames.count > 0 ? sfFrame(s, i) : nullptr;
    if (s->frames.count > 0 && !f)
        return false;
    if (w)
        *w = f ? f->w : s->width;
    if (h)
        *h = f ? f->h : s->height;
    return true;
}

// ---- Palettes ---------------------------------------------------------------------------------------

PALETTE* palCreate()
{
    PALETTE* p = static_cast<PALETTE*>(memAlloc(sizeof(PALETTE)));
    if (p)
        memset(p, 0, sizeof *p);
    return p;
}

void sfSetPalette(SURFACE* s, PALETTE* pal, bool copy)
{
    if (!s)
        return;
    if (!pal) {
        if (s->ownsPalette)
            memFree(s->palette);
        s->palette = nullptr;
        s->ownsPalette = 0;
        return;
    }
    if (!copy) {
        if (s->ownsPalette && s->palette != pal)
            memFree(s->palette);
        s->palette = pal;
        s->ownsPalette = 0;
        return;
    }
    if (s->ownsPalette && s->palette == pal)
        return;
    PALETTE* own = s->ownsPalette ? s->palette : palCreate();
    if (!own) {
        assertReport("TobexLib/src/TobexGfx", __LINE__, "sfSetPalette: no memory", 0);
        return;
    }
    memcpy(own, pal, sizeof *own);
    s->palette = own;
    s->ownsPalette = 1;
}

// ---- Surface pool --------------------------------------------------------------------------------------

SURFACE* sfPoolTake()
{
    if (g_pool.blocks.elemSize != sizeof(SURFACE))
        poolInit(&g_pool.blocks, sizeof(SURFACE), kPoolPerBlock);
    SURFACE* s = static_cast<SURFACE*>(poolAlloc(&g_pool.blocks));
    if (!s)
        return nullptr;
    memset(s, 0, sizeof *s);
    g_pool.live++;
    return s;
}

void sfPoolGive(SURFACE* s)
{
    if (!s)
        return;
    poolFree(&g_pool.blocks, s);
    g_pool.live--;
}

void sfPoolShutdown()
{
    poolDestroy(&g_pool.blocks);
    g_pool = SurfacePool{};
}

int sfPoolLive()
{
    return g_pool.live;
}

// ---- Image cache ---------------------------------------------------------------------------------------------

bool sfCacheInit(uint32_t defaultFormat)
{
    if (g_cache.ready)
        sfCacheShutdown();
    if (!cacheInit(&g_cache.files, 128, nullptr, cacheLoadImage, cacheReleaseImage))
        return false;
    g_cache.files.extra = defaultFormat;
    g_cache.ready = true;
    return true;
}

SURFACE* sfGetCached(const char16_t* name)
{
    if (!name || !*name)
        return nullptr;
    if (!g_cache.ready && !sfCacheInit(0))
        return nullptr;
    return static_cast<SURFACE*>(cacheGet(&g_cache.files, name));
}

uint32_t sfCacheNextGeneration()
{
    return g_cache.ready ? cacheNextGeneration(&g_cache.files) : 0;
}

uint32_t sfCacheGeneration()
{
    return g_cache.ready ? g_cache.files.generation : 0;
}

bool sfCachePurge(uint32_t gen)
{
    if (!g_cache.ready || gen > static_cast<uint32_t> INT32_MAX)
        return false;
    return cachePurge(&g_cache.files, static_cast<int32_t>(gen));
}

int sfCacheCount()
{
    return g_cache.ready ? g_cache.files.entries.count : 0;
}

void sfCacheShutdown()
{
    if (g_cache.ready)
        cacheDestroy(&g_cache.files, true);
    g_cache = ImageCache{};
}
