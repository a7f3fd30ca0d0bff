// Shared body of the image-reader harnesses: the input becomes a file in a
// private folder, is read by one reader, and whatever comes back is drawn in
// every way a sprite can be drawn, so a bad frame list, pitch or RLE table is
// caught where it would be used. Seeds in corpus/{tga,gsf,raw}: small TGA
// files of types 1, 2, 9, 10, GSF files made from them by "tobex image convert"
// (frames, key colour, RLE, several formats) and 16/32/48-byte RAW dumps.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "gfx/blit.h"
#include "gfx/image.h"
#include "gfx/surface.h"

namespace fuzzimg {

inline std::string& folder()
{
    static std::string dir;
    return dir;
}

inline void setUp()
{
    char tmpl[] = "/tmp/tobexfuzzXXXXXX";
    if (!mkdtemp(tmpl))
        abort();
    folder() = tmpl;
    char16_t wide[TEXT_MAX_PATH];
    textFromUtf8(wide, TEXT_MAX_PATH, tmpl);
    folderSetPath(FOLDER_PROGRAM, wide);
}

inline void writeInput(const char* name, const uint8_t* data, size_t size)
{
    std::string path = folder() + "/" + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        abort();
    fwrite(data, 1, size, f);
    fclose(f);
}

inline void drawEverything(SURFACE* s)
{
    if (!s)
        return;
    SURFACE* dst = sfCreate(48, 40, PF_565, false, SF_NO_KEY, nullptr);
    SURFACE* same = s->rle ? nullptr : sfCreate(48, 40, s->format, false, SF_NO_KEY, nullptr);
    RECT clip = {3, 2, 30, 30};
    for (int mode = 0; mode < (int)BLEND_COUNT; mode++) {
        gfxSetBlendMode(mode);
        gfxSetAlpha(mode ? 100 : 256);
        gfxSetClip(mode & 1 ? &clip : nullptr);
        sfBlit(s, dst, -3, -2, nullptr);
        sfBlitPivot(s, dst, 20, 20);
        for (int i = 0; i < s->frames.count && i < 8; i++)
            sfBlitFrame(s, dst, 10, 10, i);
        if (same) {
            XFORM t = {24, 20, 30 * mode, (int16_t)(128 + 64 * mode), 256};
            sfBlitXform(s, same, &t, mode - 1);
        }
    }
    gfxResetState();
    sfCopy(s, dst, 1, 1, nullptr);
    SURFACE* c = sfConvert(s, PF_888);
    if (c && sfEncodeRLE(c))
        sfBlit(c, dst, 0, 0, nullptr);
    sfDestroy(c);
    if (same)
        sfDestroy(same);
    sfDestroy(dst);
}

}
