// The display: describing screen memory, presenting into it, the drawing
// bracket and orientation turns.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "app/host.h"
#include "gfx/blit.h"
#include "gfx/display.h"

namespace {

HostDisplay display(uint32_t flags, int xPitch, int yPitch)
{
    return HostDisplay{.width = 240,
                       .height = 320,
                       .xPitch = xPitch,
                       .yPitch = yPitch,
                       .bitsPerPixel = 16,
                       .formatFlags = flags};
}

class Display : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gfxInit(240, 320));
    }
    void TearDown() override
    {
        gfxShutdown();
        gfxResetState();
    }
};

}

// The format comes from the display's flags; a device whose name carries the
// mark gets the direct frame buffer, landscape-wired, drawn at the address given.
TEST_F(Display, DescribeFormatsPitchesAndTheDirectFrameBuffer)
{
    SURFACE s = {};
    HostDisplay d = display(GFX_DIRECT565, 2, 480);
    ASSERT_TRUE(gfxDescribeDisplay(&s, &d, ""));
    EXPECT_EQ(s.format, uint32_t(PF_565));
    EXPECT_EQ(s.size, 153600u);
    EXPECT_EQ(s.pixels, nullptr);
    EXPECT_FALSE(gfxDirectFrameBuffer());

    d.formatFlags = GFX_DIRECT565 | GFX_DIRECT888;
    ASSERT_TRUE(gfxDescribeDisplay(&s, &d, nullptr));
    EXPECT_EQ(s.format, uint32_t(PF_888));
    d.formatFlags = 0x1;
    EXPECT_FALSE(gfxDescribeDisplay(&s, &d, nullptr));

    d.formatFlags = GFX_DIRECT565;
    ASSERT_TRUE(gfxDescribeDisplay(&s, &d, "Sample Unit H3800"));
    EXPECT_TRUE(gfxDirectFrameBuffer());
    EXPECT_EQ(s.xPitch, -640);
    EXPECT_EQ(s.yPitch, 2);
    ASSERT_TRUE(gfxDescribeDisplay(&s, &d, "H38"));  // too short to carry the mark
    EXPECT_FALSE(gfxDirectFrameBuffer());

    SURFACE* screen = gfxGetScreen();
    ASSERT_TRUE(gfxDescribeDisplay(screen, &d, "0123456789abH38x"));
    EXPECT_EQ(gfxBeginDraw(), nullptr);  // no address given: nothing presented
    // Pixel (0, 0) sits at the end of the memory's first column.
    std::vector<uint16_t> fb(240 * 320, 0);
    uint8_t* base = reinterpret_cast<uint8_t*>(fb.data());
    gfxSetFrameBufferAddress(base + 239 * 640);
    SURFACE* src = sfCreate(2, 1, PF_565, false, SF_NO_KEY, nullptr);
    sfPutPixel(src, 0, 0, 0x1234);
    sfPutPixel(src, 1, 0, 0x4321);
    gfxPresent(src, 0, 0, nullptr);
    EXPECT_EQ(fb[239 * 320], 0x1234);
    EXPECT_EQ(fb[238 * 320], 0x4321);
    gfxSetFrameBufferAddress(nullptr);
    ASSERT_TRUE(gfxDescribeScreen(screen));
    sfDestroy(src);
}

TEST_F(Display, PresentCopiesIntoScreenMemoryOnlyInsideTheBracket)
{
    SURFACE* src = sfCreate(4, 4, PF_565, false, SF_NO_KEY, nullptr);
    gfxSetColor(0xF800);
    sfFillRect(src, nullptr);
    SURFACE* before = gfxSetTarget(src);
    gfxSetAlpha(0);  // a presentation ignores what drawing left behind
    RECT clip = {0, 0, 1, 1};
    gfxSetClip(&clip);
    gfxPresent(src, 10, 20, nullptr);
    const uint16_t* mem = static_cast<const uint16_t*>(hostBeginDraw());
    EXPECT_EQ(mem[20 * 240 + 10], 0xF800);
    EXPECT_EQ(mem[23 * 240 + 13], 0xF800);
    EXPECT_EQ(mem[24 * 240 + 14], 0);
    EXPECT_EQ(gfxGetTarget(), src);  // the bracket gives the target back
    EXPECT_EQ(gfxGetAlpha(), 0u);
    EXPECT_EQ(gfxGetClip(), &clip);
    gfxResetState();

    EXPECT_EQ(gfxGetScreen()->pixels, nullptr);
    EXPECT_EQ(sfCopy(src, gfxGetScreen(), 0, 0, nullptr), 0);
    ASSERT_EQ(gfxBeginDraw(), gfxGetScreen());
    EXPECT_EQ(gfxGetTarget(), gfxGetScreen());
    gfxEndDraw();
    EXPECT_EQ(gfxGetScreen()->pixels, nullptr);
    gfxSetTarget(before);
    sfDestroy(src);
}

TEST_F(Display, OrientationTurnsAddressTheSameMemory)
{
    SURFACE* screen = gfxGetScreen();
    const SURFACE start = *screen;
    EXPECT_EQ(gfxSetScreenOrient(1), 319 * 480 + 239 * 2);  // a half turn starts at the memory's end
    EXPECT_EQ(screen->xPitch, -2);
    EXPECT_EQ(gfxSetScreenOrient(1), 319 * 480 + 239 * 2);  // no change, no turn

    // A quarter turn: the screen becomes 320 x 240 and a pixel at its
    // top-left lands in the bottom-left corner of the memory.
    gfxSetScreenOrient(2);
    EXPECT_EQ(screen->width, 320);
    SURFACE* src = sfCreate(1, 1, PF_565, false, SF_NO_KEY, nullptr);
    sfPutPixel(src, 0, 0, 0xFFFF);
    gfxPresent(src, 0, 0, nullptr);
    const uint16_t* mem = static_cast<const uint16_t*>(hostBeginDraw());
    EXPECT_EQ(mem[319 * 240], 0xFFFF);
    // Every way back to 0 restores the addressing.
    gfxSetScreenOrient(3);
    EXPECT_EQ(gfxSetScreenOrient(0), 0);
    EXPECT_EQ(screen->width, 240);
    EXPECT_EQ(screen->xPitch, start.xPitch);
    EXPECT_EQ(screen->yPitch, start.yPitch);
    sfDestroy(src);
}
