// World files: the object reader and writer, the World's member loading with its
// saved-id map, and the whole-file operations.
//
// A file's objects refer to each other by the ids they had when the file was
// written ("saved ids"). Reading stores a local reference to saved id n as -n;
// once a World's members are read, a map sorted by saved id turns each into
// the new id. Reading never fails on a value (text parsing has defaults); it
// fails on a broken structure: a bad line, an index beyond the class, a short
// binary value.
#include "obj/worldfile.h"

#include <algorithm>
#include <string.h>
#include <string>
#include <utility>
#include <vector>

#include "base/log.h"
#include "base/mem.h"
#include "obj/container.h"
#include "obj/object.h"
#include "obj/proptype.h"
#include "vfs/vfs.h"

#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

constexpr int32_t kBufferBytes = 64 * 1024;

// Objects being read or written inside one another (Worlds in Worlds).
int g_readDepth;
int g_writeDepth;

void* readObject(WorldFile* wf);
constexpr uint8_t kEndOfObject = 0xFF;

// ---- Buffered bytes ----------------------------------------------------------------------------

// Next byte, -1 at the end of the file, -2 on an I/O error.
int nextByte(WorldFile* wf)
{
    if (!wf->buf) {
        uint8_t c;
        int32_t n = vfsRead(wf->file, &c, 1);
        return n == 1 ? c : n < 0 || !vfsEof(wf->file) ? -2 : -1;
    }
    if (wf->bufPos >= wf->bufLen) {
        int32_t n = vfsRead(wf->file, wf->buf, wf->bufCap);
        if (n <= 0)
            return n < 0 || !vfsEof(wf->file) ? -2 : -1;
        wf->bufPos = 0;
        wf->bufLen = n;
    }
    return wf->buf[wf->bufPos++];
}

bool flush(WorldFile* wf)
{
    if (!wf->buf || !wf->writing || wf->bufLen == 0)
        return !wf->failed;
    if (vfsWrite(wf->file, wf->buf, wf->bufLen) != wf->bufLen)
        wf->failed = true;
    wf->bufLen = 0;
    return !wf->failed;
}

// Bytes that end a token (bit 1) or a line (bit 2).
struct DelimiterTable {
    uint8_t ends[256];
    DelimiterTable() : ends{}
    {
        ends[0] = ends[uint8_t('\n')] = ends[uint8_t('\r')] = 3;
        ends[uint8_t(' ')] = ends[uint8_t('\t')] = 1;
    }
};
const DelimiterTable kDelimiters;

bool isDelimiter(int c, bool words)
{
    return kDelimiters.ends[uint8_t(c)] & (words ? 1 : 2);
}

// Ends a token or line at its delimiter c: a CR must be followed by LF.
bool endAt(WorldFile* wf, int c)
{
    return c != '\r' || nextByte(wf) == '\n';
}

// The shared loop of words and lines (see wfReadWord). Bytes already in the
// buffer are scanned in place; the buffer is refilled only at its end.
bool readDelimited(WorldFile* wf, char* out, int cap, bool words)
{
    if (!wf || !out || cap <= 0)
        return false;
    int n = 0;
    while (n < cap) {
        if (wf->buf && wf->bufPos < wf->bufLen) {
            const uint8_t* p = wf->buf + wf->bufPos;
            int32_t avail = wf->bufLen - wf->bufPos;
            int32_t room = cap - n < avail ? cap - n : avail;
            int32_t i = 0;
            while (i < room && !isDelimiter(p[i], words))
                i++;
            memcpy(out + n, p, size_t(i));
            n += i;
            wf->bufPos += i;
            if (i < room) {
                int c = wf->buf[wf->bufPos++];
                out[n] = 0;
                return endAt(wf, c);
            }
            continue;
        }
        int c = nextByte(wf);
        if (c < 0) {
            out[n] = 0;
            return c == -1;
        }
        if (isDelimiter(c, words)) {
            out[n] = 0;
            return endAt(wf, c);
        }
        out[n++] = char(c);
    }
    out[cap - 1] = 0;
    return false;
}

// ---- Method look-up by name ("Load", "Save") ---------------------------------------------------

