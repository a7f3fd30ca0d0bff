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
#include "sound/sound.h"

namespace {

constexpr int kScreenBytes = ENGINE_SCREEN_W * ENGINE_SCREEN_H * 2;

uint64_t g_ticks;
uint64_t virtualCounter()
{
    return g_ticks;
}

std::u16string galleryArchive()
{
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0)
        return u"";
    std::string path(exe);
    path = path.substr(0, path.rfind('/')) + "/../data/gallery.pak";
    char16_t wide[TEXT_MAX_PATH];
    return textFromUtf8(wide, TEXT_MAX_PATH, path.c_str()) ? std::u16string(wide) : u"";
}

bool startGallery()
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
    std::u16string pak = galleryArchive();
    const char16_t* archives[] = {pak.c_str()};
    EngineConfig c = {.archives = archives,
                      .nArchives = 1,
                      .mountBeside = false,
                      .needArchive = true,
                      .startLibraries = ctlStartup};
    engineStart(&c);
    engineLoadMain(u"gallery.w");
    objResetTimes();
    started = true;
    return true;
}

void frame(uint64_t n)
{
    if (n % 8 == 0) {
        HostKeys keys;
        hostDefaultKeys(2, &keys);
        inputKeyMessage(keys.down, n % 16 == 0);
    }
    inputUpdate();
    sndUpdate();
    engineHandleEvents();
    engineRender();
    engineLive();
    appPumpMessages();
    g_ticks += 16;
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
