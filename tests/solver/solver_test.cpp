// The solver against an independent breadth-first search, the published
// 15-puzzle optima, irregular and malformed boards, and budgets.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/hundred15.h"
#include "solver/solver.h"
#include "solver_util.h"

namespace {

using solvertest::Board;
using solvertest::Graph;

// Breadth-first distances from the goal over every position reachable on g,
// keyed by the packed position; written plainly, apart from the solver's table.
std::unordered_map<uint64_t, int> bfsFromGoal(const Graph& g)
{
    auto pack = [](const std::vector<int32_t>& p) {
        uint64_t k = 0;
        for (int32_t v : p)
            k = k * 16 + uint64_t(v + 1);
        return k;
    };
    std::vector<int32_t> goal = solvertest::goalOf(g);
    std::unordered_map<uint64_t, int> dist{{pack(goal), 0}};
    std::vector<std::vector<int32_t>> queue{goal};
    for (size_t head = 0; head < queue.size(); head++) {
        std::vector<int32_t> p = queue[head];
        int d = dist[pack(p)];
        int hole = int(std::find(p.begin(), p.end(), -1) - p.begin());
        for (int to : g.links[size_t(hole)]) {
            std::vector<int32_t> q = p;
            std::swap(q[size_t(hole)], q[size_t(to)]);
            if (dist.emplace(pack(q), d + 1).second)
                queue.push_back(q);
        }
    }
    return dist;
}

// Solves every arrangement of the slices on g and checks each answer against
// the independent search: shortest and replaying to the goal, or refused.
void checkAllPositions(const Graph& g)
{
    Board board(g);
    ASSERT_TRUE(board.get()) << board.error;
    std::unordered_map<uint64_t, int> dist = bfsFromGoal(g);
    std::vector<int32_t> pos = solvertest::goalOf(g);
    std::sort(pos.begin(), pos.end());
    int solvable = 0;
    do {
        uint64_t key = 0;
        for (int32_t v : pos)
            key = key * 16 + uint64_t(v + 1);
        auto it = dist.find(key);
        std::vector<int32_t> moves(64);
        SolverResult r = solverSolve(board.get(), pos.data(), nullptr, moves.data(), 64);
        if (it == dist.end()) {
            ASSERT_EQ(r.status, SOLVER_UNSOLVABLE) << solvertest::show(pos);
            continue;
        }
        solvable++;
        ASSERT_EQ(r.status, SOLVER_SOLVED) << solvertest::show(pos) << r.message;
        ASSERT_TRUE(r.optimal);
        ASSERT_EQ(r.nMoves, it->second) << solvertest::show(pos);
        ASSERT_TRUE(solvertest::replaysToGoal(board.get(), pos, moves.data(), r.nMoves))
            << solvertest::show(pos);
    } while (std::next_permutation(pos.begin(), pos.end()));
    EXPECT_EQ(solvable, int(dist.size()));
}

TEST(SolverExact, EveryThreeByThreePositionAgreesWithBreadthFirstSearch)
{
    checkAllPositions(solvertest::grid(3, 3));
}

// A ring keeps the pieces' order, a dead end keeps its piece, two nodes allow a
// single swap; the table must know exactly which positions are reachable.
TEST(SolverExact, IrregularBoardsAgreeWithBreadthFirstSearch)
{
    checkAllPositions(solvertest::ring(6));
    checkAllPositions(solvertest::ring(2 + 1));
    Graph deadEnd = solvertest::grid(3, 2);  // 3 x 2 with a tail hanging off node 5
    deadEnd.homes.push_back(6);
    deadEnd.links.push_back({5});
    deadEnd.links[5].push_back(6);
    std::swap(deadEnd.homes[2], deadEnd.homes[6]);  // the hole belongs on node 2, not on the dead end
    checkAllPositions(deadEnd);
    checkAllPositions(solvertest::grid(2, 1));
    // Homes in scrambled order: the goal follows the home slices, not the node order.
    Graph scrambled = solvertest::grid(2, 2);
    scrambled.homes = {3, 1, 0, 2};
    checkAllPositions(scrambled);
}

TEST(SolverPatterns, PublishedInstancesMatchThePublishedOptimum)
{
    solvertest::useTestCache();
    Board board(solvertest::grid(4, 4));
    // A sample that solves quickly even in the sanitizer build; bench_solver runs all 100.
    for (int i : {1, 8, 11, 18, 29, 41, 54, 78, 93, 96}) {
        int32_t pos[16];
        hundredPosition(kHundred[i], pos);
        std::vector<int32_t> moves(128);
        SolverResult r = solverSolve(board.get(), pos, nullptr, moves.data(), 128);
        ASSERT_EQ(r.status, SOLVER_SOLVED) << "instance " << i + 1 << ": " << r.message;
        EXPECT_TRUE(r.optimal);
        EXPECT_EQ(r.nMoves, kHundred[i].length) << "instance " << i + 1;
        EXPECT_TRUE(solvertest::replaysToGoal(board.get(), std::vector<int32_t>(pos, pos + 16), moves.data(),
                                              r.nMoves));
    }
    // The same board with its nodes listed in another order (a mirrored,
    // transposed grid) is recognised as a 4 x 4 grid and solved as well.
    Graph g = solvertest::grid(4, 4);
    Graph turned = g;
    for (int v = 0; v < 16; v++) {
        int to = (v % 4) * 4 + (3 - v / 4);
        turned.homes[size_t(to)] = g.homes[size_t(v)];
        turned.links[size_t(to)].clear();
        for (int u : g.links[size_t(v)])
            turned.links[size_t(to)].push_back((u % 4) * 4 + (3 - u / 4));
    }
    Board other(turned);
    int32_t pos[16], turnedPos[16];
    hundredPosition(kHundred[8], pos);
    for (int v = 0; v < 16; v++)
        turnedPos[(v % 4) * 4 + (3 - v / 4)] = pos[v];
    std::vector<int32_t> moves(128);
    SolverResult r = solverSolve(other.get(), turnedPos, nullptr, moves.data(), 128);
    EXPECT_TRUE(r.optimal);
    EXPECT_EQ(r.nMoves, kHundred[8].length);
}

TEST(SolverBoards, MalformedBoardsAreRefusedWithTheReason)
{
    struct Case {
        Graph g;
        const char* says;
    };
    Graph asymmetric = solvertest::grid(3, 3);
    asymmetric.links[0].push_back(4);
    Graph isolated = solvertest::grid(2, 2);
    isolated.homes = {0, 1, 2, 4, 3};
    isolated.links.push_back({});
    Graph outside = solvertest::grid(2, 2);
    outside.links[1].push_back(7);
    Graph self = solvertest::grid(2, 2);
    self.links[2].push_back(2);
    Graph twoHomes = solvertest::grid(2, 2);
    twoHomes.homes[1] = 0;
    Graph apart = solvertest::grid(2, 1);
    apart.homes = {0, 1, 2, 3};
    apart.links.push_back({3});
    apart.links.push_back({2});
    const Case cases[] = {
        {asymmetric, "not back"},
        {isolated, "no links"},
        {outside, "not a node"},
        {self, "itself"},
        {twoHomes, "repeated"},
        {apart, "not connected"},
        {solvertest::grid(13, 5), "2 to 64 nodes"},
    };
    for (const Case& c : cases) {
        Board b(c.g);
        EXPECT_FALSE(b.get());
        EXPECT_NE(b.error.find(c.says), std::string::npos) << b.error;
    }
    char err[SOLVER_MESSAGE_SIZE];
    EXPECT_FALSE(solverBoardCreateGrid(1, 1, err, sizeof err));
    EXPECT_FALSE(solverBoardCreate(nullptr, 4, err, sizeof err));
}

TEST(SolverPositions, BadAndUnsolvablePositionsAreClearAnswers)
{
    Board board(solvertest::grid(3, 3));
    struct Case {
        std::vector<int32_t> pos;
        SolverStatus status;
        const char* says;
    };
    const Case cases[] = {
        {{0, 1, 2, 3, 4, 5, 6, 6, -1}, SOLVER_BAD_POSITION, "twice"},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8}, SOLVER_BAD_POSITION, "out of"},
        {{0, 1, 2, 3, 4, 5, 6, -1, -1}, SOLVER_BAD_POSITION, "both empty"},
        {{0, 1, 2, 3, 4, 5, 6, 7, -2}, SOLVER_BAD_POSITION, "out of"},
        {{1, 0, 2, 3, 4, 5, 6, 7, -1}, SOLVER_UNSOLVABLE, "odd permutation"},
    };
    for (const Case& c : cases) {
        int32_t moves[64];
        SolverResult r = solverSolve(board.get(), c.pos.data(), nullptr, moves, 64);
        EXPECT_EQ(r.status, c.status) << solvertest::show(c.pos);
        EXPECT_NE(std::string(r.message).find(c.says), std::string::npos) << r.message;
    }
    // A large board must refuse the same way without searching.
    Board big(solvertest::grid(8, 8));
    std::vector<int32_t> pos = solvertest::goalOf(solvertest::grid(8, 8));
    std::swap(pos[0], pos[1]);
    int32_t moves[64];
    EXPECT_EQ(solverSolve(big.get(), pos.data(), nullptr, moves, 64).status, SOLVER_UNSOLVABLE);
    Graph ring = solvertest::ring(13);
    Board bigRing(ring);
    pos = solvertest::goalOf(ring);
    std::swap(pos[0], pos[1]);
    SolverResult r = solverSolve(bigRing.get(), pos.data(), nullptr, moves, 64);
    EXPECT_EQ(r.status, SOLVER_UNSOLVABLE);
    EXPECT_NE(std::string(r.message).find("order"), std::string::npos) << r.message;
}

