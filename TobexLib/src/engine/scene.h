#pragma once
// The scene: the view record every Render and CalcBBox receives, layout of
// renderable objects, key focus among a World's members, and sprite surfaces.

#include <stdint.h>

#include "app/input.h"
#include "engine/classes.h"
#include "gfx/surface.h"

// Bound on Worlds drawn, laid out or routed inside one another (through
// viewports or as members), so a World that shows itself ends.
constexpr int SCENE_MAX_DEPTH = 32;
// Bound on Worlds one drawing, layout or shortcut search enters in all, so work
// per frame stays bounded however the Worlds show one another.
constexpr int SCENE_MAX_ENTRIES = 4096;

// Where a Render or CalcBBox draws, and the view of a routed event.
struct ViewRect {
    SURFACE* surface;  // the surface drawn on
    int32_t x, y;      // where the window lies on that surface
    Rect vp;           // the window: origin for culling and hits, size
};

// ---- Layout ----------------------------------------------------------------------------
// Lays out one renderable object against its parent Actor or the view: fills
// bbox; false when the object has no box this time.
bool calcObjBBox(void* obj, const ViewRect* view);
// The object's position (x, y resolved, parents first) into *px, *py.
void calcObjPos(void* obj, const ViewRect* view, int32_t* px, int32_t* py);

// ---- Focus -----------------------------------------------------------------------------
// Gives the focus to member index (an index not below the count means none),
// sending InFocusOut and InFocusIn with ev (may be null).
void worldSetFocus(World* w, int32_t index, InputEvent* ev);
// Moves the focus by step among focusable members, wrapping; true when it moved.
bool worldStepFocus(World* w, int32_t step, InputEvent* ev);
bool worldFocusable(const void* obj);  // a visible BaseResponsive with a tabstop

// ---- Windows ---------------------------------------------------------------------------
// The window a WorldViewport draws and routes through; the caller's view lends
// the surface when the viewport has none. False without any surface.
bool worldViewportWindow(const WorldViewport* v, const ViewRect* caller, ViewRect* out);
bool screenViewportWindow(const ScreenViewport* v, ViewRect* out);
SURFACE* offscreenSurface(ObjectId id);  // the embedded surface of an OffscreenSurface, or null

// ---- Finding where to tap ---------------------------------------------------------------
// The screen point where a pen tap reaches the first visible, active responsive
// object whose INT property `prop` equals value, searched in member order (member
// Worlds inside) in the Worlds the top-level World shows through its viewports;
// Worlds are laid out first. False when no such object can be reached.
bool sceneFindTap(World* top, const char* prop, int32_t value, int32_t* x, int32_t* y);

// ---- Sprites ---------------------------------------------------------------------------
// The surface of a Sprite by id, loaded on first use; null unless id names a
// Sprite whose image loaded.
SURFACE* spriteSurface(ObjectId id);
