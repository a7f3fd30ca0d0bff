// The class registry, the named-method registry and the object table.
//
// Registering a class resolves its inheritance once: null slots and hooks take
// the base class's, cleared ones become null. The registry keeps each class's
// table as declared and puts it back at shut-down, so a class can be registered
// again by the next start and resolves to the same table.
//
// The object table never hands out an id whose lowest byte is 0xFD or 0xFE: in
// the binary World form such a saved id could not be told from the markers of an
// absolute or a named reference. Slots of that shape are taken once, hold no
// object and are never freed, so the table's last-freed-first-reused order holds
// for every other slot.
#include "obj/object.h"

#include <string.h>

#include <functional>

#include "app/clock.h"
#include "base/log.h"
#include "base/mem.h"
#include "obj/container.h"
#include "obj/proptype.h"

namespace {

struct NamedMethod {
    ObjMethod fn;
    const char* name;
};

// Where a registered class keeps what its roles need.
struct Roles {
    const ClassDesc* cls;
    int16_t startAt;    // offset of the PF_START time, or -1
    int16_t membersAt;  // offset of the PF_MEMBERS list, or -1
};

// A registered class's hooks and slots as its descriptor declared them.
struct Declared {
    ClassDesc* cls;
    ObjMethod create, destroy;
    ObjMethod* slots;  // copy of nMethods slots (memAlloc), or null
};

Vector g_classes;       // ClassDesc*, sorted by name
Vector g_methods;       // NamedMethod, sorted by name
HandleTable g_objects;  // object pointers by id
Vector g_worlds;        // ObjectId, sorted: the live objects that are Worlds (derived classes too)
Vector g_declared;      // Declared, in registration order
Vector g_roles;         // Roles, sorted by class address
bool g_ready;
TIME g_resetTime;

int compareClassName(const void* elem, const void* key)
{
    return strcmp((*static_cast<ClassDesc* const*>(elem))->name,
                  (*static_cast<ClassDesc* const*>(key))->name);
}

int compareMethodName(const void* elem, const void* key)
{
    return strcmp(static_cast<const NamedMethod*>(elem)->name, static_cast<const NamedMethod*>(key)->name);
}

int compareIndexName(const void* a, const void* b)
{
    return strcmp(static_cast<const NameIndexEntry*>(a)->name, static_cast<const NameIndexEntry*>(b)->name);
}

int compareRoles(const void* a, const void* b)
{
    std::less<const ClassDesc*> less;
    const ClassDesc *x = static_cast<const Roles*>(a)->cls, *y = static_cast<const Roles*>(b)->cls;
    return less(x, y) ? -1 : less(y, x);
}

const Roles* rolesOf(const ClassDesc* cls)
{
    Roles key = {.cls = cls, .startAt = -1, .membersAt = -1};
    return static_cast<const Roles*>(vecFind(&g_roles, &key, compareRoles));
}

int compareId(const void* a, const void* b)
{
    ObjectId x = *static_cast<const ObjectId*>(a), y = *static_cast<const ObjectId*>(b);
    return x < y ? -1 : x > y;
}

void forgetWorld(ObjectId id)
{
    if (void* hit = vecFind(&g_worlds, &id, compareId))
        vecRemoveAt(&g_worlds, vecIndexOfPtr(&g_worlds, hit));
}

ObjectId worldAt(int32_t i)
{
    return *static_cast<ObjectId*>(vecAt(&g_worlds, i));
}

bool reservedId(int32_t id)
{
    uint8_t low = uint8_t(id);
    return low == 0xFD || low == 0xFE;
}

ObjHeader* header(const void* obj)
{
    return static_cast<ObjHeader*>(const_cast<void*>(obj));
}

bool buildNameIndex(ClassDesc* cls)
{
    uint32_t n = cls->nProps + cls->nMethods;
    memFree(cls->nameIndex);
    cls->nameIndex = nullptr;
    if (n == 0)
        return true;
    auto* index = static_cast<NameIndexEntry*>(memAlloc(int32_t(n * sizeof(NameIndexEntry))));
    if (!index)
        return false;
    for (uint32_t i = 0; i < n; i++) {
        bool method = i >= cls->nProps;
        uint32_t k = method ? PROP_METHOD_BASE + (i - cls->nProps) : i;
        cls->descs[i].index = uint8_t(k);
        index[i] = {.name = cls->descs[i].name, .index = k};
    }
    Vector v = {.count = int32_t(n),
                .capacity = int32_t(n),
                .elemSize = sizeof(NameIndexEntry),
                .data = reinterpret_cast<uint8_t*>(index)};
    vecSort(&v, compareIndexName);
    cls->nameIndex = index;
    return true;
}

// Runs every property's init (or release) function over the values of an object.
void runValueFunctions(const ClassDesc* cls, void* obj, bool release)
{
    for (uint32_t i = 0; i < cls->nProps; i++) {
        const TypeInfo* t = propTypeInfo(cls->descs[i].type);
        PropValueFn fn = !t ? nullptr : release ? t->release : t->init;
        if (fn)
            fn(static_cast<uint8_t*>(obj) + cls->descs[i].offset);
    }
}

const NameIndexEntry* findName(const ClassDesc* cls, const char* name)
{
    if (!cls || !name || !cls->nameIndex)
        return nullptr;
    Vector v = {.count = int32_t(cls->nProps + cls->nMethods),
                .capacity = int32_t(cls->nProps + cls->nMethods),
                .elemSize = sizeof(NameIndexEntry),
                .data = reinterpret_cast<uint8_t*>(cls->nameIndex)};
    NameIndexEntry key = {.name = name, .index = 0};
    return static_cast<const NameIndexEntry*>(vecFind(&v, &key, compareIndexName));
}

ObjMethod inherit(ObjMethod own, ObjMethod base)
{
    ObjMethod fn = own ? own : base;
    return fn == OBJ_SLOT_CLEARED ? nullptr : fn;
}

// Keeps the declared hooks and slots, then fills them in from the base class,
// which must be registered (and so resolved) in this registry already.
bool resolveInheritance(ClassDesc* cls)
{
    Declared d = {.cls = cls, .create = cls->create, .destroy = cls->destroy, .slots = nullptr};
    size_t bytes = cls->nMethods * sizeof(ObjMethod);
    if (cls->slots && bytes) {
        d.slots = static_cast<ObjMethod*>(memAlloc(int32_t(bytes)));
        if (!d.slots)
            return false;
        memcpy(d.slots, cls->slots, bytes);
    }
    if (vecPush(&g_declared, &d) < 0) {
        memFree(d.slots);
        return false;
    }
    const ClassDesc* base = cls->baseName && classFind(cls->baseName) == cls->base ? cls->base : nullptr;
    if (!base && cls->baseName && cls->nMethods) {
        logWrite("classRegister: base class not registered yet, nothing inherited: ", 0);
        logLine(cls->name);
    }
    cls->create = inherit(cls->create, base ? base->create : nullptr);
    cls->destroy = inherit(cls->destroy, base ? base->destroy : nullptr);
    for (uint32_t i = 0; cls->slots && i < cls->nMethods; i++) {
        bool inherited = base && base->slots && i < base->nMethods;
        cls->slots[i] = inherit(cls->slots[i], inherited ? base->slots[i] : nullptr);
    }
    return true;
}

// Puts the declared hooks and slots of the last n registered classes back.
void restoreDeclared(int32_t n)
{
    for (; n > 0 && g_declared.count > 0; n--) {
        Declared* d = static_cast<Declared*>(vecAt(&g_declared, g_declared.count - 1));
        d->cls->create = d->create;
        d->cls->destroy = d->destroy;
        if (d->slots)
            memcpy(d->cls->slots, d->slots, d->cls->nMethods * sizeof(ObjMethod));
        memFree(d->slots);
        vecRemoveAt(&g_declared, g_declared.count - 1);
    }
}

bool isWorld(const void* obj)
{
    return obj && (header(obj)->cls->flags & CF_WORLD);
}

// The candidate matching rule of objFind. The exact class is compared first: it
// is the cheapest test and rejects most candidates of a whole-table search.
bool matches(const void* obj, ClassDesc* cls, const char* name)
{
    if (!obj || (cls && header(obj)->cls != cls) || !(header(obj)->cls->flags & CF_NAMED))
        return false;
    return !name || !strcmp(static_cast<const ObjNamed*>(obj)->name, name);
}

// A property's role flags must come with the type and place the role needs.
bool rolesFit(const ClassDesc* cls)
{
    for (uint32_t i = 0; i < cls->nProps; i++) {
        const PropDesc* d = &cls->descs[i];
        if ((d->flags & PF_NAME) &&
            (d->type != PT_STRING16 || d->offset != int16_t(sizeof(ObjHeader)) || d->size != OBJ_NAME_MAX))
            return false;
        if ((d->flags & PF_START) && d->type != PT_TIME)
            return false;
        if ((d->flags & PF_MEMBERS) && d->type != PT_OBJLIST)
            return false;
    }
    return true;
}

// The roles a class takes from its base and from its own flagged properties;
// false when there is no memory to note where they are.
bool computeRoles(ClassDesc* cls)
{
    constexpr uint32_t kRoles = CF_NAMED | CF_TIMED | CF_WORLD;
    const ClassDesc* base = cls->baseName && classFind(cls->baseName) == cls->base ? cls->base : nullptr;
    const Roles* inherited = base ? rolesOf(base) : nullptr;
    Roles r = {.cls = cls,
               .startAt = inherited ? inherited->startAt : int16_t(-1),
               .membersAt = inherited ? inherited->membersAt : int16_t(-1)};
    cls->flags = base ? base->flags & kRoles : 0;
    for (uint32_t i = 0; i < cls->nProps; i++) {
        const PropDesc* d = &cls->descs[i];
        if (d->flags & PF_NAME)
            cls->flags |= CF_NAMED;
        if (d->flags & PF_START) {
            cls->flags |= CF_TIMED;
            r.startAt = d->offset;
        }
        if (d->flags & PF_MEMBERS) {
            cls->flags |= CF_WORLD;
            r.membersAt = d->offset;
        }
    }
    return !(cls->flags & (CF_TIMED | CF_WORLD)) || vecInsertSorted(&g_roles, &r, compareRoles) >= 0;
}

void stampStart(void* obj, TIME now)
{
    const ClassDesc* cls = header(obj)->cls;
    const Roles* r = cls->flags & CF_TIMED ? rolesOf(cls) : nullptr;
    if (r)
        memcpy(static_cast<uint8_t*>(obj) + r->startAt, &now, sizeof now);
}

}

