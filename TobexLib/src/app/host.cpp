// The host layer: options, the message queue, the headless script and virtual
// clock, the screen memory and its screenshots. The SDL2 window is used when a
// display exists and headless was not asked for; otherwise everything runs in RAM.
// Script lines are parsed by app/script.cpp; events run here at their time.
#include "app/host.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/utsname.h>
#include <time.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "app/host_sdl.h"
#include "app/picture.h"
#include "app/script.h"
#include "base/text.h"

namespace {

struct HostState {
    HostOptions options;
    bool started;
    bool window;  // an SDL window is open
    std::vector<ScriptEvent> script;
    size_t scriptNext;
    std::vector<HostMessage> queue;
    size_t queueHead;
    uint64_t virtualUs;  // the virtual clock, in microseconds
    uint64_t startNs;    // real clock at start
    int frames;
    int nextAnswer;  // 1 OK, 2 Cancel
    HostControlLocator locator;
    bool scriptFailed;  // a line could not be carried out; the run was ended
    std::vector<uint16_t> screen;
    int width, height;
    bool displayOpen;
    bool shotFailed;  // a screenshot could not be written
} g_host;

uint64_t realNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

uint32_t hostMs()
{
    if (g_host.options.frameMs)
        return uint32_t(g_host.virtualUs / 1000);
    return uint32_t((realNs() - g_host.startNs) / 1000000);
}

void push(const HostMessage& m)
{
    g_host.queue.push_back(m);
}

bool loadScript(const char* path)
{
    FILE* f = fopen(path, "r");
    if (!f) {
        fprintf(stderr, "host: cannot open script %s\n", path);
        return false;
    }
    char line[1024];
    int number = 0;
    bool ok = true;
    while (ok && fgets(line, sizeof line, f)) {
        ++number;
        const char* why = nullptr;
        ScriptEvent events[SCRIPT_LINE_EVENTS];
        int count = 0;
        if (!scriptParseLine(line, events, &count, &why)) {
            fprintf(stderr, "host: %s:%d: %s\n", path, number, why);
            ok = false;
        }
        for (int i = 0; i < count; i++) {
            events[i].line = number;
            g_host.script.push_back(events[i]);
        }
    }
    fclose(f);
    // Events run in time order; equal times keep the order of the file.
    std::stable_sort(g_host.script.begin(), g_host.script.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
    return ok;
}

// A pen tap at the control's centre; a control that cannot be found ends the
// run as failed, naming the script line.
void tapControl(const ScriptEvent& e)
{
    int32_t x, y;
    if (g_host.locator && g_host.locator(e.control, &x, &y)) {
        push(HostMessage{WM_LBUTTONDOWN, 0, x, y});
        push(HostMessage{WM_LBUTTONUP, 0, x, y});
        return;
    }
    fprintf(stderr, "host: %s:%d: no visible, active control with idCtl %d on the screen\n",
            g_host.options.script, e.line, int(e.control));
    g_host.scriptFailed = true;
    push(HostMessage{WM_CLOSE, 0, 0, 0});
}

void runDueScript()
{
    uint32_t now = hostMs();
    while (g_host.scriptNext < g_host.script.size() && g_host.script[g_host.scriptNext].time <= now) {
        const ScriptEvent& e = g_host.script[g_host.scriptNext++];
        if (e.action == SCRIPT_MESSAGE)
            push(e.message);
        else if (e.action == SCRIPT_SHOT)
            hostSaveScreenshot(e.file);
        else if (e.action == SCRIPT_TAP_CONTROL)
            tapControl(e);
        else
            g_host.nextAnswer = e.answer;
    }
}

// Screen memory "565" expanded to 8-bit RGBA rows.
std::vector<uint8_t> screenRgba()
{
    std::vector<uint8_t> out(g_host.screen.size() * 4);
    for (size_t i = 0; i < g_host.screen.size(); ++i) {
        uint16_t p = g_host.screen[i];
        unsigned r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
        out[i * 4 + 0] = uint8_t((r << 3) | (r >> 2));
        out[i * 4 + 1] = uint8_t((g << 2) | (g >> 4));
        out[i * 4 + 2] = uint8_t((b << 3) | (b >> 2));
        out[i * 4 + 3] = 255;
    }
    return out;
}

bool writeToFile(void* ctx, const void* bytes, size_t n)
{
    return fwrite(bytes, 1, n, static_cast<FILE*>(ctx)) == n;
}

void toUtf8(const char16_t* s, char* out, size_t cap)
{
    textToUtf8(out, cap, s);
}

}

void hostOptionsFromEnv(HostOptions* o)
{
    *o = HostOptions{};
    const char* v;
    if ((v = getenv("TOBEX_HEADLESS")) && *v && strcmp(v, "0"))
        o->headless = true;
    if ((v = getenv("TOBEX_SCRIPT")))
        snprintf(o->script, sizeof o->script, "%s", v);
    if ((v = getenv("TOBEX_FRAME_MS")))
        o->frameMs = uint32_t(strtoul(v, nullptr, 10));
    if ((v = getenv("TOBEX_SCREENSHOT")))
        snprintf(o->screenshot, sizeof o->screenshot, "%s", v);
    if ((v = getenv("TOBEX_FRAMES")))
        o->maxFrames = atoi(v);
}

int hostOptionsFromArgs(HostOptions* o, int argc, char** argv)
{
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        bool takesValue = !strcmp(a, "--script") || !strcmp(a, "--frame-ms") || !strcmp(a, "--screenshot") ||
                          !strcmp(a, "--frames");
        if (!strcmp(a, "--headless")) {
            o->headless = true;
            continue;
        }
        if (!takesValue) {
            argv[out++] = argv[i];
            continue;
        }
        if (i + 1 >= argc) {
            fprintf(stderr, "%s needs a value\n", a);
            return -1;
        }
        const char* v = argv[++i];
        if (!strcmp(a, "--script"))
            snprintf(o->script, sizeof o->script, "%s", v);
        else if (!strcmp(a, "--screenshot"))
            snprintf(o->screenshot, sizeof o->screenshot, "%s", v);
        else if (!strcmp(a, "--frame-ms"))
            o->frameMs = uint32_t(strtoul(v, nullptr, 10));
        else
            o->maxFrames = atoi(v);
    }
    argv[out] = nullptr;
    return out;
}

