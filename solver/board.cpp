// Boards: checking a description, the graph facts the methods rely on (distances,
// bipartition, chains, rings, grids), positions and the invariants that make a
// position unreachable.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "solver/internal.h"

namespace {

void say(char* out, int32_t size, const char* fmt, ...)
{
    if (!out || size <= 0)
        return;
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(out, size_t(size), fmt, ap);
    va_end(ap);
}

bool linked(const SolverBoard* b, int u, int v)
{
    for (int i = 0; i < b->deg[u]; i++)
        if (b->nbr[u][i] == v)
            return true;
    return false;
}

// Breadth-first distances from every node; false when some pair is unconnected.
bool computeDistances(SolverBoard* b, int* farA, int* farB)
{
    memset(b->dist, 0xFF, sizeof b->dist);
    for (int s = 0; s < b->n; s++) {
        int queue[SOLVER_MAX_NODES];
        int head = 0, tail = 0;
        queue[tail++] = s;
        b->dist[s][s] = 0;
        while (head < tail) {
            int u = queue[head++];
            for (int i = 0; i < b->deg[u]; i++) {
                int v = b->nbr[u][i];
                if (b->dist[s][v] == 0xFF) {
                    b->dist[s][v] = uint8_t(b->dist[s][u] + 1);
                    queue[tail++] = v;
                }
            }
        }
        if (tail < b->n) {
            *farA = s;
            for (int v = 0; v < b->n; v++)
                if (b->dist[s][v] == 0xFF)
                    *farB = v;
            return false;
        }
    }
    return true;
}

void findBipartition(SolverBoard* b)
{
    b->bipartite = true;
    for (int v = 0; v < b->n; v++)
        b->color[v] = uint8_t(b->dist[0][v] & 1);
    for (int u = 0; u < b->n; u++)
        for (int i = 0; i < b->deg[u]; i++)
            if (b->color[u] == b->color[b->nbr[u][i]])
                b->bipartite = false;
}

void findChainOrRing(SolverBoard* b)
{
    int ends = 0, links = 0;
    for (int v = 0; v < b->n; v++) {
        if (b->deg[v] > 2)
            return;
        ends += b->deg[v] == 1;
        links += b->deg[v];
    }
    b->path = ends == 2;
    b->cycle = ends == 0 && links == 2 * b->n && b->n >= 3;
}

// Lays the nodes out as a w x h grid starting from corner a, with r to its right
// and d below it; true when every link matches the grid exactly.
bool tryGrid(const SolverBoard* b, int w, int h, int a, int r, int d, int* nodeOfCell)
{
    int n = b->n;
    bool used[SOLVER_MAX_NODES] = {};
    auto take = [&](int cell, int v) {
        if (v < 0 || used[v])
            return false;
        used[v] = true;
        nodeOfCell[cell] = v;
        return true;
    };
    // The one node linked to every given node and not placed yet, or -1.
    auto common = [&](int u, int v) {
        int found = -1;
        for (int i = 0; i < b->deg[u]; i++) {
            int c = b->nbr[u][i];
            if (used[c] || (v >= 0 && !linked(b, v, c)))
                continue;
            if (found >= 0)
                return -1;
            found = c;
        }
        return found;
    };
    if (!take(0, a) || !take(1, r) || !take(w, d))
        return false;
    for (int c = 1; c < w; c++) {
        if (c > 1 && !take(c, common(nodeOfCell[c - 1], -1)))
            return false;
        if (!take(w + c, common(nodeOfCell[c], nodeOfCell[w + c - 1])))
            return false;
    }
    for (int row = 2; row < h; row++)
        for (int c = 0; c < w; c++)
            if (!take(row * w + c, common(nodeOfCell[(row - 1) * w + c], -1)))
                return false;
    for (int cell = 0; cell < n; cell++) {
        int v = nodeOfCell[cell], row = cell / w, c = cell % w;
        int expect = (row > 0) + (row < h - 1) + (c > 0) + (c < w - 1);
        if (b->deg[v] != expect)
            return false;
        if ((row > 0 && !linked(b, v, nodeOfCell[cell - w])) ||
            (c > 0 && !linked(b, v, nodeOfCell[cell - 1])))
            return false;
    }
    return true;
}

// Finds a grid layout (any size of at least 2 x 2) with the hole's home in the last cell.
void findGrid(SolverBoard* b)
{
    b->gridW = b->gridH = 0;
    int n = b->n;
    for (int w = 2; w <= n / 2; w++) {
        if (n % w || n / w < 2)
            continue;
        for (int a = 0; a < n; a++) {
            if (b->deg[a] != 2)
                continue;
            for (int k = 0; k < 2; k++) {
                int nodeOfCell[SOLVER_MAX_NODES];
                if (!tryGrid(b, w, n / w, a, b->nbr[a][k], b->nbr[a][1 - k], nodeOfCell))
                    continue;
                if (nodeOfCell[n - 1] != b->blankHome)
                    continue;
                b->gridW = w;
                b->gridH = n / w;
                for (int cell = 0; cell < n; cell++) {
                    b->nodeOfCell[cell] = nodeOfCell[cell];
                    b->cellOfNode[nodeOfCell[cell]] = cell;
                }
                return;
            }
        }
    }
}

bool checkLinks(SolverBoard* b, const SolverNodeDesc* nodes, char* err, int32_t errSize)
{
    int n = b->n;
    for (int v = 0; v < n; v++) {
        const SolverNodeDesc& d = nodes[v];
        if (d.nLinks < 0 || (d.nLinks > 0 && !d.links)) {
            say(err, errSize, "node %d: bad link list", v);
            return false;
        }
        for (int i = 0; i < d.nLinks; i++) {
            int u = d.links[i];
            if (u < 0 || u >= n) {
                say(err, errSize, "node %d links to %d, which is not a node (0..%d)", v, u, n - 1);
                return false;
            }
            if (u == v) {
                say(err, errSize, "node %d links to itself", v);
                return false;
            }
            if (!linked(b, v, u))
                b->nbr[v][b->deg[v]++] = uint8_t(u);
        }
    }
    for (int v = 0; v < n; v++) {
        if (b->deg[v] == 0) {
            say(err, errSize, "node %d has no links", v);
            return false;
        }
        for (int i = 0; i < b->deg[v]; i++)
            if (!linked(b, b->nbr[v][i], v)) {
                say(err, errSize, "node %d links to node %d but not back", v, b->nbr[v][i]);
                return false;
            }
    }
    return true;
}

}

