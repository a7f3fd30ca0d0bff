// The game's access to the controls: objects found by class and name, and
// their properties read and written by name through the class descriptors.
// A missing object or property is simply skipped, so screens authored without
// an optional control still run.
#include <string.h>

#include "app/text.h"
#include "game/game.h"
#include "obj/proptype.h"
#include "vfs/mem.h"

namespace {

const PropDesc* propOf(void* obj, const char* prop)
{
    if (!obj)
        return nullptr;
    uint8_t i = objPropIndex(obj, prop);
    const PropDesc* d = i == PROP_UNKNOWN ? nullptr : objPropDesc(obj, i);
    return d && d->type != PT_METHOD ? d : nullptr;
}

char16_t** textSlot(void* obj, const char* prop)
{
    const PropDesc* d = propOf(obj, prop);
    if (!d || (d->type != PT_TSTRING && d->type != PT_WSTRING))
        return nullptr;
    return reinterpret_cast<char16_t**>(static_cast<uint8_t*>(obj) + d->offset);
}

}

void* uiFind(const char* cls, const char* name, void* world)
{
    ClassDesc* c = classFind(cls);
    return c ? objGet(objFind(c, name, world)) : nullptr;
}

void* uiMember(ObjectId world, int32_t index)
{
    void* w = objGet(world);
    if (!objIsA(w, &g_worldClass))
        return nullptr;
    const ObjectId* id = static_cast<const ObjectId*>(vecAt(&static_cast<World*>(w)->objs, index));
    return id ? objGet(*id) : nullptr;
}

void* uiFirstOf(ObjectId world, const char* cls)
{
    ClassDesc* c = classFind(cls);
    void* w = objGet(world);
    if (!c || !objIsA(w, &g_worldClass))
        return nullptr;
    const Vector& objs = static_cast<World*>(w)->objs;
    for (int32_t i = 0; i < objs.count; i++) {
        void* m = objGet(*static_cast<const ObjectId*>(vecAt(&objs, i)));
        if (m && static_cast<ObjHeader*>(m)->cls == c)
            return m;
    }
    return nullptr;
}

int32_t* uiInt(void* obj, const char* prop)
{
    const PropDesc* d = propOf(obj, prop);
    if (!d || d->size != sizeof(int32_t))
        return nullptr;
    return reinterpret_cast<int32_t*>(static_cast<uint8_t*>(obj) + d->offset);
}

void uiSetInt(void* obj, const char* prop, int32_t v)
{
    const PropDesc* d = propOf(obj, prop);
    if (!d)
        return;
    uint8_t* at = static_cast<uint8_t*>(obj) + d->offset;
    if (d->size == 1)
        *at = uint8_t(v);
    else if (d->size == sizeof(int32_t))
        memcpy(at, &v, sizeof v);
}

int32_t uiGetInt(void* obj, const char* prop, int32_t fallback)
{
    const PropDesc* d = propOf(obj, prop);
    if (!d)
        return fallback;
    const uint8_t* at = static_cast<const uint8_t*>(obj) + d->offset;
    if (d->size == 1)
        return *at;
    int32_t v = fallback;
    if (d->size == sizeof(int32_t))
        memcpy(&v, at, sizeof v);
    return v;
}

void uiSetSurface(void* obj, void* sf)
{
    if (objIsA(obj, &g_actorClass))
        static_cast<Actor*>(obj)->sf = sf;
}

void uiSetText(void* obj, const char* prop, const char16_t* text)
{
    char16_t** slot = textSlot(obj, prop);
    if (!slot)
        return;
    memFree(*slot);
    *slot = nullptr;
    size_t n = textLen(text);
    if (n == 0)
        return;
    char16_t* copy = static_cast<char16_t*>(memAlloc(int32_t((n + 1) * sizeof(char16_t))));
    if (!copy)
        return;
    memcpy(copy, text, (n + 1) * sizeof(char16_t));
    *slot = copy;
}

bool uiWriteText(void* obj, const char* prop, const char16_t* text, int32_t cap)
{
    char16_t** slot = textSlot(obj, prop);
    if (!slot || !*slot || cap < 0)
        return false;
    int32_t i = 0;
    for (; text && text[i] && i < cap; i++)
        (*slot)[i] = text[i];
    (*slot)[i] = 0;
    return true;
}

int32_t uiTextLen(void* obj, const char* prop)
{
    char16_t** slot = textSlot(obj, prop);
    return slot ? int32_t(textLen(*slot)) : 0;
}
