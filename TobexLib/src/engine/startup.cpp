// Engine start-up, frame steps and shut-down shared by the game and the viewer.
#include "engine/startup.h"

#include "app/host.h"
#include "app/input.h"
#include "app/log.h"
#include "app/text.h"
#include "engine/scene.h"
#include "gfx/blit.h"
#include "gfx/display.h"
#include "obj/worldfile.h"
#include "sound/sound.h"
#include "vfs/archive.h"

namespace {

struct Engine {
    ObjectId main = OBJ_NONE;
    Sound* tap = nullptr;
    bool tapTried = false;
};

Engine g_engine;

void fatal(const char16_t* text)
{
    appFatal(text);
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
    if (!objInit())
        fatal(u"Fatal: could not init objects");
    methodRegister(Actor_PlayTap, "Actor_PlayTap");
    appAddFatalShutdown(gfxShutdown);
    appAddFatalShutdown(inputStop);
    if (!gfxInit(ENGINE_SCREEN_W, ENGINE_SCREEN_H))
        fatal(u"Fatal: could not init graphics");
    inputStart(false);
    inputEnable(true);
    if (!sndInit())
        fatal(u"Fatal: could not init sound");
    hostSetControlLocator(locateControl);
}

void engineStop()
{
    hostSetControlLocator(nullptr);
    sndFree(g_engine.tap);
    g_engine = Engine{};
    vfsShutdown();
    objShutdown();
    sndShutdown();
    inputStop();
    gfxShutdown();
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

// ---- The tap sound ------------------------------------------------------------------------------------

int Actor_PlayTap(void* obj, void*)
{
    if (!objIsA(obj, &g_baseResponsiveClass) || !static_cast<BaseResponsive*>(obj)->tabstop)
        return 0;
    if (!g_engine.tapTried) {
        g_engine.tapTried = true;
        g_engine.tap = sndLoad(u"sfx/tap.wav");
    }
    sndPlay(g_engine.tap, nullptr);
    return 0;
}
