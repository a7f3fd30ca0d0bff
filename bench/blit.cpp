// Blitter benchmarks: each of our copies beside the peer a user would pick
// (memcpy as the limit, pixman, SDL2) on the same pixels in the same run.
// Sizes: a 240 x 320 screen and a 1024 x 1024 surface; eight different
// sprites per case so no single shape can be learnt. Rates are Mpixels/s of
// destination area; the run ends with the goals' ratios (bench/ratios.h).

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <string.h>

#include <memory>
#include <random>
#include <vector>

#include "gfx/blit.h"
#include "gfx/surface.h"
#include "ratios.h"
#include "vfs/mem.h"

namespace {

constexpr int kSprites = 8;
constexpr uint32_t kKey565 = 0xF81F;

// A sprite with round transparent blobs covering about `holes` of its area.
void paintSprite(SURFACE* s, std::mt19937& rng, double holes, uint32_t key)
{
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++)
            sfPutPixel(s, x, y, (rng() & 0xFFFFFF) % (key == SF_NO_KEY ? 0xFFFFFF : key));
    if (key == SF_NO_KEY)
        return;
    int target = (int)(holes * s->width * s->height), done = 0;
    while (done < target) {
        int cx = rng() % s->width, cy = rng() % s->height, r = 3 + rng() % (s->width / 8 + 1);
        for (int y = cy - r; y <= cy + r; y++)
            for (int x = cx - r; x <= cx + r; x++)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r && x >= 0 && y >= 0 && x < s->width &&
                    y < s->height && sfGetPixel(s, x, y) != key) {
                    sfPutPixel(s, x, y, key);
                    done++;
                }
    }
}

struct Sprites {
    std::vector<SURFACE*> ours;
    std::vector<SDL_Surface*> sdl;
    std::vector<pixman_image_t*> pix;
    SURFACE* dst = nullptr;
    SDL_Surface* sdlDst = nullptr;
    pixman_image_t* pixDst = nullptr;

    Sprites(int w, int h, uint32_t format, uint32_t key, double holes, Uint32 sdlFormat,
            pixman_format_code_t pf)
    {
        std::mt19937 rng(w * 7 + h + format);
        PALETTE* pal = nullptr;
        if (format == PF_PALETTE) {
            pal = palCreate();
            pal->count = 256;
            for (int i = 0; i < 256; i++)
                pal->colors[i] = rng() & 0xFFFFFF;
            palMap(pal, PF_565, nullptr);
        }
        for (int i = 0; i < kSprites; i++) {
            SURFACE* s = sfCreate(w, h, format, false, key, nullptr);
            if (pal)
                sfSetPalette(s, pal, true);
            paintSprite(s, rng, holes, key);
            ours.push_back(s);
            SDL_Surface* ss = SDL_CreateRGBSurfaceWithFormatFrom(s->pixels, w, h, s->formatInfo->bits,
                                                                 s->yPitch, sdlFormat);
            if (pal) {
                SDL_Color colors[256];
                for (int c = 0; c < 256; c++)
                    colors[c] = SDL_Color{(Uint8)(pal->colors[c] >> 16), (Uint8)(pal->colors[c] >> 8),
                                          (Uint8)pal->colors[c], 255};
                SDL_SetPaletteColors(ss->format->palette, colors, 0, 256);
            }
            sdl.push_back(ss);
            pix.push_back(pf ? pixman_image_create_bits(pf, w, h, (uint32_t*)s->pixels, s->yPitch) : nullptr);
        }
        if (pal)
            memFree(pal);
        dst = sfCreate(w, h, PF_565, false, SF_NO_KEY, nullptr);
        sdlDst =
            SDL_CreateRGBSurfaceWithFormatFrom(dst->pixels, w, h, 16, dst->yPitch, SDL_PIXELFORMAT_RGB565);
        pixDst = pixman_image_create_bits(PIXMAN_r5g6b5, w, h, (uint32_t*)dst->pixels, dst->yPitch);
    }
    ~Sprites()
    {
        for (int i = 0; i < kSprites; i++) {
            SDL_FreeSurface(sdl[i]);
            if (pix[i])
                pixman_image_unref(pix[i]);
            sfDestroy(ours[i]);
        }
        SDL_FreeSurface(sdlDst);
        pixman_image_unref(pixDst);
        sfDestroy(dst);
    }
};

