// tobex font: renders a range of characters of a font file through FreeType into
// a glyph sheet the engine's bitmap fonts read, and prints the CtlFont property
// lines that describe the sheet.
//
// The sheet is a grid of equal cells with a 1-pixel border and 1-pixel gaps, as
// the system font is laid out: black background (the key colour), glyphs in
// white, grey levels as coverage for anti-aliased fonts. A bitmap font is used
// at one of its own sizes and gives a solid, fixed-width font; a scalable font is
// rendered anti-aliased and gives a blended, proportional one. The same input
// gives the same bytes.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/picture.h"
#include "commands.h"

namespace {

constexpr int kMaxSize = 256;     // pixel sizes accepted
constexpr int kMaxGlyphs = 256;   // glyphs a font record holds
constexpr int kMaxSheet = 32767;  // sheet width and height (cell positions are 16-bit)

struct FontArgs {
    const char* fontFile = nullptr;
    const char* out = nullptr;
    int size = 0;
    int first = 32, last = 255;
    int columns = 16;
};

// One rendered glyph: coverage 0..255, placed relative to the pen origin.
struct Glyph {
    int left = 0, top = 0;  // bitmap offset from the origin (top is up from the baseline)
    int width = 0, rows = 0;
    int advance = 0;
    std::vector<uint8_t> cover;
};

struct Sheet {
    int cellW = 0, cellH = 0;
    int originX = 0, baseline = 0;  // pen origin inside a cell
    int cols = 0, rows = 0;
    int width = 0, height = 0;
    std::vector<uint8_t> grey;  // width x height coverage, top row first
};

void usage(FILE* out)
{
    fprintf(out,
            "usage: tobex font FONTFILE --size N [--first C --last C] [--columns N] OUT.tga\n\n"
            "Renders the characters C..C (default 32..255, at most 256) of FONTFILE at a height\n"
            "of N pixels into the glyph sheet OUT.tga, and prints the CtlFont property lines\n"
            "that describe it. A bitmap font must have a size of N pixels and gives a solid,\n"
            "fixed-width font; a scalable font is rendered anti-aliased and gives a blended,\n"
            "proportional one. C is a character code (decimal or 0x hex) or one character.\n\n"
            "  --size N       pixel height (1..%d)\n"
            "  --first C      first character (default 32)\n"
            "  --last C       last character (default 255)\n"
            "  --columns N    cells per sheet row (default 16; the system font's sheet has 14)\n",
            kMaxSize);
}

bool parseNumber(const char* s, int lo, int hi, int* v)
{
    char* end;
    long n = strtol(s, &end, 0);
    if (!*s || *end || n < lo || n > hi)
        return false;
    *v = static_cast<int>(n);
    return true;
}

// A character given as a code or as one (ASCII) character.
bool parseChar(const char* s, int* v)
{
    if (s[0] && !s[1] && (s[0] < '0' || s[0] > '9')) {
        *v = static_cast<unsigned char>(s[0]);
        return true;
    }
    return parseNumber(s, 1, 0xFFFF, v);
}

// Returns 0 to go on, -1 after help, else the exit status.
int parseArgs(int argc, char** argv, FontArgs* a)
{
    for (int i = 1; i < argc; i++) {
        const char* s = argv[i];
        if (!strcmp(s, "--help") || !strcmp(s, "-h")) {
            usage(stdout);
            return -1;
        }
        bool takesValue =
            !strcmp(s, "--size") || !strcmp(s, "--first") || !strcmp(s, "--last") || !strcmp(s, "--columns");
        if (takesValue && i + 1 >= argc) {
            fprintf(stderr, "tobex font: %s needs a value\n", s);
            return 2;
        }
        bool ok = true;
        if (!strcmp(s, "--size"))
            ok = parseNumber(argv[++i], 1, kMaxSize, &a->size);
        else if (!strcmp(s, "--first"))
            ok = parseChar(argv[++i], &a->first);
        else if (!strcmp(s, "--last"))
            ok = parseChar(argv[++i], &a->last);
        else if (!strcmp(s, "--columns"))
            ok = parseNumber(argv[++i], 1, kMaxGlyphs, &a->columns);
        else if (s[0] == '-' && s[1])
            ok = false;
        else if (!a->fontFile)
            a->fontFile = s;
        else if (!a->out)
            a->out = s;
        else
            ok = false;
        if (!ok) {
            fprintf(stderr, "tobex font: bad argument '%s'%s%s\n", takesValue ? argv[i - 1] : s,
                    takesValue ? " " : "", takesValue ? argv[i] : "");
            return 2;
        }
    }
    if (!a->fontFile || !a->out || !a->size) {
        fprintf(stderr, "tobex font: needs FONTFILE, --size N and OUT.tga\n\n");
        usage(stderr);
        return 2;
    }
    if (a->first > a->last || a->last - a->first >= kMaxGlyphs) {
        fprintf(stderr,
                "tobex font: characters %d..%d: the first must not be above the last, and at most %d\n",
                a->first, a->last, kMaxGlyphs);
        return 2;
    }
    return 0;
}

// Picks the pixel size: a bitmap strike of exactly that height, or the scaled size.
bool selectSize(FT_Face face, int size, const char* file)
{
    if (FT_IS_SCALABLE(face))
        return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) == 0;
    for (int i = 0; i < face->num_fixed_sizes; i++)
        if (face->available_sizes[i].height == size)
            return FT_Select_Size(face, i) == 0;
    fprintf(stderr, "tobex font: %s has no %d-pixel size; it has:", file, size);
    for (int i = 0; i < face->num_fixed_sizes; i++)
        fprintf(stderr, " %d", face->available_sizes[i].height);
    fprintf(stderr, "\n");
    return false;
}

