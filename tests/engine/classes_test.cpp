// The engine's class descriptors (inheritance and layout), the registries and
// the object table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "obj/obj_fixture.h"
#include "obj/proptype.h"
#include "vfs/mem.h"

#pragma GCC diagnostic ignored "-Winvalid-offsetof"

TEST_F(ObjTest, DescriptorsInheritTheirBaseAndStayInsideTheRecord)
{
    const char* names[] = {
        "Object",         "Base",           "Str",         "Sprite",         "OffscreenSurface", "BaseLiving",
        "BaseRenderable", "BaseResponsive", "BaseVisible", "ScreenViewport", "WorldViewport",    "World",
        "Actor",          "Control",        "KeyControl"};
    for (int c = 0; c < 15; c++) {
        ClassDesc* cls = classFind(names[c]);
        ASSERT_NE(cls, nullptr) << names[c];
        ClassDesc* base = cls->baseName ? classFind(cls->baseName) : nullptr;
        ASSERT_EQ(cls->base, base) << names[c];
        if (base) {
            // Inherited properties come first, at the same offsets; inherited methods keep
            // their positions.
            ASSERT_GE(cls->nProps, base->nProps);
            for (uint32_t i = 0; i < base->nProps; i++) {
                EXPECT_STREQ(cls->descs[i].name, base->descs[i].name) << names[c];
                EXPECT_EQ(cls->descs[i].offset, base->descs[i].offset) << names[c];
                EXPECT_EQ(cls->descs[i].type, base->descs[i].type) << names[c];
            }
            for (uint32_t k = 0; k < base->nMethods && k < cls->nMethods; k++)
                EXPECT_STREQ(cls->descs[cls->nProps + k].name, base->descs[base->nProps + k].name);
        }
        std::set<std::pair<int, int>> spans;
        for (uint32_t i = 0; i < cls->nProps; i++) {
            const PropDesc& d = cls->descs[i];
            EXPECT_EQ(d.index, i);
            EXPECT_LE(d.offset + d.size, cls->objectSize) << names[c] << "." << d.name;
            EXPECT_GE(d.offset, int(sizeof(ObjHeader)));
            const TypeInfo* t = propTypeInfo(d.type);
            if (t->written && d.type < PT_STRING) {
                EXPECT_EQ(d.size, t->size) << names[c] << "." << d.name;
            }
            for (auto [o, s] : spans)  // no two properties share bytes
                EXPECT_TRUE(d.offset >= o + s || int(d.offset + d.size) <= o) << names[c] << "." << d.name;
            spans.insert({d.offset, int(d.size)});
        }
        for (uint32_t k = 0; k < cls->nMethods; k++) {
            EXPECT_EQ(cls->descs[cls->nProps + k].index, PROP_METHOD_BASE + k);
            EXPECT_EQ(cls->descs[cls->nProps + k].offset, int(k));
        }
    }
    EXPECT_EQ(g_objectClass.base, nullptr);
    Actor* actor = create<Actor>(&g_actorClass);
    EXPECT_EQ(objPropDesc(actor, objPropIndex(actor, "sprite"))->refClass, &g_spriteClass);
    EXPECT_EQ(classFind("Nope"), nullptr);
    EXPECT_EQ(classFind(nullptr), nullptr);
}

TEST_F(ObjTest, MethodsAreBoundByNameAndPosition)
{
    EXPECT_EQ(methodFind("World_Nothing"), nullptr);
    EXPECT_EQ(methodName(nullptr), nullptr);

    Str* s = create<Str>(&g_strClass, "s");
    EXPECT_EQ(objPropIndex(s, "Load"), PROP_METHOD_BASE + 1);
    EXPECT_EQ(objPropIndex(s, "text"), 1);
    EXPECT_EQ(objPropIndex(s, "nothing"), PROP_UNKNOWN);
    EXPECT_EQ(objPropDesc(s, PROP_UNKNOWN), nullptr);
    EXPECT_EQ(objPropAddr(s, "text"), &s->text);
    EXPECT_EQ(objPropAddr(s, "Debug"), &g_strClass.slots[M_DEBUG]);
    // A null slot (Str's Save) is skipped: calling it returns 0.
    EXPECT_EQ(objCallMethod(s, M_SAVE, nullptr), 0);
    EXPECT_EQ(objCallMethod(s, 40, nullptr), 0);
    objCallMethod(s, M_DEBUG, nullptr);
    EXPECT_NE(log().find("s:\n"), std::string::npos);
}

