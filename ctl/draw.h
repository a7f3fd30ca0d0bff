#pragma once
// What the control classes share: colours converted for the surface drawn on,
// fills, bevelled boxes, the key-focus outline, text in a control's font, a clip
// that narrows the current one, activation keys and click results.

#include <stdint.h>

#include "app/input.h"
#include "ctl/controls.h"
#include "engine/scene.h"
#include "gfx/blit.h"

constexpr uint32_t CTL_BEVEL_DEFAULT = 0x3F3F3F;  // a bevel's colour when the control has none
constexpr int32_t CTL_FOCUS_PEN = 1;              // infocus bits
constexpr int32_t CTL_FOCUS_KEY = 2;

// ---- Colours and shapes ----------------------------------------------------------------
uint32_t ctlScaleColor(uint32_t rgb, int f);  // each channel min((c * f + 128) >> 8, 255)
void ctlFill(SURFACE* s, const Rect& box, uint32_t rgb);
// Raised or, pressed, sunken box; COLOR_NONE draws in CTL_BEVEL_DEFAULT.
void ctlBevel(SURFACE* s, const Rect& box, uint32_t rgb, bool pressed);
void ctlOutline(SURFACE* s, const Rect& box, uint32_t rgb);  // one pixel inside the box
void ctlSetColor(SURFACE* s, uint32_t rgb);                  // draw colour for the next shapes

// Narrows the clip rectangle to a box for the life of the scope (intersected
// with the clip already set, so a control inside a window stays inside it).
class CtlClip {
public:
    explicit CtlClip(const Rect& box);
    ~CtlClip();
    CtlClip(const CtlClip&) = delete;
    CtlClip& operator=(const CtlClip&) = delete;

private:
    RECT m_rect;
    const RECT* m_old;
};

// ---- Text -------------------------------------------------------------------------------------
// Draws text in rgb with the font of `font`, aligned within width.
void ctlDrawText(SURFACE* s, ObjectId font, const char16_t* text, uint32_t rgb, int x, int y, int align,
                 int width);
void ctlMeasure(ObjectId font, const char16_t* text, int* w, int* h);
bool ctlHasText(const char16_t* text);
// Makes sure an owned text buffer holds at least `chars` characters with the
// terminator; the old content is kept. False without memory.
bool ctlReserveText(char16_t** text, int32_t chars);
int32_t ctlTextCapacity(const char16_t* text);  // characters the buffer holds, terminator excluded

// ---- Surfaces ---------------------------------------------------------------------------------
SURFACE* ctlSurface(Actor* a);  // the control's image (as an actor takes it); null for none
int ctlFrameCount(const SURFACE* s);
// Draws frame `frame` (-1 or unknown: the whole surface) with its top-left
// corner at (x, y), whatever the image's hot spot: tiles and bar parts.
void ctlBlitCell(const SURFACE* s, SURFACE* dst, int x, int y, int frame);
bool ctlFrameSize(const SURFACE* s, int frame, int* w, int* h);  // frame -1 or unknown: the whole surface

// ---- Input --------------------------------------------------------------------------------------
// Keys that press a control: the pen, "BUT.A" and "BUT.START" (Return on a desktop keyboard).
bool ctlIsActivation(const InputEvent* ev);
bool ctlIsPen(const InputEvent* ev);
int ctlClick(CtlButton* b);  // OnClick(b, 0) when bound, else idCtl

// ---- Layout -------------------------------------------------------------------------------------
// Actor_CalcBBox for a control with an image; a size the layout resolved from
// relative `width` and `height` values is kept.
int ctlActorBox(Actor* a, void* view);
void ctlResetBlink();  // the shared blink phase back to off (at start-up)

// ---- Views ----------------------------------------------------------------------------------------
SURFACE* ctlTarget(const void* view);  // the surface a Render draws on, or null
