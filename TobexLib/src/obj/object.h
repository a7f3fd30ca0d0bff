#pragma once
// The object model: class descriptors with typed properties and method slots,
// the class registry, the named-method registry and the object table.
//
// Objects are plain, trivially copyable records. Every object begins with the
// ObjHeader; a class's properties follow in declaration order, each described by
// a PropDesc (type, offset, size). A new object is a byte copy of its class's
// default object.

#include <stddef.h>
#include <stdint.h>

typedef int32_t ObjectId;
constexpr ObjectId OBJ_NONE = int32_t(0x80000001u);  // no object; every failed look-up
constexpr int OBJ_NAME_MAX = 16;                     // STRING16 names: 15 characters and the terminator

// A method: (object, argument) -> result; a null slot is not implemented.
typedef int (*ObjMethod)(void* obj, void* arg);

// Marks a declared slot (or create/destroy hook) as cleared: no handler, even where
// the base class has one. classRegister turns it into null; called, it returns 0.
int objSlotCleared(void* obj, void* arg);
constexpr ObjMethod OBJ_SLOT_CLEARED = objSlotCleared;

struct ClassDesc;
struct Vector;

// Method positions every class derived from the introducing class keeps.
enum MethodSlot {
    M_SAVE = 0,
    M_LOAD = 1,
    M_SYNC = 2,
    M_DEBUG = 3,
    M_LIVE = 4,
    M_RENDER = 5,
    M_CALCBBOX = 6,
    M_HANDLEINPUTEVENT = 7,
    M_INKEYPRESS = 8,
    M_INKEYREPEAT = 9,
    M_INKEYRELEASE = 10,
    M_INFOCUSIN = 11,
    M_INFOCUSOUT = 12,
    M_INPENMOVE = 13,
    M_COLLIDE = 14,
    M_ADDOBJ = 14,
    M_REMOVEOBJ = 15,
    M_KILLOBJ = 16,
    M_MOVEKEYFOCUS = 17,
    M_ADDKEY = 5,
    M_REMOVEKEY = 6,
};

// Property flags: which World-file forms skip the property, and the roles the
// object model gives a few properties. A class takes a role from its base or
// from a property of its own flagged for it (see ClassFlags).
enum PropFlags : uint16_t {
    PF_NOTEXT = 1,    // not written in the text form
    PF_NOBINARY = 2,  // not written in the binary form
    PF_NEVER = 3,     // run-time state, never written
    PF_NAME = 4,      // the object's name: a STRING16 right after the header (ObjNamed)
    PF_START = 8,     // a TIME set to now when the object is created and by objResetTimes
    PF_MEMBERS = 16,  // an OBJLIST of member ids: the object is a World (objFindWorldOf, World files)
};

constexpr uint8_t PROP_METHOD_BASE = 128;  // name index values of methods start here
constexpr uint8_t PROP_UNKNOWN = 255;      // objPropIndex of an unknown name

struct PropDesc {
    uint8_t index;  // position among the properties, or 128 + method position
    uint8_t type;   // property type id (PropType); METHOD for every method
    const char* name;
    uint16_t flags;       // PropFlags
    int16_t offset;       // property: offset in the object; method: its slot
    uint32_t size;        // bytes of the value in the object
    const char* refName;  // OBJECTID/OBJLIST: class the referenced objects belong to, or null
    ClassDesc* refClass;  // refName resolved by classRegister (null if not registered then)
};

struct NameIndexEntry {
    const char* name;
    uint32_t index;  // property index, or 128 + method position
};

// Descriptor flags computed by classRegister.
enum ClassFlags : uint32_t {
    CF_HAS_INIT = 1,     // a property type has an init function
    CF_HAS_RELEASE = 2,  // a property type has a release function
    CF_NAMED = 4,        // objects have a name (a PF_NAME property here or in a base)
    CF_TIMED = 8,        // objects have a start time (a PF_START property here or in a base)
    CF_WORLD = 16,       // objects are Worlds with a member list (PF_MEMBERS here or in a base)
};

struct ClassDesc {
    uint32_t nProps;
    uint32_t nMethods;
    uint32_t objectSize;  // bytes of one object, header included
    uint32_t flags;       // ClassFlags
    const char* name;
    ClassDesc* base;            // resolved from baseName, lazily when registered early
    const char* baseName;       // null only for the root "Object"
    ObjMethod create;           // hook for every new object (non-zero refuses it); null inherits
    ObjMethod destroy;          // hook for every destroyed object; null inherits
    PropDesc* descs;            // nProps property descriptors, then nMethods method descriptors
    NameIndexEntry* nameIndex;  // nProps + nMethods entries sorted by name (built when registered)
    void* defaults;             // the default object (objectSize bytes)
    ObjMethod* slots;           // nMethods method slots; null entries inherit (see classRegister)
};

