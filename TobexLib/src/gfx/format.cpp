// The pixel-format table, the per-format pixel routines, colour conversion and
// palette matching.

#include "gfx/format.h"

#include <string.h>

#include "gfx/blit_fast.h"
#include "gfx/surface.h"

namespace {

// clang-format off
const PIXELFORMAT kFormats[PF_COUNT] = {
    {.comps = 0, .bytesPerPixel = 0, .pixelsPerByte = 0, .bits = 0, .rBits = 0, .gBits = 0, .bBits = 0, .aBits = 0,
     .rShift = 0, .gShift = 0, .bShift = 0, .aShift = 0, .rMax = 0, .gMax = 0, .bMax = 0, .aMax = 0, .monoMax = 0, .name = "Undefined"},
    {.comps = 0, .bytesPerPixel = 1, .pixelsPerByte = 0, .bits = 8, .rBits = 0, .gBits = 0, .bBits = 0, .aBits = 0,
     .rShift = 0, .gShift = 0, .bShift = 0, .aShift = 0, .rMax = 0, .gMax = 0, .bMax = 0, .aMax = 0, .monoMax = 0, .name = "Palette"},
    {.comps = 3, .bytesPerPixel = 2, .pixelsPerByte = 0, .bits = 12, .rBits = 4, .gBits = 4, .bBits = 4, .aBits = 0,
     .rShift = 8, .gShift = 4, .bShift = 0, .aShift = 0, .rMax = 15, .gMax = 15, .bMax = 15, .aMax = 0, .monoMax = 0, .name = "444"},
    {.comps = 3, .bytesPerPixel = 2, .pixelsPerByte = 0, .bits = 15, .rBits = 5, .gBits = 5, .bBits = 5, .aBits = 0,
     .rShift = 10, .gShift = 5, .bShift = 0, .aShift = 0, .rMax = 31, .gMax = 31, .bMax = 31, .aMax = 0, .monoMax = 0, .name = "555"},
    {.comps = 3, .bytesPerPixel = 2, .pixelsPerByte = 0, .bits = 16, .rBits = 5, .gBits = 6, .bBits = 5, .aBits = 0,
     .rShift = 11, .gShift = 5, .bShift = 0, .aShift = 0, .rMax = 31, .gMax = 63, .bMax = 31, .aMax = 0, .monoMax = 0, .name = "565"},
    {.comps = 3, .bytesPerPixel = 3, .pixelsPerByte = 0, .bits = 24, .rBits = 8, .gBits = 8, .bBits = 8, .aBits = 0,
     .rShift = 16, .gShift = 8, .bShift = 0, .aShift = 0, .rMax = 255, .gMax = 255, .bMax = 255, .aMax = 0, .monoMax = 0, .name = "888"},
    {.comps = 4, .bytesPerPixel = 4, .pixelsPerByte = 0, .bits = 32, .rBits = 8, .gBits = 8, .bBits = 8, .aBits = 8,
     .rShift = 16, .gShift = 8, .bShift = 0, .aShift = 24, .rMax = 255, .gMax = 255, .bMax = 255, .aMax = 255, .monoMax = 0, .name = "8888"},
    {.comps = 1, .bytesPerPixel = 0, .pixelsPerByte = 8, .bits = 1, .rBits = 0, .gBits = 0, .bBits = 0, .aBits = 0,
     .rShift = 0, .gShift = 0, .bShift = 0, .aShift = 0, .rMax = 0, .gMax = 0, .bMax = 0, .aMax = 0, .monoMax = 1, .name = "MONO1"},
    {.comps = 1, .bytesPerPixel = 0, .pixelsPerByte = 4, .bits = 2, .rBits = 0, .gBits = 0, .bBits = 0, .aBits = 0,
     .rShift = 0, .gShift = 0, .bShift = 0, .aShift = 0, .rMax = 0, .gMax = 0, .bMax = 0, .aMax = 0, .monoMax = 3, .name = "MONO2"},
    {.comps = 1, .bytesPerPixel = 0, .pixelsPerByte = 2, .bits = 4, .rBits = 0, .gBits = 0, .bBits = 0, .aBits = 0,
     .rShift = 0, .gShift = 0, .bShift = 0, .aShift = 0, .rMax = 0, .gMax = 0, .bMax = 0, .aMax = 0, .monoMax = 15, .name = "MONO4"},
    {.comps = 1, .bytesPerPixel = 1, .pixelsPerByte = 0, .bits = 8, .rBits = 0, .gBits = 0, .bBits = 0, .aBits = 0,
     .rShift = 0, .gShift = 0, .bShift = 0, .aShift = 0, .rMax = 0, .gMax = 0, .bMax = 0, .aMax = 0, .monoMax = 255, .name = "MONO8"},
};
// clang-format on

uint32_t red(uint32_t c)
{
    return (c >> 16) & 255;
}
uint32_t green(uint32_t c)
{
    return (c >> 8) & 255;
}
uint32_t blue(uint32_t c)
{
    return c & 255;
}
uint32_t grey(uint32_t c)
{
    return (red(c) + green(c) + blue(c)) / 3;
}

uint32_t from444(uint32_t c)
{
    return ((red(c) * 15 / 255) << 4 | green(c) * 15 / 255) << 4 | blue(c) * 15 / 255;
}
uint32_t to444(uint32_t v)
{
    return ((v >> 8) & 15) * 255 / 15 << 16 | ((v >> 4) & 15) * 255 / 15 << 8 | (v & 15) * 255 / 15;
}
uint32_t from555(uint32_t c)
{
    return ((red(c) * 31 / 255) << 5 | green(c) * 31 / 255) << 5 | blue(c) * 31 / 255;
}
uint32_t to555(uint32_t v)
{
    return ((v >> 10) & 31) * 255 / 31 << 16 | ((v >> 5) & 31) * 255 / 31 << 8 | (v & 31) * 255 / 31;
}
uint32_t from565(uint32_t c)
{
    return ((red(c) * 31 / 255) << 6 | green(c) * 63 / 255) << 5 | blue(c) * 31 / 255;
}
uint32_t to565(uint32_t v)
{
    return ((v >> 11) & 31) * 255 / 31 << 16 | ((v >> 5) & 63) * 255 / 63 << 8 | (v & 31) * 255 / 31;
}
uint32_t from888(uint32_t c)
{
    return c & 0xFFFFFF;
}
uint32_t to888(uint32_t v)
{
    return v & 0xFFFFFF;
}
uint32_t same(uint32_t v)
{
    return v;
}
uint32_t fromMono1(uint32_t c)
{
    return (grey(c) >> 7) & 1;
}
uint32_t toMono1(uint32_t v)
{
    return (v & 1) * 0xFFFFFF;
}
uint32_t fromMono2(uint32_t c)
{
    return (grey(c) >> 6) & 3;
}
uint32_t toMono2(uint32_t v)
{
    return ((v & 3) * 255 / 3) * 0x010101;
}
uint32_t fromMono4(uint32_t c)
{
    return (grey(c) >> 4) & 15;
}
uint32_t toMono4(uint32_t v)
{
    return ((v & 15) * 255 / 15) * 0x010101;
}
uint32_t fromMono8(uint32_t c)
{
    return grey(c) & 255;
}
uint32_t toMono8(uint32_t v)
{
    return (v & 255) * 0x010101;
}

uint32_t read8(const uint8_t* p)
{
    return *p;
}
void write8(uint8_t* p, uint32_t v)
{
    *p = static_cast<uint8_t>(v);
}
uint32_t read16(const uint8_t* p)
{
    uint16_t v;
    memcpy(&v, p, 2);
    return v;
}
uint32_t read16u(const uint8_t* p)
{
    return p[0] | p[1] << 8;
}
void write16(uint8_t* p, uint32_t v)
{
    uint16_t w = static_cast<uint16_t>(v);
    memcpy(p, &w, 2);
}
void write16u(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
// NOTE: a 32-bit word read at the last pixel of a buffer would run one byte past
// it, so the aligned 3-byte read assembles its bytes like the unaligned one.
uint32_t read24(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16;
}
void write24(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
}
uint32_t read32(const uint8_t* p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}
uint32_t read32u(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void write32(uint8_t* p, uint32_t v)
{
    memcpy(p, &v, 4);
}
void write32u(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

const PixelOps kOps[PF_COUNT] = {
    {},
    {.fromRGB = nullptr,
     .toRGB = nullptr,
     .read = read8,
     .readUnaligned = read8,
     .write = write8,
     .writeUnaligned = write8,
     .fastCopy = fastCopyPalette},
    {.fromRGB = from444,
     .toRGB = to444,
     .read = read16,
     .readUnaligned = read16u,
     .write = write16,
     .writeUnaligned = write16u,
     .fastCopy = nullptr},
    {.fromRGB = from555,
     .toRGB = to555,
     .read = read16,
     .readUnaligned = read16u,
     .write = write16,
     .writeUnaligned = write16u,
     .fastCopy = nullptr},
    {.fromRGB = from565,
     .toRGB = to565,
     .read = read16,
     .readUnaligned = read16u,
     .write = write16,
     .writeUnaligned = write16u,
     .fastCopy = fastCopy16},
    {.fromRGB = from888,
     .toRGB = to888,
     .read = read24,
     .readUnaligned = read24,
     .write = write24,
     .writeUnaligned = write24,
     .fastCopy = fastCopy24},
    {.fromRGB = same,
     .toRGB = same,
     .read = read32,
     .readUnaligned = read32u,
     .write = write32,
     .writeUnaligned = write32u,
     .fastCopy = fastCopy32},
    {.fromRGB = fromMono1,
     .toRGB = toMono1,
     .read = nullptr,
     .readUnaligned = nullptr,
     .write = nullptr,
     .writeUnaligned = nullptr,
     .fastCopy = fastCopyWhole},
    {.fromRGB = fromMono2,
     .toRGB = toMono2,
     .read = nullptr,
     .readUnaligned = nullptr,
     .write = nullptr,
     .writeUnaligned = nullptr,
     .fastCopy = fastCopyWhole},
    {.fromRGB = fromMono4,
     .toRGB = toMono4,
     .read = nullptr,
     .readUnaligned = nullptr,
     .write = nullptr,
     .writeUnaligned = nullptr,
     .fastCopy = fastCopyWhole},
    {.fromRGB = fromMono8,
     .toRGB = toMono8,
     .read = read8,
     .readUnaligned = read8,
     .write = write8,
     .writeUnaligned = write8,
     .fastCopy = fastCopyWhole},
};

}

const PIXELFORMAT* pfInfo(uint32_t format)
{
    if (format == PF_UNDEFINED || format >= PF_COUNT)
        return nullptr;
    return &kFormats[format];
}

const PixelOps* pfOps(uint32_t format)
{
    if (format == PF_UNDEFINED || format >= PF_COUNT)
        return nullptr;
    return &kOps[format];
}

uint32_t pfFromName(const char* name)
{
    if (!name)
        return 0;
    for (uint32_t f = 1; f < PF_COUNT; f++) {
        const char* a = kFormats[f].name;
        const char* b = name;
        while (*a && (*a | 0x20) == (*b | 0x20))
            a++, b++;
        if (!*a && !*b)
            return f;
    }
    return 0;
}

uint32_t colorDistance(uint32_t a, uint32_t b)
{
    int dr = static_cast<int>(red(a)) - static_cast<int>(red(b));
    int dg = static_cast<int>(green(a)) - static_cast<int>(green(b));
    int db = static_cast<int>(blue(a)) - static_cast<int>(blue(b));
    return static_cast<uint32_t>(dr * dr + dg * dg + db * db);
}

uint32_t colorScale(uint32_t rgb, uint32_t factor)
{
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint64_t c = (static_cast<uint64_t>((rgb >> shift) & 255) * factor + 128) >> 8;
        out |= static_cast<uint32_t>(c > 255 ? 255 : c) << shift;
    }
    return out;
}

uint32_t colorLerp(uint32_t a, uint32_t b, int t, int n)
{
    if (n == 0)
        return a;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int64_t ca = (a >> shift) & 255, cb = (b >> shift) & 255;
        int64_t c = (ca * (n - t) + cb * t) / n;
        out |= static_cast<uint32_t>(c & 255) << shift;
    }
    return out;
}

uint32_t palNearest(const PALETTE* pal, uint32_t rgb)
{
    if (!pal)
        return 0;
    uint32_t n = pal->count > 256 ? 256 : pal->count;
    uint32_t best = 0, bestDist = 0xFFFFFFFF;
    for (uint32_t i = 0; i < n; i++) {
        uint32_t d = colorDistance(pal->colors[i], rgb);
        if (d == 0)
            return i;
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

void palMap(PALETTE* pal, uint32_t format, PALETTE* target)
{
    if (!pal || format == PF_UNDEFINED)
        return;
    const PixelOps* ops = pfOps(format);
    if (!ops)
        return;
    if (format == PF_PALETTE) {
        if (!target || target == pal)
            return;
        for (int i = 0; i < 256; i++)
            pal->mapped[i] = palNearest(target, pal->colors[i]);
    } else {
        for (int i = 0; i < 256; i++)
            pal->mapped[i] = ops->fromRGB(pal->colors[i]);
    }
    pal->mappedFormat = format;
    pal->mappedFor = target;
}

uint32_t colorConvert(uint32_t value, uint32_t srcFormat, const PALETTE* srcPalette, const SURFACE* dst)
{
    const PIXELFORMAT* sf = pfInfo(srcFormat);
    if (!dst || !sf || !dst->formatInfo)
        return 0;
    const PIXELFORMAT* df = dst->formatInfo;
    uint32_t dstFormat = dst->format;
    if (srcFormat == dstFormat) {
        if (srcFormat == PF_PALETTE && srcPalette && dst->palette && srcPalette != dst->palette)
            return palNearest(dst->palette, srcPalette->colors[value & 255]);
        return value;
    }
    if (srcFormat == PF_PALETTE) {
        const PALETTE* pal = srcPalette ? srcPalette : dst->palette;
        if (!pal)
            return 0;
        if (pal->mappedFormat == dstFormat)
            return pal->mapped[value & 255];
        return pfOps(dstFormat)->fromRGB(pal->colors[value & 255]);
    }
    if (dstFormat == PF_PALETTE) {
        if (!dst->palette)
            return 0;
        return palNearest(dst->palette, pfOps(srcFormat)->toRGB(value));
    }
    if (sf->comps >= 3 && df->comps >= 3) {
        uint32_t r = ((value >> sf->rShift) & sf->rMax) * df->rMax / sf->rMax;
        uint32_t g = ((value >> sf->gShift) & sf->gMax) * df->gMax / sf->gMax;
        uint32_t b = ((value >> sf->bShift) & sf->bMax) * df->bMax / sf->bMax;
        return r << df->rShift | g << df->gShift | b << df->bShift;
    }
    return pfOps(dstFormat)->fromRGB(pfOps(srcFormat)->toRGB(value));
}