int objSlotCleared(void*, void*)
{
    return 0;
}

// ---- Start-up and shut-down ----------------------------------------------------------

bool objInit()
{
    if (g_ready)
        objShutdown();
    if (!vecInit(&g_classes, sizeof(ClassDesc*), 100) || !vecInit(&g_methods, sizeof(NamedMethod), 100) ||
        !htInit(&g_objects, 1000) || !vecInit(&g_worlds, sizeof(ObjectId), 16) ||
        !vecInit(&g_declared, sizeof(Declared), 100) || !vecInit(&g_roles, sizeof(Roles), 16)) {
        vecFree(&g_classes);
        vecFree(&g_methods);
        htFree(&g_objects);
        vecFree(&g_worlds);
        vecFree(&g_declared);
        vecFree(&g_roles);
        return false;
    }
    g_ready = true;
    return true;
}

void objShutdown()
{
    if (!g_ready)
        return;
    for (int32_t id = htCount(&g_objects) - 1; id >= 0; id--)
        objDestroy(htGet(&g_objects, id));
    for (int32_t i = 0; i < g_classes.count; i++) {
        ClassDesc* cls = *static_cast<ClassDesc**>(vecAt(&g_classes, i));
        memFree(cls->nameIndex);
        cls->nameIndex = nullptr;
    }
    restoreDeclared(g_declared.count);
    vecFree(&g_declared);
    vecFree(&g_roles);
    htFree(&g_objects);
    vecFree(&g_worlds);
    vecFree(&g_methods);
    vecFree(&g_classes);
    g_ready = false;
}

