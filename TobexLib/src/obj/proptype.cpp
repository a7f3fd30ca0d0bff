// The property types: one row per type with its size, its set-up and release
// functions and its four conversions (binary write and read, text write and read).
//
// Binary values are little-endian; the host is too, so fixed-layout values are
// written as the bytes they have in the object. Values of types that are never
// written (UNDEFINED, PTR, SURFACE, FONT) are skipped when a file holds them:
// a pointer or an embedded record never comes from a file.
#include "obj/proptype.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/log.h"
#include "base/mem.h"
#include "obj/container.h"
#include "obj/object.h"
#include "obj/worldfile.h"

namespace {

constexpr uint8_t REF_ABSOLUTE = 0xFD;  // binary reference marker: absolute id follows
constexpr uint8_t REF_NAMED = 0xFE;     // binary reference marker: World and object names follow
constexpr uint64_t kMaxVectorBytes = 0x7FFFFFF0u;

PropValueFn g_surfaceRelease;
bool g_textCut;  // the last text form did not fit its buffer

// ---- Helpers shared by several types -----------------------------------------------------------

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Decimal digits of v; returns the length. snprintf costs several times more and
// World files are mostly numbers.
int formatUnsigned(char* out, uint32_t v)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    for (int i = 0; i < n; i++)
        out[i] = digits[n - 1 - i];
    out[n] = 0;
    return n;
}

int formatInt(char* out, int32_t v)
{
    if (v >= 0)
        return formatUnsigned(out, uint32_t(v));
    out[0] = '-';
    return 1 + formatUnsigned(out + 1, 0u - uint32_t(v));
}

// Multi-value forms: after a number the parser moves on to the next blank.
void skipToBlank(const char** p)
{
    while (**p && !isBlank(**p))
        (*p)++;
}

int32_t nextInt(const char** p)
{
    int32_t v = propParseInt(p);
    skipToBlank(p);
    return v;
}

double nextDecimal(const char** p)
{
    double v = propParseDecimal(p);
    skipToBlank(p);
    return v;
}

// decimal * scale rounded to the nearest integer (halves away from zero), wrapped
// to 32 bits; values beyond a 64-bit integer saturate instead of being undefined.
// NOTE: adding 0.5 and truncating toward zero would move every negative value up
// by one unit on each text round trip (-1 read as -255/256, printed as
// -0.99609375, read back as -254/256); rounding both ways keeps printed values exact.
int32_t scaleDecimal(double v, double scale)
{
    double x = v * scale;
    x = trunc(x < 0 ? x - 0.5 : x + 0.5);
    if (!(x == x))
        return 0;
    if (x >= 9.2e18)
        return INT32_MAX;
    if (x <= -9.2e18)
        return INT32_MIN;
    return int32_t(uint32_t(uint64_t(int64_t(x))));
}

void freeText(void* value)
{
    void** p = static_cast<void**>(value);
    memFree(*p);
    *p = nullptr;
}

char* copyText8(const char* s, size_t n)
{
    if (n == 0)
        return nullptr;
    char* copy = static_cast<char*>(memAlloc(int32_t(n + 1)));
    if (copy) {
        memcpy(copy, s, n);
        copy[n] = 0;
    }
    return copy;
}

char16_t* copyText16(const char16_t* s, size_t n)
{
    if (n == 0)
        return nullptr;
    auto* copy = static_cast<char16_t*>(memAlloc(int32_t((n + 1) * sizeof(char16_t))));
    if (copy) {
        memcpy(copy, s, n * sizeof(char16_t));
        copy[n] = 0;
    }
    return copy;
}

size_t len16(const char16_t* s)
{
    size_t n = 0;
    while (s && s[n])
        n++;
    return n;
}

void vecInit4(void* value)
{
    vecInit(static_cast<Vector*>(value), 4, 0);
}

void vecInit8(void* value)
{
    vecInit(static_cast<Vector*>(value), 8, 0);
}

void vecRelease(void* value)
{
    vecFree(static_cast<Vector*>(value));
}

void surfaceRelease(void* value)
{
    if (g_surfaceRelease)
        g_surfaceRelease(value);
}

// ---- Binary forms -------------------------------------------------------------------------------

typedef bool (*WriteFn)(WorldFile* wf, const void* owner, const void* value, const TypeInfo* t);
typedef bool (*ReadFn)(WorldFile* wf, void* value, const TypeInfo* t);
typedef void (*ToStrFn)(char* buf, const void* owner, const void* value, const TypeInfo* t);
typedef void (*FromStrFn)(const char* text, void* value, const TypeInfo* t);

