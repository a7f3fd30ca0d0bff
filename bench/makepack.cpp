// tobex makepack beside ImageMagick's convert: six 12-megapixel JPEGs become a
// pack's pictures (a centre crop resized to the puzzle, thumbnail and full
// sizes). Both run as programs, one process per pack for tobex and one per photo
// for convert (decoding each photo once for its three pictures). Quality is the
// PSNR of every picture against a reference made in double precision from the
// full-size decode (Lanczos-3, the filter convert uses when shrinking).
// In-process rows show what the JPEG prescale (used beyond 24 megapixels) costs
// and saves.

#include <benchmark/benchmark.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>
// jpeglib.h needs stdio.h first.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "app/files.h"
#include "app/text.h"
#include "gfx/image.h"
#include "gfx/photo.h"
#include "vfs/archive.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

constexpr int kPhotos = 6;
constexpr int kPhotoW = 4000, kPhotoH = 3000;  // 12 megapixels

struct Shape {
    const char* name;
    int w, h;
};

struct Fixture {
    std::string dir, tobex, dataArg;
    Shape shapes[3] = {{"Image", 0, 0}, {"Thumb", 0, 0}, {"Full", 240, 320}};
    std::vector<std::string> photos;
    std::vector<std::vector<uint8_t>> reference[3];  // per shape, per photo: RGB bytes
};

Fixture g;

// A photo-like picture: smooth fields, a few hard-edged shapes and fine grain.
void synthesise(int seed, std::vector<uint8_t>* rgb)
{
    rgb->resize((size_t)kPhotoW * kPhotoH * 3);
    uint32_t h = (uint32_t)seed * 2654435761u + 12345;
    double fx = 0.0011 + 0.0003 * seed, fy = 0.0017 - 0.0002 * seed;
    for (int y = 0; y < kPhotoH; y++)
        for (int x = 0; x < kPhotoW; x++) {
            h ^= h << 13, h ^= h >> 17, h ^= h << 5;
            double grain = (double)(h & 31) - 16;
            double cx = x - kPhotoW * (0.3 + 0.07 * seed), cy = y - kPhotoH * 0.55;
            bool disc = cx * cx + cy * cy < 500.0 * 500.0;
            double stripes = (((x + y * 2) / (40 + seed * 7)) % 2) * 30.0;
            uint8_t* p = &(*rgb)[((size_t)y * kPhotoW + (size_t)x) * 3];
            double r = 120 + 90 * sin(x * fx + seed) * cos(y * fy) + grain + (disc ? 60 : 0);
            double gg = 110 + 80 * cos(x * fy * 1.3 - y * fx) + grain + stripes;
            double b = 100 + 70 * sin((x + y) * 0.0009 * (seed + 1)) + grain - (disc ? 50 : 0);
            p[0] = (uint8_t)fmin(255, fmax(0, r));
            p[1] = (uint8_t)fmin(255, fmax(0, gg));
            p[2] = (uint8_t)fmin(255, fmax(0, b));
        }
}

void writeJpeg(const std::string& path, const std::vector<uint8_t>& rgb)
{
    FILE* f = fopen(path.c_str(), "wb");
    jpeg_compress_struct ci;
    jpeg_error_mgr jerr;
    ci.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&ci);
    jpeg_stdio_dest(&ci, f);
    ci.image_width = kPhotoW;
    ci.image_height = kPhotoH;
    ci.input_components = 3;
    ci.in_color_space = JCS_RGB;
    jpeg_set_defaults(&ci);
    jpeg_set_quality(&ci, 90, TRUE);
    jpeg_start_compress(&ci, TRUE);
    while (ci.next_scanline < ci.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&rgb[(size_t)ci.next_scanline * kPhotoW * 3]);
        jpeg_write_scanlines(&ci, &row, 1);
    }
    jpeg_finish_compress(&ci);
    jpeg_destroy_compress(&ci);
    fclose(f);
}

