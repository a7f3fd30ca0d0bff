// Readers of TGA, GSF and RAW image files and the GSF writer.
//
// No reader trusts a size it finds in a file: pixel memory is only allocated
// when the file holds enough bytes to fill it (and within the surface bounds),
// a GSF record's pitches must address only the stored bytes, and an RLE row
// table must parse to its end before the surface is handed out.

#include "gfx/image.h"

#include <string.h>

#include <vector>

#include "base/bytes.h"
#include "base/log.h"
#include "base/mem.h"
#include "base/text.h"
#include "gfx/blit.h"
#include "vfs/vfs.h"

namespace {

constexpr char GSF_MAGIC[3] = {'G', 'S', 'F'};
constexpr uint8_t GSF_FLAG_RLE = 1;
constexpr uint8_t GSF_FLAG_WIDE = 2;
constexpr int TGA_HEADER_SIZE = 18;
constexpr int NAME_BUF = 278;

// Small checked readers over a VFile: false on a short read.
bool readBytes(VFile* f, void* out, int32_t n)
{
    return n == 0 || vfsRead(f, out, n) == n;
}
bool readU8(VFile* f, uint8_t* v)
{
    return readBytes(f, v, 1);
}
bool readU16(VFile* f, uint16_t* v)
{
    uint8_t b[2];
    if (!readBytes(f, b, 2))
        return false;
    *v = leRead16(b);
    return true;
}
bool readU32(VFile* f, uint32_t* v)
{
    uint8_t b[4];
    if (!readBytes(f, b, 4))
        return false;
    *v = leRead32(b);
    return true;
}

bool writeU8(VFile* f, uint8_t v)
{
    return vfsWrite(f, &v, 1) == 1;
}
bool writeU16(VFile* f, uint16_t v)
{
    uint8_t b[2];
    leWrite16(b, v);
    return vfsWrite(f, b, 2) == 2;
}
bool writeU32(VFile* f, uint32_t v)
{
    uint8_t b[4];
    leWrite32(b, v);
    return vfsWrite(f, b, 4) == 4;
}

// Bytes left to read; 0 when a seek went past the end of the file.
uint32_t remaining(VFile* f)
{
    uint32_t size = vfsSize(f), pos = vfsTell(f);
    return pos < size ? size - pos : 0;
}

// Decodes a file's pixels into a surface of its own format, and converts it to
// the wanted format when that differs.
SURFACE* convertTo(SURFACE* s, uint32_t format)
{
    if (!s || !format || s->format == format)
        return s;
    SURFACE* c = sfConvert(s, format);
    sfDestroy(s);
    return c;
}

// ---- TGA -----------------------------------------------------------------------------------------

struct TgaRead {
    TGAHEADER h;
    uint32_t srcFormat;    // pixel format of the file's pixels
    uint32_t entryFormat;  // colour-map entries ("555" or "888")
    int pixelBytes;
    std::vector<uint8_t> data;  // everything after the colour map
    size_t pos;
};

void logField(const char* label, int value, bool oneByte)
{
    logWrite(label, 0);
    if (oneByte) {
        int8_t v = static_cast<int8_t>(value);
        logWrite(&v, LOG_INT8 | LOG_EOL);
    } else {
        int16_t v = static_cast<int16_t>(value);
        logWrite(&v, LOG_INT16 | LOG_EOL);
    }
}

void tgaFail(const char16_t* name, const TGAHEADER* h)
{
    logWrite("sfLoadTGA failed for ", 0);
    logWrite(name, LOG_WIDE | LOG_EOL);
    tgaLogHeader(h, nullptr);
}

// The source format from the header; false (with an assertion) for variants not read.
bool tgaKind(TgaRead* t)
{
    const TGAHEADER& h = t->h;
    if (h.nImgType != 1 && h.nImgType != 2 && h.nImgType != 9 && h.nImgType != 10) {
        assertReport("TobexLib/src/TobexGfx", __LINE__, "sfLoadTGA: unsupported image type", 0);
        return false;
    }
    bool mapped = h.nImgType == 1 || h.nImgType == 9;
    if (mapped) {
        t->srcFormat = PF_PALETTE;
        t->pixelBytes = 1;
        t->entryFormat = h.nCMapSize == 16 ? PF_555 : h.nCMapSize == 24 ? PF_888 : PF_UNDEFINED;
        if (!t->entryFormat || h.nPixSize != 8) {
            assertReport("TobexLib/src/TobexGfx", __LINE__, "sfLoadTGA: unsupported colour map", 0);
            return false;
        }
        return true;
    }
    t->srcFormat = h.nPixSize == 16   ? PF_555
                   : h.nPixSize == 24 ? PF_888
                   : h.nPixSize == 32 ? PF_8888
                                      : PF_UNDEFINED;
    t->pixelBytes = h.nPixSize / 8;
    if (!t->srcFormat) {
        assertReport("TobexLib/src/TobexGfx", __LINE__, "sfLoadTGA: unsupported pixel size", 0);
        return false;
    }
    return true;
}

bool tgaTake(TgaRead* t, uint32_t* v)
{
    if (t->data.size() - t->pos < static_cast<size_t>(t->pixelBytes))
        return false;
    const uint8_t* p = t->data.data() + t->pos;
    t->pos += t->pixelBytes;
    switch (t->pixelBytes) {
    case 1:
        *v = p[0];
        break;
    case 2:
        *v = leRead16(p) & 0x7FFF;
        break;
    case 3:
        *v = leRead24(p);
        break;
    default:
        *v = leRead32(p);
        break;
    }
    return true;
}

// Walks the pixel positions in file order, x wrapping to its start row by row.
struct TgaCursor {
    int x, y, x0, dx, dy, w, h;
    bool done() const
    {
        return y < 0 || y >= h;
    }
    void advance()
    {
        x += dx;
        if (x < 0 || x >= w) {
            x = x0;
            y += dy;
        }
    }
};

bool tgaPixels(TgaRead* t, SURFACE* target, const PALETTE* pal)
{
    const TGAHEADER& h = t->h;
    bool rightToLeft = h.descriptor & 0x10, topDown = h.descriptor & 0x20;
    TgaCursor c = {rightToLeft ? h.nWidth - 1 : 0,
                   topDown ? 0 : h.nHeight - 1,
                   rightToLeft ? h.nWidth - 1 : 0,
                   rightToLeft ? -1 : 1,
                   topDown ? 1 : -1,
                   h.nWidth,
                   h.nHeight};
    bool same =
        t->srcFormat == target->format && !(t->srcFormat == PF_PALETTE && pal && target->palette != pal);
    auto put = [&](uint32_t v) {
        sfPutPixel(target, c.x, c.y, same ? v : colorConvert(v, t->srcFormat, pal, target));
        c.advance();
    };
    bool rle = h.nImgType >= 9;
    uint32_t v;
    while (!c.done()) {
        if (!rle) {
            if (!tgaTake(t, &v))
                return false;
            put(v);
            continue;
        }
        if (t->pos >= t->data.size())
            return false;
        uint8_t head = t->data[t->pos++];
        int n = (head & 0x7F) + 1;
        if (head & 0x80) {
            if (!tgaTake(t, &v))
                return false;
            for (int i = 0; i < n && !c.done(); i++)
                put(v);
        } else {
            for (int i = 0; i < n && !c.done(); i++) {
                if (!tgaTake(t, &v))
                    return false;
                put(v);
            }
        }
    }
    return true;
}

// No allocation the file cannot justify: uncompressed pixels must all be there,
// and an RLE packet of at least 1 + pixel bytes gives at most 128 pixels.
bool tgaSizeJustified(const TgaRead& t)
{
    uint64_t pixels = static_cast<uint64_t>(t.h.nWidth) * t.h.nHeight;
    uint64_t have = t.data.size();
    if (t.h.nImgType >= 9)
        return pixels <= have / (1 + t.pixelBytes) * 128 + 128;
    return pixels * t.pixelBytes <= have;
}

bool tgaReadMap(VFile* f, TgaRead* t, PALETTE* pal)
{
    int entryBytes = t->entryFormat == PF_555 ? 2 : 3;
    uint32_t count = t->h.nCMapLen < 256 ? t->h.nCMapLen : 256;
    pal->count = count;
    PixToRGBFn toRGB = pfOps(t->entryFormat)->toRGB;
    for (uint32_t i = 0; i < count; i++) {
        uint8_t b[3];
        if (!readBytes(f, b, entryBytes))
            return false;
        uint32_t v = entryBytes == 2 ? (leRead16(b) & 0x7FFF) : leRead24(b);
        pal->colors[i] = toRGB(v);
    }
    // Entries beyond 256 are skipped so the pixels are read from where they start.
    int32_t extra = static_cast<int32_t>(t->h.nCMapLen - count) * entryBytes;
    return extra == 0 || vfsSeek(f, extra, 1);
}

SURFACE* tgaTarget(const TgaRead& t, uint32_t format, SURFACE* reuse, bool* created)
{
    *created = false;
    if (reuse && reuse->pixels && !reuse->rle && reuse->format == format && reuse->width == t.h.nWidth &&
        reuse->height == t.h.nHeight && sfAddressingFits(reuse))
        return reuse;
    SURFACE* s = sfCreate(t.h.nWidth, t.h.nHeight, format, false, SF_NO_KEY, nullptr);
    if (!s) {
        assertReport("TobexLib/src/TobexGfx", __LINE__, "sfLoadTGA: cannot create the surface", 0);
        return nullptr;
    }
    *created = true;
    if (reuse && reuse->palette)
        sfSetPalette(s, reuse->palette, false);
    return s;
}

// Steps 2 to 9 of reading an opened TGA file whose header is in t.
SURFACE* tgaDecode(VFile* f, TgaRead* t, uint32_t format, SURFACE* reuse, bool* created)
{
    if (!tgaKind(t))
        return nullptr;
    if (format == 0)
        format = t->srcFormat;
    if (!pfInfo(format) || (t->h.nIDLen && !vfsSeek(f, t->h.nIDLen, 1)))
        return nullptr;
    PALETTE* pal = nullptr;
    bool mapped = t->srcFormat == PF_PALETTE;
    if (mapped) {
        pal = palCreate();
        if (!pal) {
            assertReport("TobexLib/src/TobexGfx", __LINE__, "sfLoadTGA: no memory for the palette", 0);
            return nullptr;
        }
        if (!tgaReadMap(f, t, pal)) {
            memFree(pal);
            return nullptr;
        }
    } else if (t->h.nCMapType == 1) {
        // A true-colour file may still carry a colour map; its bytes are not pixels.
        int32_t mapBytes = t->h.nCMapLen * ((t->h.nCMapSize + 7) / 8);
        if (mapBytes && !vfsSeek(f, mapBytes, 1))
            return nullptr;
    }
    t->data.resize(remaining(f));
    SURFACE* target = nullptr;
    bool ok = vfsTell(f) <= vfsSize(f) &&
              readBytes(f, t->data.data(), static_cast<int32_t>(t->data.size())) && tgaSizeJustified(*t) &&
              (target = tgaTarget(*t, format, reuse, created)) != nullptr;
    if (ok && mapped) {
        if (target->format == PF_PALETTE && !target->palette) {
            sfSetPalette(target, pal, false);
            target->ownsPalette = 1;
        }
        palMap(pal, format, target->palette);
    }
    if (ok) {
        const RECT* clip = gfxSetClip(nullptr);
        ok = tgaPixels(t, target, pal);
        gfxSetClip(clip);
    }
    if (pal && (!target || target->palette != pal))
        memFree(pal);
    if (!ok) {
        if (*created)
            sfDestroy(target);
        *created = false;
        return nullptr;
    }
    SURFACE* screen = gfxGetTarget();
    if (format == PF_PALETTE && target->palette && screen && screen->format)
        palMap(target->palette, screen->format, screen->palette);
    return target;
}

// ---- GSF -----------------------------------------------------------------------------------------

struct GsfFields {
    uint32_t dataSize;
    uint8_t format, flags;
    uint16_t width, height, xPitch, yPitch, xPivot, yPivot;
    uint32_t keycolor;
    uint8_t animType, loop;
    uint32_t frameDelay;
    SfFrames frames;
};

// The frame list is stored as an engine vector: count, element size, then the
// rectangles as four little-endian 32-bit fields each.
bool gsfReadFrames(VFile* f, SfFrames* frames)
{
    if (!vecRead(frames, f))
        return false;
    if (frames->elemSize == SF_FRAME_ELEM)
        return true;
    sfFramesFree(frames);
    return false;
}

bool gsfReadFields(VFile* f, GsfFields* g)
{
    char magic[3];
    uint8_t version;
    return readBytes(f, magic, 3) && !memcmp(magic, GSF_MAGIC, 3) && readU8(f, &version) &&
           version == GSF_VERSION && readU32(f, &g->dataSize) && readU8(f, &g->format) &&
           readU8(f, &g->flags) && readU16(f, &g->width) && readU16(f, &g->height) &&
           readU16(f, &g->xPitch) && readU16(f, &g->yPitch) && readU16(f, &g->xPivot) &&
           readU16(f, &g->yPivot) && readU32(f, &g->keycolor) && readU8(f, &g->animType) &&
           readU8(f, &g->loop) && readU32(f, &g->frameDelay) && gsfReadFrames(f, &g->frames);
}

// True when the stored record can be trusted with its pixel bytes. Besides
// addressing only stored bytes, an unencoded record may not describe more
// pixels than its bytes hold: pitches of 0 (or steps that overlap) would let a
// file of a few bytes stand for a picture of millions of pixels, which every
// later draw or conversion would walk. No writer produces such a record.
bool gsfConsistent(const SURFACE* s)
{
    if (s->rle)
        return sfCheckRLE(s);
    const int64_t rowBytes = sfRowBytes(s->formatInfo, s->width);
    return sfAddressingFits(s) && rowBytes * s->height <= int64_t(s->size);
}

SURFACE* gsfNewSurface(VFile* f, GsfFields* g)
{
    if (!pfInfo(g->format) || g->dataSize == 0 || g->dataSize > static_cast<uint32_t>(SF_MAX_BYTES) ||
        g->dataSize > remaining(f))
        return nullptr;
    SURFACE* s = sfCreate(static_cast<int16_t>(g->width), static_cast<int16_t>(g->height), g->format, true,
                          g->keycolor, nullptr);
    if (!s)
        return nullptr;
    s->rle = g->flags & GSF_FLAG_RLE ? 1 : 0;
    s->rleWideOffsets = g->flags & GSF_FLAG_WIDE ? 1 : 0;
    s->xPitch = static_cast<int16_t>(g->xPitch);
    s->yPitch = static_cast<int16_t>(g->yPitch);
    s->xPivot = static_cast<int16_t>(g->xPivot);
    s->yPivot = static_cast<int16_t>(g->yPivot);
    s->animType = g->animType;
    s->loop = g->loop;
    s->frameDelay = g->frameDelay;
    s->frames = g->frames;
    g->frames = SfFrames{0, 0, SF_FRAME_ELEM, nullptr};
    s->pixels = static_cast<uint8_t*>(memAlloc(static_cast<int32_t>(g->dataSize)));
    s->size = g->dataSize;
    s->ownsPixels = s->pixels ? 1 : 0;
    if (!s->pixels || !readBytes(f, s->pixels, static_cast<int32_t>(g->dataSize)) || !gsfConsistent(s)) {
        sfDestroy(s);
        return nullptr;
    }
    return s;
}

bool gsfFitsReuse(const SURFACE* r, const GsfFields& g)
{
    return r && r->pixels && r->format == g.format && r->width == static_cast<int16_t>(g.width) &&
           r->height == static_cast<int16_t>(g.height) && r->size >= g.dataSize && !r->rle &&
           !(g.flags & GSF_FLAG_RLE) && r->xPitch == static_cast<int16_t>(g.xPitch) &&
           r->yPitch == static_cast<int16_t>(g.yPitch) && g.dataSize > 0;
}

// ---- RAW -----------------------------------------------------------------------------------------

// Side of a square image of n pixels when n is a power of four; 0 otherwise.
int squareSide(uint64_t n)
{
    for (int m = 0; m < 15; m++)
        if (n == static_cast<uint64_t>(1) << (2 * m))
            return 1 << m;
    return 0;
}

bool rawShape(uint32_t size, uint32_t* format, int* side)
{
    if ((*side = squareSide(size)) != 0)
        *format = PF_PALETTE;
    else if (size % 2 == 0 && (*side = squareSide(size / 2)) != 0)
        *format = PF_565;
    else if (size % 3 == 0 && (*side = squareSide(size / 3)) != 0)
        *format = PF_888;
    return *side != 0;
}

bool endsWithNoCase(const char16_t* name, size_t len, const char* ext)
{
    for (int i = 0; i < 4; i++) {
        char16_t c = name[len - 4 + i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(ext[i]))
            return false;
    }
    return true;
}

}

