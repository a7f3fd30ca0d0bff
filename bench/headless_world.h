#pragma once
// Starts the engine once, headless on a virtual clock, with one archive from the
// build tree mounted and its World loaded: what the frame-rate benchmarks share.
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

namespace benchworld {

inline uint64_t g_ticks;  // the virtual clock, in milliseconds; frames advance it

inline uint64_t virtualCounter()
{
    return g_ticks;
}

// relPath is relative to the folder above the benchmark program (the build tree).
inline std::u16string buildTreePath(const char* relPath)
{
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0)
        return u"";
    std::string path(exe);
    path = path.substr(0, path.rfind('/')) + "/../" + relPath;
    char16_t wide[TEXT_MAX_PATH];
    return textFromUtf8(wide, TEXT_MAX_PATH, path.c_str()) ? std::u16string(wide) : u"";
}

// Starts the engine with the archive mounted and the World loaded (none when
// world is null, for a program that loads its own); later calls return at
// once. False when the host does not start.
inline bool start(const char* archive, const char16_t* world)
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
    std::u16string pak = buildTreePath(archive);
    const char16_t* archives[] = {pak.c_str()};
    EngineConfig c = {.archives = archives,
                      .nArchives = 1,
                      .mountBeside = false,
                      .needArchive = true,
                      .startLibraries = ctlStartup};
    engineStart(&c);
    if (world)
        engineLoadMain(world);
    objResetTimes();
    started = true;
    return true;
}

// One engine frame as the frame loop runs it, 16 ms of the virtual clock.
inline void step()
{
    inputUpdate();
    sndUpdate();
    engineHandleEvents();
    engineRender();
    engineLive();
    appPumpMessages();
    g_ticks += 16;
}

// The yardstick the frame benchmarks are read against: one copy of a whole
// 240 x 320 16-bit screen.
inline void BM_ScreenMemcpy(benchmark::State& state)
{
    constexpr size_t kScreenBytes = size_t(ENGINE_SCREEN_W) * ENGINE_SCREEN_H * 2;
    std::vector<uint8_t> src(kScreenBytes, 0x5A), dst(kScreenBytes);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), kScreenBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

}
