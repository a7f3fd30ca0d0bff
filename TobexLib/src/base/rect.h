#pragma once
// The one rectangle record: a property value (RECT in World files), a surface's
// frame, a clip, a box on the screen.

#include <stdint.h>

struct Rect {
    int32_t x, y;  // top left
    int32_t w, h;  // size; zero or negative: empty
};
typedef Rect RECT;  // the graphics code's spelling of the same record
