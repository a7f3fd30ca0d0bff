#pragma once
// Copies between surfaces, blending, run-length encoded sprites, rotated and
// scaled copies, and the simple shapes, all reading one global drawing state.

#include <stdint.h>

#include "gfx/surface.h"

// ---- Drawing state -------------------------------------------------------------------
enum BlendMode : uint32_t {
    BLEND_NONE = 0,
    BLEND_ALPHA = 1,  // source over destination by the global alpha
    BLEND_ADD = 2,    // source times alpha added, each field limited
    BLEND_TINT = 3,   // the source's lowest field is coverage of the draw colour
    BLEND_SOLID = 4,  // every non-key source pixel becomes the draw colour
    BLEND_COUNT = 5,
};

struct GfxState {
    uint32_t alpha;      // 0..256, 256 = opaque
    uint32_t blendMode;  // BlendMode
    uint32_t color;      // pixel value in the destination's format
    const RECT* clip;    // borrowed; null = no clip
};

uint32_t gfxSetAlpha(uint32_t a);  // previous alpha; values above 256 are taken as 256
uint32_t gfxGetAlpha();
void gfxSetBlendMode(uint32_t mode);  // modes above 4 draw nothing
uint32_t gfxGetBlendMode();
void gfxSetColor(uint32_t pixel);
uint32_t gfxGetColor();
const RECT* gfxSetClip(const RECT* r);  // previous pointer; the rectangle must outlive its use
const RECT* gfxGetClip();
GfxState gfxSaveState();
void gfxRestoreState(const GfxState* s);
void gfxResetState();               // alpha 256, mode 0, colour 0, no clip
SURFACE* gfxSetTarget(SURFACE* s);  // the surface frames are drawn into; previous one
SURFACE* gfxGetTarget();

bool rectIntersects(const RECT* a, const RECT* b);  // strict overlap: touching edges do not
void rectUnion(RECT* a, const RECT* b);             // grows a to include b

// ---- Blend routines ----------------------------------------------------------------------
// (destination pixel, source pixel, alpha, draw colour) -> new destination pixel,
// both pixels already in the destination format.
typedef uint32_t (*BlendFn)(uint32_t d, uint32_t s, uint32_t alpha, uint32_t color);
struct BlendOps {
    BlendFn mode[BLEND_COUNT];  // null where the mode is not available ("Palette")
};
const BlendOps* blendOps(uint32_t format);  // null for invalid formats

// ---- Copies ---------------------------------------------------------------------------------
// frame: source rectangle or null for the whole source. 1 when a copy was made.
int sfBlit(const SURFACE* src, SURFACE* dst, int x, int y, const RECT* frame);
int sfBlitPivot(const SURFACE* src, SURFACE* dst, int x, int y);  // (x, y) is where the hot spot lands
int sfBlitFrame(const SURFACE* src, SURFACE* dst, int x, int y, int i);
int sfCopy(const SURFACE* src, SURFACE* dst, int x, int y, const RECT* frame);  // opaque, converting

// Chooses between the specialised copies and the plain reference copy that
// handles every case pixel by pixel (on by default; tests and benchmarks compare).
void gfxUseFastPaths(bool on);
bool gfxFastPaths();
// Lets the fast copies use AVX2 where the processor has it (on by default;
// tests switch it off to check the SSE2 loops on the same machine).
void gfxUseAvx2(bool on);

// ---- Run-length encoding -------------------------------------------------------------------
int sfEncodeRLE(SURFACE* s);  // 1 when s now holds RLE data; 0 leaves s as it was
int sfBlitRLE(const SURFACE* src, SURFACE* dst, int x, int y, const RECT* frame);
// True when an RLE surface's row table and packets stay inside its data.
bool sfCheckRLE(const SURFACE* s);

// ---- Rotated and scaled copies -----------------------------------------------------------------
struct XFORM {
    int32_t x, y;    // where the hot spot lands
    int32_t angle;   // degrees
    int16_t sx, sy;  // 8.8 scale factors, 256 = 1.0
};
int sfBlitXform(const SURFACE* src, SURFACE* dst, const XFORM* xform, int i);
void gfxSinCos(int angle, int32_t* sinOut, int32_t* cosOut);  // 8.8 results
int32_t gfxCosTable(int i);                                   // 16.16 cosine of i/10 degrees, i in 0..900

// ---- Shapes (draw colour and blend mode, clipped) ------------------------------------------------
void sfPlot(SURFACE* s, int x, int y);
void sfHLine(SURFACE* s, int x, int y, int length);
void sfVLine(SURFACE* s, int x, int y, int length);
void sfRect(SURFACE* s, const RECT* r);
void sfFillRect(SURFACE* s, const RECT* r);  // null r: the whole surface