// Every object starts with this header.
struct ObjHeader {
    ClassDesc* cls;  // the object's class
    ObjectId id;     // slot in the object table; -1 in a default object
};

// Objects of a CF_NAMED class start with this record.
struct ObjNamed : ObjHeader {
    char name[OBJ_NAME_MAX];  // found by class and name; empty: unnamed
};

// ---- Start-up and shut-down ---------------------------------------------------------
// Creates the empty registries; the engine registers its classes next
// (engineRegisterClasses), then any library or game registers its own.
bool objInit();
void objShutdown();  // destroys every live object, highest id first, then the registries

// ---- Classes ----------------------------------------------------------------------------
// Registers a class; the descriptor must outlive the registry. Inheritance is
// resolved here, once: a null slot or hook takes the base class's (when the base
// is registered already), OBJ_SLOT_CLEARED becomes null, anything else stays. So a
// class declares only its differences from its base, and at run time its slots
// hold plain functions or null. objShutdown puts the declared table back, so the
// next start resolves it again and forgets slots a World file rebound.
bool classRegister(ClassDesc* cls);
ClassDesc* classFind(const char* name);
bool classIsA(ClassDesc* cls, ClassDesc* base);
bool objIsA(const void* obj, ClassDesc* base);  // null object: false

// ---- Named methods ---------------------------------------------------------------------
bool methodRegister(ObjMethod fn, const char* name);  // the name must outlive the registry
ObjMethod methodFind(const char* name);
const char* methodName(ObjMethod fn);  // null when not registered

// ---- Objects ---------------------------------------------------------------------------
void* objCreate(ClassDesc* cls);  // null on allocation failure or a refusing hook
void* objCreateByName(const char* className);
void objDestroy(void* obj);
void* objGet(ObjectId id);        // null for OBJ_NONE, free or reserved slots
ObjectId objId(const void* obj);  // OBJ_NONE for null
ObjectId objFind(ClassDesc* cls, const char* name, void* world);
ObjectId objFindWorld(const char* name);  // the first live World (in id order) of that name
void* objFindWorldOf(const void* obj);    // first World (in id order) listing the object
const char* objName(const void* obj);     // null for null and for objects of unnamed classes
Vector* objMembers(const void* obj);      // a World's member list; null for anything else
int32_t objTableSlots();                  // slots of the object table, used or free
// Ids of the live Worlds (derived classes included) in id order; returns how many
// there are, filling at most cap of them into out (which may be null).
int32_t objWorldIds(ObjectId* out, int32_t cap);

// ---- Properties and methods by name -------------------------------------------------
uint8_t objPropIndex(const void* obj, const char* name);      // PROP_UNKNOWN when absent
const PropDesc* objPropDesc(const void* obj, uint8_t index);  // null when out of range
void* objPropAddr(void* obj, const char* name);               // value or method slot; null if unknown
int objCallMethod(void* obj, int position, void* arg);        // 0 for a null slot
void objResetTimes();                                         // tStart of every living object = now

// ---- Descriptor building ----------------------------------------------------------------
// Property and method descriptors for static tables. The index is filled in by
// classRegister, so tables list descriptors in declaration order only.
// NOTE: records derive from one another, so offsetof is only conditionally
// supported; files that build tables add
// #pragma GCC diagnostic ignored "-Winvalid-offsetof" (GCC and clang lay out
// single inheritance of plain structs base first, as the tables assume).
#define OBJ_PROP(Record, field, ptype, pflags, ref)                                                      \
    PropDesc                                                                                             \
    {                                                                                                    \
        .index = 0, .type = (ptype), .name = #field, .flags = (pflags),                                  \
        .offset = int16_t(offsetof(Record, field)), .size = uint32_t(sizeof(((Record*)nullptr)->field)), \
        .refName = (ref), .refClass = nullptr                                                            \
    }
#define OBJ_METHOD(mname, slot)                                                              \
    PropDesc                                                                                 \
    {                                                                                        \
        .index = 0, .type = PT_METHOD, .name = (mname), .flags = 0, .offset = int16_t(slot), \
        .size = uint32_t(sizeof(ObjMethod)), .refName = nullptr, .refClass = nullptr         \
    }
