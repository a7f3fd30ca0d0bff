#pragma once
// Input: key and pen messages become a queue of InputEvent records for the
// frame loop and a table of per-frame key states for polling. Hardware keys map
// to eleven logical key codes; other keys arrive as raw codes (0x4000 + vk).

#include <stdint.h>

struct ViewRect;

// Event types.
enum InputEventType : uint32_t {
    EV_PRESS = 1,
    EV_REPEAT = 2,
    EV_RELEASE = 3,
    EV_PENMOVE = 4,
};

// Logical key codes; the names are "NONE", "UP", ... "BUT.START", "PEN".
enum KeyCode : uint16_t {
    KEY_NONE = 0,
    KEY_UP = 1,
    KEY_DOWN = 2,
    KEY_LEFT = 3,
    KEY_RIGHT = 4,
    KEY_BUT_A = 5,
    KEY_BUT_B = 6,
    KEY_BUT_C = 7,
    KEY_BUT_D = 8,
    KEY_BUT_E = 9,
    KEY_BUT_START = 10,
    KEY_PEN = 11,
};

constexpr int KEY_TABLE_SIZE = 12;       // logical codes 0..11
constexpr uint16_t KEY_RAW = 0x4000;     // raw code = KEY_RAW + virtual-key code
constexpr uint32_t KEY_VK_PEN = 256;     // the pen's pseudo virtual key
constexpr int INPUT_QUEUE_LIMIT = 1000;  // more events than this waiting at inputUpdate are dropped

// Per-frame key states.
enum KeyStateValue : int {
    KEYSTATE_UP = 0,
    KEYSTATE_RELEASED = 1,  // went up this frame
    KEYSTATE_PRESSED = 2,   // went down this frame
    KEYSTATE_HELD = 3,
};

struct InputEvent {
    uint32_t type;   // InputEventType
    uint16_t key;    // KeyCode, or KEY_RAW + vk; KEY_PEN for every pen event
    uint16_t ch;     // the character of the key; 0 for pen events
    int32_t x, y;    // pen position in screen coordinates; 0 for key events
    ViewRect* view;  // null in the queue; set by a viewport while it routes the event
};

typedef void (*InputHook)(const InputEvent* ev);  // sees each event right after it is queued

// ---- Start and stop ------------------------------------------------------------
// Takes the hardware keys, fills the key map from the default keys of the layout
// and creates the queue; installs the key and pen receivers and the keep-alive.
// False when the keys cannot be taken (every key then arrives raw; the pen still
// works) or the queue cannot be made.
bool inputStart(bool landscape);
void inputStop();                                  // gives the keys back, frees the queue
void inputEnable(bool on);                         // nothing is queued until enabled
void inputSetSecondaryKeys(bool on);               // consult the secondary codes of the key map (on at start)
bool inputSetSecondaryKey(int code, uint32_t vk);  // a second key for a logical code; 0 = none
InputHook inputSetHook(InputHook fn);              // returns the previous hook
// The screen the pen lies on: surface size and orientation 0..3 (240 x 320, 0 at start).
void inputSetScreen(int width, int height, int orientation);

// ---- Messages (the window procedure's receivers) --------------------------------------
void inputKeyMessage(uint32_t vk, bool down);
void inputPenMessage(uint32_t msg, int32_t x, int32_t y);  // WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP
// A typed character (WM_CHAR): queued as an EV_REPEAT event of key KEY_RAW (no
// key) carrying ch, the event an edit box inserts from. Codes 1..255 only.
void inputCharMessage(uint32_t ch);

// ---- Queue -------------------------------------------------------------------------
bool inputPending();
bool inputGetEvent(InputEvent* ev);   // takes the front event; false when empty
bool inputPeekEvent(InputEvent* ev);  // copies the front event without taking it
void inputFlush();
void inputUpdate();  // once per frame: advance key states, drop an overfull queue

// ---- Polling -------------------------------------------------------------------------
int keyState(uint32_t code);  // KeyStateValue of a logical or raw code
bool keyDown(uint32_t code);  // pressed or held
bool keyReleased(uint32_t code);
uint32_t anyKey();                // first logical code down, else KEY_RAW + vk, else 0
int waitKeysUp();                 // 1 when every key is up, 0 on the quit message
int waitKey(uint32_t timeoutMs);  // the key pressed; 0 after the timeout (0 = none), -1 on quit

// ---- Names and the pen -------------------------------------------------------------------
// A logical code's name, or the upper-case hex of a raw code's vk in a shared
// buffer that the next such call overwrites.
const char* keyName(uint32_t code);
const char16_t* keyNameW(uint32_t code);  // as keyName; code 0 reads "NO"
int32_t penX();                           // the last pen position, corrected for orientation
int32_t penY();
