// Copies, blending, clipping, RLE sprites, rotated copies and shapes; every
// specialised loop against the reference copy.

#include "gfx_helpers.h"
#include "vfs/mem.h"

namespace {

// A surface whose borrowed pixels sit between guard bands, to catch any write
// outside its memory.
struct Guarded {
    static constexpr int kGuard = 64;
    std::vector<uint8_t> mem;
    SURFACE s;
    Guarded(int w, int h, uint32_t format, uint32_t key = SF_NO_KEY)
    {
        int32_t row = sfRowBytes(pfInfo(format), w);
        mem.assign((size_t)row * h + 2 * kGuard, 0xA5);
        sfInit(&s, w, h, format, false, key, mem.data() + kGuard);
        memset(s.pixels, 0, s.size);
    }
    ~Guarded()
    {
        sfFree(&s);
    }
    bool intact() const
    {
        for (int i = 0; i < kGuard; i++)
            if (mem[i] != 0xA5 || mem[mem.size() - 1 - i] != 0xA5)
                return false;
        return true;
    }
};

std::vector<uint8_t> bytesOf(const SURFACE* s)
{
    return std::vector<uint8_t>(s->pixels, s->pixels + s->size);
}
}

using BlendModes = GfxTest;
using BlitClipping = GfxTest;
using BlitFastPaths = GfxTest;
using CopyToDisplay = GfxTest;
using Rle = GfxTest;
using Xform = GfxTest;
using Shapes = GfxTest;

// One pixel of each blend formula per format: the destination becomes `want`.
TEST_F(BlendModes, FormulasPerFormat)
{
    struct Case {
        uint32_t format, mode, alpha, color, src, dst, want;
        const char* why;
    } cases[] = {
        {PF_565, BLEND_ALPHA, 128, 0, 0xFFFF, 0, 0x7BEF, "half of white"},
        {PF_565, BLEND_TINT, 256, 0xF800, 0x001F, 0x07E0, 0xF800, "tint: blue 31 writes the colour"},
        {PF_565, BLEND_TINT, 256, 0xF800, 0xFFE0, 0x07E0, 0x07E0, "tint: blue 0 keeps the destination"},
        {PF_565, BLEND_SOLID, 256, 0xABCD1234, 0xFFE0, 0x07E0, 0x1234, "solid: the colour's low 16 bits"},
        {PF_888, BLEND_ADD, 256, 0, 0x808080, 0x909090, 0xFFFFFF, "add: sums stop at the field's limit"},
        {PF_888, BLEND_ADD, 256, 0, 0x0000FF, 0x0000FF, 0x0000FF, "add: no carry into the next field"},
        {PF_8888, BLEND_ALPHA, 256, 0, 0xFFFFFFFF, 0x7F000000, 0x7FFFFFFF, "the alpha byte is kept"},
        {PF_MONO8, BLEND_ALPHA, 64, 0, 200, 100, (192u * 100 + 64 * 200) >> 8, "one channel alpha"},
        {PF_MONO8, BLEND_ADD, 128, 0, 200, 10, 110, "one channel add"},
        {PF_MONO8, BLEND_TINT, 256, 255, 255, 110, 255, "one channel tint"},
        {PF_PALETTE, BLEND_SOLID, 256, 9, 3, 0, 9, "solid is the one mode onto palettes"},
    };
    for (const Case& c : cases) {
        SURFACE* d = sfCreate(1, 1, c.format, false, SF_NO_KEY, nullptr);
        SURFACE* s = sfCreate(1, 1, c.format, false, SF_NO_KEY, nullptr);
        sfPutPixel(s, 0, 0, c.src);
        sfPutPixel(d, 0, 0, c.dst);
        gfxSetBlendMode(c.mode);
        gfxSetAlpha(c.alpha);
        gfxSetColor(c.color);
        EXPECT_EQ(sfBlit(s, d, 0, 0, nullptr), 1) << c.why;
        EXPECT_EQ(sfGetPixel(d, 0, 0), c.want) << c.why;
        // Other modes onto a palette, and unknown modes, are refused.
        gfxSetBlendMode(c.format == PF_PALETTE ? uint32_t(BLEND_ALPHA) : 7u);
        EXPECT_EQ(sfBlit(s, d, 0, 0, nullptr), 0) << c.why;
        EXPECT_EQ(sfGetPixel(d, 0, 0), c.want) << c.why;
        sfDestroy(d);
        sfDestroy(s);
    }
}

