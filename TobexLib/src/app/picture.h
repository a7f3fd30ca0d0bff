#pragma once
// Pictures written for people to look at: PNG or uncompressed TGA from 8-bit
// RGBA rows. Headless screenshots and `tobex image` both write through here.

#include <stddef.h>
#include <stdint.h>

enum PictureKind {
    PICTURE_NONE = 0,
    PICTURE_PNG = 1,
    PICTURE_TGA = 2,
};

// Receives the encoded bytes in pieces, in order; false stops the writing.
typedef bool (*PictureSink)(void* ctx, const void* bytes, size_t n);

PictureKind pictureKindOf(const char* name);  // by ".png" or ".tga", either case; NONE otherwise
// rgba: height rows of width pixels of 4 bytes (R, G, B, A), top row first.
// alpha: keep the alpha channel (PNG RGBA, 32-bit TGA); otherwise RGB (24-bit TGA).
// False for a bad size or kind, or when the sink refused.
bool pictureWrite(PictureKind kind, const uint8_t* rgba, int width, int height, bool alpha, PictureSink sink,
                  void* ctx);