// ---- Diagnostics -------------------------------------------------------------------------------------

bool tgaParseHeader(const uint8_t b[18], TGAHEADER* h)
{
    if (!b || !h)
        return false;
    // The fields in file order (braced initialisers are read left to right).
    ByteReader r = byteReader(b, TGA_HEADER_SIZE);
    *h = TGAHEADER{.nIDLen = brU8(&r),
                   .nCMapType = brU8(&r),
                   .nImgType = brU8(&r),
                   .nCMapOrig = brU16(&r),
                   .nCMapLen = brU16(&r),
                   .nCMapSize = brU8(&r),
                   .nXPos = brU16(&r),
                   .nYPos = brU16(&r),
                   .nWidth = brU16(&r),
                   .nHeight = brU16(&r),
                   .nPixSize = brU8(&r),
                   .descriptor = brU8(&r)};
    return r.ok;
}

void tgaLogHeader(const TGAHEADER* h, const char16_t* name)
{
    if (!h)
        return;
    if (name) {
        logWrite("TGA header for ", 0);
        logWrite(name, LOG_WIDE | LOG_EOL);
    } else {
        logWrite("TGA header:", LOG_EOL);
    }
    logField("\tnIDLen:", h->nIDLen, true);
    logField("\tnCMapType:", h->nCMapType, true);
    logField("\tnImgType:", h->nImgType, true);
    logField("\tnCMapOrig:", h->nCMapOrig, false);
    logField("\tnCMapLen:", h->nCMapLen, false);
    logField("\tnCMapSize:", h->nCMapSize, true);
    logField("\tnXPos:", h->nXPos, false);
    logField("\tnYPos:", h->nYPos, false);
    logField("\tnWidth:", h->nWidth, false);
    logField("\tnHeight:", h->nHeight, false);
    logField("\tnPixSize:", h->nPixSize, true);
}

