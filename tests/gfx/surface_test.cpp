// Pixel formats, colour conversion, palettes, surface records, frames and the
// pool. The image cache is the game's: its runs load every picture through it.

#include "gfx/blit_fast.h"
#include "gfx_helpers.h"
#include "vfs/mem.h"

TEST(PixelFormat, LookupsRefuseUnknownFormatsAndScalingNeedsNoDivision)
{
    EXPECT_EQ(pfInfo(0), nullptr);
    EXPECT_EQ(pfInfo(11), nullptr);
    EXPECT_EQ(pfOps(0), nullptr);
    // The three-byte read never touches a fourth byte.
    uint8_t three[3] = {0x11, 0x22, 0x33};
    EXPECT_EQ(pfOps(PF_888)->read(three), 0x332211u);
    for (uint32_t n = 0; n < 65535; n++)
        ASSERT_EQ(div255(n), n / 255) << n;
}

TEST(Color, ConvertScaleLerpAndDistance)
{
    SURFACE* s888 = sfCreate(1, 1, PF_888, false, SF_NO_KEY, nullptr);
    SURFACE* s565 = sfCreate(1, 1, PF_565, false, SF_NO_KEY, nullptr);
    SURFACE* s8888 = sfCreate(1, 1, PF_8888, false, SF_NO_KEY, nullptr);
    SURFACE* sPal = sfCreate(1, 1, PF_PALETTE, false, SF_NO_KEY, nullptr);
    EXPECT_EQ(colorConvert(0xF800, PF_565, nullptr, s888), 0xFF0000u);
    EXPECT_EQ(colorConvert(0x808080, PF_888, nullptr, s565), 0x7BEFu);
    EXPECT_EQ(colorConvert(0x80FF0000, PF_8888, nullptr, s888), 0xFF0000u);
    EXPECT_EQ(colorConvert(0xFF0000, PF_888, nullptr, s8888), 0x00FF0000u);  // alpha is not carried
    // Palette sources: source palette first, else the destination's, else 0.
    PALETTE* pal = palCreate();
    pal->count = 4;
    pal->colors[2] = 0xFF0000;
    EXPECT_EQ(colorConvert(2, PF_PALETTE, pal, s565), 0xF800u);
    EXPECT_EQ(colorConvert(2, PF_PALETTE, nullptr, s565), 0u);
    palMap(pal, PF_565, nullptr);
    pal->mapped[2] = 0x1234;  // the mapped table wins when it is for the destination format
    EXPECT_EQ(colorConvert(2, PF_PALETTE, pal, s565), 0x1234u);
    // To a palette destination: nearest colour of its palette, 0 without one.
    EXPECT_EQ(colorConvert(0xF800, PF_565, nullptr, sPal), 0u);
    sfSetPalette(sPal, pal, true);
    EXPECT_EQ(colorConvert(0xF800, PF_565, nullptr, sPal), 2u);
    // MONO to colour goes through RGB.
    EXPECT_EQ(colorConvert(255, PF_MONO8, nullptr, s888), 0xFFFFFFu);
    memFree(pal);
    for (SURFACE* s : {s888, s565, s8888, sPal})
        sfDestroy(s);
    EXPECT_EQ(colorScale(0x808080, 512), 0xFFFFFFu);
    EXPECT_EQ(colorScale(0x102030, 128), 0x081018u);
    EXPECT_EQ(colorLerp(0x000000, 0xFF8040, 1, 2), 0x7F4020u);
    EXPECT_EQ(colorLerp(0x123456, 0x654321, 0, 0), 0x123456u);  // no division by zero
    EXPECT_EQ(colorDistance(0x010203, 0x000000), 14u);
}

TEST(Palette, NearestAndMapping)
{
    PALETTE* p = palCreate();
    p->count = 8;
    p->colors[3] = 0x00FF00;
    p->colors[7] = 0x00FF00;
    p->colors[5] = 0x0000F0;
    EXPECT_EQ(palNearest(p, 0x00FF00), 3u);  // the first exact match
    EXPECT_EQ(palNearest(p, 0x0000FF), 5u);
    PALETTE* empty = palCreate();
    EXPECT_EQ(palNearest(empty, 0x123456), 0u);
    // Mapping to "Palette" without a target, or onto itself, changes nothing.
    palMap(p, PF_PALETTE, nullptr);
    EXPECT_EQ(p->mappedFormat, 0u);
    palMap(p, PF_PALETTE, p);
    EXPECT_EQ(p->mappedFormat, 0u);
    PALETTE* q = palCreate();
    q->count = 2;
    q->colors[1] = 0x00EE00;
    palMap(p, PF_PALETTE, q);
    EXPECT_EQ(p->mappedFormat, (uint32_t)PF_PALETTE);
    EXPECT_EQ(p->mappedFor, q);
    EXPECT_EQ(p->mapped[3], 1u);
    palMap(p, PF_565, nullptr);
    EXPECT_EQ(p->mapped[3], 0x07E0u);
    memFree(p);
    memFree(q);
    memFree(empty);
}

