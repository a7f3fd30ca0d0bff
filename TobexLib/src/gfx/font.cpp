// Bitmap fonts: glyph scan, measuring, word-gap counting and text drawing.

#include "gfx/font.h"

#include <string.h>

#include "gfx/blit.h"

namespace {

FONT g_sysFont;
bool g_singleLine;  // measuring stops at the first line end (set while justifying)

// A glyph index is below FONT_GLYPHS even when the record's range was set by hand.
bool isBlank(const FONT* f, char16_t c)
{
    return c == u' ' || c < f->nFirstChar || c > f->nLastChar ||
           c - static_cast<int64_t>(f->nFirstChar) >= FONT_GLYPHS;
}

const GLYPH& glyphOf(const FONT* f, char16_t c)
{
    return f->glyphs[c - f->nFirstChar];
}

int glyphCount(const FONT* f)
{
    int64_t n = static_cast<int64_t>(f->nXSrcChars) * f->nYSrcChars;
    return n > FONT_GLYPHS ? FONT_GLYPHS : static_cast<int>(n);
}

// Whether every cell that becomes a glyph lies inside the sheet, so a sheet
// smaller than its declared grid, or a grid with negative offsets or gaps, is
// refused rather than half drawn.
bool gridFits(const FONT* f)
{
    if (f->nXSrcOffs < 0 || f->nYSrcOffs < 0 || f->nXSrcSpacing < 0 || f->nYSrcSpacing < 0)
        return false;
    int count = glyphCount(f);
    int64_t cols = count < f->nXSrcChars ? count : f->nXSrcChars;
    int64_t rows = (count + cols - 1) / cols;
    int64_t right =
        f->nXSrcOffs + cols * (static_cast<int64_t>(f->nCharWidth) + f->nXSrcSpacing) - f->nXSrcSpacing;
    int64_t bottom =
        f->nYSrcOffs + rows * (static_cast<int64_t>(f->nCharHeight) + f->nYSrcSpacing) - f->nYSrcSpacing;
    return right <= f->sf->width && bottom <= f->sf->height;
}

// Whether the record can be drawn from: sizes and counts of a built font, a
// character range of at most FONT_GLYPHS codes, every cell inside the sheet.
bool usable(const FONT* f)
{
    return f->sf && f->nCharWidth >= 1 && f->nCharHeight >= 1 && f->nXSrcChars >= 1 && f->nYSrcChars >= 1 &&
           f->nFirstChar >= 1 && f->nFirstChar <= f->nLastChar &&
           f->nLastChar - static_cast<int64_t>(f->nFirstChar) < FONT_GLYPHS && gridFits(f);
}

int cell(const FONT* f)
{
    return f->nCharWidth + f->nHSpacing;
}

// The next tab stop x0 + k * step strictly right of x (x0 when x lies left of it).
int nextStop(int x, int x0, int step)
{
    if (step <= 0 || x < x0)
        return x0;
    return x0 + ((x - x0) / step + 1) * step;
}

bool columnEmpty(const SURFACE* s, int x, int y, int h)
{
    for (int j = 0; j < h; j++)
        if (sfGetPixel(s, x, y + j) != s->keycolor)
            return false;
    return true;
}

void scanGlyph(const FONT* f, GLYPH* g)
{
    int w = f->nCharWidth;
    int left = 0;
    while (left < w && columnEmpty(f->sf, g->srcX + left, g->srcY, f->nCharHeight))
        left++;
    g->leftBlank = static_cast<int16_t>(left);
    if (left >= w) {
        g->width = static_cast<int16_t>(w / 2);
        g->rightBlank = 0;
        return;
    }
    int right = 0;
    while (right < w - left && columnEmpty(f->sf, g->srcX + w - 1 - right, g->srcY, f->nCharHeight))
        right++;
    g->rightBlank = static_cast<int16_t>(right);
    g->width = static_cast<int16_t>(w - left - right);
}

// Justification of the line that starts at text: extra pixels per gap and how
// many gaps get one more.
struct Justify {
    int gaps, extra, rest;
};

Justify justifyLine(const FONT* f, const char16_t* text, int box)
{
    Justify j = {fontCountGaps(text), 0, 0};
    bool was = g_singleLine;
    g_singleLine = true;
    int w = fontTextWidth(f, text);
    g_singleLine = was;
    if (j.gaps > 0) {
        j.extra = (box - w) / j.gaps;
        j.rest = (box - w) % j.gaps;
    }
    return j;
}

int blankShare(Justify* j)
{
    if (j->gaps <= 0)
        return 0;
    j->gaps--;
    return j->extra + (j->gaps < j->rest ? 1 : 0);
}

struct Pen {
    int x, y, x0, box;
    bool justify;
    Justify just;
};

// Starts the line after the line end at `at`, with its own justification.
void newLine(const FONT* f, Pen& p, const char16_t* at)
{
    p.x = p.x0;
    p.y += f->nVSpacing + f->nCharHeight;
    if (p.justify)
        p.just = justifyLine(f, at + 1, p.box);
}

// One character in proportional mode; false ends the drawing.
bool drawProportional(const FONT* f, SURFACE* dst, Pen& p, const char16_t* at)
{
    char16_t c = *at;
    if (c == u'\t') {
        p.x = nextStop(p.x, p.x0, 2 * cell(f));
    } else if (c == u'\n') {
        newLine(f, p, at);
    } else if (isBlank(f, c)) {
        p.x += f->nHSpacing + f->nCharWidth / 2 + (p.justify ? blankShare(&p.just) : 0);
    } else {
        const GLYPH& g = glyphOf(f, c);
        if (p.x + g.width > p.x0 + p.box)
            return false;
        // Only the inked columns: the blank ones are all key colour and would
        // leave the target as it is.
        RECT r = {g.srcX, g.srcY, f->nCharWidth, f->nCharHeight};
        if (f->sf->keycolor != SF_NO_KEY && g.leftBlank + g.rightBlank < f->nCharWidth) {
            r.x += g.leftBlank;
            r.w = g.width;
        }
        sfBlit(f->sf, dst, r.x - g.srcX + p.x - g.leftBlank, p.y, &r);
        p.x += f->nHSpacing + g.width;
    }
    return true;
}

// One character in fixed-width mode; false ends the drawing.
bool drawFixed(const FONT* f, SURFACE* dst, Pen& p, const char16_t* at)
{
    if (p.x - p.x0 >= p.x0 + p.box)
        return false;
    char16_t c = *at;
    if (c == u'\t') {
        p.x = nextStop(p.x, p.x0, 4 * cell(f));
    } else if (c == u'\n') {
        newLine(f, p, at);
    } else if (isBlank(f, c)) {
        p.x += cell(f) + (p.justify ? blankShare(&p.just) : 0);
    } else {
        if (p.x + f->nCharWidth > p.x0 + p.box)
            return false;
        const GLYPH& g = glyphOf(f, c);
        RECT r = {g.srcX, g.srcY, f->nCharWidth, f->nCharHeight};
        sfBlit(f->sf, dst, p.x, p.y, &r);
        p.x += cell(f);
    }
    return true;
}

}

