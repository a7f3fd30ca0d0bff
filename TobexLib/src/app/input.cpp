// Input events, per-frame key states, key names and pen correction.
//
// The window procedure hands every key and pen message to inputKeyMessage and
// inputPenMessage; they update the down flags at once and, once events are
// enabled, append InputEvent records to the queue. The frame loop advances the
// per-frame states with inputUpdate and takes events from the front of the queue.
#include "app/input.h"

#include <string.h>

#include "app/app.h"
#include "app/clock.h"
#include "app/host.h"
#include "base/mem.h"

namespace {

constexpr int kTrackedKeys = KEY_VK_PEN + 1;  // virtual keys 0..255 and the pen
constexpr int32_t kQueueStart = 100;          // room made when the queue is created
constexpr uint32_t kIgnoredVk1 = 91;          // keys the handheld sends for its own use
constexpr uint32_t kIgnoredVk2 = 132;

const char* const kNames[KEY_TABLE_SIZE] = {
    "NONE", "UP", "DOWN", "LEFT", "RIGHT", "BUT.A", "BUT.B", "BUT.C", "BUT.D", "BUT.E", "BUT.START", "PEN",
};
const char16_t* const kNamesW[KEY_TABLE_SIZE] = {
    u"NO",    u"UP",    u"DOWN",  u"LEFT",  u"RIGHT",     u"BUT.A",
    u"BUT.B", u"BUT.C", u"BUT.D", u"BUT.E", u"BUT.START", u"PEN",
};

// The event queue: events in data[head .. count), appended at count.
struct EventQueue {
    InputEvent* data;
    int32_t head;
    int32_t count;
    int32_t cap;
};

struct KeyMapEntry {
    uint32_t primary;    // 0 = no key
    uint32_t secondary;  // 0 = no key
};

struct InputState {
    bool started;
    bool keysOpen;  // the hardware keys were taken
    bool enabled;
    bool secondary = true;
    KeyMapEntry map[KEY_TABLE_SIZE];
    bool down[kTrackedKeys];
    uint8_t state[kTrackedKeys];
    EventQueue queue;
    InputHook hook;
    int32_t rawX, rawY;
    int32_t penX, penY;
    int screenW = 240, screenH = 320;
    int orientation;
    char rawName[12];
    char16_t rawNameW[12];
} g_in;

// ---- Queue --------------------------------------------------------------------------

bool queueCreate(EventQueue* q)
{
    q->data = static_cast<InputEvent*>(memAlloc(int32_t(sizeof(InputEvent)) * kQueueStart));
    q->head = q->count = 0;
    q->cap = q->data ? kQueueStart : 0;
    return q->data != nullptr;
}

void queueFree(EventQueue* q)
{
    memFree(q->data);
    *q = EventQueue{};
}

// Makes room for one more event at the end: moves waiting events to the front
// when the front has been taken, else doubles the buffer.
bool queueMakeRoom(EventQueue* q)
{
    if (!q->data)
        return false;
    if (q->count < q->cap)
        return true;
    if (q->head > 0) {
        memmove(q->data, q->data + q->head, size_t(q->count - q->head) * sizeof(InputEvent));
        q->count -= q->head;
        q->head = 0;
        return true;
    }
    if (q->cap > INT32_MAX / 2 / int32_t(sizeof(InputEvent)))
        return false;
    void* grown = memRealloc(q->data, q->cap * 2 * int32_t(sizeof(InputEvent)));
    if (!grown)
        return false;
    q->data = static_cast<InputEvent*>(grown);
    q->cap *= 2;
    return true;
}

int32_t queueLength(const EventQueue* q)
{
    return q->count - q->head;
}

void queueClear(EventQueue* q)
{
    q->head = q->count = 0;
}

// Appends an event and shows it to the hook. An event that finds no memory is
// dropped (the allocator has logged the failure).
void postEvent(uint32_t type, uint16_t key, uint16_t ch, int32_t x, int32_t y)
{
    EventQueue* q = &g_in.queue;
    if (!queueMakeRoom(q))
        return;
    InputEvent& ev = q->data[q->count++];
    ev = InputEvent{type, key, ch, x, y, nullptr};
    if (g_in.hook) {
        InputEvent copy = ev;
        g_in.hook(&copy);
    }
}

// ---- Keys ------------------------------------------------------------------------------

// The logical code of a virtual key, or KEY_RAW + vk.
uint16_t mapKey(uint32_t vk)
{
    for (int i = 0; i < KEY_TABLE_SIZE; ++i) {
        const KeyMapEntry& e = g_in.map[i];
        if ((e.primary && e.primary == vk) || (g_in.secondary && e.secondary && e.secondary == vk))
            return uint16_t(i);
    }
    return uint16_t(KEY_RAW + vk);
}

int vkState(uint32_t vk)
{
    return vk && vk < uint32_t(kTrackedKeys) ? int(g_in.state[vk]) : int(KEYSTATE_UP);
}

// The state behind a code: a logical code's primary key (or the stronger of its
// two keys while secondary keys are active), a raw code's virtual key.
int codeState(uint32_t code)
{
    if (code & KEY_RAW) {
        uint32_t vk = code & 0xBFFF;
        return vk < uint32_t(kTrackedKeys) ? int(g_in.state[vk]) : int(KEYSTATE_UP);
    }
    if (code >= uint32_t(KEY_TABLE_SIZE))
        return KEYSTATE_UP;
    const KeyMapEntry& e = g_in.map[code];
    int s = vkState(e.primary);
    if (g_in.secondary) {
        int s2 = vkState(e.secondary);
        s = s2 > s ? s2 : s;
    }
    return s;
}

void correctPen(int32_t x, int32_t y)
{
    g_in.rawX = x;
    g_in.rawY = y;
    const int32_t w = g_in.screenW, h = g_in.screenH;
    switch (g_in.orientation) {
    case 1:
        g_in.penX = w - x;
        g_in.penY = h - y;
        break;
    case 2:
        g_in.penX = w - y;
        g_in.penY = x;
        break;
    case 3:
        g_in.penX = y;
        g_in.penY = h - x;
        break;
    default:
        g_in.penX = x;
        g_in.penY = y;
        break;
    }
}

void resetKeys()
{
    memset(g_in.down, 0, sizeof g_in.down);
    memset(g_in.state, 0, sizeof g_in.state);
}

// What keeps the program alive in its waiting loops until the program sets its
// own (the engine adds sound mixing): the key states.
void keepAlive()
{
    inputUpdate();
}

// Writes the upper-case hex digits of v into out (room for 9 characters).
int hexDigits(uint32_t v, char* out)
{
    char tmp[8];
    int n = 0;
    do {
        tmp[n++] = "0123456789ABCDEF"[v & 15];
        v >>= 4;
    } while (v && n < 8);
    for (int i = 0; i < n; ++i)
        out[i] = tmp[n - 1 - i];
    out[n] = 0;
    return n;
}

}

