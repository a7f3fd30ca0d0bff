// The SDL2 backend: window, texture upload, vsync presentation and events.
#include "app/host_sdl.h"

#include <SDL.h>

namespace {

struct SdlState {
    SDL_Window* window;
    SDL_Renderer* renderer;
    SDL_Texture* texture;
    int width, height;
    bool penDown;
} g_sdl;

// Largest integer scale at which the screen fits 90 % of the desktop.
int fitScale(int width, int height)
{
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return 2;
    int s = 1;
    while (width * (s + 1) <= mode.w * 9 / 10 && height * (s + 1) <= mode.h * 9 / 10)
        ++s;
    return s;
}

uint32_t virtualKey(SDL_Keycode k)
{
    switch (k) {
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_v:
        return VK_BUTTON_D;
    case SDLK_b:
        return VK_BUTTON_E;
    default:
        break;
    }
    if (k >= SDLK_a && k <= SDLK_z)
        return uint32_t('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9)
        return uint32_t('0' + (k - SDLK_0));
    if (k >= SDLK_F1 && k <= SDLK_F12)
        return VK_F1 + uint32_t(k - SDLK_F1);
    return 0;
}

// Sends each character of a UTF-8 text that has a Latin-1 code as WM_CHAR;
// control characters and characters beyond Latin-1 are no text for the engine.
void emitText(const char* utf8, void (*emit)(const HostMessage& m))
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8);
    while (*s) {
        uint32_t c = *s++;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
        for (; more > 0 && (*s & 0xC0) == 0x80; more--)
            c = (c << 6) | (*s++ & 0x3F);
        if (more == 0 && c >= 0x20 && c <= 0xFF && c != 0x7F)
            emit(HostMessage{WM_CHAR, c, 0, 0});
    }
}

// Pen positions in screen pixels; clicks in the letterbox are clamped to the screen.
void penPosition(int wx, int wy, int32_t* x, int32_t* y)
{
    *x = wx < 0 ? 0 : wx >= g_sdl.width ? g_sdl.width - 1 : wx;
    *y = wy < 0 ? 0 : wy >= g_sdl.height ? g_sdl.height - 1 : wy;
}

}

bool sdlOpenWindow(const char* title, int width, int height)
{
    if (g_sdl.window)
        return true;
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || !SDL_strcmp(driver, "offscreen") || !SDL_strcmp(driver, "dummy")) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    int s = fitScale(width, height);
    g_sdl.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width * s,
                                    height * s, SDL_WINDOW_RESIZABLE);
    if (g_sdl.window)
        g_sdl.renderer = SDL_CreateRenderer(g_sdl.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (g_sdl.renderer)
        g_sdl.texture = SDL_CreateTexture(g_sdl.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                          width, height);
    if (!g_sdl.texture) {
        sdlCloseWindow();
        return false;
    }
    SDL_RenderSetLogicalSize(g_sdl.renderer, width, height);
    SDL_StartTextInput();
    SDL_RenderSetIntegerScale(g_sdl.renderer, SDL_TRUE);
    g_sdl.width = width;
    g_sdl.height = height;
    return true;
}

void sdlCloseWindow()
{
    if (g_sdl.texture)
        SDL_DestroyTexture(g_sdl.texture);
    if (g_sdl.renderer)
        SDL_DestroyRenderer(g_sdl.renderer);
    if (g_sdl.window)
        SDL_DestroyWindow(g_sdl.window);
    g_sdl = SdlState{};
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void sdlSetTitle(const char* title)
{
    if (g_sdl.window)
        SDL_SetWindowTitle(g_sdl.window, title);
}

void sdlToggleFullScreen()
{
    if (!g_sdl.window)
        return;
    bool full = SDL_GetWindowFlags(g_sdl.window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(g_sdl.window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void sdlCollect(void (*emit)(const HostMessage& m))
{
    if (!g_sdl.window)
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        HostMessage m{};
        switch (e.type) {
        case SDL_QUIT:
            m.msg = WM_CLOSE;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                m.msg = WM_CLOSE;
            else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                m.msg = WM_SETFOCUS;
            else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                m.msg = WM_KILLFOCUS;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_F11) {
                if (!e.key.repeat)
                    sdlToggleFullScreen();
                break;
            }
            m.key = virtualKey(e.key.keysym.sym);
            if (m.key)
                m.msg = e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP;
            // Backspace types a character too (8), once per press and per repeat.
            if (m.msg == WM_KEYDOWN && m.key == VK_BACK) {
                emit(m);
                m = HostMessage{WM_CHAR, 8, 0, 0};
            }
            break;
        case SDL_TEXTINPUT:
            emitText(e.text.text, emit);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT)
                break;
            m.msg = e.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            g_sdl.penDown = e.type == SDL_MOUSEBUTTONDOWN;
            penPosition(e.button.x, e.button.y, &m.x, &m.y);
            break;
        case SDL_MOUSEMOTION:
            // The pen only moves while it touches the screen.
            if (!g_sdl.penDown)
                break;
            m.msg = WM_MOUSEMOVE;
            penPosition(e.motion.x, e.motion.y, &m.x, &m.y);
            break;
        default:
            break;
        }
        if (m.msg)
            emit(m);
    }
}

void sdlPresent(const uint16_t* pixels, int width, int height)
{
    if (!g_sdl.texture || width != g_sdl.width || height != g_sdl.height)
        return;
    SDL_UpdateTexture(g_sdl.texture, nullptr, pixels, width * 2);
    SDL_RenderClear(g_sdl.renderer);
    SDL_RenderCopy(g_sdl.renderer, g_sdl.texture, nullptr, nullptr);
    SDL_RenderPresent(g_sdl.renderer);
}

int sdlMessageBox(const char* title, const char* text, int kind)
{
    if (!g_sdl.window)
        return -1;
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "Cancel"},
    };
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.window = g_sdl.window;
    box.title = title;
    box.message = text;
    box.numbuttons = kind == 1 ? 2 : 1;
    box.buttons = buttons;
    int chosen = 0;
    if (SDL_ShowMessageBox(&box, &chosen) != 0)
        return -1;
    return chosen == 2 ? 2 : 1;
}

int sdlBatteryPercent()
{
    int secs = 0, pct = -1;
    SDL_PowerState state = SDL_GetPowerInfo(&secs, &pct);
    if (state == SDL_POWERSTATE_NO_BATTERY || state == SDL_POWERSTATE_UNKNOWN || pct < 0)
        return 100;
    return pct;
}

bool sdlOpenUrl(const char* url)
{
    return SDL_OpenURL(url) == 0;
}
