// Tilvo-1's entry: brings the engine up in its order, then the game's classes,
// sounds, screens and preferences, runs the frame loop and shuts down.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "app/app.h"
#include "app/host.h"
#include "app/log.h"
#include "ctl/controls.h"
#include "engine/startup.h"
#include "game/game.h"
#include "tilvo_icon.h"
#include "vfs/mem.h"

namespace {

constexpr int32_t kMemoryReserve = 1000000;

double g_launch;  // seconds on the monotonic clock when main began
bool g_firstFrameLogged;
bool g_soak;  // TOBEX_SOAK=1: a quit returns to the menu, so the run lasts its whole frame count

double monotonicSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The game's frame work, and once, the time from launch to the first frame
// presented (the work step runs right after the render step).
bool frameWork(int command, const FrameStats* stats)
{
    if (!g_firstFrameLogged) {
        g_firstFrameLogged = true;
        const char* soak = getenv("TOBEX_SOAK");
        g_soak = soak && strcmp(soak, "1") == 0 && hostIsHeadless();
        float ms = float((monotonicSeconds() - g_launch) * 1000.0);
        logWrite("First frame presented after (ms): ", 0);
        logWrite(&ms, LOG_FLOAT | LOG_EOL);
        if (hostIsHeadless())
            fprintf(stderr, "tilvo: first frame presented %.1f ms after launch\n", double(ms));
    }
    if (!gameWork(command, stats))
        return false;
    if (!g_soak)
        return true;
    gameCancelQuit();
    return false;
}

int gameMain(void*)
{
    appSetTitle(u"Tilvo-1");
    appSetIcon(101);
    hostSetIcon(TILVO_ICON_RGBA, TILVO_ICON_SIZE);
    memCheckReserve(kMemoryReserve);
    packsInit();
    EngineConfig config = {.archives = nullptr,
                           .nArchives = 0,
                           .mountBeside = true,
                           .needArchive = true,
                           .startLibraries = ctlStartup};
    engineStart(&config);
    logSystemInfo();
    gameStartUp();
    AppFrameHooks hooks;
    engineFrameHooks(&hooks);
    hooks.work = frameWork;
    FrameStats stats;
    uint32_t frames = appRunFrames(&hooks, &stats);
    gameShutDown();
    engineStop();
    float fps = statsAverageFps(&stats);
    logWrite("Frames run: ", 0);
    logWrite(&frames, LOG_INT);
    logWrite(", average fps: ", 0);
    logWrite(&fps, LOG_FLOAT | LOG_EOL);
    if (hostIsHeadless())
        fprintf(stderr, "tilvo: %u frames, %.1f fps average\n", frames, double(fps));
    return 0;
}

}

int main(int argc, char** argv)
{
    g_launch = monotonicSeconds();
    HostOptions options;
    if (!hostOptionsFromEnv(&options))
        return 2;
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h"))) {
        printf(
            "usage: tilvo\n\nTilvo-1, the picture sliding puzzle. The game keeps no options; the host reads\n"
            "these environment variables:\n"
            "  TOBEX_HEADLESS=1  TOBEX_SCRIPT=FILE  TOBEX_FRAME_MS=N  TOBEX_SCREENSHOT=FILE  TOBEX_FRAMES=N\n"
            "  TOBEX_SOAK=1 (headless only): a quit returns to the menu, for long soak runs\n");
        return 0;
    }
    if (!hostStart(&options))
        return 2;
    int result = appRun(gameMain, nullptr);
    // A script line that could not be carried out, or a screenshot that could
    // not be written, fails the run.
    if (result == 0 && hostScriptFailed())
        result = 1;
    bool shotsSaved = hostStop();
    return result == 0 && !shotsSaved ? 1 : result;
}
