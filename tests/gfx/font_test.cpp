// Bitmap fonts on small glyph sheets built by the tests.

#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx_helpers.h"

namespace {

// A sheet of cols x rows cells of w x h pixels with a 1-pixel gap and offset, as
// the system font is laid out. Each glyph is a solid block from column `left`
// to w - 1 - right; background is the key colour 0.
SURFACE* makeSheet(int cols, int rows, int w, int h, int left, int right)
{
    SURFACE* s = sfCreate(1 + cols * (w + 1), 1 + rows * (h + 1), PF_MONO8, false, 0, nullptr);
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < cols; c++)
            for (int y = 0; y < h; y++)
                for (int x = left; x < w - right; x++)
                    sfPutPixel(s, 1 + c * (w + 1) + x, 1 + r * (h + 1) + y, 255);
    return s;
}

FONT makeFont(SURFACE* sheet, int w, int h, bool variable)
{
    FONT f = {};
    f.nCharWidth = w;
    f.nCharHeight = h;
    f.bVariableSpacing = variable ? 1 : 0;
    f.sf = sheet;
    f.nXSrcSpacing = 1;
    f.nYSrcSpacing = 1;
    f.nXSrcOffs = 1;
    f.nYSrcOffs = 1;
    f.nXSrcChars = 14;
    f.nYSrcChars = 7;
    f.nFirstChar = 32;
    return f;
}
}

class FontTest : public GfxTest {};

TEST_F(FontTest, BuildScansGlyphsAndSizesTheRangeByTheSheet)
{
    SURFACE* sheet = makeSheet(14, 7, 7, 3, 3, 2);
    FONT f = makeFont(sheet, 7, 3, true);
    ASSERT_EQ(fontBuild(&f), &f);
    EXPECT_EQ(f.nLastChar, 32 + 98 - 1);
    EXPECT_EQ(f.glyphs['i' - 32].width, 2);
    // An empty cell is half a cell wide.
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 7; x++)
            sfPutPixel(sheet, f.glyphs[5].srcX + x, f.glyphs[5].srcY + y, 0);
    fontBuild(&f);
    EXPECT_EQ(f.glyphs[5].width, 3);
    EXPECT_EQ(f.glyphs[5].rightBlank, 0);
    // 20 x 20 cells keep 256 glyphs; only the 13 rows they use must be on the sheet.
    SURFACE* big = makeSheet(20, 13, 7, 3, 0, 0);
    FONT wide = makeFont(big, 7, 3, true);
    wide.nXSrcChars = 20;
    wide.nYSrcChars = 20;
    EXPECT_EQ(fontBuild(&wide), &wide);
    EXPECT_EQ(wide.nLastChar, 32 + 255);
    sfDestroy(big);
    sfDestroy(sheet);
}

