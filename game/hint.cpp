// Help for the player: the planner that keeps a solution for the position at
// hand, and the game's hint, undo, counters and auto-solve on top of it.
//
// The planner's invariants: the frame thread alone touches the positions, the
// plans and the history; the worker sees one job at a time (a copy of a
// position and its bounds) and hands back one answer, both under the lock. A
// solution known for a position stays right for every position along it, so
// following it needs no search. Leaving it by one slide from a position d moves
// from the goal gives a position at most d + 1 away (back, then the old
// solution) and at least d - 1; one bounded search (an exact method proving
// "nothing of d - 1", or of d on boards with odd cycles) settles which. While
// the player thinks, the worker settles that in advance for every neighbour.
#include "game/hint.h"

#include <string.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/files.h"
#include "app/host.h"
#include "app/log.h"
#include "app/text.h"
#include "engine/scene.h"
#include "sound/sound.h"

namespace {

constexpr size_t kCacheLimit = 512;        // positions remembered before the memory is cleared
constexpr int32_t kMaxBoardNodes = 64;     // the solver's limit
constexpr int32_t kMaxLinks = 64 * 64;     // links of a board the solver takes
constexpr TIME kPulsePeriod = 800;         // ms of one pulse of the hinted piece
constexpr int32_t kPulseDepth = 140;       // alpha taken off at the pulse's low point
constexpr int32_t kVirtualWaitMs = 20000;  // the longest a virtual-clock frame waits for an answer

struct Plan {
    std::vector<int32_t> moves;  // nodes the hole moves to
    bool optimal = false;
};

struct Job {
    uint64_t id = 0;
    std::vector<int32_t> pos;
    int32_t atLeast = 0, atMost = 0;
};

struct Answer {
    uint64_t id = 0;
    SolverResult result{};
    std::vector<int32_t> moves;
};

// What the frame thread keeps about the job in flight: the position, and the
// solution it falls back on when the search proves nothing shorter.
struct Flight {
    uint64_t id = 0;
    std::vector<int32_t> pos;
    bool haveFallback = false;
    Plan fallback;
};

std::string keyOf(const std::vector<int32_t>& pos)
{
    return std::string(reinterpret_cast<const char*>(pos.data()), pos.size() * sizeof(int32_t));
}

}

struct HintPlanner {
    SolverBoard* board = nullptr;
    int32_t n = 0;
    bool bipartite = false;
    std::vector<std::vector<int32_t>> links;

    // The frame thread's view.
    std::vector<int32_t> pos;
    int32_t hole = -1;
    bool known = false;  // plan is a solution of pos
    Plan plan;
    bool failed = false;
    char message[SOLVER_MESSAGE_SIZE] = "";
    Flight next;  // the search pos needs when !known: fallback and bounds
    int32_t nextAtLeast = 0, nextAtMost = 0;
    std::vector<int32_t> history;  // hole before each move still standing
    std::map<std::string, Plan> cache;
    bool flying = false;
    Flight flight;
    uint64_t lastId = 0;

    // Shared with the worker, under lock.
    std::mutex lock;
    std::condition_variable wake;
    bool quit = false;
    bool haveJob = false;
    Job job;
    uint64_t busyId = 0;
    std::vector<Answer> answers;
    int32_t cancel = 0;  // read by the solver atomically
    std::thread worker;

    void work();
    void submit(const std::vector<int32_t>& at, const Flight& info, int32_t atLeast, int32_t atMost);
    void dropFlight();
    void settle(const Answer& a);
    void schedule();
    void adopt(const Plan& p);
    // The search a position one slide away from here needs, given what is known here.
    void boundsFor(int32_t from, Flight* info, int32_t* atLeast, int32_t* atMost) const;
};

