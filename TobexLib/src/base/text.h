#pragma once
// 16-bit text helpers: paths and user-visible text are char16_t strings,
// converted to UTF-8 only where they meet the host.

#include <stddef.h>

constexpr int TEXT_MAX_PATH = 260;  // characters in a path buffer, terminator included

// ---- Measuring and copying ------------------------------------------------
size_t textLen(const char16_t* s);                              // null counts as empty
bool textCopy(char16_t* dst, size_t cap, const char16_t* src);  // false (and cut) when src does not fit
bool textAppend(char16_t* dst, size_t cap,
                const char16_t* src);  // false (and unchanged) when it does not fit

// ---- Comparing --------------------------------------------------------------
int textCompare(const char16_t* a, const char16_t* b);        // unsigned code order; a prefix sorts first
int textCompareNoCase(const char16_t* a, const char16_t* b);  // same, with only 'a'..'z' folded to upper case

// ---- Converting ---------------------------------------------------------------
// UTF-8 <-> UTF-16. Both always terminate dst (when cap > 0) and return false when
// the text did not fit or was malformed (malformed bytes become U+FFFD).
bool textFromUtf8(char16_t* dst, size_t cap, const char* src);
bool textToUtf8(char* dst, size_t cap, const char16_t* src);
// Latin-1 narrowing used by the log: characters above 255 become '?'.
size_t textToLatin1(char* dst, size_t cap, const char16_t* src);
// Widening of 8-bit names (each byte becomes the character of the same code).
bool textFromLatin1(char16_t* dst, size_t cap, const char* src);