// Boards without an exact method get a solution within the budget, and the
// pattern search gives way to it when cancelled.
TEST(SolverBestEffort, LargeAndIrregularBoardsAreSolvedWithinTheBudget)
{
    solvertest::useTestCache();
    std::mt19937 random(7);
    Graph braced = solvertest::grid(4, 3);  // a 4 x 3 grid with two diagonal braces
    braced.links[0].push_back(5);
    braced.links[5].push_back(0);
    braced.links[6].push_back(11);
    braced.links[11].push_back(6);
    const Graph boards[] = {solvertest::grid(5, 5), solvertest::grid(8, 8), solvertest::grid(2, 9),
                            solvertest::ring(15), braced};
    for (const Graph& g : boards) {
        Board board(g);
        ASSERT_TRUE(board.get()) << board.error;
        std::vector<int32_t> pos = solvertest::shuffle(g, 400, random);
        std::vector<int32_t> moves(static_cast<size_t>(SOLVER_MAX_MOVES));
        SolverLimits limits{.budgetMs = 300, .cancel = nullptr, .atLeast = 0, .atMost = 0};
        int64_t start = solvertest::nowMs();
        SolverResult r = solverSolve(board.get(), pos.data(), &limits, moves.data(), SOLVER_MAX_MOVES);
        int64_t took = solvertest::nowMs() - start;
        ASSERT_EQ(r.status, SOLVER_SOLVED) << g.homes.size() << " nodes: " << r.message;
        EXPECT_TRUE(solvertest::replaysToGoal(board.get(), pos, moves.data(), r.nMoves));
        EXPECT_LT(took, 300 + 1500) << g.homes.size() << " nodes";
    }
    // Cancelled from the start, a 4 x 4 board still gets a solution, not proven shortest.
    Board board(solvertest::grid(4, 4));
    int32_t pos[16];
    hundredPosition(kHundred[87], pos);
    int32_t cancel = 1;
    SolverLimits limits{.budgetMs = 0, .cancel = &cancel, .atLeast = 0, .atMost = 0};
    std::vector<int32_t> moves(static_cast<size_t>(SOLVER_MAX_MOVES));
    SolverResult r = solverSolve(board.get(), pos, &limits, moves.data(), SOLVER_MAX_MOVES);
    ASSERT_EQ(r.status, SOLVER_SOLVED) << r.message;
    EXPECT_FALSE(r.optimal);
    EXPECT_GE(r.nMoves, kHundred[87].length);
    EXPECT_TRUE(
        solvertest::replaysToGoal(board.get(), std::vector<int32_t>(pos, pos + 16), moves.data(), r.nMoves));
}

}
