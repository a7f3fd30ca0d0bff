// A pack the player makes from their own pictures, end to end through the real
// programs: `tobex makepack` turns a PNG and a JPEG into a pack in the player's
// data folder ($XDG_DATA_HOME/Tilvo-1/Packs/), and the game, run headless from a
// scratch copy with its data, lists it in the chooser after the pack beside the
// program, skips the damaged packs beside it with a log line, shows its
// thumbnails, plays its picture sliced onto the board and shows its full picture
// when solved. The screenshots are compared with the pack's own pictures.

#include <stdlib.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>

#include "gfx/image.h"
#include "gfx/photo.h"
#include "gfx/photo_helpers.h"
#include "vfs/archive.h"
#include "vfs/vfs.h"

namespace {

constexpr int kBoardY = 80;  // the board's viewport on the game screen
constexpr int kSlice = 60;   // 240 x 240 board of 4 x 4 slices

std::string be32(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// An 8-bit RGB PNG written with zlib alone, independent of the decoder under test.
std::string png(int w, int h, const std::vector<uint8_t>& rgba)
{
    std::string raw;
    for (int y = 0; y < h; y++) {
        raw += '\0';
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++)
                raw += char(rgba[size_t(y * w + x) * 4 + size_t(c)]);
    }
    uLongf n = compressBound(uLong(raw.size()));
    std::string z(n, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), 9);
    z.resize(n);
    auto chunk = [](const std::string& type, const std::string& data) {
        std::string body = type + data;
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
        return be32(uint32_t(data.size())) + body + be32(crc);
    };
    std::string ihdr = be32(uint32_t(w)) + be32(uint32_t(h)) + std::string("\x08\x02\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", z) + chunk("IEND", "");
}

// A picture with detail everywhere (a gradient under fine ripples), so a slice
// drawn a pixel off its place no longer matches.
std::vector<uint8_t> detailed(int w, int h)
{
    std::vector<uint8_t> px = gradient(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++) {
                uint8_t& v = px[size_t(y * w + x) * 4 + size_t(c)];
                v = uint8_t(std::clamp(v + int(60 * sin(x * 0.8 + c) * sin(y * 0.6)), 0, 255));
            }
    return px;
}

// Pixels of a w x h block of the screenshot at (sx, sy) that differ from the
// block of pic at (px, py) by more than the screen's 16-bit colour explains.
int mismatches(const SURFACE* shot, int sx, int sy, const SURFACE* pic, int px, int py, int w, int h)
{
    int bad = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint32_t a = sfGetPixel(shot, sx + x, sy + y), b = sfGetPixel(pic, px + x, py + y);
            for (int shift : {0, 8, 16})
                if (abs(int(a >> shift & 255) - int(b >> shift & 255)) > 8) {
                    bad++;
                    break;
                }
        }
    return bad;
}

}

class UserPacks : public GfxTest {
protected:
    std::string game = TOBEX_BIN_DIR "/../game/";
    std::string userPacks;  // the player's pack folder

    void SetUp() override
    {
        GfxTest::SetUp();
        namespace fs = std::filesystem;
        // A scratch copy of the game beside its data (the program finds its folder
        // through its own file, so it is copied, not linked).
        fs::create_directories(dir + "prog/Packs");
        fs::copy_file(game + "tilvo", dir + "prog/tilvo");
        fs::create_symlink(game + "Tilvo.pak", dir + "prog/Tilvo.pak");
        userPacks = dir + "xdg/Tilvo-1/Packs/";
        fs::create_directories(userPacks);
        vfsInit();
    }

