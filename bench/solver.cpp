// The solver measured beside its peers: every 3 x 3 position against a plain
// breadth-first search, the hundred published random 15-puzzle instances against their published
// optimum lengths (and, on the ten easiest, against IDA* on the sum of
// Manhattan distances), and the hint's latency on boards from the game's own
// 200-slide shuffle. Each benchmark runs its whole batch once and reports its
// figures as counters; a wrong length is counted, never hidden.
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <thread>
#include <unordered_map>
#include <vector>

#include "bench/hundred15.h"
#include "game/hint.h"
#include "solver/solver.h"

namespace {

double seconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// CPU time of this thread: on a machine shared with other work the wall clock
// also counts the time others run, so both are reported.
double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void useCache()
{
    std::string dir = TOBEX_SOURCE_DIR "/build-solver-cache";
    mkdir(dir.c_str(), 0755);
    dir += "/TobexApp";
    mkdir(dir.c_str(), 0755);
    solverSetCacheFolder(dir.c_str());
}

// Links of a w x h grid in the order up, left, right, down.
std::vector<std::vector<int>> gridLinks(int w, int h)
{
    std::vector<std::vector<int>> links(static_cast<size_t>(w * h));
    for (int k = 0; k < w * h; k++) {
        int r = k / w, c = k % w;
        if (r > 0)
            links[size_t(k)].push_back(k - w);
        if (c > 0)
            links[size_t(k)].push_back(k - 1);
        if (c < w - 1)
            links[size_t(k)].push_back(k + 1);
        if (r < h - 1)
            links[size_t(k)].push_back(k + w);
    }
    return links;
}

uint64_t pack(const std::vector<int32_t>& p)
{
    uint64_t k = 0;
    for (int32_t v : p)
        k = k * 16 + uint64_t(v + 1);
    return k;
}

// The peer: a plain breadth-first search from the goal with a hash map.
std::unordered_map<uint64_t, int> plainBfs(int w, int h)
{
    auto links = gridLinks(w, h);
    std::vector<int32_t> goal;
    for (int k = 0; k < w * h - 1; k++)
        goal.push_back(k);
    goal.push_back(-1);
    std::unordered_map<uint64_t, int> dist{{pack(goal), 0}};
    std::vector<std::vector<int32_t>> queue{goal};
    for (size_t head = 0; head < queue.size(); head++) {
        std::vector<int32_t> p = queue[head];
        int d = dist[pack(p)];
        int hole = int(std::find(p.begin(), p.end(), -1) - p.begin());
        for (int to : links[size_t(hole)]) {
            std::swap(p[size_t(hole)], p[size_t(to)]);
            if (dist.emplace(pack(p), d + 1).second)
                queue.push_back(p);
            std::swap(p[size_t(hole)], p[size_t(to)]);
        }
    }
    return dist;
}

void BM_ThreeByThreePlainBfs(benchmark::State& state)
{
    for (auto _ : state) {
        double start = seconds();
        auto dist = plainBfs(3, 3);
        state.counters["positions"] = double(dist.size());
        state.counters["build_ms"] = (seconds() - start) * 1e3;
    }
}

// Every solvable 3 x 3 position solved and checked against the plain search.
void BM_ThreeByThreeEveryPosition(benchmark::State& state)
{
    auto dist = plainBfs(3, 3);
    for (auto _ : state) {
        SolverBoard* board = solverBoardCreateGrid(3, 3, nullptr, 0);
        int mismatches = 0;
        double start = seconds();
        for (const auto& entry : dist) {
            std::vector<int32_t> pos(9);
            uint64_t k = entry.first;
            for (int v = 8; v >= 0; v--, k /= 16)
                pos[size_t(v)] = int32_t(k % 16) - 1;
            int32_t moves[64];
            SolverResult r = solverSolve(board, pos.data(), nullptr, moves, 64);
            mismatches += r.status != SOLVER_SOLVED || r.nMoves != entry.second;
        }
        double took = seconds() - start;
        SolverStats st = solverStats();
        state.counters["positions"] = double(dist.size());
        state.counters["mismatches"] = mismatches;
        state.counters["us_per_solve"] = took * 1e6 / double(dist.size());
        state.counters["table_bytes"] = double(st.tableBytes);
        state.counters["table_build_ms"] = st.tableMs;
        solverBoardDestroy(board);
    }
}

// The peer for speed: IDA* on the sum of Manhattan distances.
struct Manhattan {
    int cells[16];
    int hole;
    int bound, next;
    int64_t nodes;