// ---- Readers ------------------------------------------------------------------------------------------

SURFACE* sfLoadTGA(const char16_t* name, uint32_t format, SURFACE* reuse)
{
    TgaRead t = {};
    VFile* f = name ? vfsOpen(name) : nullptr;
    uint8_t head[TGA_HEADER_SIZE];
    SURFACE* s = nullptr;
    bool created = false;
    if (f && readBytes(f, head, TGA_HEADER_SIZE)) {
        tgaParseHeader(head, &t.h);
        s = tgaDecode(f, &t, format, reuse, &created);
    }
    vfsClose(f);
    if (!s)
        tgaFail(name ? name : u"", &t.h);
    return s;
}

SURFACE* sfLoadGSF(const char16_t* name, uint32_t format, SURFACE* reuse)
{
    VFile* f = name ? vfsOpen(name) : nullptr;
    if (!f)
        return nullptr;
    GsfFields g = {};
    g.frames.elemSize = SF_FRAME_ELEM;
    SURFACE* s = nullptr;
    if (gsfReadFields(f, &g)) {
        uint32_t target = format ? format : reuse ? reuse->format : g.format;
        if (target == g.format && gsfFitsReuse(reuse, g) &&
            readBytes(f, reuse->pixels, static_cast<int32_t>(g.dataSize)))
            s = reuse;
        else if (!gsfFitsReuse(reuse, g) || target != g.format)
            s = convertTo(gsfNewSurface(f, &g), target);
    }
    sfFramesFree(&g.frames);
    vfsClose(f);
    return s;
}