TEST(Surface, InitPitchesOwnershipRefusalsAndNoMemory)
{
    SURFACE s;
    ASSERT_EQ(sfInit(&s, 10, 3, PF_MONO1, false, SF_NO_KEY, nullptr), &s);
    EXPECT_EQ(s.xPitch, 1);
    EXPECT_EQ(s.yPitch, 2);
    EXPECT_EQ(s.size, 6u);
    sfPutPixel(&s, 9, 2, 1);
    EXPECT_EQ(s.pixels[5], 2);  // bit 1 of byte 5
    EXPECT_EQ(sfGetPixel(&s, 9, 2), 1u);
    sfFree(&s);
    EXPECT_EQ(s.pixels, nullptr);

    uint8_t buf[12] = {};
    ASSERT_TRUE(sfInit(&s, 3, 2, PF_565, false, 5, buf));
    EXPECT_EQ(s.ownsPixels, 0);
    sfFree(&s);
    // Bad formats and sizes beyond the bounds are refused before any allocation.
    EXPECT_EQ(sfInit(&s, 4, 4, 0, false, SF_NO_KEY, nullptr), nullptr);
    EXPECT_EQ(sfInit(&s, 4, 4, 11, false, SF_NO_KEY, nullptr), nullptr);
    EXPECT_EQ(sfInit(&s, 0, 4, PF_565, false, SF_NO_KEY, nullptr), nullptr);
    EXPECT_EQ(sfInit(&s, SF_MAX_SIDE + 1, 1, PF_MONO8, false, SF_NO_KEY, nullptr), nullptr);
    EXPECT_EQ(sfInit(&s, 8000, 8000, PF_8888, false, SF_NO_KEY, nullptr), nullptr);
    // With rle and no pixels the record has none.
    ASSERT_TRUE(sfInit(&s, 4, 4, PF_565, true, SF_NO_KEY, nullptr));
    EXPECT_EQ(s.pixels, nullptr);
    EXPECT_EQ(s.rle, 0);
    // An encoded surface reads as zero; no memory for a new one leaves the pool as it was.
    SURFACE* e = sfCreate(4, 1, PF_565, false, SF_NO_KEY, nullptr);
    sfPutPixel(e, 1, 0, 0x1234);
    ASSERT_EQ(sfEncodeRLE(e), 1);
    EXPECT_EQ(sfGetPixel(e, 1, 0), 0u);
    sfDestroy(e);
    int live = sfPoolLive();
    memFailAfter(0);
    EXPECT_EQ(sfCreate(64, 64, PF_565, false, SF_NO_KEY, nullptr), nullptr);
    memFailAfter(-1);
    EXPECT_EQ(sfPoolLive(), live);
}

TEST(Surface, PackedPixelsKeepTheirNeighboursBoundsAndClip)
{
    for (uint32_t f : {PF_MONO1, PF_MONO2, PF_MONO4}) {
        SURFACE* s = sfCreate(13, 3, f, false, SF_NO_KEY, nullptr);
        uint32_t max = pfInfo(f)->monoMax;
        for (int x = 0; x < 13; x++)
            sfPutPixel(s, x, 1, x % (max + 1));
        for (int x = 0; x < 13; x++)
            EXPECT_EQ(sfGetPixel(s, x, 1), x % (max + 1)) << pfInfo(f)->name << " " << x;
        EXPECT_EQ(sfGetPixel(s, 3, 0), 0u);
        EXPECT_EQ(sfGetPixel(s, 13, 1), 0u);
        EXPECT_EQ(sfGetPixel(s, -1, 1), 0u);
        // Leftmost pixel in the low bits.
        EXPECT_EQ(s->pixels[s->yPitch] & ((1u << pfInfo(f)->bits) - 1), 0u);
        // Outside the surface or the clip nothing is written.
        RECT clip = {1, 1, 2, 2};
        gfxSetClip(&clip);
        for (int x : {0, 1, 3})
            sfPutPixel(s, x, 2, 1);
        gfxSetClip(nullptr);
        sfPutPixel(s, 13, 0, 1);
        sfPutPixel(s, 0, -1, 1);
        uint32_t sum = 0;
        for (int x = 0; x < 13; x++)
            sum += sfGetPixel(s, x, 0) + sfGetPixel(s, x, 2) * (x + 1);
        EXPECT_EQ(sum, 2u);  // only (1, 2)
        EXPECT_EQ(sfGetPixel(s, 0, 1), 0u);
        sfDestroy(s);
    }
}

