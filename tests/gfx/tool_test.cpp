// The tobex image command, run as a program in a temporary folder.

#include <stdlib.h>
#include <sys/wait.h>

#include "gfx/image.h"
#include "gfx_helpers.h"

namespace {

int runTool(const std::string& dir, const std::string& args)
{
    std::string cmd = "cd '" + dir + "' && '" TOBEX_BIN_DIR "/tobex' image " + args + " >out.txt 2>err.txt";
    int rc = system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::vector<uint8_t> smallTga()
{
    // 4 x 2, top row first: magenta, red, green, blue / four magenta.
    std::vector<uint8_t> f = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 24, 0x20};
    const uint32_t px[8] = {0xFF00FF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF00FF};
    for (uint32_t c : px)
        f.insert(f.end(), {(uint8_t)c, (uint8_t)(c >> 8), (uint8_t)(c >> 16)});
    return f;
}

}

class ImageTool : public GfxTest {};

TEST_F(ImageTool, ConvertPreparesSpritesLikeTheEngine)
{
    writeFile("s.tga", smallTga());
    ASSERT_EQ(
        runTool(
            dir,
            "convert --format 565 --key topleft --pivot 128,256 --frames 2x1 --delay 80 --rle s.tga s.gsf"),
        0);
    SURFACE* g = sfLoadGSF(testutil::wide(dir + "s.gsf").c_str(), 0, nullptr);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->format, (uint32_t)PF_565);
    EXPECT_EQ(g->keycolor, 0xF81Fu);
    EXPECT_EQ(g->xPivot, 128);
    EXPECT_EQ(g->yPivot, 256);
    EXPECT_EQ(g->frames.count, 2);
    EXPECT_EQ(g->frameDelay, 80u);
    EXPECT_EQ(g->rle, 1);
    SURFACE* d = sfCreate(4, 2, PF_565, false, SF_NO_KEY, nullptr);
    sfBlit(g, d, 0, 0, nullptr);
    EXPECT_EQ(sfGetPixel(d, 1, 0), 0xF800u);
    EXPECT_EQ(sfGetPixel(d, 0, 1), 0u);  // key pixels stay transparent
    sfDestroy(d);
    sfDestroy(g);
    // Back to a TGA: key-coloured pixels get alpha 0.
    ASSERT_EQ(runTool(dir, "convert s.gsf back.tga"), 0);
    std::vector<uint8_t> t = readFile("back.tga");
    ASSERT_EQ(t.size(), 18u + 8 * 4);
    EXPECT_EQ(t[16], 32);
    EXPECT_EQ(t[18 + 3], 0);        // (0, 0) transparent
    EXPECT_EQ(t[18 + 4 + 2], 255);  // (1, 0) red
    EXPECT_EQ(t[18 + 4 + 3], 255);
    ASSERT_EQ(runTool(dir, "convert --key 00FF00 s.tga p.png"), 0);
    std::vector<uint8_t> png = readFile("p.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    ASSERT_EQ(runTool(dir, "info s.gsf"), 0);
    std::vector<uint8_t> out = readFile("out.txt");
    std::string text(out.begin(), out.end());
    EXPECT_NE(text.find("format:       565"), std::string::npos);
    EXPECT_NE(text.find("yes (16-bit row table)"), std::string::npos);
}

TEST_F(ImageTool, BadUseFailsClearly)
{
    writeFile("s.tga", smallTga());
    EXPECT_EQ(runTool(dir, ""), 2);
    EXPECT_EQ(runTool(dir, "--help"), 0);
    EXPECT_EQ(runTool(dir, "frobnicate s.tga"), 2);
    EXPECT_EQ(runTool(dir, "convert --format 5650 s.tga x.gsf"), 2);
    EXPECT_EQ(runTool(dir, "convert --frames 0x1 s.tga x.gsf"), 2);
    EXPECT_EQ(runTool(dir, "convert s.tga x.bmp"), 2);
    EXPECT_EQ(runTool(dir, "convert --rle s.tga x.png"), 1);
    EXPECT_EQ(runTool(dir, "convert --format MONO1 --rle s.tga x.gsf"), 1);
    EXPECT_EQ(runTool(dir, "convert s.tga"), 2);
    EXPECT_EQ(runTool(dir, "info missing.tga"), 1);
    EXPECT_EQ(runTool(dir, "-m missing.zip info s.tga"), 1);
    std::vector<uint8_t> err = readFile("err.txt");
    EXPECT_FALSE(err.empty());
}
