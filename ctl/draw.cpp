// Shared drawing, text and input helpers of the controls, and the font object.
//
// A control's font and image are looked up by id at every use, so a control
// whose font or sprite was destroyed, or names an object of another class,
// draws with the system font or without an image instead of reading freed memory.
#include "ctl/draw.h"

#include <string.h>

#include "app/log.h"
#include "app/text.h"
#include "gfx/format.h"
#include "obj/proptype.h"
#include "vfs/mem.h"

namespace {

const FONT g_noFont = {};  // draws nothing, measures 0 x 0

int32_t clampInt(int64_t v)
{
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int32_t(v);
}

// True when every glyph cell the font declares lies on its sheet, so drawing
// never reads outside the image whatever the World file said.
bool gridFitsSheet(const FONT* f)
{
    const SURFACE* s = f->sf;
    if (f->nXSrcSpacing < 0 || f->nYSrcSpacing < 0 || f->nXSrcOffs < 0 || f->nYSrcOffs < 0 ||
        f->nCharWidth < 1 || f->nCharHeight < 1 || f->nXSrcChars < 1 || f->nYSrcChars < 1)
        return false;
    int64_t count = int64_t(f->nXSrcChars) * f->nYSrcChars;
    if (count > FONT_GLYPHS)
        count = FONT_GLYPHS;
    int64_t cols = count < f->nXSrcChars ? count : f->nXSrcChars;
    int64_t rows = (count + f->nXSrcChars - 1) / f->nXSrcChars;
    int64_t right = f->nXSrcOffs + (cols - 1) * (int64_t(f->nXSrcSpacing) + f->nCharWidth) + f->nCharWidth;
    int64_t bottom = f->nYSrcOffs + (rows - 1) * (int64_t(f->nYSrcSpacing) + f->nCharHeight) + f->nCharHeight;
    return right <= s->width && bottom <= s->height;
}

}

// ---- CtlFont ------------------------------------------------------------------------------------

int CtlFont_Create(void* obj, void*)
{
    CtlFont* c = static_cast<CtlFont*>(obj);
    // The sprite's surface is taken again each time: a sheet kept from a sprite
    // that has gone since would be freed memory.
    if (c->sprite != OBJ_NONE || !c->sf)
        c->sf = spriteSurface(c->sprite);
    if (!c->sf) {
        c->font.sf = nullptr;
        return 0;
    }
    FONT* f = &c->font;
    f->nCharWidth = c->nCharWidth;
    f->nCharHeight = c->nCharHeight;
    f->nHSpacing = c->nHSpacing;
    f->nVSpacing = c->nVSpacing;
    f->bVariableSpacing = c->bVariableSpacing;
    f->bBlend = c->bBlend;
    f->sf = static_cast<SURFACE*>(c->sf);
    f->nXSrcSpacing = c->nXSrcSpacing;
    f->nYSrcSpacing = c->nYSrcSpacing;
    f->nXSrcOffs = c->nXSrcOffs;
    f->nYSrcOffs = c->nYSrcOffs;
    f->nXSrcChars = c->nXSrcChars;
    f->nYSrcChars = c->nYSrcChars;
    f->nFirstChar = c->nFirstChar;
    if (f->sf->pixels && !f->sf->rle && gridFitsSheet(f) && fontBuild(f))
        return 0;
    // A font that cannot be prepared keeps no sheet, so it draws nothing.
    logWrite("CtlFont_Create: unusable font sheet or grid in ", 0);
    logLine(c->name);
    f->sf = nullptr;
    f->nLastChar = 0;
    return 1;
}

const FONT* ctlFontOf(ObjectId font)
{
    void* obj = objGet(font);
    if (!objIsA(obj, &g_ctlFontClass))
        return sysFont();
    const CtlFont* c = static_cast<const CtlFont*>(obj);
    // The sheet is borrowed from the sprite: once the sprite is gone, so is the font.
    if (c->sprite != OBJ_NONE && c->font.sf && spriteSurface(c->sprite) != c->font.sf)
        return &g_noFont;
    return c->font.sf ? &c->font : &g_noFont;
}

