// Shared body of the PNG and JPEG harnesses: the input is decoded from memory
// at full size and at a shrunken size, each result is cropped and resampled
// the way makepack does, and the input is also read as a file through the file
// system into a surface that is drawn in every way a sprite can be drawn. Seeds
// in corpus/{png,jpeg}: small files from Python's zlib writer (every colour type,
// 16-bit, palette with transparency, interlaced) and from cjpeg (baseline,
// progressive, arithmetic, grey, restart markers, odd sizes).
#pragma once

#include "gfx/photo.h"
#include "image_fuzz.h"

namespace fuzzphoto {

inline void decodeAndFit(const uint8_t* data, size_t size, int32_t minW, int32_t minH)
{
    PHOTO p = {};
    char err[PHOTO_ERR_CAP];
    if (!photoDecode(data, size, minW, minH, &p, err, sizeof err))
        return;
    const int32_t shapes[][2] = {{24, 24}, {6, 5}, {24, 32}};
    for (const auto& s : shapes) {
        RECT crop = photoCentreCrop(p.width, p.height, s[0], s[1]);
        PHOTO out = {};
        photoResample(&p, &crop, s[0], s[1], &out);
        photoFree(&out);
    }
    photoFree(&p);
}

inline int run(const char* fileName, const char16_t* wideName, const uint8_t* data, size_t size)
{
    logRestart();
    decodeAndFit(data, size, 0, 0);
    decodeAndFit(data, size, 16, 12);
    fuzzimg::writeInput(fileName, data, size);
    SURFACE* s = sfLoadPhoto(wideName, 0, nullptr, 0);
    fuzzimg::drawEverything(s);
    sfDestroy(s);
    return 0;
}

}
