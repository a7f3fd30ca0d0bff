// tobex makepack: turns up to six photos (PNG, JPEG or TGA) into a picture pack
// for the game: "Image<i>.tga", "Thumb<i>.tga" and "Full<i>.tga" for each.
//
// The picture sizes come from the game's own data: a puzzle picture is as large
// as the built-in "Graphics/Def0.tga", a thumbnail as "Graphics/Thumb0.tga", and
// a full picture as the screen that "main.w" shows through "vpMain". Each photo is centre-cropped to each shape
// and resampled with the Lanczos filter. A JPEG beyond 24 megapixels is decoded
// at the smallest DCT scale that still leaves four times the pixels the largest
// output needs, which bounds time and memory; smaller ones are decoded whole, as
// the DCT scale costs some sharpness against a resize of the full picture.
//
// The archive is written to a temporary file beside OUT and renamed only when
// every picture went in, so a failure leaves nothing behind.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <string>
#include <vector>

#include "app/files.h"
#include "app/picture.h"
#include "app/text.h"
#include "commands.h"
#include "ctl/controls.h"
#include "engine/classes.h"
#include "game/game.h"
#include "gfx/image.h"
#include "gfx/photo.h"
#include "gfx/surface.h"
#include "obj/object.h"
#include "obj/worldfile.h"
#include "vfs/archive.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

constexpr int kMaxPictures = 6;
constexpr double kPrescaleMargin = 4.0;       // decoded pixels per output pixel, at least
constexpr int64_t kPrescaleAbove = 24000000;  // JPEGs up to this many pixels are decoded whole
constexpr int kDeflateLevel = 6;

struct Shape {
    const char* member;  // "Image", "Thumb" or "Full"
    int32_t w, h;
};

struct MakeOptions {
    const char* title = nullptr;
    const char* credits = nullptr;
    const char* data = nullptr;
    const char* out = nullptr;
    std::vector<const char*> pictures;
};

void usage(FILE* out)
{
    fprintf(out,
            "usage: tobex makepack [--title NAME] [--credits FILE] [--data ARCHIVE] OUT.zip PICTURE...\n\n"
            "Builds a picture pack for Tilvo-1 from one to six pictures (PNG, JPEG or TGA).\n"
            "Each picture is centre-cropped and resampled to the sizes the game's data uses,\n"
            "as Image<i>.tga (the puzzle), Thumb<i>.tga (the chooser) and Full<i>.tga (shown\n"
            "when solved). Copy OUT.zip into the Packs folder to play it.\n\n"
            "  --title NAME     the pack's title, stored as Title.txt\n"
            "  --credits FILE   a text file stored in the pack as Credits.txt\n"
            "  --data ARCHIVE   the game's data archive to take the picture sizes from\n"
            "                   (default: the archives beside this program or the game)\n");
}

int parseArgs(int argc, char** argv, MakeOptions* o)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
            usage(stdout);
            return -1;
        }
        const char** value = !strcmp(a, "--title")     ? &o->title
                             : !strcmp(a, "--credits") ? &o->credits
                             : !strcmp(a, "--data")    ? &o->data
                                                       : nullptr;
        if (value && i + 1 < argc)
            *value = argv[++i];
        else if (value || (a[0] == '-' && a[1] == '-')) {
            fprintf(stderr, "tobex makepack: %s %s\n", a, value ? "needs a value" : "is not an option");
            return 2;
        } else if (!o->out)
            o->out = a;
        else
            o->pictures.push_back(a);
    }
    if (!o->out || o->pictures.empty()) {
        usage(stderr);
        return 2;
    }
    if (static_cast<int>(o->pictures.size()) > kMaxPictures) {
        fprintf(stderr, "tobex makepack: a pack holds at most %d pictures, %zu given\n", kMaxPictures,
                o->pictures.size());
        return 2;
    }
    return 0;
}

bool wide(const char* s, char16_t* out)
{
    return textFromUtf8(out, TEXT_MAX_PATH, s);
}

