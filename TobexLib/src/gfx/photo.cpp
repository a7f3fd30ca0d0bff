// PNG and JPEG decoding through libpng and libjpeg-turbo into RGBA pictures.
//
// Both libraries report errors by longjmp. Each decode therefore runs in one
// function that keeps everything it allocates in a context record owned by its
// caller, so nothing is lost when the library jumps back; no C++ object with a
// destructor lives in those functions.
//
// Declared sizes are checked before pixel memory is allocated: at most
// PHOTO_MAX_PIXELS, and no more than the file's bytes can encode. Deflate never
// expands more than 1032 : 1, and every block of a Huffman-coded JPEG takes at
// least one bit (a DC code), so a small file declaring a huge picture is refused
// as damaged instead of costing a giant allocation.

#include "gfx/photo.h"

// jpeglib.h needs stdio.h first.
// clang-format off
#include <stdio.h>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <png.h>
#include <setjmp.h>
#include <string.h>

#include "app/log.h"
#include "app/text.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

constexpr uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint64_t DEFLATE_MAX_RATIO = 1032;
constexpr uint64_t JPEG_MAX_PIXELS_PER_BYTE = 512;  // 64 pixels per block, one bit each
constexpr uint64_t SIZE_ALLOWANCE = 65536;          // headers and slack beyond the bounds
constexpr int JPEG_MAX_SCANS = 500;                 // a progressive file needs far fewer

void setErr(char* err, int cap, const char* text)
{
    if (err && cap > 0)
        snprintf(err, static_cast<size_t>(cap), "%s", text);
}

// Refuses a declared size beyond the pixel bound or beyond what the file can hold.
bool sizeAcceptable(uint64_t w, uint64_t h, uint64_t encodedBound, char* err, int cap)
{
    char text[PHOTO_ERR_CAP];
    if (w == 0 || h == 0) {
        snprintf(text, sizeof text, "declares an empty picture (%llu x %llu)",
                 static_cast<unsigned long long>(w), static_cast<unsigned long long>(h));
    } else if (w * h > PHOTO_MAX_PIXELS) {
        snprintf(text, sizeof text, "declares %llu x %llu pixels, more than 100 megapixels",
                 static_cast<unsigned long long>(w), static_cast<unsigned long long>(h));
    } else if (encodedBound > 0) {
        snprintf(text, sizeof text, "declares %llu x %llu pixels, far more than its bytes can hold (damaged)",
                 static_cast<unsigned long long>(w), static_cast<unsigned long long>(h));
    } else {
        return true;
    }
    setErr(err, cap, text);
    return false;
}

bool allocPixels(PHOTO* out, int32_t w, int32_t h)
{
    out->rgba = static_cast<uint8_t*>(memAlloc(w * h * 4));
    if (!out->rgba)
        return false;
    out->width = w;
    out->height = h;
    return true;
}

void markOpacity(PHOTO* p)
{
    size_t n = static_cast<size_t>(p->width) * static_cast<size_t>(p->height);
    p->opaque = 1;
    for (size_t i = 0; i < n; i++)
        if (p->rgba[i * 4 + 3] != 255) {
            p->opaque = 0;
            return;
        }
}

// ---- PNG ---------------------------------------------------------------------------------

struct PngContext {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char* err;
    int errCap;
    png_bytep* rows;  // freed by the caller
    PHOTO photo;      // pixels freed by the caller on failure
};

void pngReadData(png_structp png, png_bytep out, size_t n)
{
    auto* c = static_cast<PngContext*>(png_get_io_ptr(png));
    if (n > c->size - c->pos)
        png_error(png, "truncated");
    memcpy(out, c->data + c->pos, n);
    c->pos += n;
}

void pngOnError(png_structp png, png_const_charp msg)
{
    auto* c = static_cast<PngContext*>(png_get_error_ptr(png));
    if (!c->err || !c->err[0])
        setErr(c->err, c->errCap, msg);
    png_longjmp(png, 1);
}

void pngOnWarning(png_structp, png_const_charp) {}

png_voidp pngAlloc(png_structp, png_alloc_size_t n)
{
    return n == 0 || n > 0x7FFFFFFF ? nullptr : memAlloc(static_cast<int32_t>(n));
}

void pngFree(png_structp, png_voidp p)
{
    memFree(p);
}

// The raw (filtered) bytes the picture's rows take before compression.
uint64_t pngRawBytes(png_structp png, png_infop info)
{
    uint64_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    uint64_t bits = static_cast<uint64_t>(png_get_channels(png, info)) * png_get_bit_depth(png, info);
    return h * (1 + (w * bits + 7) / 8);
}