bool writeRaw(WorldFile* wf, const void*, const void* value, const TypeInfo* t)
{
    return wfWrite(wf, value, int32_t(t->size));
}

bool readRaw(WorldFile* wf, void* value, const TypeInfo* t)
{
    return wfRead(wf, value, int32_t(t->size)) == int32_t(t->size);
}

bool readString16(WorldFile* wf, void* value, const TypeInfo* t)
{
    if (!readRaw(wf, value, t))
        return false;
    static_cast<char*>(value)[OBJ_NAME_MAX - 1] = 0;
    return true;
}

// Types never written: zeros of the nominal size, and on reading skipped.
bool writeSkipped(WorldFile* wf, const void*, const void*, const TypeInfo* t)
{
    static const uint8_t zeros[64] = {};
    for (uint32_t left = t->size; left > 0;) {
        uint32_t n = left < sizeof zeros ? left : uint32_t(sizeof zeros);
        if (!wfWrite(wf, zeros, int32_t(n)))
            return false;
        left -= n;
    }
    return true;
}

bool readSkipped(WorldFile* wf, void*, const TypeInfo* t)
{
    uint8_t scratch[64];
    for (uint32_t left = t->size; left > 0;) {
        uint32_t n = left < sizeof scratch ? left : uint32_t(sizeof scratch);
        if (wfRead(wf, scratch, int32_t(n)) != int32_t(n))
            return false;
        left -= n;
    }
    return true;
}

// Collects units of unitSize bytes up to a zero unit, which is not kept; false
// when the file ends first. There is no length limit: the writers store strings
// of any length, so the reader takes any length the file holds.
bool readTerminated(WorldFile* wf, int unitSize, std::string* units)
{
    units->clear();
    uint8_t u[2] = {};
    while (wfRead(wf, u, unitSize) == unitSize) {
        if (u[0] == 0 && (unitSize == 1 || u[1] == 0))
            return true;
        units->append(reinterpret_cast<const char*>(u), size_t(unitSize));
    }
    logLine("PropRead: string without terminator");
    return false;
}

bool writeString8(WorldFile* wf, const void*, const void* value, const TypeInfo*)
{
    const char* s = *static_cast<char* const*>(value);
    return (!s || wfWriteString(wf, s)) && wfWrite(wf, "", 1);
}

bool readString8(WorldFile* wf, void* value, const TypeInfo*)
{
    std::string text;
    if (!readTerminated(wf, 1, &text))
        return false;
    freeText(value);
    *static_cast<char**>(value) = copyText8(text.data(), text.size());
    return true;
}

bool writeString16(WorldFile* wf, const void*, const void* value, const TypeInfo*)
{
    const char16_t* s = *static_cast<char16_t* const*>(value);
    size_t n = len16(s);
    uint8_t unit[2];
    for (size_t i = 0; i <= n; i++) {
        char16_t c = i < n ? s[i] : 0;
        unit[0] = uint8_t(c);
        unit[1] = uint8_t(c >> 8);
        if (!wfWrite(wf, unit, 2))
            return false;
    }
    return true;
}

bool readString16(WorldFile* wf, void* value, const TypeInfo*, int)
{
    std::string bytes;
    if (!readTerminated(wf, 2, &bytes))
        return false;
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); i++)
        units[i] = char16_t(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8);
    freeText(value);
    *static_cast<char16_t**>(value) = copyText16(units.data(), units.size());
    return true;
}

bool readWide(WorldFile* wf, void* value, const TypeInfo* t)
{
    return readString16(wf, value, t, 0);
}

bool writeMethod(WorldFile* wf, const void*, const void* value, const TypeInfo*)
{
    const char* name = methodName(*static_cast<const ObjMethod*>(value));
    return (!name || wfWriteString(wf, name)) && wfWrite(wf, "", 1);
}

bool readMethod(WorldFile* wf, void* value, const TypeInfo*)
{
    std::string name;
    if (!readTerminated(wf, 1, &name))
        return false;
    *static_cast<ObjMethod*>(value) = name.empty() ? nullptr : methodFind(name.c_str());
    return true;
}

bool writeVector(WorldFile* wf, const void*, const void* value, const TypeInfo*)
{
    const Vector* v = static_cast<const Vector*>(value);
    uint32_t head[2] = {uint32_t(v->count), v->elemSize};
    size_t bytes = size_t(v->count) * v->elemSize;
    return wfWrite(wf, head, 8) && (bytes == 0 || wfWrite(wf, v->data, int32_t(bytes)));
}