FONT* fontBuild(FONT* f)
{
    if (!f)
        return nullptr;
    // A refused record keeps no glyphs, so it draws nothing.
    memset(f->glyphs, 0, sizeof f->glyphs);
    f->nLastChar = 0;
    if (!f->sf || f->nCharWidth < 1 || f->nCharHeight < 1 || f->nXSrcChars < 1 || f->nYSrcChars < 1 ||
        f->nFirstChar < 1 || !gridFits(f))
        return nullptr;
    int count = glyphCount(f);
    int64_t last = static_cast<int64_t>(f->nFirstChar) + count - 1;
    f->nLastChar = last > INT32_MAX ? INT32_MAX : static_cast<int32_t>(last);
    for (int i = 0; i < count; i++) {
        GLYPH* g = &f->glyphs[i];
        int c = i % f->nXSrcChars, r = i / f->nXSrcChars;
        g->srcX = static_cast<int16_t>(c * (f->nXSrcSpacing + f->nCharWidth) + f->nXSrcOffs);
        g->srcY = static_cast<int16_t>(r * (f->nYSrcSpacing + f->nCharHeight) + f->nYSrcOffs);
        g->width = static_cast<int16_t>(f->nCharWidth);
        if (f->bVariableSpacing)
            scanGlyph(f, g);
    }
    return f;
}

