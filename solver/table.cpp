// Exact solving of boards of up to 9 nodes: a breadth-first search from the goal
// over every reachable position fills a table of distances indexed by the
// position's permutation rank (9! entries of one byte at most), and a solution
// walks down the distances one neighbour at a time.
#include "solver/internal.h"

namespace {

constexpr uint8_t kUnreached = 0xFF;

int factorial(int n)
{
    int f = 1;
    for (int i = 2; i <= n; i++)
        f *= i;
    return f;
}

// Lehmer-code rank of the permutation at[0..n-1].
uint32_t rankOf(const uint8_t* at, int n)
{
    uint32_t rank = 0;
    for (int i = 0; i < n; i++) {
        uint32_t smaller = 0;
        for (int j = i + 1; j < n; j++)
            smaller += at[j] < at[i];
        rank = rank * uint32_t(n - i) + smaller;
    }
    return rank;
}

uint64_t pack(const uint8_t* at, int n)
{
    uint64_t p = 0;
    for (int i = n - 1; i >= 0; i--)
        p = (p << 4) | at[i];
    return p;
}

void unpack(uint64_t p, uint8_t* at, int n)
{
    for (int i = 0; i < n; i++, p >>= 4)
        at[i] = uint8_t(p & 15);
}

void build(SolverBoard* b)
{
    int64_t start = solverNowNs();
    int n = b->n;
    auto* t = new BfsTable();
    t->dist.assign(size_t(factorial(n)), kUnreached);
    uint8_t at[SOLVER_TABLE_MAX_NODES];
    for (int v = 0; v < n; v++)
        at[v] = uint8_t(v);
    std::vector<uint64_t> queue;
    queue.reserve(t->dist.size() / 2 + 1);
    queue.push_back(pack(at, n));
    t->dist[rankOf(at, n)] = 0;
    for (size_t head = 0; head < queue.size(); head++) {
        unpack(queue[head], at, n);
        uint8_t d = t->dist[rankOf(at, n)];
        int blank = 0;
        while (at[blank] != b->blankHome)
            blank++;
        for (int i = 0; i < b->deg[blank]; i++) {
            int v = b->nbr[blank][i];
            std::swap(at[blank], at[v]);
            uint32_t r = rankOf(at, n);
            if (t->dist[r] == kUnreached) {
                t->dist[r] = uint8_t(d + 1);
                queue.push_back(pack(at, n));
            }
            std::swap(at[blank], at[v]);
        }
    }
    b->table.reset(t);
    statsAddTable(int64_t(t->dist.size()), int32_t((solverNowNs() - start) / 1000000));
}

}

bool tableSolve(SolverBoard* b, const SolverState& s, std::vector<int>* moves)
{
    {
        std::lock_guard<std::mutex> lock(b->tableLock);
        if (!b->table)
            build(b);
    }
    const std::vector<uint8_t>& dist = b->table->dist;
    SolverState cur = s;
    uint8_t d = dist[rankOf(cur.at, b->n)];
    if (d == kUnreached)
        return false;
    moves->clear();
    while (d > 0) {
        bool stepped = false;
        for (int i = 0; i < b->deg[cur.blank] && !stepped; i++) {
            SolverState next = cur;
            solverMoveHole(&next, b->nbr[cur.blank][i]);
            if (dist[rankOf(next.at, b->n)] == d - 1) {
                moves->push_back(next.blank);
                cur = next;
                stepped = true;
            }
        }
        d--;
    }
    return true;
}
