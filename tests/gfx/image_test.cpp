// Image files: TGA files from an independent writer, GSF round trips and
// damaged GSF files, RAW sizes, extension fallback and failure logs.

#include <tuple>

#include "gfx/image.h"
#include "gfx_helpers.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

// A TGA written here rather than by our own writer, to cross-check the reader:
// the picture is given top row first, left to right, as the values the file
// should mean (RGB colours, 555 values, or palette indices), and stored in the
// row and column order the descriptor bits ask for.
struct TgaSpec {
    int type = 2;      // 1, 2, 9 or 10
    int bits = 24;     // pixel size (8 for colour-mapped)
    int mapBits = 24;  // colour-map entry size
    int order = 0;     // descriptor bits: 0x10 right to left, 0x20 top down
    int w = 0, h = 0;
    std::vector<uint32_t> pixels = {};  // w * h, top row first
    std::vector<uint32_t> map = {};     // colour map entries (RGB, or 555 for 16-bit entries)
    std::string id = {};
};

void put(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back((uint8_t)(v >> (8 * i)));
}

std::vector<uint8_t> writeTga(const TgaSpec& t)
{
    std::vector<uint8_t> out = {(uint8_t)t.id.size(), (uint8_t)!t.map.empty(), (uint8_t)t.type, 0, 0};
    put(out, (uint32_t)t.map.size(), 2);
    out.push_back(t.map.empty() ? 0 : (uint8_t)t.mapBits);
    put(out, 0, 4);
    put(out, (uint32_t)t.w, 2);
    put(out, (uint32_t)t.h, 2);
    out.push_back((uint8_t)t.bits);
    out.push_back((uint8_t)(t.order | (t.bits == 32 ? 8 : 0)));
    out.insert(out.end(), t.id.begin(), t.id.end());
    for (uint32_t c : t.map)
        put(out, c, t.mapBits / 8);
    std::vector<uint32_t> px;  // in file order
    for (int r = 0; r < t.h; r++)
        for (int c = 0; c < t.w; c++)
            px.push_back(t.pixels[size_t(t.order & 0x20 ? r : t.h - 1 - r) * t.w +
                                  size_t(t.order & 0x10 ? t.w - 1 - c : c)]);
    for (size_t i = 0, n = 1; i < px.size(); i += n, n = 1) {
        if (t.type < 9) {
            put(out, px[i], t.bits / 8);
            continue;
        }
        // Run packets of equal pixels and raw packets of the rest, crossing row ends freely.
        bool run = i + 1 < px.size() && px[i + 1] == px[i];
        while (i + n < px.size() && n < 128 && (px[i + n] == px[i + n - 1]) == run)
            n++;
        out.push_back((uint8_t)((run ? 0x80 : 0) | (n - 1)));
        for (size_t k = 0; k < (run ? 1 : n); k++)
            put(out, px[i + k], t.bits / 8);
    }
    return out;
}

std::vector<uint8_t> gsfHeader(uint8_t format, uint16_t w, uint16_t h, uint16_t xp, uint16_t yp,
                               uint32_t dataSize, uint8_t flags = 0, uint32_t frames = 0)
{
    std::vector<uint8_t> out = {'G', 'S', 'F', 1};
    put(out, dataSize, 4);
    out.push_back(format);
    out.push_back(flags);
    for (uint16_t v : {w, h, xp, yp, (uint16_t)0, (uint16_t)0})
        put(out, v, 2);
    put(out, SF_NO_KEY, 4);
    out.push_back(1);
    out.push_back(1);
    put(out, 50, 4);
    put(out, frames, 4);
    put(out, 16, 4);
    return out;
}

}

class ImageTest : public GfxTest {};