const char* hostOptionsHelp()
{
    return "  --headless        run without a window (also when no display exists)\n"
           "  --script FILE     headless input: timed key, pen, shot and quit lines\n"
           "  --frame-ms N      virtual clock: every frame advances N ms (reproducible runs)\n"
           "  --screenshot FILE save the screen (.png or .tga) when the program ends\n"
           "  --frames N        headless: quit after N frames\n";
}

bool hostStart(const HostOptions* o)
{
    hostStop();
    g_host.options = *o;
    g_host.startNs = realNs();
    g_host.nextAnswer = 1;
    g_host.started = true;
    if (o->script[0] && !loadScript(o->script)) {
        g_host.started = false;
        return false;
    }
    return true;
}

bool hostStop()
{
    if (g_host.started && g_host.options.screenshot[0] && !g_host.screen.empty())
        hostSaveScreenshot(g_host.options.screenshot);
    bool ok = !g_host.shotFailed;
    if (g_host.window)
        sdlCloseWindow();
    g_host.~HostState();
    new (&g_host) HostState{};
    return ok;
}

void hostSetControlLocator(HostControlLocator fn)
{
    g_host.locator = fn;
}

bool hostScriptFailed()
{
    return g_host.scriptFailed;
}

bool hostIsHeadless()
{
    return !g_host.window;
}

const HostOptions* hostOptions()
{
    return &g_host.options;
}

bool hostOpenWindow(const char16_t* title, int width, int height)
{
    if (g_host.window || g_host.options.headless)
        return true;
    char t[128];
    toUtf8(title, t, sizeof t);
    const char* display = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    bool haveDisplay = (display && *display) || (wayland && *wayland);
    if (haveDisplay && sdlOpenWindow(t, width, height)) {
        g_host.window = true;
        return true;
    }
    // No display: run headless, bounded when no script or limit says otherwise.
    g_host.options.headless = true;
    if (!g_host.options.script[0] && g_host.options.maxFrames == 0)
        g_host.options.maxFrames = 300;
    fprintf(stderr, "No display found: running headless for %d frames.\n", g_host.options.maxFrames);
    return true;
}

void hostSetTitle(const char16_t* title)
{
    char t[128];
    toUtf8(title, t, sizeof t);
    sdlSetTitle(t);
}

void hostToggleFullScreen()
{
    sdlToggleFullScreen();
}

void hostPump()
{
    if (g_host.options.frameMs)
        g_host.virtualUs += uint64_t(g_host.options.frameMs) * 1000;
    ++g_host.frames;
    if (g_host.window)
        sdlCollect(push);
    runDueScript();
    if (g_host.options.maxFrames > 0 && g_host.frames > g_host.options.maxFrames)
        push(HostMessage{WM_CLOSE, 0, 0, 0});
}