TEST_F(ObjTest, LateBaseIsResolvedOnFirstUse)
{
    struct Thing : Base {
        int32_t n;
    };
    static Thing def;
    static PropDesc descs[] = {OBJ_PROP(Thing, name, PT_STRING16, 0, nullptr),
                               OBJ_PROP(Thing, n, PT_INT, 0, nullptr)};
    static ClassDesc derived, lateBase;
    derived = ClassDesc{};
    derived.nProps = 2;
    derived.objectSize = sizeof(Thing);
    derived.name = "LateDerived";
    derived.baseName = "LateBase";
    derived.descs = descs;
    derived.defaults = &def;
    lateBase = derived;
    lateBase.name = "LateBase";
    lateBase.baseName = "Base";
    ASSERT_TRUE(classRegister(&derived));
    EXPECT_EQ(derived.base, nullptr);
    ASSERT_TRUE(classRegister(&lateBase));
    EXPECT_TRUE(classIsA(&derived, &g_baseClass));
    EXPECT_EQ(derived.base, &lateBase);
    EXPECT_FALSE(classIsA(&g_baseClass, &derived));
    EXPECT_FALSE(classIsA(nullptr, &g_baseClass));
    EXPECT_FALSE(classRegister(&derived));  // twice: refused
}

TEST_F(ObjTest, IdsAreReusedLastFreedFirstAndNeverLookLikeMarkers)
{
    std::vector<void*> objs;
    for (int i = 0; i < 600; i++)
        objs.push_back(objCreate(&g_baseClass));
    for (void* o : objs) {
        uint8_t low = uint8_t(objId(o));
        EXPECT_TRUE(low != 0xFD && low != 0xFE) << objId(o);
    }
    EXPECT_EQ(objId(objs[252]), 252);
    EXPECT_EQ(objId(objs[253]), 255);
    EXPECT_EQ(objGet(253), nullptr);
    EXPECT_EQ(objGet(OBJ_NONE), nullptr);
    EXPECT_EQ(objGet(-5), nullptr);
    ObjectId a = objId(objs[10]), b = objId(objs[20]);
    objDestroy(objs[10]);
    objDestroy(objs[20]);
    EXPECT_EQ(objGet(a), nullptr);
    EXPECT_EQ(objId(objCreate(&g_strClass)), b);
    EXPECT_EQ(objId(objCreate(&g_strClass)), a);
}

TEST_F(ObjTest, CreationCopiesDefaultsAndHonoursHooks)
{
    EXPECT_EQ(create<World>(&g_worldClass)->focus, -1);
    EXPECT_NE(objCreateByName("KeyControl"), nullptr);
    EXPECT_EQ(objCreateByName(""), nullptr);
    EXPECT_EQ(objCreateByName("Nope"), nullptr);

    // A create hook that refuses leaves nothing in the table.
    ObjMethod hook = g_strClass.create;
    g_strClass.create = [](void*, void*) { return 1; };
    int32_t slots = objTableSlots();
    EXPECT_EQ(objCreate(&g_strClass), nullptr);
    EXPECT_EQ(objTableSlots(), slots);
    g_strClass.create = hook;

    // Allocation failure: null, no slot taken.
    memFailAfter(0);
    EXPECT_EQ(objCreate(&g_strClass), nullptr);
    memFailAfter(-1);
    EXPECT_EQ(objTableSlots(), slots);
}

TEST_F(ObjTest, ObjFindMatchesExactClassAndSearchesOnlyTheWorldGiven)
{
    World* w = create<World>(&g_worldClass, "W");
    World* empty = create<World>(&g_worldClass, "E");
    BaseVisible* v = create<BaseVisible>(&g_baseVisibleClass, "a");
    Actor* actor = create<Actor>(&g_actorClass, "a");  // derives from BaseVisible
    Str* s = create<Str>(&g_strClass, "s");
    add(w, actor);
    add(w, v);
    add(w, s);
    EXPECT_EQ(objFind(&g_baseVisibleClass, nullptr, w), v->id);  // the Actor is skipped
    EXPECT_EQ(objFind(nullptr, "a", w), actor->id);
    EXPECT_EQ(objFind(&g_strClass, "s", empty), OBJ_NONE);
    EXPECT_EQ(objFind(&g_strClass, "s", nullptr), s->id);
    EXPECT_EQ(objFind(nullptr, nullptr, w), OBJ_NONE);
    EXPECT_EQ(objFind(&g_worldClass, "E", s), empty->id);  // not a World: the whole table
    EXPECT_EQ(objFindWorldOf(s), w);
    EXPECT_EQ(objFindWorldOf(w), nullptr);
    EXPECT_EQ(objFindWorldOf(nullptr), nullptr);
}

TEST_F(ObjTest, ResetTimesAndShutdownDestroyEverything)
{
    static uint64_t ticks = 0;
    clockSetSource([] { return ticks; }, 1000);
    ticks = 100;
    clockStart();
    ticks = 150;
    BaseLiving* a = create<BaseLiving>(&g_baseLivingClass);
    create<Str>(&g_strClass);
    EXPECT_EQ(a->tStart, 50u);
    ticks = 400;
    objResetTimes();
    EXPECT_EQ(a->tStart, 300u);
    clockSetSource(nullptr, 0);
    MemStats before;
    memStats(&before);
    objShutdown();
    MemStats after;
    memStats(&after);
    EXPECT_LT(after.liveBytes, before.liveBytes);
    EXPECT_EQ(objGet(0), nullptr);
    ASSERT_TRUE(objInit() && engineRegisterClasses());
}

