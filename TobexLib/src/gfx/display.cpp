// The display: the screen surface over the host's screen memory, presentation,
// orientation. The screen surface's pixels are valid only between gfxBeginDraw
// and gfxEndDraw; every presentation locks the memory once, for the copy only.
#include "gfx/display.h"

#include <string.h>

#include "app/app.h"
#include "app/host.h"
#include "app/input.h"
#include "base/log.h"
#include "gfx/blit.h"
#include "gfx/font.h"
#include "obj/proptype.h"

namespace {

// The landscape-wired direct display: its pitches.
constexpr int16_t kDirectXPitch = -640;
constexpr int16_t kDirectYPitch = 2;

struct Display {
    bool active;
    SURFACE screen;        // not from the pool; borrows display memory
    SURFACE* savedTarget;  // the target before gfxBeginDraw
    int orientation;
    int32_t orientOffset;    // byte offset added to display memory at each presentation
    bool direct;             // display memory at a fixed address
    uint8_t* directAddress;  // that address; null until given
    PALETTE palette;
    bool paletteBuilt;
};

Display g_disp;

struct FormatFlag {
    uint32_t flag;
    uint32_t format;
};

// First match wins: a display reporting several formats is taken as the first.
const FormatFlag kFormats[] = {
    {.flag = GFX_DIRECT888, .format = PF_888},   {.flag = GFX_DIRECT565, .format = PF_565},
    {.flag = GFX_DIRECT555, .format = PF_555},   {.flag = GFX_DIRECT444, .format = PF_444},
    {.flag = GFX_PALETTE, .format = PF_PALETTE},
};

const uint32_t kPaletteFirst16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

void buildPalette(PALETTE* p)
{
    memset(p, 0, sizeof *p);
    p->count = 256;
    memcpy(p->colors, kPaletteFirst16, sizeof kPaletteFirst16);
    for (uint32_t g = 0; g < 6; g++)
        for (uint32_t r = 0; r < 6; r++)
            for (uint32_t b = 0; b < 6; b++)
                p->colors[40 + 36 * g + 6 * r + b] = (r * 0x33) << 16 | (g * 0x33) << 8 | b * 0x33;
}

bool oemAsksDirect(const char* oem)
{
    if (!oem || strlen(oem) < GFX_OEM_DIRECT_POS + 3)
        return false;
    return !strncmp(oem + GFX_OEM_DIRECT_POS, "H38", 3);
}

// The kind of turn from orientation c to o (both 0..3, different).
int turnKind(int c, int o)
{
    if ((c < 2) == (o < 2))
        return 1;
    static const int kQuarter[4] = {2, 3, 1, 0};  // the orientation a kind-2 turn reaches
    return kQuarter[c] == o ? 2 : 3;
}

}

// ---- Start and stop -------------------------------------------------------------------------

bool gfxInit(int width, int height)
{
    if (!appCreateWindow(width, height) || !hostOpenDisplay(width, height))
        return false;
    if (!gfxDescribeScreen(&g_disp.screen) || !sfCacheInit(g_disp.screen.format)) {
        hostCloseDisplay();
        return false;
    }
    propSetSurfaceRelease(gfxReleaseSurfaceValue);
    g_disp.active = true;
    g_disp.orientation = 0;
    g_disp.orientOffset = 0;
    inputSetScreen(g_disp.screen.width, g_disp.screen.height, 0);
    if (!sysFontLoad())
        logLine("gfxInit: no system font");
    if (g_disp.screen.format == PF_PALETTE)
        sfSetPalette(&g_disp.screen, const_cast<PALETTE*>(gfxDefaultPalette()), false);
    return true;
}

void gfxShutdown()
{
    if (!g_disp.active)
        return;
    appSetFullScreen(false);
    g_disp.direct = false;
    hostCloseDisplay();
    sfCacheShutdown();
    // Surfaces still handed out (a leak elsewhere) keep the pool alive.
    if (sfPoolLive() == 0)
        sfPoolShutdown();
    else
        logLine("gfxShutdown: surfaces still in use");
    sfFree(&g_disp.screen);
    if (gfxGetTarget() == &g_disp.screen)
        gfxSetTarget(nullptr);
    g_disp.active = false;
}

bool gfxActive()
{
    return g_disp.active;
}

// ---- Describing the screen -----------------------------------------------------------------------

bool gfxDescribeScreen(SURFACE* s)
{
    HostDisplay d;
    hostDisplayProperties(&d);
    return gfxDescribeDisplay(s, &d, appVersion().oem);
}

