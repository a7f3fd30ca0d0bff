// Shared set-up for the graphics tests: a temporary program folder (so loose
// files and the log land there), file writing, log reading and random surfaces.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "gfx/blit.h"
#include "gfx/surface.h"
#include "vfs/logfile.h"

class GfxTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        std::string tmpl = testing::TempDir() + "gfxtestXXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir = buf.data();
        char16_t wide[TEXT_MAX_PATH];
        ASSERT_TRUE(textFromUtf8(wide, TEXT_MAX_PATH, dir.c_str()));
        folderSetPath(FOLDER_PROGRAM, wide);
        vfsLogToFile();
        logRestart();
        gfxResetState();
        gfxUseFastPaths(true);
    }

    void TearDown() override
    {
        gfxResetState();
        gfxUseFastPaths(true);
        gfxSetTarget(nullptr);
        sfCacheShutdown();
        folderSetPath(FOLDER_PROGRAM, nullptr);
    }

    void writeFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
    }

    std::vector<uint8_t> readFile(const std::string& name)
    {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::string readLog()
    {
        std::ifstream in(dir + "/Tobex.log");
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
};

inline std::u16string u16(const std::string& s)
{
    return std::u16string(s.begin(), s.end());
}

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

inline PALETTE* randomPalette(std::mt19937& rng)
{
    PALETTE* p = palCreate();
    p->count = 256;
    for (int i = 0; i < 256; i++)
        p->colors[i] = rng() & 0xFFFFFF;
    return p;
}
