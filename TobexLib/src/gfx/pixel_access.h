#pragma once
// Loads and stores of one pixel by storage size, shared by the fast copy loops.
// memcpy keeps them alignment-safe and compiles to a single move.

#include <stdint.h>
#include <string.h>

namespace pixel {

struct Px8 {
    static constexpr int size = 1;
    static uint32_t load(const uint8_t* p)
    {
        return *p;
    }
    static void store(uint8_t* p, uint32_t v)
    {
        *p = static_cast<uint8_t>(v);
    }
};
struct Px16 {
    static constexpr int size = 2;
    static uint32_t load(const uint8_t* p)
    {
        uint16_t v;
        memcpy(&v, p, 2);
        return v;
    }
    static void store(uint8_t* p, uint32_t v)
    {
        uint16_t w = static_cast<uint16_t>(v);
        memcpy(p, &w, 2);
    }
};
struct Px24 {
    static constexpr int size = 3;
    static uint32_t load(const uint8_t* p)
    {
        return p[0] | p[1] << 8 | p[2] << 16;
    }
    static void store(uint8_t* p, uint32_t v)
    {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    }
};
struct Px32 {
    static constexpr int size = 4;
    static uint32_t load(const uint8_t* p)
    {
        uint32_t v;
        memcpy(&v, p, 4);
        return v;
    }
    static void store(uint8_t* p, uint32_t v)
    {
        memcpy(p, &v, 4);
    }
};

}
