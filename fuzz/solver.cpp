// Fuzzes the solver with boards and positions as the data could describe them:
// node count, home slices and links (out of range, one-way, missing) and a
// position, solved within a short budget. Every answer must be an error, a
// refusal, or a solution that replays to the goal.
//
// Input: n, then per node its home slice, a link count and that many links,
// then n position entries; all signed bytes, a short input ends early.
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "solver/solver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t at = 0;
    auto next = [&]() { return at < size ? int32_t(int8_t(data[at++])) : -1; };
    int n = next() & 127;
    std::vector<SolverNodeDesc> nodes(static_cast<size_t>(n));
    std::vector<std::vector<int32_t>> links(static_cast<size_t>(n));
    for (int v = 0; v < n; v++) {
        int32_t home = next();
        int count = next() & 7;
        for (int i = 0; i < count; i++)
            links[size_t(v)].push_back(next());
        nodes[size_t(v)] = {.home = home, .nLinks = count, .links = links[size_t(v)].data()};
    }
    char err[SOLVER_MESSAGE_SIZE];
    SolverBoard* board = solverBoardCreate(nodes.data(), n, err, sizeof err);
    if (!board)
        return 0;
    std::vector<int32_t> pos(static_cast<size_t>(n));
    for (int v = 0; v < n; v++)
        pos[size_t(v)] = next();
    std::vector<int32_t> moves(static_cast<size_t>(SOLVER_MAX_MOVES));
    SolverLimits limits{.budgetMs = 20, .cancel = nullptr, .atLeast = 0, .atMost = 0};
    SolverResult r = solverSolve(board, pos.data(), &limits, moves.data(), SOLVER_MAX_MOVES);
    if (r.status == SOLVER_SOLVED &&
        !(solverApplyMoves(board, pos.data(), moves.data(), r.nMoves) && solverIsGoal(board, pos.data())))
        abort();
    solverBoardDestroy(board);
    return 0;
}
