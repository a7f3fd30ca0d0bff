#pragma once
// Module music over libmikmod: load, play, stop, pause, loop and volume. One
// module plays at a time.

#include <stdint.h>

struct MODULE;
struct VFile;

// A loaded module; created by musicLoad, freed by musicFree, owned by the caller.
struct Music {
    MODULE* module;  // the library's module; null once sound has been shut down
    VFile* file;     // the open file, only while loading
};

// ---- Loading ------------------------------------------------------------------------------
Music* musicLoad(const char16_t* name);  // null when missing, unreadable or sound is not started
void musicFree(Music* m);                // stops it first when it is playing; null is ignored

// ---- Playing -------------------------------------------------------------------------------
void musicPlay(Music* m);  // starts it from the top and remembers it as playing
void musicStop();
void musicPause(int state);            // 1 resumes, 0 pauses, negative toggles
bool musicPlaying();                   // the remembered module is the library's and still active
void musicSetLoop(Music* m, bool on);  // on: starts again from the top after the end

// ---- Volume ------------------------------------------------------------------------------------
void musicSetVolume(float v);  // clamped to 0..1 (not-a-number as 0)
float musicGetVolume();

// ---- For the sound manager -----------------------------------------------------------------------
void musicReleaseAll();  // at shut-down: frees every loaded module's library data
