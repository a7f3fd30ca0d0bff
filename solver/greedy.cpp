// A solution for any board, not necessarily the shortest: pieces are brought home
// one at a time (two at a time where one home would otherwise become a dead end)
// and then stay fixed, until the region left is small enough to solve exactly.
//
// Each placement is a breadth-first search over (placed pieces' nodes, hole node)
// inside the region not yet fixed, so it is the shortest way to bring those
// pieces home while the others may move freely. Grids are reduced row by row and
// column by column towards the hole's corner (to a 4 x 4 block when the pattern
// databases may finish it, else to at most 9 cells); other boards shed the node
// farthest from the hole's home whose removal keeps the region connected.
#include <stdio.h>

#include <random>
#include <unordered_map>

#include "solver/internal.h"

namespace {

constexpr int kFinalNodes = 9;

struct Greedy {
    const SolverBoard* b;
    SolverState s;
    uint64_t free;  // nodes not fixed yet
    std::vector<int>* moves;
    std::vector<int32_t> parent;
    std::vector<int32_t> queue;

    bool isFree(int v) const
    {
        return (free >> v) & 1;
    }

    int freeDegree(uint64_t region, int v) const
    {
        int d = 0;
        for (int i = 0; i < b->deg[v]; i++)
            d += (region >> b->nbr[v][i]) & 1;
        return d;
    }

    bool connected(uint64_t region) const
    {
        if (!region)
            return true;
        uint64_t seen = region & (~region + 1), frontier = seen;
        while (frontier) {
            int v = __builtin_ctzll(frontier);
            frontier &= frontier - 1;
            for (int i = 0; i < b->deg[v]; i++) {
                uint64_t bit = uint64_t(1) << b->nbr[v][i];
                if ((region & bit) && !(seen & bit)) {
                    seen |= bit;
                    frontier |= bit;
                }
            }
        }
        return seen == region;
    }

    // Brings piece `a` to node a (and piece `c` to node c when c >= 0) by the
    // fewest moves inside the free region; false when it cannot be done.
    bool place(int a, int c)
    {
        int n = b->n;
        int64_t nc = c >= 0 ? n : 1;
        auto index = [&](int pa, int pc, int hole) {
            return (int64_t(pa) * nc + (c >= 0 ? pc : 0)) * n + hole;
        };
        int pa = 0, pc = 0;
        for (int v = 0; v < n; v++) {
            if (s.at[v] == a)
                pa = v;
            if (c >= 0 && s.at[v] == c)
                pc = v;
        }
        parent.assign(size_t(int64_t(n) * nc * n), -2);
        queue.clear();
        int32_t start = int32_t(index(pa, pc, s.blank));
        parent[size_t(start)] = -1;
        queue.push_back(start);
        int32_t goal = -1;
        for (size_t head = 0; head < queue.size() && goal < 0; head++) {
            int32_t cur = queue[head];
            int hole = cur % n, rest = cur / n;
            int qc = c >= 0 ? rest % n : 0, qa = int(rest / nc);
            if (qa == a && (c < 0 || qc == c)) {
                goal = cur;
                break;
            }
            for (int i = 0; i < b->deg[hole]; i++) {
                int to = b->nbr[hole][i];
                if (!isFree(to))
                    continue;
                int na = qa == to ? hole : qa, ncell = c >= 0 && qc == to ? hole : qc;
                int32_t next = int32_t(index(na, ncell, to));
                if (parent[size_t(next)] == -2) {
                    parent[size_t(next)] = cur;
                    queue.push_back(next);
                }
            }
        }
        if (goal < 0)
            return false;
        std::vector<int> path;
        for (int32_t cur = goal; parent[size_t(cur)] >= 0; cur = parent[size_t(cur)])
            path.push_back(cur % n);
        for (size_t i = path.size(); i-- > 0;) {
            solverMoveHole(&s, path[i]);
            moves->push_back(path[i]);
        }
        return true;
    }

    // Fixes v, together with the neighbour that fixing v alone would leave as a
    // dead end of the region.
    bool fix(int v, char* message)
    {
        uint64_t rest = free & ~(uint64_t(1) << v);
        int partner = -1;
        for (int i = 0; i < b->deg[v]; i++) {
            int u = b->nbr[v][i];
            if (((rest >> u) & 1) && u != b->blankHome && freeDegree(rest, u) <= 1 &&
                connected(rest & ~(uint64_t(1) << u)))
                partner = u;
        }
        if (!place(v, partner)) {
            snprintf(message, SOLVER_MESSAGE_SIZE, "no way found to bring the piece home to node %d", v);
            return false;
        }
        free = rest;
        if (partner >= 0)
            free &= ~(uint64_t(1) << partner);
        return true;
    }

    // The node farthest from the hole's home whose removal keeps the region connected.
    int nextFarthest() const
    {
        int best = -1;
        for (int v = 0; v < b->n; v++) {
            if (!isFree(v) || v == b->blankHome)
                continue;
            if (best >= 0 && b->dist[v][b->blankHome] <= b->dist[best][b->blankHome])
                continue;
            if (connected(free & ~(uint64_t(1) << v)))
                best = v;
        }
        return best;
    }

    // Grid order towards the hole's corner; stops at `stopW` x `stopH` or at 9 cells.
    std::vector<int> gridOrder(bool toPatternBlock) const
    {
        std::vector<int> order;
        int w = b->gridW, h = b->gridH, r0 = 0, c0 = 0;
        auto more = [&]() {
            if (toPatternBlock)
                return h - r0 > 4 || w - c0 > 4;
            return (h - r0) * (w - c0) > kFinalNodes;
        };
        while (more()) {
            if (h - r0 >= w - c0 && h - r0 > 2 && !(toPatternBlock && h - r0 == 4)) {
                for (int c = c0; c < w; c++)
                    order.push_back(b->nodeOfCell[r0 * w + c]);
                r0++;
            } else {
                for (int r = r0; r < h; r++)
                    order.push_back(b->nodeOfCell[r * w + c0]);
                c0++;
            }
        }
        return order;
    }