// A record whose grid does not fit its sheet, whose range is upside down or too
// long, or whose cell is empty draws nothing and never reads outside the sheet
// or the glyph table.
TEST_F(FontTest, BadGridsAndRangesDrawNothing)
{
    SURFACE* sheet = makeSheet(14, 7, 7, 3, 0, 0);
    SURFACE* dst = sfCreate(40, 4, PF_MONO8, false, SF_NO_KEY, nullptr);
    gfxSetColor(1);
    auto drawsNothing = [&](const FONT& f) {
        memset(dst->pixels, 0, dst->size);
        fontDrawText(&f, dst, u"AB\u00ff\u0150", 0, 0, FONT_ALIGN_LEFT, 0);
        fontMeasure(&f, u"AB\u00ff\u0150", nullptr, nullptr);
        return picture(dst, 0, dst->height).find('#') == std::string::npos;
    };
    FONT good = makeFont(sheet, 7, 3, true);
    ASSERT_TRUE(fontBuild(&good));
    EXPECT_FALSE(drawsNothing(good));

    FONT f = good;
    f.nYSrcChars = 8;  // one row more than the sheet holds
    EXPECT_EQ(fontBuild(&f), nullptr);
    EXPECT_TRUE(drawsNothing(f));
    f = good;
    f.nXSrcOffs = 3;  // the last column would end one pixel past the sheet
    EXPECT_EQ(fontBuild(&f), nullptr);
    EXPECT_TRUE(drawsNothing(f));
    f = good;
    f.nYSrcOffs = -1;
    EXPECT_EQ(fontBuild(&f), nullptr);
    f = good;
    f.nCharWidth = 0;
    EXPECT_EQ(fontBuild(&f), nullptr);
    EXPECT_TRUE(drawsNothing(f));
    f = good;
    f.nCharHeight = 0;
    EXPECT_EQ(fontBuild(&f), nullptr);
    EXPECT_TRUE(drawsNothing(f));
    f = good;
    f.nFirstChar = 0;
    EXPECT_EQ(fontBuild(&f), nullptr);
    f = good;
    f.sf = nullptr;
    EXPECT_EQ(fontBuild(&f), nullptr);
    EXPECT_TRUE(drawsNothing(f));

    // A built record later pointed at a smaller sheet, or given a range by hand.
    SURFACE* small = sfCreate(20, 4, PF_MONO8, false, 0, nullptr);
    f = good;
    f.sf = small;
    EXPECT_TRUE(drawsNothing(f));
    f = good;
    f.nLastChar = f.nFirstChar - 1;
    EXPECT_TRUE(drawsNothing(f));
    f = good;
    f.nLastChar = f.nFirstChar + 1000;
    EXPECT_TRUE(drawsNothing(f));
    EXPECT_GT(fontTextWidth(&f, u"\u0400"), 0);  // measured as a blank, not from past the table
    gfxResetState();
    sfDestroy(small);
    sfDestroy(dst);
    sfDestroy(sheet);
}

TEST_F(FontTest, MeasureFixedAndProportionalAndCountGapsOfAllButTheLastLine)
{
    SURFACE* sheet = makeSheet(14, 7, 7, 14, 3, 2);
    FONT f = makeFont(sheet, 7, 14, false);
    ASSERT_TRUE(fontBuild(&f));
    int w, h;
    fontMeasure(&f, u"ab", &w, &h);
    EXPECT_EQ(w, 14);
    EXPECT_EQ(h, 14);
    fontMeasure(&f, u"a\nb", &w, &h);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 28);
    EXPECT_EQ(fontTextWidth(&f, u"a\tb"), 28 + 7);  // tab to the next 4-cell stop
    EXPECT_EQ(fontTextWidth(&f, u"abcd\tb"), 56 + 7);
    f.bVariableSpacing = 1;
    f.nHSpacing = 1;
    ASSERT_TRUE(fontBuild(&f));
    EXPECT_EQ(fontTextWidth(&f, u"ii"), 2 * (1 + 2));
    EXPECT_EQ(fontTextWidth(&f, u"i i"), 3 + (1 + 3) + 3);  // a blank is half a cell plus spacing
    EXPECT_EQ(fontTextWidth(&f, u"i\ti"), 16 + 3);          // stops every 2 cells of 8
    EXPECT_EQ(fontTextWidth(&f, u"i\x01i"), 3 + 4 + 3);     // codes below the first glyph are blanks
    sfDestroy(sheet);
    // Gaps are counted in all but the last line.
    EXPECT_EQ(fontCountGaps(u"a b c\nmore"), 2);
    EXPECT_EQ(fontCountGaps(u"a b c"), 0);
    EXPECT_EQ(fontCountGaps(u"a b c\n\nmore"), 0);
    EXPECT_EQ(fontCountGaps(u"  a\tb\nx"), 1);
    EXPECT_EQ(fontCountGaps(nullptr), 0);
}

