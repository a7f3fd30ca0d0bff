#pragma once
// Help for the player: the hint (the piece the shortest solution moves next;
// pressed again, it moves), undo back to the start of the board, the moves made
// and the moves left, and auto-solve.
//
// Two halves. The planner knows positions and slides only: it searches on a
// worker thread, follows the known solution while the player does, and answers
// from what it already knows when the player leaves it. The game half reads the
// board every frame, tells the planner about committed moves, acts on the
// commands and writes the counters.

#include <stdint.h>

#include "game/game.h"
#include "solver/solver.h"

// Command codes of the help buttons (the screens' data gives them as idCtl).
enum HintCommand {
    CMD_HINT = 161,
    CMD_UNDO = 162,
    CMD_AUTO_SOLVE = 163,
};

// ---- Planner ---------------------------------------------------------------------------------

struct HintPlanner;  // opaque: the board, the worker thread, the solutions known

struct HintPlannerStatus {
    int32_t movesMade;  // slides since the start, less those taken back
    int32_t movesLeft;  // length of the solution known for the position; -1 while none is
    bool optimal;       // movesLeft is the shortest
    bool thinking;      // no solution known yet and a search is on its way
    bool failed;        // the solver gave no answer for this position (see message)
    int32_t nextHole;   // node the hole moves to by the next slide of the solution; -1 none
    char message[SOLVER_MESSAGE_SIZE];
};

// Starts the worker on a board (nodes as for solverBoardCreate) in position pos
// and begins searching at once. Null with the reason in err on a refused board.
HintPlanner* hintPlannerCreate(const SolverNodeDesc* nodes, int32_t n, const int32_t* pos, char* err,
                               int32_t errSize);
void hintPlannerDestroy(HintPlanner* hp);  // cancels the search and joins the worker; null is fine
// A committed slide of the hole to node holeTo. takeBack: the slide undoes the
// last move (the counter goes down). False, nothing changed, when holeTo is not
// next to the hole.
bool hintPlannerMove(HintPlanner* hp, int32_t holeTo, bool takeBack);
// The node the hole returns to when the last move is taken back; -1 at the start.
int32_t hintPlannerUndoHole(const HintPlanner* hp);
// Collects finished searches and starts the next one (never waits for one).
void hintPlannerPoll(HintPlanner* hp);
// Polls until a solution for the position is known or the search gave up, at
// most maxMs; false when it is still thinking. Returns at once when the board
// needs the 4 x 4 databases built first (seconds).
bool hintPlannerWait(HintPlanner* hp, int32_t maxMs);
HintPlannerStatus hintPlannerStatus(const HintPlanner* hp);

// ---- The game's side -------------------------------------------------------------------------

// Points the solver at the per-user folder for its 4 x 4 databases, and at the
// program's folder for the file the build made (read when the user has none).
void hintUseCacheFolders();

// The solver's nodes of a board: objs 0..n-1, home slice = state, links as node
// indices (links holds nLinks entries per node from linkStore, which needs
// room for the sum of all link counts). False with the reason when a node or a
// link is missing.
bool hintDescribeBoard(const Puzzle* p, SolverNodeDesc* nodes, int32_t* linkStore, int32_t linkCap, char* err,
                       int32_t errSize);

// The frame's step, after a finished move is committed and before the command
// acts: follows the board, answers 161..163, moves the pieces the help asks for
// and writes the counters.
void hintWork(int command);
// The board goes (a new game, the menu, the end of the program): stops and
// joins the search; call before the board is destroyed.
void hintReset();
void hintShutDown();  // the end of the program: hintReset and every thread joined
