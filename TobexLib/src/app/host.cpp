// The host layer: options, the message queue, the headless script and virtual
// clock, the screen memory and its screenshots. The SDL2 window is used when a
// display exists and headless was not asked for; otherwise everything runs in RAM.
//
// Script lines (times in ms of the host clock, '#' starts a comment):
//   <ms> key press|repeat|release|tap <NAME>   NAME: UP DOWN LEFT RIGHT BUT.A..BUT.E
//                                              BUT.START, a letter or digit, or 0xNN
//   <ms> pen down|move|up|tap <x> <y>
//   <ms> shot <file.png|file.tga>
//   <ms> answer ok|cancel                      the next message box's answer
//   <ms> focus lost|gained
//   <ms> tap-control <id>                      pen tap at the centre of the control
//                                              whose idCtl is id (found by a hook)
//   <ms> quit
#include "app/host.h"

#include <errno.h>
#include <png.h>
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
#include "base/text.h"

namespace {

enum ScriptAction {
    ACT_MESSAGE,
    ACT_SHOT,
    ACT_ANSWER,
    ACT_TAP_CONTROL
};

struct ScriptEvent {
    uint32_t time;
    ScriptAction action;
    HostMessage message;
    std::string file;  // ACT_SHOT
    int answer;        // ACT_ANSWER
    int32_t control;   // ACT_TAP_CONTROL: the idCtl looked for
    int line;          // line in the script file
};

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

// The window icon: set by the program once, kept apart from the host state so a
// restart of the host keeps it.
struct HostIcon {
    const uint8_t* rgba;
    int size;
} g_icon;

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

// The virtual-key code of a script key name.
bool keyFromName(const char* name, uint32_t* vk)
{
    HostKeys k;
    hostDefaultKeys(2, &k);
    struct Named {
        const char* name;
        uint32_t vk;
    } const names[] = {
        {"UP", k.up},           {"DOWN", k.down},       {"LEFT", k.left},    {"RIGHT", k.right},
        {"BUT.A", k.a},         {"BUT.B", k.b},         {"BUT.C", k.c},      {"BUT.D", VK_BUTTON_D},
        {"BUT.E", VK_BUTTON_E}, {"BUT.START", k.start}, {"SPACE", VK_SPACE}, {"RETURN", VK_RETURN},
        {"ESCAPE", VK_ESCAPE},  {"BACK", VK_BACK},
    };
    for (const Named& n : names)
        if (!strcmp(n.name, name)) {
            *vk = n.vk;
            return true;
        }
    if (strlen(name) == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
        *vk = uint32_t(name[0]);
        return true;
    }
    if (!strncmp(name, "0x", 2) || !strncmp(name, "0X", 2)) {
        char* end;
        unsigned long v = strtoul(name + 2, &end, 16);
        if (*end == 0 && end != name + 2 && v < 256) {
            *vk = uint32_t(v);
            return true;
        }
    }
    return false;
}

// Parses one script line into events; false with a reason on a bad line.
bool parseLine(char* line, std::vector<ScriptEvent>* out, const char** why)
{
    if (char* hash = strchr(line, '#'))
        *hash = 0;
    char* save = nullptr;
    char* tok[6] = {};
    int n = 0;
    for (char* t = strtok_r(line, " \t\r\n", &save); t && n < 6; t = strtok_r(nullptr, " \t\r\n", &save))
        tok[n++] = t;
    if (n == 0)
        return true;
    char* end;
    unsigned long time = strtoul(tok[0], &end, 10);
    if (*end || n < 2) {
        *why = "expected a time in ms and a command";
        return false;
    }
    ScriptEvent e{};
    e.time = uint32_t(time);
    const char* cmd = tok[1];
    if (!strcmp(cmd, "quit")) {
        e.message.msg = WM_CLOSE;
        out->push_back(e);
        return true;
    }
    if (!strcmp(cmd, "shot") && n == 3) {
        e.action = ACT_SHOT;
        e.file = tok[2];
        out->push_back(e);
        return true;
    }
    if (!strcmp(cmd, "answer") && n == 3 && (!strcmp(tok[2], "ok") || !strcmp(tok[2], "cancel"))) {
        e.action = ACT_ANSWER;
        e.answer = !strcmp(tok[2], "ok") ? 1 : 2;
        out->push_back(e);
        return true;
    }
    if (!strcmp(cmd, "tap-control") && n == 3) {
        char* e2;
        long id = strtol(tok[2], &e2, 0);
        if (*e2 || id < INT32_MIN || id > INT32_MAX) {
            *why = "tap-control takes a control id";
            return false;
        }
        e.action = ACT_TAP_CONTROL;
        e.control = int32_t(id);
        out->push_back(e);
        return true;
    }
    if (!strcmp(cmd, "focus") && n == 3 && (!strcmp(tok[2], "lost") || !strcmp(tok[2], "gained"))) {
        e.message.msg = !strcmp(tok[2], "lost") ? WM_KILLFOCUS : WM_SETFOCUS;
        out->push_back(e);
        return true;
    }
    if (!strcmp(cmd, "key") && n == 4) {
        if (!keyFromName(tok[3], &e.message.key)) {
            *why = "unknown key name";
            return false;
        }
        const char* how = tok[2];
        bool tap = !strcmp(how, "tap");
        if (tap || !strcmp(how, "press") || !strcmp(how, "repeat")) {
            e.message.msg = WM_KEYDOWN;
            out->push_back(e);
        }
        if (tap || !strcmp(how, "release")) {
            e.message.msg = WM_KEYUP;
            out->push_back(e);
        }
        if (!tap && strcmp(how, "press") && strcmp(how, "repeat") && strcmp(how, "release")) {
            *why = "key takes press, repeat, release or tap";
            return false;
        }
        return true;
    }
    if (!strcmp(cmd, "pen") && n == 5) {
        char* ex;
        char* ey;
        e.message.x = int32_t(strtol(tok[3], &ex, 10));
        e.message.y = int32_t(strtol(tok[4], &ey, 10));
        if (*ex || *ey) {
            *why = "pen takes two integer coordinates";
            return false;
        }
        const char* how = tok[2];
        bool tap = !strcmp(how, "tap");
        if (tap || !strcmp(how, "down")) {
            e.message.msg = WM_LBUTTONDOWN;
            out->push_back(e);
        }
        if (!strcmp(how, "move")) {
            e.message.msg = WM_MOUSEMOVE;
            out->push_back(e);
        }
        if (tap || !strcmp(how, "up")) {
            e.message.msg = WM_LBUTTONUP;
            out->push_back(e);
        }
        if (!tap && strcmp(how, "down") && strcmp(how, "move") && strcmp(how, "up")) {
            *why = "pen takes down, move, up or tap";
            return false;
        }
        return true;
    }
    *why = "unknown command";
    return false;
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
        size_t before = g_host.script.size();
        if (!parseLine(line, &g_host.script, &why)) {
            fprintf(stderr, "host: %s:%d: %s\n", path, number, why);
            ok = false;
        }
        for (size_t i = before; i < g_host.script.size(); i++)
            g_host.script[i].line = number;
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
        if (e.action == ACT_MESSAGE)
            push(e.message);
        else if (e.action == ACT_SHOT)
            hostSaveScreenshot(e.file.c_str());
        else if (e.action == ACT_TAP_CONTROL)
            tapControl(e);
        else
            g_host.nextAnswer = e.answer;
    }
}

