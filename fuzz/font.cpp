// Fuzzes the bitmap-font record as a World file's CtlFont can fill it: the
// input gives the grid (sizes, gaps, offsets, counts, first character, flags),
// the size and pixels of the glyph sheet and a text; the font is built,
// measured and drawn in every alignment, so a grid larger than its sheet or a
// glyph range past the glyph table is caught where it would be read. Seeds in
// corpus/font: the system font's layout over a small sheet, a proportional
// blended grid, and a grid larger than its sheet.
#include <stdint.h>
#include <string.h>

#include <vector>

#include "gfx/blit.h"
#include "gfx/font.h"
#include "gfx/surface.h"

namespace {

struct Input {
    const uint8_t* p;
    size_t n;
    int8_t s8()
    {
        return n ? (n--, (int8_t)*p++) : 0;
    }
    uint8_t u8()
    {
        return (uint8_t)s8();
    }
};

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in = {data, size};
    FONT f = {};
    f.nCharWidth = in.s8();
    f.nCharHeight = in.s8();
    f.nHSpacing = in.s8();
    f.nVSpacing = in.s8();
    f.bVariableSpacing = in.u8() & 1;
    f.bBlend = in.u8() & 1;
    f.nXSrcSpacing = in.s8();
    f.nYSrcSpacing = in.s8();
    f.nXSrcOffs = in.s8();
    f.nYSrcOffs = in.s8();
    f.nXSrcChars = in.s8();
    f.nYSrcChars = in.s8();
    f.nFirstChar = in.s8();
    int w = in.u8() % 64 + 1, h = in.u8() % 64 + 1;
    SURFACE* sheet = sfCreate(w, h, PF_MONO8, false, 0, nullptr);
    if (!sheet)
        return 0;
    for (int y = 0; y < h && in.n; y++)
        for (int x = 0; x < w && in.n; x++)
            sfPutPixel(sheet, x, y, in.u8());
    f.sf = sheet;
    bool built = fontBuild(&f) != nullptr;
    if (built && in.n)
        f.nLastChar += in.s8();  // a range changed by hand after building
    std::vector<char16_t> text;
    while (in.n >= 2 && text.size() < 64) {
        uint8_t lo = in.u8();
        text.push_back((char16_t)(lo | in.u8() << 8));
    }
    text.push_back(0);
    SURFACE* dst = sfCreate(48, 24, PF_565, false, SF_NO_KEY, nullptr);
    int tw, th;
    fontMeasure(&f, text.data(), &tw, &th);
    fontCountGaps(text.data());
    for (int align = 0; align < 4; align++)
        fontDrawText(&f, dst, text.data(), align ? 2 : FONT_CENTER, align ? 1 : FONT_CENTER, align,
                     align * 12 - 4);
    gfxResetState();
    sfDestroy(dst);
    sfDestroy(sheet);
    return 0;
}