// ---- Start and stop ----------------------------------------------------------------

bool inputStart(bool landscape)
{
    static bool fatalStepAdded = false;
    if (g_in.started)
        inputStop();
    memset(g_in.map, 0, sizeof g_in.map);
    resetKeys();
    g_in.secondary = true;
    // The pen is no hardware button: it keeps its code even when the keys cannot be had.
    g_in.map[KEY_PEN].primary = KEY_VK_PEN;
    // The queue exists whatever happens below, so enabled events always have a place.
    if (!queueCreate(&g_in.queue))
        return false;
    g_in.started = true;
    appSetInputReceivers(inputKeyMessage, inputPenMessage);
    appSetCharReceiver(inputCharMessage);
    appSetKeepAlive(keepAlive);
    if (!fatalStepAdded) {
        appAddFatalShutdown(inputStop);
        fatalStepAdded = true;
    }
    if (!hostOpenInput())
        return false;
    g_in.keysOpen = true;
    HostKeys k;
    hostDefaultKeys(landscape ? 3 : 2, &k);
    const uint32_t primary[KEY_TABLE_SIZE] = {
        0, k.up, k.down, k.left, k.right, k.a, k.b, k.c, VK_BUTTON_D, VK_BUTTON_E, k.start, KEY_VK_PEN,
    };
    for (int i = 0; i < KEY_TABLE_SIZE; ++i)
        g_in.map[i].primary = primary[i];
    return true;
}

void inputStop()
{
    if (!g_in.started)
        return;
    if (g_in.keysOpen)
        hostCloseInput();
    g_in.keysOpen = false;
    appSetInputReceivers(nullptr, nullptr);
    appSetCharReceiver(nullptr);
    appSetKeepAlive(nullptr);
    queueFree(&g_in.queue);
    g_in.started = false;
    g_in.enabled = false;
}

void inputEnable(bool on)
{
    g_in.enabled = on;
}

void inputSetSecondaryKeys(bool on)
{
    g_in.secondary = on;
}

bool inputSetSecondaryKey(int code, uint32_t vk)
{
    if (code < 0 || code >= KEY_TABLE_SIZE || vk >= uint32_t(kTrackedKeys))
        return false;
    g_in.map[code].secondary = vk;
    return true;
}

InputHook inputSetHook(InputHook fn)
{
    InputHook old = g_in.hook;
    g_in.hook = fn;
    return old;
}

void inputSetScreen(int width, int height, int orientation)
{
    g_in.screenW = width;
    g_in.screenH = height;
    g_in.orientation = orientation;
}

// ---- Messages ----------------------------------------------------------------------------

void inputKeyMessage(uint32_t vk, bool down)
{
    // Codes outside 1..255 are no keys of the platform; they would index past the tables.
    if (vk == kIgnoredVk1 || vk == kIgnoredVk2 || vk == 0 || vk >= KEY_VK_PEN)
        return;
    bool repeat = down && g_in.down[vk];
    g_in.down[vk] = down;
    if (!g_in.enabled)
        return;
    uint32_t type = !down ? EV_RELEASE : repeat ? EV_REPEAT : EV_PRESS;
    postEvent(type, mapKey(vk), hostKeyChar(vk), 0, 0);
}