TEST_F(FontTest, DrawPlacesAlignsJustifiesAndCutsAtTheBox)
{
    SURFACE* sheet = makeSheet(14, 7, 7, 2, 3, 2);
    FONT f = makeFont(sheet, 7, 2, true);
    ASSERT_TRUE(fontBuild(&f));
    SURFACE* dst = sfCreate(30, 6, PF_MONO8, false, SF_NO_KEY, nullptr);
    gfxSetColor(9);
    gfxSetBlendMode(BLEND_ALPHA);
    fontDrawText(&f, dst, u"ii", 5, 0, FONT_ALIGN_LEFT, 0);
    EXPECT_EQ(gfxGetBlendMode(), (uint32_t)BLEND_ALPHA);  // restored
    EXPECT_EQ(picture(dst, 0, 1), ".....####.....................\n");
    EXPECT_EQ(sfGetPixel(dst, 5, 0), 9u);  // solid in the draw colour
    // A glyph that would cross the box ends the text, later lines included.
    memset(dst->pixels, 0, dst->size);
    fontDrawText(&f, dst, u"iii\nii", 0, 0, FONT_ALIGN_LEFT, 5);
    EXPECT_EQ(picture(dst, 0, 1), "####..........................\n");
    EXPECT_EQ(picture(dst, 2, 3), "..............................\n");
    // Centre and right alignment of the block.
    memset(dst->pixels, 0, dst->size);
    fontDrawText(&f, dst, u"i", 0, 0, FONT_ALIGN_RIGHT, 10);
    EXPECT_EQ(picture(dst, 0, 1), "........##....................\n");
    memset(dst->pixels, 0, dst->size);
    fontDrawText(&f, dst, u"i", 0, 0, FONT_ALIGN_CENTER, 10);
    EXPECT_EQ(picture(dst, 0, 1), "....##........................\n");
    memset(dst->pixels, 0, dst->size);
    fontDrawText(&f, dst, u"ii", FONT_CENTER, FONT_CENTER, FONT_ALIGN_LEFT, 0);
    EXPECT_EQ(picture(dst, 2, 3), ".............####.............\n");
    EXPECT_EQ(picture(dst, 1, 2), "..............................\n");
    // Justified: "i i i" is 12 wide; a box of 22 adds 5 at each gap, the last line stays.
    memset(dst->pixels, 0, dst->size);
    fontDrawText(&f, dst, u"i i i\ni i", 0, 0, FONT_ALIGN_JUSTIFY, 22);
    EXPECT_EQ(picture(dst, 0, 1), "##........##........##........\n");
    EXPECT_EQ(picture(dst, 2, 3), "##...##.......................\n");
    // Uneven extra space: the last gaps get one pixel more.
    memset(dst->pixels, 0, dst->size);
    fontDrawText(&f, dst, u"i i i\nx", 0, 0, FONT_ALIGN_JUSTIFY, 13);
    EXPECT_EQ(picture(dst, 0, 1), "##...##....##.................\n");
    gfxResetState();
    sfDestroy(dst);
    sfDestroy(sheet);
}

TEST_F(FontTest, FixedDrawingAndAntiAliasing)
{
    SURFACE* sheet = makeSheet(14, 7, 3, 1, 0, 0);
    for (int r = 0; r < 7; r++)
        for (int c = 0; c < 14; c++)
            sfPutPixel(sheet, 1 + c * 4 + 1, 1 + r * 2, 128);  // a half-covered middle column
    FONT f = makeFont(sheet, 3, 1, false);
    f.nHSpacing = 1;
    f.bBlend = 1;
    ASSERT_TRUE(fontBuild(&f));
    SURFACE* dst = sfCreate(12, 1, PF_MONO8, false, SF_NO_KEY, nullptr);
    gfxSetColor(200);
    fontDrawText(&f, dst, u"a b", 0, 0, FONT_ALIGN_LEFT, 0);
    EXPECT_EQ(sfGetPixel(dst, 0, 0), 200u);
    EXPECT_EQ(sfGetPixel(dst, 1, 0), (200u * 128) >> 8);  // coverage of the draw colour
    EXPECT_EQ(sfGetPixel(dst, 4, 0), 0u);                 // the blank takes a whole cell
    EXPECT_EQ(sfGetPixel(dst, 8, 0), 200u);
    gfxResetState();
    sfDestroy(dst);
    sfDestroy(sheet);
}
