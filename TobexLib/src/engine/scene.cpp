// The scene: layout, drawing, focus and input routing of Worlds and viewports.
//
// Worlds are drawn, laid out and routed through viewports that may show any
// World, the caller included; one depth counter bounds every such recursion, so
// a World that shows itself stops at SCENE_MAX_DEPTH instead of overflowing the
// stack. Depth alone would still allow work exponential in it (four viewports
// showing their own World draw it 4^32 times), so a World being drawn, laid out
// or searched is never entered again by the same pass, and each pass enters at
// most SCENE_MAX_ENTRIES Worlds. Members are looked up by id at every step: a
// destroyed member is skipped, never dereferenced.
//
// Positions are computed in 64 bits and clamped to 32: files and scripts may hold
// any 32-bit value, and a wrapped sum would put things in the wrong place.
#include "engine/scene.h"

#include <string.h>

#include "base/log.h"
#include "gfx/blit.h"
#include "gfx/display.h"
#include "obj/proptype.h"

namespace {

constexpr int32_t kOpaque = 256;
constexpr int32_t kFocusPen = 1;
constexpr int32_t kFocusKey = 2;

int g_depth;  // Worlds and viewports entered inside one another

struct DepthGuard {
    bool ok;
    DepthGuard() : ok(g_depth < SCENE_MAX_DEPTH)
    {
        g_depth++;
    }
    ~DepthGuard()
    {
        g_depth--;
    }
};

// The Worlds one kind of pass (drawing, layout, shortcut search) has entered
// and not yet left, and how many it entered since the outermost one began.
struct Pass {
    const void* open[SCENE_MAX_DEPTH + 2];
    int depth;
    int entered;
};

Pass g_drawing, g_layout, g_search;

bool isOpen(const Pass& p, const void* world)
{
    for (int i = 0; i < p.depth; i++)
        if (p.open[i] == world)
            return true;
    return false;
}

// Enters a World for one pass; ok is false when the World is already open in
// it, the nesting is too deep, or the pass has used up its budget.
struct PassGuard {
    Pass& pass;
    bool ok;
    PassGuard(Pass& p, const void* world) : pass(p)
    {
        if (pass.depth == 0)
            pass.entered = 0;
        ok = pass.depth <= SCENE_MAX_DEPTH && pass.entered < SCENE_MAX_ENTRIES && !isOpen(pass, world);
        if (!ok)
            return;
        pass.open[pass.depth++] = world;
        pass.entered++;
    }
    ~PassGuard()
    {
        if (ok)
            pass.depth--;
    }
};

int32_t clamp32(int64_t v)
{
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int32_t(v);
}

void* memberAt(const World* w, int32_t i)
{
    if (i < 0 || i >= w->objs.count)
        return nullptr;
    return objGet(*static_cast<const ObjectId*>(vecAt(&w->objs, i)));
}

bool visibleAs(const void* obj, ClassDesc* cls)
{
    return objIsA(obj, cls) && static_cast<const BaseRenderable*>(obj)->visible;
}

bool hasMethod(const void* obj, int slot)
{
    return static_cast<const ObjHeader*>(obj)->cls->slots[slot] != nullptr;
}

bool isKeyEvent(const InputEvent* ev)
{
    return ev->type != EV_PENMOVE && ev->key != KEY_PEN;
}

bool rectHas(const Rect* r, int32_t x, int32_t y)
{
    return x >= r->x && int64_t(x) < int64_t(r->x) + r->w && y >= r->y && int64_t(y) < int64_t(r->y) + r->h;
}

// A relative value resolved against a container of size `size`: a is the
// anchor in the object, b the place in the container (tenths of a percent).
int32_t relativePos(int32_t v, int32_t origin, int32_t size, int32_t own)
{
    return clamp32(int64_t(origin) + (propRelB(v) * int64_t(size) + 500) / 1000 -
                   (propRelA(v) * int64_t(own) + 500) / 1000);
}

int32_t relativeSize(int32_t v, int32_t container)
{
    return propIsRelative(v) ? clamp32((propRelA(v) * int64_t(container) + 500) / 1000) : v;
}

// The parent Actor an Actor is laid out in, or null.
BaseRenderable* parentOf(void* obj)
{
    if (!objIsA(obj, &g_actorClass))
        return nullptr;
    void* p = objGet(static_cast<Actor*>(obj)->parent);
    return p != obj && objIsA(p, &g_baseRenderableClass) ? static_cast<BaseRenderable*>(p) : nullptr;
}

// Draws one member that is not a viewport, at its position inside the view.
int renderMember(BaseRenderable* m, const ViewRect* view)
{
    int32_t alpha = objIsA(m, &g_baseVisibleClass) ? static_cast<BaseVisible*>(m)->alpha : kOpaque;
    if (alpha <= 0 || !hasMethod(m, M_RENDER))
        return 0;
    int32_t px, py;
    calcObjPos(m, view, &px, &py);
    if (!rectIntersects(&m->bbox, &view->vp))
        return 0;
    const int32_t x = m->x, y = m->y;
    const Rect box = m->bbox;
    m->x = clamp32(int64_t(view->x) + px);
    m->y = clamp32(int64_t(view->y) + py);
    m->bbox.x = clamp32(int64_t(m->bbox.x) + view->x);
    m->bbox.y = clamp32(int64_t(m->bbox.y) + view->y);
    uint32_t oldAlpha = 0;
    if (alpha < kOpaque) {
        gfxSetBlendMode(BLEND_ALPHA);
        oldAlpha = gfxSetAlpha(uint32_t(alpha));
    }
    int r = objCallMethod(m, M_RENDER, const_cast<ViewRect*>(view));
    if (alpha < kOpaque) {
        gfxSetBlendMode(BLEND_NONE);
        gfxSetAlpha(oldAlpha);
    }
    m->x = x;
    m->y = y;
    m->bbox = box;
    return r;
}

// Sends ev to the World a WorldViewport shows through its window, moved by
// (dx, dy) for the call; the event comes back as it was.
int routeThrough(WorldViewport* v, const ViewRect* window, InputEvent* ev, int slot, int64_t dx, int64_t dy)
{
    void* world = objGet(v->world);
    if (!objIsA(world, &g_worldClass))
        return 0;
    DepthGuard guard;
    if (!guard.ok)
        return 0;
    const InputEvent saved = *ev;
    ViewRect win = *window;
    ev->x = clamp32(int64_t(ev->x) + dx);
    ev->y = clamp32(int64_t(ev->y) + dy);
    ev->view = &win;
    int r = objCallMethod(world, slot, ev);
    ev->x = saved.x;
    ev->y = saved.y;
    ev->view = saved.view;
    return r;
}

// Shortcut keys: from the last member, a visible responsive member whose
// shortcut is the key gets the event as a pen event; Worlds are searched
// inside. *matched tells whether any member took the key.
int shortcutSearch(World* w, InputEvent* ev, bool* matched)
{
    PassGuard pass(g_search, w);
    if (!pass.ok)
        return 0;
    for (int32_t i = w->objs.count - 1; i >= 0; i--) {
        void* m = memberAt(w, i);
        if (!visibleAs(m, &g_baseResponsiveClass))
            continue;
        int r = 0;
        if (static_cast<BaseResponsive*>(m)->shortcutKey == ev->key) {
            *matched = true;
            const uint16_t key = ev->key;
            ev->key = KEY_PEN;
            r = objCallMethod(m, M_HANDLEINPUTEVENT, ev);
            ev->key = key;
        } else if (objIsA(m, &g_worldClass)) {
            r = shortcutSearch(static_cast<World*>(m), ev, matched);
        }
        if (r != 0)
            return r;
    }
    return 0;
}

int keyInView(World* w, InputEvent* ev)
{
    bool matched = false;
    int r = shortcutSearch(w, ev, &matched);
    if (matched)
        return r;
    void* f = memberAt(w, w->focus);
    if (!f)
        return objCallMethod(w, M_MOVEKEYFOCUS, ev);
    if (!visibleAs(f, &g_baseResponsiveClass))
        return 0;
    r = objCallMethod(f, M_HANDLEINPUTEVENT, ev);
    return r != 0 ? r : objCallMethod(w, M_MOVEKEYFOCUS, ev);
}

int penInView(World* w, InputEvent* ev)
{
    int32_t px, py;
    calcObjPos(w, ev->view, &px, &py);
    const int32_t x = ev->x, y = ev->y;
    ev->x = clamp32(int64_t(x) - px);
    ev->y = clamp32(int64_t(y) - py);
    int32_t hit = -1;
    int r = 0;
    for (int32_t i = w->objs.count - 1; i >= 0; i--) {
        void* m = memberAt(w, i);
        if (!visibleAs(m, &g_baseResponsiveClass) ||
            !rectHas(&static_cast<BaseRenderable*>(m)->bbox, ev->x, ev->y))
            continue;
        hit = i;
        r = objCallMethod(m, M_HANDLEINPUTEVENT, ev);
        break;
    }
    ev->x = x;
    ev->y = y;
    if (w->bPenMovesFocus)
        worldSetFocus(w, hit, ev);
    return r;
}

// A key event at the top level goes to the World of the viewport that last
// took the pen.
int keyAtTop(World* w, InputEvent* ev)
{
    void* m = memberAt(w, w->viewportFocus);
    if (!objIsA(m, &g_worldViewportClass))
        return 0;
    WorldViewport* v = static_cast<WorldViewport*>(m);
    ViewRect win;
    if (!worldViewportWindow(v, nullptr, &win))
        return 0;
    return routeThrough(v, &win, ev, M_HANDLEINPUTEVENT, 0, 0);
}

// The viewports a pen point on the screen goes through at the top level: the
// last visible ScreenViewport whose window holds the point, then the last
// visible WorldViewport whose window holds the point on that surface. False
// when either is missing.
struct TopRoute {
    int32_t screenIndex, worldIndex;
    ViewRect screen, win;
    int32_t sx, sy;  // the point on the presented surface
};

bool routeAtTop(World* w, int32_t x, int32_t y, TopRoute* r)
{
    int32_t i = w->objs.count - 1;
    for (; i >= 0; i--) {
        void* m = memberAt(w, i);
        if (!visibleAs(m, &g_screenViewportClass) ||
            !screenViewportWindow(static_cast<ScreenViewport*>(m), &r->screen))
            continue;
        const Rect onScreen = {r->screen.x, r->screen.y, r->screen.vp.w, r->screen.vp.h};
        if (rectHas(&onScreen, x, y))
            break;
    }
    if (i < 0)
        return false;
    r->screenIndex = i;
    r->sx = clamp32(int64_t(x) + r->screen.vp.x - r->screen.x);
    r->sy = clamp32(int64_t(y) + r->screen.vp.y - r->screen.y);
    for (int32_t j = w->objs.count - 1; j >= 0; j--) {
        void* m = memberAt(w, j);
        if (!visibleAs(m, &g_worldViewportClass) ||
            !worldViewportWindow(static_cast<WorldViewport*>(m), &r->screen, &r->win) ||
            !rectHas(&r->win.vp, r->sx, r->sy))
            continue;
        r->worldIndex = j;
        return true;
    }
    return false;
}

// A pen event at the top level: the screen viewport under the pen, then the
// World viewport under the point on that surface.
int penAtTop(World* w, InputEvent* ev)
{
    TopRoute r;
    if (!routeAtTop(w, ev->x, ev->y, &r))
        return 0;
    w->viewportFocus = r.worldIndex;
    return routeThrough(static_cast<WorldViewport*>(memberAt(w, r.worldIndex)), &r.win, ev,
                        M_HANDLEINPUTEVENT, int64_t(r.sx) - ev->x + r.win.vp.x - r.win.x,
                        int64_t(r.sy) - ev->y + r.win.vp.y - r.win.y);
}

// ---- Finding where to tap --------------------------------------------------------------------

struct TapTarget {
    const char* prop;
    int32_t value;
};

bool intPropIs(void* obj, const TapTarget& t)
{
    const PropDesc* d = objPropDesc(obj, objPropIndex(obj, t.prop));
    if (!d || d->type != PT_INT || d->size != sizeof(int32_t))
        return false;
    int32_t v;
    memcpy(&v, static_cast<const uint8_t*>(obj) + d->offset, sizeof v);
    return v == t.value;
}

// Visits, depth first in member order, every visible, active responsive member
// of w (and of its member Worlds) whose property matches, with the centre of its
// box in the point system the viewport routes into w; (ox, oy) is the sum of the
// positions of the Worlds around w. Stops when visit returns true.
template <class Visit>
bool visitTargets(World* w, const ViewRect* view, int32_t ox, int32_t oy, const TapTarget& t, Visit& visit)
{
    PassGuard pass(g_search, w);
    if (!pass.ok)
        return false;
    int32_t wx, wy;
    calcObjPos(w, view, &wx, &wy);
    ox = clamp32(int64_t(ox) + wx);
    oy = clamp32(int64_t(oy) + wy);
    for (int32_t i = 0; i < w->objs.count; i++) {
        void* m = memberAt(w, i);
        if (!visibleAs(m, &g_baseResponsiveClass))
            continue;
        const BaseResponsive* r = static_cast<const BaseResponsive*>(m);
        if (r->active && r->bbox.w > 0 && r->bbox.h > 0 && intPropIs(m, t) &&
            visit(clamp32(int64_t(ox) + r->bbox.x + r->bbox.w / 2),
                  clamp32(int64_t(oy) + r->bbox.y + r->bbox.h / 2)))
            return true;
        if (objIsA(m, &g_worldClass) && visitTargets(static_cast<World*>(m), view, ox, oy, t, visit))
            return true;
    }
    return false;
}

}