void HintPlanner::work()
{
    std::vector<int32_t> buffer(static_cast<size_t>(SOLVER_MAX_MOVES));
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return quit || haveJob; });
        if (quit)
            return;
        Job j = std::move(job);
        haveJob = false;
        busyId = j.id;
        __atomic_store_n(&cancel, 0, __ATOMIC_RELAXED);
        guard.unlock();
        SolverLimits limits{.budgetMs = 0, .cancel = &cancel, .atLeast = j.atLeast, .atMost = j.atMost};
        Answer a;
        a.id = j.id;
        a.result = solverSolve(board, j.pos.data(), &limits, buffer.data(), SOLVER_MAX_MOVES);
        if (a.result.status == SOLVER_SOLVED)
            a.moves.assign(buffer.begin(), buffer.begin() + a.result.nMoves);
        guard.lock();
        busyId = 0;
        answers.push_back(std::move(a));
    }
}

void HintPlanner::submit(const std::vector<int32_t>& at, const Flight& info, int32_t atLeast, int32_t atMost)
{
    flight = info;
    flight.id = ++lastId;
    flight.pos = at;
    flying = true;
    std::lock_guard<std::mutex> guard(lock);
    job = Job{.id = flight.id, .pos = at, .atLeast = atLeast, .atMost = atMost};
    haveJob = true;
    wake.notify_one();
}

// Forgets the job in flight: withdrawn before the worker took it, else cancelled.
void HintPlanner::dropFlight()
{
    if (!flying)
        return;
    flying = false;
    std::lock_guard<std::mutex> guard(lock);
    if (haveJob && job.id == flight.id)
        haveJob = false;
    if (busyId == flight.id)
        __atomic_store_n(&cancel, 1, __ATOMIC_RELAXED);
}

void HintPlanner::boundsFor(int32_t from, Flight* info, int32_t* atLeast, int32_t* atMost) const
{
    *info = Flight{};
    *atLeast = *atMost = 0;
    if (!known)
        return;
    // Back to here, then the solution known here.
    info->haveFallback = true;
    info->fallback.moves.reserve(plan.moves.size() + 1);
    info->fallback.moves.push_back(from);
    info->fallback.moves.insert(info->fallback.moves.end(), plan.moves.begin(), plan.moves.end());
    if (!plan.optimal)
        return;
    const int32_t d = int32_t(plan.moves.size());
    *atLeast = d > 0 ? d - 1 : 0;
    *atMost = bipartite ? d - 1 : d;
    // Nothing that short means the way back is a shortest one.
    info->fallback.optimal = true;
    if (*atMost <= 0) {
        *atLeast = 0;
        *atMost = 0;
        info->fallback.optimal = false;
    }
}

void HintPlanner::adopt(const Plan& p)
{
    plan = p;
    known = true;
    failed = false;
}

void HintPlanner::settle(const Answer& a)
{
    if (!flying || a.id != flight.id)
        return;  // withdrawn or cancelled
    flying = false;
    const bool current = flight.pos == pos;
    Plan p;
    const SolverResult& r = a.result;
    if (r.status == SOLVER_SOLVED) {
        p.moves = a.moves;
        p.optimal = r.optimal;
        // A budgeted answer longer than the way back is worth less.
        if (!p.optimal && flight.haveFallback && flight.fallback.moves.size() <= p.moves.size())
            p = flight.fallback;
    } else if ((r.status == SOLVER_NONE_WITHIN || r.status == SOLVER_GAVE_UP) && flight.haveFallback) {
        p = flight.fallback;
        p.optimal = r.status == SOLVER_NONE_WITHIN && flight.fallback.optimal;
    } else {
        if (current) {
            failed = true;
            snprintf(message, sizeof message, "%s", r.message);
            logWrite("Hint: no answer: ", 0);
            logLine(r.message);
        }
        return;
    }
    if (cache.size() >= kCacheLimit)
        cache.clear();
    cache[keyOf(flight.pos)] = p;
    if (current && !known)
        adopt(p);
}

