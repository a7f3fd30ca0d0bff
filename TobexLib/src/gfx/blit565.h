#pragma once
// Row kernels into "565" destinations (internal to the blitter).

#include <stddef.h>
#include <stdint.h>

enum Op565 : int {
    OP565_KEY = 0,    // same format, key colour only
    OP565_ALPHA = 1,  // same format, global alpha
    OP565_ADD = 2,    // same format, additive
};

struct Row565 {
    const uint8_t* src;
    uint8_t* dst;
    int w;
    int op;          // Op565 for row565
    uint32_t alpha;  // 1..256
    bool keyed;
    uint32_t key;  // source pixel value
};

void row565(const Row565& r);        // "565" -> "565"
void row8888To565(const Row565& r);  // "8888" -> "565", mode 0
// h rows of the same, source and destination rows srcPitch and dstPitch bytes
// apart; the two must not overlap.
void rows8888To565(const Row565& r, int h, ptrdiff_t srcPitch, ptrdiff_t dstPitch);
void row888To565(const Row565& r);                     // "888" -> "565", mode 0, no key
void rowLut565(const Row565& r, const uint16_t* lut);  // one-byte sources through a table, mode 0
