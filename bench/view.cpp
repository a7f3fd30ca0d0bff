// Frames per second of the demo World run headless and unpaced on a virtual
// clock (16 ms a frame), through the same frame steps as the game, beside one
// full-screen memcpy of the screen memory per frame, the least a frame that
// presents the screen can cost.
//
// Needs build/demo/demo.pak (the `demo` target, built with the game).
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
#include "headless_world.h"
#include "sound/sound.h"

namespace {

bool startDemo()
{
    return benchworld::start("demo/demo.pak", u"main.w");
}

void frame()
{
    benchworld::step();
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

using benchworld::BM_ScreenMemcpy;
BENCHMARK(BM_ScreenMemcpy);

}

BENCHMARK_MAIN();