void HintPlanner::schedule()
{
    if (flying)
        return;
    if (!known) {
        if (!failed)
            submit(pos, next, nextAtLeast, nextAtMost);
        return;
    }
    if (!plan.optimal)
        return;
    // Settle in advance each slide the player may take off the solution.
    for (int32_t c : links[size_t(hole)]) {
        if (!plan.moves.empty() && plan.moves[0] == c)
            continue;
        std::vector<int32_t> at = pos;
        std::swap(at[size_t(hole)], at[size_t(c)]);
        if (cache.count(keyOf(at)))
            continue;
        Flight info;
        int32_t atLeast = 0, atMost = 0;
        boundsFor(hole, &info, &atLeast, &atMost);
        submit(at, info, atLeast, atMost);
        return;
    }
}

HintPlanner* hintPlannerCreate(const SolverNodeDesc* nodes, int32_t n, const int32_t* pos, char* err,
                               int32_t errSize)
{
    SolverBoard* board = solverBoardCreate(nodes, n, err, errSize);
    if (!board)
        return nullptr;
    char why[SOLVER_MESSAGE_SIZE];
    if (!pos || !solverCheckPosition(board, pos, why)) {
        if (err && errSize > 0)
            snprintf(err, size_t(errSize), "%s", pos ? why : "no position");
        solverBoardDestroy(board);
        return nullptr;
    }
    HintPlanner* hp = new HintPlanner;
    hp->board = board;
    hp->n = n;
    hp->bipartite = solverBoardBipartite(board);
    hp->links.resize(size_t(n));
    for (int32_t v = 0; v < n; v++)
        hp->links[size_t(v)].assign(nodes[v].links, nodes[v].links + nodes[v].nLinks);
    hp->pos.assign(pos, pos + n);
    for (int32_t v = 0; v < n; v++)
        if (pos[v] < 0)
            hp->hole = v;
    if (solverIsGoal(board, pos))
        hp->adopt(Plan{.moves = {}, .optimal = true});
    hp->worker = std::thread([hp] { hp->work(); });
    hp->schedule();
    return hp;
}

void hintPlannerDestroy(HintPlanner* hp)
{
    if (!hp)
        return;
    {
        std::lock_guard<std::mutex> guard(hp->lock);
        hp->quit = true;
        __atomic_store_n(&hp->cancel, 1, __ATOMIC_RELAXED);
        hp->wake.notify_one();
    }
    hp->worker.join();
    solverBoardDestroy(hp->board);
    delete hp;
}

bool hintPlannerMove(HintPlanner* hp, int32_t holeTo, bool takeBack)
{
    if (!hp || hp->hole < 0 || holeTo < 0 || holeTo >= hp->n)
        return false;
    const std::vector<int32_t>& around = hp->links[size_t(hp->hole)];
    if (std::find(around.begin(), around.end(), holeTo) == around.end())
        return false;
    if (hp->known) {
        if (hp->cache.size() >= kCacheLimit)
            hp->cache.clear();
        hp->cache[keyOf(hp->pos)] = hp->plan;
    }
    std::vector<int32_t> at = hp->pos;
    std::swap(at[size_t(hp->hole)], at[size_t(holeTo)]);
    // What the new position needs when nothing is known of it.
    hp->boundsFor(hp->hole, &hp->next, &hp->nextAtLeast, &hp->nextAtMost);
    Plan following;
    const bool follows = hp->known && !hp->plan.moves.empty() && hp->plan.moves[0] == holeTo;
    if (follows) {
        following.moves.assign(hp->plan.moves.begin() + 1, hp->plan.moves.end());
        following.optimal = hp->plan.optimal;
    }
    if (takeBack && !hp->history.empty())
        hp->history.pop_back();
    else
        hp->history.push_back(hp->hole);
    hp->pos = at;
    hp->hole = holeTo;
    hp->known = false;
    hp->failed = false;
    hp->message[0] = 0;
    auto cached = hp->cache.find(keyOf(at));
    if (follows)
        hp->adopt(following);
    else if (cached != hp->cache.end())
        hp->adopt(cached->second);
    // The search in flight is worth keeping only when it is for this position.
    if (hp->flying && hp->flight.pos != hp->pos)
        hp->dropFlight();
    hp->schedule();
    return true;
}