// Renders one character; a character the font lacks gives an empty glyph.
bool renderGlyph(FT_Face face, int code, Glyph* g)
{
    FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
    if (index == 0)
        return true;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0)
        return false;
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.pixel_mode != FT_PIXEL_MODE_GRAY)
        return false;
    g->left = slot->bitmap_left;
    g->top = slot->bitmap_top;
    g->width = static_cast<int>(bm.width);
    g->rows = static_cast<int>(bm.rows);
    g->advance = static_cast<int>((slot->advance.x + 63) >> 6);
    g->cover.assign(static_cast<size_t>(g->width) * g->rows, 0);
    for (int y = 0; y < g->rows; y++) {
        const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        for (int x = 0; x < g->width; x++) {
            uint8_t v = bm.pixel_mode == FT_PIXEL_MODE_MONO
                            ? ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255
                            : static_cast<uint8_t>(row[x] * 255 / (bm.num_grays - 1));
            g->cover[static_cast<size_t>(y) * g->width + x] = v;
        }
    }
    return true;
}

// The cell that holds every glyph: from the size's ascent and descent and each
// glyph's advance and ink.
void measureCells(FT_Face face, const std::vector<Glyph>& glyphs, Sheet* s)
{
    int ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    int descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    int minLeft = 0, right = 1;
    for (const Glyph& g : glyphs) {
        if (g.rows > 0) {
            ascent = std::max(ascent, g.top);
            descent = std::max(descent, g.rows - g.top);
            minLeft = std::min(minLeft, g.left);
        }
        right = std::max({right, g.advance, g.left + g.width});
    }
    s->originX = -minLeft;
    s->baseline = ascent;
    s->cellW = right + s->originX;
    s->cellH = std::max(1, ascent + descent);
}

