// Living objects and key-frame animation, Control binding, and the World's
// membership, living and syncing.
#include <gtest/gtest.h>

#include <vector>

#include "obj/obj_fixture.h"

namespace {

uint64_t g_ticks;
uint64_t fakeCounter()
{
    return g_ticks;
}

}

class LivingTest : public ObjTest {
protected:
    void SetUp() override
    {
        g_ticks = 0;
        clockSetSource(fakeCounter, 1000);
        ObjTest::SetUp();
    }
    void TearDown() override
    {
        ObjTest::TearDown();
        clockSetSource(nullptr, 0);
    }

    // A KeyControl moving property prop of target with keys {time, value}...
    KeyControl* control(void* target, const char* prop, int type, std::vector<Key> keys)
    {
        KeyControl* kc = create<KeyControl>(&g_keyControlClass, "kc");
        ObjectId id = objId(target);
        vecPush(&kc->objs, &id);
        strcpy(kc->prop, prop);
        kc->type = type;
        kc->interp = 1;
        for (const Key& k : keys)
            vecPush(&kc->keys, &k);
        EXPECT_EQ(Control_Sync(kc, nullptr), 0);
        return kc;
    }

    static void live(KeyControl* kc, TIME now)
    {
        KeyControl_Live(kc, &now);
    }
};

TEST_F(LivingTest, KeyTimesCountFromEachObjectsStart)
{
    g_ticks = 100;
    BaseRenderable* early = create<BaseRenderable>(&g_baseRenderableClass);
    g_ticks = 300;
    BaseRenderable* late = create<BaseRenderable>(&g_baseRenderableClass);
    KeyControl* kc = control(early, "x", PT_INT, {{0, 0}, {1000, 1000}});
    ObjectId lateId = late->id, dead = 4242;
    vecPush(&kc->objs, &dead);  // names no object: skipped
    vecPush(&kc->objs, &lateId);
    live(kc, 600);
    EXPECT_EQ(early->x, 500);
    EXPECT_EQ(late->x, 300);
    // The first object passing the last key deactivates; later ones still get values.
    live(kc, 1100);
    EXPECT_EQ(early->x, 1000);
    EXPECT_EQ(late->x, 800);
    EXPECT_FALSE(kc->active);
}

TEST_F(LivingTest, ValueTypesConvertIntoThePropertyType)
{
    BaseVisible* v = create<BaseVisible>(&g_baseVisibleClass);
    auto f = [](float x) {
        int32_t bits;
        memcpy(&bits, &x, 4);
        return bits;
    };
    live(control(v, "x", PT_FLOAT, {{0, f(2.5f)}}), 10);
    EXPECT_EQ(v->x, 3);
    live(control(v, "x", PT_FLOAT, {{0, f(-2.5f)}}), 10);
    EXPECT_EQ(v->x, -2);
    live(control(v, "x", PT_BOOL, {{0, 0xFF}}), 10);
    EXPECT_EQ(v->x, -1);  // the low byte, sign-extended
    live(control(v, "visible", PT_INT, {{0, 0}}), 10);
    EXPECT_EQ(v->visible, 0);
    live(control(v, "visible", PT_FLOAT, {{0, f(0.1f)}}), 10);
    EXPECT_EQ(v->visible, 1);
    // FIXED16 takes no key values: untouched.
    live(control(v, "sx", PT_INT, {{0, 77}}), 10);
    EXPECT_EQ(v->sx, 256);

    uint32_t colour = 0;
    EXPECT_TRUE(keyStoreValue(PT_BOOL, 1, PT_COLOR, &colour));
    EXPECT_EQ(colour, 0xFFFFFFu);
    EXPECT_TRUE(keyStoreValue(PT_FLOAT, f(1e30f), PT_COLOR, &colour));  // saturates, no UB
    float fl = 0;
    EXPECT_TRUE(keyStoreValue(PT_COLOR, int32_t(0xFFFFFFFFu), PT_FLOAT, &fl));
    EXPECT_EQ(fl, 4294967295.0f);
    EXPECT_FALSE(keyStoreValue(PT_RECT, 1, PT_INT, &colour));
}

