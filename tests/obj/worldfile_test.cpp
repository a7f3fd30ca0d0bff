// World files: the text and binary forms, member loading and reference
// resolution, round trips of every property type, and bad input.
#include <gtest/gtest.h>

#include "obj/classdesc.h"
#include "obj/obj_fixture.h"
#include "obj/proptype.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

// A class with one property of every type that World files hold.
struct AllTypes : Base {
    uint8_t b;
    int32_t i;
    int16_t f16;
    int32_t f32;
    float fl;
    uint32_t col;
    Key key;
    char s16[16];
    char* str;
    char* cstr;
    char16_t* wstr;
    char16_t* cwstr;
    char16_t* tstr;
    char16_t* ctstr;
    void* ptr;
    TIME time;
    ObjectId ref;
    ObjMethod method;
    Rect rect;
    Point2 pt;
    Xform2 xf;
    Dxform2 dxf;
    Vector list;
    Vector keys;
    Vector ints;
    uint8_t ptype, ort, interp;
};

AllTypes g_allDefault;
PropDesc g_allDescs[] = {
    OBJ_PROP(AllTypes, name, PT_STRING16, 0, nullptr),
    OBJ_PROP(AllTypes, b, PT_BOOL, 0, nullptr),
    OBJ_PROP(AllTypes, i, PT_INT, 0, nullptr),
    OBJ_PROP(AllTypes, f16, PT_FIXED16, 0, nullptr),
    OBJ_PROP(AllTypes, f32, PT_FIXED32, 0, nullptr),
    OBJ_PROP(AllTypes, fl, PT_FLOAT, 0, nullptr),
    OBJ_PROP(AllTypes, col, PT_COLOR, 0, nullptr),
    OBJ_PROP(AllTypes, key, PT_KEY, 0, nullptr),
    OBJ_PROP(AllTypes, s16, PT_STRING16, 0, nullptr),
    OBJ_PROP(AllTypes, str, PT_STRING, 0, nullptr),
    OBJ_PROP(AllTypes, cstr, PT_CONST_STRING, 0, nullptr),
    OBJ_PROP(AllTypes, wstr, PT_WSTRING, 0, nullptr),
    OBJ_PROP(AllTypes, cwstr, PT_CONST_WSTRING, 0, nullptr),
    OBJ_PROP(AllTypes, tstr, PT_TSTRING, 0, nullptr),
    OBJ_PROP(AllTypes, ctstr, PT_CONST_TSTRING, 0, nullptr),
    OBJ_PROP(AllTypes, ptr, PT_PTR, 0, nullptr),
    OBJ_PROP(AllTypes, time, PT_TIME, 0, nullptr),
    OBJ_PROP(AllTypes, ref, PT_OBJECTID, 0, "Base"),
    OBJ_PROP(AllTypes, method, PT_METHOD, 0, nullptr),
    OBJ_PROP(AllTypes, rect, PT_RECT, 0, nullptr),
    OBJ_PROP(AllTypes, pt, PT_POINT2, 0, nullptr),
    OBJ_PROP(AllTypes, xf, PT_XFORM2, 0, nullptr),
    OBJ_PROP(AllTypes, dxf, PT_DXFORM2, 0, nullptr),
    OBJ_PROP(AllTypes, list, PT_OBJLIST, 0, nullptr),
    OBJ_PROP(AllTypes, keys, PT_KEYVECT, 0, nullptr),
    OBJ_PROP(AllTypes, ints, PT_INTVECT, 0, nullptr),
    OBJ_PROP(AllTypes, ptype, PT_PROPTYPE, 0, nullptr),
    OBJ_PROP(AllTypes, ort, PT_ORT, 0, nullptr),
    OBJ_PROP(AllTypes, interp, PT_INTERP, 0, nullptr),
    OBJ_METHOD("Save", M_SAVE),
    OBJ_METHOD("Load", M_LOAD),
    OBJ_METHOD("Sync", M_SYNC),
    OBJ_METHOD("Debug", M_DEBUG),
};
ObjMethod g_allSlots[4];
ClassDesc g_allClass =
    objMakeClass("AllTypes", "Base", sizeof(AllTypes), g_allDescs, g_allSlots, &g_allDefault);

