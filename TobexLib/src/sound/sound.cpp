// The sound manager: libmikmod's start and stop, sound effects and voices.
//
// The library has traps this module keeps away from its callers:
// - it does not try another driver when the one it picked fails, and loading
//   anything while it is not started crashes it, so every call here checks
//   that sound is active, and a failed start is retried with "nosound";
// - its error code is never cleared on success, so it is cleared before each
//   call whose failure is reported;
// - it does not free the samples and modules it still holds when it ends, so
//   shut-down frees those of every effect and module still loaded.
#include "sound/sound.h"

#include <math.h>
#include <mikmod.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "app/host.h"
#include "base/bytes.h"
#include "base/log.h"
#include "base/mem.h"
#include "sound/music.h"
#include "sound/reader.h"

namespace {

constexpr const char* kSilentDriver = "nosound";
constexpr const char* kDesktopDriver = "sdl";  // mixes on its own thread: never blocks a frame
constexpr uint16_t kSampleLoop = SF_LOOP;
constexpr uint8_t kPlayCritical = SFX_CRITICAL;

struct SoundState {
    bool active;
    bool muted;
    bool sounding;  // a voice or module may sound; false: updates skip the mixer
    float volume = 1.0f;
    int lastUpdateError;         // the error of the last failed update, logged once
    char driver[32];             // alias of the driver in use; empty when stopped
    std::vector<Sound*> loaded;  // effects whose samples shut-down must free
} g_snd;

void logReason(const char* prefix, int code)
{
    logWrite(prefix, 0);
    logWrite(MikMod_strerror(code), LOG_EOL);
}

void registerAll()
{
    static bool registered = false;
    if (registered)
        return;
    MikMod_RegisterAllDrivers();
    MikMod_RegisterAllLoaders();
    registered = true;
}

// SDL_AUDIODRIVER=disk would make the desktop driver write the mixed audio to a
// file in the working directory.
bool desktopOutputWritesFile()
{
    const char* v = getenv("SDL_AUDIODRIVER");
    return v && strstr(v, "disk");
}

// Starts the library on one driver; false (with the reason logged) when the
// driver is unknown or does not start.
bool startDriver(const char* alias)
{
    int device = MikMod_DriverFromAlias(alias);
    if (device <= 0) {
        logWrite("sndInit: no sound driver named ", 0);
        logWrite(alias, LOG_EOL);
        return false;
    }
    md_device = uint16_t(device);
    // Software mixing of music and effects; without the effects bit some drivers
    // offer no effect voices at all.
    md_mode |= DMODE_SOFT_MUSIC | DMODE_SOFT_SNDFX;
    MikMod_errno = 0;
    if (MikMod_Init("")) {
        logReason("Could not initialize sound, reason: ", MikMod_errno);
        return false;
    }
    snprintf(g_snd.driver, sizeof g_snd.driver, "%s", alias);
    return true;
}

bool validVoice(int voice)
{
    return g_snd.active && voice > 0 && voice < SND_MUSIC_VOICES + SND_FX_VOICES;
}

// WAV headers the library trusts too far: it sizes a sample's buffer from the
// length the data chunk claims before it reads a byte of the data (a short file
// claiming 4 GB made it allocate 4 GB); it divides the rate by the channel count
// (zero channels crashed it); and it finds the next chunk with 32-bit arithmetic
// that wraps, so a huge chunk length sends it backwards, round in circles for
// ever. This walks the chunks exactly as the library does (the first after the
// 12-byte RIFF header, each next one right after the last with no padding, the
// format fields read from the chunk's start whatever its length) and refuses
// all three. What the library refuses by itself is left to it.
bool wavHeaderSafe(VFile* f)
{
    const uint32_t size = vfsSize(f);
    uint32_t pos = 12;
    bool safe = true;
    while (safe && uint64_t(pos) + 8 < size) {
        unsigned char head[12];
        const int32_t want = uint64_t(pos) + 12 <= size ? 12 : 8;
        if (!vfsSeek(f, int32_t(pos), 0) || vfsRead(f, head, want) != want)
            break;
        const uint32_t len = leRead32(head + 4);
        if (!memcmp(head, "data", 4)) {
            safe = len <= size - (pos + 8);
            break;
        }
        if (!memcmp(head, "fmt ", 4) && want == 12 && head[10] == 0 && head[11] == 0)
            safe = false;                     // zero channels
        const uint32_t next = pos + 8 + len;  // wraps as the library's does
        if (next <= pos)
            safe = false;
        pos = next;
    }
    vfsSeek(f, 0, 0);
    return safe;
}

void forget(Sound* s)
{
    auto it = std::find(g_snd.loaded.begin(), g_snd.loaded.end(), s);
    if (it != g_snd.loaded.end())
        g_snd.loaded.erase(it);
}

}

