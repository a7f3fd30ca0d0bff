// The application frame: record, window, message pump, window procedure, fatal
// exit, crash report and the frame loop in its fixed order.
#include "app/app.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <exception>
#include <initializer_list>
#include <new>

#include "app/host.h"
#include "app/log.h"
#include "base/mem.h"
#include "base/rect.h"
#include "base/text.h"

namespace {

constexpr int kMaxFatalSteps = 8;

struct AppRecord {
    char16_t title[APP_TITLE_MAX + 1] = u"TobexApp";
    uint16_t icon = 0;
    bool window = false;
    AppVersion version{};
    int fullTop = 0;        // window top saved when full-screen mode was entered
    int fullBottomGap = 0;  // 320 - window bottom, saved likewise
    bool fullScreen = false;
    bool quit = false;  // the quit message was met
    AppKeyFn keyFn = nullptr;
    AppPenFn penFn = nullptr;
    AppCharFn charFn = nullptr;
    void (*keepAlive)() = nullptr;
    void (*fatalSteps[kMaxFatalSteps])() = {};
    int fatalCount = 0;
} g_app;

// Window rectangle: the host's window always stands at the top of the screen
// and covers it, so the full-screen bookkeeping finds nothing to move.
Rect windowRect()
{
    return Rect{.x = 0, .y = 0, .w = 240, .h = 320};
}

uint32_t signalCode(int sig, const siginfo_t* info)
{
    switch (sig) {
    case SIGSEGV:
        return EXC_ACCESS_VIOLATION;
    case SIGBUS:
        return info && info->si_code == BUS_ADRALN ? EXC_DATATYPE_MISALIGNMENT : EXC_IN_PAGE_ERROR;
    case SIGILL:
        return info && info->si_code == ILL_PRVOPC ? EXC_PRIVILEGED_INSTRUCTION : EXC_ILLEGAL_INSTRUCTION;
    case SIGFPE:
        switch (info ? info->si_code : 0) {
        case FPE_INTOVF:
            return EXC_INT_OVERFLOW;
        case FPE_FLTDIV:
            return EXC_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF:
            return EXC_FLT_OVERFLOW;
        case FPE_FLTUND:
            return EXC_FLT_UNDERFLOW;
        case FPE_FLTRES:
            return EXC_FLT_INEXACT;
        case FPE_FLTINV:
            return EXC_FLT_INVALID;
        default:
            return EXC_INT_DIVIDE_BY_ZERO;
        }
    default:
        return 0;
    }
}

// The crash report: one log line naming the fault, then the default action, so
// the process still ends as crashed (core dump, status) after the line is written.
void onCrash(int sig, siginfo_t* info, void*)
{
    reportUnhandled(signalCode(sig, info));
    signal(sig, SIG_DFL);
    raise(sig);
}

}

namespace {

// The allocator's question when its start-up reserve cannot be had: a "no"
// ends the program.
void askToGoOn(const char16_t* question)
{
    if (appMessageBox(question, 1) != 1)
        appExit(1);
}

}

void appInit()
{
    AppVersion& v = g_app.version;
    v = AppVersion{};
    g_app.quit = false;
    hostVersion(&v.platform, &v.major, &v.minor, &v.build);
    memSetShortageHook(askToGoOn);
}

void appShutdown() {}

void appSetTitle(const char16_t* title)
{
    textCopy(g_app.title, APP_TITLE_MAX + 1, title ? title : u"");
    if (g_app.window)
        hostSetTitle(g_app.title);
}

const char16_t* appTitle()
{
    return g_app.title;
}

void appSetIcon(uint16_t resourceId)
{
    // The desktop window keeps its default icon; the id is kept for callers.
    g_app.icon = resourceId;
}

uint16_t appIcon()
{
    return g_app.icon;
}

const AppVersion& appVersion()
{
    return g_app.version;
}

bool appWindowExists()
{
    return g_app.window;
}

bool appCreateWindow(int width, int height)
{
    if (!g_app.window) {
        if (!hostOpenWindow(g_app.title, width, height))
            return false;
        g_app.window = true;
        appWindowProc(WM_CREATE, 0, 0, 0);
    }
    appSetFullScreen(true);
    return true;
}