SURFACE* sfLoadRAW(const char16_t* name, uint32_t format, SURFACE* reuse)
{
    VFile* f = name ? vfsOpen(name) : nullptr;
    if (!f)
        return nullptr;
    uint32_t size = vfsSize(f);
    SURFACE* s = nullptr;
    uint32_t rawFormat = 0;
    int side = 0;
    if (reuse && reuse->pixels && !reuse->rle && reuse->size == size && size > 0 && sfAddressingFits(reuse)) {
        if (readBytes(f, reuse->pixels, static_cast<int32_t>(size)))
            s = reuse;
    } else if (rawShape(size, &rawFormat, &side) && size <= static_cast<uint32_t>(SF_MAX_BYTES)) {
        s = sfCreate(side, side, rawFormat, false, SF_NO_KEY, nullptr);
        if (s && (s->size != size || !readBytes(f, s->pixels, static_cast<int32_t>(size)))) {
            sfDestroy(s);
            s = nullptr;
        }
        if (s) {
            s->loop = 0;
            s->frameDelay = 0;
            s = convertTo(s, format);
        }
    }
    vfsClose(f);
    return s;
}

SURFACE* sfLoad(const char16_t* name, uint32_t format, SURFACE* reuse)
{
    size_t len = textLen(name);
    if (!len)
        return nullptr;
    if (len >= 4 && name[len - 4] == u'.') {
        if (endsWithNoCase(name, len, ".tga"))
            return sfLoadTGA(name, format, reuse);
        if (endsWithNoCase(name, len, ".gsf"))
            return sfLoadGSF(name, format, reuse);
        if (endsWithNoCase(name, len, ".raw"))
            return sfLoadRAW(name, format, reuse);
        return nullptr;
    }
    static const char16_t* const kExts[] = {u".gsf", u".tga", u".raw"};
    static SURFACE* (*const kReaders[])(const char16_t*, uint32_t, SURFACE*) = {sfLoadGSF, sfLoadTGA,
                                                                                sfLoadRAW};
    for (int i = 0; i < 3; i++) {
        char16_t full[NAME_BUF];
        if (!textCopy(full, NAME_BUF, name) || !textAppend(full, NAME_BUF, kExts[i]))
            return nullptr;
        if (SURFACE* s = kReaders[i](full, format, reuse))
            return s;
    }
    return nullptr;
}