int32_t hintPlannerUndoHole(const HintPlanner* hp)
{
    return hp && !hp->history.empty() ? hp->history.back() : -1;
}

void hintPlannerPoll(HintPlanner* hp)
{
    if (!hp)
        return;
    std::vector<Answer> done;
    {
        std::lock_guard<std::mutex> guard(hp->lock);
        done.swap(hp->answers);
    }
    for (const Answer& a : done)
        hp->settle(a);
    hp->schedule();
}

bool hintPlannerWait(HintPlanner* hp, int32_t maxMs)
{
    if (!hp || !solverQuickToStart(hp->board))
        return false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    for (;;) {
        hintPlannerPoll(hp);
        if (hp->known || hp->failed)
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

HintPlannerStatus hintPlannerStatus(const HintPlanner* hp)
{
    HintPlannerStatus s{};
    s.movesLeft = -1;
    s.nextHole = -1;
    if (!hp)
        return s;
    s.movesMade = int32_t(hp->history.size());
    s.failed = hp->failed;
    s.thinking = !hp->known && !hp->failed;
    if (hp->known) {
        s.movesLeft = int32_t(hp->plan.moves.size());
        s.optimal = hp->plan.optimal;
        s.nextHole = hp->plan.moves.empty() ? -1 : hp->plan.moves[0];
    }
    snprintf(s.message, sizeof s.message, "%s", hp->message);
    return s;
}

// ---- The game's side -------------------------------------------------------------------------

namespace {

struct GameHint {
    HintPlanner* planner = nullptr;
    const Puzzle* puzzle = nullptr;  // the board the planner follows
    std::vector<int32_t> pos;        // its position when last read
    int32_t presses = 0;             // hint presses not yet answered (two: highlight, then move)
    int32_t highlighted = -1;        // node whose piece pulses
    ObjectId highlightPiece = OBJ_NONE;
    bool takingBack = false;  // the running move is an undo
    bool autoSolve = false;
    bool refused = false;  // the solver refused this board: no help for it
    bool folderSet = false;
    bool waiting = false;  // thinking since waitStart (ns), for the log
    int64_t waitStart = 0;
    HintPlannerStatus shown = hintPlannerStatus(nullptr);
    std::u16string madeText, leftText;  // what the counters show
};

GameHint g_hint;

// Reads the 4 x 4 databases from their file while the intro and the menu show,
// so the first board's answer does not wait for them. It never builds them
// (that takes seconds; the first 4 x 4 search does it, cancellably). Held by
// pointer: an abnormal exit (appFatal) must not find a joinable thread object.
std::thread* g_loader = nullptr;
std::atomic<bool> g_loaderDone{false};
bool g_loaderTried = false;

int64_t nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int32_t slices(const Puzzle* p)
{
    return p->nSliceWidth * p->nSliceHeight;
}

Piece* pieceOn(const Puzzle* p, int32_t k)
{
    Node* node = boardNode(p, k);
    void* piece = node ? objGet(node->piece) : nullptr;
    return objIsA(piece, &g_pieceClass) ? static_cast<Piece*>(piece) : nullptr;
}

int32_t holeOf(const std::vector<int32_t>& pos)
{
    auto it = std::find(pos.begin(), pos.end(), -1);
    return it == pos.end() ? -1 : int32_t(it - pos.begin());
}

// The board's position in the saved form: the slice on each node, -1 for the empty node.
bool readPosition(const Puzzle* p, int32_t* pos)
{
    const int32_t n = slices(p);
    for (int32_t k = 0; k < n; k++) {
        if (!boardNode(p, k))
            return false;
        const Piece* piece = pieceOn(p, k);
        pos[k] = piece ? piece->frame : -1;
    }
    return true;
}

void useCacheFolder()
{
    if (g_hint.folderSet)
        return;
    g_hint.folderSet = true;
    hintUseCacheFolders();
}

void joinLoader()
{
    if (!g_loader)
        return;
    g_loader->join();
    delete g_loader;
    g_loader = nullptr;
}

void startLoader()
{
    g_loaderTried = true;
    useCacheFolder();
    SolverBoard* grid = solverBoardCreateGrid(4, 4, nullptr, 0);
    const bool inFile = grid && solverQuickToStart(grid);
    solverBoardDestroy(grid);
    if (!inFile)
        return;
    g_loader = new std::thread([] {
        solverPrepare();
        g_loaderDone = true;
    });
}

void clearHighlight()
{
    void* piece = objGet(g_hint.highlightPiece);
    if (objIsA(piece, &g_pieceClass))
        static_cast<Piece*>(piece)->alpha = 256;
    g_hint.highlighted = -1;
    g_hint.highlightPiece = OBJ_NONE;
}

void highlight(const Puzzle* p, int32_t k)
{
    clearHighlight();
    Piece* piece = pieceOn(p, k);
    if (!piece)
        return;
    g_hint.highlighted = k;
    g_hint.highlightPiece = objId(piece);
}

// The hinted piece fades and returns, once per period, so the eye finds it.
void pulse()
{
    void* piece = objGet(g_hint.highlightPiece);
    if (!objIsA(piece, &g_pieceClass))
        return;
    const int32_t phase = int32_t(timeNow() % kPulsePeriod) * 2 * kPulseDepth / int32_t(kPulsePeriod);
    static_cast<Piece*>(piece)->alpha = 256 - (phase < kPulseDepth ? phase : 2 * kPulseDepth - phase);
}

void stopPlanner()
{
    clearHighlight();
    hintPlannerDestroy(g_hint.planner);
    g_hint.planner = nullptr;
    g_hint.presses = 0;
    g_hint.autoSolve = false;
    g_hint.takingBack = false;
    g_hint.waiting = false;
}

void startPlanner(const Puzzle* p)
{
    SolverNodeDesc nodes[kMaxBoardNodes];
    static int32_t linkStore[kMaxLinks];
    char err[SOLVER_MESSAGE_SIZE] = "";
    std::vector<int32_t> pos(size_t(slices(p) > 0 ? slices(p) : 0));
    bool ok = slices(p) >= 2 && slices(p) <= kMaxBoardNodes &&
              hintDescribeBoard(p, nodes, linkStore, kMaxLinks, err, sizeof err) &&
              readPosition(p, pos.data());
    if (ok) {
        useCacheFolder();
        g_hint.planner = hintPlannerCreate(nodes, slices(p), pos.data(), err, sizeof err);
    }
    if (!g_hint.planner) {
        g_hint.refused = true;
        logWrite("Hint: no help on this board: ", 0);
        logLine(err[0] ? err : "the board has too few or too many nodes");
        return;
    }
    g_hint.pos = pos;
    g_hint.shown = hintPlannerStatus(g_hint.planner);
}

// Starts an animated slide of the piece on node k into the hole.
bool slide(Puzzle* p, int32_t k)
{
    Piece* piece = pieceOn(p, k);
    Node* hole = boardNode(p, holeOf(g_hint.pos));
    if (!piece || !hole)
        return false;
    clearHighlight();
    startMove(piece, hole);
    if (!p->moving)
        return false;
    gamePlay(g_game.sounds[SND_MOVEPIECE]);
    return true;
}

// Tells the planner about a committed move; a board changed in any other way
// starts the planner again (the undo history goes).
void follow(const Puzzle* p)
{
    std::vector<int32_t> pos(g_hint.pos.size());
    if (!readPosition(p, pos.data()) || pos == g_hint.pos)
        return;
    const int32_t from = holeOf(g_hint.pos), to = holeOf(pos);
    std::vector<int32_t> expect = g_hint.pos;
    if (from >= 0 && to >= 0)
        std::swap(expect[size_t(from)], expect[size_t(to)]);
    const bool takeBack = g_hint.takingBack;
    g_hint.takingBack = false;
    clearHighlight();
    if (expect == pos && hintPlannerMove(g_hint.planner, to, takeBack)) {
        g_hint.pos = pos;
        return;
    }
    logLine("Hint: the board changed by more than a slide; following it afresh");
    stopPlanner();
    startPlanner(p);
}

void undo(Puzzle* p)
{
    g_hint.autoSolve = false;
    g_hint.presses = 0;
    clearHighlight();
    if (p->moving)
        return;
    const int32_t back = hintPlannerUndoHole(g_hint.planner);
    if (back < 0 || !slide(p, back)) {
        gamePlay(g_game.sounds[SND_ERROR]);
        return;
    }
    g_hint.takingBack = true;
}

// Answers hint presses and drives auto-solve once the solution is known.
void serve(Puzzle* p)
{
    const HintPlannerStatus& s = g_hint.shown;
    if (s.failed && (g_hint.presses > 0 || g_hint.autoSolve)) {
        g_hint.presses = 0;
        g_hint.autoSolve = false;
        gamePlay(g_game.sounds[SND_ERROR]);
        return;
    }
    if (s.movesLeft == 0) {
        g_hint.presses = 0;
        g_hint.autoSolve = false;
        return;
    }
    if (s.nextHole < 0)
        return;
    if (g_hint.autoSolve) {
        g_hint.presses = 0;
        slide(p, s.nextHole);
        return;
    }
    while (g_hint.presses > 0) {
        g_hint.presses--;
        if (g_hint.highlighted == s.nextHole) {
            slide(p, s.nextHole);
            return;
        }
        highlight(p, s.nextHole);
        logWrite("Hint: node ", 0);
        logWrite(&s.nextHole, LOG_INT | LOG_EOL);
    }
}

void act(Puzzle* p, int command)
{
    // Auto-solve chains its moves without a pause, so a screen command (quit,
    // leave) would always find a piece moving: any of them stops it first.
    const bool screenCommand =
        command >= CMD_TO_MENU && command <= CMD_WEB_SITE && command != CMD_VOLUME && command != CMD_MUTE;
    if (screenCommand)
        g_hint.autoSolve = false;
    switch (command) {
    case CMD_HINT:
        if (g_hint.presses < 2)
            g_hint.presses++;
        return;
    case CMD_UNDO:
        undo(p);
        return;
    case CMD_AUTO_SOLVE:
        g_hint.autoSolve = !g_hint.autoSolve;
        g_hint.presses = 0;
        return;
    default:
        return;
    }
}

// Logs how long the player could have waited for each answer.
void noteWait(const HintPlannerStatus& s)
{
    if (s.thinking && !g_hint.waiting) {
        g_hint.waiting = true;
        g_hint.waitStart = nowNs();
    } else if (!s.thinking && g_hint.waiting) {
        g_hint.waiting = false;
        float ms = float(double(nowNs() - g_hint.waitStart) / 1e6);
        logWrite("Hint: answer after (ms): ", 0);
        logWrite(&ms, LOG_FLOAT | LOG_EOL);
    }
}

void writeCounter(const char* name, std::u16string* last, const std::u16string& text)
{
    if (*last == text)
        return;
    void* ctl = uiFind("CtlStatic", name, nullptr);
    if (!ctl)
        return;
    uiSetText(ctl, "text", text.c_str());
    *last = text;
}

std::u16string wide(const char* s)
{
    char16_t out[64];
    textFromLatin1(out, 64, s);
    return out;
}

void display()
{
    const HintPlannerStatus& s = g_hint.shown;
    char made[32], left[32];
    snprintf(made, sizeof made, "Moves %d", s.movesMade);
    if (s.movesLeft >= 0)
        snprintf(left, sizeof left, s.optimal ? "Left %d" : "Left %d?", s.movesLeft);
    else
        snprintf(left, sizeof left, "%s", s.thinking ? "thinking" : s.failed ? "Left ?" : "");
    writeCounter("moveCount", &g_hint.madeText, wide(made));
    writeCounter("movesLeft", &g_hint.leftText, wide(left));
}

}

// The pattern databases live in the per-user data folder, so every copy of the
// game (and the tool) the user runs reads and writes the one file; else beside
// the preferences. The file the build made beside the program is read when that
// folder has none yet, so even the first board's hint needs no build.
void hintUseCacheFolders()
{
    const char16_t* folder = folderPath(FOLDER_DOCUMENTS);
    if (!folder || !folder[0])
        folder = folderPath(FOLDER_DATA);
    char utf8[TEXT_MAX_PATH * 3];
    if (folder && folder[0] && textToUtf8(utf8, sizeof utf8, folder))
        solverSetCacheFolder(utf8);
    const char16_t* program = folderPath(FOLDER_PROGRAM);
    if (program && program[0] && textToUtf8(utf8, sizeof utf8, program))
        solverSetShippedCache(utf8);
}

bool hintDescribeBoard(const Puzzle* p, SolverNodeDesc* nodes, int32_t* linkStore, int32_t linkCap, char* err,
                       int32_t errSize)
{
    const int32_t n = slices(p);
    int32_t used = 0;
    for (int32_t k = 0; k < n; k++) {
        const Node* node = boardNode(p, k);
        if (!node) {
            snprintf(err, size_t(errSize), "object %d of the board is not a node", k);
            return false;
        }
        nodes[k] = SolverNodeDesc{.home = node->state, .nLinks = 0, .links = linkStore + used};
        for (int32_t i = 0; i < node->links.count; i++) {
            const ObjectId id = *static_cast<const ObjectId*>(vecAt(&node->links, i));
            int32_t j = 0;
            while (j < n && objId(boardNode(p, j)) != id)
                j++;
            if (j == n) {
                snprintf(err, size_t(errSize),
                         "node %d links to an object that is not one of the board's nodes", k);
                return false;
            }
            if (used >= linkCap) {
                snprintf(err, size_t(errSize), "the board has too many links");
                return false;
            }
            linkStore[used++] = j;
            nodes[k].nLinks++;
        }
    }
    return true;
}

void hintWork(int command)
{
    if (!g_loaderTried)
        startLoader();
    if (g_loader && g_loaderDone)
        joinLoader();
    Puzzle* p = g_game.puzzle;
    if (p != g_hint.puzzle) {
        hintReset();
        g_hint.puzzle = p;
    }
    const bool live = p && !p->solved;
    if (!live && g_hint.planner)
        stopPlanner();  // solved: the move count keeps its last figure
    if (p && p->solved) {
        // Nothing is left, whatever the search had got to (it may still have been thinking).
        g_hint.shown.thinking = false;
        g_hint.shown.failed = false;
        g_hint.shown.movesLeft = 0;
        g_hint.shown.optimal = true;
    }
    if (live && !g_hint.planner && !g_hint.refused)
        startPlanner(p);
    if (!g_hint.planner) {
        if (live && command >= CMD_HINT && command <= CMD_AUTO_SOLVE)
            gamePlay(g_game.sounds[SND_ERROR]);
        display();
        return;
    }
    if (!p->moving)
        follow(p);
    if (g_hint.planner) {
        hintPlannerPoll(g_hint.planner);
        // On a virtual clock (scripted runs) a frame takes no time the player
        // could see, so the frame waits for the answer: the same script then
        // gives the same screens, whatever the machine's speed. (Not while the
        // 4 x 4 databases are first built: that takes seconds.)
        const HostOptions* host = hostOptions();
        if (host && host->frameMs > 0) {
            noteWait(hintPlannerStatus(g_hint.planner));
            hintPlannerWait(g_hint.planner, kVirtualWaitMs);
        }
        g_hint.shown = hintPlannerStatus(g_hint.planner);
        noteWait(g_hint.shown);
        act(p, command);
        if (!p->moving)
            serve(p);
        pulse();
    }
    display();
}

void hintReset()
{
    stopPlanner();
    g_hint.puzzle = nullptr;
    g_hint.refused = false;
    g_hint.pos.clear();
    g_hint.shown = hintPlannerStatus(nullptr);
}

void hintShutDown()
{
    hintReset();
    joinLoader();
}
