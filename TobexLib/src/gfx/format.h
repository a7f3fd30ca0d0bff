#pragma once
// Pixel formats, their per-format pixel routines, colours and palettes.
//
// A pixel format is a row of one table indexed by format code 1..10. Colours
// cross interfaces either as RGB colours (0x00RRGGBB) or as pixel values of a
// named format; every function below says which one it takes.

#include <stdint.h>

struct SURFACE;

// ---- Format codes --------------------------------------------------------------
enum PixelFormatCode : uint32_t {
    PF_UNDEFINED = 0,
    PF_PALETTE = 1,
    PF_444 = 2,
    PF_555 = 3,
    PF_565 = 4,
    PF_888 = 5,
    PF_8888 = 6,
    PF_MONO1 = 7,
    PF_MONO2 = 8,
    PF_MONO4 = 9,
    PF_MONO8 = 10,
    PF_COUNT = 11,
};

struct PIXELFORMAT {
    uint8_t comps;          // colour components (0 for "Palette")
    uint8_t bytesPerPixel;  // 0 for packed formats
    uint8_t pixelsPerByte;  // packed formats only
    uint8_t bits;           // bits per pixel
    uint8_t rBits, gBits, bBits, aBits;
    uint8_t rShift, gShift, bShift, aShift;
    uint32_t rMax, gMax, bMax, aMax;
    uint32_t monoMax;  // white of a one-channel format
    const char* name;
};

// ---- Per-format pixel routines ---------------------------------------------------
typedef uint32_t (*PixFromRGBFn)(uint32_t rgb);
typedef uint32_t (*PixToRGBFn)(uint32_t value);
typedef uint32_t (*PixReadFn)(const uint8_t* p);
typedef void (*PixWriteFn)(uint8_t* p, uint32_t value);
// Same-format rectangle copy used by presentation; false when the case is not handled.
typedef bool (*PixFastCopyFn)(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h);

struct PixelOps {
    PixFromRGBFn fromRGB;  // null for "Palette"
    PixToRGBFn toRGB;      // null for "Palette"
    PixReadFn read;        // null for packed formats
    PixReadFn readUnaligned;
    PixWriteFn write;
    PixWriteFn writeUnaligned;
    PixFastCopyFn fastCopy;  // null for "444" and "555"
};

// ---- Palettes --------------------------------------------------------------------
struct PALETTE {
    uint32_t count;         // valid colours, at most 256
    uint32_t mappedFormat;  // the format `mapped` was computed for (0 = not mapped)
    PALETTE* mappedFor;     // target palette when mappedFormat is "Palette"
    uint32_t colors[256];   // RGB colours
    uint32_t mapped[256];   // colors as mappedFormat pixel values (or indices into mappedFor)
};

// ---- Table look-ups ----------------------------------------------------------------
const PIXELFORMAT* pfInfo(uint32_t format);  // null for 0 and codes above 10
const PixelOps* pfOps(uint32_t format);      // null for 0 and codes above 10
uint32_t pfFromName(const char* name);       // format code by its table name; 0 when unknown

// ---- Colours ---------------------------------------------------------------------------
uint32_t colorDistance(uint32_t a, uint32_t b);            // sum of squared R, G, B differences
uint32_t colorScale(uint32_t rgb, uint32_t factor);        // each channel times an 8.8 factor, limited to 255
uint32_t colorLerp(uint32_t a, uint32_t b, int t, int n);  // each channel (a(n-t) + bt)/n; a for n = 0
// A pixel value of srcFormat (with its palette, may be null) as a pixel of surface dst.
uint32_t colorConvert(uint32_t value, uint32_t srcFormat, const PALETTE* srcPalette, const SURFACE* dst);

// ---- Palette colour matching ---------------------------------------------------------------
void palMap(PALETTE* pal, uint32_t format, PALETTE* target);  // fills `mapped` for format
uint32_t palNearest(const PALETTE* pal, uint32_t rgb);        // nearest index; 0 for an empty palette
