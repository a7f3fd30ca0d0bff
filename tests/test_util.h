#pragma once
// Helpers shared by the test programs: temporary folders, whole files, pointing
// the engine's folders (and so its log) at a temporary folder, small images and
// running the tobex tool.

#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/files.h"
#include "app/host.h"
#include "app/log.h"
#include "app/text.h"
#include "base/rect.h"
#include "gfx/photo.h"
#include "vfs/logfile.h"

namespace testutil {

// A fresh folder under the system's temporary folder, ending in "/".
inline std::string makeTempDir()
{
    char tmpl[] = "/tmp/tobextest.XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return std::string(dir ? dir : "/tmp") + "/";
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::u16string wide(const std::string& utf8)
{
    char16_t buf[TEXT_MAX_PATH * 4];
    textFromUtf8(buf, sizeof buf / sizeof buf[0], utf8.c_str());
    return std::u16string(buf);
}

inline std::string narrow(const char16_t* s)
{
    char buf[TEXT_MAX_PATH * 3];
    textToUtf8(buf, sizeof buf, s);
    return buf;
}

// Makes dir the program's folder (and so the writable data folder) and starts a
// new log run there; returns the log's path.
inline std::string useFolder(const std::string& dir)
{
    folderSetPath(FOLDER_PROGRAM, wide(dir).c_str());
    vfsLogToFile();
    logRestart();
    return dir + "Tobex.log";
}

// Starts the headless host with a script (none when empty) and a virtual clock
// of frameMs per frame; false when the host refuses the script.
inline bool startHeadless(const std::string& script, uint32_t frameMs)
{
    HostOptions o{};
    o.headless = true;
    o.frameMs = frameMs;
    if (!script.empty()) {
        std::string path = makeTempDir() + "script.txt";
        writeFile(path, script);
        snprintf(o.script, sizeof o.script, "%s", path.c_str());
    }
    return hostStart(&o);
}

// A 24-bit top-down TGA of w x h; pixel(x, y) gives 0x00RRGGBB.
template <class F>
std::string tga(int w, int h, F pixel)
{
    std::string b = {0,  0,   2, 0, 0, 0, 0, 0, 0, 0, 0, 0, char(w), char(w >> 8), char(h), char(h >> 8),
                     24, 0x20};
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint32_t c = pixel(x, y);
            b += {char(c), char(c >> 8), char(c >> 16)};
        }
    return b;
}

// A rectangle as "x y w h", to check all four fields at once.
inline std::string str(const Rect& r)
{
    return std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.w) + " " +
           std::to_string(r.h);
}

// A screenshot's pixels as 0xRRGGBB.
struct Shot {
    int w = 0, h = 0;
    std::vector<uint32_t> px;

    bool operator==(const Shot&) const = default;
    uint32_t at(int x, int y) const
    {
        return px[size_t(y) * size_t(w) + size_t(x)];
    }
    // The distinct colours of a rectangle.
    size_t colours(int x0, int y0, int cw, int ch) const
    {
        std::vector<uint32_t> seen;
        for (int y = y0; y < y0 + ch; y++)
            for (int x = x0; x < x0 + cw; x++)
                if (std::find(seen.begin(), seen.end(), at(x, y)) == seen.end())
                    seen.push_back(at(x, y));
        return seen.size();
    }
    // The pixels of a rectangle that have colour rgb.
    int count(int x0, int y0, int cw, int ch, uint32_t rgb) const
    {
        int n = 0;
        for (int y = y0; y < y0 + ch; y++)
            for (int x = x0; x < x0 + cw; x++)
                n += at(x, y) == rgb;
        return n;
    }
    bool rowsEqual(const Shot& o, int y0, int y1) const
    {
        return w == o.w && h == o.h && y1 <= h &&
               std::equal(px.begin() + y0 * w, px.begin() + y1 * w, o.px.begin() + y0 * w);
    }
};

// Decodes a PNG screenshot; an empty shot when it is none.
inline Shot decodeShot(const std::string& png)
{
    Shot s;
    PHOTO p = {};
    char err[PHOTO_ERR_CAP];
    if (!photoDecode(reinterpret_cast<const uint8_t*>(png.data()), png.size(), 0, 0, &p, err, sizeof err))
        return s;
    s.w = p.width;
    s.h = p.height;
    for (int32_t i = 0; i < p.width * p.height; i++)
        s.px.push_back(uint32_t(p.rgba[i * 4]) << 16 | uint32_t(p.rgba[i * 4 + 1]) << 8 | p.rgba[i * 4 + 2]);
    photoFree(&p);
    return s;
}

struct ToolRun {
    int status;
    std::string out;  // standard output and error together
};

// Runs a shell command in dir, its standard output and error together.
inline ToolRun runIn(const std::string& dir, const std::string& command)
{
    ToolRun r = {-1, ""};
    FILE* p = popen(("cd '" + dir + "' && " + command + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        r.out.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Runs "tobex <args>" in dir.
inline ToolRun runTobex(const std::string& dir, const std::string& args)
{
    return runIn(dir, "'" TOBEX_BIN_DIR "/tobex' " + args);
}

// A test in a fresh program folder (where loose files and the log go), removed
// at the end.
class FolderTest : public testing::Test {
protected:
    std::string dir;  // ends with "/"

    void SetUp() override
    {
        dir = makeTempDir();
        useFolder(dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string path(const std::string& name) const
    {
        return dir + name;
    }
    std::string log() const  // since the test started
    {
        return readFile(dir + "Tobex.log");
    }
};

}
