// Row kernels into "565" destinations with SSE2: eight pixels per step in
// 16-bit lanes, where the compiler alone widens to 32-bit lanes and loses half
// the width. Each kernel ends with the same formula in scalar form for the
// last pixels of a row, so the results are exactly those of the reference.
// The "8888" conversion also has an AVX2 form, sixteen pixels per step, used
// where the processor has it.

#include "gfx/blit565.h"

#include <string.h>

#include "gfx/rowcopy.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TOBEX_AVX2 __attribute__((target("avx2")))
#endif

namespace {

uint16_t load16(const uint8_t* p)
{
    uint16_t v;
    memcpy(&v, p, 2);
    return v;
}

void store16(uint8_t* p, uint32_t v)
{
    uint16_t w = static_cast<uint16_t>(v);
    memcpy(p, &w, 2);
}

uint32_t load32(const uint8_t* p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

uint32_t alphaScalar(uint32_t d, uint32_t s, uint32_t a)
{
    uint32_t ia = 256 - a;
    uint32_t r = ((s >> 11) * a + (d >> 11) * ia) >> 8;
    uint32_t g = (((s >> 5) & 63) * a + ((d >> 5) & 63) * ia) >> 8;
    uint32_t b = ((s & 31) * a + (d & 31) * ia) >> 8;
    return r << 11 | g << 5 | b;
}

uint32_t addScalar(uint32_t d, uint32_t s, uint32_t a)
{
    uint32_t r = (((s >> 11) * a) >> 8) + (d >> 11);
    uint32_t g = ((((s >> 5) & 63) * a) >> 8) + ((d >> 5) & 63);
    uint32_t b = (((s & 31) * a) >> 8) + (d & 31);
    return (r > 31 ? 31 : r) << 11 | (g > 63 ? 63 : g) << 5 | (b > 31 ? 31 : b);
}

uint32_t from8888Scalar(uint32_t v)
{
    uint32_t r = ((v >> 16) & 255) * 7968 >> 16;
    uint32_t g = ((v >> 8) & 255) * 16192 >> 16;
    uint32_t b = (v & 255) * 7968 >> 16;
    return r << 11 | g << 5 | b;
}

#if defined(__SSE2__)
__m128i loadu(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
void storeu(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// d where the key matched, else v.
__m128i keep(__m128i mask, __m128i d, __m128i v)
{
    return _mm_or_si128(_mm_and_si128(mask, d), _mm_andnot_si128(mask, v));
}

__m128i blendAlpha(__m128i s, __m128i d, __m128i a, __m128i ia)
{
    const __m128i m6 = _mm_set1_epi16(63), m5 = _mm_set1_epi16(31);
    __m128i r = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(s, 11), a), _mm_mullo_epi16(_mm_srli_epi16(d, 11), ia)),
        8);
    __m128i g = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(s, 5), m6), a),
                                             _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(d, 5), m6), ia)),
                               8);
    __m128i b = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(s, m5), a), _mm_mullo_epi16(_mm_and_si128(d, m5), ia)),
        8);
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 11), _mm_slli_epi16(g, 5)), b);
}

__m128i blendAdd(__m128i s, __m128i d, __m128i a)
{
    const __m128i m6 = _mm_set1_epi16(63), m5 = _mm_set1_epi16(31);
    __m128i r = _mm_min_epi16(
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_srli_epi16(s, 11), a), 8), _mm_srli_epi16(d, 11)),
        m5);
    __m128i g = _mm_min_epi16(
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(s, 5), m6), a), 8),
                      _mm_and_si128(_mm_srli_epi16(d, 5), m6)),
        m6);
    __m128i b = _mm_min_epi16(
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(s, m5), a), 8), _mm_and_si128(d, m5)), m5);
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 11), _mm_slli_epi16(g, 5)), b);
}

// Four "8888" pixels to "565" in the low halves of 32-bit lanes, sign-extended
// for packing. Channels are scaled with floor(c * 7968 / 65536) = floor(c * 31 / 255)
// and floor(c * 16192 / 65536) = floor(c * 63 / 255), exact for 0 <= c <= 255:
// blue and red sit in the two 16-bit halves of each lane and share one multiply.
__m128i convert4(__m128i p)
{
    const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF), byte = _mm_set1_epi32(0xFF);
    __m128i br = _mm_mulhi_epu16(_mm_and_si128(p, lowBytes), _mm_set1_epi16(7968));
    __m128i g = _mm_mulhi_epu16(_mm_and_si128(_mm_srli_epi32(p, 8), byte), _mm_set1_epi16(16192));
    __m128i v = _mm_or_si128(_mm_or_si128(br, _mm_slli_epi32(g, 5)), _mm_srli_epi32(br, 5));
    return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
}
#endif

