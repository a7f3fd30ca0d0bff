// tobex makepack run as a program: photos of odd shapes become a pack whose
// pictures have the sizes of the game's data and show the middle of each photo;
// a bad picture is named and leaves nothing behind. Also tobex image on photos.

#include <sys/stat.h>

#include "gfx/image.h"
#include "photo_helpers.h"
#include "test_util.h"
#include "vfs/archive.h"
#include "vfs/vfs.h"

namespace {

struct Rgb {
    int r, g, b;
};

Rgb at(const SURFACE* s, int x, int y)
{
    uint32_t v = sfGetPixel(s, x, y);
    return {(int)(v >> 16 & 255), (int)(v >> 8 & 255), (int)(v & 255)};
}

bool near(Rgb c, Rgb want, int slack)
{
    return abs(c.r - want.r) <= slack && abs(c.g - want.g) <= slack && abs(c.b - want.b) <= slack;
}

int countNear(const SURFACE* s, Rgb want, int slack)
{
    int n = 0;
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++)
            n += near(at(s, x, y), want, slack);
    return n;
}
}

class Makepack : public GfxTest {
protected:
    void SetUp() override
    {
        GfxTest::SetUp();
        // The game's data as makepack reads it: a 30 x 40 puzzle picture, 10 x 8
        // thumbnails and a 36 x 48 screen.
        ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir + "/data/Graphics").c_str(), 0755), 0);
        auto grey = [](int, int) { return 0x808080u; };
        testutil::writeFile(dir + "/data/Graphics/Def0.tga", testutil::tga(30, 40, grey));
        testutil::writeFile(dir + "/data/Graphics/Thumb0.tga", testutil::tga(10, 8, grey));
        testutil::writeFile(dir + "/data/main.w", "TOBT\n\nWorld\nname\tMain\nobjs\t1\n\n"
                                                  "WorldViewport\nname\tvpMain\nvp\t0 0 36 48\n");
        ASSERT_EQ(testutil::runTobex(dir, "pack game.pak data").status, 0);
        ASSERT_EQ(system(("python3 '" TOBEX_SOURCE_DIR "/tests/gfx/make_pngs.py' '" + dir + "'").c_str()), 0);
        vfsInit();
    }

    void TearDown() override
    {
        vfsShutdown();
        GfxTest::TearDown();
    }

    testutil::ToolRun makepack(const std::string& args)
    {
        return testutil::runTobex(dir, "makepack --data game.pak " + args);
    }

    SURFACE* member(const std::string& pack, const char16_t* name)
    {
        std::u16string path = testutil::wide(dir + pack);
        if (vfsMount(path.c_str()) != 1)
            return nullptr;
        SURFACE* s = sfLoadTGA(name, 0, nullptr);
        vfsUnmount(path.c_str());
        return s;
    }

    bool leftovers()
    {
        return system(("ls '" + dir + "' | grep -q part").c_str()) == 0;
    }
};