// Every written property's text form, to compare two objects property by property.
std::string describe(void* obj)
{
    const ClassDesc* cls = static_cast<ObjHeader*>(obj)->cls;
    std::string out = cls->name;
    char buf[PROP_TEXT_MAX];
    for (uint32_t i = 0; i < cls->nProps; i++) {
        const PropDesc& d = cls->descs[i];
        if (!propTypeInfo(d.type)->written || d.type == PT_OBJECTID || d.type == PT_OBJLIST)
            continue;
        PropToStr(buf, nullptr, d.type, static_cast<uint8_t*>(obj) + d.offset);
        out += std::string(" ") + d.name + "=" + buf;
    }
    return out;
}

// A class whose Load reads one raw line straight from the VFile after its
// properties, as a control or game class with its own data may do.
struct Blob : Base {
    char extra[32];
};
Blob g_blobDefault;
PropDesc g_blobDescs[] = {
    OBJ_PROP(Blob, name, PT_STRING16, 0, nullptr),
    OBJ_METHOD("Save", M_SAVE),
    OBJ_METHOD("Load", M_LOAD),
    OBJ_METHOD("Sync", M_SYNC),
    OBJ_METHOD("Debug", M_DEBUG),
};
int Blob_Load(void* obj, void* arg)
{
    return vfsReadLine(static_cast<WorldFile*>(arg)->file, static_cast<Blob*>(obj)->extra, 32) ? 0 : -1;
}
int Blob_Save(void* obj, void* arg)
{
    WorldFile* wf = static_cast<WorldFile*>(arg);
    const char* extra = static_cast<Blob*>(obj)->extra;
    return vfsWriteString(wf->file, extra) && vfsWriteString(wf->file, "\n") ? 0 : -1;
}
ObjMethod g_blobSlots[4] = {Blob_Save, Blob_Load, nullptr, nullptr};
ClassDesc g_blobClass = objMakeClass("Blob", "Base", sizeof(Blob), g_blobDescs, g_blobSlots, &g_blobDefault);
}

class WorldFileTest : public ObjTest {
protected:
    void SetUp() override
    {
        ObjTest::SetUp();
        g_allDefault.ref = OBJ_NONE;
        ASSERT_TRUE(classRegister(&g_allClass));
    }

    // Loads text as a World file (header included in the text).
    void* loadText(const std::string& text)
    {
        writeFile("in.w", text);
        return load("in.w");
    }

    std::string saveText(void* obj)
    {
        EXPECT_TRUE(save("out.w", obj, false));
        return readFile("out.w");
    }

    AllTypes* makeAllTypes()
    {
        AllTypes* a = create<AllTypes>(&g_allClass, "all");
        const char* values[][2] = {{"b", "1"},
                                   {"i", "%-250%1000"},
                                   {"f16", "-0.5"},
                                   {"f32", "-1234.0625"},
                                   {"fl", "0.1"},
                                   {"col", "1 128 255"},
                                   {"key", "100 -100"},
                                   {"s16", " lead"},
                                   {"str", "\xe9t\xe9 text"},
                                   {"cstr", "c"},
                                   {"wstr", "w"},
                                   {"cwstr", "cw"},
                                   {"tstr", "t s"},
                                   {"ctstr", "ct"},
                                   {"time", "4000000000"},
                                   {"method", "World_Sync"},
                                   {"rect", "-1 2 -3 4"},
                                   {"pt", "5 6"},
                                   {"xf", "1 2 3 0.5 -1.5"},
                                   {"dxf", "0.5 1 -1 2.25 0"},
                                   {"keys", "0 1 100 200"},
                                   {"ints", "-9 0 9"},
                                   {"ptype", "30"},
                                   {"ort", "2"},
                                   {"interp", "0"}};
        for (auto& v : values) {
            const PropDesc* d = objPropDesc(a, objPropIndex(a, v[0]));
            PropFromStr(v[1], d->type, reinterpret_cast<uint8_t*>(a) + d->offset);
        }
        return a;
    }
};

