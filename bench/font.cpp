// Glyphs per second drawn by fontDrawText with the anti-aliased sheet the build
// renders (Sans12, blended, proportional) and with the system font (solid, fixed
// width), beside the same glyph cells copied row by row with memcpy, the least
// that moving those pixels can cost.
//
// Needs build/data/fonts (the `fonts` target).
#include <benchmark/benchmark.h>
#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/text.h"
#include "gfx/blit.h"
#include "gfx/font.h"
#include "gfx/image.h"

namespace {

// A pangram line with Latin-1 letters: 48 glyphs and 8 blanks.
const char16_t kLine[] =
    u"The quick brown fox jumps over the lazy d\u00f6g. \u00c9t\u00e9 \u00e0 Z\u00fcrich 1234";

std::string sheetPath(const char* name)
{
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0)
        return "";
    std::string path(exe);
    return path.substr(0, path.rfind('/')) + "/../data/fonts/Graphics/" + name;
}

// The font record of a sheet laid out by `tobex font`; false when it is missing.
bool loadFont(const char* file, int w, int h, int columns, int rows, bool proportional, FONT* f)
{
    char16_t wide[TEXT_MAX_PATH];
    if (!textFromUtf8(wide, TEXT_MAX_PATH, sheetPath(file).c_str()))
        return false;
    SURFACE* sheet = sfLoadTGA(wide, PF_565, nullptr);
    if (!sheet)
        return false;
    sheet->keycolor = 0;
    *f = FONT{};
    f->nCharWidth = w;
    f->nCharHeight = h;
    f->nHSpacing = proportional ? 1 : 0;
    f->bVariableSpacing = proportional;
    f->bBlend = proportional;
    f->sf = sheet;
    f->nXSrcSpacing = f->nYSrcSpacing = f->nXSrcOffs = f->nYSrcOffs = 1;
    f->nXSrcChars = columns;
    f->nYSrcChars = rows;
    f->nFirstChar = 32;
    return fontBuild(f) != nullptr;
}

int glyphsIn(const FONT* f, const char16_t* text)
{
    int n = 0;
    for (const char16_t* p = text; *p; p++)
        n += *p != u' ' && *p >= f->nFirstChar && *p <= f->nLastChar;
    return n;
}

// Lines of kLine down a surface wide enough that no glyph is cut.
void drawLines(benchmark::State& state, FONT* f)
{
    SURFACE* dst = sfCreate(480, 320, PF_565, false, SF_NO_KEY, nullptr);
    if (fontTextWidth(f, kLine) > dst->width)
        state.SkipWithError("the line does not fit");
    gfxSetColor(0xFFFF);
    const int lines = 320 / f->nCharHeight;
    for (auto _ : state)
        for (int i = 0; i < lines; i++)
            fontDrawText(f, dst, kLine, 0, i * f->nCharHeight, FONT_ALIGN_LEFT, 0);
    state.counters["glyphs/s"] = benchmark::Counter(double(state.iterations()) * lines * glyphsIn(f, kLine),
                                                    benchmark::Counter::kIsRate);
    gfxResetState();
    sfDestroy(dst);
    sfDestroy(f->sf);
}

void BM_SansGlyphs(benchmark::State& state)
{
    FONT f;
    if (!loadFont("Sans12.tga", 13, 15, 16, 14, true, &f)) {
        state.SkipWithError("build/data/fonts/Graphics/Sans12.tga is missing or not 13 x 15 cells");
        return;
    }
    drawLines(state, &f);
}
BENCHMARK(BM_SansGlyphs);

void BM_SysFontGlyphs(benchmark::State& state)
{
    FONT f;
    if (!loadFont("SysFont7x14.tga", 7, 14, 14, 16, false, &f)) {
        state.SkipWithError("build/data/fonts/Graphics/SysFont7x14.tga is missing");
        return;
    }
    drawLines(state, &f);
}
BENCHMARK(BM_SysFontGlyphs);

// The peer: a 13 x 15 cell of 16-bit pixels copied row by row, once per glyph.
void BM_GlyphCellMemcpy(benchmark::State& state)
{
    const int w = 13, h = 15, pitch = 240 * 2;
    std::vector<uint8_t> sheet(pitch * 240, 0x3C), screen(pitch * 320);
    int64_t glyphs = 0;
    for (auto _ : state) {
        for (int g = 0; g < 48; g++) {
            const uint8_t* src = sheet.data() + (g % 16) * (w + 1) * 2 + (g / 16) * (h + 1) * pitch;
            uint8_t* dst = screen.data() + (g * 5 % 220) * 2 + (g / 16) * h * pitch;
            for (int y = 0; y < h; y++)
                memcpy(dst + y * pitch, src + y * pitch, w * 2);
        }
        glyphs += 48;
        benchmark::ClobberMemory();
    }
    state.counters["glyphs/s"] = benchmark::Counter(double(glyphs), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GlyphCellMemcpy);

}

BENCHMARK_MAIN();
