// Fuzzes WAV loading: each input is written to a file, loaded with sndLoad on
// the silent driver, and when it loads, played in a loop for one mixing call.
// Seeds in corpus/wav/ were written with Python's wave module: a mono 8-bit and
// a mono 16-bit sine, and a stereo 16-bit one that must be refused.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "sound/sound.h"

namespace {

std::string g_dir;
std::string g_path;
char16_t g_name[TEXT_MAX_PATH];

void removeFiles()
{
    sndShutdown();
    remove(g_path.c_str());
    remove((g_dir + "/Tobex.log").c_str());
    rmdir(g_dir.c_str());
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Memory-backed when possible: every input is written to a file.
    char tmpl[] = "/dev/shm/tobexfuzzwav.XXXXXX";
    char fallback[] = "/tmp/tobexfuzzwav.XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (!dir)
        dir = mkdtemp(fallback);
    if (!dir)
        abort();
    char16_t wideDir[TEXT_MAX_PATH];
    textFromUtf8(wideDir, TEXT_MAX_PATH, dir);
    folderSetPath(FOLDER_PROGRAM, wideDir);  // the log goes there too
    g_dir = dir;
    g_path = g_dir + "/input.wav";
    atexit(removeFiles);
    textFromUtf8(g_name, TEXT_MAX_PATH, g_path.c_str());
    // No window is ever opened here, so sound starts on the silent driver.
    if (!sndInit())
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen(g_path.c_str(), "wb");
    if (!f)
        return 0;
    size_t written = fwrite(data, 1, size, f);
    fclose(f);
    if (written != size)
        return 0;
    // Each input starts a new log, so failed loads do not fill the disk.
    logRestart();
    Sound* s = sndLoad(g_name);
    if (!s)
        return 0;
    sndSetLoop(s, true);
    int voice = 0;
    sndPlay(s, &voice);
    sndUpdate();
    sndVoiceStop(voice);
    sndFree(s);
    return 0;
}