TEST_F(ImageTest, TgaFromAnotherWriterDecodesPixelForPixel)
{
    std::mt19937 rng(2024);
    struct Case {
        int type, bits, mapBits;
        uint32_t format;
    } cases[] = {{2, 24, 0, PF_888},     {2, 32, 0, PF_8888},    {2, 16, 0, PF_555},
                 {10, 24, 0, PF_888},    {10, 32, 0, PF_8888},   {10, 16, 0, PF_555},
                 {1, 8, 24, PF_PALETTE}, {9, 8, 24, PF_PALETTE}, {1, 8, 16, PF_PALETTE},
                 {9, 8, 16, PF_PALETTE}};
    for (const Case& c : cases)
        for (int order = 0; order < 4; order++) {
            TgaSpec t = {
                c.type, c.bits, c.mapBits, order << 4, 7, 5, {}, {}, order == 3 ? "made by test" : ""};
            uint32_t mask = c.bits == 8 ? 15 : c.bits == 16 ? 0x7FFF : c.bits == 24 ? 0xFFFFFF : 0xFFFFFFFF;
            for (int i = 0; i < t.w * t.h; i++)  // with runs of equal pixels
                t.pixels.push_back(i && rng() % 3 == 0 ? t.pixels.back() : rng() & mask);
            for (int i = 0; c.mapBits && i < 16; i++)
                t.map.push_back(rng() & (c.mapBits == 16 ? 0x7FFF : 0xFFFFFF));
            writeFile("p.tga", writeTga(t));
            SURFACE* s = sfLoadTGA(u"p.tga", 0, nullptr);
            ASSERT_NE(s, nullptr) << c.type << "/" << c.bits << " order " << order;
            ASSERT_EQ(s->format, c.format);
            for (int y = 0; y < t.h; y++)
                for (int x = 0; x < t.w; x++)
                    ASSERT_EQ(sfGetPixel(s, x, y), t.pixels[y * t.w + x])
                        << "type " << c.type << " bits " << c.bits << " order " << order << " at " << x << ","
                        << y;
            if (c.mapBits) {
                ASSERT_EQ(s->palette->count, 16u);
                PixToRGBFn rgb = pfOps(c.mapBits == 16 ? PF_555 : PF_888)->toRGB;
                for (int i = 0; i < 16; i++)
                    ASSERT_EQ(s->palette->colors[i], rgb(t.map[i]));
            }
            sfDestroy(s);
        }
    EXPECT_EQ(log().find("sfLoadTGA failed"), std::string::npos);
}

TEST_F(ImageTest, TgaAndGsfConvertToTheWantedFormatAndFillAReusedSurface)
{
    writeFile("c.tga", writeTga({.w = 2, .h = 1, .pixels = {0xFF0000, 0x808080}}));
    SURFACE* s = sfLoadTGA(u"c.tga", PF_565, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(sfGetPixel(s, 0, 0), 0xF800u);
    sfPutPixel(s, 0, 0, 0);
    EXPECT_EQ(sfLoadTGA(u"c.tga", PF_565, s), s);  // filled in place
    EXPECT_EQ(sfGetPixel(s, 0, 0), 0xF800u);
    SURFACE* other = sfLoadTGA(u"c.tga", PF_888, s);  // format differs: a new surface
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, s);
    sfDestroy(other);
    sfDestroy(s);
    // A palette image loaded for a palette target is mapped for the current target.
    TgaSpec p = {.type = 1, .bits = 8, .w = 2, .h = 1, .pixels = {1, 0}, .map = {0x000000, 0xFF0000}};
    writeFile("m.tga", writeTga(p));
    SURFACE* screen = sfCreate(2, 2, PF_565, false, SF_NO_KEY, nullptr);
    gfxSetTarget(screen);
    s = sfLoadTGA(u"m.tga", PF_PALETTE, nullptr);
    gfxSetTarget(nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->palette->mappedFormat, (uint32_t)PF_565);
    EXPECT_EQ(s->palette->mapped[1], 0xF800u);
    sfDestroy(s);
    sfDestroy(screen);
    // The same for GSF files.
    s = sfCreate(2, 1, PF_888, false, SF_NO_KEY, nullptr);
    sfPutPixel(s, 0, 0, 0xFF0000);
    ASSERT_EQ(sfSaveGSF(s, u"c.gsf"), 1);
    SURFACE* g = sfLoadGSF(u"c.gsf", PF_565, nullptr);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(sfGetPixel(g, 0, 0), 0xF800u);
    sfDestroy(g);
    SURFACE* reuse = sfCreate(2, 1, PF_888, false, SF_NO_KEY, nullptr);
    EXPECT_EQ(sfLoadGSF(u"c.gsf", 0, reuse), reuse);
    EXPECT_EQ(sfGetPixel(reuse, 0, 0), 0xFF0000u);
    sfDestroy(reuse);
    sfDestroy(s);
}

