#pragma once
// The application frame: the application record and its window, the message pump
// and window procedure, fatal errors, the crash report, and the frame loop.

#include <stdint.h>

#include "app/clock.h"

constexpr int APP_TITLE_MAX = 30;  // characters kept of a title

struct AppVersion {
    uint32_t platform;      // 3 = Linux
    uint32_t major, minor;  // kernel version
    uint32_t build;
    char oem[64];           // empty: the platform reports no OEM string
    char platformType[64];  // empty: no platform type
};

// ---- Application record ----------------------------------------------------------
void appInit();  // reads the OS version; never fails
void appShutdown();
void appSetTitle(const char16_t* title);  // keeps at most 30 characters
const char16_t* appTitle();
void appSetIcon(uint16_t resourceId);
uint16_t appIcon();
const AppVersion& appVersion();
bool appWindowExists();

// ---- Window and messages ---------------------------------------------------------------
bool appCreateWindow(int width, int height);  // creates and shows once, then enters full-screen mode
void appSetFullScreen(bool on);
bool appPumpMessages();  // false once the quit message arrived; never waits
int appWindowProc(uint32_t msg, uint32_t wparam, int32_t x, int32_t y);
int appMessageBox(const char16_t* text, int kind);  // kind 0 OK, 1 OK+Cancel; 0 not shown, 2 Cancel, 1 OK

// Receivers of key and pen messages (the input module); null drops them.
typedef void (*AppKeyFn)(uint32_t vk, bool down);
typedef void (*AppPenFn)(uint32_t msg, int32_t x, int32_t y);
void appSetInputReceivers(AppKeyFn key, AppPenFn pen);
typedef void (*AppCharFn)(uint32_t ch);
void appSetCharReceiver(AppCharFn fn);  // receiver of typed characters (WM_CHAR); null drops them
// What keeps the program alive while it waits (advance key states, mix sound).
void appSetKeepAlive(void (*fn)());
void appKeepAlive();
// Shut-down steps the fatal exit runs (graphics, input), in the order added.
void appAddFatalShutdown(void (*fn)());

// ---- Ending ------------------------------------------------------------------------
[[noreturn]] void appFatal(const char16_t* message);  // log, message box, shut down, exit code 1
[[noreturn]] void appExit(int code);                  // the fatal path without a message
bool appDebuggerAttached();

// ---- Entry -----------------------------------------------------------------------------
// The main entry: appInit, the clock, crash handlers, then main; an exception that
// escapes main is reported as unhandled. Returns main's result (1 after a crash).
int appRun(int (*main)(void* arg), void* arg);
void appInstallCrashHandlers();

// ---- Frame loop --------------------------------------------------------------------------
// The steps of one frame, in the order they run; a null hook does nothing.
struct AppFrameHooks {
    void (*resetTimes)();   // before the first frame: every tStart = now
    void (*updateKeys)();   // 1: advance the per-frame key states
    void (*mixSound)();     // 2: let the sound library mix
    int (*handleEvents)();  // 3: hand queued events on; the first command code stops
    void (*render)();       // 5: render the main World and present
    bool (*work)(int command, const FrameStats* stats);  // 7: game work; true asks to quit
    void (*live)();                                      // 9: every living object advances to now
};

// Runs frames until the game asks to quit or the quit message arrives; returns
// the number of frames run. Stats are kept in *stats when not null.
uint32_t appRunFrames(const AppFrameHooks* hooks, FrameStats* stats);