void inputCharMessage(uint32_t ch)
{
    if (ch == 0 || ch > 0xFF || !g_in.enabled)
        return;
    postEvent(EV_REPEAT, KEY_RAW, uint16_t(ch), 0, 0);
}

void inputPenMessage(uint32_t msg, int32_t x, int32_t y)
{
    if (msg != WM_MOUSEMOVE && msg != WM_LBUTTONDOWN && msg != WM_LBUTTONUP)
        return;
    if (msg == WM_LBUTTONDOWN)
        g_in.down[KEY_VK_PEN] = true;
    else if (msg == WM_LBUTTONUP)
        g_in.down[KEY_VK_PEN] = false;
    correctPen(x, y);
    if (!g_in.enabled)
        return;
    if (msg != WM_LBUTTONUP)
        postEvent(EV_PENMOVE, KEY_PEN, 0, g_in.penX, g_in.penY);
    if (msg == WM_LBUTTONDOWN)
        postEvent(EV_PRESS, KEY_PEN, 0, g_in.penX, g_in.penY);
    if (msg == WM_LBUTTONUP)
        postEvent(EV_RELEASE, KEY_PEN, 0, g_in.penX, g_in.penY);
}

// ---- Queue ----------------------------------------------------------------------------------

bool inputPending()
{
    return queueLength(&g_in.queue) > 0;
}

bool inputGetEvent(InputEvent* ev)
{
    if (!inputPeekEvent(ev))
        return false;
    EventQueue* q = &g_in.queue;
    if (++q->head == q->count)
        queueClear(q);
    return true;
}

bool inputPeekEvent(InputEvent* ev)
{
    const EventQueue* q = &g_in.queue;
    if (!ev || queueLength(q) <= 0)
        return false;
    *ev = q->data[q->head];
    return true;
}

void inputFlush()
{
    queueClear(&g_in.queue);
}

void inputUpdate()
{
    // Old state plus four times the down flag indexes the next state: a key that
    // is down goes to pressed, then held; one that is up goes to released, then up.
    static const uint8_t next[8] = {0, 0, 1, 1, 2, 2, 3, 3};
    for (int vk = 0; vk < kTrackedKeys; ++vk)
        g_in.state[vk] = next[g_in.state[vk] + (g_in.down[vk] ? 4 : 0)];
    if (queueLength(&g_in.queue) > INPUT_QUEUE_LIMIT)
        queueClear(&g_in.queue);
}

// ---- Polling ------------------------------------------------------------------------------

int keyState(uint32_t code)
{
    return codeState(code);
}

bool keyDown(uint32_t code)
{
    return codeState(code) >= KEYSTATE_PRESSED;
}

bool keyReleased(uint32_t code)
{
    return codeState(code) == KEYSTATE_RELEASED;
}

uint32_t anyKey()
{
    for (uint32_t code = KEY_UP; code <= KEY_PEN; ++code)
        if (keyDown(code))
            return code;
    for (uint32_t vk = 0; vk < uint32_t(kTrackedKeys); ++vk)
        if (g_in.state[vk] >= KEYSTATE_PRESSED)
            return KEY_RAW + vk;
    return 0;
}

int waitKeysUp()
{
    while (anyKey()) {
        if (!appPumpMessages())
            return 0;
        appKeepAlive();
        // NOTE: the pause keeps the wait from spinning a core; a virtual clock
        // advances by it instead of sleeping.
        hostSleep(1);
    }
    inputFlush();
    return 1;
}

int waitKey(uint32_t timeoutMs)
{
    if (!waitKeysUp())
        return -1;
    TIME start = timeNow();
    for (;;) {
        if (uint32_t code = anyKey())
            return int(code);
        if (timeoutMs && timeNow() - start >= timeoutMs)
            return 0;
        if (!appPumpMessages())
            return -1;
        appKeepAlive();
        hostSleep(1);
    }
}

// ---- Names and the pen ---------------------------------------------------------------------

const char* keyName(uint32_t code)
{
    if (code < uint32_t(KEY_TABLE_SIZE))
        return kNames[code];
    hexDigits(code & 0xBFFF, g_in.rawName);
    return g_in.rawName;
}

const char16_t* keyNameW(uint32_t code)
{
    if (code < uint32_t(KEY_TABLE_SIZE))
        return kNamesW[code];
    char narrow[sizeof g_in.rawName];
    int n = hexDigits(code & 0xBFFF, narrow);
    for (int i = 0; i <= n; ++i)
        g_in.rawNameW[i] = char16_t(narrow[i]);
    return g_in.rawNameW;
}

int32_t penX()
{
    return g_in.penX;
}

int32_t penY()
{
    return g_in.penY;
}