// The name index of a method name in a class, looked up once per class in a row.
uint8_t cachedIndex(void* obj, const char* name, const ClassDesc** lastClass, uint8_t* lastIndex)
{
    const ClassDesc* cls = static_cast<ObjHeader*>(obj)->cls;
    const PropDesc* d = cls == *lastClass ? objPropDesc(obj, *lastIndex) : nullptr;
    if (!d || strcmp(d->name, name)) {
        *lastIndex = objPropIndex(obj, name);
        *lastClass = cls;
    }
    return *lastIndex;
}

ObjMethod namedMethod(void* obj, bool save)
{
    static const ClassDesc* lastSave;
    static const ClassDesc* lastLoad;
    static uint8_t saveIndex, loadIndex;
    uint8_t index = save ? cachedIndex(obj, "Save", &lastSave, &saveIndex)
                         : cachedIndex(obj, "Load", &lastLoad, &loadIndex);
    const PropDesc* d = objPropDesc(obj, index);
    if (!d)
        return nullptr;
    if (index >= PROP_METHOD_BASE) {
        ClassDesc* cls = static_cast<ObjHeader*>(obj)->cls;
        return d->offset >= 0 && uint32_t(d->offset) < cls->nMethods ? cls->slots[d->offset] : nullptr;
    }
    if (d->type != PT_METHOD)
        return nullptr;
    return *reinterpret_cast<ObjMethod*>(static_cast<uint8_t*>(obj) + d->offset);
}

// Calls Save (or Load). A method other than the World's own may use the VFile
// directly, so it gets the file at its logical position.
int callFileMethod(void* obj, bool save, WorldFile* wf)
{
    ObjMethod fn = namedMethod(obj, save);
    ObjMethod own = save ? World_Save : World_Load;
    if (!fn)
        return 0;
    if (fn != own && !wfDetach(wf))
        return -1;
    return fn(obj, wf);
}

void logWithClass(const char* message, const char* cls)
{
    logWrite(message, 0);
    logLine(cls);
}

// ---- Reading -------------------------------------------------------------------------------------

// A file may rebind a class's method slot to a registered function, but only to
// one of a class the object's class derives from ("World_Load" for a World or a
// class derived from it): a function of another class would take the object
// for a record it is not. The Save and Load slots, which the reader and writer
// call with the open file, take only functions named for that purpose
// ("..._Save", "..._Load"). An empty value empties the slot; an unknown name
// is logged and changes nothing, so that a misspelt name in one file does not
// take a method away from every object of the class for the rest of the run.
void storeMethod(void* obj, const PropDesc* d, const char* name)
{
    ClassDesc* cls = static_cast<ObjHeader*>(obj)->cls;
    if (d->offset < 0 || uint32_t(d->offset) >= cls->nMethods)
        return;
    ObjMethod fn = methodFind(name);
    if (!fn && *name) {
        logWrite("objRead: unknown method ", 0);
        logLine(name);
        return;
    }
    const char* underscore = fn ? strchr(name, '_') : nullptr;
    if (fn) {
        std::string owner(name, underscore ? size_t(underscore - name) : 0);
        bool fileSlot = d->offset == M_SAVE || d->offset == M_LOAD;
        if (!classIsA(cls, classFind(owner.c_str())) || (fileSlot && strcmp(underscore + 1, d->name))) {
            logWrite("objRead: method does not fit class ", 0);
            logWrite(cls->name, 0);
            logWrite(": ", 0);
            logLine(name);
            return;
        }
    }
    cls->slots[d->offset] = fn;
}

bool readTextProperties(WorldFile* wf, void* obj)
{
    char token[WORLD_LINE_MAX], line[WORLD_LINE_MAX];
    const char* cls = static_cast<ObjHeader*>(obj)->cls->name;
    for (;;) {
        if (!wfReadWord(wf, token, WORLD_LINE_MAX)) {
            logWithClass("objRead: bad or too long line in class ", cls);
            return false;
        }
        if (!token[0])
            return true;
        if (!wfReadLine(wf, line, WORLD_LINE_MAX)) {
            logWithClass("objRead: bad or too long line in class ", cls);
            return false;
        }
        if (token[0] == ';')
            continue;
        uint8_t index = objPropIndex(obj, token);
        const PropDesc* d = objPropDesc(obj, index);
        if (!d) {
            logWithClass("objRead: unknown property ", token);
            continue;
        }
        if (index >= PROP_METHOD_BASE)
            storeMethod(obj, d, line);
        else
            PropFromStr(line, d->type, static_cast<uint8_t*>(obj) + d->offset);
    }
}