// One World with a member of every property type, a nested World shown by a
// viewport, a member destroyed while listed, and a class whose Load and Save use
// the file directly: both forms read back the same.
TEST_F(WorldFileTest, EveryPropertyTypeRoundTripsInBothForms)
{
    ASSERT_TRUE(classRegister(&g_blobClass));
    World* w = create<World>(&g_worldClass, "W");
    AllTypes* a = makeAllTypes();
    AllTypes* plain = create<AllTypes>(&g_allClass);
    World* inner = create<World>(&g_worldClass, "Inner");
    Actor* x = create<Actor>(&g_actorClass, "x");
    Actor* y = create<Actor>(&g_actorClass, "y");
    WorldViewport* vp = create<WorldViewport>(&g_worldViewportClass, "vp");
    Str* gone = create<Str>(&g_strClass, "gone");
    Blob* blob = create<Blob>(&g_blobClass, "blob");
    strcpy(blob->extra, "raw payload");
    for (void* m : {(void*)a, (void*)plain, (void*)gone, (void*)inner, (void*)vp, (void*)blob})
        add(w, m);
    add(w, create<Str>(&g_strClass, "after"));
    add(inner, x);
    add(inner, y);
    y->parent = x->id;
    vp->world = inner->id;
    a->ref = plain->id;
    plain->ref = w->id;
    vecPush(&a->list, &plain->id);
    vecPush(&a->list, &a->id);
    objDestroy(gone);
    std::string original = describe(a);
    // Both files are written before loading, which reuses the freed id.
    ASSERT_TRUE(save("rt.wt", w, false));
    ASSERT_TRUE(save("rt.wb", w, true));
    for (const char* name : {"rt.wt", "rt.wb"}) {
        SCOPED_TRACE(name);
        World* back = static_cast<World*>(load(name));
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(back->objs.count, 6);
        AllTypes* a2 = memberObj<AllTypes>(back, 0);
        AllTypes* plain2 = memberObj<AllTypes>(back, 1);
        EXPECT_EQ(describe(a2), original);
        EXPECT_EQ(describe(plain2), describe(plain));
        EXPECT_EQ(a2->ref, plain2->id);
        ASSERT_EQ(a2->list.count, 2);
        EXPECT_EQ(*static_cast<ObjectId*>(vecAt(&a2->list, 0)), plain2->id);
        EXPECT_EQ(*static_cast<ObjectId*>(vecAt(&a2->list, 1)), a2->id);
        EXPECT_EQ(plain2->ref, back->id);  // a reference to the holding World reads back
        EXPECT_EQ(a2->ptr, nullptr);
        World* i2 = memberObj<World>(back, 2);
        ASSERT_EQ(i2->objs.count, 2);
        EXPECT_EQ(memberObj<WorldViewport>(back, 3)->world, i2->id);
        EXPECT_EQ(memberObj<Actor>(i2, 1)->parent, member(i2, 0));
        EXPECT_STREQ(memberObj<Blob>(back, 4)->extra, "raw payload");
        EXPECT_STREQ(memberObj<Str>(back, 5)->name, "after");
    }
    EXPECT_EQ(log(), "");
}

TEST_F(WorldFileTest, DefaultsAreNotWrittenAndFlagsPickTheForm)
{
    Str* s = create<Str>(&g_strClass);
    EXPECT_EQ(saveText(s), "TOBT\n\nStr\n\n");
    ASSERT_TRUE(save("s.w", s, true));
    EXPECT_EQ(readFile("s.w"), std::string("TOBBStr\0\xff", 9));

    KeyControl* kc = create<KeyControl>(&g_keyControlClass);
    kc->propid = 3;
    strcpy(kc->prop, "x");
    kc->tStart = 12345;  // run-time state: never written
    EXPECT_EQ(saveText(kc), "TOBT\n\nKeyControl\nprop\tx\n\n");
    ASSERT_TRUE(save("k.w", kc, true));
    // propid is property 5 of KeyControl: name, tStart, active, objs, propid.
    EXPECT_EQ(readFile("k.w"), std::string("TOBBKeyControl\0\x04\x03\0\0\0\xff", 21));
    EXPECT_FALSE(save("n.w", nullptr, false));
}

