// Run-length encoded sprites: encoding, checking and drawing.
//
// Layout: a row table of `height` entries (u16, or u32 with rleWideOffsets),
// entry y = where row y's packets end, counted from the end of the table; then
// the packets. A packet is two header bytes (0x80 | kind | (count-1) >> 8,
// (count-1) & 0xFF) followed by count pixels (copy) or one pixel (fill); skip
// packets have no payload. Rows end at their last opaque pixel.
//
// Drawing checks every packet against its row's end and the data's end, so a
// damaged table or packet can cut a row short but never read outside the data.

#include <stddef.h>
#include <string.h>

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gfx/blit.h"
#include "gfx/blit_fast.h"
#include "gfx/clip.h"
#include "vfs/mem.h"

namespace {

constexpr uint8_t RLE_SKIP = 0x20;
constexpr uint8_t RLE_COPY = 0x40;
constexpr uint8_t RLE_FILL = 0x60;
constexpr int RLE_MAX_RUN = 8192;
constexpr int RLE_MIN_FILL = 4;

void emit(std::vector<uint8_t>& out, uint8_t kind, int count)
{
    out.push_back((uint8_t)(0x80 | kind | ((count - 1) >> 8)));
    out.push_back((uint8_t)((count - 1) & 0xFF));
}

void emitSkip(std::vector<uint8_t>& out, int n)
{
    for (; n > 0; n -= RLE_MAX_RUN)
        emit(out, RLE_SKIP, n < RLE_MAX_RUN ? n : RLE_MAX_RUN);
}

void emitCopy(std::vector<uint8_t>& out, const SURFACE* s, int y, int x0, int x1)
{
    int bpp = s->formatInfo->bytesPerPixel;
    while (x0 < x1) {
        int n = x1 - x0 < RLE_MAX_RUN ? x1 - x0 : RLE_MAX_RUN;
        emit(out, RLE_COPY, n);
        for (int i = 0; i < n; i++) {
            const uint8_t* p = sfPixelAddr(s, x0 + i, y);
            out.insert(out.end(), p, p + bpp);
        }
        x0 += n;
    }
}

void emitFill(std::vector<uint8_t>& out, const SURFACE* s, int y, int x0, int n)
{
    int bpp = s->formatInfo->bytesPerPixel;
    const uint8_t* p = sfPixelAddr(s, x0, y);
    for (; n > 0; n -= RLE_MAX_RUN) {
        emit(out, RLE_FILL, n < RLE_MAX_RUN ? n : RLE_MAX_RUN);
        out.insert(out.end(), p, p + bpp);
    }
}

void encodeRow(std::vector<uint8_t>& out, const SURFACE* s, int y)
{
    PixReadFn read = pfOps(s->format)->readUnaligned;
    auto px = [&](int x) { return read(sfPixelAddr(s, x, y)); };
    bool keyed = s->keycolor != SF_NO_KEY;
    auto clear = [&](int x) { return keyed && px(x) == s->keycolor; };
    int x = 0, w = s->width;
    while (x < w) {
        int k = x;
        while (k < w && clear(k))
            k++;
        if (k == w)
            return;
        emitSkip(out, k - x);
        x = k;
        int pending = x;
        while (x < w && !clear(x)) {
            int run = 1;
            while (x + run < w && px(x + run) == px(x))
                run++;
            if (run >= RLE_MIN_FILL) {
                emitCopy(out, s, y, pending, x);
                emitFill(out, s, y, x, run);
                pending = x + run;
            }
            x += run;
        }
        emitCopy(out, s, y, pending, x);
    }
}

struct RleView {
    const uint8_t* data;   // first packet byte
    uint32_t dataLen;      // bytes of packets
    uint32_t rowStart(const SURFACE* s, int y) const { return y == 0 ? 0 : rowEnd(s, y - 1); }
    uint32_t rowEnd(const SURFACE* s, int y) const
    {
        if (s->rleWideOffsets) {
            uint32_t v;
            memcpy(&v, s->pixels + 4 * y, 4);
            return v;
        }
        uint16_t v;
        memcpy(&v, s->pixels + 2 * y, 2);
        return v;
    }
};

bool viewOf(const SURFACE* s, RleView* v)
{
    if (!s || !s->pixels || !s->rle || !s->formatInfo || !s->formatInfo->bytesPerPixel || s->height < 1)
        return false;
    uint32_t table = (uint32_t)s->height * (s->rleWideOffsets ? 4 : 2);
    if (table > s->size)
        return false;
    v->data = s->pixels + table;
    v->dataLen = s->size - table;
    return true;
}

// Where the packets of one visible row go: pixel writers chosen once per copy.
struct RowDraw {
    const SURFACE* src;
    SURFACE* dst;
    int bpp, dbpp;
    bool direct;       // same format, no blend: bytes are copied as they are
    BlendFn blend;
    uint32_t alpha, color;
    PixReadFn read, dread;
    PixWriteFn write;
};

void putPixels(const RowDraw& r, const uint8_t* from, int fromStep, uint8_t* to, int n)
{
    if (r.direct) {
        if (fromStep)
            memcpy(to, from, (size_t)n * r.bpp);
        else if (r.bpp == 2) {
            uint16_t v;
            memcpy(&v, from, 2);
            for (int i = 0; i < n; i++)
                memcpy(to + 2 * i, &v, 2);
        } else
            for (int i = 0; i < n; i++)
                memcpy(to + (size_t)i * r.bpp, from, r.bpp);
        return;
    }
    for (int i = 0; i < n; i++, from += fromStep, to += r.dbpp) {
        uint32_t s = r.read(from);
        if (r.src->format != r.dst->format)
            s = colorConvert(s, r.src->format, r.src->palette, r.dst);
        if (r.blend)
            s = r.blend(r.dread(to), s, r.alpha, r.color);
        r.write(to, s);
    }
}

// Copies n bytes of a short run without a library call: 16-byte steps, then
// one overlapping step for the rest (runs are whole pixels, at least 2 bytes).
inline void copyRun(uint8_t* to, const uint8_t* from, size_t n)
{
    if (n >= 16) {
#if defined(__SSE2__)
        size_t i = 0;
        for (; i + 64 <= n; i += 64) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 16));
            __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 32));
            __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 48));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), a);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 16), b);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 32), c);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 48), d);
        }
        for (; i + 32 <= n; i += 32) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), a);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 16), b);
        }
        if (i + 16 <= n) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
            i += 16;
        }
        if (i < n)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + n - 16),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + n - 16)));
