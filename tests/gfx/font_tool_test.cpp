// tobex font: the sheets the build renders, read back by the engine's fonts, and
// the tool run by hand on the installed designs.

#include <stdlib.h>

#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx_helpers.h"
#include "test_util.h"

namespace {

const char kSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char kFixed[] = "/usr/share/fonts/X11/misc/7x14.pcf.gz";

// Rows y0..y1 of the drawn text, '#' where the draw colour landed.
std::string picture(const SURFACE* s, int y0, int y1, int w)
{
    std::string out;
    for (int y = y0; y < y1; y++) {
        for (int x = 0; x < w; x++)
            out += sfGetPixel(s, x, y) ? '#' : '.';
        out += '\n';
    }
    return out;
}

// The value of a "name<TAB>value" line of the tool's output.
int property(const std::string& out, const std::string& name)
{
    size_t at = out.find(name + "\t");
    return at == std::string::npos ? -1 : atoi(out.c_str() + at + name.size() + 1);
}

}

class FontTool : public GfxTest {};

// The system font the build made: 224 glyphs from 32 to 255, drawn solid in the
// draw colour, the letters of the fixed 7 x 14 design on their baseline.
TEST_F(FontTool, BuiltSystemFontCoversLatin1)
{
    ASSERT_TRUE(sfCacheInit(PF_565));
    EXPECT_FALSE(sysFontLoad());  // no sheet in the fresh folder
    folderSetPath(FOLDER_PROGRAM, testutil::wide(TOBEX_FONT_STAGE).c_str());
    ASSERT_TRUE(sysFontLoad());
    const FONT* f = sysFont();
    EXPECT_EQ(f->nLastChar, 255);
    SURFACE* dst = sfCreate(28, 14, PF_565, false, SF_NO_KEY, nullptr);
    gfxSetColor(0xFFFF);
    fontDrawText(f, dst, u"Hi\u00e9!", 0, 0, FONT_ALIGN_LEFT, 0);
    EXPECT_EQ(picture(dst, 1, 13, 28), "............................\n"
                                       "#....#....#......#......#...\n"
                                       "#....#....#.....#.......#...\n"
                                       "#....#..................#...\n"
                                       "#....#...##....####.....#...\n"
                                       "######....#...#....#....#...\n"
                                       "#....#....#...#....#....#...\n"
                                       "#....#....#...######....#...\n"
                                       "#....#....#...#.............\n"
                                       "#....#....#...#....#....#...\n"
                                       "#....#..#####..####.....#...\n"
                                       "............................\n");
    sfDestroy(dst);
}

// The anti-aliased sheet, made the same twice: proportional widths from the
// glyph scan (its grey edges drawn as coverage: the font test and the gallery).
TEST_F(FontTool, SansSheetIsProportionalAndAntiAliased)
{
    testutil::ToolRun r =
        testutil::runTobex(dir, std::string("font ") + kSans + " --size 12 --first A --last z s.tga");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(property(r.out, "nFirstChar"), 'A');
    EXPECT_EQ(property(r.out, "nXSrcChars"), 16);
    EXPECT_EQ(property(r.out, "nYSrcChars"), 4);  // 58 characters
    EXPECT_EQ(property(r.out, "bBlend"), 1);
    EXPECT_EQ(
        testutil::runTobex(dir, std::string("font ") + kSans + " --size 12 --first A --last z t.tga").status,
        0);
    EXPECT_EQ(readFile("s.tga"), readFile("t.tga"));

    SURFACE* sheet = sfLoadTGA(testutil::wide(dir + "s.tga").c_str(), PF_565, nullptr);
    ASSERT_NE(sheet, nullptr);
    sheet->keycolor = 0;
    FONT f = {};
    f.nCharWidth = property(r.out, "nCharWidth");
    f.nCharHeight = property(r.out, "nCharHeight");
    f.nHSpacing = property(r.out, "nHSpacing");
    f.bVariableSpacing = 1;
    f.bBlend = 1;
    f.sf = sheet;
    f.nXSrcSpacing = f.nYSrcSpacing = f.nXSrcOffs = f.nYSrcOffs = 1;
    f.nXSrcChars = 16;
    f.nYSrcChars = 4;
    f.nFirstChar = 'A';
    ASSERT_EQ(fontBuild(&f), &f);
    EXPECT_EQ(f.nLastChar, 'A' + 63);  // the grid's empty last cells are glyphs too
    EXPECT_LT(fontTextWidth(&f, u"i"), 4);
    EXPECT_GT(fontTextWidth(&f, u"W"), 9);

    sfDestroy(sheet);
}

TEST_F(FontTool, BadArgumentsAndFontsAreRefused)
{
    auto run = [&](const std::string& args) { return testutil::runTobex(dir, "font " + args); };
    EXPECT_EQ(run("--help").status, 0);
    EXPECT_EQ(run("").status, 2);
    EXPECT_EQ(run(std::string(kSans) + " s.tga").status, 2);  // no size
    EXPECT_EQ(run(std::string(kSans) + " --size 12 --first z --last a s.tga").status, 2);
    EXPECT_EQ(run(std::string(kSans) + " --size 12 --first 1 --last 300 s.tga").status, 2);
    EXPECT_EQ(run(std::string(kSans) + " --size 0 s.tga").status, 2);
    EXPECT_EQ(run("nothing.ttf --size 12 s.tga").status, 1);
    testutil::ToolRun r = run(std::string(kFixed) + " --size 13 s.tga");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("has no 13-pixel size; it has: 14"), std::string::npos) << r.out;
    EXPECT_EQ(run(std::string(kSans) + " --size 12 /no/such/dir/s.tga").status, 1);
}