// ---- Layout -------------------------------------------------------------------------------------

void calcObjPos(void* obj, const ViewRect* view, int32_t* px, int32_t* py)
{
    *px = 0;
    *py = 0;
    if (!objIsA(obj, &g_baseRenderableClass))
        return;
    DepthGuard guard;
    const BaseRenderable* r = static_cast<const BaseRenderable*>(obj);
    const BaseRenderable* parent = guard.ok ? parentOf(obj) : nullptr;
    int32_t ox = 0, oy = 0, cw = 0, ch = 0;
    if (parent) {
        calcObjPos(const_cast<BaseRenderable*>(parent), view, &ox, &oy);
        cw = parent->bbox.w;
        ch = parent->bbox.h;
    } else if (view) {
        ox = view->vp.x;
        oy = view->vp.y;
        cw = view->vp.w;
        ch = view->vp.h;
    }
    *px = propIsRelative(r->x) ? relativePos(r->x, ox, cw, r->bbox.w)
                               : clamp32(int64_t(parent ? ox : 0) + r->x);
    *py = propIsRelative(r->y) ? relativePos(r->y, oy, ch, r->bbox.h)
                               : clamp32(int64_t(parent ? oy : 0) + r->y);
}

bool calcObjBBox(void* obj, const ViewRect* view)
{
    if (!objIsA(obj, &g_baseRenderableClass))
        return false;
    DepthGuard guard;
    if (!guard.ok)
        return false;
    BaseRenderable* r = static_cast<BaseRenderable*>(obj);
    BaseRenderable* parent = parentOf(obj);
    if (parent && !calcObjBBox(parent, view))
        parent = nullptr;
    const int32_t cw = parent ? parent->bbox.w : view ? view->vp.w : 0;
    const int32_t ch = parent ? parent->bbox.h : view ? view->vp.h : 0;
    r->bbox.w = relativeSize(r->width, cw);
    r->bbox.h = relativeSize(r->height, ch);
    if (objCallMethod(obj, M_CALCBBOX, const_cast<ViewRect*>(view)) != 0)
        return false;
    int32_t px, py;
    calcObjPos(obj, view, &px, &py);
    r->bbox.x = clamp32(int64_t(r->bbox.x) + px);
    r->bbox.y = clamp32(int64_t(r->bbox.y) + py);
    return true;
}