// A vector value: the element size must be the type's, and the elements must be
// in the file, so a corrupt count never leads to a large allocation.
bool readVector(WorldFile* wf, void* value, const TypeInfo* t)
{
    uint32_t head[2];
    if (wfRead(wf, head, 8) != 8)
        return false;
    int32_t count = int32_t(head[0]);
    uint32_t elemSize = t->id == PT_KEYVECT ? 8u : 4u;
    uint64_t bytes = uint64_t(uint32_t(count)) * elemSize;
    if (head[1] != elemSize || count < 0 || bytes > kMaxVectorBytes || bytes > wfRemaining(wf)) {
        logLine("PropRead: bad vector size");
        return false;
    }
    Vector read;
    if (!vecInit(&read, elemSize, count))
        return false;
    if (wfRead(wf, read.data, int32_t(bytes)) != int32_t(bytes)) {
        vecFree(&read);
        return false;
    }
    read.count = count;
    vecFree(static_cast<Vector*>(value));
    *static_cast<Vector*>(value) = read;
    return true;
}

// ---- Object references ------------------------------------------------------------------------

enum RefForm {
    REF_LOCAL,
    REF_BY_NAME,
    REF_ABS,
    REF_OWN_WORLD
};

// Decides how a reference held by owner is written; *world receives R's World.
// A reference to the World that holds the owner is written as 0, the value that
// reads back as "the World being loaded"; its id would name no member.
RefForm referenceForm(const void* owner, ObjectId id, const void** world)
{
    const void* r = objGet(id);
    *world = nullptr;
    if (!objName(r))
        return REF_LOCAL;
    if (r == propWorldOf(owner))
        return REF_OWN_WORLD;
    const void* w = propWorldOf(r);
    if (!w || !objName(w) || !objName(w)[0] || !objName(r)[0] || w == propWorldOf(owner))
        return REF_LOCAL;
    *world = w;
    return objId(w) != 0 ? REF_BY_NAME : REF_ABS;
}

// Resolves World:Object names; OBJ_NONE (after logging) when either is missing.
// The text reader's log lines name what was missing, the binary reader's do not.
ObjectId resolveNamed(const char* worldName, const char* objName, bool text)
{
    const char* prefix = text ? "PropFromStr: " : "PropRead: ";
    ObjectId w = objFindWorld(worldName);
    ObjectId o = w == OBJ_NONE ? OBJ_NONE : objFind(nullptr, objName, objGet(w));
    if (o != OBJ_NONE)
        return o;
    logWrite(prefix, 0);
    logWrite(w == OBJ_NONE ? "world reference not found" : "object reference not found", 0);
    if (!text) {
        logLine("");
        return OBJ_NONE;
    }
    logWrite(": ", 0);
    logLine(w == OBJ_NONE ? worldName : objName);
    return OBJ_NONE;
}

// A local reference read from a file: the saved id n becomes -n, resolved by the
// World loader; the saved value OBJ_NONE stays none.
int32_t localReference(int32_t n)
{
    return n == OBJ_NONE ? OBJ_NONE : int32_t(0u - uint32_t(n));
}

bool writeObjectId(WorldFile* wf, const void* owner, const void* value, const TypeInfo*)
{
    ObjectId id = *static_cast<const ObjectId*>(value);
    const void* w = nullptr;
    RefForm form = referenceForm(owner, id, &w);
    uint8_t low = uint8_t(id);
    // An id of the marker's shape names no object of ours; written as an absolute
    // id it reads back as the same value instead of derailing the reader.
    if (form == REF_LOCAL && (low == REF_ABSOLUTE || low == REF_NAMED))
        form = REF_ABS;
    if (form == REF_OWN_WORLD)
        id = 0;
    if (form == REF_LOCAL || form == REF_OWN_WORLD)
        return wfWrite(wf, &id, 4);
    if (form == REF_ABS)
        return wfWrite(wf, &REF_ABSOLUTE, 1) && wfWrite(wf, &id, 4);
    return wfWrite(wf, &REF_NAMED, 1) && wfWrite(wf, objName(w), OBJ_NAME_MAX) &&
           wfWrite(wf, objName(objGet(id)), OBJ_NAME_MAX);
}

bool readObjectId(WorldFile* wf, void* value, const TypeInfo*)
{
    uint8_t bytes[4];
    if (wfRead(wf, bytes, 1) != 1)
        return false;
    if (bytes[0] == REF_NAMED) {
        char names[2][OBJ_NAME_MAX];
        if (wfRead(wf, names, sizeof names) != int32_t(sizeof names))
            return false;
        names[0][OBJ_NAME_MAX - 1] = 0;
        names[1][OBJ_NAME_MAX - 1] = 0;
        ObjectId id = resolveNamed(names[0], names[1], false);
        if (id != OBJ_NONE)
            *static_cast<ObjectId*>(value) = id;
        return true;
    }
    bool absolute = bytes[0] == REF_ABSOLUTE;
    int have = absolute ? 0 : 1;
    if (wfRead(wf, bytes + have, 4 - have) != 4 - have)
        return false;
    int32_t n = int32_t(leRead32(bytes));
    *static_cast<ObjectId*>(value) = absolute ? n : localReference(n);
    return true;
}

