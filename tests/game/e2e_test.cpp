// End-to-end runs of the game: the built program folder (tilvo, Tilvo.pak,
// Packs/) and the pattern databases are copied to a fresh folder, which also
// shows it can be moved, and played headless on the virtual clock by scripts of
// taps and keys. What the runs did is read back from the log, the saved
// preferences (through `tobex world cat`) and the screenshots.
//
// With TOBEX_SHOTS set to a folder, the screenshots of the runs are copied
// there (scripts/screenshots.sh makes docs/ from them).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "gfx/image.h"
#include "gfx/photo_helpers.h"
#include "solver/solver_util.h"
#include "test_util.h"
#include "vfs/archive.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFrameMs = 20;
const std::string kGameDir = TOBEX_BIN_DIR "/../game/";

struct GameRun {
    int status;
    std::string out;  // standard output and error
    std::string log;  // Tobex.log of the run
};

// The nodes the hole moves to, one per move, on a shortest solution of a saved
// position (-1 for the hole).
std::vector<int> solve(const std::vector<int>& pos)
{
    solvertest::Board board(solvertest::grid(4, 4));
    std::vector<int32_t> moves(128);
    const SolverResult r = solverSolve(board.get(), pos.data(), nullptr, moves.data(), 128);
    EXPECT_EQ(r.status, SOLVER_SOLVED) << r.message;
    return std::vector<int>(moves.begin(), moves.begin() + std::max(r.nMoves, 0));
}

int holeOf(const std::vector<int>& pos)
{
    return int(std::find(pos.begin(), pos.end(), -1) - pos.begin());
}

// The key that slides the piece on node `to` into the hole ("UP" moves the
// piece below the hole up).
std::string keyFor(int hole, int to)
{
    return to == hole + 4 ? "UP" : to == hole - 4 ? "DOWN" : to == hole + 1 ? "LEFT" : "RIGHT";
}

// A script line: the event at t ms.
std::string at(int t, const std::string& event)
{
    return std::to_string(t) + " " + event + "\n";
}

// The screen point at the middle of node k, as "x y".
std::string nodeAt(int k)
{
    return std::to_string(k % 4 * 60 + 30) + " " + std::to_string(80 + k / 4 * 60 + 30);
}

// ---- Reading what a run left ------------------------------------------------------------------

std::map<std::string, std::string> parseWorldText(const std::string& text)
{
    std::map<std::string, std::string> props;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (size_t tab = line.find('\t'); tab != std::string::npos)
            props[line.substr(0, tab)] = line.substr(tab + 1);
    return props;
}

std::vector<int> ints(const std::string& s)
{
    std::vector<int> v;
    std::istringstream in(s);
    for (int x; in >> x;)
        v.push_back(x);
    return v;
}

size_t countOf(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

using testutil::Shot;

// ---- Pictures of the player's own pack ------------------------------------------------------------

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

// A picture of a pack, read through the VFS.
Shot member(const std::string& pack, const char16_t* name)
{
    Shot r;
    vfsInit();
    const std::u16string p = testutil::wide(pack);
    EXPECT_EQ(vfsMount(p.c_str()), 1);
    if (SURFACE* s = sfLoadTGA(name, PF_8888, nullptr)) {
        r.w = s->width;
        r.h = s->height;
        for (int y = 0; y < r.h; y++)
            for (int x = 0; x < r.w; x++)
                r.px.push_back(pfOps(s->format)->toRGB(sfGetPixel(s, x, y)) & 0xFFFFFF);
        sfDestroy(s);
    }
    vfsShutdown();
    return r;
}

// Pixels of a w x h block of shot at (sx, sy) that differ from the block of pic
// at (px, py) by more than the screen's 16-bit colour explains.
int mismatches(const Shot& shot, int sx, int sy, const Shot& pic, int px, int py, int w, int h)
{
    if (shot.w < sx + w || shot.h < sy + h || pic.w < px + w || pic.h < py + h)
        return w * h;
    int bad = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint32_t a = shot.at(sx + x, sy + y), b = pic.at(px + x, py + y);
            bad += abs(int(a & 255) - int(b & 255)) > 8 || abs(int(a >> 8 & 255) - int(b >> 8 & 255)) > 8 ||
                   abs(int(a >> 16) - int(b >> 16)) > 8;
        }
    return bad;
}

}