bool layOut(const FontArgs& a, const std::vector<Glyph>& glyphs, Sheet* s)
{
    int count = static_cast<int>(glyphs.size());
    s->cols = std::min(a.columns, count);
    s->rows = (count + s->cols - 1) / s->cols;
    int64_t w = 1 + static_cast<int64_t>(s->cols) * (s->cellW + 1),
            h = 1 + static_cast<int64_t>(s->rows) * (s->cellH + 1);
    if (w > kMaxSheet || h > kMaxSheet) {
        fprintf(stderr, "tobex font: the sheet would be %lld x %lld pixels; at most %d a side\n",
                static_cast<long long>(w), static_cast<long long>(h), kMaxSheet);
        return false;
    }
    s->width = static_cast<int>(w);
    s->height = static_cast<int>(h);
    s->grey.assign(static_cast<size_t>(w) * h, 0);
    for (int i = 0; i < count; i++) {
        const Glyph& g = glyphs[i];
        int cx = 1 + i % s->cols * (s->cellW + 1) + s->originX + g.left;
        int cy = 1 + i / s->cols * (s->cellH + 1) + s->baseline - g.top;
        for (int y = 0; y < g.rows; y++)
            for (int x = 0; x < g.width; x++)
                s->grey[static_cast<size_t>(cy + y) * s->width + cx + x] =
                    g.cover[static_cast<size_t>(y) * g.width + x];
    }
    return true;
}

// An uncompressed 24-bit TGA, top row first.
bool writeTga(const Sheet& s, const char* path)
{
    std::vector<uint8_t> rgba;
    rgba.reserve(s.grey.size() * 4);
    for (uint8_t v : s.grey)
        rgba.insert(rgba.end(), {v, v, v, 255});
    std::vector<uint8_t> bytes;
    if (!pictureWrite(PICTURE_TGA, rgba.data(), s.width, s.height, false, toolCollectBytes, &bytes))
        return false;
    FILE* f = fopen(path, "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

void printProperties(const FontArgs& a, const Sheet& s, bool scalable)
{
    struct Line {
        const char* name;
        int value;
    } const lines[] = {
        {"nCharWidth", s.cellW},
        {"nCharHeight", s.cellH},
        {"nHSpacing", scalable ? 1 : 0},
        {"nVSpacing", 0},
        {"bVariableSpacing", scalable ? 1 : 0},
        {"bBlend", scalable ? 1 : 0},
        {"nXSrcSpacing", 1},
        {"nYSrcSpacing", 1},
        {"nXSrcOffs", 1},
        {"nYSrcOffs", 1},
        {"nXSrcChars", s.cols},
        {"nYSrcChars", s.rows},
        {"nFirstChar", a.first},
    };
    for (const Line& l : lines)
        printf("%s\t%d\n", l.name, l.value);
}

int makeSheet(const FontArgs& a)
{
    FT_Library lib;
    if (FT_Init_FreeType(&lib) != 0) {
        fprintf(stderr, "tobex font: FreeType could not start\n");
        return 1;
    }
    FT_Face face;
    if (FT_New_Face(lib, a.fontFile, 0, &face) != 0) {
        fprintf(stderr, "tobex font: cannot read the font %s\n", a.fontFile);
        FT_Done_FreeType(lib);
        return 1;
    }
    int rc = 1;
    std::vector<Glyph> glyphs(static_cast<size_t>(a.last - a.first + 1));
    Sheet s;
    bool ok = selectSize(face, a.size, a.fontFile);
    for (int c = a.first; ok && c <= a.last; c++)
        if (!renderGlyph(face, c, &glyphs[static_cast<size_t>(c - a.first)])) {
            fprintf(stderr, "tobex font: cannot render character %d of %s\n", c, a.fontFile);
            ok = false;
        }
    if (ok) {
        measureCells(face, glyphs, &s);
        ok = layOut(a, glyphs, &s);
    }
    if (ok && !writeTga(s, a.out))
        fprintf(stderr, "tobex font: cannot write %s\n", a.out);
    else if (ok) {
        printProperties(a, s, FT_IS_SCALABLE(face));
        rc = 0;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return rc;
}

}

int toolFont(int argc, char** argv)
{
    FontArgs a;
    int rc = parseArgs(argc, argv, &a);
    if (rc != 0)
        return rc < 0 ? 0 : rc;
    return makeSheet(a);
}