TEST_F(Makepack, OddShapesBecomeCentredPicturesOfTheGamesSizes)
{
    if (!haveProgram("cjpeg"))
        GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
    // 0: a landscape JPEG in three bands, red | green | blue.
    std::vector<uint8_t> bands;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 96; x++)
            bands.insert(bands.end(), {(uint8_t)(x < 32 ? 255 : 0), (uint8_t)(x / 32 == 1 ? 255 : 0),
                                       (uint8_t)(x >= 64 ? 255 : 0), 255});
    writeFile("landscape.jpg", cjpeg(dir, 96, 32, bands, false, "-quality 95 -sample 1x1"));
    // 3: a magenta TGA.
    testutil::writeFile(dir + "/magenta.tga", testutil::tga(8, 8, [](int, int) { return 0xFF00FFu; }));

    testutil::ToolRun r = makepack("--title Odd odd.zip landscape.jpg bands_portrait16.png "
                                   "dot_palette_trns.png magenta.tga");
    ASSERT_EQ(r.status, 0) << r.out;

    struct Want {
        const char16_t* name;
        int w, h;
        Rgb colour;
        int pixels;  // how many pixels must show that colour (the rest lie near a crop edge)
    } wants[] = {
        // Landscape cut to 3:4: only the green middle band remains.
        {u"Image0.tga", 30, 40, {0, 255, 0}, 30 * 40},
        {u"Thumb0.tga", 10, 8, {0, 255, 0}, 5 * 8},  // 5:4 keeps some red and blue at the sides
        // Portrait cut to 3:4 keeps a few red rows at the top and blue at the bottom; 5:4 only green.
        {u"Image1.tga", 30, 40, {0, 255, 0}, 30 * 28},
        {u"Thumb1.tga", 10, 8, {0, 255, 0}, 10 * 8},
        // Half-transparent green over black, at every size.
        {u"Image2.tga", 30, 40, {0, 128, 0}, 30 * 40},
        {u"Image3.tga", 30, 40, {255, 0, 255}, 30 * 40},
    };
    for (const Want& w : wants) {
        SCOPED_TRACE(testutil::narrow(w.name));
        SURFACE* s = member("odd.zip", w.name);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->width, w.w);
        EXPECT_EQ(s->height, w.h);
        EXPECT_TRUE(near(at(s, w.w / 2, w.h / 2), w.colour, 12));
        EXPECT_GE(countNear(s, w.colour, 24), w.pixels);
        sfDestroy(s);
    }
    SURFACE* top = member("odd.zip", u"Image1.tga");
    ASSERT_NE(top, nullptr);
    EXPECT_GT(at(top, 15, 0).r, 200);  // the portrait's red band shows at the top
    EXPECT_GT(at(top, 15, 39).b, 200);
    sfDestroy(top);
    vfsMount(testutil::wide(dir + "odd.zip").c_str());
    char title[16] = {};
    VFile* f = vfsOpen(u"Title.txt");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(vfsRead(f, title, sizeof title - 1), 4);
    EXPECT_STREQ(title, "Odd\n");
    vfsClose(f);
}

TEST_F(Makepack, ABadPictureIsNamedAndLeavesNothingBehind)
{
    std::vector<uint8_t> png = readFile("rgb8.png");
    writeFile("half.png", std::vector<uint8_t>(png.begin(), png.begin() + (long)png.size() / 2));
    writeFile("notes.jpg", {'h', 'e', 'l', 'l', 'o'});
    writeFile("old.zip", {'o', 'l', 'd'});
    struct Case {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {"old.zip rgb8.png half.png", 1, "cannot use picture half.png: "},
        {"old.zip notes.jpg", 1, "cannot use picture notes.jpg: not a PNG, JPEG or TGA picture"},
        {"old.zip missing.png", 1, "cannot use picture missing.png: cannot be read"},
        {"old.zip a.png b.png c.png d.png e.png f.png g.png", 2, "at most 6 pictures, 7 given"},
        {"old.zip", 2, "usage: tobex makepack"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        testutil::ToolRun r = makepack(c.args);
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        EXPECT_EQ(testutil::readFile(dir + "old.zip"), "old");
        EXPECT_FALSE(leftovers());
    }
    testutil::ToolRun r = testutil::runTobex(dir, "makepack --data rgb8.png new.zip rgb8.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("--data"), std::string::npos) << r.out;
    EXPECT_FALSE(testutil::readFile(dir + "/new.zip").size());
}

TEST_F(Makepack, ImageToolReadsAndConvertsPhotos)
{
    // The kind comes from the bytes: a PNG named .jpg still loads.
    writeFile("palette.jpg", readFile("palette8_trns.png"));
    testutil::ToolRun r = testutil::runTobex(dir, "image info palette.jpg");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("format:       8888"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("size:         9 x 4"), std::string::npos);
    ASSERT_EQ(testutil::runTobex(dir, "image convert palette.jpg out.tga").status, 0);
    SURFACE* s = sfLoadTGA(u"out.tga", 0, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(sfGetPixel(s, 1, 0), 0x8000FF00u);  // index 1: green at alpha 128
    sfDestroy(s);
    writeFile("cut.png", std::vector<uint8_t>(40, 0x89));
    r = testutil::runTobex(dir, "image info cut.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("tobex image: cannot read cut.png: not a PNG or JPEG picture"), std::string::npos)
        << r.out;
}