// ---- Windows -------------------------------------------------------------------------------------

bool worldViewportWindow(const WorldViewport* v, const ViewRect* caller, ViewRect* out)
{
    SURFACE* sf = offscreenSurface(v->sf);
    if (!sf && caller)
        sf = caller->surface;
    if (!sf)
        return false;
    out->surface = sf;
    out->x = v->x;
    out->y = v->y;
    out->vp = v->vp;
    if (!out->vp.w)
        out->vp.w = sf->width;
    if (!out->vp.h)
        out->vp.h = sf->height;
    return true;
}

bool screenViewportWindow(const ScreenViewport* v, ViewRect* out)
{
    SURFACE* sf = offscreenSurface(v->sf);
    if (!sf)
        return false;
    const SURFACE* screen = gfxGetScreen();
    out->surface = sf;
    out->vp = v->vp;
    if (!out->vp.w)
        out->vp.w = sf->width;
    if (!out->vp.h)
        out->vp.h = sf->height;
    out->x = propIsRelative(v->x) ? relativePos(v->x, 0, screen->width, out->vp.w) : v->x;
    out->y = propIsRelative(v->y) ? relativePos(v->y, 0, screen->height, out->vp.h) : v->y;
    return true;
}

// ---- Focus -----------------------------------------------------------------------------------------

