#pragma once
// Clipping of a copy: the source rectangle against the source, the destination
// rectangle against an optional clip rectangle and the destination.

#include "gfx/blit_fast.h"

struct CopyRect {
    int sx, sy;  // first source pixel
    int dx, dy;  // first destination pixel
    int w, h;    // at least 1 each
};

// False when nothing is left to draw.
bool clipCopy(const SURFACE* src, const SURFACE* dst, int x, int y, const RECT* frame, const RECT* clip,
              CopyRect* out);
// Cuts a destination rectangle (x, y, w, h) to a bounds rectangle, moving the
// source start by as much as is cut on the left or top.
bool clipToBounds(int64_t* x, int64_t* y, int64_t* w, int64_t* h, int64_t* sx, int64_t* sy,
                  const RECT* bounds);
// The plain copy every specialised loop is measured against.
void blitReference(const BlitJob& j);
