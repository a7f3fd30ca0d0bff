#pragma once
// The sound manager over libmikmod: start and stop of the library, WAV sound
// effects loaded through the virtual file system, a master volume, mute, and
// the per-frame mixing call. Module music is in sound/music.h.

#include <stdint.h>

struct SAMPLE;
struct VFile;

constexpr int SND_MUSIC_VOICES = 8;  // voices reserved for module music
constexpr int SND_FX_VOICES = 8;     // voices for sound effects

// A loaded effect; created by sndLoad, freed by sndFree, owned by the caller.
struct Sound {
    SAMPLE* sample;    // the library's sample; null once sound has been shut down
    VFile* file;       // the open file, only while loading
    uint8_t loop;      // 1: plays in a loop
    uint8_t critical;  // 1: not taken over by later effects while it plays
};

// ---- Start and stop ---------------------------------------------------------------------
// Starts the library: the desktop's audio output, or the silent "nosound" driver
// in headless runs and whenever no audio output can be opened (logged). False
// only when not even the silent driver starts.
bool sndInit();
// As sndInit with the named libmikmod driver tried first (null: the desktop's
// output); for tests and tools.
bool sndInitDriver(const char* driver);
void sndShutdown();           // frees the samples of every loaded effect; handles stay valid to sndFree
void sndUpdate();             // once per frame and in waiting loops: mix and hand audio to the driver
void sndWake();               // something may sound now: mix again from the next update on
bool sndActive();             // started and not shut down
const char* sndDriverName();  // the driver in use ("nosound" when silent), or "" when stopped

// ---- Effects ------------------------------------------------------------------------------
Sound* sndLoad(const char16_t* name);  // a mono 8- or 16-bit WAV; null when missing or unreadable
void sndFree(Sound* s);                // null is ignored
// Plays once at the master volume; *outVoice (when given) receives the voice, or 0
// when nothing was started (null handle, muted, stopped, or no free voice).
void sndPlay(Sound* s, int* outVoice);
void sndSetLoop(Sound* s, bool on);
void sndSetCritical(Sound* s, bool on);
uint32_t sndFrequency(const Sound* s);  // the sample's stored rate in Hz; 0 for null

// ---- Voices ------------------------------------------------------------------------------
// Voice numbers come from sndPlay; 0 and numbers of no voice are ignored.
void sndVoiceVolume(int voice, float v);         // v in 0..1, scaled by the master volume
void sndVoicePan(int voice, float p);            // p in -1 (left) .. 1 (right)
void sndVoiceFrequency(int voice, uint32_t hz);  // 0 is ignored
void sndVoiceStop(int voice);

// ---- Volume and mute -------------------------------------------------------------------------
// Volumes are clamped to 0..1; a value that is not a number counts as 0.
void sndSetVolume(float v);
float sndGetVolume();
void sndSetMute(bool on);  // muted: output off, and sndPlay starts nothing
bool sndMuted();

// ---- Mixing format -------------------------------------------------------------------------------
int sndMixBits();      // 16 or 8
int sndMixRate();      // Hz
int sndMixChannels();  // 2 or 1

// ---- For the music module ---------------------------------------------------------------------------
float sndClampUnit(float v);  // v clamped to 0..1, not-a-number as 0
