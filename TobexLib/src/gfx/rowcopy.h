#pragma once
// Row copies shared by the blitters' fast paths, and the processor features
// the fast loops may use (internal to the blitter).

#include <stddef.h>
#include <stdint.h>

// Copies whose destination is at least this large use streaming stores.
constexpr size_t kStreamBytes = 1 << 20;  // about twice the second-level cache

// AVX2 is present and not switched off (gfxUseAvx2); the fast loops check it
// once per copy.
bool cpuAvx2();

// Copies h rows of n bytes from s (rows sp bytes apart) to d (rows dp bytes
// apart) with vector moves and no call per row; copies of 1 MB or more use
// streaming stores, which leave the cache to the rest of the frame. False,
// with nothing copied, when the source and destination bytes overlap (the
// caller then copies with memmove).
bool copyRows(const uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp, size_t n, int h);