// ---- Text forms ----------------------------------------------------------------------------------

// At most four numbers: always fits the buffer.
void printInts(char* buf, const int32_t* v, int n)
{
    int at = 0;
    for (int i = 0; i < n; i++) {
        if (i)
            buf[at++] = ' ';
        at += formatInt(buf + at, v[i]);
    }
    buf[at] = 0;
}

void readInts(const char* text, int32_t* v, int n)
{
    for (int i = 0; i < n; i++)
        v[i] = nextInt(&text);
}

void boolToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    formatInt(buf, *static_cast<const int8_t*>(value));
}

void boolFromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<uint8_t*>(value) = propParseInt(&text) != 0;
}

void intToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    int32_t v = *static_cast<const int32_t*>(value);
    if (!propIsRelative(v)) {
        formatInt(buf, v);
        return;
    }
    int32_t b = propRelB(v);
    if (b)
        snprintf(buf, PROP_TEXT_MAX, "%%%d%%%d", propRelA(v), b);
    else
        snprintf(buf, PROP_TEXT_MAX, "%%%d", propRelA(v));
}

void intFromStr(const char* text, void* value, const TypeInfo*)
{
    if (*text != '%') {
        *static_cast<int32_t*>(value) = propParseInt(&text);
        return;
    }
    text++;
    int32_t a = propParseInt(&text);
    const char* next = strchr(text, '%');
    int32_t b = 0;
    if (next) {
        next++;
        b = propParseInt(&next);
    }
    *static_cast<int32_t*>(value) = propRelative(a, b);
}

void fixed16ToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    propFormatDecimal(buf, PROP_TEXT_MAX, *static_cast<const int16_t*>(value) / 256.0);
}

void fixed16FromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<int16_t*>(value) = int16_t(scaleDecimal(propParseDecimal(&text), 256.0));
}

void fixed32ToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    propFormatDecimal(buf, PROP_TEXT_MAX, *static_cast<const int32_t*>(value) / 65536.0);
}

void fixed32FromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<int32_t*>(value) = scaleDecimal(propParseDecimal(&text), 65536.0);
}

void floatToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    propFormatDecimal(buf, PROP_TEXT_MAX, *static_cast<const float*>(value));
}

void floatFromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<float*>(value) = float(propParseDecimal(&text));
}

void colorToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    uint32_t c = *static_cast<const uint32_t*>(value);
    if (c == COLOR_NONE || c == COLOR_PIXEL00)
        snprintf(buf, PROP_TEXT_MAX, "%d", int32_t(c));
    else
        snprintf(buf, PROP_TEXT_MAX, "%u %u %u", (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

void colorFromStr(const char* text, void* value, const TypeInfo*)
{
    int32_t rgb[3];
    rgb[0] = nextInt(&text);
    if (rgb[0] == -1 || rgb[0] == -2) {
        *static_cast<uint32_t*>(value) = uint32_t(rgb[0]);
        return;
    }
    rgb[1] = nextInt(&text);
    rgb[2] = nextInt(&text);
    *static_cast<uint32_t*>(value) =
        (uint32_t(rgb[0]) & 0xFF) << 16 | (uint32_t(rgb[1]) & 0xFF) << 8 | (uint32_t(rgb[2]) & 0xFF);
}

// KEY, POINT2, RECT: size / 4 integers.
void intsToStr(char* buf, const void*, const void* value, const TypeInfo* t)
{
    int32_t v[4];
    memcpy(v, value, t->size);
    printInts(buf, v, int(t->size / 4));
}

void intsFromStr(const char* text, void* value, const TypeInfo* t)
{
    int32_t v[4];
    readInts(text, v, int(t->size / 4));
    memcpy(value, v, t->size);
}

void string16ToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    snprintf(buf, PROP_TEXT_MAX, "%.15s", static_cast<const char*>(value));
}

void string16FromStr(const char* text, void* value, const TypeInfo*)
{
    char* dst = static_cast<char*>(value);
    size_t n = strlen(text);
    if (n >= size_t(OBJ_NAME_MAX)) {
        logWrite("STRING16 too long: ", 0);
        logLine(text);
        n = OBJ_NAME_MAX - 1;
    }
    memset(dst, 0, OBJ_NAME_MAX);
    memcpy(dst, text, n);
}

void string8ToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    const char* s = *static_cast<char* const*>(value);
    if (s && strlen(s) >= size_t(PROP_TEXT_MAX))
        g_textCut = true;
    snprintf(buf, PROP_TEXT_MAX, "%s", s ? s : "");
}