double lanczos3(double x)
{
    x = fabs(x);
    if (x < 1e-12)
        return 1;
    if (x >= 3)
        return 0;
    return 3 * sin(M_PI * x) * sin(M_PI * x / 3) / (M_PI * M_PI * x * x);
}

// Straightforward double-precision Lanczos-3 of one axis over n lines of floats.
std::vector<double> resizeAxis(const std::vector<double>& src, int len, int lines, int stride, int step,
                               int outLen, bool alongRows)
{
    std::vector<double> out((size_t)outLen * lines * 3);
    double scale = (double)len / outLen, widen = fmax(1.0, scale), support = 3 * widen;
    for (int line = 0; line < lines; line++)
        for (int i = 0; i < outLen; i++) {
            double centre = (i + 0.5) * scale, sum = 0, acc[3] = {};
            for (int j = (int)floor(centre - support); j <= (int)ceil(centre + support); j++) {
                if (j < 0 || j >= len)
                    continue;
                double w = lanczos3((j + 0.5 - centre) / widen);
                sum += w;
                const double* p = &src[((size_t)line * stride + (size_t)j * step) * 3];
                for (int c = 0; c < 3; c++)
                    acc[c] += w * p[c];
            }
            size_t o = alongRows ? ((size_t)line * outLen + (size_t)i) : ((size_t)i * lines + (size_t)line);
            for (int c = 0; c < 3; c++)
                out[o * 3 + (size_t)c] = acc[c] / sum;
        }
    return out;
}

std::vector<uint8_t> referenceFit(const PHOTO& p, const Shape& s)
{
    RECT c = photoCentreCrop(p.width, p.height, s.w, s.h);
    std::vector<double> crop((size_t)c.w * c.h * 3);
    for (int y = 0; y < c.h; y++)
        for (int x = 0; x < c.w; x++)
            for (int k = 0; k < 3; k++)
                crop[((size_t)y * c.w + (size_t)x) * 3 + (size_t)k] =
                    p.rgba[((size_t)(c.y + y) * p.width + (size_t)(c.x + x)) * 4 + (size_t)k];
    std::vector<double> rows = resizeAxis(crop, c.w, c.h, c.w, 1, s.w, true);  // c.h rows of s.w
    std::vector<double> done = resizeAxis(rows, c.h, s.w, 1, s.w, s.h, false);
    std::vector<uint8_t> out(done.size());
    for (size_t i = 0; i < done.size(); i++)
        out[i] = (uint8_t)fmin(255, fmax(0, done[i] + 0.5));
    return out;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
        return 0;
    double se = 0;
    for (size_t i = 0; i < a.size(); i++)
        se += ((double)a[i] - b[i]) * ((double)a[i] - b[i]);
    return se == 0 ? 99 : 10 * log10(255.0 * 255.0 * (double)a.size() / se);
}

std::string run(const std::string& cmd)
{
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    if (!p || pclose(p) != 0)
        fprintf(stderr, "bench: failed: %s\n%s\n", cmd.c_str(), out.c_str());
    return out;
}

// The game's picture sizes, as makepack reports them (from the game's data
// beside it, or from a stand-in data archive of the game's sizes).
void findShapes()
{
    std::string out =
        run("'" + g.tobex + "' makepack " + g.dataArg + " '" + g.dir + "/probe.zip' '" + g.photos[0] + "'");
    if (out.find("Image ") == std::string::npos) {
        std::string data = g.dir + "/data/Graphics";
        run("mkdir -p '" + data + "'");
        auto tga = [&](const std::string& name, int w, int h) {
            std::vector<uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            b.insert(b.end(), {(uint8_t)w, (uint8_t)(w >> 8), (uint8_t)h, (uint8_t)(h >> 8), 24, 0x20});
            b.resize(b.size() + (size_t)w * h * 3);
            std::ofstream(data + "/" + name, std::ios::binary).write((const char*)b.data(), (long)b.size());
        };
        tga("Def0.tga", 240, 240);
        tga("Thumb0.tga", 60, 60);
        run("cd '" + g.dir + "' && '" + g.tobex + "' pack game.pak data");
        g.dataArg = "--data '" + g.dir + "/game.pak'";
        out = run("'" + g.tobex + "' makepack " + g.dataArg + " '" + g.dir + "/probe.zip' '" + g.photos[0] +
                  "'");
    }
    sscanf(out.c_str() + out.find("Image "), "Image %d x %d, Thumb %d x %d, Full %d x %d", &g.shapes[0].w,
           &g.shapes[0].h, &g.shapes[1].w, &g.shapes[1].h, &g.shapes[2].w, &g.shapes[2].h);
}

