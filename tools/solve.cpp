// tobex solve: the shortest (or, within a budget, a good) solution of a board
// position, for authors checking boards and for tests.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/files.h"
#include "app/text.h"
#include "commands.h"
#include "ctl/controls.h"
#include "engine/classes.h"
#include "game/hint.h"
#include "obj/object.h"
#include "obj/worldfile.h"
#include "solver/solver.h"
#include "vfs/archive.h"

namespace {

const char kUsage[] = "usage: tobex solve [--budget MS] --grid WxH [--] POSITION...\n"
                      "       tobex solve [-m ARCHIVE]... [--budget MS] --board PUZZLE.w [--] POSITION...\n"
                      "\n"
                      "  POSITION   for nodes 0..n-1 in order (row-major on a grid), the slice on the\n"
                      "             node, -1 for the empty node; numbers may also be separated by commas\n"
                      "  --grid WxH a W x H grid: node k holds slice k when solved, the last node is empty\n"
                      "  --board F  the board of a Puzzle World file (nodes, links, home slices)\n"
                      "  -m ARCHIVE mount a ZIP archive first (may be repeated); F may name a member\n"
                      "  --budget MS  stop searching after MS milliseconds; a third line then says\n"
                      "             whether the solution is optimal\n"
                      "  --         ends the options (a position may begin with -1)\n"
                      "\n"
                      "Prints the number of moves, then the nodes the hole moves to, one per move.\n"
                      "Exit status: 0 solved, 1 unsolvable, bad position or board, or no solution\n"
                      "within the budget, 2 usage.\n";

int usageError(const char* message)
{
    fprintf(stderr, "tobex solve: %s\n\n%s", message, kUsage);
    return 2;
}

bool parseInt(const char* s, long lo, long hi, long* out)
{
    char* end = nullptr;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (errno || end == s || *end || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// Splits every argument at commas and spaces into numbers.
bool parsePosition(const std::vector<const char*>& args, std::vector<int32_t>* pos)
{
    for (const char* a : args) {
        std::string word;
        std::string text = std::string(a) + ",";
        for (char c : text) {
            if (c != ',' && c != ' ') {
                word += c;
                continue;
            }
            if (word.empty())
                continue;
            long v = 0;
            if (!parseInt(word.c_str(), -1000000, 1000000, &v)) {
                fprintf(stderr, "tobex solve: '%s' is not a number\n", word.c_str());
                return false;
            }
            pos->push_back(static_cast<int32_t>(v));
            word.clear();
        }
    }
    return true;
}

// The board of a Puzzle World file, read through the game's classes: its
// nodes (objects 0..n-1), their home slices and links.
SolverBoard* toolLoadBoard(const char* file, const char* const* archives, int nArchives, char* err,
                           int errSize)
{
    if (!vfsInit()) {
        snprintf(err, static_cast<size_t>(errSize), "the file system could not start");
        return nullptr;
    }
    char16_t path[TEXT_MAX_PATH];
    for (int i = 0; i < nArchives; i++)
        if (!textFromUtf8(path, TEXT_MAX_PATH, archives[i]) || vfsMount(path) < 1) {
            snprintf(err, static_cast<size_t>(errSize), "cannot mount '%s'", archives[i]);
            return nullptr;
        }
    if (!objInit() || !engineRegisterClasses() || !ctlStartup() || !gameRegisterClasses()) {
        snprintf(err, static_cast<size_t>(errSize), "the object model could not start");
        return nullptr;
    }
    void* loaded = textFromUtf8(path, TEXT_MAX_PATH, file) ? objLoadFile(path) : nullptr;
    if (!objIsA(loaded, &g_puzzleClass)) {
        snprintf(err, static_cast<size_t>(errSize), "'%s' %s", file,
                 loaded ? "holds no Puzzle" : "could not be loaded");
        return nullptr;
    }
    const Puzzle* p = static_cast<const Puzzle*>(loaded);
    const int32_t n = p->nSliceWidth * p->nSliceHeight;
    if (n < 2 || n > SOLVER_MAX_NODES || p->nSliceWidth <= 0 || p->nSliceHeight <= 0) {
        snprintf(err, static_cast<size_t>(errSize),
                 "the board has %d x %d slices; the solver takes 2 to %d nodes", p->nSliceWidth,
                 p->nSliceHeight, SOLVER_MAX_NODES);
        return nullptr;
    }
    std::vector<SolverNodeDesc> nodes(static_cast<size_t>(n));
    std::vector<int32_t> links(static_cast<size_t>(SOLVER_MAX_NODES * SOLVER_MAX_NODES));
    if (!hintDescribeBoard(p, nodes.data(), links.data(), static_cast<int32_t>(links.size()), err, errSize))
        return nullptr;
    return solverBoardCreate(nodes.data(), n, err, errSize);
}

void printSolution(const SolverResult& r, const std::vector<int32_t>& moves, bool sayOptimal)
{
    printf("%d\n", r.nMoves);
    for (int32_t i = 0; i < r.nMoves; i++)
        printf(i ? " %d" : "%d", moves[static_cast<size_t>(i)]);
    printf("\n");
    if (sayOptimal)
        printf("%s\n", r.optimal ? "optimal" : "not proven optimal");
}

}

int toolSolve(int argc, char** argv)
{
    const char* grid = nullptr;
    const char* boardFile = nullptr;
    std::vector<const char*> archives, positionArgs;
    long budget = 0;
    bool haveBudget = false;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        bool hasValue = i + 1 < argc;
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (!strcmp(a, "--")) {
            positionArgs.insert(positionArgs.end(), argv + i + 1, argv + argc);
            break;
        }
        if (!strcmp(a, "--grid") && hasValue)
            grid = argv[++i];
        else if (!strcmp(a, "--board") && hasValue)
            boardFile = argv[++i];
        else if (!strcmp(a, "-m") && hasValue)
            archives.push_back(argv[++i]);
        else if (!strcmp(a, "--budget") && hasValue) {
            if (!parseInt(argv[++i], 1, 24L * 3600 * 1000, &budget))
                return usageError("--budget needs a number of milliseconds");
            haveBudget = true;
        } else if (a[0] == '-' && a[1] && !(a[1] >= '0' && a[1] <= '9'))
            return usageError((std::string("unknown option or missing value: ") + a).c_str());
        else
            positionArgs.push_back(a);
    }
    if (!grid == !boardFile)
        return usageError("give exactly one of --grid WxH and --board FILE");
    std::vector<int32_t> pos;
    if (!parsePosition(positionArgs, &pos))
        return 1;

    toolStartEngine();
    char err[SOLVER_MESSAGE_SIZE] = "";
    SolverBoard* board = nullptr;
    if (grid) {
        int w = 0, h = 0;
        char tail = 0;
        if (sscanf(grid, "%dx%d%c", &w, &h, &tail) != 2)
            return usageError("--grid needs WxH, for example 4x4");
        board = solverBoardCreateGrid(w, h, err, sizeof err);
    } else {
        board = toolLoadBoard(boardFile, archives.data(), static_cast<int>(archives.size()), err, sizeof err);
    }
    if (!board) {
        fprintf(stderr, "tobex solve: bad board: %s\n", err);
        return 1;
    }
    int n = solverBoardNodes(board);
    if (static_cast<int>(pos.size()) != n) {
        fprintf(stderr, "tobex solve: bad position: %zu numbers for a board of %d nodes\n", pos.size(), n);
        solverBoardDestroy(board);
        return 1;
    }
    hintUseCacheFolders();  // the game's folders (never the current one, which would litter)
    std::vector<int32_t> moves(static_cast<size_t>(SOLVER_MAX_MOVES));
    SolverLimits limits{
        .budgetMs = static_cast<int32_t>(budget), .cancel = nullptr, .atLeast = 0, .atMost = 0};
    SolverResult r = solverSolve(board, pos.data(), &limits, moves.data(), SOLVER_MAX_MOVES);
    solverBoardDestroy(board);
    switch (r.status) {
    case SOLVER_SOLVED:
        printSolution(r, moves, haveBudget || !r.optimal);
        return 0;
    case SOLVER_BAD_POSITION:
        fprintf(stderr, "tobex solve: bad position: %s\n", r.message);
        return 1;
    case SOLVER_UNSOLVABLE:
    case SOLVER_GAVE_UP:
    case SOLVER_NONE_WITHIN:
        fprintf(stderr, "tobex solve: %s\n", r.message);
        return 1;
    }
    return 1;
}