bool hostNextMessage(HostMessage* m)
{
    if (g_host.queueHead >= g_host.queue.size()) {
        g_host.queue.clear();
        g_host.queueHead = 0;
        return false;
    }
    *m = g_host.queue[g_host.queueHead++];
    return true;
}

void hostPostQuit()
{
    push(HostMessage{WM_QUIT, 0, 0, 0});
}

uint16_t hostKeyChar(uint32_t vk)
{
    // NOTE: the window's text input already typed these; a second copy on the
    // key message would insert every character twice.
    if (g_host.window &&
        ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_BACK))
        return 0;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return uint16_t(vk);
    switch (vk) {
    case VK_SPACE:
        return u' ';
    case VK_RETURN:
        return u'\r';
    case VK_BACK:
        return 8;
    case VK_TAB:
        return u'\t';
    case VK_ESCAPE:
        return 27;
    default:
        return 0;
    }
}

bool hostOpenDisplay(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return false;
    g_host.width = width;
    g_host.height = height;
    g_host.screen.assign(size_t(width) * size_t(height), 0);
    g_host.displayOpen = true;
    return true;
}

void hostCloseDisplay()
{
    g_host.displayOpen = false;
}

void hostDisplayProperties(HostDisplay* d)
{
    d->width = g_host.width;
    d->height = g_host.height;
    d->xPitch = 2;
    d->yPitch = g_host.width * 2;
    d->bitsPerPixel = 16;
    d->formatFlags = 0x80;
}

void* hostBeginDraw()
{
    return g_host.displayOpen ? g_host.screen.data() : nullptr;
}

void hostEndDraw()
{
    if (g_host.window && g_host.displayOpen)
        sdlPresent(g_host.screen.data(), g_host.width, g_host.height);
}

void hostSuspend() {}
void hostResume() {}
bool hostOpenInput()
{
    return true;
}
void hostCloseInput() {}

void hostDefaultKeys(int layout, HostKeys* keys)
{
    // Portrait: the direction pad is the arrow keys; A, B, C are Z, X, C; start is Return.
    // Landscape turns the pad a quarter to the left, as the handheld held sideways.
    if (layout == 3)
        *keys = HostKeys{VK_RIGHT, VK_LEFT, VK_UP, VK_DOWN, 'Z', 'X', 'C', VK_RETURN};
    else
        *keys = HostKeys{VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, 'Z', 'X', 'C', VK_RETURN};
}

bool hostSaveScreenshot(const char* path)
{
    if (!path || g_host.screen.empty())
        return false;
    PictureKind kind = pictureKindOf(path) == PICTURE_TGA ? PICTURE_TGA : PICTURE_PNG;
    FILE* f = fopen(path, "wb");
    bool ok =
        f && pictureWrite(kind, screenRgba().data(), g_host.width, g_host.height, false, writeToFile, f);
    int err = errno;
    if (f && fclose(f) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        fprintf(stderr, "host: writing the screenshot %s failed: %s\n", path, strerror(err));
        g_host.shotFailed = true;
    }
    return ok;
}

int hostMessageBox(const char16_t* title, const char16_t* text, int kind)
{
    char t[128], m[2048];
    toUtf8(title, t, sizeof t);
    toUtf8(text, m, sizeof m);
    fprintf(stderr, "%s: %s\n", t, m);
    if (g_host.window) {
        int r = sdlMessageBox(t, m, kind);
        if (r > 0)
            return r;
    }
    int answer = g_host.nextAnswer ? g_host.nextAnswer : 1;
    g_host.nextAnswer = 1;
    return kind == 1 ? answer : 1;
}

uint64_t hostCounter()
{
    if (g_host.options.frameMs)
        return g_host.virtualUs;
    return realNs();
}

uint64_t hostCounterFrequency()
{
    return g_host.options.frameMs ? 1000000ull : 1000000000ull;
}

void hostSleep(uint32_t ms)
{
    if (g_host.options.frameMs) {
        g_host.virtualUs += uint64_t(ms) * 1000;
        return;
    }
    timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

void hostVersion(uint32_t* platform, uint32_t* major, uint32_t* minor, uint32_t* build)
{
    struct utsname u;
    unsigned ma = 0, mi = 0, pa = 0;
    if (uname(&u) == 0)
        sscanf(u.release, "%u.%u.%u", &ma, &mi, &pa);
    *platform = 3;
    *major = ma;
    *minor = mi;
    *build = pa;
}

int hostBatteryPercent()
{
    return g_host.window ? sdlBatteryPercent() : 100;
}

bool hostOpenUrl(const char* url)
{
    return sdlOpenUrl(url);
}
