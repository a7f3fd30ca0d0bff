// Scroll bars and sliders: CtlScrollbar (direction keys only), CtlScrollbar1
// (two arrows and a draggable thumb) and CtlScrollbar2 (a slider set by tapping
// or dragging anywhere on it). Each holds `current` in 0..total.
//
// Geometry is computed from the laid-out box at every use. A bar too short for
// its arrows, or with an empty range, neither divides by zero nor draws outside
// its box: every shape is clipped to the box.
#include "ctl/draw.h"
#include "obj/proptype.h"

namespace {

constexpr int kFramesPerOrientation = 7;  // arrow, arrow, thumb, their held looks, track
constexpr int kTrackFrame = 6;
constexpr int32_t kDefaultLength = 100;  // box of a bar without width or height
constexpr int32_t kDefaultThickness = 11;

enum Bar1State {
    BAR_IDLE = 0,
    BAR_FIRST = 1,
    BAR_SECOND = 2,
    BAR_DRAG = 3,
    BAR_RESUME = 4
};

int32_t clampTo(int32_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

void stepBack(CtlScrollbar* b)
{
    if (b->current > 0)
        b->current--;
    if (b->current > b->total)
        b->current = b->total > 0 ? b->total : 0;
}

void stepForward(CtlScrollbar* b)
{
    if (b->current < b->total)
        b->current++;
    if (b->current < 0)
        b->current = 0;
}

bool inside(const Rect& r, int32_t x, int32_t y)
{
    return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

// Arrows, track and thumb of a CtlScrollbar1 laid out in box.
struct Geometry {
    int32_t aw, ah;      // arrow and thumb size
    Rect first, second;  // the arrows
    Rect track;          // between the arrows
    int32_t S, E;        // range of the thumb's position
    int32_t T;           // the thumb's position; 0 with an empty range
    Rect thumb;
};

Geometry geometry(CtlScrollbar1* b, const Rect& box)
{
    Geometry g{};
    const SURFACE* sf = ctlSurface(b);
    int fw = 0, fh = 0;
    if (sf && ctlFrameSize(sf, b->firstFrame, &fw, &fh)) {
        g.aw = fw;
        g.ah = fh;
    } else {
        g.aw = g.ah = box.w < box.h ? box.w : box.h;
    }
    g.first = Rect{box.x, box.y, g.aw, g.ah};
    if (b->horiz) {
        g.second = Rect{box.x + box.w - g.aw, box.y, g.aw, g.ah};
        g.track = Rect{box.x + g.aw, box.y, box.w - 2 * g.aw, g.ah};
        g.S = box.x + g.aw;
        g.E = box.x + box.w - 2 * g.aw;
    } else {
        g.second = Rect{box.x, box.y + box.h - g.ah, g.aw, g.ah};
        g.track = Rect{box.x, box.y + g.ah, g.aw, box.h - 2 * g.ah};
        g.S = box.y + g.ah;
        g.E = box.y + box.h - 2 * g.ah;
    }
    if (b->total > 0) {
        const int64_t cur = clampTo(b->current, 0, b->total);
        g.T = int32_t((int64_t(g.S) * (b->total - cur) + int64_t(g.E) * cur) / b->total);
    }
    g.thumb = b->horiz ? Rect{g.T, box.y, g.aw, g.ah} : Rect{box.x, g.T, g.aw, g.ah};
    return g;
}

int focusColor(const CtlButton* b, bool held)
{
    return int(held ? b->colPressed : b->infocus ? b->colFocus : b->col);
}

// The small triangle of an arrow button: a 1-, a 3- and a 5-pixel line.
void arrowGlyph(SURFACE* dst, const Rect& r, int dir, bool held, uint32_t rgb)
{
    const int cx = r.x + r.w / 2, cy = r.y + r.h / 2, p = held ? 1 : 0;
    ctlSetColor(dst, rgb);
    switch (dir) {
    case KEY_LEFT:
        sfPlot(dst, cx - 1, cy + p);
        sfVLine(dst, cx, cy + p - 1, 3);
        sfVLine(dst, cx + 1, cy + p - 2, 5);
        break;
    case KEY_RIGHT:
        sfPlot(dst, cx + 1, cy + p);
        sfVLine(dst, cx, cy + p - 1, 3);
        sfVLine(dst, cx - 1, cy + p - 2, 5);
        break;
    case KEY_UP:
        sfPlot(dst, cx, cy + p - 1);
        sfHLine(dst, cx - 1, cy + p, 3);
        sfHLine(dst, cx - 2, cy + p + 1, 5);
        break;
    default:
        sfPlot(dst, cx, cy + p + 1);
        sfHLine(dst, cx - 1, cy + p, 3);
        sfHLine(dst, cx - 2, cy + p - 1, 5);
        break;
    }
}

void renderSprite(CtlScrollbar1* b, SURFACE* dst, const SURFACE* sf, const Geometry& g)
{
    const int base = kFramesPerOrientation * (b->horiz ? 1 : 0), frames = ctlFrameCount(sf);
    auto has = [&](int k) { return base + k < frames; };
    const int first = b->state == BAR_FIRST && has(3) ? 3 : 0;
    const int second = b->state == BAR_SECOND && has(4) ? 4 : 1;
    const int thumb = b->state == BAR_DRAG && has(5) ? 5 : 2;
    ctlBlitCell(sf, dst, g.first.x, g.first.y, base + first);
    if (has(kTrackFrame) && g.aw > 0 && g.ah > 0) {
        if (b->horiz)
            for (int32_t x = g.track.x; x < g.second.x; x += g.aw)
                ctlBlitCell(sf, dst, x, g.track.y, base + kTrackFrame);
        else
            for (int32_t y = g.track.y; y < g.second.y; y += g.ah)
                ctlBlitCell(sf, dst, g.track.x, y, base + kTrackFrame);
    }
    ctlBlitCell(sf, dst, g.second.x, g.second.y, base + second);
    if (has(thumb) && g.T >= 1)
        ctlBlitCell(sf, dst, g.thumb.x, g.thumb.y, base + thumb);
}

void renderBoxes(CtlScrollbar1* b, SURFACE* dst, const Geometry& g)
{
    // The track takes colBkg as a colour even when it is "none" (white).
    ctlFill(dst, g.track, b->colBkg);
    const bool firstHeld = b->state == BAR_FIRST, secondHeld = b->state == BAR_SECOND;
    ctlBevel(dst, g.first, b->colBkg, firstHeld);
    arrowGlyph(dst, g.first, b->horiz ? KEY_LEFT : KEY_UP, firstHeld, uint32_t(focusColor(b, firstHeld)));
    ctlBevel(dst, g.second, b->colBkg, secondHeld);
    arrowGlyph(dst, g.second, b->horiz ? KEY_RIGHT : KEY_DOWN, secondHeld,
               uint32_t(focusColor(b, secondHeld)));
    if (g.T >= 1)
        ctlBevel(dst, g.thumb, b->colBkg, b->state == BAR_DRAG);
}

void keyOutline(CtlButton* b, SURFACE* dst)
{
    if ((b->infocus & CTL_FOCUS_KEY) && b->colFocus != COLOR_NONE)
        ctlOutline(dst, b->bbox, b->colFocus);
}

}

// ---- CtlScrollbar ------------------------------------------------------------------------------

int CtlScrollbar_InKeyRelease(void* obj, void* arg)
{
    CtlScrollbar* b = static_cast<CtlScrollbar*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ev)
        return 0;
    const bool vertical = !b->horiz;
    switch (ev->key) {
    case KEY_UP:
    case KEY_LEFT:
        if (vertical != (ev->key == KEY_UP))
            return 0;
        stepBack(b);
        return b->idCtl;
    case KEY_DOWN:
    case KEY_RIGHT:
        if (vertical != (ev->key == KEY_DOWN))
            return 0;
        stepForward(b);
        return b->idCtl;
    default:
        return 0;
    }
}

// ---- CtlScrollbar1 --------------------------------------------------------------------------------

int CtlScrollbar1_CalcBBox(void* obj, void*)
{
    CtlScrollbar1* b = static_cast<CtlScrollbar1*>(obj);
    b->bbox.x = b->bbox.y = 0;
    int fw = 0, fh = 0;
    const SURFACE* sf = ctlSurface(b);
    const bool framed = sf && ctlFrameSize(sf, b->firstFrame, &fw, &fh);
    if (!b->bbox.w)
        b->bbox.w = framed ? fw : b->horiz ? kDefaultLength : kDefaultThickness;
    if (!b->bbox.h)
        b->bbox.h = framed ? fh : b->horiz ? kDefaultThickness : kDefaultLength;
    return 0;
}

int CtlScrollbar1_InKeyPress(void* obj, void* arg)
{
    CtlScrollbar1* b = static_cast<CtlScrollbar1*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ctlIsPen(ev))
        return 0;
    const Geometry g = geometry(b, b->bbox);
    if (inside(g.first, ev->x, ev->y))
        b->state = BAR_FIRST;
    if (inside(g.second, ev->x, ev->y))
        b->state = BAR_SECOND;
    if (inside(g.thumb, ev->x, ev->y)) {
        b->state = BAR_DRAG;
        b->dragStart = (b->horiz ? ev->x : ev->y) - g.T;
    }
    return 0;
}