// ---- Classes ------------------------------------------------------------------------------

bool classRegister(ClassDesc* cls)
{
    if (!g_ready || !cls || !cls->name || classFind(cls->name) == cls)
        return false;
    if (classFind(cls->name)) {
        logWrite("classRegister: class already registered: ", 0);
        logLine(cls->name);
        return false;
    }
    // Binary World files name a property by one byte below 128, and the name
    // index tells methods by 128 + position below 255.
    if (cls->nProps >= PROP_METHOD_BASE || cls->nMethods >= PROP_UNKNOWN - PROP_METHOD_BASE ||
        !cls->defaults || cls->objectSize < sizeof(ObjHeader) || !rolesFit(cls)) {
        logWrite("classRegister: bad descriptor for class ", 0);
        logLine(cls->name);
        return false;
    }
    if (!buildNameIndex(cls))
        return false;
    if (!cls->base && cls->baseName)
        cls->base = classFind(cls->baseName);
    if (!resolveInheritance(cls))
        return false;
    if (!computeRoles(cls) || vecInsertSorted(&g_classes, &cls, compareClassName) < 0) {
        restoreDeclared(1);
        return false;
    }
    for (uint32_t i = 0; i < cls->nProps; i++) {
        const TypeInfo* t = propTypeInfo(cls->descs[i].type);
        if (t && t->init) {
            cls->flags |= CF_HAS_INIT;
            t->init(static_cast<uint8_t*>(cls->defaults) + cls->descs[i].offset);
        }
        if (t && t->release)
            cls->flags |= CF_HAS_RELEASE;
    }
    for (uint32_t i = 0; i < cls->nProps + cls->nMethods; i++) {
        PropDesc* d = &cls->descs[i];
        if (d->type == PT_OBJECTID || d->type == PT_OBJLIST)
            d->refClass = d->refName ? classFind(d->refName) : nullptr;
    }
    ObjHeader* def = header(cls->defaults);
    def->cls = cls;
    def->id = -1;
    return true;
}

