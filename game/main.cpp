// Tilvo-1's entry. Until the game's screens exist, the program brings the engine
// up and runs the frame loop over the demo World.
#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "app/host.h"
#include "app/log.h"
#include "ctl/controls.h"
#include "engine/startup.h"
#include "vfs/mem.h"

namespace {

// Until the game's screens exist the game shows the demo World packed beside it
// ("main.w" in demo.pak), through the same start-up and frame loop it will use.
int gameMain(void*)
{
    appSetTitle(u"Tilvo-1");
    appSetIcon(101);
    memCheckReserve(1000000);
    EngineConfig config = {.archives = nullptr,
                           .nArchives = 0,
                           .mountBeside = true,
                           .needArchive = true,
                           .startLibraries = ctlStartup};
    engineStart(&config);
    logSystemInfo();
    engineLoadMain(u"main.w");
    AppFrameHooks hooks;
    engineFrameHooks(&hooks);
    FrameStats stats;
    uint32_t frames = appRunFrames(&hooks, &stats);
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
    HostOptions options;
    hostOptionsFromEnv(&options);
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h"))) {
        printf(
            "usage: tilvo\n\nThe game keeps no options; the host reads these environment variables:\n"
            "  TOBEX_HEADLESS=1  TOBEX_SCRIPT=FILE  TOBEX_FRAME_MS=N  TOBEX_SCREENSHOT=FILE  TOBEX_FRAMES=N\n");
        return 0;
    }
    if (!hostStart(&options))
        return 2;
    int result = appRun(gameMain, nullptr);
    bool shotsSaved = hostStop();
    return result == 0 && !shotsSaved ? 1 : result;
}