// Reads the header and asks libpng for 8-bit RGBA rows whatever the file holds.
bool pngSetUp(png_structp png, png_infop info, PngContext* c)
{
    png_read_info(png, info);
    uint64_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    bool bomb = pngRawBytes(png, info) > DEFLATE_MAX_RATIO * c->size + SIZE_ALLOWANCE;
    if (!sizeAcceptable(w, h, bomb ? 1 : 0, c->err, c->errCap))
        return false;
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8 bits, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // only where no alpha channel came out
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != w * 4) {
        setErr(c->err, c->errCap, "unsupported PNG pixel layout");
        return false;
    }
    return true;
}

// NOTE: libpng longjmps here on any error; everything allocated is held in c.
bool pngDecodeInto(PngContext* c)
{
    png_structp png =
        png_create_read_struct_2(PNG_LIBPNG_VER_STRING, c, pngOnError, pngOnWarning, c, pngAlloc, pngFree);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        setErr(c->err, c->errCap, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, c, pngReadData);
    bool ok = pngSetUp(png, info, c);
    int32_t w = static_cast<int32_t>(png_get_image_width(png, info)),
            h = static_cast<int32_t>(png_get_image_height(png, info));
    if (ok && (!allocPixels(&c->photo, w, h) ||
               !(c->rows = static_cast<png_bytep*>(memAlloc(h * static_cast<int32_t>(sizeof(png_bytep))))))) {
        setErr(c->err, c->errCap, "out of memory");
        ok = false;
    }
    if (ok) {
        for (int32_t y = 0; y < h; y++)
            c->rows[y] = c->photo.rgba + static_cast<size_t>(y) * static_cast<size_t>(w) * 4;
        png_read_image(png, c->rows);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

bool decodePng(const uint8_t* data, size_t size, PHOTO* out, char* err, int cap)
{
    PngContext c = {
        .data = data, .size = size, .pos = 0, .err = err, .errCap = cap, .rows = nullptr, .photo = {}};
    bool ok = pngDecodeInto(&c);
    memFree(c.rows);
    if (!ok) {
        photoFree(&c.photo);
        return false;
    }
    *out = c.photo;
    return true;
}

// ---- JPEG ----------------------------------------------------------------------------------

struct JpegContext {
    jpeg_error_mgr pub;  // first, so libjpeg's error pointer is the context
    jmp_buf jump;
    char* err;
    int errCap;
    PHOTO photo;  // pixels freed by the caller on failure
};

void jpegFail(j_common_ptr ci, const char* reason)
{
    auto* c = reinterpret_cast<JpegContext*>(ci->err);
    setErr(c->err, c->errCap, reason);
    longjmp(c->jump, 1);
}

void jpegOnError(j_common_ptr ci)
{
    char text[JMSG_LENGTH_MAX];
    ci->err->format_message(ci, text);
    jpegFail(ci, text);
}

// Corrupt or missing entropy data only draws a warning in libjpeg, which then
// fills the rest of the picture with grey; here it is an error.
void jpegOnMessage(j_common_ptr ci, int level)
{
    if (level >= 0)
        return;
    switch (ci->err->msg_code) {
    case JWRN_JPEG_EOF:
        jpegFail(ci, "truncated (premature end of JPEG data)");
        break;
    case JWRN_HUFF_BAD_CODE:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        jpegOnError(ci);
        break;
    default:
        break;
    }
}

void jpegOnProgress(j_common_ptr ci)
{
    if (ci->is_decompressor && reinterpret_cast<j_decompress_ptr>(ci)->input_scan_number > JPEG_MAX_SCANS)
        jpegFail(ci, "too many scans (damaged)");
}

// The smallest decoder scale m/8 that keeps both sides at least the asked size.
int jpegScale(uint32_t w, uint32_t h, int32_t minW, int32_t minH)
{
    if (minW <= 0 && minH <= 0)
        return 8;
    for (int m = 1; m < 8; m++)
        if ((w * m + 7) / 8 >= static_cast<uint32_t>(minW) && (h * m + 7) / 8 >= static_cast<uint32_t>(minH))
            return m;
    return 8;
}

// Turns CMYK rows into RGB in place. Files with an Adobe marker store inverted
// values (255 = no ink), as the programs that write CMYK JPEGs do.
void cmykToRgb(PHOTO* p, bool inverted)
{
    size_t n = static_cast<size_t>(p->width) * static_cast<size_t>(p->height);
    for (size_t i = 0; i < n; i++) {
        uint8_t* px = p->rgba + i * 4;
        uint32_t k = inverted ? px[3] : 255u - px[3];
        for (int ch = 0; ch < 3; ch++) {
            uint32_t v = inverted ? px[ch] : 255u - px[ch];
            px[ch] = static_cast<uint8_t>((v * k + 127) / 255);
        }
        px[3] = 255;
    }
}

// NOTE: libjpeg longjmps here on any error; everything allocated is held in c.
bool jpegDecodeInto(JpegContext* c, const uint8_t* data, size_t size, int32_t minW, int32_t minH)
{
    jpeg_decompress_struct ci;
    jpeg_progress_mgr progress = {};
    ci.err = jpeg_std_error(&c->pub);
    c->pub.error_exit = jpegOnError;
    c->pub.emit_message = jpegOnMessage;
    if (setjmp(c->jump)) {
        jpeg_destroy_decompress(&ci);
        return false;
    }
    jpeg_create_decompress(&ci);
    progress.progress_monitor = jpegOnProgress;
    ci.progress = &progress;
    jpeg_mem_src(&ci, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&ci, TRUE) != JPEG_HEADER_OK)
        jpegFail(reinterpret_cast<j_common_ptr>(&ci), "holds no picture");
    uint64_t w = ci.image_width, h = ci.image_height;
    bool bomb = w * h > JPEG_MAX_PIXELS_PER_BYTE * size + SIZE_ALLOWANCE * 16;
    if (!sizeAcceptable(w, h, bomb ? 1 : 0, c->err, c->errCap)) {
        jpeg_destroy_decompress(&ci);
        return false;
    }
    bool cmyk = ci.jpeg_color_space == JCS_CMYK || ci.jpeg_color_space == JCS_YCCK;
    ci.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    ci.scale_num = static_cast<unsigned>(jpegScale(ci.image_width, ci.image_height, minW, minH));
    ci.scale_denom = 8;
    ci.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&ci);
    if (ci.output_components != 4 || !allocPixels(&c->photo, static_cast<int32_t>(ci.output_width),
                                                  static_cast<int32_t>(ci.output_height)))
        jpegFail(reinterpret_cast<j_common_ptr>(&ci), "out of memory");
    while (ci.output_scanline < ci.output_height) {
        JSAMPROW row = c->photo.rgba + static_cast<size_t>(ci.output_scanline) * ci.output_width * 4;
        jpeg_read_scanlines(&ci, &row, 1);
    }
    if (cmyk)
        cmykToRgb(&c->photo, ci.saw_Adobe_marker);
    jpeg_destroy_decompress(&ci);
    return true;
}

