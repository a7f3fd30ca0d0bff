// CtlEditBox: a one-line text field of fixed capacity.
//
// The capacity is the length of the `text` string: the content is kept padded
// with spaces to it and every edit stays inside it, whatever the World file or
// the program put there. textLen and cursorPos are clamped into the buffer
// before every use, so stale or loaded values cannot index past it.
#include <string.h>

#include <string>

#include "app/text.h"
#include "ctl/draw.h"
#include "obj/proptype.h"

namespace {

constexpr int32_t kMargin = 4;       // inner margin of a field with a background
constexpr int32_t kEmptyWidth = 50;  // box of a field without text
constexpr int32_t kEmptyHeight = 15;
constexpr int32_t kPenSlack = 3;  // a tap this far right of a character's left edge still lands before it

int32_t margin(const CtlEditBox* b)
{
    return b->colBkg != COLOR_NONE ? kMargin : 0;
}

int32_t capacity(const CtlEditBox* b)
{
    return int32_t(textLen(b->text));
}

void clampState(CtlEditBox* b)
{
    const int32_t cap = capacity(b);
    b->textLen = b->textLen < 0 ? 0 : b->textLen > cap ? cap : b->textLen;
    b->cursorPos = b->cursorPos < 0 ? 0 : b->cursorPos > b->textLen ? b->textLen : b->cursorPos;
}

// Width of the first n characters of the field in its font.
int prefixWidth(CtlEditBox* b, int32_t n)
{
    if (n <= 0 || !b->text)
        return 0;
    const char16_t saved = b->text[n];
    b->text[n] = 0;
    int w = 0;
    ctlMeasure(b->font, b->text, &w, nullptr);
    b->text[n] = saved;
    return w;
}

void placeCursor(CtlEditBox* b, int32_t penX)
{
    const int32_t m = margin(b);
    for (int32_t i = 0; i < b->textLen; i++)
        if (b->bbox.x + prefixWidth(b, i) + m + kPenSlack > penX) {
            b->cursorPos = i;
            return;
        }
    b->cursorPos = b->textLen;
}

int backspace(CtlEditBox* b)
{
    if (b->cursorPos == 0)
        return 1;
    b->cursorPos--;
    char16_t* t = b->text;
    memmove(t + b->cursorPos, t + b->cursorPos + 1, size_t(b->textLen - b->cursorPos - 1) * sizeof(char16_t));
    b->textLen--;
    t[b->textLen] = u' ';
    return 1;
}

int insert(CtlEditBox* b, char16_t ch)
{
    const FONT* f = ctlFontOf(b->font);
    if (ch < f->nFirstChar || ch > f->nLastChar || !f->sf)
        return 0;
    if (b->textLen >= capacity(b))
        return 1;
    char16_t* t = b->text;
    memmove(t + b->cursorPos + 1, t + b->cursorPos, size_t(b->textLen - b->cursorPos) * sizeof(char16_t));
    t[b->cursorPos] = ch;
    b->textLen++;
    b->cursorPos++;
    return 1;
}

}

int CtlEditBox_Sync(void* obj, void*)
{
    CtlEditBox* b = static_cast<CtlEditBox*>(obj);
    int32_t n = capacity(b);
    while (n > 0 && b->text[n - 1] == u' ')
        n--;
    b->textLen = n;
    b->cursorPos = n;
    return 0;
}

int CtlEditBox_KeyPress(void* obj, void* arg)
{
    CtlEditBox* b = static_cast<CtlEditBox*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ev)
        return 0;
    clampState(b);
    switch (ev->key) {
    case KEY_LEFT:
        if (ev->type == EV_PRESS && b->cursorPos >= 1)
            b->cursorPos--;
        return 1;
    case KEY_RIGHT:
        if (ev->type == EV_PRESS && b->cursorPos < b->textLen)
            b->cursorPos++;
        return 1;
    case KEY_PEN:
        if (ev->type == EV_PRESS)
            placeCursor(b, ev->x);
        return 1;
    case KEY_UP:
    case KEY_DOWN:
        // Left to the World, so the keyboard can move the focus out of the field.
        return 0;
    default:
        break;
    }
    // Presses and releases are swallowed; characters arrive as repeat events.
    if (ev->type != EV_REPEAT)
        return 1;
    if (ev->ch == 0)
        return 0;
    if (ev->ch == 8)
        return backspace(b);
    return insert(b, ev->ch);
}

int CtlEditBox_CalcBBox(void* obj, void* arg)
{
    CtlEditBox* b = static_cast<CtlEditBox*>(obj);
    if (ctlSurface(b)) {
        b->frame = b->firstFrame;
        return ctlActorBox(b, arg);
    }
    b->bbox.x = b->bbox.y = 0;
    if (b->bbox.w && b->bbox.h)
        return 0;
    int w = kEmptyWidth, h = kEmptyHeight;
    if (ctlHasText(b->text)) {
        // The widest content: as many "W" as the field holds.
        const std::u16string widest(size_t(capacity(b)), u'W');
        ctlMeasure(b->font, widest.c_str(), &w, &h);
        w += 2 * margin(b);
        h += 2 * margin(b);
    }
    if (!b->bbox.w)
        b->bbox.w = w;
    if (!b->bbox.h)
        b->bbox.h = h;
    return 0;
}

int CtlEditBox_Render(void* obj, void* arg)
{
    CtlEditBox* b = static_cast<CtlEditBox*>(obj);
    SURFACE* dst = ctlTarget(arg);
    if (!dst)
        return 0;
    clampState(b);
    const SURFACE* sf = ctlSurface(b);
    if (sf) {
        b->frame = b->firstFrame;
        Actor_Render(b, arg);
    } else if (b->colBkg != COLOR_NONE) {
        ctlBevel(dst, b->bbox, b->colBkg, true);
    }
    const int32_t m = margin(b);
    const int cellH = ctlFontOf(b->font)->nCharHeight;
    const int y = b->y + (b->bbox.h - cellH) / 2;
    if (ctlHasText(b->text))
        ctlDrawText(dst, b->font, b->text, b->infocus ? b->colFocus : b->col, b->x + m, y, b->textAlign,
                    b->bbox.w - 2 * m);
    if (b->infocus) {
        ctlSetColor(dst, b->colFocus);
        sfVLine(dst, b->x + prefixWidth(b, b->cursorPos) + m, y, cellH);
    }
    if ((b->infocus & CTL_FOCUS_KEY) && b->colFocus != COLOR_NONE && !(sf && b->frame == b->firstFrame + 2))
        ctlOutline(dst, b->bbox, b->colFocus);
    return 0;
}

int CtlEditBox_GetText(void* obj, void* arg)
{
    const CtlEditBox* b = static_cast<const CtlEditBox*>(obj);
    char16_t* out = static_cast<char16_t*>(arg);
    const int32_t cap = capacity(b);
    if (!out || int32_t(textLen(out)) < cap)
        return 0;
    int32_t n = 0;
    while (n < cap && b->text[n] != u'|') {
        out[n] = b->text[n];
        n++;
    }
    out[n] = 0;
    return 1;
}

int CtlEditBox_SetText(void* obj, void* arg)
{
    CtlEditBox* b = static_cast<CtlEditBox*>(obj);
    const char16_t* s = static_cast<const char16_t*>(arg);
    const int32_t cap = capacity(b), n = int32_t(textLen(s));
    if (n > cap)
        return 0;
    if (!b->text)
        return 1;
    if (n)
        memcpy(b->text, s, size_t(n) * sizeof(char16_t));
    for (int32_t i = n; i < cap; i++)
        b->text[i] = u' ';
    b->text[cap] = 0;
    return 1;
}