// Each key list evaluated at a few times; the control stops at and after its
// last key when ort is 0, and only then.
TEST_F(LivingTest, KeyListsInterpolateHoldAndStopAtTheEnd)
{
    struct Case {
        int type, interp, ort;
        std::vector<Key> keys;
        std::vector<std::pair<uint32_t, int32_t>> at;
    } const cases[] = {
        {PT_INT, 1, 0, {{0, 0}, {1000, 100}}, {{250, 25}, {999, 99}, {1000, 100}, {5000, 100}}},
        {PT_INT, 1, 1, {{0, -50}, {100, 50}}, {{50, 0}, {200, 50}}},
        {PT_COLOR, 1, 0, {{0, 0x000000}, {1000, 0xFF0080}}, {{500, 0x7F0040}}},
        {PT_INT, 0, 0, {{0, 1}, {100, 2}, {200, 3}}, {{0, 1}, {99, 1}, {100, 2}, {199, 2}, {200, 3}}},
        // "smooth" eases in and out: slow near the keys, level with linear midway.
        {PT_INT, 2, 0, {{0, 0}, {1000, 1000}}, {{100, 28}, {500, 500}, {900, 972}}},
        {PT_INT, 1, 0, {{100, 42}}, {{50, 42}, {100, 42}}},
    };
    KeyControl* kc = create<KeyControl>(&g_keyControlClass);
    int32_t value;
    bool stops;
    for (const Case& c : cases) {
        vecResize(&kc->keys, 0);
        for (const Key& k : c.keys)
            vecPush(&kc->keys, &k);
        kc->type = c.type;
        kc->interp = uint8_t(c.interp);
        kc->ort = uint8_t(c.ort);
        for (auto [t, v] : c.at) {
            ASSERT_TRUE(keyEvaluate(kc, t, &value, &stops));
            EXPECT_EQ(value, v) << t;
            EXPECT_EQ(stops, c.ort == 0 && t >= c.keys.back().time) << t;
        }
    }
    // Large values and key spans wrap instead of overflowing.
    const Key wide[] = {{0, INT32_MIN}, {0xF0000000u, INT32_MAX}};
    vecResize(&kc->keys, 0);
    for (const Key& k : wide)
        vecPush(&kc->keys, &k);
    EXPECT_TRUE(keyEvaluate(kc, 0x80000000u, &value, &stops));

    // Keys out of time order, lived through, end at the last key's value.
    BaseRenderable* r = create<BaseRenderable>(&g_baseRenderableClass);
    KeyControl* messy = control(r, "y", PT_INT, {{500, 5}, {100, 1}, {900, 9}});
    for (TIME t = 0; t < 1000; t += 50)
        live(messy, t);
    EXPECT_EQ(r->y, 9);

    // A key list with a wrong element size (read from a broken file) is ignored.
    KeyControl* odd = control(r, "z", PT_INT, {});
    vecFree(&odd->keys);
    vecInit(&odd->keys, 4, 0);
    int32_t junk = 7;
    vecPush(&odd->keys, &junk);
    live(odd, 10);
    EXPECT_EQ(r->z, 0);
}

TEST_F(LivingTest, ControlSyncBindsNameAndIndex)
{
    BaseRenderable* r = create<BaseRenderable>(&g_baseRenderableClass);
    ObjectId id = r->id;
    Control* c = create<Control>(&g_controlClass);
    EXPECT_EQ(Control_Sync(c, nullptr), -1);  // nothing to bind
    vecPush(&c->objs, &id);
    EXPECT_EQ(Control_Sync(c, nullptr), -1);  // neither prop nor propid
    c->propid = objPropIndex(r, "height");
    EXPECT_EQ(Control_Sync(c, nullptr), 0);
    EXPECT_STREQ(c->prop, "height");

    KeyControl* kc = create<KeyControl>(&g_keyControlClass);
    vecPush(&kc->objs, &id);
    strcpy(kc->prop, "nonexistent");
    EXPECT_EQ(Control_Sync(kc, nullptr), 0);
    EXPECT_EQ(kc->propid, PROP_UNKNOWN);
    Key k = {0, 5};
    vecPush(&kc->keys, &k);
    BaseRenderable before = *r;
    live(kc, 10);
    EXPECT_EQ(memcmp(&before, r, sizeof before), 0);

    // A propid beyond the class names nothing: no crash, nothing written.
    kc->propid = 120;
    live(kc, 10);
    EXPECT_EQ(memcmp(&before, r, sizeof before), 0);
    kc->propid = -3;
    live(kc, 10);
    EXPECT_EQ(memcmp(&before, r, sizeof before), 0);
}

