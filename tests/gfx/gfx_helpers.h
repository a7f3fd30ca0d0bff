// Shared set-up for the graphics tests: a temporary program folder from
// test_util.h (so loose files and the log land there), byte files and random surfaces.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "gfx/blit.h"
#include "gfx/surface.h"
#include "test_util.h"

class GfxTest : public testutil::FolderTest {
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        gfxResetState();
        gfxUseFastPaths(true);
        gfxUseAvx2(true);
    }

    void TearDown() override
    {
        gfxResetState();
        gfxUseFastPaths(true);
        gfxUseAvx2(true);
        gfxSetTarget(nullptr);
        sfCacheShutdown();
        folderSetPath(FOLDER_PROGRAM, nullptr);
        FolderTest::TearDown();
    }

    void writeFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        testutil::writeFile(dir + name, std::string(bytes.begin(), bytes.end()));
    }

    std::vector<uint8_t> readFile(const std::string& name)
    {
        std::string bytes = testutil::readFile(dir + name);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
};

// Fills every pixel with random values valid for the format, with a share of
// them set to `key` so key tests are exercised.
inline void fillRandom(SURFACE* s, std::mt19937& rng, uint32_t key = SF_NO_KEY)
{
    uint32_t mask = s->formatInfo->bits >= 32 ? 0xFFFFFFFFu : (1u << s->formatInfo->bits) - 1;
    if (s->format == PF_444 || s->format == PF_555)
        mask = s->format == PF_444 ? 0xFFF : 0x7FFF;
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++) {
            uint32_t v = rng() & mask;
            if (key != SF_NO_KEY && rng() % 4 == 0)
                v = key;
            sfPutPixel(s, x, y, v);
        }
}

// Rows y0..y1 of a surface, '#' where a pixel is set, each row ending in a newline.
inline std::string picture(const SURFACE* s, int y0, int y1)
{
    std::string out;
    for (int y = y0; y < y1; y++) {
        for (int x = 0; x < s->width; x++)
            out += sfGetPixel(s, x, y) ? '#' : '.';
        out += '\n';
    }
    return out;
}

inline PALETTE* randomPalette(std::mt19937& rng)
{
    PALETTE* p = palCreate();
    p->count = 256;
    for (int i = 0; i < 256; i++)
        p->colors[i] = rng() & 0xFFFFFF;
    return p;
}
