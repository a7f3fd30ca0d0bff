// The player's help: the planner's answers against a cold search as the player
// follows, leaves and takes back the solution, and the real game driven by a
// script: solved by hints alone, undone back to its start, and a hint pressed
// while a piece slides.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <sstream>
#include <thread>

#include "game/hint.h"
#include "solver/solver_util.h"
#include "test_util.h"

namespace {

using solvertest::Graph;

// A planner over a graph, with the cold answers to compare against.
struct PlannerRun {
    Graph graph;
    std::vector<SolverNodeDesc> nodes;
    solvertest::Board cold;
    HintPlanner* hp = nullptr;
    std::vector<int32_t> pos;

    PlannerRun(const Graph& g, const std::vector<int32_t>& start) : graph(g), cold(g), pos(start)
    {
        for (size_t v = 0; v < graph.homes.size(); v++)
            nodes.push_back({.home = graph.homes[v],
                             .nLinks = int32_t(graph.links[v].size()),
                             .links = graph.links[v].data()});
        char err[SOLVER_MESSAGE_SIZE] = "";
        hp = hintPlannerCreate(nodes.data(), int32_t(nodes.size()), pos.data(), err, sizeof err);
        EXPECT_TRUE(hp) << err;
    }
    ~PlannerRun()
    {
        hintPlannerDestroy(hp);
    }

    // Polls until the planner knows a solution (as the frame loop would).
    HintPlannerStatus settled()
    {
        HintPlannerStatus s = hintPlannerStatus(hp);
        for (int i = 0; i < 6000 && s.thinking; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            hintPlannerPoll(hp);
            s = hintPlannerStatus(hp);
        }
        return s;
    }

    int32_t coldLength()
    {
        std::vector<int32_t> moves(1024);
        SolverResult r = solverSolve(cold.get(), pos.data(), nullptr, moves.data(), 1024);
        EXPECT_EQ(r.status, SOLVER_SOLVED);
        return r.nMoves;
    }

    int32_t hole() const
    {
        return int32_t(std::find(pos.begin(), pos.end(), -1) - pos.begin());
    }

    void move(int32_t to, bool takeBack)
    {
        ASSERT_TRUE(hintPlannerMove(hp, to, takeBack));
        std::swap(pos[size_t(hole())], pos[size_t(to)]);
    }

    // A neighbour of the hole off the known solution.
    int32_t offPath(int32_t next) const
    {
        for (int32_t c : graph.links[size_t(hole())])
            if (c != next)
                return c;
        return -1;
    }
};

// Follows three moves, leaves the solution twice, takes everything back:
// every answer is as short as a cold search's, and known at once where it
// needs no search.
void checkFollowLeaveTakeBack(const Graph& g, int walk, unsigned seed)
{
    std::mt19937 random(seed);
    PlannerRun run(g, solvertest::shuffle(g, walk, random));
    ASSERT_TRUE(run.hp);
    const std::vector<int32_t> start = run.pos;
    HintPlannerStatus s = run.settled();
    ASSERT_FALSE(s.thinking);
    EXPECT_EQ(s.movesLeft, run.coldLength());
    EXPECT_TRUE(s.optimal);
    const int32_t first = s.movesLeft;
    for (int i = 0; i < 3 && s.nextHole >= 0; i++) {
        run.move(s.nextHole, false);
        s = hintPlannerStatus(run.hp);
        EXPECT_FALSE(s.thinking) << "following the solution needs no search";
        EXPECT_EQ(s.movesLeft, first - i - 1);
    }
    for (int i = 0; i < 2; i++) {
        run.move(run.offPath(s.nextHole), false);
        s = run.settled();
        EXPECT_EQ(s.movesLeft, run.coldLength()) << solvertest::show(run.pos);
        EXPECT_TRUE(s.optimal);
    }
    EXPECT_EQ(s.movesMade, 5);
    EXPECT_FALSE(hintPlannerMove(run.hp, run.hole(), false)) << "not a slide";
    while (hintPlannerUndoHole(run.hp) >= 0) {
        run.move(hintPlannerUndoHole(run.hp), true);
        s = hintPlannerStatus(run.hp);
        EXPECT_FALSE(s.thinking) << "a position left behind is remembered";
        EXPECT_EQ(s.movesLeft, run.coldLength());
    }
    EXPECT_EQ(s.movesMade, 0);
    EXPECT_EQ(run.pos, start);
    EXPECT_EQ(s.movesLeft, first);
}

}