// Screen memory "565" expanded to 8-bit RGB rows.
void rgbRow(int y, unsigned char* out)
{
    const uint16_t* row = &g_host.screen[size_t(y) * size_t(g_host.width)];
    for (int x = 0; x < g_host.width; ++x) {
        uint16_t p = row[x];
        unsigned r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
        out[x * 3 + 0] = (unsigned char)((r << 3) | (r >> 2));
        out[x * 3 + 1] = (unsigned char)((g << 2) | (g >> 4));
        out[x * 3 + 2] = (unsigned char)((b << 3) | (b >> 2));
    }
}

bool savePng(FILE* f)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<unsigned char> row(size_t(g_host.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(g_host.width), png_uint_32(g_host.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < g_host.height; ++y) {
        rgbRow(y, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool saveTga(FILE* f)
{
    unsigned char header[18] = {};
    header[2] = 2;  // uncompressed true colour
    header[12] = (unsigned char)(g_host.width & 255);
    header[13] = (unsigned char)(g_host.width >> 8);
    header[14] = (unsigned char)(g_host.height & 255);
    header[15] = (unsigned char)(g_host.height >> 8);
    header[16] = 24;
    header[17] = 0x20;  // top-left origin
    if (fwrite(header, 1, sizeof header, f) != sizeof header)
        return false;
    std::vector<unsigned char> row(size_t(g_host.width) * 3);
    for (int y = 0; y < g_host.height; ++y) {
        rgbRow(y, row.data());
        for (int x = 0; x < g_host.width; ++x)
            std::swap(row[x * 3], row[x * 3 + 2]);  // TGA stores blue first
        if (fwrite(row.data(), 1, row.size(), f) != row.size())
            return false;
    }
    return true;
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
        sdlSetIcon(g_icon.rgba, g_icon.size);
        return true;
    }
    // No display: run headless, bounded when no script or limit says otherwise.
    g_host.options.headless = true;
    if (!g_host.options.script[0] && g_host.options.maxFrames == 0)
        g_host.options.maxFrames = 300;
    fprintf(stderr, "No display found: running headless for %d frames.\n", g_host.options.maxFrames);
    return true;
}

void hostSetIcon(const uint8_t* rgba, int size)
{
    g_icon = {rgba, size};
    sdlSetIcon(rgba, size);
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
    const char* dot = strrchr(path, '.');
    bool tga = dot && (!strcmp(dot, ".tga") || !strcmp(dot, ".TGA"));
    FILE* f = fopen(path, "wb");
    bool ok = f && (tga ? saveTga(f) : savePng(f));
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
