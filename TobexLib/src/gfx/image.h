#pragma once
// Image files: TGA (types 1, 2, 9, 10), the engine's own GSF, and headerless RAW
// dumps, read only through the virtual file system.
//
// Every reader takes (name, wanted format, reuse surface): wanted format 0 keeps
// the file's own format; a reuse surface of matching format and size is filled
// in place. A file whose pixel format differs from a non-zero wanted format is
// decoded in its own format and returned converted. Readers return null on any
// failure (a reuse surface is never handed back as if it had been filled).

#include <stdint.h>

#include "gfx/surface.h"

constexpr uint8_t GSF_VERSION = 1;
constexpr int GSF_HEADER_SIZE = 40;  // bytes before the frames

struct TGAHEADER {
    uint8_t nIDLen;
    uint8_t nCMapType;
    uint8_t nImgType;
    uint16_t nCMapOrig;
    uint16_t nCMapLen;
    uint8_t nCMapSize;  // bits per colour-map entry
    uint16_t nXPos;
    uint16_t nYPos;
    uint16_t nWidth;
    uint16_t nHeight;
    uint8_t nPixSize;    // bits per pixel
    uint8_t descriptor;  // bit 4: right to left; bit 5: top to bottom
};

// ---- Readers ------------------------------------------------------------------------
SURFACE* sfLoad(const char16_t* name, uint32_t format,
                SURFACE* reuse);  // by extension, or .gsf/.tga/.raw in turn
SURFACE* sfLoadTGA(const char16_t* name, uint32_t format,
                   SURFACE* reuse);  // logs "sfLoadTGA failed for " on failure
SURFACE* sfLoadGSF(const char16_t* name, uint32_t format, SURFACE* reuse);
SURFACE* sfLoadRAW(const char16_t* name, uint32_t format, SURFACE* reuse);

// ---- Writers --------------------------------------------------------------------------
int sfSaveGSF(const SURFACE* s,
              const char16_t* name);  // 1 on success; a failed write may leave a partial file

// ---- Diagnostics ---------------------------------------------------------------------------
bool tgaParseHeader(const uint8_t bytes[18], TGAHEADER* h);
// Logs "TGA header:" (or "TGA header for NAME" when name is given) and one line per field.
void tgaLogHeader(const TGAHEADER* h, const char16_t* name);