TEST_F(BlitClipping, FramesPositionsClipAndWhatDrawsNothing)
{
    Guarded src(10, 10, PF_MONO8), dst(20, 20, PF_MONO8);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++)
            sfPutPixel(&src.s, x, y, 1 + x + 10 * y);
    // A frame starting at (-5, 0) draws from column 0 at x and is 5 narrower.
    RECT f = {-5, 0, 8, 1};
    ASSERT_EQ(sfBlit(&src.s, &dst.s, 2, 0, &f), 1);
    EXPECT_EQ(sfGetPixel(&dst.s, 2, 0), 1u);
    EXPECT_EQ(sfGetPixel(&dst.s, 4, 0), 3u);
    EXPECT_EQ(sfGetPixel(&dst.s, 5, 0), 0u);
    // Frames wholly off the source, empty or negative draw nothing.
    RECT off[] = {{10, 0, 5, 5},
                  {0, 10, 5, 5},
                  {-5, 0, 5, 5},
                  {0, 0, 0, 5},
                  {0, 0, -3, 5},
                  {INT32_MAX, 0, INT32_MAX, 1},
                  {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
    for (const RECT& r : off)
        EXPECT_EQ(sfBlit(&src.s, &dst.s, 0, 0, &r), 0);
    // Destinations partly or wholly outside, and huge offsets.
    EXPECT_EQ(sfBlit(&src.s, &dst.s, -9, -9, nullptr), 1);
    EXPECT_EQ(sfGetPixel(&dst.s, 0, 0), 100u);
    EXPECT_EQ(sfBlit(&src.s, &dst.s, 20, 0, nullptr), 0);
    EXPECT_EQ(sfBlit(&src.s, &dst.s, INT32_MIN, INT32_MAX, nullptr), 0);
    EXPECT_EQ(sfBlit(&src.s, &dst.s, 15, 15, nullptr), 1);
    EXPECT_EQ(sfGetPixel(&dst.s, 19, 19), 45u);
    // Outside the clip: 0 and no change; partly inside: cut on every side.
    std::vector<uint8_t> before = bytesOf(&dst.s);
    RECT clip = {0, 0, 3, 3};
    gfxSetClip(&clip);
    EXPECT_EQ(sfBlit(&src.s, &dst.s, 3, 0, nullptr), 0);
    EXPECT_EQ(bytesOf(&dst.s), before);
    memset(dst.s.pixels, 0, dst.s.size);
    RECT mid = {5, 5, 2, 2};
    gfxSetClip(&mid);
    EXPECT_EQ(sfBlit(&src.s, &dst.s, 4, 4, nullptr), 1);
    gfxSetClip(nullptr);
    EXPECT_EQ(sfGetPixel(&dst.s, 5, 5), 12u);
    EXPECT_EQ(sfGetPixel(&dst.s, 6, 6), 23u);
    EXPECT_EQ(sfGetPixel(&dst.s, 4, 5), 0u);
    EXPECT_EQ(sfGetPixel(&dst.s, 7, 5), 0u);
    EXPECT_TRUE(src.intact());
    EXPECT_TRUE(dst.intact());
    // Nothing is drawn from or onto missing surfaces or pixels, or at alpha 0.
    SURFACE* a = sfCreate(2, 2, PF_565, false, SF_NO_KEY, nullptr);
    SURFACE* b = sfCreate(2, 2, PF_565, false, SF_NO_KEY, nullptr);
    sfPutPixel(a, 0, 0, 1);
    EXPECT_EQ(sfBlit(nullptr, b, 0, 0, nullptr), 0);
    EXPECT_EQ(sfBlit(a, nullptr, 0, 0, nullptr), 0);
    gfxSetAlpha(0);
    EXPECT_EQ(sfBlit(a, b, 0, 0, nullptr), 0);
    EXPECT_EQ(sfCopy(a, b, 0, 0, nullptr), 0);
    gfxSetAlpha(256);
    SURFACE empty = *b;
    empty.pixels = nullptr;
    EXPECT_EQ(sfBlit(a, &empty, 0, 0, nullptr), 0);
    EXPECT_EQ(sfGetPixel(b, 0, 0), 0u);
    // Pivot and frame offsets: the hot spot lands on (x, y).
    a->xPivot = 256;
    a->yPivot = 256;
    EXPECT_EQ(sfBlitPivot(a, b, 2, 2), 1);
    EXPECT_EQ(sfGetPixel(b, 0, 0), 1u);
    ASSERT_TRUE(sfSetFrameGrid(a, 2, 1));
    EXPECT_EQ(sfBlitFrame(a, b, 1, 2, 0), 1);
    EXPECT_EQ(sfGetPixel(b, 0, 0), 1u);
    sfDestroy(a);
    sfDestroy(b);
}

// Every format pair, blend mode and key setting, with random frames, positions,
// clips and odd widths, with and without AVX2: the fast loops must give the
// reference's bytes and never write outside the destination.
TEST_F(BlitFastPaths, MatchTheReferenceEverywhere)
{
    std::mt19937 rng(1234);
    PALETTE* palA = randomPalette(rng);
    PALETTE* palB = randomPalette(rng);
    palMap(palA, PF_565, nullptr);
    for (int avx2 = 0; avx2 < 2; avx2++)
        for (uint32_t sf = 1; sf < PF_COUNT; sf++)
            for (uint32_t df = 1; df < PF_COUNT; df++)
                for (uint32_t mode = 0; mode < BLEND_COUNT; mode++)
                    for (int keyed = 0; keyed < 2; keyed++)
                        for (int round = 0; round < 3; round++) {
                            int sw = 1 + rng() % 37, sh = 1 + rng() % 9;
                            int dw = 1 + rng() % 41, dh = 1 + rng() % 11;
                            Guarded src(sw, sh, sf), a(dw, dh, df), b(dw, dh, df);
                            if (sf == PF_PALETTE)
                                sfSetPalette(&src.s, palA, false);
                            if (df == PF_PALETTE) {
                                sfSetPalette(&a.s, round ? palB : palA, false);
                                sfSetPalette(&b.s, round ? palB : palA, false);
                            }
                            src.s.keycolor = !keyed ? SF_NO_KEY : src.s.formatInfo->bits >= 8 ? 0x5 : 1;
                            fillRandom(&src.s, rng, src.s.keycolor);
                            fillRandom(&a.s, rng);
                            memcpy(b.s.pixels, a.s.pixels, a.s.size);
                            const std::vector<uint8_t> before = bytesOf(&a.s);
                            RECT frame = {(int)(rng() % 7) - 3, (int)(rng() % 5) - 2, 1 + (int)(rng() % 40),
                                          1 + (int)(rng() % 12)};
                            RECT clip = {(int)(rng() % 9) - 2, (int)(rng() % 5) - 2, 3 + (int)(rng() % 40),
                                         2 + (int)(rng() % 10)};
                            int x = (int)(rng() % 50) - 15, y = (int)(rng() % 14) - 4;
                            gfxSetBlendMode(mode);
                            gfxSetAlpha(1 + rng() % 256);
                            gfxSetColor(rng());
                            gfxSetClip(round == 2 ? nullptr : &clip);
                            const RECT* fr = round == 1 ? nullptr : &frame;
                            gfxUseFastPaths(true);
                            gfxUseAvx2(avx2 == 1);
                            int ra = sfBlit(&src.s, &a.s, x, y, fr);
                            gfxUseFastPaths(false);
                            int rb = sfBlit(&src.s, &b.s, x, y, fr);
                            gfxUseFastPaths(true);
                            gfxSetClip(nullptr);
                            ASSERT_EQ(ra, rb);
                            ASSERT_EQ(bytesOf(&a.s), bytesOf(&b.s))
                                << pfInfo(sf)->name << "->" << pfInfo(df)->name << " avx2 " << avx2
                                << " mode " << mode << " key " << keyed << " round " << round;
                            ASSERT_TRUE(a.intact() && b.intact() && src.intact());
                            // The sprite encoded draws the same into every byte format,
                            // clipped or not, in every mode.
                            if (!keyed || !src.s.formatInfo->bytesPerPixel || !a.s.formatInfo->bytesPerPixel)
                                continue;
                            SURFACE* rle = sfConvert(&src.s, sf);
                            rle->keycolor = src.s.keycolor;
                            if (sf == PF_PALETTE)
                                sfSetPalette(rle, palA, false);
                            ASSERT_EQ(sfEncodeRLE(rle), 1);
                            memcpy(a.s.pixels, before.data(), a.s.size);
                            gfxSetClip(round == 2 ? nullptr : &clip);
                            const int rr = sfBlit(rle, &a.s, x, y, fr);
                            gfxSetClip(nullptr);
                            sfDestroy(rle);
                            ASSERT_EQ(rr, rb);
                            ASSERT_EQ(bytesOf(&a.s), bytesOf(&b.s))
                                << "RLE " << pfInfo(sf)->name << "->" << pfInfo(df)->name << " mode " << mode;
                            ASSERT_TRUE(a.intact());
                        }
    gfxResetState();
    memFree(palA);
    memFree(palB);
}

TEST_F(BlitFastPaths, CopiesOfAMegabyteMatchTheReference)
{
    std::mt19937 rng(7);
    // Copies of a megabyte or more go out with streaming stores: whole, with
    // a frame at odd offsets, and presented with sfCopy, byte for byte as the
    // reference, and none of them outside the destination.
    Guarded big(1024, 1024, PF_565), a(1024, 1024, PF_565), b(1024, 1024, PF_565);
    fillRandom(&big.s, rng);
    ASSERT_EQ(sfCopy(&big.s, &a.s, 0, 0, nullptr), 1);
    EXPECT_EQ(bytesOf(&a.s), bytesOf(&big.s));
    RECT g = {3, 1, 1019, 1000};
    for (auto copy : {sfBlit, sfCopy}) {
        fillRandom(&a.s, rng);
        memcpy(b.s.pixels, a.s.pixels, a.s.size);
        ASSERT_EQ(copy(&big.s, &a.s, 5, 7, &g), 1);
        gfxUseFastPaths(false);
        ASSERT_EQ(copy(&big.s, &b.s, 5, 7, &g), 1);
        gfxUseFastPaths(true);
        EXPECT_TRUE(bytesOf(&a.s) == bytesOf(&b.s));
    }
    // A large "8888" source converted into "565" streams too.
    Guarded wide(1024, 1024, PF_8888);
    fillRandom(&wide.s, rng);
    ASSERT_EQ(sfBlit(&wide.s, &a.s, 0, 0, nullptr), 1);
    gfxUseFastPaths(false);
    ASSERT_EQ(sfBlit(&wide.s, &b.s, 0, 0, nullptr), 1);
    gfxUseFastPaths(true);
    EXPECT_TRUE(bytesOf(&a.s) == bytesOf(&b.s));
    EXPECT_TRUE(a.intact() && big.intact());
}

// Presentation copies into displays with any x step, including negative ones,
// and copy key-coloured pixels too, whatever the blend mode.
TEST_F(CopyToDisplay, RotatedAddressingPaletteMappingAndNoKeyOrBlend)
{
    std::mt19937 rng(99);
    gfxSetBlendMode(BLEND_SOLID);
    for (uint32_t f : {PF_565, PF_888, PF_8888, PF_PALETTE, PF_555}) {
        int bpp = pfInfo(f)->bytesPerPixel;
        SURFACE* src = sfCreate(24, 32, f, false, 0x1, nullptr);
        fillRandom(src, rng, 0x1);
        // A 32 x 24 memory seen as 24 x 32 turned a quarter: x steps down the memory rows.
        for (int kind = 0; kind < 2; kind++) {
            Guarded disp(24, 32, f);
            if (kind == 1) {  // landscape-wired memory of 32 pixels per row
                disp.s.xPitch = (int16_t)(-32 * bpp);
                disp.s.yPitch = (int16_t)bpp;
                disp.s.pixels += 23 * 32 * bpp;
            }
            if (f == PF_PALETTE)
                sfSetPalette(&disp.s, nullptr, false);
            ASSERT_EQ(sfCopy(src, &disp.s, 0, 0, nullptr), 1);
            for (int y = 0; y < 32; y++)
                for (int x = 0; x < 24; x++)
                    ASSERT_EQ(sfGetPixel(&disp.s, x, y), sfGetPixel(src, x, y)) << kind;
            ASSERT_TRUE(disp.intact());
        }
        sfDestroy(src);
    }
    // Palette source onto its mapped format: indices written as mapped values.
    SURFACE* p = sfCreate(5, 3, PF_PALETTE, false, SF_NO_KEY, nullptr);
    PALETTE* pal = randomPalette(rng);
    palMap(pal, PF_565, nullptr);
    sfSetPalette(p, pal, false);
    fillRandom(p, rng);
    Guarded d(5, 3, PF_565);
    d.s.xPitch = -2;
    d.s.pixels += 8;
    ASSERT_EQ(sfCopy(p, &d.s, 0, 0, nullptr), 1);
    EXPECT_EQ(sfCopy(&d.s, &d.s, 0, 0, nullptr), 1);  // onto itself in place
    for (int x = 0; x < 5; x++)
        EXPECT_EQ(sfGetPixel(&d.s, x, 1), pal->mapped[sfGetPixel(p, x, 1)]);
    EXPECT_TRUE(d.intact());
    sfDestroy(p);
    memFree(pal);
}

TEST_F(Rle, PacketLayout)
{
    SURFACE* s = sfCreate(4, 3, PF_MONO8, false, 0, nullptr);
    uint8_t rows[3][4] = {{0, 7, 7, 7}, {9, 9, 9, 9}, {5, 0, 0, 0}};
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            sfPutPixel(s, x, y, rows[y][x]);
    ASSERT_EQ(sfEncodeRLE(s), 1);
    EXPECT_EQ(s->rle, 1);
    EXPECT_EQ(s->rleWideOffsets, 0);
    const uint8_t expect[] = {
        7,    0, 10,   0, 13, 0,     // row ends: 7, 10, 13
        0xA0, 0, 0xC0, 2, 7,  7, 7,  // skip 1, copy 3
        0xE0, 3, 9,                  // fill 4
        0xC0, 0, 5,                  // copy 1, trailing key pixels dropped
    };
    ASSERT_EQ(s->size, sizeof expect);
    EXPECT_EQ(0, memcmp(s->pixels, expect, sizeof expect));
    EXPECT_TRUE(sfCheckRLE(s));
    EXPECT_EQ(sfEncodeRLE(s), 0);  // already encoded
    sfDestroy(s);
    SURFACE* m = sfCreate(8, 1, PF_MONO1, false, 0, nullptr);
    EXPECT_EQ(sfEncodeRLE(m), 0);  // packed formats are not encoded
    sfDestroy(m);
    // More than 64 KB of packets takes the wide row table.
    std::mt19937 rng(5);
    s = sfCreate(320, 240, PF_565, false, SF_NO_KEY, nullptr);
    fillRandom(s, rng);
    ASSERT_EQ(sfEncodeRLE(s), 1);
    EXPECT_EQ(s->rleWideOffsets, 1);
    EXPECT_TRUE(sfCheckRLE(s));
    sfDestroy(s);
}

// Wide sprites reach the copies for long runs, the merged short copies near
// the data's and the visible row's ends, and long fills: same-format copies in
// every pixel size, whole or cut on any side, match the unencoded sprite. The
// first trial's rows are nearly as long as a row may be, and its runs longer
// than one packet holds, so they are split.
TEST_F(Rle, WideSpritesDrawLikeTheirSource)
{
    std::mt19937 rng(7);
    for (uint32_t f : {PF_PALETTE, PF_565, PF_888, PF_8888})
        for (int trial = 0; trial < 60; trial++) {
            int bpp = pfInfo(f)->bytesPerPixel, w = trial ? 1 + rng() % 600 : std::min(16000, 30000 / bpp),
                h = 1 + rng() % 6;
            uint32_t key = 5;
            SURFACE* src = sfCreate(w, h, f, false, key, nullptr);
            fillRandom(src, rng);
            // Alternating runs of holes and opaque pixels (noise, now and then
            // equal pixels), often just around the byte lengths where copies
            // change their method.
            for (int y = 0; y < h; y++)
                for (int x = 0, hole = rng() % 2; x < w; hole ^= 1) {
                    static const int edges[] = {4, 8, 16, 32, 64, 128, 256, 512};
                    int n = !trial      ? 9000
                            : rng() % 2 ? 1 + (int)(rng() % 40)
                                        : edges[rng() % 8] / bpp + (int)(rng() % 3) - 1;
                    uint32_t same = rng() % 4 ? SF_NO_KEY : 9 + rng() % 50;
                    for (int end = std::min(w, x + std::max(n, 1)); x < end; x++)
                        if (hole || same != SF_NO_KEY)
                            sfPutPixel(src, x, y, hole ? key : same);
                }
            SURFACE* rle = sfConvert(src, f);
            rle->keycolor = key;
            ASSERT_EQ(sfEncodeRLE(rle), 1);
            ASSERT_TRUE(sfCheckRLE(rle));
            // The encoded data in an exact-size block, so a read past it is seen.
            uint8_t* exact = static_cast<uint8_t*>(memAlloc((int32_t)rle->size));
            memcpy(exact, rle->pixels, rle->size);
            memFree(rle->pixels);
            rle->pixels = exact;
            int dw = trial ? 1 + rng() % 640 : w;
            Guarded a(dw, 8, f), b(dw, 8, f);
            fillRandom(&a.s, rng);
            memcpy(b.s.pixels, a.s.pixels, a.s.size);
            RECT clip = {(int)(rng() % 40), 0, 1 + (int)(rng() % 640), 8};
            int x = trial % 2 ? 0 : (int)(rng() % 80) - 40, y = (int)(rng() % 4) - 1;
            gfxSetClip(trial % 3 == 1 ? &clip : nullptr);
            int ra = sfBlit(rle, &a.s, x, y, nullptr);
            int rb = sfBlit(src, &b.s, x, y, nullptr);
            gfxResetState();
            ASSERT_EQ(ra, rb);
            ASSERT_EQ(bytesOf(&a.s), bytesOf(&b.s))
                << pfInfo(f)->name << " w " << w << " dst " << dw << " x " << x;
            ASSERT_TRUE(a.intact() && b.intact());
            sfDestroy(src);
            sfDestroy(rle);
        }
}

TEST_F(Rle, DamagedDataNeverReadsOutside)
{
    std::mt19937 rng(3);
    SURFACE* s = sfCreate(16, 8, PF_565, false, 0, nullptr);
    fillRandom(s, rng, 0);
    ASSERT_EQ(sfEncodeRLE(s), 1);
    std::vector<uint8_t> good(s->pixels, s->pixels + s->size);
    Guarded d(16, 8, PF_565);
    for (int trial = 0; trial < 500; trial++) {
        // The data sits in an exact-size heap block so ASan sees any overrun.
        std::vector<uint8_t> bad = good;
        for (int k = 0; k < 3; k++)
            bad[rng() % bad.size()] = (uint8_t)rng();
        uint32_t size = trial % 5 == 0 ? (uint32_t)(rng() % bad.size()) : (uint32_t)bad.size();
        uint8_t* data = static_cast<uint8_t*>(memAlloc((int32_t)(size ? size : 1)));
        memcpy(data, bad.data(), size);
        SURFACE t = *s;
        t.pixels = data;
        t.size = size;
        t.ownsPixels = 0;
        t.frames = SfFrames{0, 0, SF_FRAME_ELEM, nullptr};
        sfBlit(&t, &d.s, (int)(rng() % 8) - 4, (int)(rng() % 8) - 4, nullptr);
        sfCheckRLE(&t);
        memFree(data);
        ASSERT_TRUE(d.intact());
    }
    sfDestroy(s);
}

TEST_F(Xform, AnglesIdentityAndZeroScale)
{
    const int32_t angles[][3] = {
        {0, 0, 256}, {90, 256, 0}, {180, 0, -256}, {-90, -256, 0}, {60 + 720, 222, 128}};
    for (const auto& a : angles) {
        int32_t sn, cs;
        gfxSinCos(a[0], &sn, &cs);
        EXPECT_NEAR(sn, a[1], 1) << a[0];  // 256 x sin 60 is 221.7
        EXPECT_EQ(cs, a[2]) << a[0];
    }
    // The identity draws as a plain copy; a zero or negative scale draws nothing.
    std::mt19937 rng(11);
    SURFACE* src = sfCreate(13, 7, PF_565, false, 0x5, nullptr);
    fillRandom(src, rng, 0x5);
    Guarded a(30, 20, PF_565), b(30, 20, PF_565);
    XFORM t = {4, 3, 0, 256, 256};
    ASSERT_EQ(sfBlitXform(src, &a.s, &t, -1), 1);
    ASSERT_EQ(sfBlit(src, &b.s, 4, 3, nullptr), 1);
    EXPECT_EQ(bytesOf(&a.s), bytesOf(&b.s));
    std::vector<uint8_t> before = bytesOf(&a.s);
    for (XFORM zero : {XFORM{4, 3, 30, 0, 256}, XFORM{4, 3, 30, 256, 0}, XFORM{4, 3, 30, -256, 256}})
        EXPECT_EQ(sfBlitXform(src, &a.s, &zero, -1), 0);
    EXPECT_EQ(bytesOf(&a.s), before);
    // Absurd frames from a file draw nothing and compute nothing that overflows.
    RECT frames[] = {{INT32_MIN, 0, 10, 10},
                     {0, INT32_MIN, 10, 10},
                     {-5, -5, INT32_MAX, INT32_MAX},
                     {INT32_MAX, INT32_MAX, 5, 5}};
    for (const RECT& f : frames) {
        sfFramesFree(&src->frames);
        sfFramesPush(&src->frames, &f);
        XFORM big = {INT32_MAX, INT32_MIN, 45, 32767, 32767};
        sfBlitXform(src, &a.s, &big, 0);
        sfBlitXform(src, &a.s, &t, 0);
    }
    EXPECT_TRUE(a.intact());
    SURFACE* other = sfCreate(4, 4, PF_888, false, SF_NO_KEY, nullptr);
    EXPECT_EQ(sfBlitXform(other, &a.s, &t, -1), 0);  // same format only
    sfDestroy(other);
    sfDestroy(src);
}

TEST_F(Xform, FastLoopsMatchReferenceAndStayInside)
{
    std::mt19937 rng(77);
    for (uint32_t f : {PF_PALETTE, PF_565, PF_8888, PF_888, PF_MONO4}) {
        for (int round = 0; round < 60; round++) {
            int w = 1 + rng() % 30, h = 1 + rng() % 30;
            SURFACE* src = sfCreate(w, h, f, false, round % 2 ? 0x1 : SF_NO_KEY, nullptr);
            fillRandom(src, rng, src->keycolor);
            src->xPivot = (int16_t)(rng() % 257);
            src->yPivot = (int16_t)(rng() % 257);
            RECT frame = {(int)(rng() % 8) - 4, (int)(rng() % 8) - 4, 1 + (int)(rng() % 30),
                          1 + (int)(rng() % 30)};
            if (round % 3 == 0)
                sfFramesPush(&src->frames, &frame);
            Guarded a(40, 40, f), b(40, 40, f);
            XFORM t = {(int)(rng() % 60) - 10, (int)(rng() % 60) - 10, (int)(rng() % 720) - 360,
                       (int16_t)(1 + rng() % 700), (int16_t)(1 + rng() % 700)};
            RECT clip = {(int)(rng() % 10), (int)(rng() % 10), 5 + (int)(rng() % 35), 5 + (int)(rng() % 35)};
            gfxSetClip(round % 4 == 1 ? &clip : nullptr);
            gfxUseFastPaths(true);
            int ra = sfBlitXform(src, &a.s, &t, 0);
            gfxUseFastPaths(false);
            int rb = sfBlitXform(src, &b.s, &t, 0);
            gfxUseFastPaths(true);
            gfxSetClip(nullptr);
            ASSERT_EQ(ra, rb);
            ASSERT_EQ(bytesOf(&a.s), bytesOf(&b.s)) << pfInfo(f)->name << " round " << round;
            ASSERT_TRUE(a.intact() && b.intact());
            sfDestroy(src);
        }
    }
}

TEST_F(Shapes, ClippedLinesRectanglesAndBlending)
{
    Guarded g(8, 6, PF_565);
    SURFACE* s = &g.s;
    gfxSetColor(0xFFFF);
    sfHLine(s, -3, 0, 20);
    sfVLine(s, 7, -2, 20);
    for (int x = 0; x < 8; x++)
        EXPECT_EQ(sfGetPixel(s, x, 0), 0xFFFFu);
    for (int y = 0; y < 6; y++)
        EXPECT_EQ(sfGetPixel(s, 7, y), 0xFFFFu);
    memset(s->pixels, 0, s->size);
    RECT r = {1, 1, 4, 3};
    sfRect(s, &r);
    EXPECT_EQ(sfGetPixel(s, 1, 1), 0xFFFFu);
    EXPECT_EQ(sfGetPixel(s, 4, 3), 0xFFFFu);
    EXPECT_EQ(sfGetPixel(s, 4, 2), 0xFFFFu);
    EXPECT_EQ(sfGetPixel(s, 2, 2), 0u);
    RECT clip = {0, 0, 2, 2};
    gfxSetClip(&clip);
    sfFillRect(s, nullptr);
    gfxSetClip(nullptr);
    EXPECT_EQ(sfGetPixel(s, 0, 0), 0xFFFFu);
    EXPECT_EQ(sfGetPixel(s, 2, 2), 0u);
    sfPlot(s, 8, 5);
    sfPlot(s, -1, 0);
    RECT huge = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    sfFillRect(s, &huge);
    gfxResetState();
    EXPECT_TRUE(g.intact());
    // Packed surfaces through the pixel routines.
    SURFACE* m = sfCreate(9, 2, PF_MONO2, false, SF_NO_KEY, nullptr);
    gfxSetColor(2);
    sfHLine(m, 0, 1, 9);
    EXPECT_EQ(sfGetPixel(m, 8, 1), 2u);
    EXPECT_EQ(sfGetPixel(m, 8, 0), 0u);
    sfDestroy(m);
}

// Solid fills copy their first row; blended ones go pixel by pixel. Both must
// cover exactly the rectangle in every whole-byte format, also on a surface whose
// pixels run right to left (a negative step, as a turned display has).
TEST_F(Shapes, FillsCoverExactlyTheirRectangleInEveryFormat)
{
    for (uint32_t f : {PF_444, PF_555, PF_565, PF_888, PF_8888, PF_MONO8}) {
        for (bool mirrored : {false, true}) {
            for (uint32_t mode : {(uint32_t)BLEND_NONE, (uint32_t)BLEND_ALPHA}) {
                Guarded g(13, 5, f);
                SURFACE* s = &g.s;
                if (mirrored) {
                    s->pixels += (s->width - 1) * s->xPitch;
                    s->xPitch = (int16_t)-s->xPitch;
                }
                const uint32_t color = pfOps(f)->fromRGB(0xC08040);
                gfxSetColor(color);
                gfxSetBlendMode(mode);
                RECT r = {2, 1, 9, 3};
                sfFillRect(s, &r);
                gfxResetState();
                for (int y = 0; y < 5; y++)
                    for (int x = 0; x < 13; x++) {
                        bool inside = x >= 2 && x < 11 && y >= 1 && y < 4;
                        uint32_t v = sfGetPixel(s, x, y);
                        if (!inside)
                            ASSERT_EQ(v, 0u) << pfInfo(f)->name << " " << x << "," << y;
                        else if (mode == BLEND_NONE)
                            ASSERT_EQ(v, color) << pfInfo(f)->name << " " << x << "," << y;
                        else
                            ASSERT_NE(v, 0u) << pfInfo(f)->name << " " << x << "," << y;
                    }
                EXPECT_TRUE(g.intact());
            }
        }
    }
}