// ---- Start and stop -------------------------------------------------------------------------

bool sndInit()
{
    return sndInitDriver(hostIsHeadless() ? kSilentDriver : nullptr);
}

bool sndInitDriver(const char* driver)
{
    if (g_snd.active)
        return true;
    registerAll();
    bool started = false;
    if (!driver && desktopOutputWritesFile())
        logLine("sndInit: SDL_AUDIODRIVER asks for a disk writer; no audio output is used");
    else
        started = startDriver(driver ? driver : kDesktopDriver);
    if (!started) {
        // NOTE: the library keeps no state from a failed start, so a second
        // start with the silent driver works where its own detection gave up.
        if ((driver && !strcmp(driver, kSilentDriver)) || !startDriver(kSilentDriver))
            return false;
        logLine("sndInit: no audio output could be opened; sound stays silent");
    }
    MikMod_SetNumVoices(SND_MUSIC_VOICES, SND_FX_VOICES);
    if (!g_snd.muted)
        MikMod_EnableOutput();
    g_snd.active = true;
    g_snd.lastUpdateError = 0;
    return true;
}

void sndShutdown()
{
    if (!g_snd.active)
        return;
    musicReleaseAll();
    MikMod_DisableOutput();
    for (Sound* s : g_snd.loaded) {
        Sample_Free(s->sample);
        s->sample = nullptr;
    }
    g_snd.loaded.clear();
    MikMod_Exit();
    g_snd.active = false;
    g_snd.sounding = false;
    g_snd.driver[0] = 0;
}

namespace {

// True while a module plays or any voice of the software mixer sounds.
bool somethingSounds()
{
    if (Player_Active())
        return true;
    for (int v = 0; v < SND_MUSIC_VOICES + SND_FX_VOICES; v++)
        if (!Voice_Stopped(SBYTE(v)))
            return true;
    return false;
}

}

void sndUpdate()
{
    // Mixing silence cost a fifth of a frame: the mixer is left alone from the
    // first update that finds nothing sounding until a sound or module starts.
    if (!g_snd.active || !g_snd.sounding)
        return;
    MikMod_errno = 0;
    MikMod_Update();
    int code = MikMod_errno;
    // A failing device fails every frame: its error is logged when it first
    // appears, not sixty times a second.
    if (code && code != g_snd.lastUpdateError)
        logReason("Sound update failed, reason: ", code);
    g_snd.lastUpdateError = code;
    g_snd.sounding = somethingSounds();
}

void sndWake()
{
    g_snd.sounding = g_snd.active;
}

bool sndActive()
{
    return g_snd.active;
}

const char* sndDriverName()
{
    return g_snd.driver;
}

// ---- Effects ------------------------------------------------------------------------------

