#pragma once
// The allocator: every block carries its requested size in a header, so blocks
// can be measured and resized without the caller remembering their size. Live
// bytes are counted so the exit report names memory that was never freed.

#include <stddef.h>
#include <stdint.h>

struct MemStats {
    uint32_t liveBytes;   // bytes in blocks not yet freed (the exit report's figure)
    uint32_t liveBlocks;  // blocks not yet freed
    uint32_t peakBytes;   // the most live bytes seen at once
};

// ---- Blocks ----------------------------------------------------------------
void* memAlloc(int32_t size);             // null when size < 1 or the heap is exhausted (logged)
void memFree(void* p);                    // null is ignored
int32_t memSize(const void* p);           // the size recorded for a block; 0 for null
void* memRealloc(void* p, int32_t size);  // always moves; null on failure leaves p untouched

// ---- Statistics and start-up ---------------------------------------------
void memStats(MemStats* out);
uint32_t memReport(bool log);         // live bytes; logs the leak line when positive and log is set
void memCheckReserve(int32_t bytes);  // asks the shortage hook whether to go on when bytes cannot be had
// The question memCheckReserve asks when its bytes cannot be had; the hook ends
// the program when the answer is no. The host sets it (null: go on silently).
typedef void (*MemShortageFn)(const char16_t* question);
void memSetShortageHook(MemShortageFn fn);

// ---- Testing ---------------------------------------------------------------
// Makes the allocation after the next n succeed fail (n = 0: the next one fails);
// a negative n switches failure injection off.
void memFailAfter(int n);