// Mounts the game's data: the named archive, else the archives beside this
// program, else those of the game in a build tree ("../game").
bool mountGameData(const char* data)
{
    char16_t path[TEXT_MAX_PATH];
    if (data)
        return wide(data, path) && vfsMount(path) > 0;
    char exe[TEXT_MAX_PATH * 3];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return false;
    exe[n] = 0;
    std::string dir(exe, strrchr(exe, '/'));
    int mounted = 0;
    for (const char* sub : {"", "/../game"})
        for (const char* pattern : {"/*.pak", "/*.zip"})
            if (wide((dir + sub + pattern).c_str(), path))
                mounted += vfsMount(path);
    return mounted > 0;
}

bool pictureSize(const char16_t* name, int32_t* w, int32_t* h)
{
    SURFACE* s = sfLoadTGA(name, 0, nullptr);
    if (!s)
        return false;
    *w = s->width;
    *h = s->height;
    sfDestroy(s);
    return true;
}

// The size of the screen the game shows: the view of "vpMain" in "main.w".
bool screenSize(int32_t* w, int32_t* h)
{
    if (!objInit() || !engineRegisterClasses() || !ctlStartup() || !gameRegisterClasses())
        return false;
    void* main = objLoadFile(u"main.w");
    auto* vp = static_cast<WorldViewport*>(objGet(objFind(&g_worldViewportClass, "vpMain", main)));
    bool ok = vp && vp->vp.w > 0 && vp->vp.h > 0;
    if (ok) {
        *w = vp->vp.w;
        *h = vp->vp.h;
    }
    objShutdown();
    return ok;
}

// The three shapes of a pack's pictures, read from the game's data: a puzzle
// picture replaces a built-in one, a thumbnail a built-in thumbnail, and a full
// picture fills the screen.
bool readShapes(const char* data, Shape shapes[3])
{
    shapes[0] = {"Image", 0, 0};
    shapes[1] = {"Thumb", 0, 0};
    shapes[2] = {"Full", 0, 0};
    if (!mountGameData(data) || !pictureSize(u"Graphics/Def0.tga", &shapes[0].w, &shapes[0].h) ||
        !pictureSize(u"Graphics/Thumb0.tga", &shapes[1].w, &shapes[1].h) ||
        !screenSize(&shapes[2].w, &shapes[2].h)) {
        fprintf(stderr,
                "tobex makepack: cannot read the picture sizes from the game's data (Graphics/Def0.tga,\n"
                "Graphics/Thumb0.tga, the view of vpMain in main.w)%s%s; name the game's data archive\n"
                "with --data\n",
                data ? " in " : "", data ? data : "");
        return false;
    }
    return true;
}

// A TGA picture as RGBA pixels.
bool tgaToPhoto(const char16_t* name, PHOTO* out, char* err, int cap)
{
    SURFACE* s = sfLoadTGA(name, PF_8888, nullptr);
    if (!s) {
        snprintf(err, static_cast<size_t>(cap), "not a readable TGA picture");
        return false;
    }
    out->width = s->width;
    out->height = s->height;
    out->rgba = static_cast<uint8_t*>(memAlloc(s->width * s->height * 4));
    bool alphaInFile = false;
    for (int32_t y = 0; out->rgba && y < s->height; y++)
        for (int32_t x = 0; x < s->width; x++) {
            uint32_t v = sfGetPixel(s, x, y);
            uint8_t* p =
                out->rgba +
                (static_cast<size_t>(y) * static_cast<size_t>(s->width) + static_cast<size_t>(x)) * 4;
            p[0] = static_cast<uint8_t>(v >> 16), p[1] = static_cast<uint8_t>(v >> 8),
            p[2] = static_cast<uint8_t>(v), p[3] = static_cast<uint8_t>(v >> 24);
            alphaInFile = alphaInFile || p[3] != 0;
        }
    sfDestroy(s);
    if (!out->rgba) {
        snprintf(err, static_cast<size_t>(cap), "out of memory");
        return false;
    }
    // A TGA without an alpha channel reads as alpha 0 everywhere: it is opaque.
    size_t n = static_cast<size_t>(out->width) * static_cast<size_t>(out->height);
    out->opaque = 1;
    for (size_t i = 0; i < n; i++) {
        if (!alphaInFile)
            out->rgba[i * 4 + 3] = 255;
        out->opaque = out->opaque && out->rgba[i * 4 + 3] == 255;
    }
    return true;
}