Sound* sndLoad(const char16_t* name)
{
    if (!name || !g_snd.active)
        return nullptr;
    VFile* f = vfsOpen(name);
    if (!f)
        return nullptr;
    Sound* s = static_cast<Sound*>(memAlloc(int32_t(sizeof(Sound))));
    if (!s) {
        vfsClose(f);
        return nullptr;
    }
    *s = Sound{nullptr, f, 0, 0};
    VfsReader reader;
    readerInit(&reader, f);
    MikMod_errno = 0;
    if (wavHeaderSafe(f))
        s->sample = Sample_LoadGeneric(&reader.core);
    vfsClose(f);
    s->file = nullptr;
    if (!s->sample) {
        MikMod_errno = 0;
        memFree(s);
        logWrite("MikMod sndLoadSample failed for ", 0);
        logWrite(name, LOG_WIDE | LOG_EOL);
        return nullptr;
    }
    g_snd.loaded.push_back(s);
    return s;
}

void sndFree(Sound* s)
{
    if (!s)
        return;
    forget(s);
    if (s->sample && g_snd.active)
        Sample_Free(s->sample);
    memFree(s);
}

void sndPlay(Sound* s, int* outVoice)
{
    int voice = 0;
    if (s && s->sample && g_snd.active && !g_snd.muted) {
        int v = Sample_Play(s->sample, 0, s->critical ? kPlayCritical : 0);
        // The library answers -1 when every effect voice holds a critical sound.
        if (v > 0) {
            Voice_SetVolume(SBYTE(v), UWORD(g_snd.volume * 255.0f));
            voice = v;
            sndWake();
        }
    }
    if (outVoice)
        *outVoice = voice;
}

void sndSetLoop(Sound* s, bool on)
{
    if (!s)
        return;
    s->loop = on ? 1 : 0;
    if (!s->sample)
        return;
    // The desktop driver mixes on its own thread, which reads these fields.
    MikMod_Lock();
    if (on) {
        s->sample->flags |= kSampleLoop;
        s->sample->loopstart = 0;
        s->sample->loopend = s->sample->length;
    } else {
        s->sample->flags &= UWORD(~kSampleLoop);
    }
    MikMod_Unlock();
}

void sndSetCritical(Sound* s, bool on)
{
    if (s)
        s->critical = on ? 1 : 0;
}

uint32_t sndFrequency(const Sound* s)
{
    return s && s->sample ? uint32_t(s->sample->speed) : 0;
}

// ---- Voices ------------------------------------------------------------------------------

void sndVoiceVolume(int voice, float v)
{
    if (!validVoice(voice))
        return;
    Voice_SetVolume(SBYTE(voice), UWORD(g_snd.volume * sndClampUnit(v) * 255.0f));
}

void sndVoicePan(int voice, float p)
{
    if (!validVoice(voice))
        return;
    if (isnan(p))
        p = 0.0f;
    float unit = sndClampUnit((p + 1.0f) * 0.5f);  // -1..1 onto 0..1
    Voice_SetPanning(SBYTE(voice), ULONG(unit * 255.0f));
}

void sndVoiceFrequency(int voice, uint32_t hz)
{
    if (validVoice(voice) && hz > 0)
        Voice_SetFrequency(SBYTE(voice), ULONG(hz));
}

void sndVoiceStop(int voice)
{
    if (validVoice(voice))
        Voice_Stop(SBYTE(voice));
}

// ---- Volume and mute -------------------------------------------------------------------------

float sndClampUnit(float v)
{
    if (!(v > 0.0f))
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

void sndSetVolume(float v)
{
    g_snd.volume = sndClampUnit(v);
}

float sndGetVolume()
{
    return g_snd.volume;
}

void sndSetMute(bool on)
{
    g_snd.muted = on;
    if (!g_snd.active)
        return;
    if (on)
        MikMod_DisableOutput();
    else
        MikMod_EnableOutput();
}

bool sndMuted()
{
    return g_snd.muted;
}

// ---- Mixing format -------------------------------------------------------------------------------

int sndMixBits()
{
    return (md_mode & DMODE_16BITS) ? 16 : 8;
}

int sndMixRate()
{
    return int(md_mixfreq);
}

int sndMixChannels()
{
    return (md_mode & DMODE_STEREO) ? 2 : 1;
}