    void TearDown() override
    {
        vfsShutdown();
        GfxTest::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    // Runs the game headless with a script, 20 ms a frame; its exit status.
    int play(const std::string& script)
    {
        testutil::writeFile(dir + "script.txt", script);
        std::string cmd = "cd '" + dir + "' && XDG_DATA_HOME='" + dir + "xdg' HOME='" + dir +
                          "' SDL_VIDEODRIVER=dummy TOBEX_HEADLESS=1 TOBEX_FRAME_MS=20 "
                          "TOBEX_SCRIPT=script.txt prog/tilvo >game.out 2>&1";
        int status = system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string gameLog()
    {
        return testutil::readFile(dir + "prog/Tobex.log");
    }

    SURFACE* shot(const char* name)
    {
        return sfLoadPhoto(testutil::wide(dir + name).c_str(), PF_8888, nullptr, 0);
    }

    // Member name of the player's pack.
    SURFACE* member(const char16_t* name)
    {
        std::u16string pack = testutil::wide(userPacks + "Mine.zip");
        EXPECT_EQ(vfsMount(pack.c_str()), 1);
        SURFACE* s = sfLoadTGA(name, PF_8888, nullptr);
        vfsUnmount(pack.c_str());
        return s;
    }
};

TEST_F(UserPacks, PackMadeFromPhotosIsListedAndPlaysFromThePlayersFolder)
{
    if (!haveProgram("cjpeg"))
        GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
    testutil::writeFile(dir + "wide.png", png(300, 200, detailed(300, 200)));
    writeFile("tall.jpg", cjpeg(dir, 180, 260, detailed(180, 260), false, "-quality 95"));
    // The sizes come from the game's own data, found beside tobex in the build.
    testutil::ToolRun made = testutil::runTobex(dir, "makepack " + userPacks + "Mine.zip wide.png tall.jpg");
    ASSERT_EQ(made.status, 0) << made.out;
    EXPECT_NE(made.out.find("(Image 240 x 240, Thumb 60 x 60, Full 240 x 320)"), std::string::npos)
        << made.out;
    // The pack beside the program: the same pictures the other way round.
    ASSERT_EQ(testutil::runTobex(dir, "makepack prog/Packs/Other.zip tall.jpg wide.png").status, 0);
    // Beside the player's pack, a pack cut short, a text file named like a pack and an archive
    // without pictures.
    std::string whole = testutil::readFile(userPacks + "Mine.zip");
    testutil::writeFile(userPacks + "Broken.zip", whole.substr(0, whole.size() / 2));
    testutil::writeFile(userPacks + "Notes.pak", "not a pack\n");
    std::filesystem::create_directories(dir + "words");
    testutil::writeFile(dir + "words/Readme.txt", "no pictures here\n");
    ASSERT_EQ(testutil::runTobex(dir, "pack " + userPacks + "Words.zip words").status, 0);

    // First run: the chooser, where the player's pack comes after the program's
    // Other.zip (index 1, remembered in the preferences), then a new game of its
    // first picture; quitting keeps the game.
    testutil::writeFile(dir + "prog/TilvoPrefs.w", "TOBT\n\nPrefs\ncurrentPackID\t1\n");
    ASSERT_EQ(play("500 tap-control 121\n1000 tap-control 133\n1500 shot chooser.png\n"
                   "2000 tap-control 145\n2500 shot game.png\n3000 quit\n"),
              0)
        << testutil::readFile(dir + "game.out");
    std::string log = gameLog();
    EXPECT_NE(
        log.find("listPacks: pack skipped, it is not a readable ZIP archive: " + userPacks + "Broken.zip"),
        std::string::npos)
        << log;
    EXPECT_NE(
        log.find("listPacks: pack skipped, it is not a readable ZIP archive: " + userPacks + "Notes.pak"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("listPacks: pack skipped, it holds no picture (Image0.tga .. Image5.tga): " +
                       userPacks + "Words.zip"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Memory leaks"), std::string::npos) << log;

    SURFACE* chooser = shot("chooser.png");
    SURFACE* game = shot("game.png");
    SURFACE* thumb0 = member(u"Thumb0.tga");
    SURFACE* thumb1 = member(u"Thumb1.tga");
    ASSERT_TRUE(chooser && game && thumb0 && thumb1);
    // The chooser's first two pack slots show the pack's thumbnails (inside a
    // two-pixel margin that a focus frame may cover); the third slot is hidden.
    EXPECT_EQ(mismatches(chooser, 15 + 2, 114 + 2, thumb0, 2, 2, 56, 56), 0);
    EXPECT_EQ(mismatches(chooser, 90 + 2, 114 + 2, thumb1, 2, 2, 56, 56), 0);
    EXPECT_GT(mismatches(chooser, 165 + 2, 114 + 2, thumb1, 2, 2, 56, 56), 56 * 56 / 2);
    // The game screen's preview is the thumbnail of the chosen picture.
    EXPECT_EQ(mismatches(game, 4, 4, thumb0, 0, 0, 60, 60), 0);
    std::string saved = testutil::runTobex(dir, "world cat prog/TilvoPrefs.w").out;
    EXPECT_NE(saved.find("currentPack\t" + userPacks + "Mine.zip"), std::string::npos) << saved;
    EXPECT_NE(saved.find("savedPos\t"), std::string::npos) << saved;
    for (SURFACE* s : {chooser, game, thumb0, thumb1})
        sfDestroy(s);

    // Second run: continue a board one move from solved (node 14 empty, slice 14
    // on node 15), slide the last piece with a key and see the full picture.
    testutil::writeFile(dir + "prog/TilvoPrefs.w", "TOBT\n\nPrefs\ncurrentPack\t" + userPacks +
                                                       "Mine.zip\ncurrentPackID\t1\n"
                                                       "savedPos\t0 1 2 3 4 5 6 7 8 9 10 11 12 13 -1 14\n");
    ASSERT_EQ(play("500 tap-control 121\n1000 tap-control 132\n1500 shot board.png\n2000 key tap LEFT\n"
                   "3000 shot solved.png\n3500 quit\n"),
              0)
        << testutil::readFile(dir + "game.out");
    EXPECT_NE(gameLog().find("Solved in (ms)"), std::string::npos) << gameLog();
    SURFACE* board = shot("board.png");
    SURFACE* solved = shot("solved.png");
    SURFACE* image = member(u"Image0.tga");
    SURFACE* full = member(u"Full0.tga");
    ASSERT_TRUE(board && solved && image && full);
    // Every slice sits on its node, exactly; slice 14 waits on node 15.
    for (int k = 0; k < 16; k++) {
        if (k == 14)
            continue;
        int slice = k == 15 ? 14 : k;
        SCOPED_TRACE("node " + std::to_string(k));
        EXPECT_EQ(mismatches(board, k % 4 * kSlice, kBoardY + k / 4 * kSlice, image, slice % 4 * kSlice,
                             slice / 4 * kSlice, kSlice, kSlice),
                  0);
    }
    // Solved: the full picture fills the screen; below the panel nothing covers it.
    EXPECT_EQ(mismatches(solved, 0, kBoardY, full, 0, kBoardY, 240, 320 - kBoardY), 0);
    for (SURFACE* s : {board, solved, image, full})
        sfDestroy(s);
}