SolverBoard* solverBoardCreate(const SolverNodeDesc* nodes, int32_t nNodes, char* err, int32_t errSize)
{
    say(err, errSize, "");
    if (!nodes || nNodes < 2 || nNodes > SOLVER_MAX_NODES) {
        say(err, errSize, "a board needs 2 to %d nodes, not %d", SOLVER_MAX_NODES, nNodes);
        return nullptr;
    }
    std::unique_ptr<SolverBoard> b(new SolverBoard());
    b->n = nNodes;
    memset(b->nodeOfSlice, 0xFF, sizeof b->nodeOfSlice);
    for (int v = 0; v < nNodes; v++) {
        int h = nodes[v].home;
        if (h < 0 || h >= nNodes || b->nodeOfSlice[h] >= 0) {
            say(err, errSize, "node %d: home slice %d is out of 0..%d or repeated", v, h, nNodes - 1);
            return nullptr;
        }
        b->nodeOfSlice[h] = v;
        b->sliceOfNode[v] = h;
    }
    b->blankHome = b->nodeOfSlice[nNodes - 1];
    if (!checkLinks(b.get(), nodes, err, errSize))
        return nullptr;
    int u = 0, v = 0;
    if (!computeDistances(b.get(), &u, &v)) {
        say(err, errSize, "nodes %d and %d are not connected by any chain of links", u, v);
        return nullptr;
    }
    findBipartition(b.get());
    findChainOrRing(b.get());
    findGrid(b.get());
    return b.release();
}

