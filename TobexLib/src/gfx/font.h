#pragma once
// Bitmap fonts: a grid of equal character cells cut from one image surface,
// drawn fixed-width or proportionally (from a scan of each glyph's empty
// columns), solid or anti-aliased in the draw colour.

#include <stdint.h>

#include "gfx/surface.h"

constexpr int32_t FONT_CENTER = static_cast<int32_t>(0x80000000);  // x or y: centre the text on the surface
constexpr int FONT_GLYPHS = 256;

enum FontAlign : int {
    FONT_ALIGN_CENTER = 0,
    FONT_ALIGN_LEFT = 1,  // any value other than 0, 2 and 3
    FONT_ALIGN_RIGHT = 2,
    FONT_ALIGN_JUSTIFY = 3,
};

struct GLYPH {
    int16_t srcX, srcY;  // cell position in the image
    int16_t width;       // drawn width in proportional mode
    int16_t leftBlank;   // empty columns at the cell's left
    int16_t rightBlank;  // empty columns at the cell's right
};

struct FONT {
    int32_t nCharWidth, nCharHeight;     // cell size in pixels
    int32_t nHSpacing, nVSpacing;        // extra pixels after each character and between lines
    uint8_t bVariableSpacing;            // 1: proportional spacing from the glyph scan
    uint8_t bBlend;                      // 1: anti-aliased (tint), 0: solid
    SURFACE* sf;                         // font image (borrowed); its keycolor marks background
    int32_t nXSrcSpacing, nYSrcSpacing;  // gap between cells in the image
    int32_t nXSrcOffs, nYSrcOffs;        // position of the first cell
    int32_t nXSrcChars, nYSrcChars;      // cells per image row, rows of cells
    int32_t nFirstChar;                  // code of the first cell
    GLYPH glyphs[FONT_GLYPHS];
    int32_t nLastChar;  // code of the last glyph
};

// ---- Building -------------------------------------------------------------------------
// Null when the image is missing, a size or count is below 1, or a cell would lie
// outside the image; such a record keeps no glyphs and draws nothing.
FONT* fontBuild(FONT* font);

// ---- Measuring ---------------------------------------------------------------------------
void fontMeasure(const FONT* font, const char16_t* text, int* width, int* height);
int fontTextWidth(const FONT* font, const char16_t* text);
int fontCountGaps(const char16_t* text);  // word gaps of the first line; 0 for a paragraph's last line

// ---- Drawing -----------------------------------------------------------------------------------
// Draws in the draw colour; x or y FONT_CENTER centres; maxWidth <= 0 is the text's own width.
// Draws nothing with a record fontBuild would refuse or whose range exceeds 256 codes.
void fontDrawText(const FONT* font, SURFACE* dst, const char16_t* text, int x, int y, int align,
                  int maxWidth);

// ---- System font ------------------------------------------------------------------------------
bool sysFontLoad();  // the 7 x 14 font image through the image cache; its rows from the image height
FONT* sysFont();     // the system font record (built or not)