// ---- Writer -------------------------------------------------------------------------------------------

int sfSaveGSF(const SURFACE* s, const char16_t* name)
{
    if (!s || !s->formatInfo || !name)
        return 0;
    // Only bytes the record really addresses are written: a surface whose pitches
    // reach outside [pixels, pixels + size) (a rotated display) has no file form.
    if (s->pixels && !s->rle && !sfAddressingFits(s))
        return 0;
    VFile* f = vfsCreate(name);
    if (!f)
        return 0;
    uint32_t dataSize = s->pixels ? s->size : 0;
    uint8_t flags = (s->rle ? GSF_FLAG_RLE : 0) | (s->rleWideOffsets ? GSF_FLAG_WIDE : 0);
    int32_t count = s->frames.count > 0 ? s->frames.count : 0;
    bool ok =
        vfsWrite(f, GSF_MAGIC, 3) == 3 && writeU8(f, GSF_VERSION) && writeU32(f, dataSize) &&
        writeU8(f, static_cast<uint8_t>(s->format)) && writeU8(f, flags) &&
        writeU16(f, static_cast<uint16_t>(s->width)) && writeU16(f, static_cast<uint16_t>(s->height)) &&
        writeU16(f, static_cast<uint16_t>(s->xPitch)) && writeU16(f, static_cast<uint16_t>(s->yPitch)) &&
        writeU16(f, static_cast<uint16_t>(s->xPivot)) && writeU16(f, static_cast<uint16_t>(s->yPivot)) &&
        writeU32(f, s->keycolor) && writeU8(f, s->animType) && writeU8(f, s->loop) &&
        writeU32(f, s->frameDelay) && writeU32(f, static_cast<uint32_t>(count)) && writeU32(f, SF_FRAME_ELEM);
    for (int32_t i = 0; ok && i < count; i++) {
        const RECT* r = sfFrame(s, i);
        ok = writeU32(f, static_cast<uint32_t>(r->x)) && writeU32(f, static_cast<uint32_t>(r->y)) &&
             writeU32(f, static_cast<uint32_t>(r->w)) && writeU32(f, static_cast<uint32_t>(r->h));
    }
    if (ok && dataSize)
        ok = vfsWrite(f, s->pixels, static_cast<int32_t>(dataSize)) == static_cast<int32_t>(dataSize);
    vfsClose(f);
    return ok ? 1 : 0;
}
