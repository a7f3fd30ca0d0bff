// Resampling of RGBA pictures: a separable Lanczos-3 filter in floating point,
// and the centre crop that fits a picture to a wanted aspect ratio.
//
// When shrinking, the kernel is widened by the shrink factor, so every source
// pixel contributes (an area-weighted low-pass, never a pick of pixels). Near the
// edges the kernel is cut at the picture's border and its weights renormalised.
// Colours are weighted by alpha on the way in and divided by it on the way out,
// so transparent pixels never bleed their colour into their neighbours.

#include <math.h>

#include <vector>

#include "gfx/photo.h"
#include "vfs/mem.h"

namespace {

constexpr double LANCZOS_LOBES = 3.0;

double lanczos(double x)
{
    x = fabs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= LANCZOS_LOBES)
        return 0.0;
    double px = M_PI * x;
    return LANCZOS_LOBES * sin(px) * sin(px / LANCZOS_LOBES) / (px * px);
}

// Filter taps of one axis: output i reads count taps from source index first[i].
struct Taps {
    int stride = 0;  // taps reserved per output
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<float> weight;  // stride per output
};

Taps makeTaps(int32_t srcStart, int32_t srcLen, int32_t dstLen)
{
    Taps t;
    double scale = static_cast<double>(srcLen) / dstLen;
    double widen = scale > 1.0 ? scale : 1.0;
    double support = LANCZOS_LOBES * widen;
    t.stride = static_cast<int>(ceil(support)) * 2 + 2;
    t.first.resize(static_cast<size_t>(dstLen));
    t.count.resize(static_cast<size_t>(dstLen));
    t.weight.assign(static_cast<size_t>(dstLen) * static_cast<size_t>(t.stride), 0.0f);
    std::vector<double> w(static_cast<size_t>(t.stride));
    for (int32_t i = 0; i < dstLen; i++) {
        double centre = (i + 0.5) * scale;
        int32_t lo = static_cast<int32_t>(floor(centre - support)),
                hi = static_cast<int32_t>(ceil(centre + support));
        lo = lo < 0 ? 0 : lo;
        hi = hi > srcLen ? srcLen : hi;
        if (hi - lo > t.stride)
            hi = lo + t.stride;
        double sum = 0;
        for (int32_t j = lo; j < hi; j++)
            sum += w[static_cast<size_t>(j - lo)] = lanczos((j + 0.5 - centre) / widen);
        if (fabs(sum) < 1e-12) {  // only possible for a degenerate source: take the nearest pixel
            lo = static_cast<int32_t>(centre) < srcLen ? static_cast<int32_t>(centre) : srcLen - 1;
            hi = lo + 1;
            w[0] = sum = 1.0;
        }
        t.first[static_cast<size_t>(i)] = srcStart + lo;
        t.count[static_cast<size_t>(i)] = hi - lo;
        for (int32_t j = 0; j < hi - lo; j++)
            t.weight[static_cast<size_t>(i) * static_cast<size_t>(t.stride) + static_cast<size_t>(j)] =
                static_cast<float>(w[static_cast<size_t>(j)] / sum);
    }
    return t;
}

// Four floats (R, G, B, A) handled as one vector, so each tap is one
// multiply-add on every target that has 128-bit vectors.
typedef float Px __attribute__((vector_size(16)));

// The crop's part of one source row as alpha-weighted floats.
void loadRow(const uint8_t* row, int32_t x0, int32_t n, bool opaque, Px* out)
{
    const uint8_t* p = row + static_cast<size_t>(x0) * 4;
    for (int32_t i = 0; i < n; i++, p += 4) {
        float a = opaque ? 1.0f : p[3] * (1.0f / 255.0f);
        out[i] = Px{p[0] * a, p[1] * a, p[2] * a, static_cast<float>(p[3])};
    }
}

// One source row filtered horizontally into dstWidth pixels.
void filterRow(const Px* row, int32_t x0, const Taps& tx, int32_t dstWidth, Px* out)
{
    for (int32_t x = 0; x < dstWidth; x++) {
        const Px* p = row + (tx.first[static_cast<size_t>(x)] - x0);
        const float* w = &tx.weight[static_cast<size_t>(x) * static_cast<size_t>(tx.stride)];
        Px acc = {0, 0, 0, 0};
        for (int32_t k = 0; k < tx.count[static_cast<size_t>(x)]; k++)
            acc += p[k] * w[k];
        out[x] = acc;
    }
}

