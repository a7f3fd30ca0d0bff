#pragma once
// What the solver's modules share: the checked board, the search state, the
// budget, and the entry points of each method.
//
// Inside the solver a piece is named by its goal node (piece t belongs on node
// t), and the hole carries the name of its own goal node, so a state is a
// permutation and the goal is the identity.

#include <stdint.h>

#include <memory>
#include <mutex>
#include <vector>

#include "solver/solver.h"

// Distance to the goal of every position of a board of up to 9 nodes, indexed by
// the position's permutation rank; 0xFF = unreachable.
struct BfsTable {
    std::vector<uint8_t> dist;
};

struct SolverBoard {
    int n;                                             // nodes
    int blankHome;                                     // node where the hole belongs
    int sliceOfNode[SOLVER_MAX_NODES];                 // home slice of each node
    int nodeOfSlice[SOLVER_MAX_NODES];                 // node of each home slice
    int deg[SOLVER_MAX_NODES];                         // links per node
    uint8_t nbr[SOLVER_MAX_NODES][SOLVER_MAX_NODES];   // neighbours, deg[v] of them
    uint8_t dist[SOLVER_MAX_NODES][SOLVER_MAX_NODES];  // shortest link count between nodes
    bool bipartite;                                    // every cycle has even length
    uint8_t color[SOLVER_MAX_NODES];                   // side of the bipartition (when bipartite)
    bool path;                                         // a single chain of nodes
    bool cycle;                                        // a single ring of nodes
    int gridW, gridH;                  // > 0 when the board is a grid with its hole home in a corner
    int cellOfNode[SOLVER_MAX_NODES];  // grid cell of each node, hole home in the last cell
    int nodeOfCell[SOLVER_MAX_NODES];
    std::unique_ptr<BfsTable> table;  // built at the first solve (up to 9 nodes)
    std::mutex tableLock;
};

struct SolverState {
    uint8_t at[SOLVER_MAX_NODES];  // piece on each node (the hole's name is blankHome)
    int blank;                     // node of the hole
};

// A wall-clock budget with a cancel flag, polled every few thousand nodes.
struct SolverBudget {
    int64_t deadlineNs;     // 0 = none
    const int32_t* cancel;  // may be null
    int64_t nodes;          // nodes expanded so far, across all methods
    bool stopped;           // set once the deadline passed or cancel was seen

    bool expired();  // polls the clock and the flag; sticky once true
    int64_t remainingMs() const;
};

int64_t solverNowNs();

// ---- board.cpp ---------------------------------------------------------------------------------
bool solverStateFromPosition(const SolverBoard* b, const int32_t* pos, SolverState* s, char* message);
bool solverStateIsGoal(const SolverBoard* b, const SolverState& s);
void solverMoveHole(SolverState* s, int to);
// Invariants that make a position unreachable (parity, order on chains and rings,
// dead ends); false with the reason in message when one is broken.
bool solverCheckInvariants(const SolverBoard* b, const SolverState& s, char* message);

// ---- table.cpp (up to 9 nodes) -----------------------------------------------------------------
constexpr int SOLVER_TABLE_MAX_NODES = 9;
// Exact solution from the breadth-first table; false when the state is unreachable.
bool tableSolve(SolverBoard* b, const SolverState& s, std::vector<int>* moves);

// ---- pdb.cpp (4 x 4 grids) ---------------------------------------------------------------------
bool pdbApplies(const SolverBoard* b);
// Builds or loads the databases; false when cancel (may be null) was raised
// during a build, which is then thrown away.
bool pdbPrepare(const int32_t* cancel);
void pdbSetFolder(const char* folder);
void pdbSetShipped(const char* folder);
bool pdbAtHand();  // in memory, or in the cache file; never waits for a build
enum PdbOutcome {
    PDB_FOUND,
    PDB_NONE_WITHIN,  // no solution of at most atMost moves
    PDB_STOPPED,      // the budget or the cancel flag stopped it
};
// Optimal IDA*, its first bound at least atLeast; atMost > 0 ends it after that bound.
PdbOutcome pdbSolve(const SolverBoard* b, const SolverState& s, int atLeast, int atMost, SolverBudget* budget,
                    std::vector<int>* moves);

// ---- search.cpp (any board) --------------------------------------------------------------------
enum IdaOutcome {
    IDA_FOUND,
    IDA_NONE_SHORTER,
    IDA_STOPPED
};
// IDA* on the sum of graph distances, trying lengths below `bound` only.
IdaOutcome idaSolve(const SolverBoard* b, const SolverState& s, int bound, SolverBudget* budget,
                    std::vector<int>* moves);

// ---- greedy.cpp (any board) --------------------------------------------------------------------
// A solution that need not be shortest: pieces placed one or two at a time, the
// rest solved exactly. False with the reason in message when it finds none.
bool greedySolve(const SolverBoard* b, const SolverState& s, SolverBudget* budget, std::vector<int>* moves,
                 char* message);
// Removes every stretch of moves that returns to an earlier position.
void cutLoops(const SolverBoard* b, const SolverState& s, std::vector<int>* moves);

// ---- solver.cpp --------------------------------------------------------------------------------
// The whole dispatch for a checked state; used again by greedy for the last region.
struct SolveBounds {
    int atLeast;  // 0 = unknown
    int atMost;   // 0 = any length
};
SolverResult solveState(SolverBoard* b, const SolverState& s, SolverBudget* budget, bool allowPatterns,
                        SolveBounds bounds, std::vector<int>* moves);
void statsAddTable(int64_t bytes, int32_t ms);
void statsSetPatterns(int64_t bytes, int32_t ms, bool fromCache);