TEST(HintPlanner, AnswersAsShortAsAColdSearchWhileThePlayerFollowsLeavesAndTakesBack)
{
    solvertest::useTestCache();
    checkFollowLeaveTakeBack(solvertest::grid(4, 4), 200, 7);
    checkFollowLeaveTakeBack(solvertest::grid(3, 3), 60, 8);
    // A ring of five with a chord: odd cycles, so a slide off the solution may
    // leave the distance as it was.
    Graph odd;
    odd.homes = {0, 1, 2, 3, 4, 5, 6};
    odd.links = {{1, 4}, {0, 2}, {1, 3, 4}, {2, 4}, {3, 0, 2, 5}, {4, 6}, {5}};
    checkFollowLeaveTakeBack(odd, 50, 9);
}

TEST(HintPlanner, RefusesBadBoardsAndPositionsAndSaysWhy)
{
    Graph g = solvertest::grid(3, 3);
    g.links[0] = {1};  // node 3 still links back to 0
    std::vector<SolverNodeDesc> nodes;
    for (size_t v = 0; v < g.homes.size(); v++)
        nodes.push_back(
            {.home = g.homes[v], .nLinks = int32_t(g.links[v].size()), .links = g.links[v].data()});
    std::vector<int32_t> pos = solvertest::goalOf(g);
    char err[SOLVER_MESSAGE_SIZE] = "";
    EXPECT_FALSE(hintPlannerCreate(nodes.data(), 9, pos.data(), err, sizeof err));
    EXPECT_NE(std::string(err).find("not back"), std::string::npos) << err;

    Graph good = solvertest::grid(3, 3);
    nodes.clear();
    for (size_t v = 0; v < good.homes.size(); v++)
        nodes.push_back(
            {.home = good.homes[v], .nLinks = int32_t(good.links[v].size()), .links = good.links[v].data()});
    pos[0] = pos[1];
    EXPECT_FALSE(hintPlannerCreate(nodes.data(), 9, pos.data(), err, sizeof err));
    EXPECT_NE(std::string(err).find("twice"), std::string::npos) << err;

    // An unsolvable position gets a planner that says so instead of a hint.
    pos = solvertest::goalOf(good);
    std::swap(pos[0], pos[1]);
    HintPlanner* hp = hintPlannerCreate(nodes.data(), 9, pos.data(), err, sizeof err);
    ASSERT_TRUE(hp);
    HintPlannerStatus s = hintPlannerStatus(hp);
    for (int i = 0; i < 2000 && s.thinking; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        hintPlannerPoll(hp);
        s = hintPlannerStatus(hp);
    }
    EXPECT_TRUE(s.failed);
    EXPECT_EQ(s.nextHole, -1);
    EXPECT_NE(std::string(s.message).find("unsolvable"), std::string::npos) << s.message;
    hintPlannerDestroy(hp);
}

// ---- The real game, headless, driven by scripts -----------------------------------------------

namespace {

// A folder holding a copy of the game and its data, and a per-user data folder
// (xdg/Tilvo-1) holding the pattern databases, so runs keep their preferences
// apart and build nothing.
std::string gameFolder()
{
    solvertest::useTestCache();
    EXPECT_GE(solverPrepare(), 0);
    std::string dir = testutil::makeTempDir();
    std::string cmd =
        "mkdir -p '" + dir +
        "xdg/Tilvo-1' && cp '" TOBEX_BIN_DIR "/../game/tilvo' '" TOBEX_BIN_DIR "/../game/Tilvo.pak' '" + dir +
        "' && cp '" + solvertest::cacheHome() + "/TobexApp/tobex-solver-663.pdb' '" + dir + "xdg/Tilvo-1/'";
    EXPECT_EQ(system(cmd.c_str()), 0);
    return dir;
}

// Runs the game on a script; the lines are "time event" with times in ms of
// the virtual clock (16 ms a frame). Returns the log.
std::string play(const std::string& dir, const std::string& script)
{
    testutil::writeFile(dir + "script.txt", script);
    std::string cmd = "cd '" + dir + "' && XDG_DATA_HOME='" + dir +
                      "xdg' TOBEX_HEADLESS=1 TOBEX_FRAME_MS=16 TOBEX_SCRIPT=script.txt ./tilvo 2>/dev/null";
    EXPECT_EQ(system(cmd.c_str()), 0) << script;
    return testutil::readFile(dir + "Tobex.log");
}

// The position the game saved when it ended on the game screen.
std::vector<int32_t> savedPosition(const std::string& dir)
{
    testutil::ToolRun r = testutil::runTobex(dir, "world cat TilvoPrefs.w");
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("savedPos\t", 0) == 0) {
            std::vector<int32_t> pos;
            std::istringstream nums(line.substr(9));
            for (int32_t v; nums >> v;)
                pos.push_back(v);
            return pos;
        }
    return {};
}

int32_t distance(const std::vector<int32_t>& pos)
{
    solvertest::Board b(solvertest::grid(4, 4));
    std::vector<int32_t> moves(256);
    SolverResult r = solverSolve(b.get(), pos.data(), nullptr, moves.data(), 256);
    return r.status == SOLVER_SOLVED ? r.nMoves : -1;
}