uint8_t toByte(float v)
{
    return v <= 0.0f ? 0 : v >= 255.0f ? 255 : static_cast<uint8_t>(v + 0.5f);
}

// Filters the columns of the intermediate rows into output row y.
void filterColumn(const std::vector<Px>& rows, const Taps& ty, int32_t y, int32_t dstWidth, int32_t rowStart,
                  std::vector<Px>& acc, uint8_t* out)
{
    const float* w = &ty.weight[static_cast<size_t>(y) * static_cast<size_t>(ty.stride)];
    acc.assign(static_cast<size_t>(dstWidth), Px{0, 0, 0, 0});
    for (int32_t k = 0; k < ty.count[static_cast<size_t>(y)]; k++) {
        const Px* src = &rows[static_cast<size_t>(ty.first[static_cast<size_t>(y)] + k - rowStart) *
                              static_cast<size_t>(dstWidth)];
        for (int32_t x = 0; x < dstWidth; x++)
            acc[static_cast<size_t>(x)] += src[x] * w[k];
    }
    for (int32_t x = 0; x < dstWidth; x++) {
        Px c = acc[static_cast<size_t>(x)];
        float unweight = c[3] > 0.5f ? 255.0f / c[3] : 1.0f;
        for (int ch = 0; ch < 3; ch++)
            out[x * 4 + ch] = toByte(c[ch] * unweight);
        out[x * 4 + 3] = toByte(c[3]);
    }
}

}

RECT photoCentreCrop(int32_t width, int32_t height, int32_t aspectW, int32_t aspectH)
{
    RECT r = {0, 0, width, height};
    if (width < 1 || height < 1 || aspectW < 1 || aspectH < 1)
        return r;
    if (static_cast<int64_t>(width) * aspectH > static_cast<int64_t>(height) * aspectW) {
        r.w = static_cast<int32_t>((static_cast<int64_t>(height) * aspectW * 2 + aspectH) /
                                   (2 * static_cast<int64_t>(aspectH)));
        r.w = r.w < 1 ? 1 : r.w;
        r.x = (width - r.w) / 2;
    } else {
        r.h = static_cast<int32_t>((static_cast<int64_t>(width) * aspectH * 2 + aspectW) /
                                   (2 * static_cast<int64_t>(aspectW)));
        r.h = r.h < 1 ? 1 : r.h;
        r.y = (height - r.h) / 2;
    }
    return r;
}

bool photoResample(const PHOTO* src, const RECT* crop, int32_t dstWidth, int32_t dstHeight, PHOTO* out)
{
    *out = {};
    if (!src->rgba || dstWidth < 1 || dstHeight < 1 || crop->w < 1 || crop->h < 1 || crop->x < 0 ||
        crop->y < 0 || crop->x + crop->w > src->width || crop->y + crop->h > src->height ||
        static_cast<int64_t>(dstWidth) * dstHeight > PHOTO_MAX_PIXELS)
        return false;
    Taps tx = makeTaps(crop->x, crop->w, dstWidth);
    Taps ty = makeTaps(crop->y, crop->h, dstHeight);
    // Only the source rows some output row reads are filtered horizontally.
    int32_t rowStart = ty.first.front();
    int32_t rowEnd = ty.first.back() + ty.count.back();
    std::vector<Px> rows(static_cast<size_t>(rowEnd - rowStart) * static_cast<size_t>(dstWidth));
    std::vector<Px> line(static_cast<size_t>(crop->w));
    bool opaque = src->opaque != 0;
    for (int32_t y = rowStart; y < rowEnd; y++) {
        loadRow(src->rgba + static_cast<size_t>(y) * static_cast<size_t>(src->width) * 4, crop->x, crop->w,
                opaque, line.data());
        filterRow(line.data(), crop->x, tx, dstWidth,
                  &rows[static_cast<size_t>(y - rowStart) * static_cast<size_t>(dstWidth)]);
    }
    out->rgba = static_cast<uint8_t*>(memAlloc(dstWidth * dstHeight * 4));
    if (!out->rgba)
        return false;
    out->width = dstWidth;
    out->height = dstHeight;
    out->opaque = src->opaque;
    std::vector<Px> acc;
    for (int32_t y = 0; y < dstHeight; y++)
        filterColumn(rows, ty, y, dstWidth, rowStart, acc,
                     out->rgba + static_cast<size_t>(y) * static_cast<size_t>(dstWidth) * 4);
    return true;
}