SolverBoard* solverBoardCreateGrid(int32_t w, int32_t h, char* err, int32_t errSize)
{
    if (w < 1 || h < 1 || w * h < 2 || w * h > SOLVER_MAX_NODES) {
        say(err, errSize, "a grid needs 2 to %d cells, not %d x %d", SOLVER_MAX_NODES, w, h);
        return nullptr;
    }
    int n = w * h;
    std::vector<int32_t> links(size_t(n) * 4);
    std::vector<SolverNodeDesc> nodes(static_cast<size_t>(n));
    for (int k = 0; k < n; k++) {
        int32_t* l = &links[size_t(k) * 4];
        int c = 0, row = k / w, col = k % w;
        if (row > 0)
            l[c++] = k - w;
        if (col > 0)
            l[c++] = k - 1;
        if (col < w - 1)
            l[c++] = k + 1;
        if (row < h - 1)
            l[c++] = k + w;
        nodes[size_t(k)] = {.home = k, .nLinks = c, .links = l};
    }
    return solverBoardCreate(nodes.data(), n, err, errSize);
}

void solverBoardDestroy(SolverBoard* board)
{
    delete board;
}

int32_t solverBoardNodes(const SolverBoard* board)
{
    return board ? board->n : 0;
}

bool solverBoardBipartite(const SolverBoard* board)
{
    return board && board->bipartite;
}

bool solverStateFromPosition(const SolverBoard* b, const int32_t* pos, SolverState* s, char* message)
{
    int n = b->n;
    bool seen[SOLVER_MAX_NODES] = {};
    s->blank = -1;
    if (!pos) {
        say(message, SOLVER_MESSAGE_SIZE, "no position");
        return false;
    }
    for (int v = 0; v < n; v++) {
        int slice = pos[v];
        if (slice == -1) {
            if (s->blank >= 0) {
                say(message, SOLVER_MESSAGE_SIZE, "nodes %d and %d are both empty", s->blank, v);
                return false;
            }
            s->blank = v;
            s->at[v] = uint8_t(b->blankHome);
            continue;
        }
        if (slice < 0 || slice >= n - 1) {
            say(message, SOLVER_MESSAGE_SIZE, "node %d: slice %d is out of 0..%d", v, slice, n - 2);
            return false;
        }
        if (seen[slice]) {
            say(message, SOLVER_MESSAGE_SIZE, "slice %d appears twice", slice);
            return false;
        }
        seen[slice] = true;
        s->at[v] = uint8_t(b->nodeOfSlice[slice]);
    }
    if (s->blank < 0) {
        say(message, SOLVER_MESSAGE_SIZE, "no node is empty (-1)");
        return false;
    }
    return true;
}

bool solverStateIsGoal(const SolverBoard* b, const SolverState& s)
{
    for (int v = 0; v < b->n; v++)
        if (s.at[v] != v)
            return false;
    return true;
}

void solverMoveHole(SolverState* s, int to)
{
    uint8_t piece = s->at[to];
    s->at[to] = s->at[s->blank];
    s->at[s->blank] = piece;
    s->blank = to;
}