TEST_F(WorldFileTest, TextLinesFollowTheTokenRules)
{
    // No blank after the name: the value is the next line. A ";" token at the end
    // of its line takes the next line as its comment. CR LF ends lines too.
    Str* s = static_cast<Str*>(
        loadText("TOBT\r\n\r\nStr\r\nname\r\nfirst\r\n;\nname\tignored\ntext\t two  words\n"));
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, "first");
    char text[32];
    textToUtf8(text, sizeof text, s->text);
    EXPECT_STREQ(text, " two  words");

    // An indented line ends the object; the end of the file ends it too.
    BaseVisible* v = static_cast<BaseVisible*>(loadText("TOBT\n\nBaseVisible\nx\t5\n y\t7\n"));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->x, 5);
    EXPECT_EQ(v->y, 0);
    v = static_cast<BaseVisible*>(loadText("TOBT\n\nBaseVisible\nalpha\t9"));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->alpha, 9);
    // "S" form: no header lines.
    v = static_cast<BaseVisible*>(loadText("TOBSBaseVisible\nangle\t3\n"));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->angle, 3);

    // A lone CR after a token, or a line of 2048 characters, is a broken file.
    EXPECT_EQ(loadText("TOBT\n\nStr\nname\rx\n"), nullptr);
    EXPECT_EQ(loadText("TOBT\n\nStr\ntext\t" + std::string(2048, 'a') + "\n"), nullptr);
    EXPECT_EQ(loadText("TOBT\n\nStr\n" + std::string(3000, 'a') + "\n"), nullptr);
    EXPECT_NE(log().find("objRead: bad or too long line in class Str"), std::string::npos);
    EXPECT_NE(loadText("TOBT\n\nStr\ntext\t" + std::string(2047, 'a') + "\n"), nullptr);

    for (const char* bad : {"", "TOB", "TOBX\n\nStr\n", "tobtStr\n"})
        EXPECT_EQ(loadText(bad), nullptr) << bad;
    EXPECT_EQ(load("missing.w"), nullptr);
}

// Unknown properties and classes and a member list naming more objects than the
// file holds are checked through "tobex world check" (world_tool_test.cpp).
TEST_F(WorldFileTest, MemberListsThatDisagreeWithTheFileAreLogged)
{
    // A World whose file ends early keeps what it read.
    World* w = static_cast<World*>(
        loadText("TOBT\n\nWorld\nname\tShort\nobjs\t4 5 6\n\nStr\nname\ta\n\nStr\nname\tb\n\n"));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->objs.count, 2);
    EXPECT_STREQ(memberObj<Str>(w, 1)->name, "b");
    EXPECT_NE(log().find("World_Load: less objects loaded than expected, world Short"), std::string::npos);

    // Blank lines and comments after the object are fine; a member list naming fewer
    // objects than the file holds leaves the rest unread, and the log says so.
    size_t seen = log().size();
    ASSERT_NE(loadText("TOBT\n\nStr\nname\ta\n\n\n; the end\n;\nnext line too\n"), nullptr);
    EXPECT_EQ(log().find("objLoadFile:", seen), std::string::npos);
    w = static_cast<World*>(
        loadText("TOBT\n\nWorld\nname\tLong\nobjs\t4\n\nStr\nname\ta\n\nStr\nname\tb\n\n"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objs.count, 1);
    EXPECT_NE(
        log().find("objLoadFile: objects follow the first one unread (a member list naming too few?) in "),
        std::string::npos);
}

