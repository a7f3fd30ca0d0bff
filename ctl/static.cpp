// CtlStatic (a label over an optional background and image, which may blink)
// and CtlTimer (a label rewritten every frame with a time).
//
// Every blinking label shares one phase, so labels blink in step. A timer
// writes its text in place into a buffer it first makes at least
// CTL_TIMER_TEXT characters long, so no time overflows a short text from a
// World file.
#include <string.h>

#include "app/clock.h"
#include "ctl/draw.h"
#include "obj/proptype.h"

namespace {

struct Blink {
    TIME last;  // time of the last toggle
    bool on;    // the shared phase; starts off
} g_blink;

// Advances the shared blink phase for a label of period `period`; true while shown.
bool blinkShown(int32_t period)
{
    const TIME now = timeNow();
    uint32_t since = now - g_blink.last;
    if (now < g_blink.last)
        since--;
    if (since > uint32_t(period)) {
        g_blink.last = now;
        g_blink.on = !g_blink.on;
    }
    return g_blink.on;
}

// Tiles frame `frame` of s over the box, from its top-left corner.
void tile(const SURFACE* s, SURFACE* dst, const Rect& box, int frame)
{
    int fw = 0, fh = 0;
    if (!ctlFrameSize(s, frame, &fw, &fh) || fw < 1 || fh < 1)
        return;
    for (int64_t y = box.y; y < int64_t(box.y) + box.h; y += fh)
        for (int64_t x = box.x; x < int64_t(box.x) + box.w; x += fw)
            ctlBlitCell(s, dst, int(x), int(y), frame);
}

// Appends the decimal digits of v to out at *n.
void appendNumber(char16_t* out, int* n, uint32_t v)
{
    char16_t digits[10];
    int k = 0;
    do {
        digits[k++] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v);
    while (k)
        out[(*n)++] = digits[--k];
}

void appendTwoDigits(char16_t* out, int* n, uint32_t v)
{
    if (v < 10)
        out[(*n)++] = u'0';
    appendNumber(out, n, v);
}

struct Hms {
    uint32_t h, m, s;
};

Hms split(TIME ms)
{
    const uint32_t total = ms / 1000;
    return Hms{total / 3600, total % 3600 / 60, total % 60};
}

// The watched TIME value of the timer's object; false when there is none.
bool watchedTime(const CtlTimer* t, TIME* value)
{
    void* obj = objGet(t->object);
    if (!obj || t->propid < 0 || t->propid >= PROP_METHOD_BASE)
        return false;
    const PropDesc* d = objPropDesc(obj, uint8_t(t->propid));
    // Only a TIME property is read: another type may be shorter than a TIME.
    if (!d || d->type != PT_TIME || d->size < sizeof(TIME))
        return false;
    memcpy(value, static_cast<const uint8_t*>(obj) + d->offset, sizeof(TIME));
    return true;
}

}

// ---- CtlStatic ------------------------------------------------------------------------------------

int CtlStatic_CalcBBox(void* obj, void* arg)
{
    CtlStatic* c = static_cast<CtlStatic*>(obj);
    const int32_t w = c->bbox.w, h = c->bbox.h;
    if (ctlSurface(c)) {
        ctlActorBox(c, arg);
        if (w) {
            c->bbox.w = w;
            c->bbox.x = 0;
        }
        if (h) {
            c->bbox.h = h;
            c->bbox.y = 0;
        }
    } else {
        c->bbox = Rect{0, 0, w, h};
    }
    if ((c->bbox.w && c->bbox.h) || !ctlHasText(c->text))
        return 0;
    int tw = 0, th = 0;
    ctlMeasure(c->font, c->text, &tw, &th);
    if (!c->bbox.w)
        c->bbox.w = tw;
    if (!c->bbox.h)
        c->bbox.h = th;
    return 0;
}

int CtlStatic_Render(void* obj, void* arg)
{
    CtlStatic* c = static_cast<CtlStatic*>(obj);
    SURFACE* dst = ctlTarget(arg);
    if (!dst || (c->blink > 0 && !blinkShown(c->blink)))
        return 0;
    if (c->colBkg != COLOR_NONE)
        ctlFill(dst, c->bbox, c->colBkg);
    if (const SURFACE* sf = ctlSurface(c)) {
        CtlClip clip(c->bbox);
        if (c->width)
            tile(sf, dst, c->bbox, c->frame);
        else
            Actor_Render(c, arg);
    }
    if (ctlHasText(c->text)) {
        const int cellH = ctlFontOf(c->font)->nCharHeight;
        ctlDrawText(dst, c->font, c->text, c->col, c->x, c->y + (c->bbox.h - cellH) / 2, c->textAlign,
                    c->bbox.w);
    }
    return 0;
}

void ctlResetBlink()
{
    g_blink = Blink{};
}

// ---- CtlTimer ---------------------------------------------------------------------------------

int CtlTimer_Sync(void* obj, void*)
{
    CtlTimer* t = static_cast<CtlTimer*>(obj);
    if (t->object == OBJ_NONE)
        return 0;
    void* watched = objGet(t->object);
    if (!watched)
        return -1;
    if (t->propid == PROP_UNKNOWN) {
        if (!t->prop[0])
            return -1;
        t->propid = objPropIndex(watched, t->prop);
    } else if (!t->prop[0]) {
        const PropDesc* d = t->propid >= 0 && t->propid < PROP_METHOD_BASE
                                ? objPropDesc(watched, uint8_t(t->propid))
                                : nullptr;
        if (d) {
            strncpy(t->prop, d->name, sizeof t->prop - 1);
            t->prop[sizeof t->prop - 1] = 0;
        }
    }
    TIME unused;
    return watchedTime(t, &unused) ? 0 : -1;
}

int CtlTimer_Live(void* obj, void*)
{
    CtlTimer* t = static_cast<CtlTimer*>(obj);
    TIME since;
    Hms v;
    if (watchedTime(t, &since)) {
        t->time = timeNow() - since;
        v = split(t->time);
    } else if (t->bGetSystemTime && !objGet(t->object)) {
        int h = 0, m = 0, s = 0;
        localTimeOfDay(&h, &m, &s);
        v = Hms{uint32_t(h), uint32_t(m), uint32_t(s)};
        t->time = (v.h * 60 + v.m) * 60 + v.s;
    } else {
        v = split(t->time);
    }
    char16_t text[CTL_TIMER_TEXT + 8];
    int n = 0;
    if (t->bHours) {
        appendNumber(text, &n, v.h);
        text[n++] = u':';
    } else {
        v.m += 60 * v.h;
    }
    appendTwoDigits(text, &n, v.m);
    if (t->bSeconds) {
        text[n++] = u':';
        appendTwoDigits(text, &n, v.s);
    }
    text[n] = 0;
    if (ctlReserveText(&t->text, CTL_TIMER_TEXT))
        memcpy(t->text, text, size_t(n + 1) * sizeof(char16_t));
    return 0;
}
