// Module music: modules load through the virtual file system like effects and
// play on the library's music voices.
#include "sound/music.h"

#include <mikmod.h>

#include <algorithm>
#include <vector>

#include "base/mem.h"
#include "sound/reader.h"
#include "sound/sound.h"

namespace {

constexpr int kMaxChannels = SND_MUSIC_VOICES;

struct MusicState {
    float volume = 1.0f;
    Music* playing;              // the module started last, until stopped
    std::vector<Music*> loaded;  // modules whose library data shut-down must free
} g_music;

void forget(Music* m)
{
    auto it = std::find(g_music.loaded.begin(), g_music.loaded.end(), m);
    if (it != g_music.loaded.end())
        g_music.loaded.erase(it);
}

UBYTE libraryVolume()
{
    return UBYTE(g_music.volume * 128.0f);
}

}

// ---- Loading ------------------------------------------------------------------------------

Music* musicLoad(const char16_t* name)
{
    if (!name || !sndActive())
        return nullptr;
    VFile* f = vfsOpen(name);
    if (!f)
        return nullptr;
    Music* m = static_cast<Music*>(memAlloc(int32_t(sizeof(Music))));
    if (!m) {
        vfsClose(f);
        return nullptr;
    }
    *m = Music{nullptr, f};
    VfsReader reader;
    readerInit(&reader, f);
    m->module = Player_LoadGeneric(&reader.core, kMaxChannels, 0);
    vfsClose(f);
    m->file = nullptr;
    MikMod_errno = 0;
    if (!m->module) {
        memFree(m);
        return nullptr;
    }
    g_music.loaded.push_back(m);
    return m;
}

void musicFree(Music* m)
{
    if (!m)
        return;
    if (g_music.playing == m)
        musicStop();
    forget(m);
    if (m->module && sndActive())
        Player_Free(m->module);
    memFree(m);
}

void musicReleaseAll()
{
    if (g_music.playing)
        musicStop();
    for (Music* m : g_music.loaded) {
        Player_Free(m->module);
        m->module = nullptr;
    }
    g_music.loaded.clear();
}

// ---- Playing -------------------------------------------------------------------------------

void musicPlay(Music* m)
{
    if (!m || !m->module || !sndActive())
        return;
    Player_Start(m->module);
    // A module that has played to its end keeps its position there; playing it
    // again starts from the top.
    Player_SetPosition(0);
    Player_SetVolume(libraryVolume());
    g_music.playing = m;
    sndWake();
}

void musicStop()
{
    if (sndActive())
        Player_Stop();
    g_music.playing = nullptr;
}

void musicPause(int state)
{
    if (!sndActive())
        return;
    bool paused = Player_Paused();
    if (state < 0 || (state == 1 && paused) || (state == 0 && !paused))
        Player_TogglePause();
    sndWake();
}

bool musicPlaying()
{
    Music* m = g_music.playing;
    return m && m->module && sndActive() && Player_GetModule() == m->module && Player_Active();
}

void musicSetLoop(Music* m, bool on)
{
    if (!m || !m->module)
        return;
    // The loop flag lets the module's own jumps go backwards; wrapping starts
    // a module without such jumps again from the top when it ends.
    MikMod_Lock();  // the desktop driver plays on its own thread
    m->module->loop = on ? 1 : 0;
    m->module->wrap = on ? 1 : 0;
    MikMod_Unlock();
}

// ---- Volume ------------------------------------------------------------------------------------

void musicSetVolume(float v)
{
    g_music.volume = sndClampUnit(v);
    if (!sndActive())
        return;
    Player_SetVolume(libraryVolume());
    if (musicPlaying()) {
        MikMod_Lock();
        g_music.playing->module->volume = libraryVolume();
        MikMod_Unlock();
    }
}

float musicGetVolume()
{
    return g_music.volume;
}