class GameE2E : public testing::Test {
protected:
    std::string work;  // scripts, screenshots and the copied program folder
    std::string dir;   // the copied program folder

    void SetUp() override
    {
        if (!fs::exists(kGameDir + "tilvo") || !fs::exists(kGameDir + "Tilvo.pak"))
            GTEST_SKIP() << "the game is not built";
        // The 4 x 4 pattern databases, built once per checkout: for the
        // scripts' solutions, and beside the copied program for its hints.
        solvertest::useTestCache();
        ASSERT_GE(solverPrepare(), 0);
        work = testutil::makeTempDir();
        dir = work + "Tilvo-1 copy/";
        fs::create_directories(dir + "Packs");
        for (const char* f : {"tilvo", "Tilvo.pak", "README.md"})
            fs::copy_file(kGameDir + f, dir + f);
        fs::copy_file(solvertest::cacheHome() + "/TobexApp/tobex-solver-663.pdb",
                      dir + "tobex-solver-663.pdb");
        for (const auto& e : fs::directory_iterator(kGameDir + "Packs"))
            fs::copy_file(e.path(), dir + "Packs/" + e.path().filename().string());
    }

    void TearDown() override
    {
        std::error_code ignored;
        if (!work.empty())
            fs::remove_all(work, ignored);
    }

    // Runs the copied game on a script, from another folder and with no display.
    GameRun run(const std::string& script, const std::string& name)
    {
        testutil::writeFile(work + name + ".txt", script);
        testutil::ToolRun t =
            testutil::runIn(work, "env -u DISPLAY -u WAYLAND_DISPLAY -u TOBEX_HEADLESS TOBEX_FRAME_MS=" +
                                      std::to_string(kFrameMs) + " TOBEX_FRAMES=20000 XDG_DATA_HOME='" +
                                      work + "xdg' TOBEX_SCRIPT='" + name + ".txt' '" + dir + "tilvo'");
        GameRun r = {t.status, t.out, ""};
        r.log = testutil::readFile(dir + "Tobex.log");
        EXPECT_NE(r.out.find("No display found: running headless"), std::string::npos) << r.out;
        // No reference in the data may fail to resolve (the screens name the
        // main World's fonts).
        EXPECT_EQ(r.log.find("not found"), std::string::npos) << r.log;
        keepShots();
        return r;
    }

    // Copies the screenshots to $TOBEX_SHOTS when it is set.
    void keepShots()
    {
        const char* to = getenv("TOBEX_SHOTS");
        if (!to || !*to)
            return;
        for (const auto& e : fs::directory_iterator(work))
            if (e.path().extension() == ".png")
                fs::copy_file(e.path(), std::string(to) + "/" + e.path().filename().string(),
                              fs::copy_options::overwrite_existing);
    }

    std::map<std::string, std::string> prefs()
    {
        testutil::ToolRun r = testutil::runTobex(dir, "world cat TilvoPrefs.w");
        EXPECT_EQ(r.status, 0) << r.out;
        return parseWorldText(r.out);
    }

    Shot shot(const std::string& name)
    {
        return testutil::decodeShot(testutil::readFile(work + name));
    }

    // Intro, then the menu (screenshots of both); the script goes on at 400 ms.
    static std::string toMenu()
    {
        return "100 shot intro.png\n200 tap-control 121\n300 shot menu.png\n";
    }

    // The moves that solve the saved position, from *t on, one every 200 ms:
    // the first by a pen tap on the piece, the rest by key. Two mistakes must
    // change nothing: a tap on a piece away from the hole before the first
    // move, and a key that would slide the first piece back while it slides.
    static std::string solveScript(const std::vector<int>& saved, int* t)
    {
        int hole = holeOf(saved), away = 0;
        while (abs(away % 4 - hole % 4) + abs(away / 4 - hole / 4) < 2)
            away++;
        const std::vector<int> path = solve(saved);
        std::string s = at(*t, "pen tap " + nodeAt(away));
        for (size_t i = 0; i < path.size(); i++) {
            *t += 200;
            if (i == 0)
                s += at(*t, "pen tap " + nodeAt(path[i])) +
                     at(*t + 2 * kFrameMs, "key tap " + keyFor(path[i], hole));
            else
                s += at(*t, "key tap " + keyFor(hole, path[i]));
            hole = path[i];
        }
        *t += 200;
        return s;
    }