#else
        memcpy(to, from, n);
#endif
        return;
    }
    if (n >= 8) {
        uint64_t a, b;
        memcpy(&a, from, 8);
        memcpy(&b, from + n - 8, 8);
        memcpy(to, &a, 8);
        memcpy(to + n - 8, &b, 8);
    } else if (n >= 4) {
        uint32_t a, b;
        memcpy(&a, from, 4);
        memcpy(&b, from + n - 4, 4);
        memcpy(to, &a, 4);
        memcpy(to + n - 4, &b, 4);
    } else {
        for (size_t i = 0; i < n; i++)
            to[i] = from[i];
    }
}

// The common sprite case: same format, no blending, pixels of Bpp bytes.
// Bounds are checked per packet exactly as in drawRow.
template <int Bpp>
void drawRowDirect(const uint8_t* p, const uint8_t* end, int x0, int x1, uint8_t* dst)
{
    int x = 0;
    if (x0 == 0) {
        // No left cut: each packet is drawn whole until the right edge.
        while (end - p >= 2) {
            uint8_t kind = p[0] & 0x60;
            int count = ((p[0] & 0x1F) << 8 | p[1]) + 1;
            p += 2;
            if (kind == RLE_SKIP) {
                x += count;
                continue;
            }
            if (kind == 0 || x >= x1)
                return;
            size_t need = kind == RLE_COPY ? (size_t)count * Bpp : Bpp;
            if ((size_t)(end - p) < need)
                return;
            int n = x + count <= x1 ? count : x1 - x;
            if (kind == RLE_COPY)
                copyRun(dst + (size_t)x * Bpp, p, (size_t)n * Bpp);
            else
                for (int i = 0; i < n; i++)
                    memcpy(dst + (size_t)(x + i) * Bpp, p, Bpp);
            p += need;
            x += count;
        }
        return;
    }
    while (x < x1 && end - p >= 2) {
        uint8_t kind = p[0] & 0x60;
        int count = ((p[0] & 0x1F) << 8 | p[1]) + 1;
        p += 2;
        if (kind == RLE_SKIP) {
            x += count;
            continue;
        }
        if (kind == 0)
            return;
        size_t need = kind == RLE_COPY ? (size_t)count * Bpp : Bpp;
        if ((size_t)(end - p) < need)
            return;
        int a = x > x0 ? x : x0;
        int b = x + count < x1 ? x + count : x1;
        if (a < b) {
            uint8_t* to = dst + (size_t)(a - x0) * Bpp;
            if (kind == RLE_COPY) {
                copyRun(to, p + (size_t)(a - x) * Bpp, (size_t)(b - a) * Bpp);
            } else {
                for (int i = 0; i < b - a; i++)
                    memcpy(to + (size_t)i * Bpp, p, Bpp);
            }
        }
        p += need;
        x += count;
    }
}

// Draws source columns [x0, x1) of one row at dst, stopping at any packet that
// would run past the row's end.
void drawRow(const RowDraw& r, const uint8_t* p, const uint8_t* end, int x0, int x1, uint8_t* dst)
{
    int x = 0;
    while (x < x1 && end - p >= 2) {
        uint8_t kind = p[0] & 0x60;
        int count = ((p[0] & 0x1F) << 8 | p[1]) + 1;
        p += 2;
        if (kind == 0)
            return;
        const uint8_t* payload = p;
        if (kind == RLE_COPY) {
            if ((end - p) / r.bpp < count)
                return;
            p += (size_t)count * r.bpp;
        } else if (kind == RLE_FILL) {
            if (end - p < r.bpp)
                return;
            p += r.bpp;
        }
        int a = x > x0 ? x : x0;
        int b = x + count < x1 ? x + count : x1;
        if (kind != RLE_SKIP && a < b) {
            int step = kind == RLE_COPY ? r.bpp : 0;
            putPixels(r, payload + (size_t)(a - x) * step, step, dst + (size_t)(a - x0) * r.dbpp, b - a);
        }
        x += count;
    }
}

}

