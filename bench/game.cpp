// Frames per second of the game screen, headless and unpaced on a virtual clock
// (16 ms a frame), with a piece in the middle of its slide on every frame, run
// through the frame loop's steps and the game's own frame work, beside one
// full-screen memcpy of the screen memory per frame (the least a frame that
// presents the screen can cost). The goal is at least 10,000 frames a second.
//
// Also the program's start-up, from launch to its first presented frame (the
// figure tilvo prints when headless), beside the launch of a program that does
// nothing. The goal is under 100 ms.
//
// Needs the built program folder build/game (the `tilvo` target).
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/input.h"
#include "game/game.h"
#include "headless_world.h"

namespace {

constexpr TIME kEndlessMove = 1u << 30;  // ms: a slide that outlasts any run at 16 ms a frame

AppFrameHooks g_hooks;
FrameStats g_stats;

// One frame in the frame loop's order, with the game's work in its place.
void frame()
{
    g_hooks.updateKeys();
    g_hooks.mixSound();
    int command = g_hooks.handleEvents();
    statsFrameStart(&g_stats);
    g_hooks.render();
    statsFrameEnd(&g_stats);
    gameWork(command, &g_stats);
    g_hooks.live();
    appPumpMessages();
    benchworld::g_ticks += 16;
}

// Slides the first piece a direction key can move, for longer than any run.
bool startEndlessMove()
{
    g_game.prefs->movetime = kEndlessMove;
    for (uint16_t key : {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT}) {
        InputEvent ev = {.type = EV_RELEASE, .key = key, .ch = 0, .x = 0, .y = 0, .view = nullptr};
        Puzzle_MoveKeyFocus(g_game.puzzle, &ev);
        if (g_game.puzzle->moving)
            return true;
    }
    return false;
}

// The game up to its game screen with a new board, a piece sliding; once.
bool startGame()
{
    static int state = 0;
    if (state)
        return state > 0;
    state = -1;
    packsInit();
    if (!benchworld::start("game/Tilvo.pak", nullptr))
        return false;
    gameStartUp();
    engineFrameHooks(&g_hooks);
    g_hooks.resetTimes();
    statsInit(&g_stats);
    frame();
    gameWork(CMD_INTRO_OVER, &g_stats);
    gameWork(CMD_NEW_GAME, &g_stats);
    frame();
    if (!g_game.puzzle || shownScreen() != g_game.scrGame || !startEndlessMove())
        return false;
    frame();
    state = 1;
    return true;
}

void BM_GameScreenMidMove(benchmark::State& state)
{
    if (!startGame()) {
        state.SkipWithError("the game could not start");
        return;
    }
    for (auto _ : state)
        frame();
    if (!g_game.puzzle->moving)
        state.SkipWithError("the piece stopped");
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GameScreenMidMove);

using benchworld::BM_ScreenMemcpy;
BENCHMARK(BM_ScreenMemcpy);

// Runs a shell command and returns what it printed.
std::string capture(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    pclose(p);
    return out;
}

std::string buildTree(const char* rel)
{
    std::u16string wide = benchworld::buildTreePath(rel);
    char utf8[TEXT_MAX_PATH * 3];
    return textToUtf8(utf8, sizeof utf8, wide.c_str()) ? utf8 : "";
}

// Wall time per launch; first_frame_ms is what the program measured itself.
void BM_StartupToFirstFrame(benchmark::State& state)
{
    // A copy of the program folder, so the runs' log and preferences stay out of the build.
    char tmpl[] = "/tmp/tilvo-bench.XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (!made) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string copy = std::string(made) + "/";
    capture("cp '" + buildTree("game/tilvo") + "' '" + buildTree("game/Tilvo.pak") + "' '" + copy + "'");
    const std::string cmd = "cd '" + copy +
                            "' && env -u DISPLAY -u WAYLAND_DISPLAY TOBEX_HEADLESS=1 TOBEX_FRAMES=1 "
                            "XDG_DATA_HOME='" +
                            copy + "' ./tilvo 2>&1";
    double total = 0;
    for (auto _ : state) {
        std::string out = capture(cmd);
        const char* at = strstr(out.c_str(), "first frame presented ");
        if (!at) {
            state.SkipWithError("tilvo did not report its first frame");
            break;
        }
        total += atof(at + strlen("first frame presented "));
    }
    capture("rm -rf '" + copy + "'");
    state.counters["first_frame_ms"] = total / double(state.iterations());
}
BENCHMARK(BM_StartupToFirstFrame)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LaunchOfAnEmptyProgram(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(capture("/bin/true"));
}
BENCHMARK(BM_LaunchOfAnEmptyProgram)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

}

BENCHMARK_MAIN();
