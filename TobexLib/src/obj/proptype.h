#pragma once
// The 31 property types: storage, set-up and release of values, and the binary
// and text forms every property takes in World files.

#include <stdint.h>

#include "base/rect.h"

struct WorldFile;

enum PropType : uint8_t {
    PT_UNDEFINED = 0,
    PT_BOOL = 1,
    PT_INT = 2,
    PT_FIXED16 = 3,
    PT_FIXED32 = 4,
    PT_FLOAT = 5,
    PT_COLOR = 6,
    PT_KEY = 7,
    PT_STRING16 = 8,
    PT_STRING = 9,
    PT_CONST_STRING = 10,
    PT_WSTRING = 11,
    PT_CONST_WSTRING = 12,
    PT_TSTRING = 13,
    PT_CONST_TSTRING = 14,
    PT_PTR = 15,
    PT_TIME = 16,
    PT_OBJECTID = 17,
    PT_METHOD = 18,
    PT_RECT = 19,
    PT_POINT2 = 20,
    PT_XFORM2 = 21,
    PT_DXFORM2 = 22,
    PT_OBJLIST = 23,
    PT_KEYVECT = 24,
    PT_INTVECT = 25,
    PT_SURFACE = 26,
    PT_FONT = 27,
    PT_PROPTYPE = 28,
    PT_ORT = 29,
    PT_INTERP = 30,
    PT_COUNT = 31,
};

constexpr int PROP_TEXT_MAX = 2048;              // PropToStr buffers and binary string scratch
constexpr uint32_t COLOR_NONE = 0xFFFFFFFFu;     // special colour -1
constexpr uint32_t COLOR_PIXEL00 = 0xFFFFFFFEu;  // special colour -2
constexpr uint32_t REL_TAG = 0x5F000000u;        // top byte of a relative INT value

// Fixed-layout values.
struct Key {
    uint32_t time;  // ms since the controlled object's tStart
    int32_t value;  // BOOL in the low byte, INT, FLOAT bits or 0x00RRGGBB
};
struct Point2 {
    int32_t x, y;
};
struct Xform2 {
    int32_t a, b, c;   // three integers
    int16_t d, e;      // two 8.8 values
    uint8_t rest[12];  // further bytes, in neither serial form
};
struct Dxform2 {
    int32_t v[5];  // five 16.16 values
};

typedef void (*PropValueFn)(void* value);

struct TypeInfo {
    uint8_t id;
    const char* name;
    uint32_t size;                  // bytes of the value in files (and objects, but for pointers)
    bool written;                   // values of the type go into World files
    PropValueFn init;               // sets up an empty value, or null
    PropValueFn release;            // frees what the value owns, or null
    const char* const* valueNames;  // enumerations: names of the values
    int nValueNames;
};

// ---- Type table ------------------------------------------------------------------------------
const TypeInfo* propTypeInfo(int type);  // null for ids beyond the table
// Sets the release function of SURFACE values (the graphics code owns surfaces).
void propSetSurfaceRelease(PropValueFn release);

// ---- Value forms -----------------------------------------------------------------------------
// The owner is the object holding the value: it decides how references are written.
bool PropWrite(WorldFile* wf, const void* owner, int type, const void* value);
bool PropRead(WorldFile* wf, int type, void* value);                        // false on a short or absurd read
void PropToStr(char* buf, const void* owner, int type, const void* value);  // buf: PROP_TEXT_MAX
void PropFromStr(const char* text, int type, void* value);  // never fails; problems are logged
// PropToStr that tells whether the whole value fitted (long lists and texts are cut).
bool propToStrFits(char* buf, const void* owner, int type, const void* value);

// ---- Numbers of the text form ------------------------------------------------------------------
int32_t propParseInt(const char** text);  // skips blanks; wraps at 32 bits; advances the cursor
double propParseDecimal(const char** text);
// Decimal printing: integer part, then fraction digits until the fraction is exactly 0.
int propFormatDecimal(char* out, int cap, double value);
// INT packed from a relative anchor a and position b (tenths of a percent).
int32_t propRelative(int32_t a, int32_t b);
bool propIsRelative(int32_t value);
int32_t propRelA(int32_t value);
int32_t propRelB(int32_t value);

// ---- Saving context ----------------------------------------------------------------------------
// While a World file is being written, the World holding each object is looked up
// in an index built once; outside a save objFindWorldOf scans the object table.
void propBeginSave();
void propEndSave();
void* propWorldOf(const void* obj);
