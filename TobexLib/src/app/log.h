#pragma once
// The reports that need the host: asserts that stop the program, the unhandled
// exception report, the message-box line and the system report. The log's
// lines themselves are in base/log.h, included here for every caller.

#include <stdint.h>

#include "base/log.h"

// ---- Asserts, crashes and system info ---------------------------------------
[[noreturn]] void assertFail(const char* file, int line);  // reports "assert failed", then breaks
void logAndBox(const char16_t* text);                      // log line plus a message box
const char* exceptionName(uint32_t code);                  // "Unknown exception type" for others
void reportUnhandled(uint32_t code);                       // "Unhandled exception occured: " + name
void logSystemInfo();

// Exception codes the Linux crash handlers report through the name table.
constexpr uint32_t EXC_ACCESS_VIOLATION = 0xC0000005;
constexpr uint32_t EXC_DATATYPE_MISALIGNMENT = 0x80000002;
constexpr uint32_t EXC_IN_PAGE_ERROR = 0xC0000006;
constexpr uint32_t EXC_BREAKPOINT = 0x80000003;
constexpr uint32_t EXC_INT_DIVIDE_BY_ZERO = 0xC0000094;
constexpr uint32_t EXC_INT_OVERFLOW = 0xC0000095;
constexpr uint32_t EXC_FLT_DIVIDE_BY_ZERO = 0xC000008E;
constexpr uint32_t EXC_FLT_OVERFLOW = 0xC0000091;
constexpr uint32_t EXC_FLT_UNDERFLOW = 0xC0000093;
constexpr uint32_t EXC_FLT_INEXACT = 0xC000008F;
constexpr uint32_t EXC_FLT_INVALID = 0xC0000090;
constexpr uint32_t EXC_ILLEGAL_INSTRUCTION = 0xC000001D;
constexpr uint32_t EXC_PRIVILEGED_INSTRUCTION = 0xC0000096;
constexpr uint32_t EXC_STACK_OVERFLOW = 0xC00000FD;
constexpr uint32_t EXC_NO_MEMORY = 0xC0000017;
constexpr uint32_t EXC_CPP = 0xE06D7363;
