#pragma once
// Log lines. Each line is formatted here and handed to a sink that stores it;
// the virtual file system registers the one that writes "Tobex.log" (see
// vfs/logfile.h). Without a sink, lines are dropped.

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

void assertReport(const char* file, int line, const char* message, unsigned flags);  // "file(line): message"

// ---- The sink ----------------------------------------------------------------
// Stores one formatted line (eol: end it); newRun is set for the first line of a
// run, which starts the store anew. Returns false when nothing was stored, so
// the next line starts the run again.
typedef bool (*LogSink)(const char* text, bool eol, bool newRun);
void logSetSink(LogSink sink);  // null: drop lines

// ---- Testing ---------------------------------------------------------------
// Starts a new run of the log: the next line recreates the file.
void logRestart();