bool gfxDescribeDisplay(SURFACE* s, const HostDisplay* d, const char* oem)
{
    sfFree(s);
    uint32_t format = 0;
    for (const FormatFlag& f : kFormats)
        if (d->formatFlags & f.flag) {
            format = f.format;
            break;
        }
    if (!format || d->width <= 0 || d->height <= 0 || d->width > SF_MAX_SIDE || d->height > SF_MAX_SIDE)
        return false;
    memset(s, 0, sizeof *s);
    s->format = format;
    s->formatInfo = pfInfo(format);
    s->keycolor = SF_NO_KEY;
    s->width = static_cast<int16_t>(d->width);
    s->height = static_cast<int16_t>(d->height);
    s->xPitch = static_cast<int16_t>(d->xPitch);
    s->yPitch = static_cast<int16_t>(d->yPitch);
    s->size =
        static_cast<uint32_t>(d->yPitch < 0 ? -d->yPitch : d->yPitch) * static_cast<uint32_t>(d->height);
    g_disp.direct = oemAsksDirect(oem);
    if (g_disp.direct) {
        s->xPitch = kDirectXPitch;
        s->yPitch = kDirectYPitch;
    }
    return true;
}

SURFACE* gfxGetScreen()
{
    return &g_disp.screen;
}
bool gfxDirectFrameBuffer()
{
    return g_disp.direct;
}
void gfxSetFrameBufferAddress(uint8_t* pixel00)
{
    g_disp.directAddress = pixel00;
}

// ---- Drawing to the screen --------------------------------------------------------------------------

SURFACE* gfxBeginDraw()
{
    uint8_t* p = g_disp.direct ? g_disp.directAddress : static_cast<uint8_t*>(hostBeginDraw());
    if (!p)
        return nullptr;
    g_disp.screen.pixels = p;
    g_disp.savedTarget = gfxSetTarget(&g_disp.screen);
    return &g_disp.screen;
}

void gfxEndDraw()
{
    if (!g_disp.screen.pixels)
        return;
    if (!g_disp.direct)
        hostEndDraw();
    g_disp.screen.pixels = nullptr;
    gfxSetTarget(g_disp.savedTarget);
}

void gfxPresent(const SURFACE* src, int x, int y, const RECT* rect)
{
    SURFACE* screen = gfxBeginDraw();
    if (!screen)
        return;
    screen->pixels += g_disp.orientOffset;
    // A presentation is an opaque copy whatever state the drawing code left.
    const RECT* clip = gfxSetClip(nullptr);
    uint32_t alpha = gfxSetAlpha(256);
    sfCopy(src, screen, x, y, rect);
    gfxSetAlpha(alpha);
    gfxSetClip(clip);
    gfxEndDraw();
}

// ---- Orientation ------------------------------------------------------------------------------------

int32_t sfRotateAddressing(SURFACE* s, int kind)
{
    const int32_t xp = s->xPitch, yp = s->yPitch, w = s->width, h = s->height;
    int32_t offset = 0;
    if (kind == 1) {
        offset = (h - 1) * yp + (w - 1) * xp;
        s->xPitch = static_cast<int16_t>(-xp);
        s->yPitch = static_cast<int16_t>(-yp);
    } else if (kind == 2 || kind == 3) {
        offset = kind == 2 ? (h - 1) * yp : (w - 1) * xp;
        s->xPitch = static_cast<int16_t>(kind == 2 ? -yp : yp);
        s->yPitch = static_cast<int16_t>(kind == 2 ? xp : -xp);
        s->width = static_cast<int16_t>(h);
        s->height = static_cast<int16_t>(w);
    }
    if (s->pixels)
        s->pixels += offset;
    return offset;
}

int32_t gfxSetScreenOrient(int orientation)
{
    if (orientation < 0 || orientation > 3 || orientation == g_disp.orientation)
        return g_disp.orientOffset;
    int kind = turnKind(g_disp.orientation, orientation);
    // The screen surface has no pixels outside a draw: the offset is kept apart.
    g_disp.orientOffset += sfRotateAddressing(&g_disp.screen, kind);
    g_disp.orientation = orientation;
    inputSetScreen(g_disp.screen.width, g_disp.screen.height, orientation);
    return g_disp.orientOffset;
}

int gfxGetScreenOrient()
{
    return g_disp.orientation;
}

// ---- Palette and surface values ---------------------------------------------------------------------

const PALETTE* gfxDefaultPalette()
{
    if (!g_disp.paletteBuilt) {
        buildPalette(&g_disp.palette);
        g_disp.paletteBuilt = true;
    }
    return &g_disp.palette;
}

void gfxReleaseSurfaceValue(void* value)
{
    SURFACE* s = static_cast<SURFACE*>(value);
    sfFree(s);
    memset(s, 0, sizeof *s);
}
