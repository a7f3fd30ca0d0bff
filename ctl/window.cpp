// CtlWindow: a framed, titled view of another World inside its parent World.
// Pen events inside the view are translated into the inner World's coordinates;
// key events go to the inner World unchanged.
//
// The inner World is looked up by id and class at every use; a window without
// one draws its frame and title and takes no events. Worlds shown inside one
// another are bounded by the scene's own depth limit.
#include "app/text.h"
#include "ctl/draw.h"
#include "obj/proptype.h"

namespace {

constexpr uint32_t kFocusFrame = 0xFF0000;
constexpr uint32_t kFrame = 0x0000FF;
constexpr uint32_t kTitle = 0xFFFFFF;
constexpr int32_t kTitlePad = 4;  // title bar height beyond the font's cell

World* innerWorld(const CtlWindow* w)
{
    void* m = objGet(w->world);
    return objIsA(m, &g_worldClass) ? static_cast<World*>(m) : nullptr;
}

// The view rectangle with zero sizes taken from the surface drawn on.
Rect viewRect(const CtlWindow* w, const SURFACE* s)
{
    Rect r = w->vp;
    if (!r.w)
        r.w = s ? s->width : 0;
    if (!r.h)
        r.h = s ? s->height : 0;
    return r;
}

int32_t titleHeight(const CtlWindow* w)
{
    return ctlFontOf(w->font)->nCharHeight + kTitlePad;
}

// Hands an event to the inner World; pen events only inside the view, moved
// into the inner World's coordinates and view for the call.
int forward(void* obj, void* arg)
{
    CtlWindow* w = static_cast<CtlWindow*>(obj);
    InputEvent* ev = static_cast<InputEvent*>(arg);
    World* inner = innerWorld(w);
    if (!ev || !inner)
        return 0;
    if (ev->type != EV_PENMOVE && ev->key != KEY_PEN)
        return objCallMethod(inner, M_HANDLEINPUTEVENT, ev);
    const SURFACE* s = ev->view ? ev->view->surface : nullptr;
    const Rect vp = viewRect(w, s);
    int32_t wx = 0, wy = 0;
    calcObjPos(w, ev->view, &wx, &wy);
    if (ev->x < wx || ev->y < wy || ev->x >= wx + vp.w || ev->y >= wy + vp.h)
        return 0;
    const InputEvent saved = *ev;
    ViewRect view = {ev->view ? ev->view->surface : nullptr, wx, wy, vp};
    ev->x = ev->x - wx + vp.x;
    ev->y = ev->y - wy + vp.y;
    ev->view = &view;
    const int r = objCallMethod(inner, M_HANDLEINPUTEVENT, ev);
    ev->x = saved.x;
    ev->y = saved.y;
    ev->view = saved.view;
    return r;
}

}

int CtlWindow_CalcBBox(void* obj, void* arg)
{
    CtlWindow* w = static_cast<CtlWindow*>(obj);
    const Rect vp = viewRect(w, ctlTarget(arg));
    const int32_t f = w->framesize, t = titleHeight(w);
    w->bbox = Rect{-f, -(f + t), vp.w + 2 * f, vp.h + 2 * f + t};
    if (World* inner = innerWorld(w))
        objCallMethod(inner, M_CALCBBOX, arg);
    return 0;
}

int CtlWindow_Render(void* obj, void* arg)
{
    CtlWindow* w = static_cast<CtlWindow*>(obj);
    SURFACE* dst = ctlTarget(arg);
    if (!dst)
        return 0;
    const Rect vp = viewRect(w, dst);
    const int32_t x = w->x, y = w->y, f = w->framesize, t = titleHeight(w);
    const uint32_t frame = w->infocus ? kFocusFrame : kFrame;
    ctlFill(dst, Rect{x - f, y - f - t, vp.w + 2 * f, f + t}, frame);
    ctlFill(dst, Rect{x - f, y, f, vp.h}, frame);
    ctlFill(dst, Rect{x + vp.w, y, f, vp.h}, frame);
    ctlFill(dst, Rect{x - f, y + vp.h, vp.w + 2 * f, f}, frame);
    if (ctlHasText(w->title))
        ctlDrawText(dst, w->font, w->title, kTitle, x, y + 2 - t, FONT_ALIGN_CENTER, vp.w);
    CtlClip clip(Rect{x, y, vp.w, vp.h});
    if (w->colBkg != COLOR_NONE)
        ctlFill(dst, Rect{x, y, vp.w, vp.h}, w->colBkg);
    ViewRect view = {dst, x, y, vp};
    World* inner = innerWorld(w);
    if (inner && inner->cls->slots[M_RENDER] && objCallMethod(inner, M_RENDER, &view) != 0)
        return -1;
    if (w->Draw)
        w->Draw(w, &view);
    return 0;
}

int CtlWindow_InKeyPress(void* obj, void* arg)
{
    return forward(obj, arg);
}

int CtlWindow_InKeyRepeat(void* obj, void* arg)
{
    return forward(obj, arg);
}

int CtlWindow_InKeyRelease(void* obj, void* arg)
{
    return forward(obj, arg);
}

int CtlWindow_InFocusIn(void* obj, void* arg)
{
    return forward(obj, arg);
}

int CtlWindow_InFocusOut(void* obj, void* arg)
{
    return forward(obj, arg);
}

int CtlWindow_InPenMove(void* obj, void* arg)
{
    return forward(obj, arg);
}