    static int cost(int tile, int cell)
    {
        return abs(tile / 4 - cell / 4) + abs(tile % 4 - cell % 4);
    }

    bool dfs(int g, int h, int from)
    {
        if (g + h > bound) {
            next = std::min(next, g + h);
            return false;
        }
        if (h == 0)
            return true;
        nodes++;
        static const int dr[4] = {-4, -1, 1, 4};
        for (int d : dr) {
            int c = hole + d;
            if (c < 0 || c > 15 || c == from || (d == -1 && hole % 4 == 0) || (d == 1 && hole % 4 == 3))
                continue;
            int t = cells[c];
            int nh = h - cost(t, c) + cost(t, hole);
            cells[hole] = t;
            cells[c] = -1;
            int was = hole;
            hole = c;
            if (dfs(g + 1, nh, was))
                return true;
            hole = was;
            cells[c] = t;
            cells[hole] = -1;
        }
        return false;
    }

    int solve(const int32_t* pos)
    {
        int h = 0;
        for (int c = 0; c < 16; c++) {
            cells[c] = pos[c];
            if (pos[c] < 0)
                hole = c;
            else
                h += cost(pos[c], c);
        }
        for (bound = h;; bound = next) {
            next = 1 << 30;
            if (dfs(0, h, -1))
                return bound;
        }
    }
};

std::vector<int> easiestOfHundred(int count)
{
    std::vector<int> order(100);
    for (int i = 0; i < 100; i++)
        order[size_t(i)] = i;
    std::sort(order.begin(), order.end(),
              [](int a, int b) { return kHundred[a].length < kHundred[b].length; });
    order.resize(size_t(count));
    return order;
}

void BM_HundredEasiestTenManhattan(benchmark::State& state)
{
    for (auto _ : state) {
        Manhattan m{};
        int mismatches = 0;
        double start = seconds();
        for (int i : easiestOfHundred(10)) {
            int32_t pos[16];
            hundredPosition(kHundred[i], pos);
            mismatches += m.solve(pos) != kHundred[i].length;
        }
        state.counters["total_s"] = seconds() - start;
        state.counters["nodes"] = double(m.nodes);
        state.counters["mismatches"] = mismatches;
    }
}

void BM_HundredEasiestTenPatterns(benchmark::State& state)
{
    useCache();
    solverPrepare();
    SolverBoard* board = solverBoardCreateGrid(4, 4, nullptr, 0);
    for (auto _ : state) {
        int mismatches = 0;
        int64_t nodes = 0;
        double start = seconds();
        for (int i : easiestOfHundred(10)) {
            int32_t pos[16], moves[128];
            hundredPosition(kHundred[i], pos);
            SolverResult r = solverSolve(board, pos, nullptr, moves, 128);
            mismatches += r.nMoves != kHundred[i].length;
            nodes += r.nodesExpanded;
        }
        state.counters["total_s"] = seconds() - start;
        state.counters["nodes"] = double(nodes);
        state.counters["mismatches"] = mismatches;
    }
    solverBoardDestroy(board);
}

void BM_Hundred15(benchmark::State& state)
{
    useCache();
    double prepStart = seconds();
    solverPrepare();
    double prepare = seconds() - prepStart;
    SolverBoard* board = solverBoardCreateGrid(4, 4, nullptr, 0);
    for (auto _ : state) {
        std::vector<double> times;
        int mismatches = 0, slowest = 0;
        int64_t nodes = 0;
        double total = 0, cpu = 0;
        std::vector<double> cpuTimes;
        for (int i = 0; i < 100; i++) {
            int32_t pos[16], moves[128];
            hundredPosition(kHundred[i], pos);
            double start = seconds(), cpuStart = cpuSeconds();
            SolverResult r = solverSolve(board, pos, nullptr, moves, 128);
            double took = seconds() - start;
            cpuTimes.push_back(cpuSeconds() - cpuStart);
            cpu += cpuTimes.back();
            bool ok = r.status == SOLVER_SOLVED && r.optimal && r.nMoves == kHundred[i].length &&
                      solverApplyMoves(board, pos, moves, r.nMoves) && solverIsGoal(board, pos);
            if (!ok)
                fprintf(stderr, "instance %d: %d moves, published %d\n", i + 1, r.nMoves, kHundred[i].length);
            mismatches += !ok;
            if (cpuTimes.size() == 1 ||
                cpuTimes.back() > *std::max_element(cpuTimes.begin(), cpuTimes.end() - 1))
                slowest = i + 1;
            times.push_back(took);
            total += took;
            nodes += r.nodesExpanded;
        }
        std::sort(times.begin(), times.end());
        std::sort(cpuTimes.begin(), cpuTimes.end());
        SolverStats st = solverStats();
        state.counters["cpu_total_s"] = cpu;
        state.counters["cpu_median_ms"] = (cpuTimes[49] + cpuTimes[50]) * 500;
        state.counters["cpu_slowest_ms"] = cpuTimes[99] * 1e3;
        state.counters["cpu_Mnodes_per_s"] = double(nodes) / cpu * 1e-6;
        state.counters["total_s"] = total;
        state.counters["median_ms"] = (times[49] + times[50]) * 500;
        state.counters["slowest_ms"] = times[99] * 1e3;
        state.counters["cpu_slowest_instance"] = slowest;
        state.counters["nodes"] = double(nodes);
        state.counters["Mnodes_per_s"] = double(nodes) / total * 1e-6;
        state.counters["mismatches"] = mismatches;
        state.counters["pdb_bytes"] = double(st.patternBytes);
        state.counters["pdb_ready_s"] = prepare;
        state.counters["pdb_from_cache"] = st.patternFromCache;
    }
    solverBoardDestroy(board);
}

// The game's shuffle: 200 slides from the goal, each to a random link of the
// hole, replaced by its neighbouring index when it would undo the previous
// slide or enter a dead end.
std::vector<int32_t> gameShuffle(int w, int h, unsigned seed)
{
    auto links = gridLinks(w, h);
    std::vector<int32_t> pos;
    for (int k = 0; k < w * h - 1; k++)
        pos.push_back(k);
    pos.push_back(-1);
    srand(seed & 0xFFFF);
    int empty = w * h - 1, previous = -1;
    for (int i = 0; i < 200; i++) {
        const std::vector<int>& l = links[size_t(empty)];
        int c = int(l.size()), r = rand() % c;
        int candidate = l[size_t(r)];
        if (candidate == previous || links[size_t(candidate)].size() == 1)
            candidate = l[size_t(r > 0 ? r - 1 : c > 1 ? 1 : 0)];
        std::swap(pos[size_t(empty)], pos[size_t(candidate)]);
        previous = empty;
        empty = candidate;
    }
    return pos;
}

// Time to the first hint on a fresh board: one full solve.
void BM_HintLatency(benchmark::State& state)
{
    int side = int(state.range(0));
    useCache();
    solverPrepare();
    SolverBoard* board = solverBoardCreateGrid(side, side, nullptr, 0);
    for (auto _ : state) {
        std::vector<double> ms, cpuMs;
        int64_t moves = 0;
        for (unsigned seed = 1; seed <= 1000; seed++) {
            std::vector<int32_t> pos = gameShuffle(side, side, seed);
            int32_t out[256];
            double start = seconds(), cpuStart = cpuSeconds();
            SolverResult r = solverSolve(board, pos.data(), nullptr, out, 256);
            ms.push_back((seconds() - start) * 1e3);
            cpuMs.push_back((cpuSeconds() - cpuStart) * 1e3);
            moves += r.nMoves;
        }
        std::sort(ms.begin(), ms.end());
        std::sort(cpuMs.begin(), cpuMs.end());
        state.counters["cpu_median_ms"] = cpuMs[499];
        state.counters["cpu_p99_ms"] = cpuMs[989];
        state.counters["median_ms"] = ms[499];
        state.counters["p99_ms"] = ms[989];
        state.counters["max_ms"] = ms[999];
        state.counters["mean_moves"] = double(moves) / 1000.0;
    }
    solverBoardDestroy(board);
}

// The wait the player sees in the game, where the planner searches after every
// move and follows the known solution. A simulated player on boards from the
// game's shuffle takes the hinted move two times in three and a random other
// slide otherwise, thinking state.range(0) ms before each move, and presses
// the hint when it is ready to move: the wait is the time from then until the
// planner knows the answer. The first answer on a fresh board (a cold search)
// is reported apart, since the player sees the board for a while before the
// first press.
void BM_HintInGame(benchmark::State& state)
{
    const int thinkMs = int(state.range(0)), boards = int(state.range(1));
    useCache();
    solverPrepare();
    auto links = gridLinks(4, 4);
    std::vector<SolverNodeDesc> nodes;
    for (int k = 0; k < 16; k++)
        nodes.push_back(
            {.home = k, .nLinks = int32_t(links[size_t(k)].size()), .links = links[size_t(k)].data()});
    for (auto _ : state) {
        std::vector<double> waits, firsts;
        int64_t moves = 0;
        std::mt19937 random(1);
        for (unsigned seed = 1; seed <= unsigned(boards); seed++) {
            std::vector<int32_t> pos = gameShuffle(4, 4, seed);
            HintPlanner* hp = hintPlannerCreate(nodes.data(), 16, pos.data(), nullptr, 0);
            bool first = true;
            for (int step = 0; step < 200; step++) {
                double pressed = seconds();
                if (!first)
                    std::this_thread::sleep_for(std::chrono::milliseconds(thinkMs));
                pressed = first ? pressed : seconds();
                hintPlannerPoll(hp);
                HintPlannerStatus s = hintPlannerStatus(hp);
                while (s.thinking) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    hintPlannerPoll(hp);
                    s = hintPlannerStatus(hp);
                }
                (first ? firsts : waits).push_back((seconds() - pressed) * 1e3);
                first = false;
                if (s.movesLeft <= 0)
                    break;
                int hole = int(std::find(pos.begin(), pos.end(), -1) - pos.begin());
                int to = s.nextHole;
                if (random() % 3 == 0) {
                    const std::vector<int>& l = links[size_t(hole)];
                    int other = l[random() % l.size()];
                    to = other == s.nextHole
                             ? l[(size_t(std::find(l.begin(), l.end(), other) - l.begin()) + 1) % l.size()]
                             : other;
                }
                hintPlannerMove(hp, to, false);
                std::swap(pos[size_t(hole)], pos[size_t(to)]);
                moves++;
            }
            hintPlannerDestroy(hp);
        }
        std::sort(waits.begin(), waits.end());
        std::sort(firsts.begin(), firsts.end());
        auto at = [](const std::vector<double>& v, double q) { return v[size_t(double(v.size() - 1) * q)]; };
        state.counters["moves"] = double(moves);
        state.counters["wait_median_ms"] = at(waits, 0.5);
        state.counters["wait_p99_ms"] = at(waits, 0.99);
        state.counters["wait_max_ms"] = waits.back();
        state.counters["waits_over_16ms"] =
            double(std::count_if(waits.begin(), waits.end(), [](double w) { return w > 16; }));
        state.counters["first_median_ms"] = at(firsts, 0.5);
        state.counters["first_p99_ms"] = at(firsts, 0.99);
    }
}

}

BENCHMARK(BM_ThreeByThreePlainBfs)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThreeByThreeEveryPosition)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredEasiestTenManhattan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredEasiestTenPatterns)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hundred15)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HintLatency)->Arg(3)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HintInGame)->Args({0, 100})->Args({200, 10})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