TEST(Surface, FramesGridAndSizes)
{
    SURFACE* s = sfCreate(100, 10, PF_565, false, SF_NO_KEY, nullptr);
    int w, h;
    ASSERT_TRUE(sfSetFrameGrid(s, 3, 1));
    ASSERT_EQ(s->frames.count, 3);
    EXPECT_EQ(sfFrame(s, 2)->x, 66);
    EXPECT_EQ(sfFrame(s, 2)->w, 33);
    EXPECT_EQ(sfFrame(s, 3), nullptr);
    EXPECT_EQ(sfFrame(s, -1), nullptr);
    ASSERT_TRUE(sfFrameSize(s, 1, &w, &h));
    EXPECT_EQ(w, 33);
    EXPECT_EQ(h, 10);
    EXPECT_FALSE(sfFrameSize(s, 3, &w, &h));
    EXPECT_FALSE(sfSetFrameGrid(s, 0, 1));
    ASSERT_TRUE(sfSetFrameGrid(s, 2, 2));
    EXPECT_EQ(sfFrame(s, 3)->y, 5);
    sfDestroy(s);
}

TEST(Surface, ConvertKeepsFieldsAndConvertsEveryPixel)
{
    SURFACE* s = sfCreate(3, 2, PF_888, false, 0x808080, nullptr);
    sfPutPixel(s, 0, 0, 0x808080);
    sfPutPixel(s, 2, 1, 0xFF0000);
    s->xPivot = 128;
    s->animType = 3;
    s->frameDelay = 7;
    ASSERT_TRUE(sfSetFrameGrid(s, 3, 1));
    RECT clip = {0, 0, 1, 1};
    gfxSetClip(&clip);  // the drawing state must not leak into a conversion
    gfxSetAlpha(0);
    SURFACE* c = sfConvert(s, PF_565);
    gfxResetState();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(sfGetPixel(c, 0, 0), 0x7BEFu);  // the key pixel too
    EXPECT_EQ(sfGetPixel(c, 2, 1), 0xF800u);
    EXPECT_EQ(c->keycolor, 0x7BEFu);
    EXPECT_EQ(c->xPivot, 128);
    EXPECT_EQ(c->animType, 3);
    EXPECT_EQ(c->frameDelay, 7u);
    EXPECT_EQ(c->frames.count, 3);
    EXPECT_EQ(sfConvert(s, 0), nullptr);
    EXPECT_EQ(sfConvert(nullptr, PF_565), nullptr);
    sfDestroy(c);
    // An encoded source converts with its transparent pixels as the key colour.
    sfPutPixel(s, 1, 0, 0x808080);
    SURFACE* e = sfConvert(s, PF_888);
    e->keycolor = 0x808080;
    ASSERT_EQ(sfEncodeRLE(e), 1);
    c = sfConvert(e, PF_565);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->rle, 0);
    EXPECT_EQ(sfGetPixel(c, 0, 0), 0x7BEFu);
    EXPECT_EQ(sfGetPixel(c, 1, 0), 0x7BEFu);
    EXPECT_EQ(sfGetPixel(c, 2, 1), 0xF800u);
    sfDestroy(c);
    sfDestroy(e);
    s->keycolor = SF_NO_KEY;
    c = sfConvert(s, PF_8888);
    EXPECT_EQ(c->keycolor, SF_NO_KEY);
    sfDestroy(c);
    sfDestroy(s);
}

TEST(Surface, PaletteOwnershipAndAllocationFailure)
{
    SURFACE* s = sfCreate(2, 2, PF_PALETTE, false, SF_NO_KEY, nullptr);
    PALETTE* p = palCreate();
    p->colors[0] = 0xABCDEF;
    sfSetPalette(s, p, false);
    EXPECT_EQ(s->palette, p);
    EXPECT_EQ(s->ownsPalette, 0);
    sfSetPalette(s, p, true);
    EXPECT_NE(s->palette, p);
    EXPECT_EQ(s->ownsPalette, 1);
    EXPECT_EQ(s->palette->colors[0], 0xABCDEFu);
    PALETTE* own = s->palette;
    p->colors[0] = 1;
    sfSetPalette(s, p, true);  // an owned block is reused
    EXPECT_EQ(s->palette, own);
    EXPECT_EQ(own->colors[0], 1u);
    sfSetPalette(s, nullptr, false);
    EXPECT_EQ(s->palette, nullptr);
    sfSetPalette(s, p, false);
    memFailAfter(0);
    sfSetPalette(s, p, true);  // no memory: nothing changes
    memFailAfter(-1);
    EXPECT_EQ(s->palette, p);
    EXPECT_EQ(s->ownsPalette, 0);
    sfDestroy(s);
    memFree(p);
}
