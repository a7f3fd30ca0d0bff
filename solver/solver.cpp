// The solver's entry points: which method answers which board, budgets, and the
// figures kept for the closing benchmarks.
#include <stdio.h>
#include <string.h>

#include "solver/internal.h"

namespace {

constexpr int kIdaMaxBound = 400;  // longer bounds would only burn the budget on boards this large

std::mutex g_statsLock;
SolverStats g_stats;

SolverResult result(SolverStatus status, const char* message)
{
    SolverResult r{};
    r.status = status;
    snprintf(r.message, sizeof r.message, "%s", message);
    return r;
}

// After the constructive solution, IDA* within the budget looks for a shorter
// one; finishing every bound below its length proves it shortest.
SolverResult improve(const SolverBoard* b, const SolverState& s, SolverBudget* budget, bool haveGreedy,
                     std::vector<int>* moves, const char* greedyMessage)
{
    SolverResult r = result(SOLVER_SOLVED, "");
    r.nMoves = int32_t(moves->size());
    int bound = haveGreedy && int(moves->size()) < kIdaMaxBound ? int(moves->size()) : kIdaMaxBound;
    std::vector<int> better;
    IdaOutcome outcome = budget->expired() ? IDA_STOPPED : idaSolve(b, s, bound, budget, &better);
    if (outcome == IDA_FOUND) {
        moves->swap(better);
        r.nMoves = int32_t(moves->size());
        r.optimal = true;
        return r;
    }
    if (!haveGreedy) {
        char text[SOLVER_MESSAGE_SIZE];
        snprintf(text, sizeof text, "no solution found (%s); the position may be unsolvable on this board",
                 greedyMessage);
        return result(SOLVER_GAVE_UP, text);
    }
    r.optimal = outcome == IDA_NONE_SHORTER && bound == int(moves->size());
    return r;
}

}

SolverResult solveState(SolverBoard* b, const SolverState& s, SolverBudget* budget, bool allowPatterns,
                        SolveBounds bounds, std::vector<int>* moves)
{
    moves->clear();
    SolverResult r = result(SOLVER_SOLVED, "");
    if (solverStateIsGoal(b, s)) {
        r.optimal = true;
        return r;
    }
    if (!solverCheckInvariants(b, s, r.message)) {
        r.status = SOLVER_UNSOLVABLE;
        return r;
    }
    if (b->n <= SOLVER_TABLE_MAX_NODES) {
        if (!tableSolve(b, s, moves))
            return result(SOLVER_UNSOLVABLE,
                          "unsolvable: this position cannot be reached from the goal on this board");
        if (bounds.atMost > 0 && int(moves->size()) > bounds.atMost)
            return result(SOLVER_NONE_WITHIN, "no solution that short");
        r.optimal = true;
        r.nMoves = int32_t(moves->size());
        return r;
    }
    if (allowPatterns && pdbApplies(b)) {
        PdbOutcome outcome = pdbSolve(b, s, bounds.atLeast, bounds.atMost, budget, moves);
        if (outcome == PDB_NONE_WITHIN)
            return result(SOLVER_NONE_WITHIN, "no solution that short");
        if (outcome == PDB_FOUND) {
            r.optimal = true;
            r.nMoves = int32_t(moves->size());
            return r;
        }
    }
    char why[SOLVER_MESSAGE_SIZE] = "";
    bool haveGreedy = greedySolve(b, s, budget, moves, why);
    if (haveGreedy)
        cutLoops(b, s, moves);
    else
        moves->clear();
    r = improve(b, s, budget, haveGreedy, moves, why);
    if (r.status == SOLVER_SOLVED && r.optimal && bounds.atMost > 0 && r.nMoves > bounds.atMost)
        return result(SOLVER_NONE_WITHIN, "no solution that short");
    return r;
}

SolverResult solverSolve(SolverBoard* board, const int32_t* pos, const SolverLimits* limits, int32_t* moves,
                         int32_t capacity)
{
    if (!board)
        return result(SOLVER_BAD_POSITION, "no board");
    SolverState s;
    SolverResult r{};
    if (!solverStateFromPosition(board, pos, &s, r.message)) {
        r.status = SOLVER_BAD_POSITION;
        return r;
    }
    SolverLimits none{};
    const SolverLimits& lim = limits ? *limits : none;
    bool exact = board->n <= SOLVER_TABLE_MAX_NODES || pdbApplies(board);
    int64_t budgetMs = lim.budgetMs > 0 ? lim.budgetMs : exact ? 0 : SOLVER_DEFAULT_BUDGET_MS;
    SolverBudget budget{.deadlineNs = budgetMs ? solverNowNs() + budgetMs * 1000000 : 0,
                        .cancel = lim.cancel,
                        .nodes = 0,
                        .stopped = false};
    std::vector<int> path;
    r = solveState(board, s, &budget, true, SolveBounds{.atLeast = lim.atLeast, .atMost = lim.atMost}, &path);
    r.nodesExpanded = budget.nodes;
    if (r.status != SOLVER_SOLVED)
        return r;
    if (path.size() > size_t(SOLVER_MAX_MOVES))
        return result(SOLVER_GAVE_UP, "the solution found is longer than the solver returns");
    r.nMoves = int32_t(path.size());
    for (int32_t i = 0; i < r.nMoves && i < capacity && moves; i++)
        moves[i] = path[size_t(i)];
    return r;
}

void solverSetCacheFolder(const char* folder)
{
    pdbSetFolder(folder);
}

void solverSetShippedCache(const char* folder)
{
    pdbSetShipped(folder);
}

int32_t solverPrepare()
{
    int64_t start = solverNowNs();
    pdbPrepare(nullptr);
    return int32_t((solverNowNs() - start) / 1000000);
}

bool solverQuickToStart(const SolverBoard* board)
{
    return !board || !pdbApplies(board) || pdbAtHand();
}

SolverStats solverStats()
{
    std::lock_guard<std::mutex> lock(g_statsLock);
    return g_stats;
}

void statsAddTable(int64_t bytes, int32_t ms)
{
    std::lock_guard<std::mutex> lock(g_statsLock);
    g_stats.tableBytes += bytes;
    g_stats.tableMs += ms;
}

void statsSetPatterns(int64_t bytes, int32_t ms, bool fromCache)
{
    std::lock_guard<std::mutex> lock(g_statsLock);
    g_stats.patternBytes = bytes;
    g_stats.patternMs = ms;
    g_stats.patternFromCache = fromCache;
}