bool worldFocusable(const void* obj)
{
    return visibleAs(obj, &g_baseResponsiveClass) && static_cast<const BaseResponsive*>(obj)->tabstop != 0;
}

void worldSetFocus(World* w, int32_t index, InputEvent* ev)
{
    if (index < 0 || index >= w->objs.count)
        index = -1;
    if (index == w->focus)
        return;
    void* old = memberAt(w, w->focus);
    if (old) {
        objCallMethod(old, M_INFOCUSOUT, ev);
        if (objIsA(old, &g_baseResponsiveClass))
            static_cast<BaseResponsive*>(old)->infocus = 0;
    }
    w->focus = index;
    void* m = memberAt(w, index);
    if (!m)
        return;
    objCallMethod(m, M_INFOCUSIN, ev);
    if (objIsA(m, &g_baseResponsiveClass)) {
        bool pen = ev && (ev->type == EV_PENMOVE || ev->key == KEY_PEN);
        static_cast<BaseResponsive*>(m)->infocus |= pen ? kFocusPen : kFocusKey;
    }
}

bool worldStepFocus(World* w, int32_t step, InputEvent* ev)
{
    const int32_t n = w->objs.count;
    if (n <= 0)
        return false;
    int32_t start = w->focus;
    if (start < 0 || start >= n) {
        if (worldFocusable(memberAt(w, 0))) {
            worldSetFocus(w, 0, ev);
            return true;
        }
        start = 0;
    }
    for (int32_t i = ((start + step) % n + n) % n; i != start; i = ((i + step) % n + n) % n)
        if (worldFocusable(memberAt(w, i))) {
            worldSetFocus(w, i, ev);
            return true;
        }
    return false;
}