// ---- Colours and shapes ----------------------------------------------------------------------

uint32_t ctlScaleColor(uint32_t rgb, int f)
{
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t c = (((rgb >> shift) & 0xFF) * uint32_t(f) + 128) >> 8;
        out |= (c > 255 ? 255 : c) << shift;
    }
    return out;
}

void ctlSetColor(SURFACE* s, uint32_t rgb)
{
    if (s)
        gfxSetColor(colorConvert(rgb & 0xFFFFFF, PF_888, nullptr, s));
}

void ctlFill(SURFACE* s, const Rect& box, uint32_t rgb)
{
    if (!s)
        return;
    ctlSetColor(s, rgb);
    const RECT r = {box.x, box.y, box.w, box.h};
    sfFillRect(s, &r);
}

void ctlBevel(SURFACE* s, const Rect& b, uint32_t rgb, bool pressed)
{
    if (!s || b.w <= 0 || b.h <= 0)
        return;
    if (rgb == COLOR_NONE)
        rgb = CTL_BEVEL_DEFAULT;
    ctlFill(s, b, rgb);
    const uint32_t shadow = ctlScaleColor(rgb, 128), light = ctlScaleColor(rgb, 512);
    ctlSetColor(s, pressed ? light : shadow);
    sfHLine(s, b.x, b.y + b.h - 1, b.w);
    sfHLine(s, b.x + 1, b.y + b.h - 2, b.w - 1);
    sfVLine(s, b.x + b.w - 1, b.y, b.h);
    sfVLine(s, b.x + b.w - 2, b.y + 1, b.h - 1);
    ctlSetColor(s, pressed ? shadow : light);
    sfHLine(s, b.x, b.y, b.w);
    sfHLine(s, b.x, b.y + 1, b.w - 1);
    sfVLine(s, b.x, b.y, b.h);
    sfVLine(s, b.x + 1, b.y, b.h - 1);
}

void ctlOutline(SURFACE* s, const Rect& box, uint32_t rgb)
{
    if (!s)
        return;
    ctlSetColor(s, rgb);
    const RECT r = {box.x, box.y, box.w, box.h};
    sfRect(s, &r);
}

CtlClip::CtlClip(const Rect& box) : m_rect{box.x, box.y, box.w, box.h}, m_old(gfxGetClip())
{
    if (m_old) {
        int64_t x0 = m_rect.x > m_old->x ? m_rect.x : m_old->x;
        int64_t y0 = m_rect.y > m_old->y ? m_rect.y : m_old->y;
        int64_t x1 = int64_t(m_rect.x) + m_rect.w, y1 = int64_t(m_rect.y) + m_rect.h;
        int64_t ox1 = int64_t(m_old->x) + m_old->w, oy1 = int64_t(m_old->y) + m_old->h;
        x1 = x1 < ox1 ? x1 : ox1;
        y1 = y1 < oy1 ? y1 : oy1;
        m_rect = RECT{clampInt(x0), clampInt(y0), clampInt(x1 > x0 ? x1 - x0 : 0),
                      clampInt(y1 > y0 ? y1 - y0 : 0)};
    }
    gfxSetClip(&m_rect);
}

CtlClip::~CtlClip()
{
    gfxSetClip(m_old);
}

// ---- Text -------------------------------------------------------------------------------------

bool ctlHasText(const char16_t* text)
{
    return text && text[0];
}

void ctlDrawText(SURFACE* s, ObjectId font, const char16_t* text, uint32_t rgb, int x, int y, int align,
                 int width)
{
    if (!s || !ctlHasText(text))
        return;
    ctlSetColor(s, rgb);
    // NOTE: a width of 0 or less means "the text's own width" to the font code,
    // so an empty box draws nothing rather than the whole text.
    if (width <= 0)
        return;
    fontDrawText(ctlFontOf(font), s, text, x, y, align, width);
}

