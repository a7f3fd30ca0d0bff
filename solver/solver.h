#pragma once
// Solving sliding puzzles on a board graph: nodes, the links between them, and
// the slice that belongs on each node. The game's hint and the authors' tool
// both call it.
//
// A position lists, for nodes 0..n-1, the slice on the node or -1 for the hole.
// The goal puts slice k on the node whose home slice is k, with the hole on the
// home node of slice n-1. A solution lists the node the hole moves to, one
// entry per move.
//
// How a board is solved depends on its shape:
// - up to 9 nodes: exactly, from a table of every reachable position built by
//   breadth-first search the first time the board is solved;
// - 4 x 4 grids (in any node order, hole home in a corner): optimally, by IDA*
//   over additive 6-6-3 pattern databases with the reflected look-up, built once
//   per process (or read from the cache file, see solverSetCacheFolder);
// - every other board: a constructive solution that places pieces one or two
//   at a time, then IDA* within the time budget to shorten it or prove it
//   shortest.
// The solver has no global state besides the pattern databases, which are
// built under a lock; one board may be solved from one thread at a time.

#include <stdint.h>

constexpr int32_t SOLVER_MAX_NODES = 64;
constexpr int32_t SOLVER_MAX_MOVES = 65536;         // no solution returned is longer
constexpr int32_t SOLVER_DEFAULT_BUDGET_MS = 5000;  // budget for boards without an exact method
constexpr int32_t SOLVER_MESSAGE_SIZE = 160;

// ---- Records ---------------------------------------------------------------------------------

enum SolverStatus {
    SOLVER_SOLVED = 0,    // moves hold a solution; optimal says whether it is a shortest one
    SOLVER_UNSOLVABLE,    // no sequence of slides reaches the goal from this position
    SOLVER_GAVE_UP,       // the budget ran out or the search was cancelled before any solution
    SOLVER_BAD_POSITION,  // the position does not fit the board (see message)
    SOLVER_NONE_WITHIN,   // limits.atMost was set and an exact method proved no solution that short
};

// One node of a board as the data describes it.
struct SolverNodeDesc {
    int32_t home;          // the slice that belongs on this node (0..n-1, each once)
    int32_t nLinks;        // entries in links
    const int32_t* links;  // neighbour node indices; links must be symmetric
};

// How to search. A zeroed record asks for the defaults.
struct SolverLimits {
    int32_t budgetMs;       // wall-clock budget; 0 = exact methods run to the end, others get the default
    const int32_t* cancel;  // when non-null and it becomes non-zero (atomically), the search stops
    int32_t atLeast;  // the caller knows no solution is shorter (0 = unknown); exact searches start there
    int32_t atMost;   // > 0: only solutions of at most this many moves are wanted (see solverSolve)
};

struct SolverResult {
    SolverStatus status;
    bool optimal;                       // SOLVER_SOLVED: the solution is a shortest one
    int32_t nMoves;                     // SOLVER_SOLVED: length of the solution
    int64_t nodesExpanded;              // search effort, for benchmarks
    char message[SOLVER_MESSAGE_SIZE];  // why, for every status but SOLVER_SOLVED
};

struct SolverBoard;  // a checked board with its tables (opaque)

// ---- Boards -----------------------------------------------------------------------------------

// Checks the description and builds a board. Null on a malformed board: fewer
// than 2 or more than SOLVER_MAX_NODES nodes, home slices that are not 0..n-1
// each once, a link to a non-node or to the node itself, an asymmetric link, an
// isolated node, or nodes that no chain of links connects; err (errSize bytes,
// may be null) then says which.
SolverBoard* solverBoardCreate(const SolverNodeDesc* nodes, int32_t nNodes, char* err, int32_t errSize);
// A w x h grid: node k is the cell at row k / w, column k % w, with home slice k.
SolverBoard* solverBoardCreateGrid(int32_t w, int32_t h, char* err, int32_t errSize);
void solverBoardDestroy(SolverBoard* board);  // null is fine
int32_t solverBoardNodes(const SolverBoard* board);
// Every cycle of links has even length (grids do): one slide then changes the
// distance to the goal by exactly one.
bool solverBoardBipartite(const SolverBoard* board);

// ---- Solving ---------------------------------------------------------------------------------

// Solves from pos (solverBoardNodes entries). moves receives up to capacity
// entries of the solution; result.nMoves may be larger than capacity. With
// limits.atMost, the exact methods (tables, 4 x 4) answer SOLVER_NONE_WITHIN
// when every solution is longer; the budgeted method may still return a longer
// one, marked not optimal. A wrong limits.atLeast (longer than the shortest
// solution) may give a solution that is called optimal and is not.
SolverResult solverSolve(SolverBoard* board, const int32_t* pos, const SolverLimits* limits, int32_t* moves,
                         int32_t capacity);
// Checks pos alone; false with the reason in message (SOLVER_MESSAGE_SIZE bytes, may be null).
bool solverCheckPosition(const SolverBoard* board, const int32_t* pos, char* message);
// Applies moves to pos in place; false (pos unchanged) when a move is not a slide into the hole.
bool solverApplyMoves(const SolverBoard* board, int32_t* pos, const int32_t* moves, int32_t nMoves);
bool solverIsGoal(const SolverBoard* board, const int32_t* pos);

// ---- Pattern databases --------------------------------------------------------------------------

// A folder (UTF-8, no trailing slash needed) where the 4 x 4 pattern databases
// are kept between runs; null or empty keeps them in memory only. Call before
// the first solve; a missing or damaged file is rebuilt and rewritten.
void solverSetCacheFolder(const char* folder);
// A read-only folder (the program's own) whose databases file, made when the
// program was built, is read when the cache folder has none.
void solverSetShippedCache(const char* folder);
// Builds (or loads) the pattern databases now instead of at the first 4 x 4
// solve. Returns the milliseconds it took (0 when already done).
int32_t solverPrepare();

// False when solving this board would first build the 4 x 4 pattern databases
// (seconds of work): they are neither in memory nor in the cache file.
bool solverQuickToStart(const SolverBoard* board);

struct SolverStats {
    int64_t tableBytes;     // bytes of breadth-first tables built so far
    int32_t tableMs;        // milliseconds spent building them
    int64_t patternBytes;   // bytes of the pattern databases (0 until built)
    int32_t patternMs;      // milliseconds spent building or loading them
    bool patternFromCache;  // they were read from the cache file
};
SolverStats solverStats();