bool decodeJpeg(const uint8_t* data, size_t size, int32_t minW, int32_t minH, PHOTO* out, char* err, int cap)
{
    JpegContext c = {};
    c.err = err;
    c.errCap = cap;
    if (!jpegDecodeInto(&c, data, size, minW, minH)) {
        photoFree(&c.photo);
        return false;
    }
    *out = c.photo;
    return true;
}

// The header of a JPEG, read without decoding any pixel.
bool probeJpeg(const uint8_t* data, size_t size, int32_t* w, int32_t* h, char* err, int cap)
{
    JpegContext c = {};
    c.err = err;
    c.errCap = cap;
    jpeg_decompress_struct ci;
    ci.err = jpeg_std_error(&c.pub);
    c.pub.error_exit = jpegOnError;
    c.pub.emit_message = jpegOnMessage;
    if (setjmp(c.jump)) {
        jpeg_destroy_decompress(&ci);
        return false;
    }
    jpeg_create_decompress(&ci);
    jpeg_mem_src(&ci, data, static_cast<unsigned long>(size));
    bool ok = jpeg_read_header(&ci, TRUE) == JPEG_HEADER_OK;
    *w = static_cast<int32_t>(ci.image_width);
    *h = static_cast<int32_t>(ci.image_height);
    jpeg_destroy_decompress(&ci);
    if (!ok)
        setErr(err, cap, "holds no picture");
    return ok;
}

// The IHDR chunk of a PNG: width and height as big-endian words after the signature.
bool probePng(const uint8_t* data, size_t size, int32_t* w, int32_t* h, char* err, int cap)
{
    if (size < 24 || memcmp(data + 12, "IHDR", 4) != 0) {
        setErr(err, cap, "truncated PNG header");
        return false;
    }
    auto be32 = [](const uint8_t* p) {
        return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    };
    uint32_t pw = be32(data + 16), ph = be32(data + 20);
    if (pw > 0x7FFFFFFF || ph > 0x7FFFFFFF) {
        setErr(err, cap, "damaged PNG header");
        return false;
    }
    *w = static_cast<int32_t>(pw);
    *h = static_cast<int32_t>(ph);
    return true;
}

}