void setUp()
{
    char tmpl[] = "/tmp/tobexbench.XXXXXX";
    g.dir = mkdtemp(tmpl);
    char exe[1024];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    exe[n > 0 ? n : 0] = 0;
    g.tobex = std::string(exe, strrchr(exe, '/')) + "/../tools/tobex";
    char16_t wide[TEXT_MAX_PATH];
    textFromUtf8(wide, TEXT_MAX_PATH, g.dir.c_str());
    folderSetPath(FOLDER_PROGRAM, wide);
    vfsInit();
    std::vector<uint8_t> rgb;
    for (int i = 0; i < kPhotos; i++) {
        synthesise(i, &rgb);
        g.photos.push_back(g.dir + "/photo" + std::to_string(i) + ".jpg");
        writeJpeg(g.photos.back(), rgb);
    }
    findShapes();
    for (int i = 0; i < kPhotos; i++) {
        std::ifstream in(g.photos[(size_t)i], std::ios::binary);
        std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        PHOTO p = {};
        photoDecode(bytes.data(), bytes.size(), 0, 0, &p, nullptr, 0);
        for (int s = 0; s < 3; s++)
            g.reference[s].push_back(referenceFit(p, g.shapes[s]));
        photoFree(&p);
    }
}

std::vector<uint8_t> rgbOf(const SURFACE* s)
{
    std::vector<uint8_t> out;
    for (int y = 0; s && y < s->height; y++)
        for (int x = 0; x < s->width; x++) {
            uint32_t v = sfGetPixel(s, x, y);
            out.insert(out.end(), {(uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v});
        }
    return out;
}

std::vector<uint8_t> readPpm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    std::vector<uint8_t> px((size_t)w * h * 3);
    in.read((char*)px.data(), (long)px.size());
    return px;
}

// CPU seconds used by finished child processes so far (user and system).
double childCpu()
{
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + (double)u.ru_stime.tv_sec +
           u.ru_stime.tv_usec * 1e-6;
}

// Mean PSNR per shape of pictures fetched by get(shape, photo).
template <class F>
void reportQuality(benchmark::State& state, F get)
{
    for (int s = 0; s < 3; s++) {
        double sum = 0;
        for (int i = 0; i < kPhotos; i++)
            sum += psnr(get(s, i), g.reference[s][(size_t)i]);
        state.counters[std::string("psnr_") + g.shapes[s].name] = sum / kPhotos;
    }
}

void BM_TobexMakepack(benchmark::State& state)
{
    std::string cmd = "'" + g.tobex + "' makepack " + g.dataArg + " '" + g.dir + "/pack.zip'";
    for (const std::string& p : g.photos)
        cmd += " '" + p + "'";
    double cpu = childCpu();
    for (auto _ : state)
        run(cmd + " >/dev/null");
    state.counters["child_cpu_s"] = (childCpu() - cpu) / (double)state.iterations();
    std::u16string pack = std::u16string(u"pack.zip");
    vfsMount(pack.c_str());
    reportQuality(state, [](int s, int i) {
        char16_t name[32];
        std::string n = std::string(g.shapes[s].name) + std::to_string(i) + ".tga";
        textFromUtf8(name, 32, n.c_str());
        SURFACE* sf = sfLoadTGA(name, 0, nullptr);
        std::vector<uint8_t> rgb = rgbOf(sf);
        sfDestroy(sf);
        return rgb;
    });
    vfsUnmount(pack.c_str());
}

