#pragma once
// Scrambling: a scrambled file's byte at offset p is the plain byte XOR
// key[p mod 128]. The key is part of the data format of scrambled archives, so
// the engine and the pack tool share this one table.

#include <stdint.h>

#include "vfs/vfs.h"

constexpr uint32_t SCRAMBLE_KEY_SIZE = 128;

extern const uint8_t vfsScrambleKey[SCRAMBLE_KEY_SIZE];

// XORs n bytes in place with the key, the first byte lying at file offset 'offset'.
void vfsScrambleBytes(void* buf, uint32_t n, uint32_t offset);
// The read operation of a scrambled archive: a loose read descrambled by f->pos.
int32_t vfsDescrambleRead(VFile* f, uint32_t n, void* buf);
// XORs a file in place from byte 'start' to its end, keyed by file offset, so an
// archive appended to an executable can be scrambled while the executable stays
// intact. vfsScrambleFile is this with start 0.
bool vfsScrambleFileFrom(const char16_t* name, uint32_t start);