// ---- BaseResponsive ---------------------------------------------------------------------------------

int BaseResponsive_HandleInputEvent(void* obj, void* arg)
{
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ev)
        return 0;
    static const int kSlot[] = {0, M_INKEYPRESS, M_INKEYREPEAT, M_INKEYRELEASE, M_INPENMOVE};
    if (ev->type < EV_PRESS || ev->type > EV_PENMOVE)
        return 0;
    return objCallMethod(obj, kSlot[ev->type], arg);
}

// ---- ScreenViewport and WorldViewport ---------------------------------------------------------------

int ScreenViewport_Render(void* obj, void* arg)
{
    ViewRect win;
    if (arg || !screenViewportWindow(static_cast<ScreenViewport*>(obj), &win))
        return 0;
    const RECT* src = &win.vp;
    gfxPresent(win.surface, win.x, win.y, src);
    return 0;
}

int WorldViewport_CalcBBox(void* obj, void* arg)
{
    WorldViewport* v = static_cast<WorldViewport*>(obj);
    ViewRect win;
    if (!worldViewportWindow(v, static_cast<const ViewRect*>(arg), &win))
        return -1;
    v->bbox = Rect{0, 0, win.vp.w, win.vp.h};
    return 0;
}

int WorldViewport_Render(void* obj, void* arg)
{
    WorldViewport* v = static_cast<WorldViewport*>(obj);
    World* world = static_cast<World*>(objGet(v->world));
    ViewRect win;
    if (!objIsA(world, &g_worldClass) || !hasMethod(world, M_RENDER) || !hasMethod(world, M_CALCBBOX) ||
        !worldViewportWindow(v, static_cast<const ViewRect*>(arg), &win))
        return 0;
    // The World may be one this pass is drawing already: it is not drawn again,
    // nor laid out again for the inner window while its outer drawing goes on.
    DepthGuard guard;
    if (!guard.ok || isOpen(g_drawing, world))
        return 0;
    if (objCallMethod(world, M_CALCBBOX, &win) != 0)
        return -1;
    if (!rectIntersects(&world->bbox, &win.vp))
        return 0;
    return objCallMethod(world, M_RENDER, &win) != 0 ? -1 : 0;
}

