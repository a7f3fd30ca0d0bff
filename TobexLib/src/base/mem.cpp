// The allocator: a size header in front of every block, live-byte statistics,
// the start-up reserve check and the leak report written as the process exits.
//
// NOTE: the header is 16 bytes, not 4, so that the caller's address keeps the
// heap's alignment on a 64-bit host; only the recorded size is stored in it.
#include "base/mem.h"

#include <stdlib.h>
#include <string.h>

#include "base/log.h"

namespace {

constexpr size_t kHeader = 16;
static_assert(kHeader >= alignof(max_align_t), "header must keep the heap's alignment");

MemStats g_stats;
int g_failAfter = -1;
MemShortageFn g_shortage;

bool injectFailure()
{
    if (g_failAfter < 0)
        return false;
    if (g_failAfter == 0) {
        g_failAfter = -1;
        return true;
    }
    --g_failAfter;
    return false;
}

unsigned char* headerOf(const void* p)
{
    return const_cast<unsigned char*>(static_cast<const unsigned char*>(p)) - kHeader;
}

// Registers the exit report before main runs, so it is written after the
// program's own shut-down.
struct ExitReport {
    ExitReport()
    {
        atexit([] { memReport(true); });
    }
} g_exitReport;

}

void* memAlloc(int32_t size)
{
    if (size < 1)
        return nullptr;
    unsigned char* block =
        injectFailure() ? nullptr : static_cast<unsigned char*>(malloc(size_t(size) + kHeader));
    if (!block) {
        logWrite("Memory allocation failed!", LOG_EOL);
        return nullptr;
    }
    uint32_t n = uint32_t(size);
    memcpy(block, &n, sizeof n);
    g_stats.liveBytes += n;
    g_stats.liveBlocks += 1;
    if (g_stats.liveBytes > g_stats.peakBytes)
        g_stats.peakBytes = g_stats.liveBytes;
    return block + kHeader;
}

void memFree(void* p)
{
    if (!p)
        return;
    unsigned char* block = headerOf(p);
    uint32_t n;
    memcpy(&n, block, sizeof n);
    g_stats.liveBytes -= n;
    g_stats.liveBlocks -= 1;
    free(block);
}

int32_t memSize(const void* p)
{
    if (!p)
        return 0;
    uint32_t n;
    memcpy(&n, headerOf(p), sizeof n);
    return int32_t(n);
}

void* memRealloc(void* p, int32_t size)
{
    void* q = memAlloc(size);
    if (!q || !p)
        return q;
    int32_t keep = memSize(p);
    memcpy(q, p, size_t(keep < size ? keep : size));
    memFree(p);
    return q;
}

void memStats(MemStats* out)
{
    if (out)
        *out = g_stats;
}

uint32_t memReport(bool log)
{
    uint32_t live = g_stats.liveBytes;
    if (live > 0 && log) {
        logWrite("Memory leaks detected, total unfreed memory: ", 0);
        logWrite(&live, LOG_INT | LOG_EOL);
    }
    return live;
}

void memCheckReserve(int32_t bytes)
{
    void* p = memAlloc(bytes);
    if (p) {
        memFree(p);
        return;
    }
    if (g_shortage)
        g_shortage(u"Warning! Not enough available memory. Continue?");
}

void memSetShortageHook(MemShortageFn fn)
{
    g_shortage = fn;
}

void memFailAfter(int n)
{
    g_failAfter = n;
}