bool readBinaryProperties(WorldFile* wf, void* obj)
{
    const ClassDesc* cls = static_cast<ObjHeader*>(obj)->cls;
    for (;;) {
        uint8_t index;
        if (wfRead(wf, &index, 1) != 1) {
            logWithClass("objRead: file ends inside an object of class ", cls->name);
            return false;
        }
        if (index == kEndOfObject)
            return true;
        if (index >= cls->nProps) {
            logWithClass("objRead: property index beyond the class ", cls->name);
            return false;
        }
        const PropDesc* d = &cls->descs[index];
        if (!PropRead(wf, d->type, static_cast<uint8_t*>(obj) + d->offset)) {
            logWithClass("objRead: bad value in class ", cls->name);
            return false;
        }
    }
}

// ---- Writing -------------------------------------------------------------------------------------

// The ids of a World's member list that name live objects: the members its Save writes.
void liveMembers(const Vector* objs, Vector* out)
{
    *out = *objs;
    out->data = nullptr;
    out->count = out->capacity = 0;
    for (int32_t i = 0; i < objs->count; i++) {
        ObjectId id = *static_cast<ObjectId*>(vecAt(objs, i));
        if (objGet(id) && vecPush(out, &id) < 0)
            return;
    }
}

// A World's member list: the list its class (or a base) flagged PF_MEMBERS; other
// lists of a World are plain references.
bool isMemberList(const void* obj, const PropDesc* d)
{
    const Vector* members = d->type == PT_OBJLIST ? objMembers(obj) : nullptr;
    return members &&
           static_cast<const uint8_t*>(obj) + d->offset == reinterpret_cast<const uint8_t*>(members);
}

const char* nameOf(const void* obj)
{
    const char* name = objName(obj);
    return name ? name : "";
}

bool writeProperty(WorldFile* wf, void* obj, const PropDesc* d, char* text)
{
    const uint8_t* value = static_cast<const uint8_t*>(obj) + d->offset;
    Vector members = {};
    bool worldObjs = isMemberList(obj, d);
    if (worldObjs) {
        liveMembers(objMembers(obj), &members);
        value = reinterpret_cast<const uint8_t*>(&members);
    }
    bool ok;
    if (wf->form == WF_BINARY) {
        ok = wfWrite(wf, &d->index, 1) && PropWrite(wf, obj, d->type, value);
    } else {
        // A value must read back as one line: not too long, and without line ends.
        size_t nameLen = strlen(d->name);
        ok = propToStrFits(text, obj, d->type, value) &&
             nameLen + 1 + strlen(text) < size_t(WORLD_LINE_MAX) && !strpbrk(text, "\r\n");
        if (!ok)
            logWithClass("objWrite: value does not fit a text line: ", d->name);
        ok = ok && wfWriteString(wf, d->name) && wfWrite(wf, "\t", 1) && wfWriteString(wf, text) &&
             wfWrite(wf, "\n", 1);
    }
    if (worldObjs)
        vecFree(&members);
    return ok;
}

// Whether a value equals the default; the common sizes compare without a call.
bool sameBytes(const uint8_t* a, const uint8_t* b, uint32_t n)
{
    switch (n) {
    case 1:
        return *a == *b;
    case 2:
        return a[0] == b[0] && a[1] == b[1];
    case 4: {
        uint32_t x, y;
        memcpy(&x, a, 4);
        memcpy(&y, b, 4);
        return x == y;
    }
    default:
        return !memcmp(a, b, n);
    }
}

bool writeObject(WorldFile* wf, void* obj)
{
    const ClassDesc* cls = static_cast<ObjHeader*>(obj)->cls;
    bool binary = wf->form == WF_BINARY;
    if (!wfWriteString(wf, cls->name) || !wfWrite(wf, binary ? "" : "\n", 1))
        return false;
    char text[PROP_TEXT_MAX];
    uint16_t skip = binary ? PF_NOBINARY : PF_NOTEXT;
    for (uint32_t i = 0; i < cls->nProps; i++) {
        const PropDesc* d = &cls->descs[i];
        const TypeInfo* t = propTypeInfo(d->type);
        if (!t || !t->written || (d->flags & skip))
            continue;
        if (sameBytes(static_cast<uint8_t*>(obj) + d->offset,
                      static_cast<uint8_t*>(cls->defaults) + d->offset, d->size))
            continue;
        if (!writeProperty(wf, obj, d, text))
            return false;
    }
    if (!wfWrite(wf, binary ? &kEndOfObject : reinterpret_cast<const uint8_t*>("\n"), 1))
        return false;
    return callFileMethod(obj, true, wf) == 0;
}

