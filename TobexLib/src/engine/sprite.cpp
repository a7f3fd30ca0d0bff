// Sprites, actors and off-screen surfaces: image resources and the objects that
// draw them. An actor borrows its sprite's surface; it looks the sprite up again
// on every use, so an actor whose sprite was destroyed draws nothing instead of
// reading a released surface. A surface set directly in sf is never replaced.
#include <string.h>

#include "base/log.h"
#include "base/text.h"
#include "engine/scene.h"
#include "gfx/blit.h"
#include "gfx/display.h"
#include "gfx/format.h"
#include "gfx/image.h"
#include "obj/proptype.h"

namespace {

constexpr int32_t kOne = 256;  // 1.0 in 8.8

bool endsWithNoCase(const char16_t* s, const char16_t* tail)
{
    size_t n = textLen(s), m = textLen(tail);
    return n >= m && textCompareNoCase(s + n - m, tail) == 0;
}

// name with ext appended, or with its last four characters replaced by ext.
bool withExtension(char16_t* out, const char16_t* name, const char16_t* ext, bool replace)
{
    int n = int(textLen(name)) - (replace ? 4 : 0);
    if (n < 0 || size_t(n) + textLen(ext) >= TEXT_MAX_PATH)
        return false;
    memcpy(out, name, size_t(n) * sizeof(char16_t));
    out[n] = 0;
    textAppend(out, TEXT_MAX_PATH, ext);
    return true;
}

uint32_t screenFormat()
{
    return gfxGetScreen()->format;
}

// Loads the sprite's file; *fromTGA tells whether the settings still need applying.
SURFACE* loadImage(const Sprite* s, bool* fromTGA)
{
    uint32_t format = s->format ? uint32_t(s->format) : screenFormat();
    *fromTGA = true;
    if (endsWithNoCase(s->file, u".tga"))
        return sfLoadTGA(s->file, format, nullptr);
    *fromTGA = false;
    if (endsWithNoCase(s->file, u".gsf"))
        return sfLoadGSF(s->file, 0, nullptr);
    char16_t name[TEXT_MAX_PATH];
    if (withExtension(name, s->file, u".gsf", false))
        if (SURFACE* sf = sfLoadGSF(name, 0, nullptr))
            return sf;
    *fromTGA = true;
    return withExtension(name, s->file, u".tga", false) ? sfLoadTGA(name, format, nullptr) : nullptr;
}

void applySettings(Sprite* s, SURFACE* sf)
{
    if (s->keycolor == COLOR_PIXEL00)
        sf->keycolor = sfGetPixel(sf, 0, 0);
    else if (s->keycolor == COLOR_NONE)
        sf->keycolor = SF_NO_KEY;
    else
        sf->keycolor = colorConvert(s->keycolor & 0xFFFFFF, PF_888, nullptr, sf);
    sf->xPivot = s->xPivot;
    sf->yPivot = s->yPivot;
    if (s->regularFrames.x > 0 && s->regularFrames.y > 0 &&
        sfSetFrameGrid(sf, s->regularFrames.x, s->regularFrames.y)) {
        sf->loop = s->loop;
        sf->animType = uint8_t(s->animType);
        sf->frameDelay = s->frameDelay;
    }
    if (!s->rle || !sfEncodeRLE(sf))
        return;
    char16_t name[TEXT_MAX_PATH];
    bool replace = endsWithNoCase(s->file, u".tga");
    if (withExtension(name, s->file, u".gsf", replace) && !sfSaveGSF(sf, name)) {
        logWrite("Sprite_Sync: could not save ", 0);
        logWrite(name, LOG_WIDE | LOG_EOL);
    }
}

// The actor's surface. The sprite's surface is looked up again only while sf is
// null or still the surface last taken from the sprite: a surface set directly
// belongs to whoever set it and stays until they change it.
SURFACE* actorSurface(Actor* a)
{
    if (!a->sf || a->sf == a->sfTaken)
        a->sf = a->sfTaken = spriteSurface(a->sprite);
    return static_cast<SURFACE*>(a->sf);
}

int32_t scale(int32_t v, int32_t s)
{
    return int32_t((int64_t(v) * s + 128) >> 8);
}

}

// ---- Sprite ---------------------------------------------------------------------------------

