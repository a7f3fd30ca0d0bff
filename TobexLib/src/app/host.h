#pragma once
// The host layer: the small interface through which the engine reaches the
// desktop (an SDL2 window) or runs headless (screen memory in RAM, input from a
// script of timed events, an optional virtual clock). It stands where the
// handheld's window system, display and key services stood.

#include <stdint.h>

// Window messages the host delivers, with the handheld's message numbers.
enum HostMessageCode : uint32_t {
    WM_CREATE = 1,
    WM_ACTIVATE = 6,
    WM_SETFOCUS = 7,
    WM_KILLFOCUS = 8,
    WM_ENABLE = 10,
    WM_CLOSE = 16,
    WM_QUIT = 18,
    WM_SETTINGCHANGE = 26,
    WM_KEYDOWN = 256,
    WM_KEYUP = 257,
    WM_CHAR = 258,  // a typed character (key: its code, Latin-1); a window sends these for text
    WM_MOUSEMOVE = 512,
    WM_LBUTTONDOWN = 513,
    WM_LBUTTONUP = 514,
};

// Virtual-key codes the host produces (the handheld's numbering).
enum HostVirtualKey : uint32_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_DELETE = 0x2E,
    VK_F1 = 0x70,
    VK_BUTTON_D = 193,
    VK_BUTTON_E = 194,  // the two extra hardware buttons
};

struct HostMessage {
    uint32_t msg;  // HostMessageCode
    uint32_t key;  // key messages: the virtual-key code
    int32_t x, y;  // pen messages: screen coordinates
};

// Layout and format of the screen memory.
struct HostDisplay {
    int width, height;   // pixels
    int xPitch, yPitch;  // signed byte steps to the next pixel across and down
    int bitsPerPixel;
    uint32_t formatFlags;  // 0x80 for 5:6:5 (the default), 0x100 8:8:8, 0x40 5:5:5, 0x200 4:4:4, 0x10 palette
};

// The default hardware buttons of a key layout (2 portrait, 3 landscape).
struct HostKeys {
    uint32_t up, down, left, right, a, b, c, start;
};

// How the host runs; filled from the environment and, for tools, the command line.
struct HostOptions {
    bool headless;          // no window even when a display exists
    char script[1024];      // headless input script, or empty
    uint32_t frameMs;       // virtual clock step per frame (0 = real time)
    char screenshot[1024];  // screen memory saved here when the host shuts down, or empty
    int maxFrames;          // headless: quit after this many frames (0 = no limit)
};

// ---- Configuration --------------------------------------------------------------
// Reads TOBEX_HEADLESS, TOBEX_SCRIPT, TOBEX_FRAME_MS, TOBEX_SCREENSHOT, TOBEX_FRAMES.
void hostOptionsFromEnv(HostOptions* o);
// Takes the host options (--headless, --script F, --frame-ms N, --screenshot F,
// --frames N) out of argv; returns the new argc, or -1 after printing an error.
int hostOptionsFromArgs(HostOptions* o, int argc, char** argv);
const char* hostOptionsHelp();         // one line per option, for --help texts
bool hostStart(const HostOptions* o);  // false after printing why (a bad script)
// Saves the requested screenshot and closes everything; false when any
// screenshot of the run could not be written.
bool hostStop();
bool hostIsHeadless();  // true until a window opened, and in headless runs
const HostOptions* hostOptions();

// ---- Script hooks -------------------------------------------------------------------
// Where on the screen the pen taps the control whose idCtl is id: false when no
// visible, active control has it. Set by the engine, which knows the scene.
typedef bool (*HostControlLocator)(int32_t id, int32_t* x, int32_t* y);
void hostSetControlLocator(HostControlLocator fn);  // null: every tap-control line fails
bool hostScriptFailed();  // a script line could not be carried out and ended the run

// ---- Window and messages --------------------------------------------------------------
bool hostOpenWindow(const char16_t* title, int width, int height);  // headless: always true
void hostSetTitle(const char16_t* title);
void hostToggleFullScreen();
void hostPump();                       // collects pending events; advances the virtual clock
bool hostNextMessage(HostMessage* m);  // false when none is waiting; never waits
void hostPostQuit();                   // the next messages end with WM_QUIT
// The character of a virtual key, 0 for none. In a window the characters of
// letter, digit, space and backspace keys come as WM_CHAR messages instead, so
// their key messages carry none.
uint16_t hostKeyChar(uint32_t vk);

// ---- Display and keys ------------------------------------------------------------------
bool hostOpenDisplay(int width, int height);  // screen memory in "565"
void hostCloseDisplay();
void hostDisplayProperties(HostDisplay* d);
void* hostBeginDraw();  // address of pixel (0, 0); null when none
void hostEndDraw();     // presents the screen memory
void hostSuspend();
void hostResume();
bool hostOpenInput();
void hostCloseInput();
void hostDefaultKeys(int layout, HostKeys* keys);
bool hostSaveScreenshot(const char* path);  // ".png" or ".tga" by extension

// ---- Dialogs, time and system -------------------------------------------------------------
// 0 when the box could not be shown, 2 for Cancel, 1 otherwise. Headless runs
// log, print to stderr and answer OK (or as the script says).
int hostMessageBox(const char16_t* title, const char16_t* text, int kind);
uint64_t hostCounter();           // monotonic counts
uint64_t hostCounterFrequency();  // counts per second
void hostSleep(uint32_t ms);      // virtual clock: advances it instead
void hostVersion(uint32_t* platform, uint32_t* major, uint32_t* minor, uint32_t* build);
int hostBatteryPercent();  // 100 without a battery
bool hostOpenUrl(const char* url);