int WorldViewport_Debug(void* obj, void*)
{
    const WorldViewport* v = static_cast<const WorldViewport*>(obj);
    logWrite(v->name, 0);
    logWrite(":", 0);
    if (objGet(v->world))
        logWrite(&v->world, LOG_INT | LOG_EOL);
    else
        logLine("none");
    return 0;
}

int WorldViewport_HandleInputEvent(void* obj, void* arg)
{
    InputEvent* ev = static_cast<InputEvent*>(arg);
    WorldViewport* v = static_cast<WorldViewport*>(obj);
    ViewRect win;
    if (!ev || !worldViewportWindow(v, ev->view, &win))
        return 0;
    return routeThrough(v, &win, ev, M_HANDLEINPUTEVENT, -int64_t(v->x), -int64_t(v->y));
}

int WorldViewport_InFocusOut(void* obj, void* arg)
{
    InputEvent* ev = static_cast<InputEvent*>(arg);
    WorldViewport* v = static_cast<WorldViewport*>(obj);
    ViewRect win;
    if (!ev || !worldViewportWindow(v, ev->view, &win))
        return 0;
    return routeThrough(v, &win, ev, M_INFOCUSOUT, -int64_t(v->x), -int64_t(v->y));
}

// ---- World ------------------------------------------------------------------------------------------

int World_CalcBBox(void* obj, void* arg)
{
    World* w = static_cast<World*>(obj);
    const ViewRect* view = static_cast<const ViewRect*>(arg);
    DepthGuard guard;
    PassGuard pass(g_layout, w);
    if (!guard.ok || !pass.ok)
        return 0;
    bool first = true;
    for (int32_t i = 0; i < w->objs.count; i++) {
        void* m = memberAt(w, i);
        if (!visibleAs(m, &g_baseRenderableClass) || !calcObjBBox(m, view))
            continue;
        const Rect& box = static_cast<BaseRenderable*>(m)->bbox;
        if (first)
            w->bbox = box;
        else
            rectUnion(&w->bbox, &box);
        first = false;
    }
    return 0;
}

int World_Render(void* obj, void* arg)
{
    World* w = static_cast<World*>(obj);
    const ViewRect* view = static_cast<const ViewRect*>(arg);
    DepthGuard guard;
    PassGuard pass(g_drawing, w);
    if (!guard.ok || !pass.ok)
        return 0;
    for (int32_t i = 0; i < w->objs.count; i++) {
        void* m = memberAt(w, i);
        if (!visibleAs(m, &g_baseRenderableClass) || objIsA(m, &g_screenViewportClass))
            continue;
        if (objIsA(m, &g_worldViewportClass)) {
            if (objCallMethod(m, M_RENDER, arg) != 0)
                return -1;
            continue;
        }
        if (!view)
            continue;
        int r = renderMember(static_cast<BaseRenderable*>(m), view);
        if (r != 0)
            return r;
    }
    for (int32_t i = 0; i < w->objs.count; i++) {
        void* m = memberAt(w, i);
        if (visibleAs(m, &g_screenViewportClass) && objCallMethod(m, M_RENDER, nullptr) != 0)
            return -1;
    }
    return 0;
}