PhotoKind photoSniff(const uint8_t* data, size_t size)
{
    if (size >= sizeof PNG_SIGNATURE && memcmp(data, PNG_SIGNATURE, sizeof PNG_SIGNATURE) == 0)
        return PHOTO_PNG;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return PHOTO_JPEG;
    return PHOTO_UNKNOWN;
}

bool photoProbe(const uint8_t* data, size_t size, int32_t* width, int32_t* height, char* err, int errCap)
{
    switch (photoSniff(data, size)) {
    case PHOTO_PNG:
        return probePng(data, size, width, height, err, errCap);
    case PHOTO_JPEG:
        return probeJpeg(data, size, width, height, err, errCap);
    default:
        setErr(err, errCap, "not a PNG or JPEG picture");
        return false;
    }
}

bool photoDecode(const uint8_t* data, size_t size, int32_t minWidth, int32_t minHeight, PHOTO* out, char* err,
                 int errCap)
{
    setErr(err, errCap, "");
    *out = {};
    bool ok = false;
    switch (photoSniff(data, size)) {
    case PHOTO_PNG:
        ok = decodePng(data, size, out, err, errCap);
        break;
    case PHOTO_JPEG:
        ok = decodeJpeg(data, size, minWidth, minHeight, out, err, errCap);
        break;
    default:
        setErr(err, errCap, "not a PNG or JPEG picture");
        return false;
    }
    if (ok)
        markOpacity(out);
    else if (err && errCap > 0 && !err[0])
        setErr(err, errCap, "cannot be decoded");
    return ok;
}

void photoFree(PHOTO* p)
{
    if (!p)
        return;
    memFree(p->rgba);
    *p = {};
}

uint8_t* photoReadFile(const char16_t* name, uint32_t* size)
{
    VFile* f = vfsOpen(name);
    if (!f)
        return nullptr;
    uint32_t n = vfsSize(f);
    uint8_t* data =
        n > 0 && n <= 0x7FFFFFFF ? static_cast<uint8_t*>(memAlloc(static_cast<int32_t>(n))) : nullptr;
    if (data && vfsReadAll(f, data) != static_cast<int32_t>(n)) {
        memFree(data);
        data = nullptr;
    }
    vfsClose(f);
    *size = data ? n : 0;
    return data;
}

SURFACE* sfFromPhoto(const PHOTO* p, uint32_t format)
{
    uint32_t own = p->opaque ? PF_888 : PF_8888;
    SURFACE* s = sfCreate(p->width, p->height, own, false, SF_NO_KEY, nullptr);
    if (!s)
        return nullptr;
    int bpp = own == PF_888 ? 3 : 4;
    for (int32_t y = 0; y < p->height; y++) {
        const uint8_t* src = p->rgba + static_cast<size_t>(y) * static_cast<size_t>(p->width) * 4;
        uint8_t* dst = sfPixelAddr(s, 0, y);
        for (int32_t x = 0; x < p->width; x++, src += 4, dst += bpp) {
            dst[0] = src[2];  // pixels are little-endian 0x(AA)RRGGBB values
            dst[1] = src[1];
            dst[2] = src[0];
            if (bpp == 4)
                dst[3] = src[3];
        }
    }
    if (!format || format == own)
        return s;
    SURFACE* c = sfConvert(s, format);
    sfDestroy(s);
    return c;
}

SURFACE* sfLoadPhoto(const char16_t* name, uint32_t format, char* err, int errCap)
{
    char reason[PHOTO_ERR_CAP] = "cannot be read";
    uint32_t size = 0;
    uint8_t* data = photoReadFile(name, &size);
    PHOTO p = {};
    SURFACE* s = nullptr;
    if (data && photoDecode(data, size, 0, 0, &p, reason, sizeof reason)) {
        s = sfFromPhoto(&p, format);
        if (!s)
            snprintf(reason, sizeof reason, "%d x %d pixels is beyond what a surface may hold", p.width,
                     p.height);
    }
    photoFree(&p);
    memFree(data);
    if (!s) {
        logWrite("sfLoadPhoto failed for ", 0);
        logWrite(name, LOG_WIDE);
        logWrite(": ", 0);
        logWrite(reason, LOG_EOL);
        setErr(err, errCap, reason);
    }
    return s;
}