#if defined(TOBEX_AVX2)
TOBEX_AVX2 __m256i load256(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Eight "8888" pixels to "565" in the low halves of 32-bit lanes, the high
// halves zero: the scaling of convert4, then red moved down from the top half.
TOBEX_AVX2 __m256i convert8(__m256i p)
{
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF), byte = _mm256_set1_epi32(0xFF);
    __m256i br = _mm256_mulhi_epu16(_mm256_and_si256(p, lowBytes), _mm256_set1_epi16(7968));
    __m256i g = _mm256_mulhi_epu16(_mm256_and_si256(_mm256_srli_epi32(p, 8), byte), _mm256_set1_epi16(16192));
    __m256i b = _mm256_and_si256(br, _mm256_set1_epi32(31));
    return _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(br, 5), b), _mm256_slli_epi32(g, 5));
}

// Sixteen 32-bit lanes to sixteen 16-bit ones in order (the pack works within
// 128-bit halves, the permute puts the quarters back in order).
TOBEX_AVX2 __m256i pack16(__m256i lo, __m256i hi)
{
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(lo, hi), 0xD8);
}
#endif

}

namespace {

template <int Op, bool Keyed>
void row565As(const Row565& r)
{
    const int w = r.w;
    const uint8_t* s = r.src;
    uint8_t* d = r.dst;
    const uint32_t a = r.alpha, key = r.key;
    int i = 0;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(static_cast<short>(a)),
                  via = _mm_set1_epi16(static_cast<short>(256 - a));
    const __m128i vk = _mm_set1_epi16(static_cast<short>(key));
    for (; i + 8 <= w; i += 8) {
        __m128i sv = loadu(s + 2 * i), dv = loadu(d + 2 * i);
        __m128i out = Op == OP565_KEY     ? sv
                      : Op == OP565_ALPHA ? blendAlpha(sv, dv, va, via)
                                          : blendAdd(sv, dv, va);
        if (Keyed)
            out = keep(_mm_cmpeq_epi16(sv, vk), dv, out);
        storeu(d + 2 * i, out);
    }
#endif
    for (; i < w; i++) {
        uint32_t sv = load16(s + 2 * i), dv = load16(d + 2 * i);
        uint32_t out = Op == OP565_KEY     ? sv
                       : Op == OP565_ALPHA ? alphaScalar(dv, sv, a)
                                           : addScalar(dv, sv, a);
        store16(d + 2 * i, Keyed && sv == key ? dv : out);
    }
}

#if defined(TOBEX_AVX2)
// Sixteen pixels per step, the last step of a row overlapping the one before
// it (a row narrower than 16 pixels is left to the SSE2 kernel). With Stream
// (16-byte aligned destination rows) whole steps go out with streaming stores.
template <bool Keyed, bool Stream>
TOBEX_AVX2 void rows8888Avx2(const Row565& r, int h, ptrdiff_t srcPitch, ptrdiff_t dstPitch)
{
    const int w = r.w;
    const __m256i vk = _mm256_set1_epi32(static_cast<int>(r.key));
    const uint8_t* s = r.src;
    uint8_t* d = r.dst;
    for (int y = 0; y < h; y++, s += srcPitch, d += dstPitch) {
        for (int i = 0; i < w; i += 16) {
            bool last = i + 16 > w;
            int at = last ? w - 16 : i;
            __m256i lo = load256(s + 4 * at), hi = load256(s + 4 * at + 32);
            __m256i out = pack16(convert8(lo), convert8(hi));
            if (Keyed) {
                // Key matches pack to 0xFFFF lanes; those keep the destination.
                __m256i m = pack16(_mm256_srli_epi32(_mm256_cmpeq_epi32(lo, vk), 16),
                                   _mm256_srli_epi32(_mm256_cmpeq_epi32(hi, vk), 16));
                out = _mm256_blendv_epi8(out, load256(d + 2 * at), m);
            }
            __m256i* p = reinterpret_cast<__m256i*>(d + 2 * at);
            if (Stream && !last) {
                _mm_stream_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(out));
                _mm_stream_si128(reinterpret_cast<__m128i*>(p) + 1, _mm256_extracti128_si256(out, 1));
            } else {
                _mm256_storeu_si256(p, out);
            }
        }
    }
    if (Stream)
        _mm_sfence();
}
#endif

