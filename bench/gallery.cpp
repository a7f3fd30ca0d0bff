// Frames per second of the controls gallery (build/data/gallery.pak) run
// headless and unpaced on a virtual clock (16 ms a frame) through the game's
// frame steps, beside one full-screen memcpy of the screen memory per frame, the
// least a frame that presents the screen can cost. The goal is at least 10,000
// frames a second. The focus walks the controls (a DOWN key every 8 frames) so
// the focused looks are drawn too.
//
// Needs build/data/gallery.pak (the `gallery` target).
#include <benchmark/benchmark.h>
#include <limits.h>
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

bool startGallery()
{
    return benchworld::start("data/gallery.pak", u"gallery.w");
}

void frame(uint64_t n)
{
    if (n % 8 == 0) {
        HostKeys keys;
        hostDefaultKeys(2, &keys);
        inputKeyMessage(keys.down, n % 16 == 0);
    }
    benchworld::step();
}

void BM_GalleryFrame(benchmark::State& state)
{
    if (!startGallery()) {
        state.SkipWithError("the gallery could not start");
        return;
    }
    uint64_t n = 0;
    for (auto _ : state)
        frame(n++);
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GalleryFrame);

using benchworld::BM_ScreenMemcpy;
BENCHMARK(BM_ScreenMemcpy);

}

BENCHMARK_MAIN();