TEST_F(WorldFileTest, ReferencesResolveToMembersTheWorldAndOtherWorlds)
{
    create<Str>(&g_strClass);  // object 0: references to it are absolute
    World* other = create<World>(&g_worldClass, "Other");
    Sprite* shared = create<Sprite>(&g_spriteClass, "shared");
    add(other, shared);
    World* w = static_cast<World*>(loadText("TOBT\n\nWorld\nname\tW\nobjs\t40 41 42\n\n"
                                            "Actor\nname\ta\nparent\t41\nsprite\tOther:shared\n\n"
                                            "Actor\nname\tb\nsprite\t99\nparent\t0\n\n"
                                            "Control\nobjs\t40 0 41\n\n"));
    ASSERT_NE(w, nullptr);
    Actor* a = memberObj<Actor>(w, 0);
    Actor* b = memberObj<Actor>(w, 1);
    Control* c = memberObj<Control>(w, 2);
    EXPECT_EQ(a->parent, b->id);
    EXPECT_EQ(a->sprite, shared->id);
    EXPECT_EQ(b->sprite, OBJ_NONE);  // saved id 99 is no member
    // b's parent is the World itself: not an Actor, so the reference is dropped.
    EXPECT_EQ(b->parent, OBJ_NONE);
    EXPECT_NE(log().find("World_Load: incorrect class of referenced object, world W, prop parent, value 0\n"),
              std::string::npos);
    ASSERT_EQ(c->objs.count, 3);
    EXPECT_EQ(*static_cast<ObjectId*>(vecAt(&c->objs, 1)), w->id);  // 0 in a list is the World itself

    // Written back, the cross-World reference keeps its name form and the rest
    // their saved ids.
    std::string text = saveText(w);
    EXPECT_NE(text.find("sprite\tOther:shared\n"), std::string::npos);
    EXPECT_NE(text.find("parent\t" + std::to_string(b->id) + "\n"), std::string::npos);
}

TEST_F(WorldFileTest, MarkerShapedIdsSurviveABinaryRoundTrip)
{
    // Push the object table past ids 253, 254 and 509 so members get ids near them.
    std::vector<void*> filler;
    for (int i = 0; i < 250; i++)
        filler.push_back(objCreate(&g_strClass));
    World* w = create<World>(&g_worldClass, "W");
    std::vector<Actor*> actors;
    for (int i = 0; i < 300; i++) {
        actors.push_back(create<Actor>(&g_actorClass));
        add(w, actors.back());
    }
    for (int i = 0; i < 300; i++)
        actors[size_t(i)]->parent = actors[size_t((i + 1) % 300)]->id;
    ASSERT_TRUE(save("ids.w", w, true));
    // Loading shifts the ids: the new members land on 253, 254, 509 and beyond too.
    for (void* f : filler)
        objDestroy(f);
    World* back = static_cast<World*>(load("ids.w"));
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->objs.count, 300);
    for (int i = 0; i < 300; i++)
        EXPECT_EQ(memberObj<Actor>(back, i)->parent, member(back, (i + 1) % 300)) << i;
    EXPECT_EQ(log(), "");
}

TEST_F(WorldFileTest, BinaryFilesThatLieFailCleanly)
{
    World* w = create<World>(&g_worldClass, "W");
    AllTypes* a = makeAllTypes();
    add(w, a);
    add(w, create<Str>(&g_strClass, "s"));
    ASSERT_TRUE(save("good.w", w, true));
    std::string good = readFile("good.w");
    // Every truncation, inside or at the end of a value of every type, loads at
    // most a short World and never reads past the file.
    for (size_t n = 0; n < good.size(); n++) {
        writeFile("cut.w", good.substr(0, n));
        void* obj = load("cut.w");
        if (obj && n < good.size()) {
            EXPECT_LT(static_cast<World*>(obj)->objs.count, 2) << n;
        }
    }
    writeFile("idx.w", std::string("TOBBStr\0\x09\xff", 10));
    EXPECT_EQ(load("idx.w"), nullptr);
    EXPECT_NE(log().find("objRead: property index beyond the class Str"), std::string::npos);
    // objs promising a billion members: the count is beyond the file.
    writeFile("big.w", std::string("TOBBWorld\0\x0d\0\0\0\x40\4\0\0\0\xff", 20));
    EXPECT_EQ(load("big.w"), nullptr);
    const char fewBytes[] = "TOBBWorld\0\x0d\3\0\0\0\4\0\0\0\1\0\0\0\2\0\0\0\3\0\0\0\xff"
                            "Str\0\xff";
    writeFile("few.w", std::string(fewBytes, sizeof fewBytes - 1));
    World* few = static_cast<World*>(load("few.w"));
    ASSERT_NE(few, nullptr);
    EXPECT_EQ(few->objs.count, 1);
}

