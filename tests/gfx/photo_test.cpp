// Photographs: PNG files written by Python's zlib and JPEG files written by
// cjpeg decode to the pixels their writers meant; damaged files and
// decompression bombs fail with a reason and without a large allocation; the
// centre crop and the Lanczos resampler keep what a puzzle picture needs.

#include "gfx/photo.h"

#include <zlib.h>

#include "photo_helpers.h"
#include "vfs/mem.h"

namespace {

struct Decoded {
    bool ok = false;
    PHOTO photo = {};
    char err[PHOTO_ERR_CAP] = "";
    ~Decoded()
    {
        photoFree(&photo);
    }
};

void decode(const std::vector<uint8_t>& bytes, Decoded* d, int minW = 0, int minH = 0)
{
    d->ok = photoDecode(bytes.data(), bytes.size(), minW, minH, &d->photo, d->err, sizeof d->err);
}

}

class Photo : public GfxTest {};

TEST_F(Photo, PngsFromAnIndependentWriterDecodeExactly)
{
    ASSERT_EQ(system(("python3 '" TOBEX_SOURCE_DIR "/tests/gfx/make_pngs.py' '" + dir + "'").c_str()), 0);
    const char* names[] = {"grey1",         "grey2",      "grey4",        "grey8",         "grey16",
                           "grey8_trns",    "greyalpha8", "rgb8",         "rgb8_adam7",    "rgb8_trns",
                           "rgba8",         "rgb16",      "rgba16_adam7", "palette8_trns", "palette4_trns",
                           "palette2_trns", "one_pixel",  "one_row",      "one_column"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Decoded d;
        decode(readFile(std::string(name) + ".png"), &d);
        ASSERT_TRUE(d.ok) << d.err;
        std::vector<uint8_t> want = readFile(std::string(name) + ".rgba");
        ASSERT_EQ(want.size(), (size_t)d.photo.width * d.photo.height * 4);
        // libpng rounds 16-bit samples with its own approximation: one level of slack there.
        int slack = strstr(name, "16") ? 1 : 0;
        bool opaque = true;
        for (size_t i = 0; i < want.size(); i++) {
            ASSERT_LE(abs((int)want[i] - d.photo.rgba[i]), slack) << "byte " << i;
            opaque = opaque && (i % 4 != 3 || want[i] == 255);
        }
        EXPECT_EQ(d.photo.opaque != 0, opaque);
    }
}

TEST_F(Photo, JpegsFromCjpegDecodeCloseToTheirSource)
{
    if (!haveProgram("cjpeg"))
        GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
    struct Case {
        const char* opts;
        int w, h;
    } cases[] = {
        {"-quality 95", 64, 48},
        {"-quality 95 -progressive", 40, 72},
        {"-quality 95", 1, 1},
        {"-quality 95", 37, 1},  // sides that are not whole blocks
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.opts) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
        std::vector<uint8_t> src = gradient(c.w, c.h);
        Decoded d;
        decode(cjpeg(dir, c.w, c.h, src, false, c.opts), &d);
        ASSERT_TRUE(d.ok) << d.err;
        ASSERT_EQ(d.photo.width, c.w);
        ASSERT_EQ(d.photo.height, c.h);
        EXPECT_TRUE(d.photo.opaque);
        EXPECT_GT(psnr(src.data(), d.photo.rgba, src.size() / 4), c.w * c.h < 64 ? 28.0 : 33.0);
    }
    // The decoder may shrink while decoding, but never below the asked size.
    Decoded big;
    decode(cjpeg(dir, 200, 120, gradient(200, 120), false, "-quality 90"), &big, 60, 20);
    ASSERT_TRUE(big.ok) << big.err;
    EXPECT_EQ(big.photo.width, 75);  // 3/8 keeps 75 >= 60; 2/8 would give 50
    EXPECT_EQ(big.photo.height, 45);
}

TEST_F(Photo, CmykJpegsTurnIntoTheColoursOfTheirInks)
{
    // Left half pure cyan ink, right half magenta plus half black.
    int w = 16, h = 8;
    std::vector<uint8_t> inks;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            if (x < w / 2)
                inks.insert(inks.end(), {255, 0, 0, 0});
            else
                inks.insert(inks.end(), {0, 255, 0, 128});
    for (bool adobe : {true, false}) {
        SCOPED_TRACE(adobe ? "Adobe marker" : "plain");
        Decoded d;
        decode(encodeCmyk(w, h, inks, adobe), &d);
        ASSERT_TRUE(d.ok) << d.err;
        const uint8_t* left = d.photo.rgba + (4 * w + 2) * 4;
        const uint8_t* right = d.photo.rgba + (4 * w + 13) * 4;
        EXPECT_NEAR(left[0], 0, 6);
        EXPECT_NEAR(left[1], 255, 6);
        EXPECT_NEAR(left[2], 255, 6);
        EXPECT_NEAR(right[0], 127, 6);
        EXPECT_NEAR(right[1], 0, 6);
        EXPECT_NEAR(right[2], 127, 6);
        EXPECT_EQ(right[3], 255);
    }
}

