// End-to-end runs of the game: the built program folder (tilvo, Tilvo.pak,
// Packs/) is copied to a fresh folder, which also shows it can be moved, and
// played headless on the virtual clock by scripts of taps and keys. What the
// runs did is read back from the log, the saved preferences (through
// `tobex world cat`) and the screenshots.
//
// With TOBEX_SHOTS set to a folder, the screenshots of the runs are copied
// there (scripts/screenshots.sh makes docs/ from them).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/photo.h"
#include "solver/solver.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFrameMs = 20;
const std::string kGameDir = TOBEX_BIN_DIR "/../game/";

struct GameRun {
    int status;
    std::string out;  // standard output and error
    std::string log;  // Tobex.log of the run
};

// The nodes the hole moves to, one per move, that solve the saved position
// (-1 for the hole). The solver is asked the reverse: from the goal to the
// position. With the hole off the corners that board is no plain grid, so the
// budgeted search answers in milliseconds without the 4 x 4 pattern tables.
std::vector<int> solve(std::vector<int> pos)
{
    std::vector<int> path;
    int hole = int(std::find(pos.begin(), pos.end(), -1) - pos.begin());
    if (hole % 4 % 3 == 0 && hole / 4 % 3 == 0) {  // a corner: one move out of it first
        path.push_back(hole % 4 ? hole - 1 : hole + 1);
        std::swap(pos[size_t(hole)], pos[size_t(path[0])]);
    }
    int32_t links[16][4], start[16];
    SolverNodeDesc nodes[16];
    for (int v = 0; v < 16; v++) {
        nodes[v] = {pos[size_t(v)] < 0 ? 15 : pos[size_t(v)], 0, links[v]};
        for (int to : {v - 4, v + 4, v % 4 ? v - 1 : -1, v % 4 < 3 ? v + 1 : -1})
            if (to >= 0 && to < 16)
                links[v][nodes[v].nLinks++] = to;
        start[v] = v < 15 ? v : -1;
    }
    SolverBoard* board = solverBoardCreate(nodes, 16, nullptr, 0);
    std::vector<int32_t> moves(4096);
    const SolverLimits limits = {.budgetMs = 20, .cancel = nullptr};
    const SolverResult r = solverSolve(board, start, &limits, moves.data(), int32_t(moves.size()));
    solverBoardDestroy(board);
    EXPECT_EQ(r.status, SOLVER_SOLVED) << r.message;
    for (int i = r.nMoves - 2; i >= 0; i--)
        path.push_back(moves[size_t(i)]);
    path.push_back(15);
    return path;
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

// A screenshot's pixels as 0xRRGGBB, decoded from its PNG.
struct Shot {
    int w = 0, h = 0;
    std::vector<uint32_t> px;

    uint32_t at(int x, int y) const
    {
        return px[size_t(y) * size_t(w) + size_t(x)];
    }
    // The distinct colours of a rectangle.
    size_t colours(int x0, int y0, int cw, int ch) const
    {
        std::vector<uint32_t> seen;
        for (int y = y0; y < y0 + ch; y++)
            for (int x = x0; x < x0 + cw; x++)
                if (std::find(seen.begin(), seen.end(), at(x, y)) == seen.end())
                    seen.push_back(at(x, y));
        return seen.size();
    }
    bool rowsEqual(const Shot& o, int y0, int y1) const
    {
        return w == o.w && h == o.h && y1 <= h &&
               std::equal(px.begin() + y0 * w, px.begin() + y1 * w, o.px.begin() + y0 * w);
    }
};

Shot decode(const std::string& png)
{
    Shot s;
    PHOTO p = {};
    char err[PHOTO_ERR_CAP];
    if (!photoDecode(reinterpret_cast<const uint8_t*>(png.data()), png.size(), 0, 0, &p, err, sizeof err))
        return s;
    s.w = p.width;
    s.h = p.height;
    for (int32_t i = 0; i < p.width * p.height; i++)
        s.px.push_back(uint32_t(p.rgba[i * 4]) << 16 | uint32_t(p.rgba[i * 4 + 1]) << 8 | p.rgba[i * 4 + 2]);
    photoFree(&p);
    return s;
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
        work = testutil::makeTempDir();
        dir = work + "Tilvo-1 copy/";
        fs::create_directories(dir + "Packs");
        for (const char* f : {"tilvo", "Tilvo.pak", "README.md"})
            fs::copy_file(kGameDir + f, dir + f);
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
        std::string cmd = "cd '" + work + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u TOBEX_HEADLESS " +
                          "TOBEX_FRAME_MS=" + std::to_string(kFrameMs) +
                          " TOBEX_FRAMES=20000 XDG_DATA_HOME='" + work + "xdg' TOBEX_SCRIPT='" + name +
                          ".txt' '" + dir + "tilvo' 2>&1";
        GameRun r = {-1, "", ""};
        if (FILE* p = popen(cmd.c_str(), "r")) {
            char buf[4096];
            for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
                r.out.append(buf, n);
            int status = pclose(p);
            r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
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
        return decode(testutil::readFile(work + name));
    }

    // Intro, then the menu (screenshots of both); the script goes on at 400 ms.
    static std::string toMenu()
    {
        return "100 shot intro.png\n200 tap-control 121\n300 shot menu.png\n";
    }

    // A new game at 400 ms, its board shot at 700, Escape (quit, keeping the
    // board) at 1400.
    static std::string newGameKept()
    {
        return toMenu() + "400 tap-control 131\n700 shot game.png\n1400 key tap ESCAPE\n";
    }

    // The moves that solve the saved position, from *t on, one every 200 ms: the
    // first by a pen tap on the piece, the rest by the direction key that slides
    // the piece beside the hole into it ("UP" moves the piece below it up).
    static std::string solveScript(const std::vector<int>& saved, int* t)
    {
        int hole = int(std::find(saved.begin(), saved.end(), -1) - saved.begin());
        std::string s;
        for (int to : solve(saved)) {
            const std::string at = std::to_string(*t);
            if (s.empty())
                s += at + " pen tap " + std::to_string(to % 4 * 60 + 30) + " " +
                     std::to_string(80 + to / 4 * 60 + 30) + "\n";
            else
                s += at + " key tap " +
                     (to == hole + 4   ? "UP"
                      : to == hole - 4 ? "DOWN"
                      : to == hole + 1 ? "LEFT"
                                       : "RIGHT") +
                     "\n";
            hole = to;
            *t += 200;
        }
        return s;
    }

    static bool has(const GameRun& r, const std::string& text)
    {
        return r.log.find(text) != std::string::npos;
    }
};

// start -> intro -> menu -> new game -> solved with the pen and keys -> the whole
// picture and a new best time -> menu (Continue has nothing to continue) ->
// goodbye screen -> advert -> quit. The new game's board is the same on every
// run under the virtual clock, and so is every screenshot.
TEST_F(GameE2E, NewGameSolvedThenGoodbyeTheSameEveryRun)
{
    GameRun first = run(newGameKept(), "shuffle");
    ASSERT_EQ(first.status, 0) << first.out;
    const std::vector<int> pos = ints(prefs()["savedPos"]);
    ASSERT_EQ(pos.size(), 16u);
    const Shot shuffled = shot("game.png");

    int t = 800;
    std::string script = toMenu() + "400 tap-control 131\n700 shot game.png\n" + solveScript(pos, &t);
    script += std::to_string(t + 200) + " shot solved.png\n";
    script += std::to_string(t + 300) + " tap-control 114\n";  // the whole picture: back to the menu
    script += std::to_string(t + 500) + " tap-control 132\n";  // Continue: nothing saved
    script += std::to_string(t + 700) + " tap-control 134\n";  // Quit: the goodbye screen
    script += std::to_string(t + 900) + " shot outro.png\n";
    script += std::to_string(t + 1000) + " tap-control 122\n";  // the first press: an advert
    script += std::to_string(t + 1200) + " shot advert.png\n";
    script += std::to_string(t + 1300) + " tap-control 123\n";  // the second press quits
    script += std::to_string(t + 5000) + " shot never.png\n";
    std::vector<Shot> shots[2];
    const char* names[] = {"intro.png", "menu.png", "game.png", "solved.png", "outro.png", "advert.png"};
    for (int pass = 0; pass < 2; pass++) {
        fs::remove(dir + "TilvoPrefs.w");
        GameRun r = run(script, "solve");
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_TRUE(has(r, "Solved in (ms): ")) << r.log;
        EXPECT_TRUE(has(r, "A new best time"));
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
    const Shot &menu = shots[0][1], &game = shots[0][2], &solved = shots[0][3];
    // The new game of the first run had the same board.
    EXPECT_EQ(shuffled.px, game.px);
    // The menu's text stays inside the screen: its outer columns are background.
    EXPECT_EQ(menu.colours(0, 0, 3, 96), 1u);
    EXPECT_EQ(menu.colours(237, 0, 3, 96), 1u);
    // The empty node shows one flat colour, not what an earlier screen left.
    const int hole = int(std::find(pos.begin(), pos.end(), -1) - pos.begin());
    EXPECT_EQ(game.colours(hole % 4 * 60, 80 + hole / 4 * 60, 60, 60), 1u);
    // The new best time shows in red; the whole picture fills the board.
    int red = 0;
    for (int y = 0; y < 40; y++)
        for (int x = 60; x < 180; x++)
            red += (solved.at(x, y) >> 16) > 0xE0 && (solved.at(x, y) >> 8 & 0xFF) < 0x80;
    EXPECT_GT(red, 20);
    EXPECT_GT(solved.colours(0, 80, 240, 240), 200u);
    EXPECT_NE(shots[0][4].px, shots[0][5].px);  // the advert replaced the goodbye picture
}

// Quitting from the game screen keeps the board and its time; Continue after a
// restart restores both; the chooser lists both packs and plays a pack picture;
// mute and volume are kept over restarts; leaving by the menu gives the board up.
TEST_F(GameE2E, BoardsSettingsAndPacksAreKeptOverRestarts)
{
    ASSERT_EQ(run(newGameKept(), "keep").status, 0);
    std::map<std::string, std::string> kept = prefs();
    ASSERT_EQ(ints(kept["savedPos"]).size(), 16u);
    const long played = atol(kept["savedTime"].c_str());
    EXPECT_GE(played, 900);
    const Shot game = shot("game.png");

    GameRun cont =
        run(toMenu() + "400 tap-control 132\n700 shot continued.png\n1400 key tap ESCAPE\n", "continue");
    ASSERT_EQ(cont.status, 0) << cont.out;
    EXPECT_TRUE(has(cont, "Screen ScrGame"));
    EXPECT_TRUE(shot("continued.png").rowsEqual(game, 80, 320));  // the same board
    std::map<std::string, std::string> again = prefs();
    EXPECT_EQ(again["savedPos"], kept["savedPos"]);
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

    // The chooser: the first pack, the next one by the bar's arrow, its fourth
    // picture; then mute, and the volume moved by the pen and keys.
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

    // Continue the pack's board after a restart and solve it: the pack's full
    // picture replaces the board's pictures; quitting then keeps no board.
    int t = 800;
    const std::string moves = solveScript(packPos, &t);
    GameRun solved = run(toMenu() + "400 tap-control 132\n600 shot continued-pack.png\n" + moves +
                             std::to_string(t + 200) + " shot solved-pack.png\n" + std::to_string(t + 300) +
                             " key tap ESCAPE\n",
                         "pack-solve");
    ASSERT_EQ(solved.status, 0) << solved.out;
    EXPECT_TRUE(shot("continued-pack.png").rowsEqual(shot("pack.png"), 80, 320));
    EXPECT_TRUE(has(solved, "Showing the pack's full picture Full3.tga")) << solved.log;
    // Solved: the whole picture covers the board, so no empty node shows.
    const int hole = int(std::find(packPos.begin(), packPos.end(), -1) - packPos.begin());
    EXPECT_GT(shot("solved-pack.png").colours(hole % 4 * 60, 80 + hole / 4 * 60, 60, 60), 1u);
    std::map<std::string, std::string> q = prefs();
    EXPECT_TRUE(ints(q["savedPos"]).empty());
    EXPECT_EQ(q["mute"], "1");
    EXPECT_EQ(q["volume"], p["volume"]);
    EXPECT_EQ(q["currentPack"], "Packs/Scenes.zip");
}