int sfEncodeRLE(SURFACE* s)
{
    if (!s || !s->pixels || s->rle || !s->formatInfo || !s->formatInfo->bytesPerPixel)
        return 0;
    std::vector<uint8_t> packets;
    std::vector<uint32_t> ends(s->height);
    for (int y = 0; y < s->height; y++) {
        encodeRow(packets, s, y);
        ends[y] = (uint32_t)packets.size();
    }
    bool wide = !ends.empty() && ends.back() >= 0x10000;
    size_t table = (size_t)s->height * (wide ? 4 : 2);
    size_t total = table + packets.size();
    if (total > (size_t)INT32_MAX)
        return 0;
    uint8_t* buf = static_cast<uint8_t*>(memAlloc((int32_t)(total ? total : 1)));
    if (!buf)
        return 0;
    for (int y = 0; y < s->height; y++) {
        if (wide)
            memcpy(buf + 4 * y, &ends[y], 4);
        else {
            uint16_t e = (uint16_t)ends[y];
            memcpy(buf + 2 * y, &e, 2);
        }
    }
    if (!packets.empty())
        memcpy(buf + table, packets.data(), packets.size());
    if (s->ownsPixels)
        memFree(s->pixels);
    s->pixels = buf;
    s->ownsPixels = 1;
    s->size = (uint32_t)total;
    s->rle = 1;
    s->rleWideOffsets = wide ? 1 : 0;
    return 1;
}

bool sfCheckRLE(const SURFACE* s)
{
    RleView v;
    if (!viewOf(s, &v))
        return false;
    int bpp = s->formatInfo->bytesPerPixel;
    for (int y = 0; y < s->height; y++) {
        uint32_t a = v.rowStart(s, y), b = v.rowEnd(s, y);
        if (a > b || b > v.dataLen)
            return false;
        const uint8_t* p = v.data + a;
        const uint8_t* end = v.data + b;
        while (p < end) {
            if (end - p < 2)
                return false;
            uint8_t kind = p[0] & 0x60;
            int count = ((p[0] & 0x1F) << 8 | p[1]) + 1;
            p += 2;
            if (!(p[-2] & 0x80) || kind == 0)
                return false;
            size_t need = kind == RLE_COPY ? (size_t)count * bpp : kind == RLE_FILL ? (size_t)bpp : 0;
            if ((size_t)(end - p) < need)
                return false;
            p += need;
        }
    }
    return true;
}

int sfBlitRLE(const SURFACE* src, SURFACE* dst, int x, int y, const RECT* frame)
{
    RleView v;
    if (!viewOf(src, &v) || !dst || !dst->pixels || dst->rle || !dst->formatInfo || gfxGetAlpha() == 0)
        return 0;
    const PIXELFORMAT* df = dst->formatInfo;
    if (!df->bytesPerPixel || dst->xPitch != df->bytesPerPixel)
        return 0;
    uint32_t mode = gfxGetBlendMode();
    RowDraw r = {};
    if (mode >= BLEND_COUNT || (mode && !(r.blend = blendOps(dst->format)->mode[mode])))
        return 0;
    CopyRect c;
    if (!clipCopy(src, dst, x, y, frame, gfxGetClip(), &c))
        return 0;
    r.src = src;
    r.dst = dst;
    r.bpp = src->formatInfo->bytesPerPixel;
    r.dbpp = df->bytesPerPixel;
    r.direct = src->format == dst->format && !r.blend;
    r.alpha = gfxGetAlpha();
    r.color = gfxGetColor();
    r.read = pfOps(src->format)->readUnaligned;
    r.dread = pfOps(dst->format)->readUnaligned;
    r.write = pfOps(dst->format)->writeUnaligned;
    uint8_t* rowDst = sfPixelAddr(dst, c.dx, c.dy);
    for (int j = 0; j < c.h; j++, rowDst += dst->yPitch) {
        int row = c.sy + j;
        uint32_t a = v.rowStart(src, row), b = v.rowEnd(src, row);
        if (a > b || b > v.dataLen)
            continue;
        const uint8_t* p = v.data + a;
        const uint8_t* e = v.data + b;
        uint8_t* to = rowDst;
        if (r.direct && r.bpp == 2)
            drawRowDirect<2>(p, e, c.sx, c.sx + c.w, to);
        else if (r.direct && r.bpp == 4)
            drawRowDirect<4>(p, e, c.sx, c.sx + c.w, to);
        else
            drawRow(r, p, e, c.sx, c.sx + c.w, to);
    }
    return 1;
}
