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
// Short same-format copies may rewrite destination bytes after their run with
// the values those bytes already hold, only inside the visible part of the row.

#include <stddef.h>
#include <string.h>

#include <vector>

#include "base/mem.h"
#include "gfx/blit.h"
#include "gfx/blit_fast.h"
#include "gfx/clip.h"

namespace {

constexpr uint8_t RLE_SKIP = 0x20;
constexpr uint8_t RLE_COPY = 0x40;
constexpr uint8_t RLE_FILL = 0x60;
constexpr int RLE_MAX_RUN = 8192;
constexpr int RLE_MIN_FILL = 4;

void emit(std::vector<uint8_t>& out, uint8_t kind, int count)
{
    out.push_back(static_cast<uint8_t>(0x80 | kind | ((count - 1) >> 8)));
    out.push_back(static_cast<uint8_t>((count - 1) & 0xFF));
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
    const uint8_t* data;  // first packet byte
    uint32_t dataLen;     // bytes of packets
    uint32_t rowStart(const SURFACE* s, int y) const
    {
        return y == 0 ? 0 : rowEnd(s, y - 1);
    }
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
    uint32_t table = static_cast<uint32_t>(s->height) * (s->rleWideOffsets ? 4 : 2);
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
    bool direct;  // same format, no blend: bytes are copied as they are
    BlendFn blend;
    uint32_t alpha, color;
    PixReadFn read, dread;
    PixWriteFn write;
};

void putPixels(const RowDraw& r, const uint8_t* from, int fromStep, uint8_t* to, int n)
{
    if (r.direct) {
        if (fromStep)
            memcpy(to, from, static_cast<size_t>(n) * r.bpp);
        else if (r.bpp == 2) {
            uint16_t v;
            memcpy(&v, from, 2);
            for (int i = 0; i < n; i++)
                memcpy(to + 2 * i, &v, 2);
        } else
            for (int i = 0; i < n; i++)
                memcpy(to + static_cast<size_t>(i) * r.bpp, from, r.bpp);
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

// Chunks moved as whole vectors: memcpy of a fixed size into a vector value
// becomes one unaligned load and store (one 32-byte move where AVX2 is on).
typedef uint8_t V32 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void copy32(uint8_t* to, const uint8_t* from)
{
    V32 v;
    memcpy(&v, from, 32);
    memcpy(to, &v, 32);
}

// Byte masks with the first i bytes set, for merging a short run into the
// destination bytes that follow it.
struct MergeMasks {
    alignas(32) uint8_t m[33][32];
    constexpr MergeMasks() : m()
    {
        for (int i = 0; i <= 32; i++)
            for (int k = 0; k < 32; k++)
                m[i][k] = k < i ? 0xFF : 0;
    }
};
constexpr MergeMasks kMerge;

// Copies n > 32 bytes: whole 32-byte moves from both ends, overlapping in the
// middle, so runs below 256 bytes need no loop.
[[gnu::always_inline]] inline void copyLong(uint8_t* to, const uint8_t* from, size_t n)
{
    if (n > 128) {
        if (n > 256) {
            for (size_t i = 0; i + 128 < n; i += 128) {
                copy32(to + i, from + i);
                copy32(to + i + 32, from + i + 32);
                copy32(to + i + 64, from + i + 64);
                copy32(to + i + 96, from + i + 96);
            }
            from += n - 128;
            to += n - 128;
            n = 128;
        } else {
            copy32(to + 64, from + 64);
            copy32(to + 96, from + 96);
            copy32(to + n - 128, from + n - 128);
            copy32(to + n - 96, from + n - 96);
        }
    }
    if (n > 64) {
        copy32(to + 32, from + 32);
        copy32(to + n - 64, from + n - 64);
    }
    copy32(to, from);
    copy32(to + n - 32, from + n - 32);
}

// Copies 1 to 32 bytes with two overlapping moves of the size class below n.
[[gnu::always_inline]] inline void copyShort(uint8_t* to, const uint8_t* from, size_t n)
{
    if (n >= 16) {
        uint64_t a[2], b[2];
        memcpy(a, from, 16);
        memcpy(b, from + n - 16, 16);
        memcpy(to, a, 16);
        memcpy(to + n - 16, b, 16);
    } else if (n >= 8) {
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
        uint8_t a = from[0], b = from[n / 2], c = from[n - 1];
        to[0] = a;
        to[n / 2] = b;
        to[n - 1] = c;
    }
}

// Copies 1 to 32 * Chunks bytes as whole 32-byte stores that keep the
// destination bytes after the run, so no size-class branches. Both sides need
// 32 * Chunks bytes of room.
template <int Chunks>
[[gnu::always_inline]] inline void copyMerged(uint8_t* to, const uint8_t* from, size_t n)
{
    for (int c = 0; c < Chunks; c++) {
        size_t left = n > 32u * c ? n - 32u * c : 0;
        V32 m, s, d;
        memcpy(&m, kMerge.m[left < 32 ? left : 32], 32);
        memcpy(&s, from + 32 * c, 32);
        memcpy(&d, to + 32 * c, 32);
        d = (s & m) | (d & ~m);
        memcpy(to + 32 * c, &d, 32);
    }
}

// Runs up to this many 32-byte chunks are copied merged.
constexpr int kMergeChunks = 2;

// Copies n >= 1 bytes of a run without a library call.
[[gnu::always_inline]] inline void copyRun(uint8_t* to, const uint8_t* from, size_t n)
{
    if (n > 32)
        copyLong(to, from, n);
    else
        copyShort(to, from, n);
}

// Writes one pixel n times.
template <int Bpp>
[[gnu::always_inline]] inline void fillRun(uint8_t* to, const uint8_t* pixel, int n)
{
    size_t bytes = static_cast<size_t>(n) * Bpp;
    if (Bpp != 3 && bytes >= 32) {
        V32 v;
        for (int k = 0; k < 32; k += Bpp)
            memcpy(reinterpret_cast<uint8_t*>(&v) + k, pixel, Bpp);
        size_t i = 0;
        for (; i + 32 < bytes; i += 32)
            memcpy(to + i, &v, 32);
        memcpy(to + bytes - 32, &v, 32);
        return;
    }
    for (int i = 0; i < n; i++)
        memcpy(to + static_cast<size_t>(i) * Bpp, pixel, Bpp);
}

// A packet header: kind bits (0x20 skip, 0x40 copy, 0x60 fill, 0 none) and count.
struct Packet {
    unsigned kind;
    int count;
};

[[gnu::always_inline]] inline Packet readPacket(const uint8_t* p)
{
    uint16_t h;
    memcpy(&h, p, 2);
    h = __builtin_bswap16(h);
    return Packet{static_cast<unsigned>(h >> 8) & 0x60u, (h & 0x1FFF) + 1};
}

// The common sprite case: same format, no blending, pixels of Bpp bytes, no
// left cut. Each packet is checked once: its payload must lie inside the row's
// data and its pixels left of x1, else the row ends there (a copy or fill
// crossing x1 is drawn up to x1). Short runs with room after them on both
// sides take the branch-free merged copy.
template <int Bpp>
[[gnu::always_inline]] inline void drawRowWhole(const uint8_t* p, const uint8_t* end, const uint8_t* dataEnd,
                                                int x1, uint8_t* dst)
{
    ptrdiff_t x = 0;
    // Last column with room for a merged copy before the visible row's end.
    const ptrdiff_t xRoomy = x1 - (32 * kMergeChunks + Bpp - 1) / Bpp;
    while (end - p >= 2) {
        Packet k = readPacket(p);
        p += 2;
        if (k.kind == RLE_SKIP) {
            x += k.count;
            continue;
        }
        uint8_t* to = dst + x * Bpp;
        if (k.kind != RLE_COPY) {
            if (k.kind == 0 || x >= x1 || end - p < Bpp)
                return;
            fillRun<Bpp>(to, p, x + k.count <= x1 ? k.count : static_cast<int>(x1 - x));
            p += Bpp;
            x += k.count;
            continue;
        }
        size_t bytes = static_cast<size_t>(k.count) * Bpp;
        // One test for both rare ends: payload past the row's data, or pixels
        // past the visible part (drawn up to it, then the row is done).
        if ((x + k.count > x1) | (static_cast<size_t>(end - p) < bytes)) {
            if (static_cast<size_t>(end - p) >= bytes && x < x1)
                copyRun(to, p, static_cast<size_t>(x1 - x) * Bpp);
            return;
        }
        if (bytes <= 32 * kMergeChunks && (x <= xRoomy) & (dataEnd - p >= 32 * kMergeChunks))
            copyMerged<kMergeChunks>(to, p, bytes);
        else
            copyRun(to, p, bytes);
        p += bytes;
        x += k.count;
    }
}

// Same format, no blending, with a left cut at x0: pixels left of x0 are
// passed over, the rest drawn as in drawRowWhole.
template <int Bpp>
[[gnu::always_inline]] inline void drawRowCut(const uint8_t* p, const uint8_t* end, int x0, int x1,
                                              uint8_t* dst)
{
    int x = 0;
    while (x < x1 && end - p >= 2) {
        Packet k = readPacket(p);
        p += 2;
        if (k.kind == RLE_SKIP) {
            x += k.count;
            continue;
        }
        if (k.kind == 0)
            return;
        size_t need = k.kind == RLE_COPY ? static_cast<size_t>(k.count) * Bpp : Bpp;
        if (static_cast<size_t>(end - p) < need)
            return;
        int a = x > x0 ? x : x0;
        int b = x + k.count < x1 ? x + k.count : x1;
        if (a < b) {
            uint8_t* to = dst + static_cast<size_t>(a - x0) * Bpp;
            if (k.kind == RLE_COPY)
                copyRun(to, p + static_cast<size_t>(a - x) * Bpp, static_cast<size_t>(b - a) * Bpp);
            else
                fillRun<Bpp>(to, p, b - a);
        }
        p += need;
        x += k.count;
    }
}

// Draws every visible row of a same-format copy without blending.
template <int Bpp>
[[gnu::always_inline]] inline void drawDirect(const SURFACE* src, const RleView& v, const CopyRect& c,
                                              uint8_t* rowDst, int32_t yPitch)
{
    const uint8_t* dataEnd = v.data + v.dataLen;
    uint32_t a = v.rowStart(src, c.sy);
    for (int j = 0; j < c.h; j++, rowDst += yPitch) {
        uint32_t b = v.rowEnd(src, c.sy + j);
        uint32_t start = a;
        a = b;
        if (start > b || b > v.dataLen)
            continue;
        if (c.sx == 0)
            drawRowWhole<Bpp>(v.data + start, v.data + b, dataEnd, c.w, rowDst);
        else
            drawRowCut<Bpp>(v.data + start, v.data + b, c.sx, c.sx + c.w, rowDst);
    }
}

// The direct drawers are built twice, for AVX2 and for the base instruction
// set, and the processor's best is picked when the program loads.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define RLE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define RLE_CLONES
#endif

RLE_CLONES void drawDirect1(const SURFACE* s, const RleView& v, const CopyRect& c, uint8_t* to, int32_t pitch)
{
    drawDirect<1>(s, v, c, to, pitch);
}

RLE_CLONES void drawDirect2(const SURFACE* s, const RleView& v, const CopyRect& c, uint8_t* to, int32_t pitch)
{
    drawDirect<2>(s, v, c, to, pitch);
}

RLE_CLONES void drawDirect3(const SURFACE* s, const RleView& v, const CopyRect& c, uint8_t* to, int32_t pitch)
{
    drawDirect<3>(s, v, c, to, pitch);
}

RLE_CLONES void drawDirect4(const SURFACE* s, const RleView& v, const CopyRect& c, uint8_t* to, int32_t pitch)
{
    drawDirect<4>(s, v, c, to, pitch);
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
            p += static_cast<size_t>(count) * r.bpp;
        } else if (kind == RLE_FILL) {
            if (end - p < r.bpp)
                return;
            p += r.bpp;
        }
        int a = x > x0 ? x : x0;
        int b = x + count < x1 ? x + count : x1;
        if (kind != RLE_SKIP && a < b) {
            int step = kind == RLE_COPY ? r.bpp : 0;
            putPixels(r, payload + static_cast<size_t>(a - x) * step, step,
                      dst + static_cast<size_t>(a - x0) * r.dbpp, b - a);
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
        ends[y] = static_cast<uint32_t>(packets.size());
    }
    bool wide = !ends.empty() && ends.back() >= 0x10000;
    size_t table = static_cast<size_t>(s->height) * (wide ? 4 : 2);
    size_t total = table + packets.size();
    if (total > static_cast<size_t> INT32_MAX)
        return 0;
    uint8_t* buf = static_cast<uint8_t*>(memAlloc(static_cast<int32_t>(total ? total : 1)));
    if (!buf)
        return 0;
    for (int y = 0; y < s->height; y++) {
        if (wide)
            memcpy(buf + 4 * y, &ends[y], 4);
        else {
            uint16_t e = static_cast<uint16_t>(ends[y]);
            memcpy(buf + 2 * y, &e, 2);
        }
    }
    if (!packets.empty())
        memcpy(buf + table, packets.data(), packets.size());
    if (s->ownsPixels)
        memFree(s->pixels);
    s->pixels = buf;
    s->ownsPixels = 1;
    s->size = static_cast<uint32_t>(total);
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
            size_t need = kind == RLE_COPY   ? static_cast<size_t>(count) * bpp
                          : kind == RLE_FILL ? static_cast<size_t>(bpp)
                                             : 0;
            if (static_cast<size_t>(end - p) < need)
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
    if (r.direct) {
        switch (r.bpp) {
        case 1:
            drawDirect1(src, v, c, rowDst, dst->yPitch);
            return 1;
        case 2:
            drawDirect2(src, v, c, rowDst, dst->yPitch);
            return 1;
        case 3:
            drawDirect3(src, v, c, rowDst, dst->yPitch);
            return 1;
        case 4:
            drawDirect4(src, v, c, rowDst, dst->yPitch);
            return 1;
        }
    }
    for (int j = 0; j < c.h; j++, rowDst += dst->yPitch) {
        int row = c.sy + j;
        uint32_t a = v.rowStart(src, row), b = v.rowEnd(src, row);
        if (a > b || b > v.dataLen)
            continue;
        drawRow(r, v.data + a, v.data + b, c.sx, c.sx + c.w, rowDst);
    }
    return 1;
}