// Intro, then a new game (command 131) or Continue (132) at 3.5 s.
std::string opening(int command)
{
    return "3000 key tap BUT.A\n3500 tap-control " + std::to_string(command) + "\n";
}

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

}

TEST(HintGame, ShuffledBoardIsSolvedByHintsAloneOrByAutoSolve)
{
    std::string dir = gameFolder();
    // The H key every 300 ms for three minutes: two presses a move, the first
    // shows the piece, the second moves it. Presses made while the answer is
    // searched wait for it.
    std::string script = opening(131);
    for (int t = 5000; t < 185000; t += 300)
        script += std::to_string(t) + " key tap H\n";
    script += "186000 shot end.png\n186100 quit\n";
    std::string log = play(dir, script);
    EXPECT_NE(log.find("Solved in (ms)"), std::string::npos) << log.substr(0, 2000);
    EXPECT_EQ(log.find("Hint: no answer"), std::string::npos);
    EXPECT_GE(count(log, "Hint: node "), 20u) << "a 200-slide shuffle is seldom shorter";
    EXPECT_TRUE(savedPosition(dir).empty()) << "a solved board leaves nothing to continue";

    // On the virtual clock the screens do not depend on how fast the searches
    // run: the same script shows the same counters and the same hinted piece.
    const std::string shots = opening(131) + "5000 key tap H\n5200 key tap H\n5400 key tap LEFT\n"
                                             "5800 key tap H\n6000 shot mid.png\n6100 quit\n";
    play(dir, shots);
    const std::string first = testutil::readFile(dir + "mid.png");
    play(dir, shots);
    EXPECT_GT(first.size(), 1000u);
    EXPECT_EQ(testutil::readFile(dir + "mid.png"), first);

    // Auto-solve (S) plays it out by itself. Its moves follow each other
    // without a pause, and quitting waits for a slide to end, so Escape stops
    // it first; the second press quits and keeps the board where it stood.
    log = play(dir, opening(131) + "40000 key tap S\n100000 quit\n");
    EXPECT_NE(log.find("Solved in (ms)"), std::string::npos);
    play(dir, opening(131) + "40000 key tap S\n41000 key tap 0x1B\n41500 key tap 0x1B\n90000 quit\n");
    std::vector<int32_t> stopped = savedPosition(dir);
    ASSERT_EQ(stopped.size(), 16u) << "quit while auto-solving";
    EXPECT_GT(distance(stopped), 0);
}

TEST(HintGame, UndoTakesEveryMoveBackToTheStartAndAHintMidMoveAnswersTheNewPosition)
{
    std::string dir = gameFolder();
    // Escape quits and keeps the board for Continue.
    play(dir, opening(131) + "5000 key tap 0x1B\n");
    const std::vector<int32_t> start = savedPosition(dir);
    ASSERT_EQ(start.size(), 16u);
    ASSERT_GT(distance(start), 0);

    // Five slides by key, seven undos by key and one by the on-screen button:
    // back at the start; the undos beyond the start only sound the error.
    std::string script = opening(132);
    int t = 40000;
    for (const char* key : {"UP", "LEFT", "DOWN", "DOWN", "RIGHT"}) {
        script += std::to_string(t) + " key tap " + key + "\n";
        t += 400;
    }
    play(dir, script + std::to_string(t) + " key tap 0x1B\n");
    ASSERT_NE(savedPosition(dir), start) << "the keys moved pieces";
    play(dir, opening(131) + "5000 key tap 0x1B\n");
    ASSERT_EQ(savedPosition(dir), start) << "the same virtual clock gives the same board";
    for (int i = 0; i < 7; i++, t += 400)
        script += std::to_string(t) + " key tap U\n";
    script += std::to_string(t) + " tap-control 162\n";
    script += std::to_string(t + 1000) + " key tap 0x1B\n";
    std::string log = play(dir, script);
    EXPECT_EQ(savedPosition(dir), start) << log.substr(0, 3000);
    EXPECT_EQ(count(log, "Command 162"), 8u);

    // A hint pressed while the slide animates (100 ms) waits for it and answers
    // for the position after it; the second press moves the piece it showed,
    // one move nearer the goal.
    play(dir, opening(132) + "40000 key tap LEFT\n41000 key tap 0x1B\n");
    const std::vector<int32_t> slid = savedPosition(dir);
    ASSERT_EQ(slid.size(), 16u);
    ASSERT_NE(slid, start);
    log = play(dir,
               opening(132) + "40000 key tap LEFT\n40032 key tap H\n60000 key tap H\n150000 key tap 0x1B\n");
    const std::vector<int32_t> hinted = savedPosition(dir);
    ASSERT_EQ(hinted.size(), 16u) << log;
    EXPECT_NE(hinted, slid);
    EXPECT_EQ(distance(hinted), distance(slid) - 1) << log;
}