TEST_F(WorldFileTest, MethodNamesRebindTheClassSlotAndLongValuesRefuseToSave)
{
    Str* s = static_cast<Str*>(loadText("TOBT\n\nStr\nname\tx\nDebug\tBase_Debug\n\n"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(g_strClass.slots[M_DEBUG], Base_Debug);
    // A function of an unrelated class is refused: World_Load would take the Str
    // for a World.
    s = static_cast<Str*>(loadText("TOBT\n\nStr\nLoad\tWorld_Load\nSync\tWorld_Sync\n\n"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(g_strClass.slots[M_LOAD], nullptr);
    EXPECT_EQ(g_strClass.slots[M_SYNC], nullptr);
    EXPECT_NE(log().find("objRead: method does not fit class Str: World_Load"), std::string::npos);
    World* w = static_cast<World*>(loadText("TOBT\n\nWorld\nLoad\tWorld_KillObj\n\n"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(g_worldClass.slots[M_LOAD], World_Load);
    // An empty value empties the slot.
    ASSERT_NE(loadText("TOBT\n\nStr\nDebug\t\n\n"), nullptr);
    EXPECT_EQ(g_strClass.slots[M_DEBUG], nullptr);

    // A list whose text does not fit one line cannot be written in the text form.
    Control* c = create<Control>(&g_controlClass);
    for (int i = 0; i < 1000; i++)
        vecPush(&c->objs, &i);
    EXPECT_FALSE(save("long.w", c, false));
    EXPECT_NE(log().find("objWrite: value does not fit a text line: objs"), std::string::npos);
    EXPECT_TRUE(save("long.w", c, true));
    // Neither can a text with a line end; the binary form keeps it.
    Str* s2 = create<Str>(&g_strClass);
    PropFromStr("two\nlines", PT_TSTRING, &s2->text);
    EXPECT_FALSE(save("nl.w", s2, false));
    ASSERT_TRUE(save("nl.w", s2, true));
    Str* back = static_cast<Str*>(load("nl.w"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->text[3], u'\n');
}

TEST_F(WorldFileTest, DeepNestingAndWorldsHoldingThemselvesFailCleanly)
{
    // 200 Worlds inside one another: reading stops at the nesting limit and the
    // Worlds above keep what they read.
    std::string deep = "TOBT\n\n";
    for (int i = 0; i < 200; i++)
        deep += "World\nobjs\t1\n\n";
    World* top = static_cast<World*>(loadText(deep));
    ASSERT_NE(top, nullptr);
    int levels = 1;
    for (World* w = top; w->objs.count == 1; w = memberObj<World>(w, 0))
        levels++;
    EXPECT_EQ(levels, WORLD_MAX_NESTING);
    EXPECT_NE(log().find("objRead: objects nested too deeply"), std::string::npos);

    // A World listing itself is neither written nor synced forever.
    World* w = create<World>(&g_worldClass, "Loop");
    World* inner = create<World>(&g_worldClass, "Inner");
    add(w, inner);
    add(inner, w);
    EXPECT_FALSE(save("loop.w", w, false));
    EXPECT_FALSE(save("loop.w", w, true));
    EXPECT_NE(log().find("objWrite: objects nested too deeply"), std::string::npos);
    EXPECT_EQ(World_Sync(w, nullptr), -1);
    EXPECT_EQ(World_Live(w, nullptr), 0);

    // An unknown method name leaves the slot as it was.
    ASSERT_NE(loadText("TOBT\n\nWorld\nLoad\tNo_Load\n\n"), nullptr);
    EXPECT_EQ(g_worldClass.slots[M_LOAD], World_Load);
    EXPECT_NE(log().find("objRead: unknown method No_Load"), std::string::npos);
}
