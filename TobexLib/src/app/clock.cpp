// The millisecond clock, waiting, local date and time, and frame statistics.
#include "app/clock.h"

#include <time.h>

#include "app/app.h"
#include "app/host.h"

namespace {

struct ClockState {
    uint64_t start;
    uint64_t ticksPerMs;  // 0: no usable counter
    uint64_t (*counter)();
    uint64_t frequency;
} g_clock;

uint64_t readCounter()
{
    return g_clock.counter ? g_clock.counter() : hostCounter();
}

uint64_t counterFrequency()
{
    return g_clock.counter ? g_clock.frequency : hostCounterFrequency();
}

// Elapsed ms from t0 to t1 with the wrap rule: when t0 > t1 the clock wrapped.
uint32_t elapsed(TIME t0, TIME t1)
{
    return t0 > t1 ? uint32_t(t1 - t0 - 1) : t1 - t0;
}

}

void clockStart()
{
    // A counter slower than 1 kHz cannot give milliseconds; it counts as missing.
    g_clock.ticksPerMs = counterFrequency() / 1000;
    g_clock.start = readCounter();
}

TIME timeNow()
{
    if (g_clock.ticksPerMs == 0)
        return 0;
    return TIME((readCounter() - g_clock.start) / g_clock.ticksPerMs);
}

float timeSeconds()
{
    return float(timeNow()) * 0.001f;
}

float timeElapsedSeconds(TIME t0, TIME t1)
{
    return float(elapsed(t0, t1)) * 0.001f;
}

TIME timeDelay(uint32_t ms)
{
    TIME until = timeNow() + ms;
    TIME now;
    while ((now = timeNow()) < until && g_clock.ticksPerMs)
        hostSleep(1);
    return now;
}

int timeWait(uint32_t ms)
{
    TIME until = timeNow() + ms;
    for (;;) {
        if (!appPumpMessages())
            return 1;
        appKeepAlive();
        if (timeNow() >= until || !g_clock.ticksPerMs)
            return 0;
        hostSleep(1);
    }
}

void localTimeOfDay(int* h, int* m, int* s)
{
    time_t t = time(nullptr);
    struct tm lt;
    localtime_r(&t, &lt);
    if (h)
        *h = lt.tm_hour;
    if (m)
        *m = lt.tm_min;
    if (s)
        *s = lt.tm_sec;
}

void localDate(int* year, int* month, int* day, int* weekday)
{
    time_t t = time(nullptr);
    struct tm lt;
    localtime_r(&t, &lt);
    if (year)
        *year = lt.tm_year + 1900;
    if (month)
        *month = lt.tm_mon + 1;
    if (day)
        *day = lt.tm_mday;
    if (weekday)
        *weekday = lt.tm_wday == 0 ? 7 : lt.tm_wday;
}

void statsInit(FrameStats* rec)
{
    *rec = FrameStats{};
    rec->created = timeNow();
}

void statsFrameStart(FrameStats* rec)
{
    rec->frameStart = timeNow();
}

bool statsFrameEnd(FrameStats* rec)
{
    TIME now = timeNow();
    rec->frameTime = now - rec->frameStart;
    rec->frames += 1;
    rec->frameEnd = now;
    if (rec->fpsTime == 0) {
        rec->fpsTime = now;
        rec->fps = 0;
        rec->framesAtFps = rec->frames;
        return false;
    }
    if ((rec->frames - rec->framesAtFps) % 32 == 0 && rec->fpsTime < now) {
        rec->fps = 32000.0f / float(now - rec->fpsTime);
        rec->fpsTime = now;
        rec->framesAtFps = rec->frames;
        return true;
    }
    return false;
}

float statsAverageFps(const FrameStats* rec)
{
    uint32_t ms = elapsed(rec->created, rec->frameEnd);
    if (ms == 0)
        return 0.0f;
    return float(rec->frames) * 1000.0f / float(ms);
}

void clockSetSource(uint64_t (*counter)(), uint64_t frequency)
{
    g_clock.counter = counter;
    g_clock.frequency = frequency;
}
