// The tobex image command, run as a program in a temporary folder.

#include "gfx/image.h"
#include "gfx_helpers.h"

namespace {

// 4 x 2: magenta, red, green, blue / four magenta.
std::string smallTga()
{
    const uint32_t px[8] = {0xFF00FF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF00FF};
    return testutil::tga(4, 2, [&](int x, int y) { return px[y * 4 + x]; });
}

}

class ImageTool : public GfxTest {
protected:
    testutil::ToolRun image(const std::string& args)
    {
        return testutil::runTobex(dir, "image " + args);
    }
};

TEST_F(ImageTool, ConvertPreparesSpritesLikeTheEngine)
{
    testutil::writeFile(dir + "s.tga", smallTga());
    ASSERT_EQ(
        image("convert --format 565 --key topleft --pivot 128,256 --frames 2x1 --delay 80 --rle s.tga s.gsf")
            .status,
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
    ASSERT_EQ(image("convert s.gsf back.tga").status, 0);
    std::vector<uint8_t> t = readFile("back.tga");
    ASSERT_EQ(t.size(), 18u + 8 * 4);
    EXPECT_EQ(t[16], 32);
    EXPECT_EQ(t[18 + 3], 0);        // (0, 0) transparent
    EXPECT_EQ(t[18 + 4 + 2], 255);  // (1, 0) red
    EXPECT_EQ(t[18 + 4 + 3], 255);
    ASSERT_EQ(image("convert --key 00FF00 s.tga p.png").status, 0);
    EXPECT_EQ(testutil::readFile(dir + "p.png").substr(1, 3), "PNG");
    testutil::ToolRun info = image("info s.gsf");
    ASSERT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("format:       565"), std::string::npos);
    EXPECT_NE(info.out.find("yes (16-bit row table)"), std::string::npos);
}

TEST_F(ImageTool, BadUseFailsClearly)
{
    testutil::writeFile(dir + "s.tga", smallTga());
    for (const char* args : {"", "frobnicate s.tga", "convert --format 5650 s.tga x.gsf",
                             "convert --frames 0x1 s.tga x.gsf", "convert s.tga x.bmp", "convert s.tga"})
        EXPECT_EQ(image(args).status, 2) << args;
    EXPECT_EQ(image("--help").status, 0);
    for (const char* args :
         {"convert --rle s.tga x.png", "convert --format MONO1 --rle s.tga x.gsf", "info missing.tga"})
        EXPECT_EQ(image(args).status, 1) << args;
    testutil::ToolRun r = image("-m missing.zip info s.tga");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.out.empty());
}
