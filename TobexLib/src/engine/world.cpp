// The World's membership, living and syncing: what loading a World file and
// destroying a screen need. Layout, drawing, focus and input live with the scene.
#include <vector>

#include "app/clock.h"
#include "engine/classes.h"
#include "obj/worldfile.h"

namespace {

std::vector<const void*> g_dying;  // Worlds whose members are being killed
int g_depth;                       // Worlds syncing or living inside one another

// Guards the recursion of Sync and Live through nested Worlds: a World that
// holds itself, directly or further down, stops at a fixed depth.
struct NestingGuard {
    bool ok;
    NestingGuard() : ok(g_depth < WORLD_MAX_NESTING)
    {
        g_depth++;
    }
    ~NestingGuard()
    {
        g_depth--;
    }
};

ObjectId memberAt(const World* w, int32_t i)
{
    return *static_cast<const ObjectId*>(vecAt(&w->objs, i));
}

int32_t lastIndexOf(const World* w, ObjectId id)
{
    return vecIndexOf(&w->objs, &id);
}

bool dying(const void* w)
{
    for (const void* d : g_dying)
        if (d == w)
            return true;
    return false;
}

// Kills every member of a World through its own KillObj, first member first.
void killMembers(World* w)
{
    g_dying.push_back(w);
    while (w->objs.count > 0) {
        void* m = objGet(memberAt(w, 0));
        if (!m || objCallMethod(w, M_KILLOBJ, m) != 0)
            vecRemoveAt(&w->objs, 0);
    }
    g_dying.pop_back();
}

}

int World_Live(void* obj, void*)
{
    World* w = static_cast<World*>(obj);
    NestingGuard guard;
    if (!guard.ok)
        return 0;
    TIME now = timeNow();
    w->changed = 0;
    // Members may leave the list while living; the index is checked every step.
    for (int32_t i = 0; i < w->objs.count; i++) {
        void* m = objGet(memberAt(w, i));
        if (!objIsA(m, &g_baseLivingClass) || !static_cast<BaseLiving*>(m)->active)
            continue;
        if (objCallMethod(m, M_LIVE, &now) != 0)
            w->changed = 1;
    }
    return w->changed;
}

int World_Sync(void* obj, void* arg)
{
    World* w = static_cast<World*>(obj);
    NestingGuard guard;
    if (!guard.ok)
        return -1;
    for (int32_t i = 0; i < w->objs.count; i++) {
        void* m = objGet(memberAt(w, i));
        if (objIsA(m, &g_baseClass) && objCallMethod(m, M_SYNC, arg) != 0)
            return -1;
    }
    return 0;
}

int World_AddObj(void* obj, void* arg)
{
    if (!arg)
        return -1;
    ObjectId id = objId(arg);
    return vecPush(&static_cast<World*>(obj)->objs, &id) < 0 ? -1 : 0;
}

int World_RemoveObj(void* obj, void* arg)
{
    World* w = static_cast<World*>(obj);
    int32_t i = arg ? lastIndexOf(w, objId(arg)) : -1;
    if (i < 0)
        return -1;
    vecRemoveAt(&w->objs, i);
    return 0;
}

int World_KillObj(void* obj, void* arg)
{
    World* w = static_cast<World*>(obj);
    int32_t i = arg ? lastIndexOf(w, objId(arg)) : -1;
    if (i < 0)
        return -1;
    vecRemoveAt(&w->objs, i);
    // A World that is already being emptied further up (a cycle of Worlds
    // holding each other) is only taken out of the list here.
    if (dying(arg))
        return 0;
    if (objIsA(arg, &g_worldClass))
        killMembers(static_cast<World*>(arg));
    if (w->focus >= w->objs.count)
        w->focus = -1;
    objDestroy(arg);
    return 0;
}
