// Tilvo-1's entry. Until the game's screens exist, the program brings the engine
// up and runs the frame loop over a moving test pattern.
#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "app/host.h"
#include "app/log.h"
#include "vfs/mem.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;

uint16_t rgb565(unsigned r, unsigned g, unsigned b)
{
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Eight colour bars, a grey ramp, and a white block that slides with the clock.
void drawTestPattern()
{
    uint16_t* screen = static_cast<uint16_t*>(hostBeginDraw());
    if (!screen)
        return;
    static const uint16_t bars[8] = {
        rgb565(255, 255, 255), rgb565(255, 255, 0), rgb565(0, 255, 255), rgb565(0, 255, 0),
        rgb565(255, 0, 255), rgb565(255, 0, 0), rgb565(0, 0, 255), rgb565(0, 0, 0),
    };
    int block = int(timeNow() / 10 % uint32_t(kWidth - 40));
    for (int y = 0; y < kHeight; ++y) {
        uint16_t* row = screen + y * kWidth;
        for (int x = 0; x < kWidth; ++x) {
            uint16_t c;
            if (y < 200)
                c = bars[x * 8 / kWidth];
            else if (y < 260)
                c = rgb565(unsigned(x * 255 / (kWidth - 1)), unsigned(x * 255 / (kWidth - 1)),
                    unsigned(x * 255 / (kWidth - 1)));
            else
                c = (x >= block && x < block + 40) ? bars[0] : rgb565(32, 32, 64);
            row[x] = c;
        }
    }
    hostEndDraw();
}

int gameMain(void*)
{
    appSetTitle(u"Tilvo-1");
    appSetIcon(101);
    memCheckReserve(1000000);
    if (!appCreateWindow(kWidth, kHeight) || !hostOpenDisplay(kWidth, kHeight))
        appFatal(u"Fatal: could not init graphics");
    logSystemInfo();
    AppFrameHooks hooks{};
    hooks.render = drawTestPattern;
    FrameStats stats;
    uint32_t frames = appRunFrames(&hooks, &stats);
    hostCloseDisplay();
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
        printf("usage: tilvo\n\nThe game keeps no options; the host reads these environment variables:\n"
               "  TOBEX_HEADLESS=1  TOBEX_SCRIPT=FILE  TOBEX_FRAME_MS=N  TOBEX_SCREENSHOT=FILE  TOBEX_FRAMES=N\n");
        return 0;
    }
    if (!hostStart(&options))
        return 2;
    int result = appRun(gameMain, nullptr);
    hostStop();
    return result;
}