ClassDesc* classFind(const char* name)
{
    if (!name)
        return nullptr;
    ClassDesc key = {};
    key.name = name;
    ClassDesc* pkey = &key;
    auto* hit = static_cast<ClassDesc**>(vecFind(&g_classes, &pkey, compareClassName));
    return hit ? *hit : nullptr;
}

bool classIsA(ClassDesc* cls, ClassDesc* base)
{
    if (!cls || !base)
        return false;
    for (int depth = 0; cls && depth < 64; depth++) {
        if (cls == base)
            return true;
        if (!cls->baseName)
            return false;
        if (!cls->base)
            cls->base = classFind(cls->baseName);
        cls = cls->base;
    }
    return false;
}

bool objIsA(const void* obj, ClassDesc* base)
{
    return obj && classIsA(header(obj)->cls, base);
}

// ---- Named methods ---------------------------------------------------------------------------

bool methodRegister(ObjMethod fn, const char* name)
{
    if (!g_ready || !fn || !name)
        return false;
    NamedMethod m = {.fn = fn, .name = name};
    return vecInsertSorted(&g_methods, &m, compareMethodName) >= 0;
}

ObjMethod methodFind(const char* name)
{
    if (!name)
        return nullptr;
    NamedMethod key = {.fn = nullptr, .name = name};
    auto* hit = static_cast<NamedMethod*>(vecFind(&g_methods, &key, compareMethodName));
    return hit ? hit->fn : nullptr;
}

const char* methodName(ObjMethod fn)
{
    if (!fn)
        return nullptr;
    for (int32_t i = g_methods.count - 1; i >= 0; i--) {
        auto* m = static_cast<NamedMethod*>(vecAt(&g_methods, i));
        if (m->fn == fn)
            return m->name;
    }
    return nullptr;
}

// ---- Objects ----------------------------------------------------------------------------------

void* objCreate(ClassDesc* cls)
{
    if (!g_ready || !cls || !cls->defaults || cls->objectSize < sizeof(ObjHeader))
        return nullptr;
    void* obj = memAlloc(int32_t(cls->objectSize));
    if (!obj)
        return nullptr;
    memcpy(obj, cls->defaults, cls->objectSize);
    if (cls->flags & CF_HAS_INIT)
        runValueFunctions(cls, obj, false);
    stampStart(obj, timeNow());
    if (cls->create && cls->create(obj, nullptr) != 0) {
        memFree(obj);
        return nullptr;
    }
    int32_t id = htAdd(&g_objects, obj);
    while (id >= 0 && reservedId(id)) {
        htSet(&g_objects, id, nullptr);
        id = htAdd(&g_objects, obj);
    }
    if (id < 0) {
        if (cls->flags & CF_HAS_RELEASE)
            runValueFunctions(cls, obj, true);
        memFree(obj);
        return nullptr;
    }
    header(obj)->id = id;
    if ((cls->flags & CF_WORLD) && vecInsertSorted(&g_worlds, &id, compareId) < 0) {
        objDestroy(obj);
        return nullptr;
    }
    return obj;
}

void* objCreateByName(const char* className)
{
    if (!className || !*className)
        return nullptr;
    return objCreate(classFind(className));
}

void objDestroy(void* obj)
{
    if (!obj)
        return;
    ObjHeader* h = header(obj);
    if (htGet(&g_objects, h->id) == obj) {
        htRemove(&g_objects, h->id);
        forgetWorld(h->id);
    }
    ClassDesc* cls = h->cls;
    if (cls->flags & CF_HAS_RELEASE)
        runValueFunctions(cls, obj, true);
    if (cls->destroy)
        cls->destroy(obj, nullptr);
    memFree(obj);
}

void* objGet(ObjectId id)
{
    return htGet(&g_objects, id);
}

