// IDA* on any board, bounded by the sum over pieces of the link distance to
// their home node (each move carries one piece over one link, so the sum never
// overestimates). Used within the budget to shorten a constructive solution or
// to prove it shortest.
#include "solver/internal.h"

namespace {

struct Ida {
    const SolverBoard* b;
    SolverState s;
    int h;
    int threshold;
    int nextThreshold;
    int length;
    std::vector<int> path;
    SolverBudget* budget;

    // 1 found, 0 not within the threshold, -1 stopped.
    int dfs(int g, int from)
    {
        if (g + h > threshold) {
            if (g + h < nextThreshold)
                nextThreshold = g + h;
            return 0;
        }
        if (h == 0) {
            length = g;
            return 1;
        }
        if ((++budget->nodes & 0x3FFF) == 0 && budget->expired())
            return -1;
        int here = s.blank;
        for (int e = 0; e < b->deg[here]; e++) {
            int c = b->nbr[here][e];
            if (c == from)
                continue;
            int piece = s.at[c];
            int delta = int(b->dist[here][piece]) - int(b->dist[c][piece]);
            solverMoveHole(&s, c);
            h += delta;
            path[size_t(g)] = c;
            int r = dfs(g + 1, here);
            if (r != 0)
                return r;
            h -= delta;
            solverMoveHole(&s, here);
        }
        return 0;
    }
};

}

IdaOutcome idaSolve(const SolverBoard* b, const SolverState& s, int bound, SolverBudget* budget,
                    std::vector<int>* moves)
{
    Ida ida{.b = b,
            .s = s,
            .h = 0,
            .threshold = 0,
            .nextThreshold = 0,
            .length = 0,
            .path = {},
            .budget = budget};
    for (int v = 0; v < b->n; v++)
        if (s.at[v] != b->blankHome)
            ida.h += b->dist[v][s.at[v]];
    ida.threshold = ida.h;
    ida.path.resize(size_t(bound > 0 ? bound : 1));
    while (ida.threshold < bound) {
        ida.nextThreshold = 1 << 30;
        int r = ida.dfs(0, -1);
        if (r < 0)
            return IDA_STOPPED;
        if (r > 0) {
            moves->assign(ida.path.begin(), ida.path.begin() + ida.length);
            return IDA_FOUND;
        }
        if (ida.nextThreshold >= bound)
            break;
        ida.threshold = ida.nextThreshold;
    }
    return IDA_NONE_SHORTER;
}