TEST_F(ImageTest, TgaColourMapLongerThan256AndTrueColourMapsAreSkipped)
{
    TgaSpec p = {.type = 1, .bits = 8, .w = 2, .h = 1, .pixels = {255, 7}};
    for (int i = 0; i < 300; i++)
        p.map.push_back((uint32_t)i * 0x010101 & 0xFFFFFF);
    writeFile("long.tga", writeTga(p));
    SURFACE* s = sfLoadTGA(u"long.tga", 0, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->palette->count, 256u);
    EXPECT_EQ(sfGetPixel(s, 0, 0), 255u);
    EXPECT_EQ(sfGetPixel(s, 1, 0), 7u);
    sfDestroy(s);
    // A true-colour image with a colour map: the map's bytes are not pixels.
    writeFile("tm.tga", writeTga({.w = 1, .h = 1, .pixels = {0x123456}, .map = {0x030201, 0x060504}}));
    s = sfLoadTGA(u"tm.tga", 0, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(sfGetPixel(s, 0, 0), 0x123456u);
    sfDestroy(s);
}

TEST_F(ImageTest, BadTgaFilesFailWithTheLogAndNoSurface)
{
    TgaSpec t = {.w = 3, .h = 2, .pixels = std::vector<uint32_t>(6, 0x010203)};
    std::vector<uint8_t> good = writeTga(t);
    // The good file with type, pixel size, width and height set, then single
    // bytes patched, cut or padded to `size` bytes when given.
    auto header = [&](int type, int bits, int w, int h, std::vector<std::pair<int, int>> patch = {},
                      size_t size = 0) {
        std::vector<uint8_t> f = good;
        patch.insert(patch.begin(), {{2, type}, {16, bits}, {12, w}, {13, w >> 8}, {14, h}, {15, h >> 8}});
        for (auto [at, v] : patch)
            f[size_t(at)] = uint8_t(v);
        if (size)
            f.resize(size);
        return f;
    };
    std::vector<uint8_t> rle = header(10, 24, 3, 2, {}, 18);  // an RLE packet that runs past the data
    rle.push_back(0x05);
    put(rle, 0x111111, 3);
    std::vector<std::vector<uint8_t>> bad = {
        header(3, 8, 3, 2),                                     // grey images (an unknown type) are not read
        header(2, 15, 3, 2),                                    // unknown pixel size
        header(2, 24, 0, 2),                                    // zero width
        header(2, 24, 65535, 65535),                            // absurd size, tiny file
        header(10, 24, 60000, 60000),                           // RLE cannot justify it either
        std::vector<uint8_t>(good.begin(), good.begin() + 10),  // truncated header
        std::vector<uint8_t>(good.begin(), good.end() - 1),     // truncated pixels
        rle,
        // A true-colour image whose colour map claims to run far past the file's end.
        header(2, 24, 3, 2, {{1, 1}, {5, 0xFF}, {6, 0xFF}, {7, 32}}),
        header(2, 24, 3, 2, {{0, 200}}, 40),  // an identification field longer than the file
        // A colour-mapped image whose map runs past the end (its palette must not
        // leak): 256 entries are there, the rest is not.
        header(9, 8, 3, 2, {{1, 1}, {5, 0x2C}, {6, 0x10}, {7, 24}}, 18 + 256 * 3 + 4),
        header(1, 8, 3, 2, {{7, 15}}),  // a colour map of unsupported entry size
    };
    sfDestroy(sfCreate(1, 1, PF_888, false, SF_NO_KEY, nullptr));  // the surface pool keeps its first block
    MemStats st;
    memStats(&st);
    const uint32_t live = st.liveBytes;
    for (size_t i = 0; i < bad.size(); i++) {
        writeFile("bad.tga", bad[i]);
        EXPECT_EQ(sfLoadTGA(u"bad.tga", 0, nullptr), nullptr) << i;
    }
    memStats(&st);
    EXPECT_EQ(st.liveBytes, live);
    EXPECT_EQ(vfsOpenCount(), 0);
    std::string log = this->log();
    EXPECT_NE(
        log.find("sfLoadTGA failed for bad.tga\nTGA header:\n\tnIDLen:0\n\tnCMapType:0\n\tnImgType:3\n"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("\tnWidth:-1\n\tnHeight:-1\n"), std::string::npos);  // 16-bit fields print signed
    EXPECT_EQ(sfLoadTGA(u"missing.tga", 0, nullptr), nullptr);
    EXPECT_NE(this->log().find("sfLoadTGA failed for missing.tga"), std::string::npos);
}

TEST_F(ImageTest, GsfRoundTripKeepsEverything)
{
    std::mt19937 rng(8);
    for (uint32_t f = 1; f < PF_COUNT; f++)
        for (int rle = 0; rle < 2; rle++) {
            if (rle && !pfInfo(f)->bytesPerPixel)
                continue;
            SURFACE* s = sfCreate(9, 5, f, false, 1, nullptr);
            fillRandom(s, rng, 1);
            s->xPivot = 100;
            s->yPivot = -3;
            s->animType = 2;
            s->loop = 0;
            s->frameDelay = 123456;
            ASSERT_TRUE(sfSetFrameGrid(s, 3, 1));
            if (rle) {
                ASSERT_EQ(sfEncodeRLE(s), 1);
            }
            ASSERT_EQ(sfSaveGSF(s, u"s.gsf"), 1);
            SURFACE* g = sfLoadGSF(u"s.gsf", 0, nullptr);
            ASSERT_NE(g, nullptr) << f << " " << rle;
            auto fields = [](const SURFACE* x) {
                return std::make_tuple(x->format, x->rle, x->rleWideOffsets, x->width, x->height, x->xPitch,
                                       x->yPitch, x->xPivot, x->yPivot, x->keycolor, x->animType, x->loop,
                                       x->frameDelay);
            };
            EXPECT_EQ(fields(g), fields(s));
            ASSERT_EQ(g->frames.count, 3);
            EXPECT_EQ(sfFrame(g, 2)->x, 6);
            ASSERT_EQ(g->size, s->size);
            EXPECT_EQ(0, memcmp(g->pixels, s->pixels, s->size));
            sfDestroy(g);
            sfDestroy(s);
        }
    EXPECT_EQ(vfsOpenCount(), 0);
    // Surfaces that run backwards, and folders that do not exist, are refused.
    SURFACE* s = sfCreate(4, 4, PF_565, false, SF_NO_KEY, nullptr);
    EXPECT_EQ(sfSaveGSF(s, u"nodir/x.gsf"), 0);
    s->xPitch = -2;
    EXPECT_EQ(sfSaveGSF(s, u"x.gsf"), 0);
    s->xPitch = 2;
    sfDestroy(s);
}

TEST_F(ImageTest, BadGsfFilesAreRejected)
{
    std::vector<uint8_t> pixels(8 * 4 * 2, 0x11);
    auto with = [&](std::vector<uint8_t> head, size_t dataBytes) {
        head.insert(head.end(), pixels.begin(), pixels.begin() + (long)std::min(dataBytes, pixels.size()));
        return head;
    };
    const std::vector<uint8_t> good = with(gsfHeader(PF_565, 8, 4, 2, 16, 64), 64);
    auto patched = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> f = good;
        f[at] = v;
        return f;
    };
    std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(good.begin(), good.end() - 1),  // pixel data cut short
        with(gsfHeader(PF_565, 8, 4, 2, 16, 64), 0),
        with(gsfHeader(PF_565, 8, 4, 2, 40, 64), 64),             // pitch addresses beyond the data
        with(gsfHeader(PF_565, 8, 4, 4, 16, 64), 64),             // x step beyond the data
        with(gsfHeader(PF_565, 8, 4, (uint16_t)-2, 16, 64), 64),  // steps back before the data
        with(gsfHeader(PF_565, 0, 4, 2, 16, 64), 64),             // zero width
        with(gsfHeader(PF_565, 8000, 4000, 0, 0, 64), 64),  // zero steps: millions of pixels from 64 bytes
        with(gsfHeader(0, 8, 4, 2, 16, 64), 64),            // no format
        with(gsfHeader(12, 8, 4, 2, 16, 64), 64),
        with(gsfHeader(PF_565, 8, 4, 2, 16, 0x7FFFFFFF), 64),         // absurd data size
        with(gsfHeader(PF_565, 8, 4, 2, 16, 64, 0, 0x10000000), 64),  // absurd frame count
        with(gsfHeader(PF_565, 8, 4, 2, 16, 64, 1), 64),              // RLE table that does not parse
        patched(0, 'X'),                                              // not the magic
        patched(3, 2),                                                // version 2
        patched(36, 8),                                               // frame elements of the wrong size
        // RLE data whose row table points past its packets.
        with(gsfHeader(PF_MONO8, 2, 2, 1, 2, 8, 1), 0),
    };
    for (uint8_t b : {2, 0, 200, 0, 0xC0, 0, 7, 7})
        bad.back().push_back(b);
    SURFACE* reuse = sfCreate(8, 4, PF_565, false, SF_NO_KEY, nullptr);
    for (size_t i = 0; i < bad.size(); i++) {
        writeFile("bad.gsf", bad[i]);
        EXPECT_EQ(sfLoadGSF(u"bad.gsf", 0, nullptr), nullptr) << i;
        EXPECT_EQ(sfLoadGSF(u"bad.gsf", 0, reuse), nullptr)
            << i;  // failure is not reported as the reuse surface
    }
    // The good file loads, so each case above fails for its own reason.
    writeFile("ok.gsf", good);
    SURFACE* ok = sfLoadGSF(u"ok.gsf", 0, nullptr);
    ASSERT_NE(ok, nullptr);
    sfDestroy(ok);
    sfDestroy(reuse);
    EXPECT_EQ(vfsOpenCount(), 0);
}