ObjectId objId(const void* obj)
{
    return obj ? header(obj)->id : OBJ_NONE;
}

int32_t objTableSlots()
{
    return htCount(&g_objects);
}

ObjectId objFind(ClassDesc* cls, const char* name, void* world)
{
    if (!cls && !name)
        return OBJ_NONE;
    if (const Vector* objs = objMembers(world)) {
        for (int32_t i = 0; i < objs->count; i++) {
            ObjectId id = *static_cast<ObjectId*>(vecAt(objs, i));
            if (matches(objGet(id), cls, name))
                return id;
        }
        return OBJ_NONE;
    }
    // Worlds are kept in an id-ordered index, so looking one up by name does not
    // scan the whole table.
    if (cls && (cls->flags & CF_WORLD)) {
        for (int32_t i = 0; i < g_worlds.count; i++)
            if (matches(objGet(worldAt(i)), cls, name))
                return worldAt(i);
        return OBJ_NONE;
    }
    for (int32_t id = 0; id < htCount(&g_objects); id++)
        if (matches(objGet(id), cls, name))
            return id;
    return OBJ_NONE;
}

ObjectId objFindWorld(const char* name)
{
    for (int32_t i = 0; name && i < g_worlds.count; i++)
        if (matches(objGet(worldAt(i)), nullptr, name))
            return worldAt(i);
    return OBJ_NONE;
}

const char* objName(const void* obj)
{
    return obj && (header(obj)->cls->flags & CF_NAMED) ? static_cast<const ObjNamed*>(obj)->name : nullptr;
}

Vector* objMembers(const void* obj)
{
    const Roles* r = isWorld(obj) ? rolesOf(header(obj)->cls) : nullptr;
    if (!r)
        return nullptr;
    return reinterpret_cast<Vector*>(static_cast<uint8_t*>(const_cast<void*>(obj)) + r->membersAt);
}

int32_t objWorldIds(ObjectId* out, int32_t cap)
{
    for (int32_t i = 0; out && i < g_worlds.count && i < cap; i++)
        out[i] = worldAt(i);
    return g_worlds.count;
}

void* objFindWorldOf(const void* obj)
{
    if (!obj)
        return nullptr;
    ObjectId target = header(obj)->id;
    for (int32_t k = 0; k < g_worlds.count; k++) {
        void* w = objGet(worldAt(k));
        const Vector* objs = objMembers(w);
        for (int32_t i = objs ? objs->count - 1 : -1; i >= 0; i--)
            if (*static_cast<ObjectId*>(vecAt(objs, i)) == target)
                return w;
    }
    return nullptr;
}

// ---- Properties and methods by name ----------------------------------------------------------

uint8_t objPropIndex(const void* obj, const char* name)
{
    const NameIndexEntry* e = obj ? findName(header(obj)->cls, name) : nullptr;
    return e ? uint8_t(e->index) : PROP_UNKNOWN;
}

const PropDesc* objPropDesc(const void* obj, uint8_t index)
{
    if (!obj)
        return nullptr;
    const ClassDesc* cls = header(obj)->cls;
    if (index < PROP_METHOD_BASE)
        return index < cls->nProps ? &cls->descs[index] : nullptr;
    uint32_t k = index - PROP_METHOD_BASE;
    return k < cls->nMethods ? &cls->descs[cls->nProps + k] : nullptr;
}

void* objPropAddr(void* obj, const char* name)
{
    const PropDesc* d = objPropDesc(obj, objPropIndex(obj, name));
    if (!d)
        return nullptr;
    if (d->index < PROP_METHOD_BASE)
        return static_cast<uint8_t*>(obj) + d->offset;
    ClassDesc* cls = header(obj)->cls;
    return d->offset >= 0 && uint32_t(d->offset) < cls->nMethods ? &cls->slots[d->offset] : nullptr;
}

int objCallMethod(void* obj, int position, void* arg)
{
    if (!obj || position < 0)
        return 0;
    ClassDesc* cls = header(obj)->cls;
    if (uint32_t(position) >= cls->nMethods)
        return 0;
    int16_t slot = cls->descs[cls->nProps + uint32_t(position)].offset;
    if (slot < 0 || uint32_t(slot) >= cls->nMethods)
        return 0;
    ObjMethod fn = cls->slots[slot];
    return fn ? fn(obj, arg) : 0;
}

void objResetTimes()
{
    g_resetTime = timeNow();
    for (int32_t id = 0; id < htCount(&g_objects); id++)
        if (void* obj = objGet(id))
            stampStart(obj, g_resetTime);
}