namespace {

// Every non-null slot and hook of a class, as "slot:function" lines.
std::string slotTable(const ClassDesc* cls)
{
    std::string out;
    auto name = [](ObjMethod fn) { return std::string(methodName(fn) ? methodName(fn) : "?"); };
    if (cls->create)
        out += "create:" + name(cls->create) + " ";
    if (cls->destroy)
        out += "destroy:" + name(cls->destroy) + " ";
    for (uint32_t i = 0; i < cls->nMethods; i++)
        if (cls->slots[i])
            out += cls->descs[cls->nProps + i].name + (":" + name(cls->slots[i])) + " ";
    return out;
}

int g_knobCreates;
int Knob_Create(void*, void*)
{
    g_knobCreates++;
    return 0;
}
int Knob_Render(void*, void*)
{
    return 7;
}

}

// A class declares its differences: null inherits the base's slot or hook,
// OBJ_SLOT_CLEARED clears it, so a class derived from it inherits nothing there.
TEST_F(ObjTest, RegisteredClassesInheritOverrideAndClearSlotsAndHooks)
{
    // Two classes laid out as Actor: Knob derives from Actor, Twist from Knob.
    static Actor defKnob, defTwist;
    static PropDesc knobDescs[64], twistDescs[64];
    const uint32_t n = g_actorClass.nProps + g_actorClass.nMethods;
    ASSERT_LE(n, 64u);
    memcpy(knobDescs, g_actorClass.descs, n * sizeof(PropDesc));
    memcpy(twistDescs, g_actorClass.descs, n * sizeof(PropDesc));
    static ObjMethod knobSlots[16], twistSlots[16];
    static ClassDesc knob, twist;
    knob = g_actorClass;
    knob.name = "Knob";
    knob.baseName = "Actor";
    knob.base = nullptr;
    knob.descs = knobDescs;
    knob.nameIndex = nullptr;
    knob.defaults = &defKnob;
    knob.slots = knobSlots;
    twist = knob;
    twist.name = "Twist";
    twist.baseName = "Knob";
    twist.descs = twistDescs;
    twist.defaults = &defTwist;
    twist.slots = twistSlots;

    for (int start = 0; start < 2; start++) {
        memset(knobSlots, 0, sizeof knobSlots);
        memset(twistSlots, 0, sizeof twistSlots);
        knobSlots[M_RENDER] = Knob_Render;
        knobSlots[M_CALCBBOX] = OBJ_SLOT_CLEARED;
        knob.create = Knob_Create;
        knob.destroy = OBJ_SLOT_CLEARED;
        twist.create = nullptr;
        twist.destroy = nullptr;
        twistSlots[M_DEBUG] = OBJ_SLOT_CLEARED;
        ASSERT_TRUE(methodRegister(Knob_Render, "Knob_Render") && methodRegister(Knob_Create, "Knob_Create"));
        ASSERT_TRUE(classRegister(&knob) && classRegister(&twist));
        EXPECT_EQ(slotTable(&knob),
                  "create:Knob_Create Sync:Actor_Create Debug:Base_Debug Render:Knob_Render "
                  "HandleInputEvent:BaseResponsive_HandleInputEvent ");
        EXPECT_EQ(slotTable(&twist), "create:Knob_Create Sync:Actor_Create Render:Knob_Render "
                                     "HandleInputEvent:BaseResponsive_HandleInputEvent ");
        g_knobCreates = 0;
        void* t = objCreate(&twist);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(g_knobCreates, 1);
        EXPECT_EQ(objCallMethod(t, M_RENDER, nullptr), 7);
        EXPECT_EQ(objCallMethod(t, M_CALCBBOX, nullptr), 0);
        // The next start finds the declared tables again, not the resolved ones.
        ASSERT_TRUE(objInit() && engineRegisterClasses());
        EXPECT_EQ(knobSlots[M_CALCBBOX], OBJ_SLOT_CLEARED);
        EXPECT_EQ(twistSlots[M_RENDER], nullptr);
        EXPECT_EQ(twist.create, nullptr);
    }

    // A class whose base is not registered inherits nothing, and says so.
    ASSERT_TRUE(objInit());
    memset(twistSlots, 0, sizeof twistSlots);
    ASSERT_TRUE(classRegister(&twist));
    EXPECT_EQ(slotTable(&twist), "");
    EXPECT_NE(log().find("classRegister: base class not registered yet, nothing inherited: Twist"),
              std::string::npos);
}