// ---- Reference resolution -------------------------------------------------------------------------

typedef std::pair<int32_t, ObjectId> SavedId;  // saved id -> new id

struct Resolver {
    const void* world;
    std::vector<SavedId> map;  // sorted by saved id

    ObjectId resolve(int32_t v) const
    {
        if (v == 0)
            return objId(world);
        if (v == OBJ_NONE || v > 0)
            return v;
        int32_t saved = int32_t(0u - uint32_t(v));
        auto it = std::lower_bound(map.begin(), map.end(), SavedId(saved, INT32_MIN));
        if (it != map.end() && it->first == saved)
            return it->second;
        logWrite("World_Load: object reference not found: ", 0);
        logWrite(&saved, LOG_INT);
        if (nameOf(world)[0]) {
            logWrite(", world ", 0);
            logWrite(nameOf(world), 0);
        }
        logLine("");
        return OBJ_NONE;
    }

    void resolveList(Vector* list) const
    {
        for (int32_t i = 0; i < list->count; i++) {
            int32_t* e = static_cast<int32_t*>(vecAt(list, i));
            *e = resolve(int32_t(0u - uint32_t(*e)));
        }
    }

    void resolveId(const PropDesc* d, ObjectId* value) const
    {
        int32_t stored = *value;
        *value = resolve(stored);
        void* target = objGet(*value);
        // A class registered after the one referring to it is resolved here.
        ClassDesc* ref = d->refClass ? d->refClass : classFind(d->refName);
        if (!ref || stored == OBJ_NONE || !target || objIsA(target, ref))
            return;
        logWrite("World_Load: incorrect class of referenced object, world ", 0);
        logWrite(nameOf(world), 0);
        logWrite(", prop ", 0);
        logWrite(d->name, 0);
        logWrite(", value ", 0);
        logWrite(&stored, LOG_INT);
        logLine("");
        *value = OBJ_NONE;
    }

    void resolveMember(void* obj) const
    {
        const ClassDesc* cls = static_cast<ObjHeader*>(obj)->cls;
        for (uint32_t i = 0; i < cls->nProps; i++) {
            const PropDesc* d = &cls->descs[i];
            void* value = static_cast<uint8_t*>(obj) + d->offset;
            if (d->type == PT_OBJLIST && !isMemberList(obj, d))
                resolveList(static_cast<Vector*>(value));
            else if (d->type == PT_OBJECTID)
                resolveId(d, static_cast<ObjectId*>(value));
        }
    }
};

bool checkHeader(WorldFile* wf, int32_t* form)
{
    char head[4];
    if (wfRead(wf, head, 4) != 4 || memcmp(head, "TOB", 3))
        return false;
    if (head[3] == 'T')
        *form = WF_TEXT;
    else if (head[3] == 'B')
        *form = WF_BINARY;
    else if (head[3] == 'S')
        *form = WF_STEXT;
    else
        return false;
    if (*form == WF_TEXT) {
        // Each header line end is read as a line of at most one character.
        char line[2];
        wfReadLine(wf, line, 2);
        wfReadLine(wf, line, 2);
    }
    return true;
}

}

// ---- Buffered access -------------------------------------------------------------------------------

bool wfOpen(WorldFile* wf, VFile* file, int32_t form, bool writing)
{
    if (!wf || !file)
        return false;
    *wf = {.file = file,
           .form = form,
           .buf = nullptr,
           .bufCap = 0,
           .bufPos = 0,
           .bufLen = 0,
           .writing = writing,
           .failed = false};
    wf->buf = static_cast<uint8_t*>(memAlloc(kBufferBytes));
    if (wf->buf)
        wf->bufCap = kBufferBytes;
    return true;
}

bool wfClose(WorldFile* wf)
{
    if (!wf)
        return false;
    bool ok = flush(wf);
    memFree(wf->buf);
    wf->buf = nullptr;
    wf->bufCap = wf->bufPos = wf->bufLen = 0;
    return ok;
}

