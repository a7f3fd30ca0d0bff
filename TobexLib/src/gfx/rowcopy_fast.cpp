// Row copies for the same-format fast paths. A call to memcpy per row costs
// as much as the copy itself for screen-sized rows, so rows are copied here
// with inline vector moves: 32 bytes at a time with AVX2, 16 with SSE2, the
// last piece of a row as one vector that overlaps the piece before it. A copy
// larger than the cache goes out with streaming stores, which skip the read
// of every destination line a plain store makes and keep the cache for what
// the frame still needs.

#include "gfx/rowcopy.h"

#include <string.h>

#include "gfx/blit.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TOBEX_X86  1
#define TOBEX_AVX2 __attribute__((target("avx2")))
#endif

namespace {

#if TOBEX_X86
const bool g_avx2Present = __builtin_cpu_supports("avx2");
bool g_avx2 = g_avx2Present;
#else
bool g_avx2 = false;
#endif

// The lowest and one past the highest byte h rows of n bytes touch.
void extent(const uint8_t* p, ptrdiff_t pitch, size_t n, int h, uintptr_t* lo, uintptr_t* hi)
{
    uintptr_t first = reinterpret_cast<uintptr_t>(p), last = reinterpret_cast<uintptr_t>(p + pitch * (h - 1));
    *lo = first < last ? first : last;
    *hi = (first < last ? last : first) + n;
}

#if TOBEX_X86
__m128i load128(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void store128(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

void stream128(uint8_t* p, __m128i v)
{
    _mm_stream_si128(reinterpret_cast<__m128i*>(p), v);
}

TOBEX_AVX2 __m256i load256(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

TOBEX_AVX2 void store256(uint8_t* p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

void copyRowsSse2(const uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp, size_t n, int h)
{
    for (int y = 0; y < h; y++, s += sp, d += dp) {
        size_t i = 0;
        for (; i + 64 <= n; i += 64) {
            __m128i a = load128(s + i), b = load128(s + i + 16);
            __m128i c = load128(s + i + 32), e = load128(s + i + 48);
            store128(d + i, a);
            store128(d + i + 16, b);
            store128(d + i + 32, c);
            store128(d + i + 48, e);
        }
        for (; i + 16 <= n; i += 16)
            store128(d + i, load128(s + i));
        if (i < n && n >= 16)
            store128(d + n - 16, load128(s + n - 16));
        else if (i < n)
            memcpy(d + i, s + i, n - i);
    }
}

TOBEX_AVX2 void copyRowsAvx2(const uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp, size_t n, int h)
{
    for (int y = 0; y < h; y++, s += sp, d += dp) {
        size_t i = 0;
        for (; i + 128 <= n; i += 128) {
            __m256i a = load256(s + i);
            __m256i b = load256(s + i + 32);
            __m256i c = load256(s + i + 64);
            __m256i e = load256(s + i + 96);
            store256(d + i, a);
            store256(d + i + 32, b);
            store256(d + i + 64, c);
            store256(d + i + 96, e);
        }
        for (; i + 32 <= n; i += 32)
            store256(d + i, load256(s + i));
        if (i < n && n >= 32)
            store256(d + n - 32, load256(s + n - 32));
        else if (i < n)
            memcpy(d + i, s + i, n - i);
    }
}

// Streaming stores need 16-byte aligned destinations: each row's first bytes
// up to that alignment, and its last piece, are plain stores.
void copyRowsStream(const uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp, size_t n, int h)
{
    for (int y = 0; y < h; y++, s += sp, d += dp) {
        size_t head = (16 - (reinterpret_cast<uintptr_t>(d) & 15)) & 15;
        if (head + 64 > n) {
            memcpy(d, s, n);
            continue;
        }
        memcpy(d, s, head);
        size_t i = head;
        for (; i + 64 <= n; i += 64) {
            __m128i a = load128(s + i), b = load128(s + i + 16);
            __m128i c = load128(s + i + 32), e = load128(s + i + 48);
            stream128(d + i, a);
            stream128(d + i + 16, b);
            stream128(d + i + 32, c);
            stream128(d + i + 48, e);
        }
        memcpy(d + i, s + i, n - i);
    }
    _mm_sfence();  // streamed bytes are visible before anything that follows
}
#endif

}

bool cpuAvx2()
{
    return g_avx2;
}

void gfxUseAvx2(bool on)
{
#if TOBEX_X86
    g_avx2 = on && g_avx2Present;
#else
    (void)on;
#endif
}

bool copyRows(const uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp, size_t n, int h)
{
    if (h <= 0 || n == 0)
        return true;
    uintptr_t slo, shi, dlo, dhi;
    extent(s, sp, n, h, &slo, &shi);
    extent(d, dp, n, h, &dlo, &dhi);
    if (slo < dhi && dlo < shi)
        return false;
#if TOBEX_X86
    if (n * static_cast<size_t>(h) >= kStreamBytes)
        copyRowsStream(s, sp, d, dp, n, h);
    else if (g_avx2)
        copyRowsAvx2(s, sp, d, dp, n, h);
    else
        copyRowsSse2(s, sp, d, dp, n, h);
#else
    for (int y = 0; y < h; y++)
        memcpy(d + dp * y, s + sp * y, n);
#endif
    return true;
}