TEST_F(Photo, DamagedFilesAndBombsFailClearlyWithoutLargeAllocations)
{
    ASSERT_EQ(system(("python3 '" TOBEX_SOURCE_DIR "/tests/gfx/make_pngs.py' '" + dir + "'").c_str()), 0);
    std::vector<uint8_t> png = readFile("rgb8.png");
    std::vector<uint8_t> jpg = encodeCmyk(64, 64, std::vector<uint8_t>(64 * 64 * 4, 90), false);
    auto setBe32 = [](std::vector<uint8_t> f, size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            f[at + (size_t)i] = (uint8_t)(v >> (24 - 8 * i));
        uLong crc = crc32(0, f.data() + 12, 17);  // IHDR type and data
        for (int i = 0; i < 4; i++)
            f[29 + (size_t)i] = (uint8_t)(crc >> (24 - 8 * i));
        return f;
    };
    // The SOF marker's height and width words, patched.
    auto jpegSized = [&](uint16_t w, uint16_t h) {
        std::vector<uint8_t> f = jpg;
        for (size_t i = 2; i + 9 < f.size(); i++)
            if (f[i] == 0xFF && (f[i + 1] == 0xC0 || f[i + 1] == 0xC1)) {
                f[i + 5] = (uint8_t)(h >> 8), f[i + 6] = (uint8_t)h;
                f[i + 7] = (uint8_t)(w >> 8), f[i + 8] = (uint8_t)w;
                break;
            }
        return f;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* reason;  // a word the reason must hold, or null
    } cases[] = {
        {"empty", {}, "not a PNG or JPEG"},
        {"png signature only", std::vector<uint8_t>(png.begin(), png.begin() + 8), nullptr},
        {"png cut in its pixels", std::vector<uint8_t>(png.begin(), png.end() - 24), nullptr},
        {"png over 100 megapixels", setBe32(setBe32(png, 16, 20000), 20, 20000), "100 megapixels"},
        {"png tiny file, huge picture", setBe32(setBe32(png, 16, 9000), 20, 9000), "bytes can hold"},
        {"jpeg cut in half", std::vector<uint8_t>(jpg.begin(), jpg.begin() + (long)jpg.size() / 2),
         "truncated"},
        {"jpeg cut after its header", std::vector<uint8_t>(jpg.begin(), jpg.begin() + 3), nullptr},
        {"jpeg over 100 megapixels", jpegSized(60000, 60000), "100 megapixels"},
        {"jpeg tiny file, huge picture", jpegSized(9000, 9000), "bytes can hold"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemStats before, after;
        memStats(&before);
        Decoded d;
        decode(c.bytes, &d);
        memStats(&after);
        EXPECT_FALSE(d.ok);
        EXPECT_EQ(d.photo.rgba, nullptr);
        EXPECT_NE(d.err[0], 0);
        if (c.reason) {
            EXPECT_NE(strstr(d.err, c.reason), nullptr) << d.err;
        }
        EXPECT_LT(after.peakBytes - before.liveBytes, 4u << 20);
        EXPECT_EQ(after.liveBytes, before.liveBytes);
    }
}

// The centre crop keeps the middle at the wanted aspect; the resampler averages
// when shrinking and keeps colours apart.
TEST_F(Photo, CentreCropAndResampling)
{
    struct Case {
        int w, h, aw, ah;
        RECT want;
    } cases[] = {
        {4000, 3000, 3, 4, {875, 0, 2250, 3000}},  // landscape to portrait: the middle columns
        {3000, 4000, 1, 1, {0, 500, 3000, 3000}},  // portrait to square: the middle rows
        {240, 320, 3, 4, {0, 0, 240, 320}},        // already the aspect
        {1000, 1, 3, 4, {499, 0, 1, 1}},           // one pixel high: one pixel, never zero
        {1, 1, 3, 4, {0, 0, 1, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(testutil::str(photoCentreCrop(c.w, c.h, c.aw, c.ah)), testutil::str(c.want));
    // A one-pixel checkerboard shrunk 8 times is even grey: no pixel is picked.
    PHOTO board = {64, 64, (uint8_t*)memAlloc(64 * 64 * 4), 1};
    for (int i = 0; i < 64 * 64; i++) {
        uint8_t v = ((i % 64) + (i / 64)) % 2 ? 255 : 0;
        memset(board.rgba + i * 4, v, 3);
        board.rgba[i * 4 + 3] = 255;
    }
    RECT all = {0, 0, 64, 64};
    PHOTO small = {};
    ASSERT_TRUE(photoResample(&board, &all, 8, 8, &small));
    for (int i = 0; i < 8 * 8 * 4; i++)
        EXPECT_NEAR(small.rgba[i], i % 4 == 3 ? 255 : 128, 2) << i;
    photoFree(&small);
    // Fully transparent red beside opaque blue: the blue does not turn purple.
    for (int i = 0; i < 64 * 64; i++) {
        bool left = i % 64 < 32;
        uint8_t px[4] = {(uint8_t)(left ? 255 : 0), 0, (uint8_t)(left ? 0 : 255), (uint8_t)(left ? 0 : 255)};
        memcpy(board.rgba + i * 4, px, 4);
    }
    board.opaque = 0;
    ASSERT_TRUE(photoResample(&board, &all, 16, 16, &small));
    for (int i = 0; i < 16 * 16; i++)
        if (small.rgba[i * 4 + 3] > 8) {
            EXPECT_LE(small.rgba[i * 4], 3) << i;
        }
    photoFree(&small);
    RECT outside = {60, 0, 8, 8};
    EXPECT_FALSE(photoResample(&board, &outside, 4, 4, &small));
    photoFree(&board);
}
