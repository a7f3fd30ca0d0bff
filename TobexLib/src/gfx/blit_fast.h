#pragma once
// Inner loops of the copies, shared by the blitter modules. A BlitJob is one
// copy already clipped and checked by the caller: every pixel it names lies
// inside both surfaces, so the loops trust it.

#include <stdint.h>

#include "gfx/surface.h"

struct BlitJob {
    const uint8_t* src;  // first source pixel
    uint8_t* dst;        // first destination pixel
    int srcXPitch, srcYPitch;
    int dstXPitch, dstYPitch;
    int w, h;  // both at least 1
    uint32_t srcFormat, dstFormat;
    uint32_t key;    // source key colour, SF_NO_KEY for none
    uint32_t mode;   // blend mode 0..4
    uint32_t alpha;  // 1..256
    uint32_t color;  // draw colour in the destination format
    const PALETTE* srcPalette;
    const SURFACE* dstSurface;  // for conversions to "Palette"
};

// Runs the job with the specialised loop a table chooses by source and
// destination format; false when none fits (the caller then uses the reference copy).
bool blitFastRun(const BlitJob& j);

// Same-format rectangle copies of presentation, by source format.
bool fastCopy16(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h);
bool fastCopy24(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h);
bool fastCopy32(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h);
bool fastCopyPalette(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h);
bool fastCopyWhole(const SURFACE* src, SURFACE* dst, int dx, int dy, int sx, int sy, int w, int h);

// floor(n / 255) for 0 <= n < 65535 without a division, so loops vectorise.
inline uint32_t div255(uint32_t n)
{
    return ((n + 1) * 257) >> 16;
}