namespace {

// Parity of the permutation at[] (true = odd).
bool oddPermutation(const SolverBoard* b, const SolverState& s)
{
    bool seen[SOLVER_MAX_NODES] = {};
    bool odd = false;
    for (int v = 0; v < b->n; v++) {
        if (seen[v])
            continue;
        int len = 0;
        for (int u = v; !seen[u]; u = s.at[u]) {
            seen[u] = true;
            len++;
        }
        odd ^= (len % 2) == 0;
    }
    return odd;
}

// The pieces read along the chain or round the ring, skipping the hole.
int readOrder(const SolverBoard* b, const SolverState& s, bool goal, int* out)
{
    int start = 0;
    if (b->path)
        while (b->deg[start] != 1)
            start++;
    int count = 0, prev = -1, v = start;
    for (int i = 0; i < b->n; i++) {
        int piece = goal ? v : s.at[v];
        if (piece != b->blankHome)
            out[count++] = piece;
        int next = b->nbr[v][0] == prev && b->deg[v] > 1 ? b->nbr[v][1] : b->nbr[v][0];
        prev = v;
        v = next;
    }
    return count;
}

bool sameOrder(const SolverBoard* b, const SolverState& s)
{
    int now[SOLVER_MAX_NODES], goal[SOLVER_MAX_NODES];
    int m = readOrder(b, s, false, now);
    readOrder(b, s, true, goal);
    for (int shift = 0; shift < (b->cycle ? m : 1); shift++) {
        bool same = true;
        for (int i = 0; i < m && same; i++)
            same = now[(i + shift) % m] == goal[i];
        if (same)
            return true;
    }
    return false;
}

}

bool solverCheckInvariants(const SolverBoard* b, const SolverState& s, char* message)
{
    if (b->bipartite) {
        bool holeOdd = b->color[s.blank] != b->color[b->blankHome];
        if (oddPermutation(b, s) != holeOdd) {
            say(message, SOLVER_MESSAGE_SIZE,
                "unsolvable: the slices are an odd permutation away from the goal on a board where every "
                "ring of links is even");
            return false;
        }
    }
    if ((b->path || b->cycle) && !sameOrder(b, s)) {
        say(message, SOLVER_MESSAGE_SIZE, "unsolvable: on a %s the pieces can never change their order",
            b->path ? "chain" : "ring");
        return false;
    }
    for (int v = 0; v < b->n; v++)
        if (b->deg[v] == 1 && v != b->blankHome && s.blank != v && s.at[v] != v) {
            say(message, SOLVER_MESSAGE_SIZE, "unsolvable: the piece on dead-end node %d can never leave it",
                v);
            return false;
        }
    return true;
}

bool solverCheckPosition(const SolverBoard* board, const int32_t* pos, char* message)
{
    SolverState s;
    return board && solverStateFromPosition(board, pos, &s, message);
}

bool solverApplyMoves(const SolverBoard* board, int32_t* pos, const int32_t* moves, int32_t nMoves)
{
    if (!board || !pos || nMoves < 0 || (nMoves > 0 && !moves))
        return false;
    int n = board->n, hole = -1;
    for (int v = 0; v < n; v++)
        if (pos[v] == -1)
            hole = v;
    if (hole < 0)
        return false;
    for (int i = 0; i < nMoves; i++) {
        int to = moves[i];
        if (to < 0 || to >= n || !linked(board, hole, to))
            return false;
        hole = to;
    }
    for (int i = 0; i < nMoves; i++) {
        int from = -1;
        for (int v = 0; v < n && from < 0; v++)
            if (pos[v] == -1)
                from = v;
        pos[from] = pos[moves[i]];
        pos[moves[i]] = -1;
    }
    return true;
}

bool solverIsGoal(const SolverBoard* board, const int32_t* pos)
{
    if (!board || !pos)
        return false;
    for (int v = 0; v < board->n; v++) {
        int want = v == board->blankHome ? -1 : board->sliceOfNode[v];
        if (pos[v] != want)
            return false;
    }
    return true;
}

int64_t solverNowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool SolverBudget::expired()
{
    if (stopped)
        return true;
    if (cancel && __atomic_load_n(cancel, __ATOMIC_RELAXED))
        stopped = true;
    else if (deadlineNs && solverNowNs() >= deadlineNs)
        stopped = true;
    return stopped;
}

int64_t SolverBudget::remainingMs() const
{
    if (!deadlineNs)
        return INT64_MAX;
    int64_t left = (deadlineNs - solverNowNs()) / 1000000;
    return left > 0 ? left : 0;
}
