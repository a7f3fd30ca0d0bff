// The scramble key and the XOR passes over buffers and files.
#include "vfs/scramble.h"

#include "app/files.h"
#include "base/mem.h"
#include "vfs/archive.h"
#include "vfs/loose.h"

// NOTE: generated once from a fixed seed; scrambled archives already made depend
// on these exact values, so they must never change. No byte is 0, so every byte
// of a scrambled file differs from the plain one.
const uint8_t vfsScrambleKey[SCRAMBLE_KEY_SIZE] = {
    0x62, 0x86, 0x2C, 0xEC, 0x37, 0xF5, 0xC3, 0x33, 0xE9, 0xFE, 0xBD, 0x60, 0x74, 0xCA, 0xFD, 0xAF,
    0xF7, 0x6D, 0x1A, 0x8C, 0x71, 0xE0, 0x86, 0x76, 0x7A, 0x6C, 0x43, 0xDE, 0xBB, 0xEE, 0xDD, 0x29,
    0x55, 0xF6, 0x8B, 0xAB, 0xA3, 0x05, 0x11, 0x05, 0xBC, 0x71, 0x36, 0x9C, 0x92, 0x9E, 0x84, 0x9C,
    0x35, 0xAC, 0x73, 0x94, 0x68, 0x26, 0x83, 0x23, 0x9A, 0x66, 0xF8, 0x49, 0x9A, 0xF0, 0x8C, 0xE0,
    0x23, 0xEB, 0xF1, 0x37, 0x19, 0x99, 0x62, 0x1F, 0x99, 0x37, 0xB6, 0x38, 0x08, 0xF6, 0x18, 0xE1,
    0xE9, 0xE4, 0xA1, 0xF9, 0x51, 0x9C, 0xB7, 0x33, 0x72, 0xF3, 0x5A, 0xC5, 0x1A, 0x30, 0x51, 0x64,
    0x66, 0x95, 0xE0, 0x35, 0xA1, 0xA4, 0x42, 0x66, 0x93, 0x51, 0x73, 0x55, 0x30, 0x16, 0xA4, 0x0F,
    0x46, 0xF6, 0x21, 0x33, 0x51, 0x46, 0xBE, 0x5E, 0xA8, 0xE4, 0xF8, 0x01, 0xB4, 0x10, 0x1F, 0x05,
};

namespace {

constexpr int32_t kChunk = 2048;

// Reads, XORs and writes back one chunk at the current position.
bool scrambleChunk(VFile* f, uint8_t* buf, int32_t n)
{
    uint32_t at = vfsTell(f);
    if (vfsRead(f, buf, n) != n)
        return false;
    vfsScrambleBytes(buf, uint32_t(n), at);
    if (!vfsSeek(f, -n, 1) || vfsWrite(f, buf, n) != n)
        return false;
    // A stream must be positioned between a write and the next read.
    return vfsSeek(f, 0, 1);
}

}

void vfsScrambleBytes(void* buf, uint32_t n, uint32_t offset)
{
    uint8_t* p = static_cast<uint8_t*>(buf);
    uint32_t k = offset % SCRAMBLE_KEY_SIZE;
    for (uint32_t i = 0; i < n; ++i) {
        p[i] ^= vfsScrambleKey[k];
        k = (k + 1) & (SCRAMBLE_KEY_SIZE - 1);
    }
}

int32_t vfsDescrambleRead(VFile* f, uint32_t n, void* buf)
{
    uint32_t at = f->pos;
    int32_t got = fileRead(f, n, buf);
    if (got > 0)
        vfsScrambleBytes(buf, uint32_t(got), at);
    return got;
}

bool vfsScrambleFileFrom(const char16_t* name, uint32_t start)
{
    VFile* f = vfsOpen(name);
    if (!f)
        return false;
    uint8_t* buf = static_cast<uint8_t*>(memAlloc(kChunk));
    bool ok = buf && f->opWrite && start <= vfsSize(f) && vfsSeek(f, int32_t(start), 0);
    while (ok && !vfsEof(f)) {
        uint32_t left = vfsSize(f) - vfsTell(f);
        ok = scrambleChunk(f, buf, left < uint32_t(kChunk) ? int32_t(left) : kChunk);
    }
    memFree(buf);
    return vfsClose(f) && ok;
}

bool vfsScrambleFile(const char16_t* name)
{
    return vfsScrambleFileFrom(name, 0);
}