    static bool has(const GameRun& r, const std::string& text)
    {
        return r.log.find(text) != std::string::npos;
    }
};

// start -> intro -> menu -> new game -> quit, keeping the board -> Continue
// after a restart: the same board, its time going on, slides, undos and a hint
// -> leaving by the menu gives the board up -> twice from no preferences: a new
// game (the same board again), a hint shown, solved with the pen and keys, the
// whole picture and a new best time, Continue with nothing saved, the goodbye
// screen, its advert and quit, every screenshot the same both times.
TEST_F(GameE2E, BoardsAreKeptUndoneHintedAndSolvedTheSameEveryRun)
{
    GameRun keep = run(toMenu() + "400 tap-control 131\n700 shot game.png\n1400 key tap ESCAPE\n", "keep");
    ASSERT_EQ(keep.status, 0) << keep.out;
    std::map<std::string, std::string> kept = prefs();
    const std::vector<int> pos = ints(kept["savedPos"]);
    ASSERT_EQ(pos.size(), 16u);
    const long played = atol(kept["savedTime"].c_str());
    EXPECT_GE(played, 900);
    const Shot game = shot("game.png");

    // Five slides by key, then seven undos by key and one by the on-screen
    // button take the board back (the undos beyond the start only sound the
    // error). A slide by the pen, then a hint pressed while it animates: the
    // hint waits for the slide and answers for the position after it, and the
    // second press moves the piece it showed.
    std::string script = toMenu() + "400 tap-control 132\n700 shot continued.png\n";
    int t = 800;
    for (const char* key : {"UP", "LEFT", "DOWN", "DOWN", "RIGHT"}) {
        script += at(t, std::string("key tap ") + key);
        t += 200;
    }
    script += at(t, "shot slid.png");
    for (int i = 0; i < 8; i++, t += 200)
        script += at(t + 100, i < 7 ? "key tap U" : "tap-control 162");
    const int hole = holeOf(pos), to = hole % 4 < 3 ? hole + 1 : hole - 1;
    std::vector<int> slid = pos;
    std::swap(slid[size_t(hole)], slid[size_t(to)]);
    script += at(t, "shot undone.png") + at(t + 100, "pen tap " + nodeAt(to)) +
              at(t + 100 + 2 * kFrameMs, "key tap H") + at(t + 1000, "key tap H") +
              at(t + 1500, "key tap ESCAPE");
    GameRun cont = run(script, "continue");
    ASSERT_EQ(cont.status, 0) << cont.out;
    EXPECT_TRUE(shot("continued.png").rowsEqual(game, 80, 320));  // the same board
    EXPECT_FALSE(shot("slid.png").rowsEqual(game, 80, 320));
    EXPECT_TRUE(shot("undone.png").rowsEqual(game, 80, 320));
    EXPECT_EQ(countOf(cont.log, "Command 162"), 8u);
    std::map<std::string, std::string> again = prefs();
    EXPECT_EQ(solve(ints(again["savedPos"])).size() + 1, solve(slid).size()) << cont.log;
    EXPECT_GE(atol(again["savedTime"].c_str()), played + 900);  // the timer went on

    // Continue, ask to leave, play on, then leave by the menu: the board is
    // given up. The menu's help opens the README beside the program.
    GameRun leave = run(toMenu() + "400 tap-control 132\n700 tap-control 114\n900 shot msgbox.png\n"
                                   "1000 tap-control 102\n1200 tap-control 114\n1400 tap-control 101\n"
                                   "1600 tap-control 151\n1700 quit\n",
                        "leave");
    ASSERT_EQ(leave.status, 0) << leave.out;
    EXPECT_EQ(countOf(leave.log, "Screen MsgBox"), 2u);
    EXPECT_TRUE(has(leave, "Opening file://" + dir + "README.md"));
    EXPECT_TRUE(ints(prefs()["savedPos"]).empty());

    t = 1200;
    script = toMenu() + "400 tap-control 131\n700 shot game.png\n800 key tap H\n1000 shot hint.png\n" +
             solveScript(pos, &t);
    script += at(t + 200, "shot solved.png");
    script += at(t + 300, "tap-control 114");  // the whole picture: back to the menu
    script += at(t + 500, "tap-control 132");  // Continue: nothing saved
    script += at(t + 700, "tap-control 134");  // Quit: the goodbye screen
    script += at(t + 900, "shot outro.png");
    script += at(t + 1000, "tap-control 122");  // the first press: an advert
    script += at(t + 1200, "shot advert.png");
    script += at(t + 1300, "tap-control 123");  // the second press quits
    script += at(t + 5000, "shot never.png");
    std::vector<Shot> shots[2];
    const char* names[] = {"intro.png",  "menu.png",  "game.png",  "hint.png",
                           "solved.png", "outro.png", "advert.png"};
    for (int pass = 0; pass < 2; pass++) {
        fs::remove(dir + "TilvoPrefs.w");
        GameRun r = run(script, "solve");
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_TRUE(has(r, "Solved in (ms): ")) << r.log;
        EXPECT_TRUE(has(r, "A new best time"));
        EXPECT_TRUE(has(r, "Hint: node "));
        EXPECT_EQ(countOf(r.log, "Screen ScrGame"), 1u);  // Continue with nothing saved stayed on the menu
        EXPECT_TRUE(has(r, "Command 122"));
        EXPECT_TRUE(has(r, "Command 123"));
        EXPECT_FALSE(fs::exists(work + "never.png"));  // the program ended at the second press
        std::map<std::string, std::string> p = prefs();
        EXPECT_EQ(p.count("savedPos"), 0u);  // nothing to continue after a solved game
        const size_t at = r.log.find("Solved in (ms): ");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(p["besttime"], std::to_string(atol(r.log.c_str() + at + 16)));
        for (const char* n : names)
            shots[pass].push_back(shot(n));
    }
    for (size_t i = 0; i < shots[0].size(); i++) {
        ASSERT_EQ(shots[0][i].w, 240) << names[i];
        EXPECT_EQ(shots[0][i].px, shots[1][i].px) << names[i] << " differs between two runs";
    }
    const Shot &menu = shots[0][1], &solved = shots[0][4];
    EXPECT_EQ(shots[0][2].px, game.px);  // the same new board as the first run's
    // The menu's text stays inside the screen: its outer columns are background.
    EXPECT_EQ(menu.colours(0, 0, 3, 96), 1u);
    EXPECT_EQ(menu.colours(237, 0, 3, 96), 1u);
    // The empty node shows one flat colour, not what an earlier screen left.
    EXPECT_EQ(game.colours(hole % 4 * 60, 80 + hole / 4 * 60, 60, 60), 1u);
    // The new best time shows in red; the whole picture fills the board.
    int red = 0;
    for (int y = 0; y < 40; y++)
        for (int x = 60; x < 180; x++)
            red += (solved.at(x, y) >> 16) > 0xE0 && (solved.at(x, y) >> 8 & 0xFF) < 0x80;
    EXPECT_GT(red, 20);
    EXPECT_GT(solved.colours(0, 80, 240, 240), 200u);
    EXPECT_NE(shots[0][5].px, shots[0][6].px);  // the advert replaced the goodbye picture
}