TEST_F(ImageTest, RawSizesAndShapes)
{
    writeFile("a.raw", std::vector<uint8_t>(65536, 1));
    writeFile("c.raw", std::vector<uint8_t>(1000, 3));
    writeFile("b.raw", std::vector<uint8_t>(32, 0xFF));
    writeFile("d.raw", std::vector<uint8_t>(48, 4));
    writeFile("e.raw", std::vector<uint8_t>(0));
    SURFACE* s = sfLoadRAW(u"a.raw", 0, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format, (uint32_t)PF_PALETTE);
    EXPECT_EQ(s->width, 256);
    EXPECT_EQ(s->loop, 0);
    sfDestroy(s);
    EXPECT_EQ(sfLoadRAW(u"c.raw", 0, nullptr), nullptr);
    EXPECT_EQ(sfLoadRAW(u"e.raw", 0, nullptr), nullptr);
    s = sfLoadRAW(u"b.raw", 0, nullptr);  // 2 x 16 bytes: a 4 x 4 "565" image
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format, (uint32_t)PF_565);
    sfDestroy(s);
    s = sfLoadRAW(u"d.raw", 0, nullptr);  // 3 x 16 bytes: a 4 x 4 "888" image
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format, (uint32_t)PF_888);
    EXPECT_EQ(sfGetPixel(s, 3, 3), 0x040404u);
    SURFACE* reuse = s;
    EXPECT_EQ(sfLoadRAW(u"d.raw", 0, reuse), reuse);
    sfDestroy(s);
}