template <bool Keyed>
void row8888As(const Row565& r)
{
    const int w = r.w;
    const uint8_t* s = r.src;
    uint8_t* d = r.dst;
    const uint32_t key = r.key;
    int i = 0;
#if defined(__SSE2__)
    const __m128i vk = _mm_set1_epi32(static_cast<int>(key));
    for (; i + 8 <= w; i += 8) {
        __m128i lo = loadu(s + 4 * i), hi = loadu(s + 4 * i + 16);
        __m128i out = _mm_packs_epi32(convert4(lo), convert4(hi));
        if (Keyed) {
            __m128i m = _mm_packs_epi32(_mm_cmpeq_epi32(lo, vk), _mm_cmpeq_epi32(hi, vk));
            out = keep(m, loadu(d + 2 * i), out);
        }
        storeu(d + 2 * i, out);
    }
#endif
    for (; i < w; i++) {
        uint32_t sv = load32(s + 4 * i);
        if (!(Keyed && sv == key))
            store16(d + 2 * i, from8888Scalar(sv));
    }
}

}

void row565(const Row565& r)
{
    switch (r.op * 2 + (r.keyed ? 1 : 0)) {
    case OP565_KEY * 2 + 1:
        return row565As<OP565_KEY, true>(r);
    case OP565_ALPHA * 2:
        return row565As<OP565_ALPHA, false>(r);
    case OP565_ALPHA * 2 + 1:
        return row565As<OP565_ALPHA, true>(r);
    case OP565_ADD * 2:
        return row565As<OP565_ADD, false>(r);
    case OP565_ADD * 2 + 1:
        return row565As<OP565_ADD, true>(r);
    default:
        return row565As<OP565_KEY, false>(r);
    }
}

void row8888To565(const Row565& r)
{
    r.keyed ? row8888As<true>(r) : row8888As<false>(r);
}

void rows8888To565(const Row565& r, int h, ptrdiff_t srcPitch, ptrdiff_t dstPitch)
{
#if defined(TOBEX_AVX2)
    if (cpuAvx2() && r.w >= 16) {
        // A destination larger than the cache is streamed (keyed copies read it, so they are not).
        bool stream = !r.keyed && static_cast<size_t>(r.w) * 2 * static_cast<size_t>(h) >= kStreamBytes &&
                      (reinterpret_cast<uintptr_t>(r.dst) & 15) == 0 && (dstPitch & 15) == 0;
        if (stream)
            rows8888Avx2<false, true>(r, h, srcPitch, dstPitch);
        else if (r.keyed)
            rows8888Avx2<true, false>(r, h, srcPitch, dstPitch);
        else
            rows8888Avx2<false, false>(r, h, srcPitch, dstPitch);
        return;
    }
#endif
    Row565 row = r;
    for (int y = 0; y < h; y++, row.src += srcPitch, row.dst += dstPitch)
        row8888To565(row);
}

void row888To565(const Row565& r)
{
    const int w = r.w;
    const uint8_t* s = r.src;
    uint8_t* d = r.dst;
    int i = 0;
    // Four three-byte pixels are three 32-bit words.
    for (; i + 4 <= w; i += 4) {
        uint32_t a = load32(s + 3 * i), b = load32(s + 3 * i + 4), c = load32(s + 3 * i + 8);
        uint64_t v = static_cast<uint64_t>(from8888Scalar(a)) |
                     static_cast<uint64_t>(from8888Scalar(a >> 24 | b << 8)) << 16 |
                     static_cast<uint64_t>(from8888Scalar(b >> 16 | c << 16)) << 32 |
                     static_cast<uint64_t>(from8888Scalar(c >> 8)) << 48;
        memcpy(d + 2 * i, &v, 8);
    }
    for (; i < w; i++)
        store16(d + 2 * i, from8888Scalar(s[3 * i] | s[3 * i + 1] << 8 | s[3 * i + 2] << 16));
}

void rowLut565(const Row565& r, const uint16_t* lut)
{
    const int w = r.w;
    const uint8_t* s = r.src;
    uint8_t* d = r.dst;
    if (!r.keyed) {
        int i = 0;
        for (; i + 4 <= w; i += 4) {
            uint64_t v = static_cast<uint64_t>(lut[s[i]]) | static_cast<uint64_t>(lut[s[i + 1]]) << 16 |
                         static_cast<uint64_t>(lut[s[i + 2]]) << 32 |
                         static_cast<uint64_t>(lut[s[i + 3]]) << 48;
            memcpy(d + 2 * i, &v, 8);
        }
        for (; i < w; i++)
            store16(d + 2 * i, lut[s[i]]);
        return;
    }
    for (int i = 0; i < w; i++)
        if (s[i] != r.key)
            store16(d + 2 * i, lut[s[i]]);
}