    int freeCount() const
    {
        return __builtin_popcountll(free);
    }

    // Solves what is left of the board exactly (or by the full dispatch) as a board of its own.
    bool finish(SolverBudget* budget, bool allowPatterns, char* message)
    {
        int local[SOLVER_MAX_NODES], global[SOLVER_MAX_NODES], m = 0;
        for (int v = 0; v < b->n; v++)
            if (isFree(v)) {
                local[v] = m;
                global[m++] = v;
            }
        std::vector<int32_t> links;
        links.reserve(size_t(m) * 4);
        std::vector<SolverNodeDesc> nodes(static_cast<size_t>(m));
        std::vector<int32_t> sliceOf(static_cast<size_t>(m)), pos(static_cast<size_t>(m));
        int next = 0;
        for (int i = 0; i < m; i++)
            sliceOf[size_t(i)] = global[i] == b->blankHome ? m - 1 : next++;
        std::vector<size_t> first(static_cast<size_t>(m));
        for (int i = 0; i < m; i++) {
            first[size_t(i)] = links.size();
            for (int e = 0; e < b->deg[global[i]]; e++)
                if (isFree(b->nbr[global[i]][e]))
                    links.push_back(local[b->nbr[global[i]][e]]);
        }
        for (int i = 0; i < m; i++) {
            size_t end = i + 1 < m ? first[size_t(i) + 1] : links.size();
            nodes[size_t(i)] = {.home = sliceOf[size_t(i)],
                                .nLinks = int32_t(end - first[size_t(i)]),
                                .links = links.data() + first[size_t(i)]};
            int piece = s.at[global[i]];
            pos[size_t(i)] = piece == b->blankHome ? -1 : sliceOf[size_t(local[piece])];
        }
        std::unique_ptr<SolverBoard> sub(solverBoardCreate(nodes.data(), m, message, SOLVER_MESSAGE_SIZE));
        SolverState subState;
        if (!sub || !solverStateFromPosition(sub.get(), pos.data(), &subState, message))
            return false;
        std::vector<int> subMoves;
        SolverResult r = solveState(sub.get(), subState, budget, allowPatterns, SolveBounds{}, &subMoves);
        if (r.status != SOLVER_SOLVED) {
            snprintf(message, SOLVER_MESSAGE_SIZE, "the last %d nodes could not be solved: %.100s", m,
                     r.message);
            return false;
        }
        for (int v : subMoves) {
            solverMoveHole(&s, global[v]);
            moves->push_back(global[v]);
        }
        return true;
    }
};

}

bool greedySolve(const SolverBoard* b, const SolverState& s, SolverBudget* budget, std::vector<int>* moves,
                 char* message)
{
    Greedy g{.b = b, .s = s, .free = 0, .moves = moves, .parent = {}, .queue = {}};
    g.free = b->n == 64 ? ~uint64_t(0) : (uint64_t(1) << b->n) - 1;
    moves->clear();
    bool toPatternBlock = b->gridW >= 4 && b->gridH >= 4 && !budget->stopped;
    if (b->gridW > 0) {
        for (int v : g.gridOrder(toPatternBlock))
            if (g.isFree(v) && !g.fix(v, message))
                return false;
    } else {
        while (g.freeCount() > kFinalNodes) {
            int v = g.nextFarthest();
            if (v < 0) {
                snprintf(message, SOLVER_MESSAGE_SIZE, "no node can be fixed without splitting the board");
                return false;
            }
            if (!g.fix(v, message))
                return false;
        }
    }
    if (g.freeCount() == 1)
        return true;
    return g.finish(budget, toPatternBlock, message);
}

void cutLoops(const SolverBoard* b, const SolverState& s, std::vector<int>* moves)
{
    std::mt19937_64 random(0x5eed);
    uint64_t key[SOLVER_MAX_NODES][SOLVER_MAX_NODES];
    for (auto& row : key)
        for (uint64_t& k : row)
            k = random();
    SolverState cur = s;
    uint64_t h = 0;
    for (int v = 0; v < b->n; v++)
        h ^= key[v][cur.at[v]];
    std::vector<uint64_t> hashes{h};
    std::unordered_map<uint64_t, size_t> seen{{h, 0}};
    std::vector<int> out;
    for (int to : *moves) {
        int from = cur.blank, piece = cur.at[to], hole = cur.at[from];
        h ^= key[to][piece] ^ key[from][piece] ^ key[from][hole] ^ key[to][hole];
        solverMoveHole(&cur, to);
        auto it = seen.find(h);
        if (it == seen.end()) {
            out.push_back(to);
            hashes.push_back(h);
            seen[h] = out.size();
            continue;
        }
        size_t keep = it->second;
        for (size_t i = keep + 1; i < hashes.size(); i++)
            seen.erase(hashes[i]);
        hashes.resize(keep + 1);
        out.resize(keep);
    }
    // A hash collision could only shorten wrongly; keep the original then.
    SolverState check = s;
    for (int to : out) {
        bool adjacent = false;
        for (int i = 0; i < b->deg[check.blank]; i++)
            adjacent |= b->nbr[check.blank][i] == to;
        if (!adjacent)
            return;
        solverMoveHole(&check, to);
    }
    if (solverStateIsGoal(b, check))
        moves->swap(out);
}