void ctlMeasure(ObjectId font, const char16_t* text, int* w, int* h)
{
    fontMeasure(ctlFontOf(font), text, w, h);
}

int32_t ctlTextCapacity(const char16_t* text)
{
    if (!text)
        return 0;
    int32_t bytes = memSize(text);
    return bytes >= int32_t(sizeof(char16_t)) ? bytes / int32_t(sizeof(char16_t)) - 1 : 0;
}

bool ctlReserveText(char16_t** text, int32_t chars)
{
    if (*text && ctlTextCapacity(*text) + 1 >= chars)
        return true;
    auto* grown = static_cast<char16_t*>(memAlloc(chars * int32_t(sizeof(char16_t))));
    if (!grown)
        return false;
    size_t n = textLen(*text);
    if (n >= size_t(chars))
        n = size_t(chars) - 1;
    if (n)
        memcpy(grown, *text, n * sizeof(char16_t));
    grown[n] = 0;
    memFree(*text);
    *text = grown;
    return true;
}

bool ctlSetText(void* ctl, const char16_t* s)
{
    char16_t** slot = nullptr;
    if (objIsA(ctl, &g_ctlStaticClass))
        slot = &static_cast<CtlStatic*>(ctl)->text;
    else if (objIsA(ctl, &g_ctlWindowClass))
        slot = &static_cast<CtlWindow*>(ctl)->title;
    if (!slot)
        return false;
    char16_t* copy = nullptr;
    if (size_t n = textLen(s)) {
        copy = static_cast<char16_t*>(memAlloc(int32_t((n + 1) * sizeof(char16_t))));
        if (!copy)
            return false;
        memcpy(copy, s, (n + 1) * sizeof(char16_t));
    }
    memFree(*slot);
    *slot = copy;
    return true;
}

// ---- Surfaces -----------------------------------------------------------------------------------

SURFACE* ctlSurface(Actor* a)
{
    // As the engine's actors: the sprite is followed while sf is null or still
    // what was taken from it; a surface set directly stays.
    if (!a->sf || a->sf == a->sfTaken)
        a->sf = a->sfTaken = spriteSurface(a->sprite);
    return static_cast<SURFACE*>(a->sf);
}

int ctlFrameCount(const SURFACE* s)
{
    if (!s)
        return 0;
    return s->frames.count > 0 ? s->frames.count : 1;
}

void ctlBlitCell(const SURFACE* s, SURFACE* dst, int x, int y, int frame)
{
    sfBlit(s, dst, x, y, frame >= 0 ? sfFrame(s, frame) : nullptr);
}

bool ctlFrameSize(const SURFACE* s, int frame, int* w, int* h)
{
    if (!s)
        return false;
    if (frame < 0 || !sfFrameSize(s, frame, w, h)) {
        *w = s->width;
        *h = s->height;
    }
    return true;
}

// ---- Input ----------------------------------------------------------------------------------------

bool ctlIsPen(const InputEvent* ev)
{
    return ev && ev->key == KEY_PEN;
}

bool ctlIsActivation(const InputEvent* ev)
{
    return ev && (ev->key == KEY_PEN || ev->key == KEY_BUT_A || ev->key == KEY_BUT_START);
}

int ctlClick(CtlButton* b)
{
    return b->OnClick ? b->OnClick(b, nullptr) : b->idCtl;
}

int ctlActorBox(Actor* a, void* view)
{
    const int32_t w = a->bbox.w, h = a->bbox.h;
    int r = Actor_CalcBBox(a, view);
    if (a->width && a->height) {
        a->bbox.w = w;
        a->bbox.h = h;
    }
    return r;
}

SURFACE* ctlTarget(const void* view)
{
    return view ? static_cast<const ViewRect*>(view)->surface : nullptr;
}