int CtlScrollbar1_InKeyRelease(void* obj, void* arg)
{
    CtlScrollbar1* b = static_cast<CtlScrollbar1*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ctlIsPen(ev))
        return CtlScrollbar_InKeyRelease(obj, arg);
    if (b->state == BAR_FIRST)
        stepBack(b);
    else if (b->state == BAR_SECOND)
        stepForward(b);
    b->state = BAR_IDLE;
    return b->idCtl;
}

int CtlScrollbar1_InPenMove(void* obj, void* arg)
{
    CtlScrollbar1* b = static_cast<CtlScrollbar1*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ev || keyState(KEY_PEN) < KEYSTATE_PRESSED)
        return 0;
    if (b->state == BAR_DRAG) {
        const Geometry g = geometry(b, b->bbox);
        // A bar no longer than three arrows has no range to drag in: the value stays.
        if (g.E > g.S) {
            const int32_t p = clampTo((b->horiz ? ev->x : ev->y) - b->dragStart, g.S, g.E);
            b->current = int32_t(int64_t(p - g.S) * b->total / (g.E - g.S));
        }
    } else if (b->state == BAR_RESUME) {
        b->state = BAR_DRAG;
    }
    return b->idCtl;
}

int CtlScrollbar1_InFocusOut(void* obj, void*)
{
    static_cast<CtlScrollbar1*>(obj)->state = BAR_RESUME;
    return 0;
}