TEST_F(LivingTest, WorldLivesItsActiveMembersAndSyncsAll)
{
    World* w = create<World>(&g_worldClass);
    BaseRenderable* r = create<BaseRenderable>(&g_baseRenderableClass);
    KeyControl* kc = control(r, "x", PT_INT, {{0, 0}, {1000, 1000}});
    add(w, r);
    add(w, kc);
    g_ticks = 400;
    EXPECT_EQ(World_Live(w, nullptr), 1);
    EXPECT_EQ(r->x, 400);
    EXPECT_EQ(w->changed, 1);
    kc->active = 0;
    g_ticks = 600;
    EXPECT_EQ(World_Live(w, nullptr), 0);
    EXPECT_EQ(r->x, 400);

    // Sync stops at the first failing member: a Control with nothing to bind.
    EXPECT_EQ(World_Sync(w, nullptr), 0);
    Control* unbound = create<Control>(&g_controlClass);
    add(w, unbound);
    EXPECT_EQ(World_Sync(w, nullptr), -1);
}

TEST_F(LivingTest, MembershipAddRemoveAndKill)
{
    World* w = create<World>(&g_worldClass);
    Str* a = create<Str>(&g_strClass, "a");
    Str* b = create<Str>(&g_strClass, "b");
    World* inner = create<World>(&g_worldClass, "inner");
    Str* deep = create<Str>(&g_strClass, "deep");
    ObjectId deepId = deep->id, innerId = inner->id, bId = b->id;
    add(inner, deep);
    add(w, a);
    add(w, b);
    add(w, a);  // duplicates allowed
    add(w, inner);
    EXPECT_EQ(World_AddObj(w, nullptr), -1);
    EXPECT_EQ(w->objs.count, 4);
    EXPECT_EQ(World_RemoveObj(w, a), 0);  // the last occurrence goes
    EXPECT_EQ(member(w, 0), a->id);
    EXPECT_EQ(member(w, 2), inner->id);
    EXPECT_EQ(World_RemoveObj(w, deep), -1);

    w->focus = 2;
    EXPECT_EQ(World_KillObj(w, b), 0);
    EXPECT_EQ(objGet(bId), nullptr);
    EXPECT_EQ(w->focus, -1);  // no longer below the member count
    Str* outsider = create<Str>(&g_strClass);
    EXPECT_EQ(World_KillObj(w, outsider), -1);
    EXPECT_EQ(objGet(outsider->id), outsider);  // not a member: left alive

    EXPECT_EQ(objCallMethod(w, M_KILLOBJ, inner), 0);
    EXPECT_EQ(objGet(innerId), nullptr);
    EXPECT_EQ(objGet(deepId), nullptr);
    EXPECT_EQ(w->objs.count, 1);
}

TEST_F(LivingTest, KillingWorldsThatHoldEachOtherEnds)
{
    World* top = create<World>(&g_worldClass);
    World* x = create<World>(&g_worldClass);
    World* y = create<World>(&g_worldClass);
    add(top, x);
    add(x, y);
    add(y, x);  // a cycle
    add(y, create<Str>(&g_strClass));
    int32_t slots = objTableSlots();
    EXPECT_EQ(World_KillObj(top, x), 0);
    int live = 0;
    for (int32_t id = 0; id < slots; id++)
        live += objGet(id) != nullptr;
    EXPECT_EQ(live, 1);
}
