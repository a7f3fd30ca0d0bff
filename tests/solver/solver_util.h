#pragma once
// Boards for the solver tests: graphs in the data's form (home slice and links
// per node), shuffles, replay, and the shared pattern-database cache folder.
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "solver/solver.h"

namespace solvertest {

struct Graph {
    std::vector<int32_t> homes;
    std::vector<std::vector<int32_t>> links;
};

inline Graph grid(int w, int h)
{
    Graph g;
    for (int k = 0; k < w * h; k++) {
        int r = k / w, c = k % w;
        g.homes.push_back(k);
        g.links.emplace_back();
        if (r > 0)
            g.links.back().push_back(k - w);
        if (c > 0)
            g.links.back().push_back(k - 1);
        if (c < w - 1)
            g.links.back().push_back(k + 1);
        if (r < h - 1)
            g.links.back().push_back(k + w);
    }
    return g;
}

inline Graph ring(int n)
{
    Graph g;
    for (int k = 0; k < n; k++) {
        g.homes.push_back(k);
        g.links.push_back({(k + n - 1) % n, (k + 1) % n});
    }
    return g;
}

// The solver's description of g's nodes, pointing into g.
inline std::vector<SolverNodeDesc> nodesOf(const Graph& g)
{
    std::vector<SolverNodeDesc> nodes;
    for (size_t v = 0; v < g.homes.size(); v++)
        nodes.push_back(
            {.home = g.homes[v], .nLinks = int32_t(g.links[v].size()), .links = g.links[v].data()});
    return nodes;
}

// The solver's board for g, destroyed with the wrapper.
struct Board {
    SolverBoard* board = nullptr;
    std::string error;
    explicit Board(const Graph& g)
    {
        std::vector<SolverNodeDesc> nodes = nodesOf(g);
        char err[SOLVER_MESSAGE_SIZE] = "";
        board = solverBoardCreate(nodes.data(), int32_t(nodes.size()), err, sizeof err);
        error = err;
    }
    ~Board()
    {
        solverBoardDestroy(board);
    }
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;
    SolverBoard* get() const
    {
        return board;
    }
};

// Slice k on the node whose home is k, the hole on the home of the last slice.
inline std::vector<int32_t> goalOf(const Graph& g)
{
    int n = int(g.homes.size());
    std::vector<int32_t> pos(static_cast<size_t>(n));
    for (int v = 0; v < n; v++)
        pos[size_t(v)] = g.homes[size_t(v)] == n - 1 ? -1 : g.homes[size_t(v)];
    return pos;
}

// A random walk of the hole from the goal, so the position is solvable.
inline std::vector<int32_t> shuffle(const Graph& g, int steps, std::mt19937& random)
{
    std::vector<int32_t> pos = goalOf(g);
    int hole = int(std::find(pos.begin(), pos.end(), -1) - pos.begin());
    for (int i = 0; i < steps; i++) {
        const std::vector<int32_t>& l = g.links[size_t(hole)];
        int to = l[random() % l.size()];
        std::swap(pos[size_t(hole)], pos[size_t(to)]);
        hole = to;
    }
    return pos;
}

inline bool replaysToGoal(const SolverBoard* b, std::vector<int32_t> pos, const int32_t* moves, int32_t n)
{
    return solverApplyMoves(b, pos.data(), moves, n) && solverIsGoal(b, pos.data());
}

inline std::string show(const std::vector<int32_t>& pos)
{
    std::string s;
    for (int32_t v : pos)
        s += std::to_string(v) + " ";
    return s;
}

inline int64_t nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// One pattern-database file for every test program and build tree, so the
// databases are built once per checkout; the tool finds the same file through
// XDG_DATA_HOME (its per-user data folder is that folder's "TobexApp").
inline std::string cacheHome()
{
    return TOBEX_SOURCE_DIR "/build-solver-cache";
}

inline void useTestCache()
{
    mkdir(cacheHome().c_str(), 0755);
    mkdir((cacheHome() + "/TobexApp").c_str(), 0755);
    solverSetCacheFolder((cacheHome() + "/TobexApp").c_str());
}

}