void appSetFullScreen(bool on)
{
    Rect r = windowRect();
    if (on) {
        g_app.fullTop = r.y;
        g_app.fullBottomGap = 320 - (r.y + r.h);
        g_app.fullScreen = true;
        // The window already covers the screen when neither gap is positive.
        return;
    }
    g_app.fullScreen = false;
}

bool appPumpMessages()
{
    if (g_app.quit)
        return false;
    hostPump();
    HostMessage m;
    while (hostNextMessage(&m)) {
        if (m.msg == WM_QUIT) {
            g_app.quit = true;
            return false;
        }
        appWindowProc(m.msg, m.key, m.x, m.y);
    }
    return true;
}

int appWindowProc(uint32_t msg, uint32_t wparam, int32_t x, int32_t y)
{
    switch (msg) {
    case WM_CREATE:
    case WM_ACTIVATE:
    case WM_ENABLE:
    case WM_SETTINGCHANGE:
        return 0;
    case WM_SETFOCUS:
        hostResume();
        return 0;
    case WM_KILLFOCUS:
        hostSuspend();
        return 0;
    case WM_CLOSE:
        hostPostQuit();
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (g_app.keyFn)
            g_app.keyFn(wparam, msg == WM_KEYDOWN);
        return 0;
    case WM_CHAR:
        if (g_app.charFn)
            g_app.charFn(wparam);
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        if (g_app.penFn)
            g_app.penFn(msg, int32_t(int16_t(x)), int32_t(int16_t(y)));
        return 0;
    default:
        return 0;
    }
}

int appMessageBox(const char16_t* text, int kind)
{
    if (!text)
        return 0;
    return hostMessageBox(g_app.title, text, kind);
}

void appSetInputReceivers(AppKeyFn key, AppPenFn pen)
{
    g_app.keyFn = key;
    g_app.penFn = pen;
}

void appSetCharReceiver(AppCharFn fn)
{
    g_app.charFn = fn;
}

void appSetKeepAlive(void (*fn)())
{
    g_app.keepAlive = fn;
}

void appKeepAlive()
{
    if (g_app.keepAlive)
        g_app.keepAlive();
}

void appAddFatalShutdown(void (*fn)())
{
    if (fn && g_app.fatalCount < kMaxFatalSteps)
        g_app.fatalSteps[g_app.fatalCount++] = fn;
}

void appFatal(const char16_t* message)
{
    logAndBox(message);
    appExit(1);
}

void appExit(int code)
{
    for (int i = 0; i < g_app.fatalCount; ++i)
        g_app.fatalSteps[i]();
    appShutdown();
    hostStop();
    exit(code);
}

bool appDebuggerAttached()
{
    FILE* f = fopen("/proc/self/status", "r");
    if (!f)
        return false;
    char line[256];
    int tracer = 0;
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "TracerPid: %d", &tracer) == 1)
            break;
    fclose(f);
    return tracer != 0;
}

void appInstallCrashHandlers()
{
    // An alternate stack lets the report run even when the stack overflowed.
    static char altStack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_sigaction = onCrash;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        sigaction(sig, &sa, nullptr);
}

int appRun(int (*main)(void* arg), void* arg)
{
    appInit();
    clockStart();
    appInstallCrashHandlers();
    int result;
    try {
        result = main(arg);
    } catch (const std::bad_alloc&) {
        reportUnhandled(EXC_NO_MEMORY);
        result = 1;
    } catch (...) {
        reportUnhandled(EXC_CPP);
        result = 1;
    }
    appShutdown();
    return result;
}

uint32_t appRunFrames(const AppFrameHooks* h, FrameStats* stats)
{
    FrameStats local;
    FrameStats* st = stats ? stats : &local;
    statsInit(st);
    if (h->resetTimes)
        h->resetTimes();
    if (!appPumpMessages())
        return 0;
    uint32_t frames = 0;
    for (;;) {
        if (h->updateKeys)
            h->updateKeys();
        if (h->mixSound)
            h->mixSound();
        int command = h->handleEvents ? h->handleEvents() : 0;
        statsFrameStart(st);
        if (h->render)
            h->render();
        statsFrameEnd(st);
        ++frames;
        if (h->work && h->work(command, st))
            break;
        if (h->live)
            h->live();
        if (!appPumpMessages())
            break;
    }
    return frames;
}
