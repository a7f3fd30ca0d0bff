// tobex image: describes image files and converts them between TGA, GSF, RAW
// and PNG (reading JPEG too), preparing sprites (format, key colour, hot spot, frames, RLE) the
// way the engine's sprites prepare them.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/picture.h"
#include "app/text.h"
#include "commands.h"
#include "gfx/blit.h"
#include "gfx/image.h"
#include "gfx/photo.h"
#include "gfx/surface.h"
#include "vfs/archive.h"
#include "vfs/vfs.h"

namespace {

const char kUsage[] =
    "usage: tobex image [-m ARCHIVE]... info FILE\n"
    "       tobex image [-m ARCHIVE]... convert [options] IN OUT\n"
    "\n"
    "Reads TGA, GSF, RAW, PNG and JPEG images through the file system (loose files, or\n"
    "members of the archives mounted with -m). OUT is written by its extension:\n"
    ".png, .tga (uncompressed 24 or 32 bits) or .gsf.\n"
    "\n"
    "convert options:\n"
    "  --format NAME      pixel format: Palette, 444, 555, 565, 888, 8888,\n"
    "                     MONO1, MONO2, MONO4, MONO8\n"
    "  --key RRGGBB       key colour as an RGB colour (hex); 'topleft' takes the\n"
    "                     pixel at (0, 0); 'none' removes the key colour\n"
    "  --pivot X,Y        hot spot in 8.8 fractions (0 left/top, 128 centre, 256 right/bottom)\n"
    "  --frames CxR       a grid of C columns and R rows of frames\n"
    "  --anim N --loop N --delay MS   frame-animation settings\n"
    "  --rle              run-length encode (GSF only)\n";

struct ConvertOptions {
    uint32_t format = 0;
    std::string key;
    bool pivot = false;
    int xPivot = 0, yPivot = 0;
    int columns = 0, rows = 0;
    int anim = -1, loop = -1;
    long delay = -1;
    bool rle = false;
};

bool wide(const char* s, char16_t* out)
{
    return textFromUtf8(out, TEXT_MAX_PATH, s);
}

bool hasExt(const char* name, const char* ext)
{
    size_t n = strlen(name), e = strlen(ext);
    return n >= e && !strcasecmp(name + n - e, ext);
}

SURFACE* loadImage(const char* name)
{
    char16_t path[TEXT_MAX_PATH];
    if (!wide(name, path)) {
        fprintf(stderr, "tobex image: name too long: %s\n", name);
        return nullptr;
    }
    if (hasExt(name, ".png") || hasExt(name, ".jpg") || hasExt(name, ".jpeg")) {
        char err[PHOTO_ERR_CAP];
        SURFACE* s = sfLoadPhoto(path, 0, err, sizeof err);
        if (!s)
            fprintf(stderr, "tobex image: cannot read %s: %s\n", name, err);
        return s;
    }
    SURFACE* s = sfLoad(path, 0, nullptr);
    if (!s)
        fprintf(stderr, "tobex image: cannot read %s as an image (see Tobex.log)\n", name);
    return s;
}

void printKey(const SURFACE* s)
{
    if (s->keycolor == SF_NO_KEY)
        printf("key colour:   none\n");
    else
        printf("key colour:   0x%X\n", s->keycolor);
}

int runInfo(const char* name)
{
    SURFACE* s = loadImage(name);
    if (!s)
        return 1;
    printf("file:         %s\n", name);
    printf("format:       %s (%u)\n", s->formatInfo->name, s->format);
    printf("size:         %d x %d\n", s->width, s->height);
    printf("pitches:      x %d, y %d\n", s->xPitch, s->yPitch);
    printf("pixel bytes:  %u\n", s->size);
    printKey(s);
    printf("pivot:        %d, %d\n", s->xPivot, s->yPivot);
    printf("animation:    type %u, loop %u, delay %u ms\n", s->animType, s->loop, s->frameDelay);
    printf("palette:      %s", s->palette ? "" : "none\n");
    if (s->palette)
        printf("%u colours\n", s->palette->count);
    printf("frames:       %d\n", s->frames.count);
    for (int i = 0; i < s->frames.count; i++) {
        const RECT* r = sfFrame(s, i);
        printf("  %3d: %d, %d, %d x %d\n", i, r->x, r->y, r->w, r->h);
    }
    printf("rle:          %s\n",
           s->rle ? (s->rleWideOffsets ? "yes (32-bit row table)" : "yes (16-bit row table)") : "no");
    sfDestroy(s);
    return 0;
}

bool parseInt(const char* s, long lo, long hi, long* out)
{
    char* end;
    long v = strtol(s, &end, 10);
    if (!*s || *end || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool parsePair(const char* s, char sep, long lo, long hi, int* a, int* b)
{
    const char* mid = strchr(s, sep);
    if (!mid)
        return false;
    std::string first(s, mid);
    long x, y;
    if (!parseInt(first.c_str(), lo, hi, &x) || !parseInt(mid + 1, lo, hi, &y))
        return false;
    *a = static_cast<int>(x);
    *b = static_cast<int>(y);
    return true;
}

// Parses options up to the two file names; returns the index of IN or -1.
int parseConvert(int argc, char** argv, int i, ConvertOptions* o)
{
    for (; i < argc && !strncmp(argv[i], "--", 2); i++) {
        const char* opt = argv[i];
        bool needsValue = strcmp(opt, "--rle") != 0;
        if (needsValue && i + 1 >= argc) {
            fprintf(stderr, "tobex image: %s needs a value\n", opt);
            return -1;
        }
        const char* v = needsValue ? argv[++i] : nullptr;
        long n = 0;
        bool ok = true;
        if (!strcmp(opt, "--rle"))
            o->rle = true;
        else if (!strcmp(opt, "--format"))
            ok = (o->format = pfFromName(v)) != 0;
        else if (!strcmp(opt, "--key"))
            o->key = v;
        else if (!strcmp(opt, "--pivot"))
            ok = o->pivot = parsePair(v, ',', -32768, 32767, &o->xPivot, &o->yPivot);
        else if (!strcmp(opt, "--frames"))
            ok = parsePair(v, 'x', 1, 4096, &o->columns, &o->rows);
        else if (!strcmp(opt, "--anim") && (ok = parseInt(v, 0, 255, &n)))
            o->anim = static_cast<int>(n);
        else if (!strcmp(opt, "--loop") && (ok = parseInt(v, 0, 255, &n)))
            o->loop = static_cast<int>(n);
        else if (!strcmp(opt, "--delay") && (ok = parseInt(v, 0, 0x7FFFFFFF, &n)))
            o->delay = n;
        else if (ok) {
            fprintf(stderr, "tobex image: unknown option %s\n", opt);
            return -1;
        }
        if (!ok) {
            fprintf(stderr, "tobex image: bad value for %s: %s\n", opt, v);
            return -1;
        }
    }
    return i;
}

// The key colour option as a pixel value of the surface's format.
bool applyKey(SURFACE* s, const std::string& key)
{
    if (key.empty())
        return true;
    if (key == "none") {
        s->keycolor = SF_NO_KEY;
        return true;
    }
    if (key == "topleft") {
        s->keycolor = sfGetPixel(s, 0, 0);
        return true;
    }
    char* end;
    unsigned long rgb = strtoul(key.c_str(), &end, 16);
    if (key.size() != 6 || *end) {
        fprintf(stderr, "tobex image: bad key colour %s (RRGGBB, topleft or none)\n", key.c_str());
        return false;
    }
    const PixelOps* ops = pfOps(s->format);
    s->keycolor = ops->fromRGB ? ops->fromRGB(static_cast<uint32_t>(rgb))
                               : palNearest(s->palette, static_cast<uint32_t>(rgb));
    return true;
}

bool prepare(SURFACE** sp, const ConvertOptions& o)
{
    if (o.format && o.format != (*sp)->format) {
        SURFACE* c = sfConvert(*sp, o.format);
        if (!c) {
            fprintf(stderr, "tobex image: cannot convert to %s\n", pfInfo(o.format)->name);
            return false;
        }
        sfDestroy(*sp);
        *sp = c;
    }
    SURFACE* s = *sp;
    if (!applyKey(s, o.key))
        return false;
    if (o.pivot) {
        s->xPivot = static_cast<int16_t>(o.xPivot);
        s->yPivot = static_cast<int16_t>(o.yPivot);
    }
    if (o.columns && !sfSetFrameGrid(s, o.columns, o.rows)) {
        fprintf(stderr, "tobex image: cannot make a %dx%d frame grid\n", o.columns, o.rows);
        return false;
    }
    if (o.anim >= 0)
        s->animType = static_cast<uint8_t>(o.anim);
    if (o.loop >= 0)
        s->loop = static_cast<uint8_t>(o.loop);
    if (o.delay >= 0)
        s->frameDelay = static_cast<uint32_t>(o.delay);
    if (o.rle && !sfEncodeRLE(s)) {
        fprintf(stderr, "tobex image: %s images cannot be run-length encoded\n", s->formatInfo->name);
        return false;
    }
    return true;
}

// The picture as RGBA rows: key-coloured pixels transparent, "8888" keeps its alpha.
std::vector<uint8_t> rgbaRows(const SURFACE* s, bool* alpha)
{
    *alpha = s->keycolor != SF_NO_KEY || s->format == PF_8888;
    SURFACE rgb;
    std::vector<uint8_t> out;
    if (!sfInit(&rgb, s->width, s->height, PF_8888, false, SF_NO_KEY, nullptr))
        return out;
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++) {
            uint32_t v = sfGetPixel(s, x, y);
            uint32_t c = colorConvert(v, s->format, s->palette, &rgb);
            uint8_t a = 255;
            if (s->format == PF_8888)
                a = static_cast<uint8_t>(v >> 24);
            if (s->keycolor != SF_NO_KEY && v == s->keycolor)
                a = 0;
            out.insert(out.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                   static_cast<uint8_t>(c), a});
        }
    sfFree(&rgb);
    return out;
}

bool writeBytes(const char* name, const std::vector<uint8_t>& bytes)
{
    char16_t path[TEXT_MAX_PATH];
    VFile* f = wide(name, path) ? vfsCreate(path) : nullptr;
    bool ok = f && vfsWrite(f, bytes.data(), static_cast<int32_t>(bytes.size())) ==
                       static_cast<int32_t>(bytes.size());
    ok = vfsClose(f) && ok;
    return ok;
}

// PNG keeps the alpha channel always; TGA only when the image has one.
bool writePicture(const SURFACE* s, const char* name, PictureKind kind)
{
    bool alpha;
    std::vector<uint8_t> px = rgbaRows(s, &alpha);
    std::vector<uint8_t> out;
    return !px.empty() &&
           pictureWrite(kind, px.data(), s->width, s->height, alpha || kind == PICTURE_PNG, toolCollectBytes,
                        &out) &&
           writeBytes(name, out);
}

bool writeImage(SURFACE*& s, const char* name, bool rle)
{
    if (hasExt(name, ".gsf")) {
        char16_t path[TEXT_MAX_PATH];
        return wide(name, path) && sfSaveGSF(s, path);
    }
    if (rle) {
        fprintf(stderr, "tobex image: --rle needs a .gsf output\n");
        return false;
    }
    // Pictures are written from plain pixels: an encoded sprite is decoded first.
    if (s->rle) {
        SURFACE* plain = sfConvert(s, s->format);
        if (!plain)
            return false;
        sfDestroy(s);
        s = plain;
    }
    if (PictureKind kind = pictureKindOf(name))
        return writePicture(s, name, kind);
    fprintf(stderr, "tobex image: %s: output must end in .png, .tga or .gsf\n", name);
    return false;
}

int runConvert(int argc, char** argv, int i)
{
    ConvertOptions o;
    i = parseConvert(argc, argv, i, &o);
    if (i < 0)
        return 2;
    if (argc - i != 2) {
        fprintf(stderr, "tobex image: convert needs IN and OUT\n%s", kUsage);
        return 2;
    }
    const char* out = argv[i + 1];
    if (!hasExt(out, ".gsf") && !hasExt(out, ".tga") && !hasExt(out, ".png")) {
        fprintf(stderr, "tobex image: %s: output must end in .png, .tga or .gsf\n", out);
        return 2;
    }
    SURFACE* s = loadImage(argv[i]);
    if (!s)
        return 1;
    bool ok = prepare(&s, o) && writeImage(s, out, o.rle);
    if (!ok)
        fprintf(stderr, "tobex image: could not write %s\n", out);
    sfDestroy(s);
    return ok ? 0 : 1;
}

bool mountArchive(const char* name)
{
    char16_t path[TEXT_MAX_PATH];
    if (!wide(name, path) || vfsMount(path) < 1) {
        fprintf(stderr, "tobex image: cannot mount %s\n", name);
        return false;
    }
    return true;
}

}

namespace {

int runCommand(int argc, char** argv, int i)
{
    for (; i + 1 < argc && !strcmp(argv[i], "-m"); i += 2)
        if (!mountArchive(argv[i + 1]))
            return 1;
    if (i < argc && !strcmp(argv[i], "info")) {
        if (argc - i != 2) {
            fprintf(stderr, "tobex image: info needs one FILE\n%s", kUsage);
            return 2;
        }
        return runInfo(argv[i + 1]);
    }
    if (i < argc && !strcmp(argv[i], "convert"))
        return runConvert(argc, argv, i + 1);
    fprintf(stderr, "tobex image: expected 'info' or 'convert'\n%s", kUsage);
    return 2;
}

}

int toolImage(int argc, char** argv)
{
    if (argc < 2 || !strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")) {
        fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    toolStartEngine();
    vfsInit();
    int status = runCommand(argc, argv, 1);
    // The archives and, once every surface is back, the surface pool's blocks go too,
    // so the allocator's exit report lists only real leaks.
    vfsShutdown();
    if (sfPoolLive() == 0)
        sfPoolShutdown();
    return status;
}

bool toolCollectBytes(void* ctx, const void* bytes, size_t n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(ctx);
    out->insert(out->end(), static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + n);
    return true;
}
