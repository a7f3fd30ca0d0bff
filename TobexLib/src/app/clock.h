#pragma once
// The millisecond clock every TIME value is read from, the waiting and date
// functions, and the frame statistics of the frame loop.

#include <stdint.h>

typedef uint32_t TIME;  // milliseconds since clockStart; wraps after about 49.7 days

// ---- Clock -----------------------------------------------------------------------
void clockStart();  // the clock counts from here
TIME timeNow();     // 0 when no usable counter exists
float timeSeconds();
float timeElapsedSeconds(TIME t0, TIME t1);  // tolerates one wrap of the clock
TIME timeDelay(uint32_t ms);                 // sleeps until now + ms; returns the time reached
int timeWait(uint32_t ms);                   // as timeDelay, keeping the program alive; 1 on quit
void localTimeOfDay(int* h, int* m, int* s);
void localDate(int* year, int* month, int* day, int* weekday);  // weekday 1 Monday .. 7 Sunday

// ---- Frame statistics --------------------------------------------------------------
struct FrameStats {
    uint32_t frames;       // frames completed since statsInit
    uint32_t frameTime;    // duration of the last frame in ms
    float fps;             // mean rate over the last 32 frames; 0 until measured
    uint32_t framesAtFps;  // frames when fps was last computed
    TIME frameStart;       // start of the current frame
    TIME created;          // when the record was initialised
    TIME frameEnd;         // end of the last frame
    TIME fpsTime;          // when fps was last computed (0 = never)
};

void statsInit(FrameStats* rec);
void statsFrameStart(FrameStats* rec);
bool statsFrameEnd(FrameStats* rec);  // true when fps was recomputed
float statsAverageFps(const FrameStats* rec);

// ---- Testing ---------------------------------------------------------------------
// Replaces the counter and its frequency (counts per second) for tests; null
// restores the host's counter.
void clockSetSource(uint64_t (*counter)(), uint64_t frequency);