// The chooser lists both packs and plays a pack picture; mute and volume are
// kept over restarts. Auto-solve stops at Escape and the board is kept where it
// stood; the hint key alone then solves it and the pack's full picture shows.
TEST_F(GameE2E, PackPictureIsChosenAutoSolvedInPartThenSolvedByHints)
{
    // The first pack, the next one by the bar's arrow, its fourth picture; then
    // mute, and the volume moved by the pen and keys.
    GameRun chooser = run(toMenu() + "400 tap-control 133\n700 shot choose.png\n800 pen tap 219 260\n"
                                     "1000 shot choose2.png\n1100 tap-control 148\n1400 shot pack.png\n"
                                     "1500 tap-control 116\n1600 tap-control 115\n1700 key tap RIGHT\n"
                                     "1800 key tap RIGHT\n2000 key tap ESCAPE\n",
                          "chooser");
    ASSERT_EQ(chooser.status, 0) << chooser.out;
    EXPECT_TRUE(has(chooser, "Command 140"));
    EXPECT_NE(shot("choose.png").px, shot("choose2.png").px);
    std::map<std::string, std::string> p = prefs();
    EXPECT_EQ(p["currentPack"], "Packs/Scenes.zip");
    EXPECT_EQ(p["currentPackID"], "1");
    EXPECT_EQ(p["currentImage"], "3");
    EXPECT_EQ(p["mute"], "1");
    ASSERT_TRUE(p.count("volume"));  // moved from the default 50
    const std::vector<int> packPos = ints(p["savedPos"]);
    ASSERT_EQ(packPos.size(), 16u);

    // Continue and auto-solve (S) for a second. Auto-solve chains its moves
    // and quitting waits for a slide to end, so Escape stops it first; the
    // second press quits and keeps the board where it stood.
    GameRun autoSolve = run(toMenu() + "400 tap-control 132\n600 shot continued-pack.png\n800 key tap S\n"
                                       "1800 key tap ESCAPE\n2300 key tap ESCAPE\n",
                            "auto-solve");
    ASSERT_EQ(autoSolve.status, 0) << autoSolve.out;
    EXPECT_TRUE(shot("continued-pack.png").rowsEqual(shot("pack.png"), 80, 320));
    const std::vector<int> stopped = ints(prefs()["savedPos"]);
    ASSERT_EQ(stopped.size(), 16u) << autoSolve.log;
    const size_t left = solve(stopped).size();
    EXPECT_GT(left, 0u);
    EXPECT_LT(left, solve(packPos).size());

    // Solved by the hint key alone, two presses a move (the first shows the
    // piece, the second moves it): the pack's full picture replaces the board's
    // pictures, so no empty node shows; quitting then keeps no board.
    std::string script = toMenu() + "400 tap-control 132\n";
    int t = 600;
    for (size_t i = 0; i < 2 * left + 10; i++, t += 300)
        script += at(t, "key tap H");
    GameRun solved =
        run(script + at(t, "shot solved-pack.png") + at(t + 100, "key tap ESCAPE"), "pack-solve");
    ASSERT_EQ(solved.status, 0) << solved.out;
    EXPECT_TRUE(has(solved, "Solved in (ms)")) << solved.log;
    EXPECT_TRUE(has(solved, "Showing the pack's full picture Full3.tga")) << solved.log;
    EXPECT_FALSE(has(solved, "Hint: no answer"));
    EXPECT_GE(countOf(solved.log, "Hint: node "), left);
    EXPECT_GT(shot("solved-pack.png").colours(180, 260, 60, 60), 1u);
    std::map<std::string, std::string> q = prefs();
    EXPECT_TRUE(ints(q["savedPos"]).empty());
    EXPECT_EQ(q["mute"], "1");
    EXPECT_EQ(q["volume"], p["volume"]);
    EXPECT_EQ(q["currentPack"], "Packs/Scenes.zip");
}

