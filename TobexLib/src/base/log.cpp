// Log lines: formatting, and handing each line to the sink that stores it.
//
// The log knows no file: the virtual file system registers the sink that
// writes "Tobex.log" (vfs/logfile.cpp). The sink is told when a line starts a
// new run, so it can recreate its file. A busy flag drops lines written from
// inside the sink's own calls, which may log themselves.
#include "base/log.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "base/text.h"

namespace {

constexpr int kBufSize = 2048;

struct LogState {
    LogSink sink;
    bool newRun;  // the next line starts a run
    bool busy;
    char buf[kBufSize + 2];
} g_log = {.sink = nullptr, .newRun = true, .busy = false, .buf = {}};

// Writes v with exactly four decimals, truncated rather than rounded.
int formatFloat(char* out, int cap, float v)
{
    double d = v;
    bool neg = d < 0;
    if (neg)
        d = -d;
    if (!(d < 1e15))  // infinities, NaN and huge values: let the C library spell them
        return snprintf(out, size_t(cap), "%.4f", double(v));
    uint64_t whole = uint64_t(d);
    uint64_t frac = uint64_t((d - double(whole)) * 10000.0);
    if (frac > 9999)
        frac = 9999;
    return snprintf(out, size_t(cap), "%s%" PRIu64 ".%04" PRIu64, neg ? "-" : "", whole, frac);
}

}

int logFormat(char* out, int cap, const void* item, unsigned flags)
{
    if (!out || cap <= 0)
        return 0;
    out[0] = 0;
    if (!item)
        return snprintf(out, size_t(cap), "(null)");
    int n;
    if (flags & LOG_WIDE)
        n = int(textToLatin1(out, size_t(cap), static_cast<const char16_t*>(item)));
    else if (flags & LOG_INT)
        n = snprintf(out, size_t(cap), "%" PRId32, *static_cast<const int32_t*>(item));
    else if (flags & LOG_HEX)
        n = snprintf(out, size_t(cap), "%" PRIX32, *static_cast<const uint32_t*>(item));
    else if (flags & LOG_INT8)
        n = snprintf(out, size_t(cap), "%d", int(*static_cast<const int8_t*>(item)));
    else if (flags & LOG_INT16)
        n = snprintf(out, size_t(cap), "%d", int(*static_cast<const int16_t*>(item)));
    else if (flags & LOG_FLOAT)
        n = formatFloat(out, cap, *static_cast<const float*>(item));
    else
        n = snprintf(out, size_t(cap), "%s", static_cast<const char*>(item));
    return n < cap ? n : cap - 1;
}

void logWrite(const void* item, unsigned flags)
{
    if (g_log.busy || !g_log.sink)
        return;
    g_log.busy = true;
    int n = logFormat(g_log.buf, kBufSize + 1, item, flags);
    g_log.buf[n] = 0;
    if (g_log.sink(g_log.buf, flags & LOG_EOL, g_log.newRun))
        g_log.newRun = false;
    g_log.busy = false;
}

void logLine(const char* text)
{
    logWrite(text, LOG_EOL);
}

void logRestart()
{
    g_log.newRun = true;
    g_log.busy = false;
}

void logSetSink(LogSink sink)
{
    g_log.sink = sink;
}

void assertReport(const char* file, int line, const char* message, unsigned flags)
{
    int32_t l = line;
    logWrite(file, 0);
    logWrite("(", 0);
    logWrite(&l, LOG_INT);
    if (!message) {
        logWrite(")", LOG_EOL);
        return;
    }
    logWrite("): ", 0);
    logWrite(message, flags | LOG_EOL);
}