int Sprite_Sync(void* obj, void*)
{
    Sprite* s = static_cast<Sprite*>(obj);
    if (s->sf || !s->file || !s->file[0])
        return 0;
    bool fromTGA = false;
    SURFACE* sf = loadImage(s, &fromTGA);
    if (!sf) {
        logWrite("Failed to load sprite: ", 0);
        logWrite(s->file, LOG_WIDE | LOG_EOL);
        // The name goes so that later Syncs do not try (and log) again.
        propTypeInfo(PT_TSTRING)->release(&s->file);
        s->file = nullptr;
        return 0;
    }
    if (fromTGA)
        applySettings(s, sf);
    s->sf = sf;
    return 0;
}

int Sprite_Destroy(void* obj, void*)
{
    Sprite* s = static_cast<Sprite*>(obj);
    sfDestroy(static_cast<SURFACE*>(s->sf));
    s->sf = nullptr;
    return 0;
}

SURFACE* spriteSurface(ObjectId id)
{
    void* obj = objGet(id);
    if (!objIsA(obj, &g_spriteClass))
        return nullptr;
    Sprite* s = static_cast<Sprite*>(obj);
    if (!s->sf)
        Sprite_Sync(s, nullptr);
    return static_cast<SURFACE*>(s->sf);
}

// ---- OffscreenSurface ------------------------------------------------------------------------

int OffscreenSurface_Sync(void* obj, void*)
{
    OffscreenSurface* o = static_cast<OffscreenSurface*>(obj);
    const SURFACE* screen = gfxGetScreen();
    o->screenOrient = gfxGetScreenOrient();
    int w = o->width ? o->width : screen->width;
    int h = o->height ? o->height : screen->height;
    uint32_t format = o->format ? uint32_t(o->format) : screen->format;
    SURFACE* sf = &o->sf;
    gfxReleaseSurfaceValue(sf);
    // Before graphics start (tools that only read World files) there is no
    // screen to take defaults from: the surface stays empty until a later Sync.
    if (!gfxActive() && (!w || !h || !format))
        return 0;
    if (!sfInit(sf, w, h, format, false, SF_NO_KEY, nullptr)) {
        assertReport("TobexLib/src/TobexObj", 1381, "OffscreenSurface_Sync: no surface", 0);
        memset(sf, 0, sizeof *sf);
        return -1;
    }
    return 0;
}

SURFACE* offscreenSurface(ObjectId id)
{
    void* obj = objGet(id);
    if (!objIsA(obj, &g_offscreenSurfaceClass))
        return nullptr;
    SURFACE* sf = &static_cast<OffscreenSurface*>(obj)->sf;
    return sf->pixels ? sf : nullptr;
}

// ---- Actor ------------------------------------------------------------------------------------

int Actor_Create(void* obj, void*)
{
    Actor* a = static_cast<Actor*>(obj);
    if (!a->sf && a->sprite != OBJ_NONE)
        a->sf = a->sfTaken = spriteSurface(a->sprite);
    return 0;
}

int Actor_CalcBBox(void* obj, void*)
{
    Actor* a = static_cast<Actor*>(obj);
    const SURFACE* sf = actorSurface(a);
    a->bbox = Rect{0, 0, a->width, a->height};
    if (!sf || (a->width && a->height))
        return 0;
    int w = sf->width, h = sf->height;
    if (a->frame < 0 || !sfFrameSize(sf, a->frame, &w, &h)) {
        w = sf->width;
        h = sf->height;
    }
    a->bbox = Rect{-((sf->xPivot * w + 128) >> 8), -((sf->yPivot * h + 128) >> 8), w, h};
    if (a->sx != kOne || a->sy != kOne)
        a->bbox = Rect{scale(a->bbox.x, a->sx), scale(a->bbox.y, a->sy), scale(a->bbox.w, a->sx),
                       scale(a->bbox.h, a->sy)};
    return 0;
}

int Actor_Render(void* obj, void* arg)
{
    Actor* a = static_cast<Actor*>(obj);
    const ViewRect* view = static_cast<const ViewRect*>(arg);
    const SURFACE* sf = actorSurface(a);
    if (!sf || !view || !view->surface)
        return 0;
    if (a->angle == 0 && a->sx == kOne && a->sy == kOne) {
        sfBlitFrame(sf, view->surface, a->x, a->y, a->frame);
        return 0;
    }
    XFORM xf = {.x = a->x, .y = a->y, .angle = a->angle, .sx = a->sx, .sy = a->sy};
    sfBlitXform(sf, view->surface, &xf, a->frame);
    return 0;
}