int CtlScrollbar1_Render(void* obj, void* arg)
{
    CtlScrollbar1* b = static_cast<CtlScrollbar1*>(obj);
    SURFACE* dst = ctlTarget(arg);
    if (!dst)
        return 0;
    if (b->total > 0) {
        CtlClip clip(b->bbox);
        const Geometry g = geometry(b, b->bbox);
        if (const SURFACE* sf = ctlSurface(b))
            renderSprite(b, dst, sf, g);
        else
            renderBoxes(b, dst, g);
    }
    keyOutline(b, dst);
    return 0;
}

// ---- CtlScrollbar2 ---------------------------------------------------------------------------------

int CtlScrollbar2_CalcBBox(void* obj, void* arg)
{
    CtlScrollbar2* b = static_cast<CtlScrollbar2*>(obj);
    if (ctlSurface(b))
        return ctlActorBox(b, arg);
    b->bbox.x = b->bbox.y = 0;
    return 0;
}

int CtlScrollbar2_ThumbMove(void* obj, void* arg)
{
    CtlScrollbar2* b = static_cast<CtlScrollbar2*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ctlIsPen(ev))
        return CtlScrollbar_InKeyRelease(obj, arg);
    if (ev->type == EV_PRESS)
        b->state = 1;
    else if (ev->type == EV_RELEASE)
        b->state = 0;
    if (b->state != 1 || !inside(b->bbox, ev->x, ev->y))
        return 0;
    // The far edge of the box is the full value; a box one pixel long has only it.
    const int32_t along = b->horiz ? ev->x - b->bbox.x : ev->y - b->bbox.y;
    const int32_t span = (b->horiz ? b->bbox.w : b->bbox.h) - 1;
    b->current = span > 0 ? int32_t(int64_t(along) * b->total / span) : b->total;
    b->current = clampTo(b->current, 0, b->total > 0 ? b->total : 0);
    return b->idCtl;
}

int CtlScrollbar2_InFocusOut(void* obj, void*)
{
    static_cast<CtlScrollbar2*>(obj)->state = 0;
    return 0;
}

int CtlScrollbar2_Render(void* obj, void* arg)
{
    CtlScrollbar2* b = static_cast<CtlScrollbar2*>(obj);
    SURFACE* dst = ctlTarget(arg);
    if (!dst)
        return 0;
    const Rect& box = b->bbox;
    const int32_t length = b->horiz ? box.w : box.h;
    int32_t L = b->total > 0 ? int32_t(int64_t(length) * clampTo(b->current, 0, b->total) / b->total) : 0;
    L = clampTo(L, 0, length > 0 ? length : 0);
    if (b->colBkg != COLOR_NONE) {
        const Rect beyond =
            b->horiz ? Rect{box.x + L, box.y, box.w - L, box.h} : Rect{box.x, box.y + L, box.w, box.h - L};
        ctlFill(dst, beyond, b->colBkg);
    }
    keyOutline(b, dst);
    return 0;
}