// The decoded size a JPEG needs so every shape's crop keeps kPrescaleMargin
// source pixels per output pixel.
void prescaleSize(int32_t w, int32_t h, const Shape shapes[3], int32_t* minW, int32_t* minH)
{
    double scale = 0;
    for (int i = 0; i < 3; i++) {
        RECT c = photoCentreCrop(w, h, shapes[i].w, shapes[i].h);
        double sx = kPrescaleMargin * shapes[i].w / c.w, sy = kPrescaleMargin * shapes[i].h / c.h;
        scale = sx > scale ? sx : scale;
        scale = sy > scale ? sy : scale;
    }
    *minW = static_cast<int32_t>(w * scale + 0.999);
    *minH = static_cast<int32_t>(h * scale + 0.999);
}

bool hasTgaExt(const char* name)
{
    size_t n = strlen(name);
    return n >= 4 && !strcasecmp(name + n - 4, ".tga");
}

// Reads one picture, whatever its kind; false with a reason in err.
// w and h receive the picture's own size (a JPEG may be decoded smaller).
bool readPicture(const char* name, const Shape shapes[3], PHOTO* out, const char** kind, int32_t* w,
                 int32_t* h, char* err, int cap)
{
    char16_t path[TEXT_MAX_PATH];
    if (!wide(name, path)) {
        snprintf(err, static_cast<size_t>(cap), "name too long");
        return false;
    }
    uint32_t size = 0;
    uint8_t* data = photoReadFile(path, &size);
    if (!data) {
        snprintf(err, static_cast<size_t>(cap), "cannot be read (missing, empty or not a file)");
        return false;
    }
    PhotoKind k = photoSniff(data, size);
    bool ok;
    int32_t minW = 0, minH = 0;
    if (k == PHOTO_UNKNOWN && hasTgaExt(name)) {
        *kind = "TGA";
        ok = tgaToPhoto(path, out, err, cap);
    } else if (k == PHOTO_UNKNOWN) {
        snprintf(err, static_cast<size_t>(cap), "not a PNG, JPEG or TGA picture");
        ok = false;
    } else {
        *kind = k == PHOTO_PNG ? "PNG" : "JPEG";
        if (photoProbe(data, size, w, h, nullptr, 0) && k == PHOTO_JPEG &&
            static_cast<int64_t>(*w) * *h > kPrescaleAbove)
            prescaleSize(*w, *h, shapes, &minW, &minH);
        ok = photoDecode(data, size, minW, minH, out, err, cap);
    }
    if (ok && k == PHOTO_UNKNOWN) {
        *w = out->width;
        *h = out->height;
    }
    memFree(data);
    return ok;
}

// A 24-bit top-down TGA of the picture laid over black (transparent parts turn black).
std::vector<uint8_t> tgaBytes(const PHOTO* p)
{
    size_t n = static_cast<size_t>(p->width) * static_cast<size_t>(p->height);
    std::vector<uint8_t> over(n * 4, 255);
    for (size_t i = 0; i < n; i++) {
        const uint8_t* px = p->rgba + i * 4;
        for (int c = 0; c < 3; c++)
            over[i * 4 + c] = static_cast<uint8_t>((px[c] * px[3] + 127) / 255);
    }
    std::vector<uint8_t> out;
    if (!pictureWrite(PICTURE_TGA, over.data(), p->width, p->height, false, toolCollectBytes, &out))
        out.clear();
    return out;
}

bool addMember(zipFile zf, const std::string& name, const void* bytes, size_t size)
{
    zip_fileinfo zi = {};
    zi.tmz_date.tm_year = 2000;  // one fixed date, so the same photos give the same pack
    zi.tmz_date.tm_mday = 1;
    bool ok = zipOpenNewFileInZip(zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  kDeflateLevel) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zf, bytes, static_cast<unsigned>(size)) == ZIP_OK;
    return zipCloseFileInZip(zf) == ZIP_OK && ok;
}