bool wfDetach(WorldFile* wf)
{
    if (!wf || !wf->buf)
        return wf != nullptr;
    if (wf->writing)
        return flush(wf);
    int32_t ahead = wf->bufLen - wf->bufPos;
    wf->bufPos = wf->bufLen = 0;
    return ahead == 0 || vfsSeek(wf->file, -ahead, 1);
}

int32_t wfRead(WorldFile* wf, void* out, int32_t n)
{
    if (!wf || !out || n <= 0)
        return 0;
    if (!wf->buf)
        return vfsRead(wf->file, out, n);
    uint8_t* dst = static_cast<uint8_t*>(out);
    // Most values are a few bytes that are already in the buffer.
    if (n <= 16 && wf->bufLen - wf->bufPos >= n) {
        const uint8_t* src = wf->buf + wf->bufPos;
        for (int32_t i = 0; i < n; i++)
            dst[i] = src[i];
        wf->bufPos += n;
        return n;
    }
    int32_t done = 0;
    while (done < n) {
        int32_t have = wf->bufLen - wf->bufPos;
        if (have > 0) {
            int32_t take = have < n - done ? have : n - done;
            memcpy(dst + done, wf->buf + wf->bufPos, size_t(take));
            wf->bufPos += take;
            done += take;
            continue;
        }
        if (n - done >= wf->bufCap) {
            int32_t got = vfsRead(wf->file, dst + done, n - done);
            return got > 0 ? done + got : done;
        }
        int32_t got = vfsRead(wf->file, wf->buf, wf->bufCap);
        if (got <= 0)
            break;
        wf->bufPos = 0;
        wf->bufLen = got;
    }
    return done;
}

bool wfWrite(WorldFile* wf, const void* p, int32_t n)
{
    if (!wf || n < 0 || wf->failed)
        return false;
    if (n == 0)
        return true;
    if (!wf->buf)
        return vfsWrite(wf->file, p, n) == n;
    // Most values are a few bytes that fit the buffer.
    if (n <= 16 && wf->bufLen + n <= wf->bufCap) {
        const uint8_t* src = static_cast<const uint8_t*>(p);
        uint8_t* dst = wf->buf + wf->bufLen;
        for (int32_t i = 0; i < n; i++)
            dst[i] = src[i];
        wf->bufLen += n;
        return true;
    }
    if (wf->bufLen + n > wf->bufCap && !flush(wf))
        return false;
    if (n >= wf->bufCap) {
        if (vfsWrite(wf->file, p, n) != n)
            wf->failed = true;
        return !wf->failed;
    }
    memcpy(wf->buf + wf->bufLen, p, size_t(n));
    wf->bufLen += n;
    return true;
}

bool wfWriteString(WorldFile* wf, const char* s)
{
    return s && wfWrite(wf, s, int32_t(strlen(s)));
}

bool wfReadWord(WorldFile* wf, char* out, int cap)
{
    return readDelimited(wf, out, cap, true);
}

bool wfReadLine(WorldFile* wf, char* out, int cap)
{
    return readDelimited(wf, out, cap, false);
}

uint32_t wfRemaining(WorldFile* wf)
{
    if (!wf)
        return 0;
    uint32_t size = vfsSize(wf->file), pos = vfsTell(wf->file);
    if (size == 0xFFFFFFFFu || pos == 0xFFFFFFFFu)
        return 0xFFFFFFFFu;
    uint32_t ahead = wf->buf && !wf->writing ? uint32_t(wf->bufLen - wf->bufPos) : 0;
    return pos > size ? ahead : size - pos + ahead;
}

// ---- Objects -----------------------------------------------------------------------------------------

void* objRead(WorldFile* wf)
{
    if (!wf)
        return nullptr;
    if (g_readDepth >= WORLD_MAX_NESTING) {
        logLine("objRead: objects nested too deeply");
        return nullptr;
    }
    g_readDepth++;
    void* obj = readObject(wf);
    g_readDepth--;
    return obj;
}

bool objWrite(WorldFile* wf, void* obj)
{
    if (!wf || !obj)
        return false;
    // A World that holds itself, directly or further down, ends here too.
    if (g_writeDepth >= WORLD_MAX_NESTING) {
        logLine("objWrite: objects nested too deeply");
        return false;
    }
    g_writeDepth++;
    propBeginSave();
    bool ok = writeObject(wf, obj);
    propEndSave();
    g_writeDepth--;
    return ok;
}