void fontMeasure(const FONT* f, const char16_t* text, int* width, int* height)
{
    int w = 0, h = 0, x = 0;
    if (f && text) {
        h = f->nCharHeight;
        for (const char16_t* p = text; *p; p++) {
            char16_t c = *p;
            if (c == u'\n') {
                w = x > w ? x : w;
                if (g_singleLine) {
                    x = 0;
                    break;
                }
                h += f->nVSpacing + f->nCharHeight;
                x = 0;
            } else if (c == u'\t') {
                x = nextStop(x, 0, (f->bVariableSpacing ? 2 : 4) * cell(f));
            } else if (!f->bVariableSpacing) {
                x += cell(f);
            } else if (isBlank(f, c)) {
                x += f->nHSpacing + f->nCharWidth / 2;
            } else {
                x += f->nHSpacing + glyphOf(f, c).width;
            }
        }
        w = x > w ? x : w;
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
}

int fontTextWidth(const FONT* f, const char16_t* text)
{
    int w;
    fontMeasure(f, text, &w, nullptr);
    return w;
}

int fontCountGaps(const char16_t* text)
{
    if (!text)
        return 0;
    int gaps = 0;
    const char16_t* p = text;
    for (;;) {
        while (*p == u' ' || *p == u'\t')
            p++;
        if (!*p || *p == u'\n')
            break;
        while (*p && *p != u' ' && *p != u'\t' && *p != u'\n')
            p++;
        if (!*p || *p == u'\n')
            break;
        gaps++;
    }
    return *p == u'\n' && p[1] && p[1] != u'\n' ? gaps : 0;
}

void fontDrawText(const FONT* f, SURFACE* dst, const char16_t* text, int x, int y, int align, int maxWidth)
{
    if (!f || !text || !*text || !dst || !usable(f))
        return;
    uint32_t mode = gfxGetBlendMode();
    gfxSetBlendMode(f->bBlend ? BLEND_TINT : BLEND_SOLID);
    int w, h;
    fontMeasure(f, text, &w, &h);
    if (x == FONT_CENTER)
        x = (dst->width - w) / 2;
    if (y == FONT_CENTER)
        y = (dst->height - h) / 2;
    int box = w;
    if (maxWidth > 0) {
        box = maxWidth;
        w = w < box ? w : box;
    }
    Pen p = {x, y, x, box, align == FONT_ALIGN_JUSTIFY, {0, 0, 0}};
    if (align == FONT_ALIGN_CENTER)
        p.x0 = x + (box - w) / 2;
    else if (align == FONT_ALIGN_RIGHT)
        p.x0 = x - w + box;
    p.x = p.x0;
    if (p.justify)
        p.just = justifyLine(f, text, box);
    for (const char16_t* at = text; *at; at++)
        if (!(f->bVariableSpacing ? drawProportional(f, dst, p, at) : drawFixed(f, dst, p, at)))
            break;
    gfxSetBlendMode(mode);
    g_singleLine = false;
}

bool sysFontLoad()
{
    static const char16_t* const kNames[] = {u"Graphics/SysFont7x14.tga", u"gfx/SysFont7x14.tga",
                                             u"SysFont7x14.tga"};
    SURFACE* img = nullptr;
    for (const char16_t* name : kNames)
        if ((img = sfGetCached(name)) != nullptr)
            break;
    if (!img)
        return false;
    const PixelOps* ops = pfOps(img->format);
    img->keycolor = ops && ops->fromRGB ? ops->fromRGB(0) : palNearest(img->palette, 0);
    memset(&g_sysFont, 0, sizeof g_sysFont);
    g_sysFont.nCharWidth = 7;
    g_sysFont.nCharHeight = 14;
    g_sysFont.sf = img;
    g_sysFont.nXSrcSpacing = 1;
    g_sysFont.nYSrcSpacing = 1;
    g_sysFont.nXSrcOffs = 1;
    g_sysFont.nYSrcOffs = 1;
    // Fourteen cells a row; as many rows as the sheet holds, so a sheet of 16
    // rows gives characters 32..255.
    g_sysFont.nXSrcChars = 14;
    g_sysFont.nYSrcChars = (img->height - g_sysFont.nYSrcOffs + g_sysFont.nYSrcSpacing) /
                           (g_sysFont.nCharHeight + g_sysFont.nYSrcSpacing);
    g_sysFont.nFirstChar = 32;
    return fontBuild(&g_sysFont) != nullptr;
}

FONT* sysFont()
{
    return &g_sysFont;
}
