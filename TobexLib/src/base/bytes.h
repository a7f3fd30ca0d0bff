#pragma once
// Little-endian numbers in byte buffers: every file format here (World files,
// GSF, TGA, WAV, ZIP) stores them that way. The plain readers and writers take a
// pointer the caller has checked; a ByteReader checks every read against the
// end of its buffer and remembers an overrun, so a parser can read a whole
// record and test once.

#include <stddef.h>
#include <stdint.h>

// ---- Plain (the caller has checked the bytes are there) --------------------------------
inline uint16_t leRead16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t leRead24(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}
inline uint32_t leRead32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void leWrite16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void leWrite32(uint8_t* p, uint32_t v)
{
    leWrite16(p, uint16_t(v));
    leWrite16(p + 2, uint16_t(v >> 16));
}

// ---- Checked -----------------------------------------------------------------------------
struct ByteReader {
    const uint8_t* p;  // next byte
    size_t left;       // bytes from p to the end
    bool ok;           // false once a read ran past the end (and every read after it)
};

inline ByteReader byteReader(const void* data, size_t size)
{
    return ByteReader{.p = static_cast<const uint8_t*>(data), .left = size, .ok = true};
}
// Takes n bytes: their address, or null (and ok cleared) when fewer are left.
inline const uint8_t* brTake(ByteReader* r, size_t n)
{
    if (!r->ok || r->left < n) {
        r->ok = false;
        return nullptr;
    }
    const uint8_t* at = r->p;
    r->p += n;
    r->left -= n;
    return at;
}
inline uint8_t brU8(ByteReader* r)  // 0 past the end
{
    const uint8_t* p = brTake(r, 1);
    return p ? p[0] : 0;
}
inline uint16_t brU16(ByteReader* r)  // 0 past the end
{
    const uint8_t* p = brTake(r, 2);
    return p ? leRead16(p) : 0;
}
inline uint32_t brU32(ByteReader* r)  // 0 past the end
{
    const uint8_t* p = brTake(r, 4);
    return p ? leRead32(p) : 0;
}