namespace {

void* readObject(WorldFile* wf)
{
    char name[WORLD_LINE_MAX];
    if (!wfReadWord(wf, name, WORLD_LINE_MAX)) {
        logLine("objRead: bad or too long class name");
        return nullptr;
    }
    if (!name[0])
        return nullptr;
    void* obj = objCreateByName(name);
    if (!obj) {
        logWithClass("objRead: could not create class ", name);
        return nullptr;
    }
    bool ok = wf->form == WF_BINARY ? readBinaryProperties(wf, obj) : readTextProperties(wf, obj);
    if (!ok || callFileMethod(obj, false, wf) != 0)
        return nullptr;
    return obj;
}

}

// ---- The World's members ---------------------------------------------------------------------------

int World_Load(void* obj, void* arg)
{
    Vector* objs = objMembers(obj);
    if (!objs)
        return 0;
    WorldFile* wf = static_cast<WorldFile*>(arg);
    Resolver r = {.world = obj, .map = {}};
    int32_t n = objs->count;
    r.map.reserve(size_t(n));
    for (int32_t i = 0; i < n; i++) {
        void* member = objRead(wf);
        if (!member) {
            logWithClass("World_Load: less objects loaded than expected, world ", nameOf(obj));
            objs->count = i;
            break;
        }
        ObjectId* slot = static_cast<ObjectId*>(vecAt(objs, i));
        r.map.emplace_back(*slot, objId(member));
        *slot = objId(member);
    }
    std::sort(r.map.begin(), r.map.end());
    for (int32_t i = 0; i < objs->count; i++)
        r.resolveMember(objGet(*static_cast<ObjectId*>(vecAt(objs, i))));
    return 0;
}

int World_Save(void* obj, void* arg)
{
    const Vector* objs = objMembers(obj);
    for (int32_t i = 0; objs && i < objs->count; i++) {
        void* member = objGet(*static_cast<ObjectId*>(vecAt(objs, i)));
        if (member && !objWrite(static_cast<WorldFile*>(arg), member))
            return -1;
    }
    return 0;
}

// ---- Whole files -------------------------------------------------------------------------------------

namespace {

// True when anything but blank lines and comments follows the object just read:
// a World whose member list names fewer objects than the file holds leaves the
// rest unread, and without a word in the log that is hard to see.
bool moreFollows(WorldFile* wf)
{
    if (wf->form == WF_BINARY)
        return wfRemaining(wf) != 0 && wfRemaining(wf) != 0xFFFFFFFFu;
    char token[WORLD_LINE_MAX], line[WORLD_LINE_MAX];
    while (wfRemaining(wf) != 0 && wfRemaining(wf) != 0xFFFFFFFFu) {
        if (!wfReadWord(wf, token, WORLD_LINE_MAX))
            return true;
        if (token[0] && (token[0] != ';' || !wfReadLine(wf, line, WORLD_LINE_MAX)))
            return true;
    }
    return false;
}

}

void* objLoadFile(const char16_t* name)
{
    VFile* f = name ? vfsOpen(name) : nullptr;
    if (!f)
        return nullptr;
    WorldFile wf;
    wfOpen(&wf, f, WF_TEXT, false);
    void* obj = checkHeader(&wf, &wf.form) ? objRead(&wf) : nullptr;
    if (obj && moreFollows(&wf)) {
        logWrite("objLoadFile: objects follow the first one unread (a member list naming too few?) in ", 0);
        logWrite(name, LOG_WIDE | LOG_EOL);
    }
    wfClose(&wf);
    vfsClose(f);
    if (objName(obj))
        objCallMethod(obj, M_SYNC, nullptr);
    return obj;
}

bool objSaveFile(const char16_t* name, void* obj, bool binary)
{
    if (!name || !obj)
        return false;
    VFile* f = vfsCreate(name);
    if (!f)
        return false;
    WorldFile wf;
    wfOpen(&wf, f, binary ? WF_BINARY : WF_TEXT, true);
    bool ok = wfWriteString(&wf, binary ? "TOBB" : "TOBT\n\n") && objWrite(&wf, obj);
    ok = wfClose(&wf) && ok;
    return vfsClose(f) && ok;
}