void rate(benchmark::State& st, int w, int h)
{
    st.counters["Mpix/s"] =
        benchmark::Counter((double)w * h / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

#define SIZES ->Args({240, 320})->Args({1024, 1024})

// ---- Opaque "565" -> "565" copy ---------------------------------------------------------------

void BM_Copy565_RowMemcpy(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    int i = 0;
    for (auto _ : st) {
        const SURFACE* s = sp.ours[i++ % kSprites];
        for (int y = 0; y < h; y++)
            memcpy(sp.dst->pixels + y * sp.dst->yPitch, s->pixels + y * s->yPitch, (size_t)w * 2);
        benchmark::ClobberMemory();
    }
    rate(st, w, h);
}
BENCHMARK(BM_Copy565_RowMemcpy) SIZES;

void BM_Copy565_Ours(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    int i = 0;
    RECT part = {0, 0, w, h - 1};  // not the whole surface: one block copy per row
    for (auto _ : st) {
        sfBlit(sp.ours[i++ % kSprites], sp.dst, 0, 0, &part);
        benchmark::ClobberMemory();
    }
    rate(st, w, h - 1);
}
BENCHMARK(BM_Copy565_Ours) SIZES;

void BM_Copy565_PixmanSrc(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    int i = 0;
    for (auto _ : st)
        pixman_image_composite32(PIXMAN_OP_SRC, sp.pix[i++ % kSprites], nullptr, sp.pixDst, 0, 0, 0, 0, 0, 0,
                                 w, h);
    rate(st, w, h);
}
BENCHMARK(BM_Copy565_PixmanSrc) SIZES;

void BM_Copy565_SDL(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    int i = 0;
    for (auto _ : st)
        SDL_BlitSurface(sp.sdl[i++ % kSprites], nullptr, sp.sdlDst, nullptr);
    rate(st, w, h);
}
BENCHMARK(BM_Copy565_SDL) SIZES;

// ---- Key-colour blit -----------------------------------------------------------------------------------

void BM_Key565_Ours(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, kKey565, 0.3, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    int i = 0;
    for (auto _ : st) {
        sfBlit(sp.ours[i++ % kSprites], sp.dst, 0, 0, nullptr);
        benchmark::ClobberMemory();
    }
    rate(st, w, h);
}
BENCHMARK(BM_Key565_Ours) SIZES;

void BM_Key565_SDL(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, kKey565, 0.3, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    for (SDL_Surface* s : sp.sdl)
        SDL_SetColorKey(s, SDL_TRUE, kKey565);
    int i = 0;
    for (auto _ : st)
        SDL_BlitSurface(sp.sdl[i++ % kSprites], nullptr, sp.sdlDst, nullptr);
    rate(st, w, h);
}
BENCHMARK(BM_Key565_SDL) SIZES;

// ---- Global alpha and additive blending on "565" ----------------------------------------------------------

void BM_Alpha565_Ours(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    gfxSetBlendMode(BLEND_ALPHA);
    gfxSetAlpha(128);
    int i = 0;
    for (auto _ : st) {
        sfBlit(sp.ours[i++ % kSprites], sp.dst, 0, 0, nullptr);
        benchmark::ClobberMemory();
    }
    gfxResetState();
    rate(st, w, h);
}
BENCHMARK(BM_Alpha565_Ours) SIZES;

void BM_Alpha565_SDLAlphaMod(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    for (SDL_Surface* s : sp.sdl) {
        SDL_SetSurfaceAlphaMod(s, 128);
        SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
    }
    int i = 0;
    for (auto _ : st)
        SDL_BlitSurface(sp.sdl[i++ % kSprites], nullptr, sp.sdlDst, nullptr);
    rate(st, w, h);
}
BENCHMARK(BM_Alpha565_SDLAlphaMod) SIZES;

void BM_Alpha565_PixmanOverHalfMask(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    pixman_color_t half = {0, 0, 0, 0x8000};
    pixman_image_t* mask = pixman_image_create_solid_fill(&half);
    int i = 0;
    for (auto _ : st)
        pixman_image_composite32(PIXMAN_OP_OVER, sp.pix[i++ % kSprites], mask, sp.pixDst, 0, 0, 0, 0, 0, 0, w,
                                 h);
    pixman_image_unref(mask);
    rate(st, w, h);
}
BENCHMARK(BM_Alpha565_PixmanOverHalfMask) SIZES;

void BM_Add565_Ours(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    gfxSetBlendMode(BLEND_ADD);
    gfxSetAlpha(256);
    int i = 0;
    for (auto _ : st) {
        memset(sp.dst->pixels, 0, sp.dst->size / 4);
        sfBlit(sp.ours[i++ % kSprites], sp.dst, 0, 0, nullptr);
        benchmark::ClobberMemory();
    }
    gfxResetState();
    rate(st, w, h);
}
BENCHMARK(BM_Add565_Ours) SIZES;

void BM_Add565_PixmanAdd(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    int i = 0;
    for (auto _ : st) {
        memset(sp.dst->pixels, 0, sp.dst->size / 4);
        pixman_image_composite32(PIXMAN_OP_ADD, sp.pix[i++ % kSprites], nullptr, sp.pixDst, 0, 0, 0, 0, 0, 0,
                                 w, h);
    }
    rate(st, w, h);
}
BENCHMARK(BM_Add565_PixmanAdd) SIZES;

// ---- Half-transparent RLE sprite ---------------------------------------------------------------------------

void BM_Rle565_Ours(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, kKey565, 0.5, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    std::vector<SURFACE*> rle;
    for (SURFACE* s : sp.ours) {
        SURFACE* e = sfConvert(s, PF_565);
        e->keycolor = kKey565;
        sfEncodeRLE(e);
        rle.push_back(e);
    }
    int i = 0;
    for (auto _ : st) {
        sfBlit(rle[i++ % kSprites], sp.dst, 0, 0, nullptr);
        benchmark::ClobberMemory();
    }
    for (SURFACE* e : rle)
        sfDestroy(e);
    rate(st, w, h);
}
BENCHMARK(BM_Rle565_Ours) SIZES;

void BM_Rle565_SDL(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, kKey565, 0.5, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    for (SDL_Surface* s : sp.sdl) {
        SDL_SetColorKey(s, SDL_TRUE, kKey565);
        SDL_SetSurfaceRLE(s, 1);
        SDL_BlitSurface(s, nullptr, sp.sdlDst, nullptr);  // encodes
    }
    int i = 0;
    for (auto _ : st)
        SDL_BlitSurface(sp.sdl[i++ % kSprites], nullptr, sp.sdlDst, nullptr);
    rate(st, w, h);
}
BENCHMARK(BM_Rle565_SDL) SIZES;

// ---- Conversions to "565" ------------------------------------------------------------------------------------

struct ConvCase {
    uint32_t format;
    Uint32 sdl;
    pixman_format_code_t pix;
};
const ConvCase kConv[] = {
    {PF_8888, SDL_PIXELFORMAT_ARGB8888, PIXMAN_x8r8g8b8},
    {PF_888, SDL_PIXELFORMAT_BGR24, PIXMAN_r8g8b8},
    {PF_PALETTE, SDL_PIXELFORMAT_INDEX8, (pixman_format_code_t)0},
};

void BM_ConvertTo565_Ours(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    const ConvCase& c = kConv[st.range(2)];
    Sprites sp(w, h, c.format, SF_NO_KEY, 0, c.sdl, c.pix);
    st.SetLabel(pfInfo(c.format)->name);
    int i = 0;
    for (auto _ : st) {
        sfBlit(sp.ours[i++ % kSprites], sp.dst, 0, 0, nullptr);
        benchmark::ClobberMemory();
    }
    rate(st, w, h);
}
BENCHMARK(BM_ConvertTo565_Ours)
    ->Args({240, 320, 0})
    ->Args({240, 320, 1})
    ->Args({240, 320, 2})
    ->Args({1024, 1024, 0})
    ->Args({1024, 1024, 1})
    ->Args({1024, 1024, 2});

void BM_ConvertTo565_SDL(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    const ConvCase& c = kConv[st.range(2)];
    Sprites sp(w, h, c.format, SF_NO_KEY, 0, c.sdl, c.pix);
    st.SetLabel(pfInfo(c.format)->name);
    int i = 0;
    for (auto _ : st)
        SDL_BlitSurface(sp.sdl[i++ % kSprites], nullptr, sp.sdlDst, nullptr);
    rate(st, w, h);
}
BENCHMARK(BM_ConvertTo565_SDL)
    ->Args({240, 320, 0})
    ->Args({240, 320, 1})
    ->Args({240, 320, 2})
    ->Args({1024, 1024, 0})
    ->Args({1024, 1024, 1})
    ->Args({1024, 1024, 2});

void BM_ConvertTo565_Pixman(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    const ConvCase& c = kConv[st.range(2)];
    Sprites sp(w, h, c.format, SF_NO_KEY, 0, c.sdl, c.pix);
    st.SetLabel(pfInfo(c.format)->name);
    int i = 0;
    for (auto _ : st)
        pixman_image_composite32(PIXMAN_OP_SRC, sp.pix[i++ % kSprites], nullptr, sp.pixDst, 0, 0, 0, 0, 0, 0,
                                 w, h);
    rate(st, w, h);
}
BENCHMARK(BM_ConvertTo565_Pixman)
    ->Args({240, 320, 0})
    ->Args({240, 320, 1})
    ->Args({1024, 1024, 0})
    ->Args({1024, 1024, 1});

// ---- Rotation (nearest) -------------------------------------------------------------------------------------

void BM_Rotate30_Ours(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    for (SURFACE* s : sp.ours)
        s->xPivot = s->yPivot = 128;
    XFORM t = {w / 2, h / 2, 30, 256, 256};
    int i = 0;
    for (auto _ : st) {
        sfBlitXform(sp.ours[i++ % kSprites], sp.dst, &t, -1);
        benchmark::ClobberMemory();
    }
    rate(st, w, h);
}
BENCHMARK(BM_Rotate30_Ours) SIZES;

void BM_Rotate30_Pixman(benchmark::State& st)
{
    int w = (int)st.range(0), h = (int)st.range(1);
    Sprites sp(w, h, PF_565, SF_NO_KEY, 0, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5);
    pixman_transform_t t;
    pixman_transform_init_identity(&t);
    pixman_transform_translate(&t, nullptr, pixman_int_to_fixed(-w / 2), pixman_int_to_fixed(-h / 2));
    pixman_transform_rotate(&t, nullptr, pixman_double_to_fixed(0.8660254), pixman_double_to_fixed(0.5));
    pixman_transform_translate(&t, nullptr, pixman_int_to_fixed(w / 2), pixman_int_to_fixed(h / 2));
    for (pixman_image_t* p : sp.pix) {
        pixman_image_set_transform(p, &t);
        pixman_image_set_filter(p, PIXMAN_FILTER_NEAREST, nullptr, 0);
    }
    int i = 0;
    for (auto _ : st)
        pixman_image_composite32(PIXMAN_OP_SRC, sp.pix[i++ % kSprites], nullptr, sp.pixDst, 0, 0, 0, 0, 0, 0,
                                 w, h);
    rate(st, w, h);
}
BENCHMARK(BM_Rotate30_Pixman) SIZES;

}

int main(int argc, char** argv)
{
    constexpr const char* kRate = "Mpix/s";
    return benchratio::run(
        argc, argv,
        {
            {"BM_ConvertTo565_Ours/240/320/0", "BM_ConvertTo565_Pixman/240/320/0", kRate, 1.0},
            {"BM_ConvertTo565_Ours/1024/1024/0", "BM_ConvertTo565_Pixman/1024/1024/0", kRate, 1.0},
            {"BM_Copy565_Ours/240/320", "BM_Copy565_PixmanSrc/240/320", kRate, 1.0},
            {"BM_Copy565_Ours/1024/1024", "BM_Copy565_RowMemcpy/1024/1024", kRate, 0.9},
            {"BM_Copy565_Ours/1024/1024", "BM_Copy565_PixmanSrc/1024/1024", kRate, 0},
        });
}
