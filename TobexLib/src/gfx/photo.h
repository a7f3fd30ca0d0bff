#pragma once
// Photographs: PNG and JPEG pictures decoded through libpng and libjpeg-turbo
// into plain 8-bit RGBA pixels, resampled with a separable Lanczos filter, and
// turned into surfaces.
//
// The decoders trust no size a file declares: a picture of more than
// PHOTO_MAX_PIXELS, or one that declares far more pixels than its bytes can
// encode, is refused before any pixel memory is allocated.

#include <stddef.h>
#include <stdint.h>

#include "gfx/surface.h"

constexpr uint32_t PHOTO_MAX_PIXELS = 100000000;  // 100 megapixels
constexpr int PHOTO_ERR_CAP = 160;                // room for a decoder's one-line reason

enum PhotoKind {
    PHOTO_UNKNOWN = 0,
    PHOTO_PNG = 1,
    PHOTO_JPEG = 2,
};

struct PHOTO {
    int32_t width, height;
    uint8_t* rgba;   // height rows of width * 4 bytes (R, G, B, A); owned, from memAlloc
    uint8_t opaque;  // 1 when every alpha byte is 255
};

// ---- Decoding --------------------------------------------------------------------------
PhotoKind photoSniff(const uint8_t* data, size_t size);  // by the file's signature bytes
// The declared size of a PNG or JPEG without decoding it; false (with err) when the
// header cannot be read.
bool photoProbe(const uint8_t* data, size_t size, int32_t* width, int32_t* height, char* err, int errCap);
// Decodes a PNG or JPEG held in memory into out (which must be empty). A JPEG may
// be shrunk by its decoder by a factor of 1/8 .. 7/8 as long as both sides stay at
// least minWidth x minHeight (0, 0: full size). On failure out stays empty and err
// holds a reason such as "truncated" or "declares 9000 x 9000 pixels".
bool photoDecode(const uint8_t* data, size_t size, int32_t minWidth, int32_t minHeight, PHOTO* out, char* err,
                 int errCap);
void photoFree(PHOTO* p);  // releases the pixels; the record is emptied

// ---- Resampling -------------------------------------------------------------------------
// The largest rectangle of aspect ratio aspectW : aspectH centred in a picture of
// width x height (at least 1 x 1).
RECT photoCentreCrop(int32_t width, int32_t height, int32_t aspectW, int32_t aspectH);
// Resamples the crop rectangle of src to dstWidth x dstHeight into out (which must
// be empty) with a Lanczos-3 filter widened by the shrink factor, so shrinking
// averages every source pixel; colours are weighted by alpha. False on bad
// arguments or no memory.
bool photoResample(const PHOTO* src, const RECT* crop, int32_t dstWidth, int32_t dstHeight, PHOTO* out);

// ---- Surfaces ----------------------------------------------------------------------------
// A surface of the picture: "888" when it is opaque, else "8888", converted to
// format unless that is 0. Null when the picture is beyond the surface bounds.
SURFACE* sfFromPhoto(const PHOTO* p, uint32_t format);
// Reads a PNG or JPEG file through the file system (the kind is taken from its
// bytes, not its name). Logs "sfLoadPhoto failed for NAME: reason" on failure and
// copies the reason into err when given.
SURFACE* sfLoadPhoto(const char16_t* name, uint32_t format, char* err, int errCap);
// Reads a whole file through the file system into a memAlloc block; null when the
// file is missing, empty or cannot be read.
uint8_t* photoReadFile(const char16_t* name, uint32_t* size);
