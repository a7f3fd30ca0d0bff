// Push buttons, two-state buttons, check boxes, radio buttons and list items:
// labels that the pen, "BUT.A" or "BUT.START" press, drawn from a sprite with a
// frame per look or as a flat or bevelled box, reporting a click as idCtl or the
// result of their OnClick method.
#include "ctl/draw.h"
#include "obj/proptype.h"

namespace {

constexpr int32_t kEmptyButton = 15;  // side of a box without image and text
constexpr int32_t kBevelW = 10;       // room a bevelled box adds around its text
constexpr int32_t kBevelH = 8;

// Picks the sprite frame for the button's state and focus.
void chooseFrame(CtlButton* b, const SURFACE* sf)
{
    int32_t f = b->state ? b->firstFrame + 1 : b->infocus ? b->firstFrame + 2 : b->firstFrame;
    b->frame = f < ctlFrameCount(sf) ? f : b->firstFrame;
}

// Size of a box without image: an empty one is 15 x 15, else the text's size.
void textBox(CtlButton* b, int32_t textW, int32_t textH)
{
    if (!b->bbox.w)
        b->bbox.w = textW;
    if (!b->bbox.h)
        b->bbox.h = textH;
}

int textY(const CtlButton* b)
{
    return b->y + (b->bbox.h - ctlFontOf(b->font)->nCharHeight) / 2;
}

// The key-focus outline, unless the sprite's focus frame already shows it.
void focusOutline(CtlButton* b, SURFACE* dst, const SURFACE* sf)
{
    if (!(b->infocus & CTL_FOCUS_KEY) || b->colFocus == COLOR_NONE)
        return;
    if (sf && b->frame == b->firstFrame + 2)
        return;
    ctlOutline(dst, b->bbox, b->colFocus);
}

}

// ---- CtlButton ----------------------------------------------------------------------------------

int CtlButton_CalcBBox(void* obj, void* arg)
{
    CtlButton* b = static_cast<CtlButton*>(obj);
    if (const SURFACE* sf = ctlSurface(b)) {
        chooseFrame(b, sf);
        return ctlActorBox(b, arg);
    }
    b->bbox.x = b->bbox.y = 0;
    if (b->bbox.w && b->bbox.h)
        return 0;
    if (!ctlHasText(b->text)) {
        textBox(b, kEmptyButton, kEmptyButton);
        return 0;
    }
    int tw = 0, th = 0;
    ctlMeasure(b->font, b->text, &tw, &th);
    if (b->b3Dlook)
        textBox(b, tw + kBevelW, th + kBevelH);
    else
        textBox(b, tw, th);
    return 0;
}

int CtlButton_Render(void* obj, void* arg)
{
    CtlButton* b = static_cast<CtlButton*>(obj);
    SURFACE* dst = ctlTarget(arg);
    if (!dst)
        return 0;
    const SURFACE* sf = ctlSurface(b);
    if (sf) {
        chooseFrame(b, sf);
        Actor_Render(b, arg);
    } else if (b->colBkg != COLOR_NONE) {
        if (b->b3Dlook)
            ctlBevel(dst, b->bbox, b->colBkg, b->state != 0);
        else
            ctlFill(dst, b->bbox, b->colBkg);
    }
    if (ctlHasText(b->text)) {
        const uint32_t col = b->state == 1 ? b->colPressed : b->infocus ? b->colFocus : b->col;
        const int shift = b->state == 1 ? 1 : 0;  // the text moves one pixel right while pressed
        ctlDrawText(dst, b->font, b->text, col, b->x + shift, textY(b), b->textAlign, b->bbox.w);
    }
    focusOutline(b, dst, sf);
    return 0;
}

int CtlButton_InKeyPress(void* obj, void* arg)
{
    if (!ctlIsActivation(static_cast<const InputEvent*>(arg)))
        return 0;
    static_cast<CtlButton*>(obj)->state = 1;
    return 1;
}

int CtlButton_InKeyRelease(void* obj, void* arg)
{
    CtlButton* b = static_cast<CtlButton*>(obj);
    if (!ctlIsActivation(static_cast<const InputEvent*>(arg)))
        return 0;
    if (b->state == 0)
        return 1;
    b->state = 0;
    return ctlClick(b);
}

int CtlButton_InFocusOut(void* obj, void*)
{
    static_cast<CtlButton*>(obj)->state = 0;
    return 0;
}

// ---- Toggles -------------------------------------------------------------------------------------

int CtlButton2State_InKeyRelease(void* obj, void* arg)
{
    CtlButton* b = static_cast<CtlButton*>(obj);
    if (!ctlIsActivation(static_cast<const InputEvent*>(arg)))
        return 0;
    b->state = b->state ? 0 : 1;
    return ctlClick(b);
}

int CtlCheckbox_CalcBBox(void* obj, void* arg)
{
    CtlButton* b = static_cast<CtlButton*>(obj);
    if (ctlSurface(b))
        return CtlButton_CalcBBox(obj, arg);
    b->bbox.x = b->bbox.y = 0;
    if (b->bbox.w && b->bbox.h)
        return 0;
    if (!ctlHasText(b->text)) {
        textBox(b, kEmptyButton, kEmptyButton);
        return 0;
    }
    int tw = 0, th = 0;
    ctlMeasure(b->font, b->text, &tw, &th);
    // Room for the square check box (as high as the box) and a 2-pixel gap.
    const int32_t side = b->bbox.h ? b->bbox.h : th;
    textBox(b, b->colBkg != COLOR_NONE ? tw + side + 2 : tw, th);
    return 0;
}

int CtlCheckbox_Render(void* obj, void* arg)
{
    CtlButton* b = static_cast<CtlButton*>(obj);
    if (ctlSurface(b))
        return CtlButton_Render(obj, arg);
    SURFACE* dst = ctlTarget(arg);
    if (!dst)
        return 0;
    int32_t d = 0;
    if (b->colBkg != COLOR_NONE) {
        const Rect square = {b->bbox.x + 2, b->bbox.y + 2, b->bbox.h - 4, b->bbox.h - 4};
        const uint32_t col = b->infocus ? ctlScaleColor(b->colBkg, 512) : b->colBkg;
        ctlBevel(dst, square, col, b->state != 0);
        d = b->bbox.h;
    }
    if (ctlHasText(b->text)) {
        const uint32_t col = b->infocus ? b->colFocus : b->col;
        ctlDrawText(dst, b->font, b->text, col, b->x + d, textY(b), b->textAlign, b->bbox.w - d);
    }
    focusOutline(b, dst, nullptr);
    return 0;
}
