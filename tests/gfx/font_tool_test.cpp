// tobex font: the system font sheet the build renders, read back by the
// engine's fonts, and the tool's refusals of bad arguments and designs. The
// anti-aliased sheet the build renders is drawn by the gallery runs.

#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx_helpers.h"
#include "test_util.h"

namespace {

const char kSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char kFixed[] = "/usr/share/fonts/X11/misc/7x14.pcf.gz";
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
    EXPECT_EQ(picture(dst, 1, 13), "............................\n"
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