void string8FromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<char**>(value) = copyText8(text, strlen(text));
}

void wideToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    const char16_t* s = *static_cast<char16_t* const*>(value);
    size_t n = len16(s), i = 0;
    if (n >= size_t(PROP_TEXT_MAX))
        g_textCut = true;
    for (; i < n && i < size_t(PROP_TEXT_MAX - 1); i++)
        buf[i] = s[i] < 256 ? char(s[i]) : '?';
    buf[i] = 0;
}

void wideFromStr(const char* text, void* value, const TypeInfo*)
{
    size_t n = strlen(text);
    std::vector<char16_t> units(n + 1);
    for (size_t i = 0; i < n; i++)
        units[i] = char16_t(uint8_t(text[i]));
    *static_cast<char16_t**>(value) = copyText16(units.data(), n);
}

// TIME and the types that are never written: the first 32-bit word.
void wordToStr(char* buf, const void*, const void* value, const TypeInfo* t)
{
    uint32_t w = 0;
    if (t->size >= 4)
        memcpy(&w, value, 4);
    formatUnsigned(buf, w);
}

void wordFromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<int32_t*>(value) = propParseInt(&text);
}

void skippedFromStr(const char*, void*, const TypeInfo*) {}

void objectIdToStr(char* buf, const void* owner, const void* value, const TypeInfo*)
{
    ObjectId id = *static_cast<const ObjectId*>(value);
    const void* w = nullptr;
    RefForm form = referenceForm(owner, id, &w);
    if (form == REF_OWN_WORLD)
        snprintf(buf, PROP_TEXT_MAX, "0");
    else if (form == REF_BY_NAME)
        snprintf(buf, PROP_TEXT_MAX, "%.15s:%.15s", objName(w), objName(objGet(id)));
    else if (form == REF_ABS) {
        buf[0] = '&';
        formatInt(buf + 1, id);
    } else {
        formatInt(buf, id);
    }
}

void objectIdFromStr(const char* text, void* value, const TypeInfo*)
{
    if (const char* colon = strchr(text, ':')) {
        std::string worldName(text, size_t(colon - text));
        ObjectId id = resolveNamed(worldName.c_str(), colon + 1, true);
        if (id != OBJ_NONE)
            *static_cast<ObjectId*>(value) = id;
        return;
    }
    if (*text == '&') {
        text++;
        *static_cast<ObjectId*>(value) = propParseInt(&text);
        return;
    }
    *static_cast<ObjectId*>(value) = localReference(propParseInt(&text));
}

void methodToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    const char* name = methodName(*static_cast<const ObjMethod*>(value));
    snprintf(buf, PROP_TEXT_MAX, "%s", name ? name : "");
}

void methodFromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<ObjMethod*>(value) = methodFind(text);
}

void xformToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    const Xform2* x = static_cast<const Xform2*>(value);
    int at = snprintf(buf, PROP_TEXT_MAX, "%d %d %d ", x->a, x->b, x->c);
    at += propFormatDecimal(buf + at, PROP_TEXT_MAX - at, x->d / 256.0);
    buf[at++] = ' ';
    propFormatDecimal(buf + at, PROP_TEXT_MAX - at, x->e / 256.0);
}

void xformFromStr(const char* text, void* value, const TypeInfo*)
{
    Xform2* x = static_cast<Xform2*>(value);
    x->a = nextInt(&text);
    x->b = nextInt(&text);
    x->c = nextInt(&text);
    x->d = int16_t(scaleDecimal(nextDecimal(&text), 256.0));
    x->e = int16_t(scaleDecimal(nextDecimal(&text), 256.0));
}

void dxformToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    const Dxform2* x = static_cast<const Dxform2*>(value);
    int at = 0;
    for (int i = 0; i < 5; i++) {
        if (i)
            buf[at++] = ' ';
        at += propFormatDecimal(buf + at, PROP_TEXT_MAX - at, x->v[i] / 65536.0);
    }
}

void dxformFromStr(const char* text, void* value, const TypeInfo*)
{
    Dxform2* x = static_cast<Dxform2*>(value);
    for (int i = 0; i < 5; i++)
        x->v[i] = scaleDecimal(nextDecimal(&text), 65536.0);
}

void vectorToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    const Vector* v = static_cast<const Vector*>(value);
    int32_t n = int32_t(v->count * v->elemSize / 4);
    int at = 0;
    buf[0] = 0;
    for (int32_t i = 0; i < n; i++) {
        if (at >= PROP_TEXT_MAX - 12) {
            g_textCut = true;
            return;
        }
        int32_t e;
        memcpy(&e, v->data + size_t(i) * 4, 4);
        if (i)
            buf[at++] = ' ';
        at += formatInt(buf + at, e);
    }
}

// A list of integers until the text ends (KEYVECT: pairs of them).
void vectorFromStr(const char* text, void* value, const TypeInfo* t)
{
    Vector* v = static_cast<Vector*>(value);
    int per = t->id == PT_KEYVECT ? 2 : 1;
    vecInit(v, uint32_t(4 * per), 0);
    while (*text) {
        int32_t e[2] = {0, 0};
        for (int i = 0; i < per; i++)
            e[i] = nextInt(&text);
        if (vecPush(v, e) < 0)
            return;
    }
}

void byteToStr(char* buf, const void*, const void* value, const TypeInfo*)
{
    formatUnsigned(buf, *static_cast<const uint8_t*>(value));
}

void byteFromStr(const char* text, void* value, const TypeInfo*)
{
    *static_cast<uint8_t*>(value) = uint8_t(propParseInt(&text));
}

// ---- The type table ---------------------------------------------------------------------------

constexpr const char* kOrtNames[] = {"constant", "cycle", "pingpong", "rel.repeat"};
constexpr const char* kInterpNames[] = {"set", "linear", "smooth"};
constexpr const char* kTypeNames[] = {
    "UNDEFINED",     "BOOL",     "INT",     "FIXED16",      "FIXED32", "FLOAT",         "COLOR",
    "KEY",           "STRING16", "STRING",  "CONST_STRING", "WSTRING", "CONST_WSTRING", "TSTRING",
    "CONST_TSTRING", "PTR",      "TIME",    "OBJECTID",     "METHOD",  "RECT",          "POINT2",
    "XFORM2",        "DXFORM2",  "OBJLIST", "KEYVECT",      "INTVECT", "SURFACE",       "FONT",
    "ORT",           "INTERP",   "NUMTYPES"};

struct TypeRow {
    TypeInfo info;
    WriteFn write;
    ReadFn read;
    ToStrFn toStr;
    FromStrFn fromStr;
    bool keepBlanks;  // the text reader takes the value as it stands
};

#define TYPE(tid, tsize, twritten, tinit, trelease, names, n)                                          \
    TypeInfo                                                                                           \
    {                                                                                                  \
        .id = (tid), .name = kTypeNames[tid], .size = (tsize), .written = (twritten), .init = (tinit), \
        .release = (trelease), .valueNames = (names), .nValueNames = (n)                               \
    }