// Crops, resamples and stores picture i in every shape.
bool addPicture(zipFile zf, int i, const PHOTO* src, const Shape shapes[3])
{
    for (int s = 0; s < 3; s++) {
        RECT crop = photoCentreCrop(src->width, src->height, shapes[s].w, shapes[s].h);
        PHOTO fitted = {};
        bool ok = photoResample(src, &crop, shapes[s].w, shapes[s].h, &fitted);
        std::vector<uint8_t> tga = ok ? tgaBytes(&fitted) : std::vector<uint8_t>();
        photoFree(&fitted);
        std::string member = shapes[s].member + std::to_string(i) + ".tga";
        if (!ok || tga.empty() || !addMember(zf, member, tga.data(), tga.size()))
            return false;
    }
    return true;
}

bool addTextFile(zipFile zf, const char* member, const char* file)
{
    FILE* f = fopen(file, "rb");
    if (!f) {
        fprintf(stderr, "tobex makepack: cannot read %s\n", file);
        return false;
    }
    std::string text;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;)
        text.append(buf, n);
    fclose(f);
    return addMember(zf, member, text.data(), text.size());
}

// Fills the open archive; false after printing what went wrong.
bool writePack(zipFile zf, const MakeOptions& o, const Shape shapes[3])
{
    int n = static_cast<int>(o.pictures.size());
    for (int i = 0; i < n; i++) {
        const char* name = o.pictures[static_cast<size_t>(i)];
        char err[PHOTO_ERR_CAP] = "";
        const char* kind = "";
        PHOTO p = {};
        int32_t w = 0, h = 0;
        if (!readPicture(name, shapes, &p, &kind, &w, &h, err, sizeof err)) {
            fprintf(stderr, "tobex makepack: cannot use picture %s: %s\n", name, err);
            return false;
        }
        printf("[%d/%d] %s (%s, %d x %d) -> Image%d, Thumb%d, Full%d\n", i + 1, n, name, kind, w, h, i, i, i);
        fflush(stdout);
        bool ok = addPicture(zf, i, &p, shapes);
        photoFree(&p);
        if (!ok) {
            fprintf(stderr, "tobex makepack: cannot store picture %s\n", name);
            return false;
        }
    }
    std::string title = o.title ? std::string(o.title) + "\n" : "";
    if (o.title && !addMember(zf, "Title.txt", title.data(), title.size()))
        return false;
    return !o.credits || addTextFile(zf, "Credits.txt", o.credits);
}

// Writes the pack through a temporary file renamed over OUT when complete.
int writeArchive(const MakeOptions& o, const Shape shapes[3])
{
    std::string temp = std::string(o.out) + ".partXXXXXX";
    int fd = mkstemp(temp.data());
    mode_t mask = umask(0);  // mkstemp makes a private file; the pack gets the usual mode
    umask(mask);
    if (fd >= 0)
        fchmod(fd, 0666 & ~mask);
    zipFile zf = fd >= 0 ? zipOpen64(temp.c_str(), APPEND_STATUS_CREATE) : nullptr;
    if (fd >= 0)
        close(fd);
    if (!zf) {
        fprintf(stderr, "tobex makepack: cannot create %s\n", o.out);
        if (fd >= 0)
            unlink(temp.c_str());
        return 1;
    }
    bool ok = writePack(zf, o, shapes);
    ok = zipClose(zf, nullptr) == ZIP_OK && ok;
    if (ok && rename(temp.c_str(), o.out) != 0) {
        fprintf(stderr, "tobex makepack: cannot write %s\n", o.out);
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        return 1;
    }
    printf("%s: %zu pictures (Image %d x %d, Thumb %d x %d, Full %d x %d)\n", o.out, o.pictures.size(),
           shapes[0].w, shapes[0].h, shapes[1].w, shapes[1].h, shapes[2].w, shapes[2].h);
    return 0;
}

}

int toolMakepack(int argc, char** argv)
{
    MakeOptions o;
    int rc = parseArgs(argc, argv, &o);
    if (rc != 0)
        return rc < 0 ? 0 : rc;
    toolStartEngine();
    vfsInit();
    Shape shapes[3];
    bool known = readShapes(o.data, shapes);
    vfsShutdown();
    if (!known) {
        sfPoolShutdown();
        return 1;
    }
    vfsInit();
    int status = writeArchive(o, shapes);
    vfsShutdown();
    sfPoolShutdown();  // every surface was given back; the pool's blocks go too
    return status;
}
