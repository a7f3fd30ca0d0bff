// Engine start-up, frame steps and shut-down shared by the game and the viewer.
#include "engine/startup.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "app/host.h"
#include "app/input.h"
#include "base/log.h"
#include "base/mem.h"
#include "base/text.h"
#include "engine/scene.h"
#include "gfx/blit.h"
#include "gfx/display.h"
#include "obj/worldfile.h"
#include "sound/sound.h"
#include "vfs/archive.h"

namespace {

struct Engine {
    ObjectId main = OBJ_NONE;
    uint32_t statsEvery = 0;  // TOBEX_MEMSTATS: frames between memory lines (0 = none)
    uint32_t frames = 0;
};

Engine g_engine;

void fatal(const char16_t* text)
{
    appFatal(text);
}

// What keeps the program alive while it waits: key states and sound mixing.
void keepAlive()
{
    inputUpdate();
    sndUpdate();
}

void mountArchives(const EngineConfig* c)
{
    int mounted = 0;
    for (int i = 0; i < c->nArchives; i++) {
        int n = vfsMount(c->archives[i]);
        if (n == 0) {
            logWrite("engineStart: could not mount ", 0);
            logWrite(c->archives[i], LOG_WIDE | LOG_EOL);
        }
        mounted += n;
    }
    if (c->mountBeside)
        mounted += vfsMountAll();
    if (c->needArchive && mounted == 0)
        fatal(u"Could not load data file");
}

// TOBEX_MEMSTATS=N asks for a line on stderr every N frames with the allocator's
// live bytes and blocks, so a long run shows whether memory grows.
uint32_t statsEveryFromEnv()
{
    const char* v = getenv("TOBEX_MEMSTATS");
    if (!v || !*v)
        return 0;
    char* end;
    errno = 0;
    unsigned long n = strtoul(v, &end, 10);
    if (*end || errno || v[0] == '-' || n > UINT32_MAX) {
        fprintf(stderr, "engine: ignoring TOBEX_MEMSTATS=%s (expected a number of frames)\n", v);
        return 0;
    }
    return uint32_t(n);
}

void printMemStats(const char* when)
{
    MemStats m;
    memStats(&m);
    fprintf(stderr, "memstats: %s: %u bytes in %u blocks live, peak %u bytes\n", when, m.liveBytes,
            m.liveBlocks, m.peakBytes);
}

// The script's tap-control: controls are found by their idCtl property.
bool locateControl(int32_t id, int32_t* x, int32_t* y)
{
    return sceneFindTap(static_cast<World*>(engineMainWorld()), "idCtl", id, x, y);
}

int firstWorldViewport(const World* w)
{
    for (int32_t i = 0; i < w->objs.count; i++)
        if (objIsA(objGet(*static_cast<const ObjectId*>(vecAt(&w->objs, i))), &g_worldViewportClass))
            return i;
    return -1;
}

}

// ---- Start and stop ---------------------------------------------------------------------------

void engineStart(const EngineConfig* c)
{
    if (!vfsInit())
        fatal(u"Fatal: could not init VFS");
    mountArchives(c);
    if (!objInit() || !engineRegisterClasses())
        fatal(u"Fatal: could not init objects");
    appAddFatalShutdown(gfxShutdown);
    appAddFatalShutdown(inputStop);
    if (!gfxInit(ENGINE_SCREEN_W, ENGINE_SCREEN_H))
        fatal(u"Fatal: could not init graphics");
    inputStart(false);
    inputEnable(true);
    if (!sndInit())
        fatal(u"Fatal: could not init sound");
    if (c->startLibraries && !c->startLibraries())
        fatal(u"Fatal: could not init controls");
    appSetKeepAlive(keepAlive);
    g_engine.statsEvery = statsEveryFromEnv();
    hostSetControlLocator(locateControl);
}

void engineStop()
{
    bool stats = g_engine.statsEvery != 0;
    hostSetControlLocator(nullptr);
    g_engine = Engine{};
    vfsShutdown();
    objShutdown();
    sndShutdown();
    inputStop();
    gfxShutdown();
    if (stats)
        printMemStats("after shut-down");
}

// ---- The main World ----------------------------------------------------------------------------

void* engineLoadMain(const char16_t* name)
{
    void* w = objLoadFile(name);
    if (!objIsA(w, &g_worldClass)) {
        char16_t text[TEXT_MAX_PATH + 32] = u"Could not load script file ";
        textAppend(text, sizeof text / sizeof text[0], name);
        fatal(text);
    }
    World* world = static_cast<World*>(w);
    g_engine.main = objId(w);
    void* sfMain = objGet(objFind(&g_offscreenSurfaceClass, "sfMain", w));
    if (sfMain)
        gfxSetTarget(offscreenSurface(objId(sfMain)));
    if (world->viewportFocus < 0)
        world->viewportFocus = firstWorldViewport(world);
    return w;
}

void* engineMainWorld()
{
    void* w = objGet(g_engine.main);
    return objIsA(w, &g_worldClass) ? w : nullptr;
}

// ---- Frame loop ------------------------------------------------------------------------------------

int engineHandleEvents()
{
    void* w = engineMainWorld();
    InputEvent ev;
    while (w && inputGetEvent(&ev)) {
        ev.view = nullptr;
        int r = objCallMethod(w, M_HANDLEINPUTEVENT, &ev);
        if (r != 0)
            return r;
    }
    return 0;
}

void engineRender()
{
    if (void* w = engineMainWorld())
        objCallMethod(w, M_RENDER, nullptr);
}

void engineLive()
{
    if (void* w = engineMainWorld())
        objCallMethod(w, M_LIVE, nullptr);
    if (g_engine.statsEvery && ++g_engine.frames % g_engine.statsEvery == 0) {
        char when[32];
        snprintf(when, sizeof when, "frame %u", g_engine.frames);
        printMemStats(when);
    }
}

void engineFrameHooks(AppFrameHooks* h)
{
    *h = AppFrameHooks{};
    h->resetTimes = objResetTimes;
    h->updateKeys = inputUpdate;
    h->mixSound = sndUpdate;
    h->handleEvents = engineHandleEvents;
    h->render = engineRender;
    h->live = engineLive;
}