constexpr TypeRow kTypes[PT_COUNT] = {
    {TYPE(PT_UNDEFINED, 0, false, nullptr, nullptr, nullptr, 0), writeSkipped, readSkipped, wordToStr,
     skippedFromStr, false},
    {TYPE(PT_BOOL, 1, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, boolToStr, boolFromStr, false},
    {TYPE(PT_INT, 4, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, intToStr, intFromStr, false},
    {TYPE(PT_FIXED16, 2, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, fixed16ToStr, fixed16FromStr,
     false},
    {TYPE(PT_FIXED32, 4, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, fixed32ToStr, fixed32FromStr,
     false},
    {TYPE(PT_FLOAT, 4, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, floatToStr, floatFromStr,
     false},
    {TYPE(PT_COLOR, 4, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, colorToStr, colorFromStr,
     false},
    {TYPE(PT_KEY, 8, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, intsToStr, intsFromStr, false},
    {TYPE(PT_STRING16, 16, true, nullptr, nullptr, nullptr, 0), writeRaw, readString16, string16ToStr,
     string16FromStr, true},
    {TYPE(PT_STRING, 4, true, nullptr, freeText, nullptr, 0), writeString8, readString8, string8ToStr,
     string8FromStr, true},
    {TYPE(PT_CONST_STRING, 4, true, nullptr, freeText, nullptr, 0), writeString8, readString8, string8ToStr,
     string8FromStr, true},
    {TYPE(PT_WSTRING, 4, true, nullptr, freeText, nullptr, 0), writeString16, readWide, wideToStr,
     wideFromStr, true},
    {TYPE(PT_CONST_WSTRING, 4, true, nullptr, freeText, nullptr, 0), writeString16, readWide, wideToStr,
     wideFromStr, true},
    {TYPE(PT_TSTRING, 4, true, nullptr, freeText, nullptr, 0), writeString16, readWide, wideToStr,
     wideFromStr, true},
    {TYPE(PT_CONST_TSTRING, 4, true, nullptr, freeText, nullptr, 0), writeString16, readWide, wideToStr,
     wideFromStr, true},
    {TYPE(PT_PTR, 4, false, nullptr, nullptr, nullptr, 0), writeSkipped, readSkipped, wordToStr,
     skippedFromStr, false},
    {TYPE(PT_TIME, 4, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, wordToStr, wordFromStr, false},
    {TYPE(PT_OBJECTID, 4, true, nullptr, nullptr, nullptr, 0), writeObjectId, readObjectId, objectIdToStr,
     objectIdFromStr, false},
    {TYPE(PT_METHOD, 4, true, nullptr, nullptr, nullptr, 0), writeMethod, readMethod, methodToStr,
     methodFromStr, true},
    {TYPE(PT_RECT, 16, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, intsToStr, intsFromStr, false},
    {TYPE(PT_POINT2, 8, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, intsToStr, intsFromStr,
     false},
    {TYPE(PT_XFORM2, 28, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, xformToStr, xformFromStr,
     false},
    {TYPE(PT_DXFORM2, 20, true, nullptr, nullptr, nullptr, 0), writeRaw, readRaw, dxformToStr, dxformFromStr,
     false},
    {TYPE(PT_OBJLIST, 16, true, vecInit4, vecRelease, nullptr, 0), writeVector, readVector, vectorToStr,
     vectorFromStr, false},
    {TYPE(PT_KEYVECT, 16, true, vecInit8, vecRelease, nullptr, 0), writeVector, readVector, vectorToStr,
     vectorFromStr, false},
    {TYPE(PT_INTVECT, 16, true, vecInit4, vecRelease, nullptr, 0), writeVector, readVector, vectorToStr,
     vectorFromStr, false},
    {TYPE(PT_SURFACE, 68, false, nullptr, surfaceRelease, nullptr, 0), writeSkipped, readSkipped, wordToStr,
     skippedFromStr, false},
    {TYPE(PT_FONT, 2620, false, nullptr, nullptr, nullptr, 0), writeSkipped, readSkipped, wordToStr,
     skippedFromStr, false},
    {TYPE(PT_PROPTYPE, 1, true, nullptr, nullptr, kTypeNames, 31), writeRaw, readRaw, byteToStr, byteFromStr,
     false},
    {TYPE(PT_ORT, 1, true, nullptr, nullptr, kOrtNames, 4), writeRaw, readRaw, byteToStr, byteFromStr, false},
    {TYPE(PT_INTERP, 1, true, nullptr, nullptr, kInterpNames, 3), writeRaw, readRaw, byteToStr, byteFromStr,
     false},
};

// Look-ups index the table by type id, so row i must describe type i.
constexpr bool rowsFollowIds()
{
    for (int i = 0; i < PT_COUNT; i++)
        if (kTypes[i].info.id != i)
            return false;
    return true;
}
static_assert(rowsFollowIds(), "row i of the property-type table must describe type i");

const TypeRow* row(int type)
{
    return type >= 0 && type < PT_COUNT ? &kTypes[type] : nullptr;
}

// ---- Saving context -------------------------------------------------------------------------------
int g_saveDepth;
std::vector<int32_t> g_worldOf;  // object id -> id of the first World listing it, -1 none

}

// ---- Type table ------------------------------------------------------------------------------------

const TypeInfo* propTypeInfo(int type)
{
    const TypeRow* r = row(type);
    return r ? &r->info : nullptr;
}

void propSetSurfaceRelease(PropValueFn release)
{
    g_surfaceRelease = release;
}

// ---- Value forms -----------------------------------------------------------------------------------

bool PropWrite(WorldFile* wf, const void* owner, int type, const void* value)
{
    const TypeRow* r = row(type);
    return r && wf && value && r->write(wf, owner, value, &r->info);
}

bool PropRead(WorldFile* wf, int type, void* value)
{
    const TypeRow* r = row(type);
    return r && wf && value && r->read(wf, value, &r->info);
}

void PropToStr(char* buf, const void* owner, int type, const void* value)
{
    const TypeRow* r = row(type);
    buf[0] = 0;
    if (r && value)
        r->toStr(buf, owner, value, &r->info);
}

bool propToStrFits(char* buf, const void* owner, int type, const void* value)
{
    g_textCut = false;
    PropToStr(buf, owner, type, value);
    return !g_textCut;
}

void PropFromStr(const char* text, int type, void* value)
{
    const TypeRow* r = row(type);
    if (!r || !value || !text || r->fromStr == skippedFromStr)
        return;
    if (r->info.release && type != PT_SURFACE)
        r->info.release(value);
    if (!r->keepBlanks)
        while (*text == ' ' || *text == '\t')
            text++;
    r->fromStr(text, value, &r->info);
}

// ---- Numbers ---------------------------------------------------------------------------------------

namespace {
// Passes over leading blanks and one minus sign, which *negative reports.
const char* skipToDigits(const char* p, bool* negative)
{
    while (isBlank(*p))
        p++;
    *negative = *p == '-';
    return *negative ? p + 1 : p;
}
}

int32_t propParseInt(const char** text)
{
    bool negative;
    const char* p = skipToDigits(*text, &negative);
    uint32_t v = 0;
    while (*p >= '0' && *p <= '9')
        v = v * 10 + uint32_t(*p++ - '0');
    *text = p;
    return int32_t(negative ? 0u - v : v);
}

double propParseDecimal(const char** text)
{
    bool negative;
    const char* p = skipToDigits(*text, &negative);
    double whole = 0;
    while (*p >= '0' && *p <= '9')
        whole = whole * 10 + (*p++ - '0');
    double fraction = 0, scale = 1;
    if (*p == '.') {
        p++;
        // Digits past double precision change nothing but could overflow the scale.
        for (int digits = 0; *p >= '0' && *p <= '9'; p++, digits++)
            if (digits < 30) {
                fraction = fraction * 10 + (*p - '0');
                scale *= 10;
            }
    }
    *text = p;
    double v = whole + fraction / scale;
    return negative ? -v : v;
}

int propFormatDecimal(char* out, int cap, double value)
{
    if (cap <= 0)
        return 0;
    char buf[PROP_TEXT_MAX];
    int at = 0;
    if (value != value)
        return snprintf(out, size_t(cap), "nan");
    if (value < 0) {
        buf[at++] = '-';
        value = -value;
    }
    if (value > 2147483648.0) {
        memcpy(buf + at, "inf", 4);
        return snprintf(out, size_t(cap), "%s", buf);
    }
    double whole = trunc(value);
    at += snprintf(buf + at, sizeof buf - size_t(at), "%lld", (long long)whole);
    double fraction = value - whole;
    if (fraction != 0) {
        buf[at++] = '.';
        while (fraction != 0 && at < int(sizeof buf) - 2) {
            fraction *= 10;
            double digit = trunc(fraction);
            buf[at++] = char('0' + int(digit));
            fraction -= digit;
        }
    }
    buf[at] = 0;
    int n = snprintf(out, size_t(cap), "%s", buf);
    return n < cap ? n : cap - 1;
}

int32_t propRelative(int32_t a, int32_t b)
{
    return int32_t(REL_TAG | (uint32_t(a) & 0xFFF) << 12 | (uint32_t(b) & 0xFFF));
}

bool propIsRelative(int32_t value)
{
    return (uint32_t(value) & 0xFF000000u) == REL_TAG;
}

int32_t propRelA(int32_t value)
{
    int32_t a = (value >> 12) & 0xFFF;
    return a >= 0x800 ? a - 0x1000 : a;
}

int32_t propRelB(int32_t value)
{
    int32_t b = value & 0xFFF;
    return b >= 0x800 ? b - 0x1000 : b;
}

// ---- Saving context -------------------------------------------------------------------------------

void propBeginSave()
{
    if (g_saveDepth++ > 0)
        return;
    g_worldOf.assign(size_t(objTableSlots()), -1);
    std::vector<ObjectId> worlds(size_t(objWorldIds(nullptr, 0)));
    objWorldIds(worlds.data(), int32_t(worlds.size()));
    for (ObjectId id : worlds) {
        const Vector* objs = objMembers(objGet(id));
        for (int32_t i = 0; objs && i < objs->count; i++) {
            int32_t member = *static_cast<int32_t*>(vecAt(objs, i));
            if (member >= 0 && member < int32_t(g_worldOf.size()) && g_worldOf[size_t(member)] < 0)
                g_worldOf[size_t(member)] = id;
        }
    }
}

void propEndSave()
{
    if (g_saveDepth > 0 && --g_saveDepth == 0)
        std::vector<int32_t>().swap(g_worldOf);
}

void* propWorldOf(const void* obj)
{
    if (!obj)
        return nullptr;
    if (g_saveDepth == 0)
        return objFindWorldOf(obj);
    ObjectId id = objId(obj);
    if (id < 0 || id >= int32_t(g_worldOf.size()))
        return nullptr;
    return g_worldOf[size_t(id)] < 0 ? nullptr : objGet(g_worldOf[size_t(id)]);
}
