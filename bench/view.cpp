// Frames per second of the demo World run headless and unpaced on a virtual
// clock (16 ms a frame), through the same frame steps as the game, beside one
// full-screen memcpy of the screen memory per frame, the least a frame that
// presents the screen can cost.
//
// Needs build/game/demo.pak (the `demo` target, built with the game).
#include <benchmark/benchmark.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/clock.h"
#include "app/files.h"
#include "app/host.h"
#include "app/input.h"
#include "app/text.h"
#include "ctl/controls.h"
#include "engine/startup.h"
#include "sound/sound.h"

namespace {

constexpr int kScreenBytes = ENGINE_SCREEN_W * ENGINE_SCREEN_H * 2;

uint64_t g_ticks;
uint64_t virtualCounter()
{
    return g_ticks;
}

std::u16string demoArchive()
{
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0)
        return u"";
    std::string path(exe);
    path = path.substr(0, path.rfind('/')) + "/../game/demo.pak";
    char16_t wide[TEXT_MAX_PATH];
    return textFromUtf8(wide, TEXT_MAX_PATH, path.c_str()) ? std::u16string(wide) : u"";
}

bool startDemo()
{
    static bool started = false;
    if (started)
        return true;
    HostOptions o = {};
    o.headless = true;
    if (!hostStart(&o))
        return false;
    appInit();
    clockSetSource(virtualCounter, 1000);
    clockStart();
    char16_t tmp[] = u"/tmp/";
    folderSetPath(FOLDER_PROGRAM, tmp);
    std::u16string pak = demoArchive();
    const char16_t* archives[] = {pak.c_str()};
    EngineConfig c = {.archives = archives,
                      .nArchives = 1,
                      .mountBeside = false,
                      .needArchive = true,
                      .startLibraries = ctlStartup};
    engineStart(&c);
    engineLoadMain(u"main.w");
    objResetTimes();
    started = true;
    return true;
}

void frame()
{
    inputUpdate();
    sndUpdate();
    engineHandleEvents();
    engineRender();
    engineLive();
    appPumpMessages();
    g_ticks += 16;
}

void BM_DemoFrame(benchmark::State& state)
{
    if (!startDemo()) {
        state.SkipWithError("the demo could not start");
        return;
    }
    for (auto _ : state)
        frame();
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DemoFrame);

void BM_ScreenMemcpy(benchmark::State& state)
{
    std::vector<uint8_t> src(kScreenBytes, 0x5A), dst(kScreenBytes);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), kScreenBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScreenMemcpy);

}

BENCHMARK_MAIN();