TEST_F(ImageTest, LoadChoosesReaderByExtension)
{
    TgaSpec t = {.w = 1, .h = 1, .pixels = {0x445566}};
    writeFile("pic.tga", writeTga(t));
    SURFACE* s = sfLoad(u"pic", 0, nullptr);  // no .gsf: the .tga is found
    ASSERT_NE(s, nullptr);
    sfPutPixel(s, 0, 0, 0x010101);
    ASSERT_EQ(sfSaveGSF(s, u"pic.gsf"), 1);
    sfDestroy(s);
    s = sfLoad(u"pic", 0, nullptr);  // now the .gsf wins
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(sfGetPixel(s, 0, 0), 0x010101u);
    sfDestroy(s);
    writeFile("pic.bmp", writeTga(t));
    writeFile("up.TGA", writeTga(t));
    s = sfLoad(u"up.TGA", 0, nullptr);  // the extension in any case
    ASSERT_NE(s, nullptr);
    sfDestroy(s);
    EXPECT_EQ(sfLoad(u"pic.bmp", 0, nullptr), nullptr);
    EXPECT_EQ(sfLoad(u"", 0, nullptr), nullptr);
    std::u16string longName(270, u'x');
    EXPECT_EQ(sfLoad(longName.c_str(), 0, nullptr), nullptr);
}
