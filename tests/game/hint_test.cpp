// The player's help: the planner's answers against a cold search as the player
// follows, leaves and takes back the solution, and its refusals. The game's
// hint, undo and auto-solve keys are played in the end-to-end runs.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
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

    PlannerRun(const Graph& g, const std::vector<int32_t>& start)
        : graph(g), nodes(solvertest::nodesOf(graph)), cold(g), pos(start)
    {
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
    // A ring of five with a chord: odd cycles, so a slide off the solution may
    // leave the distance as it was.
    Graph odd;
    odd.homes = {0, 1, 2, 3, 4, 5, 6};
    odd.links = {{1, 4}, {0, 2}, {1, 3, 4}, {2, 4}, {3, 0, 2, 5}, {4, 6}, {5}};
    checkFollowLeaveTakeBack(odd, 50, 9);
}

TEST(HintPlanner, RefusesBadBoardsAndPositionsAndSaysWhy)
{
    const Graph good = solvertest::grid(3, 3);
    Graph oneWay = good;
    oneWay.links[0] = {1};  // node 3 still links back to 0
    std::vector<int32_t> pos = solvertest::goalOf(good), twice = pos;
    twice[0] = twice[1];
    char err[SOLVER_MESSAGE_SIZE] = "";
    EXPECT_FALSE(hintPlannerCreate(solvertest::nodesOf(oneWay).data(), 9, pos.data(), err, sizeof err));
    EXPECT_NE(std::string(err).find("not back"), std::string::npos) << err;
    EXPECT_FALSE(hintPlannerCreate(solvertest::nodesOf(good).data(), 9, twice.data(), err, sizeof err));
    EXPECT_NE(std::string(err).find("twice"), std::string::npos) << err;

    // An unsolvable position gets a planner that says so instead of a hint.
    std::swap(pos[0], pos[1]);
    PlannerRun run(good, pos);
    ASSERT_TRUE(run.hp);
    HintPlannerStatus s = run.settled();
    EXPECT_TRUE(s.failed);
    EXPECT_EQ(s.nextHole, -1);
    EXPECT_NE(std::string(s.message).find("unsolvable"), std::string::npos) << s.message;
}