int World_HandleInputEvent(void* obj, void* arg)
{
    World* w = static_cast<World*>(obj);
    InputEvent* ev = static_cast<InputEvent*>(arg);
    if (!ev)
        return 0;
    BaseResponsive_HandleInputEvent(obj, arg);
    DepthGuard guard;
    if (!guard.ok)
        return 0;
    if (!ev->view)
        return isKeyEvent(ev) ? keyAtTop(w, ev) : penAtTop(w, ev);
    return isKeyEvent(ev) ? keyInView(w, ev) : penInView(w, ev);
}

int World_MoveKeyFocus(void* obj, void* arg)
{
    World* w = static_cast<World*>(obj);
    InputEvent* ev = static_cast<InputEvent*>(arg);
    if (!ev || ev->type != EV_RELEASE)
        return 0;
    if (w->bKeysMoveFocus) {
        int32_t step = 0;
        if (ev->key == KEY_UP || ev->key == KEY_LEFT || ev->key == KEY_BUT_C)
            step = -1;
        else if (ev->key == KEY_DOWN || ev->key == KEY_RIGHT || ev->key == KEY_BUT_A || ev->key == KEY_BUT_B)
            step = 1;
        return step != 0 && worldStepFocus(w, step, ev) ? 1 : 0;
    }
    void* f = memberAt(w, w->focus);
    if (!objIsA(f, &g_worldClass))
        return 0;
    DepthGuard guard;
    return guard.ok ? objCallMethod(f, M_MOVEKEYFOCUS, ev) : 0;
}

int World_InFocusOut(void* obj, void* arg)
{
    worldSetFocus(static_cast<World*>(obj), -1, static_cast<InputEvent*>(arg));
    return 0;
}

// ---- Finding where to tap ---------------------------------------------------------------------------

bool sceneFindTap(World* top, const char* prop, int32_t value, int32_t* x, int32_t* y)
{
    if (!objIsA(top, &g_worldClass) || !prop)
        return false;
    const TapTarget t = {prop, value};
    for (int32_t j = 0; j < top->objs.count; j++) {
        void* v = memberAt(top, j);
        void* shown =
            visibleAs(v, &g_worldViewportClass) ? objGet(static_cast<WorldViewport*>(v)->world) : nullptr;
        if (!objIsA(shown, &g_worldClass))
            continue;
        for (int32_t i = top->objs.count - 1; i >= 0; i--) {
            void* sv = memberAt(top, i);
            ViewRect screen, win;
            if (!visibleAs(sv, &g_screenViewportClass) ||
                !screenViewportWindow(static_cast<ScreenViewport*>(sv), &screen) ||
                !worldViewportWindow(static_cast<WorldViewport*>(v), &screen, &win) ||
                win.surface != screen.surface)
                continue;
            // Laid out as the viewport's drawing does, so boxes are current.
            if (objCallMethod(shown, M_CALCBBOX, &win) != 0)
                continue;
            // A point routed into the World came from the surface point p + vp - (x, y),
            // which came from the screen point s + vp - (x, y) of the screen viewport.
            auto visit = [&](int32_t px, int32_t py) {
                int32_t ex = px - win.vp.x + win.x - screen.vp.x + screen.x;
                int32_t ey = py - win.vp.y + win.y - screen.vp.y + screen.y;
                TopRoute r;
                if (!routeAtTop(top, ex, ey, &r) || r.screenIndex != i || r.worldIndex != j)
                    return false;
                *x = ex;
                *y = ey;
                return true;
            };
            if (visitTargets(static_cast<World*>(shown), &win, 0, 0, t, visit))
                return true;
        }
    }
    return false;
}