// One convert per photo: decode once, then crop and resize into each shape.
std::string convertCommand(int i, bool jpegSize)
{
    std::string cmd = "convert";
    if (jpegSize)  // convert's own DCT prescale hint: at least twice the largest output
        cmd += " -define jpeg:size=" + std::to_string(kPhotoW / 2) + "x" + std::to_string(kPhotoH / 2);
    cmd += " '" + g.photos[(size_t)i] + "'";
    for (int s = 0; s < 3; s++) {
        RECT c = photoCentreCrop(kPhotoW, kPhotoH, g.shapes[s].w, g.shapes[s].h);
        char geo[160];
        // With jpeg:size the decoded picture is half size: the same crop in its pixels.
        int d = jpegSize ? 2 : 1;
        snprintf(
            geo, sizeof geo,
            " \\( +clone -crop %dx%d+%d+%d +repage -resize %dx%d! -write ppm:'%s/im%d_%d.ppm' +delete \\)",
            c.w / d, c.h / d, c.x / d, c.y / d, g.shapes[s].w, g.shapes[s].h, g.dir.c_str(), s, i);
        cmd += geo;
    }
    return cmd + " null:";
}

void BM_ImageMagickConvert(benchmark::State& state)
{
    bool jpegSize = state.range(0) != 0;
    double cpu = childCpu();
    for (auto _ : state)
        for (int i = 0; i < kPhotos; i++)
            run(convertCommand(i, jpegSize));
    state.counters["child_cpu_s"] = (childCpu() - cpu) / (double)state.iterations();
    reportQuality(state, [](int s, int i) {
        return readPpm(g.dir + "/im" + std::to_string(s) + "_" + std::to_string(i) + ".ppm");
    });
}

// The decoded size makepack asks for beyond 24 megapixels: four times the pixels of every shape's crop.
void prescaleSize(int* minW, int* minH)
{
    double scale = 0;
    for (const Shape& s : g.shapes) {
        RECT c = photoCentreCrop(kPhotoW, kPhotoH, s.w, s.h);
        scale = fmax(scale, fmax(4.0 * s.w / c.w, 4.0 * s.h / c.h));
    }
    *minW = (int)(kPhotoW * scale + 0.999);
    *minH = (int)(kPhotoH * scale + 0.999);
}

// In process: decode and fit one photo, with or without the JPEG prescale.
void BM_DecodeAndFit(benchmark::State& state)
{
    bool prescale = state.range(0) != 0;
    std::vector<std::vector<uint8_t>> files;
    for (const std::string& p : g.photos) {
        std::ifstream in(p, std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<uint8_t> fitted[3][kPhotos];
    for (auto _ : state)
        for (int i = 0; i < kPhotos; i++) {
            PHOTO p = {};
            int minW = 0, minH = 0;
            if (prescale)
                prescaleSize(&minW, &minH);
            photoDecode(files[(size_t)i].data(), files[(size_t)i].size(), minW, minH, &p, nullptr, 0);
            for (int s = 0; s < 3; s++) {
                RECT c = photoCentreCrop(p.width, p.height, g.shapes[s].w, g.shapes[s].h);
                PHOTO out = {};
                photoResample(&p, &c, g.shapes[s].w, g.shapes[s].h, &out);
                fitted[s][i].clear();
                for (int k = 0; k < out.width * out.height * 4; k++)
                    if (k % 4 != 3)
                        fitted[s][i].push_back(out.rgba[k]);
                photoFree(&out);
            }
            photoFree(&p);
        }
    reportQuality(state, [&](int s, int i) { return fitted[s][i]; });
}

}

BENCHMARK(BM_TobexMakepack)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ImageMagickConvert)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DecodeAndFit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (system("command -v convert >/dev/null 2>&1") != 0) {
        fprintf(stderr,
                "bench_makepack: ImageMagick's convert is not installed (apt-get install imagemagick)\n");
        return 1;
    }
    setUp();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    run("rm -rf '" + g.dir + "'");
    return 0;
}