// A pack the player makes with `tobex makepack` from two photos, in their data
// folder ($XDG_DATA_HOME/Tilvo-1/Packs/): listed after the pack beside the
// program, the damaged packs beside it skipped with a log line, its thumbnails
// shown, its picture sliced onto the board and its full picture shown when
// solved, each compared with the pack's own pictures.
TEST_F(GameE2E, PackMadeFromPhotosIsListedAndPlaysFromThePlayersFolder)
{
    if (!haveProgram("cjpeg"))
        GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
    testutil::useFolder(work);
    const std::string userPacks = work + "xdg/Tilvo-1/Packs/", mine = userPacks + "Mine.zip";
    fs::create_directories(userPacks);
    fs::create_directories(work + "words");
    for (const auto& [name, w, h] : {std::tuple{"wide.jpg", 300, 200}, std::tuple{"tall.jpg", 180, 260}}) {
        const std::vector<uint8_t> jpeg = cjpeg(work, w, h, detailed(w, h), false, "-quality 95");
        testutil::writeFile(work + name, std::string(jpeg.begin(), jpeg.end()));
    }
    // The sizes come from the game's own data, found beside tobex in the build.
    testutil::ToolRun made = testutil::runTobex(work, "makepack " + mine + " wide.jpg tall.jpg");
    ASSERT_EQ(made.status, 0) << made.out;
    EXPECT_NE(made.out.find("(Image 240 x 240, Thumb 60 x 60, Full 240 x 320)"), std::string::npos)
        << made.out;
    // The only pack beside the program: the same pictures the other way round.
    fs::remove_all(dir + "Packs");
    fs::create_directories(dir + "Packs");
    ASSERT_EQ(testutil::runTobex(work, "makepack '" + dir + "Packs/Other.zip' tall.jpg wide.jpg").status, 0);
    // Beside the player's pack: a pack cut short, a text file named like a pack
    // and an archive without pictures.
    const std::string whole = testutil::readFile(mine);
    testutil::writeFile(userPacks + "Broken.zip", whole.substr(0, whole.size() / 2));
    testutil::writeFile(userPacks + "Notes.pak", "not a pack\n");
    testutil::writeFile(work + "words/Readme.txt", "no pictures here\n");
    ASSERT_EQ(testutil::runTobex(work, "pack " + userPacks + "Words.zip words").status, 0);

    // The intro left by a key; the chooser, where the player's pack comes after
    // Other.zip (index 1, remembered in the preferences), then a new game of its
    // first picture.
    testutil::writeFile(dir + "TilvoPrefs.w", "TOBT\n\nPrefs\ncurrentPackID\t1\n");
    GameRun first = run("500 key tap BUT.A\n1000 tap-control 133\n1500 shot chooser.png\n"
                        "2000 tap-control 145\n2500 shot game.png\n3000 quit\n",
                        "user-pack");
    ASSERT_EQ(first.status, 0) << first.out;
    const std::string skipped = "listPacks: pack skipped, it ";
    for (const std::string& why : {"is not a readable ZIP archive: " + userPacks + "Broken.zip",
                                   "is not a readable ZIP archive: " + userPacks + "Notes.pak",
                                   "holds no picture (Image0.tga .. Image5.tga): " + userPacks + "Words.zip"})
        EXPECT_TRUE(has(first, skipped + why)) << first.log;
    EXPECT_FALSE(has(first, "Memory leaks"));
    const Shot chooser = shot("chooser.png"), game = shot("game.png");
    const Shot thumb0 = member(mine, u"Thumb0.tga"), thumb1 = member(mine, u"Thumb1.tga");
    // The chooser's first two pack slots show the pack's thumbnails (inside a
    // two-pixel margin that a focus frame may cover); the third slot is hidden.
    EXPECT_EQ(mismatches(chooser, 15 + 2, 114 + 2, thumb0, 2, 2, 56, 56), 0);
    EXPECT_EQ(mismatches(chooser, 90 + 2, 114 + 2, thumb1, 2, 2, 56, 56), 0);
    EXPECT_GT(mismatches(chooser, 165 + 2, 114 + 2, thumb1, 2, 2, 56, 56), 56 * 56 / 2);
    // The game screen's preview is the thumbnail of the chosen picture.
    EXPECT_EQ(mismatches(game, 4, 4, thumb0, 0, 0, 60, 60), 0);
    std::map<std::string, std::string> p = prefs();
    EXPECT_EQ(p["currentPack"], mine);
    EXPECT_EQ(ints(p["savedPos"]).size(), 16u);

    // Continue a board one move from solved (node 14 empty, slice 14 on node
    // 15); UP finds no piece below the hole; slide the last piece with a key
    // and see the full picture.
    testutil::writeFile(dir + "TilvoPrefs.w", "TOBT\n\nPrefs\ncurrentPack\t" + mine +
                                                  "\ncurrentPackID\t1\n"
                                                  "savedPos\t0 1 2 3 4 5 6 7 8 9 10 11 12 13 -1 14\n");
    GameRun second = run(
        "500 tap-control 121\n1000 tap-control 132\n1500 shot board.png\n1800 key tap UP\n2000 key tap LEFT\n"
        "3000 shot solved-user.png\n3500 quit\n",
        "user-solve");
    ASSERT_EQ(second.status, 0) << second.out;
    EXPECT_TRUE(has(second, "Solved in (ms)")) << second.log;
    const Shot board = shot("board.png"), solved = shot("solved-user.png");
    const Shot image = member(mine, u"Image0.tga"), full = member(mine, u"Full0.tga");
    // Every slice sits on its node, exactly; slice 14 waits on node 15.
    for (int k = 0; k < 16; k++) {
        const int slice = k == 15 ? 14 : k;
        if (k == 14)
            continue;
        EXPECT_EQ(
            mismatches(board, k % 4 * 60, 80 + k / 4 * 60, image, slice % 4 * 60, slice / 4 * 60, 60, 60), 0)
            << "node " << k;
    }
    // Solved: the full picture fills the screen; below the panel nothing covers it.
    EXPECT_EQ(mismatches(solved, 0, 80, full, 0, 80, 240, 240), 0);
}
