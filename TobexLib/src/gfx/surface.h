#pragma once
// Surfaces: a block of pixel memory in one pixel format with what sprites need
// (key colour, hot spot, frames, animation settings, palette, run-length
// encoding). Loaded images, off-screen targets, font images and the display
// memory are all surfaces.

#include <stdint.h>

#include "base/rect.h"
#include "gfx/format.h"
#include "obj/container.h"

constexpr uint32_t SF_NO_KEY = 0x80000000u;  // keycolor value meaning no key colour
// Bounds on what any surface may ask for, whatever a file says: sides up to
// 16384 pixels and at most 64 MiB of pixel memory.
constexpr int32_t SF_MAX_SIDE = 16384;
constexpr int32_t SF_MAX_BYTES = 64 * 1024 * 1024;
constexpr uint32_t SF_FRAME_ELEM = 16;  // bytes of one frame rectangle

// The frame rectangles of a surface: an engine vector of RECT elements.
using SfFrames = Vector;

struct SURFACE {
    uint8_t ownsPixels;             // 1 when `pixels` is freed with the surface
    uint8_t ownsPalette;            // 1 when `palette` is freed with the surface
    const PIXELFORMAT* formatInfo;  // the format's table row
    uint32_t format;                // format code 1..10
    uint32_t keycolor;              // transparent pixel value; SF_NO_KEY for none
    uint8_t rle;                    // 1: pixels hold run-length encoded data
    uint8_t rleWideOffsets;         // 1: the RLE row table has 32-bit entries
    int16_t width, height;
    int16_t xPitch;          // byte step between adjacent pixels (may be negative)
    int16_t yPitch;          // byte step between rows (may be negative)
    int16_t xPivot, yPivot;  // hot spot as 8.8 fractions of width and height
    uint32_t size;           // bytes of pixel data (or of the RLE data)
    uint8_t* pixels;         // row 0 first; null when the surface has none
    PALETTE* palette;        // or null
    uint8_t animType;
    uint8_t loop;
    uint32_t frameDelay;  // milliseconds per frame
    SfFrames frames;      // frame rectangles; empty = one frame, the whole surface
};

// ---- Creation and release ---------------------------------------------------------
// Fills s in place: own zeroed pixels when pixels is null and rle clear; borrows
// pixels when given (rle set: encodes them into an own buffer). Null on a bad
// format, a size beyond the bounds above, or a failed allocation.
SURFACE* sfInit(SURFACE* s, int width, int height, uint32_t format, bool rle, uint32_t keycolor,
                uint8_t* pixels);
SURFACE* sfCreate(int width, int height, uint32_t format, bool rle, uint32_t keycolor, uint8_t* pixels);
void sfFree(SURFACE* s);     // releases pixels, palette and frames it owns; the record stays
void sfDestroy(SURFACE* s);  // sfFree, then the record goes back to the surface pool
SURFACE* sfConvert(const SURFACE* s, uint32_t format);  // new surface, every pixel converted; null on failure
int32_t sfRowBytes(const PIXELFORMAT* fi, int width);   // bytes of one packed row

// ---- Pixel access --------------------------------------------------------------------
uint8_t* sfPixelAddr(const SURFACE* s, int x, int y);       // no bounds check
uint32_t sfGetPixel(const SURFACE* s, int x, int y);        // 0 outside, without pixels, or RLE
void sfPutPixel(SURFACE* s, int x, int y, uint32_t value);  // inside the surface and the clip only
// True when every pixel the record addresses lies inside `size` bytes (plain surfaces).
bool sfAddressingFits(const SURFACE* s);

// ---- Frames ------------------------------------------------------------------------------
bool sfSetFrameGrid(SURFACE* s, int columns, int rows);  // false on bad counts or no memory
bool sfFrameSize(const SURFACE* s, int i, int* w, int* h);
const RECT* sfFrame(const SURFACE* s, int i);           // null when i is not a frame
bool sfFramesCopy(SfFrames* dst, const SfFrames* src);  // dst is freed first
bool sfFramesPush(SfFrames* v, const RECT* r);
void sfFramesFree(SfFrames* v);

// ---- Palettes --------------------------------------------------------------------------
// Null pal detaches; copy takes an own copy (assertion and no change when that
// cannot be allocated); otherwise the surface borrows pal.
void sfSetPalette(SURFACE* s, PALETTE* pal, bool copy);
PALETTE* palCreate();  // zeroed palette block, or null

// ---- Surface pool ---------------------------------------------------------------------------
SURFACE* sfPoolTake();  // zeroed record, or null
void sfPoolGive(SURFACE* s);
void sfPoolShutdown();  // frees every pool block; all pool records must be back
int sfPoolLive();       // records handed out and not yet given back

// ---- Image cache ------------------------------------------------------------------------------
// Surfaces loaded by file name, shared, kept until their generation is purged.
bool sfCacheInit(uint32_t defaultFormat);    // also done on first use with the file's own format
SURFACE* sfGetCached(const char16_t* name);  // null when the image cannot be loaded
uint32_t sfCacheNextGeneration();            // the new generation
uint32_t sfCacheGeneration();
// Destroys every entry loaded in generation gen or later (gen 0: the current one);
// false for gen 0 while the generation is 0, or gen above the current one.
bool sfCachePurge(uint32_t gen);
int sfCacheCount();
void sfCacheShutdown();  // destroys every cached surface
