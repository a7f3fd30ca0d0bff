#pragma once
// The log "Tobex.log" in the writable data folder: recreated at the first line of
// a run, opened and closed for every line so that it survives a crash.

#include <stdint.h>

// Line format flags, combined with OR. Only one value flag is honoured, in the
// order WIDE, INT, HEX, INT8, INT16, FLOAT.
enum LogFlags : unsigned {
    LOG_EOL = 4,       // end the line after the item
    LOG_WIDE = 32,     // item is a char16_t string (characters above 255 become '?')
    LOG_INT = 64,      // item points to an int32_t, written in decimal
    LOG_HEX = 128,     // item points to a uint32_t, written in upper-case hexadecimal
    LOG_FLOAT = 256,   // item points to a float, written with four decimals (truncated)
    LOG_INT8 = 512,    // item points to an int8_t
    LOG_INT16 = 1024,  // item points to an int16_t
};

// ---- Lines -----------------------------------------------------------------
void logWrite(const void* item, unsigned flags);  // plain item: an 8-bit string; never fails loudly
void logLine(const char* text);                   // logWrite(text, LOG_EOL)
// Formats an item as logWrite would, without writing it; returns the length.
int logFormat(char* out, int cap, const void* item, unsigned flags);

// ---- Asserts, crashes and system info ---------------------------------------
void assertReport(const char* file, int line, const char* message, unsigned flags);
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

// ---- Testing ---------------------------------------------------------------
// Starts a new run of the log: the next line recreates the file.
void logRestart();
