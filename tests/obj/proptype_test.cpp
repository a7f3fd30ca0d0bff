// Property types: the number syntax, the text and binary forms of every type, and
// object references in both forms.
#include <gtest/gtest.h>
#include <math.h>

#include <functional>
#include <string>

#include "obj/obj_fixture.h"
#include "obj/proptype.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

template <class T>
std::string toStr(int type, const T& value, const void* owner = nullptr)
{
    char buf[PROP_TEXT_MAX];
    PropToStr(buf, owner, type, &value);
    return buf;
}

template <class T>
T fromStr(const char* text, int type, T value = T{})
{
    PropFromStr(text, type, &value);
    return value;
}

std::vector<int32_t> elements(const Vector& v)
{
    std::vector<int32_t> out(size_t(v.count * v.elemSize / 4));
    if (!out.empty())
        memcpy(out.data(), v.data, out.size() * 4);
    return out;
}

}

class PropTest : public ObjTest {
protected:
    // Writes through PropWrite (or raw bytes), then reads the file back into a WorldFile.
    std::string writeBinary(const std::function<bool(WorldFile*)>& fn)
    {
        VFile* f = vfsCreate(u"p.bin");
        WorldFile wf;
        wfOpen(&wf, f, WF_BINARY, true);
        EXPECT_TRUE(fn(&wf));
        wfClose(&wf);
        vfsClose(f);
        return readFile("p.bin");
    }

    bool readBinary(const std::string& bytes, int type, void* value)
    {
        writeFile("r.bin", bytes);
        VFile* f = vfsOpen(u"r.bin");
        WorldFile wf;
        wfOpen(&wf, f, WF_BINARY, false);
        bool ok = PropRead(&wf, type, value);
        wfClose(&wf);
        vfsClose(f);
        return ok;
    }
};

// The syntax rules of hand-written values. Ordinary values of every type are
// read and written back by the every-type World round trip (worldfile_test.cpp).
TEST(PropNumbers, HandWrittenValuesReadAsTheRulesSay)
{
    const struct {
        int type;
        const char* text;
        const char* printed;
    } cases[] = {
        {PT_INT, " \t-42abc", "-42"},
        {PT_INT, "abc", "0"},
        {PT_INT, "-", "0"},
        {PT_INT, "4294967297", "1"},  // wraps at 32 bits
        {PT_INT, "12.9", "12"},
        {PT_BOOL, "-3", "1"},
        {PT_ORT, "258", "2"},  // low 8 bits
        {PT_INT, "%250", "%250"},
        {PT_INT, "  %-100 junk %-5", "%-100%-5"},
        {PT_INT, "%", "%0"},
        // Negative values round to the nearest unit too, so printed values read back exactly.
        {PT_FIXED16, "-0.99609375", "-0.99609375"},
        {PT_FIXED16, "-0.001", "0"},
        {PT_FIXED16, "x", "0"},
        {PT_FIXED16, "99999999999999999999999", "-0.00390625"},
        {PT_FLOAT, "3.", "3"},
        {PT_COLOR, "256 1", "0 1 0"},  // channels masked, missing ones 0
        {PT_COLOR, "-1", "-1"},
        {PT_RECT, "1 2 3", "1 2 3 0"},
    };
    for (const auto& c : cases) {
        alignas(8) uint8_t value[32] = {};
        PropFromStr(c.text, c.type, value);
        EXPECT_EQ(toStr(c.type, value), c.printed) << c.text;
    }
    EXPECT_EQ(fromStr<int32_t>("%500%500", PT_INT), int32_t(REL_TAG | 500u << 12 | 500u));
    EXPECT_EQ(fromStr<int16_t>("1.5", PT_FIXED16), 384);
    EXPECT_EQ(fromStr<int32_t>("2.25", PT_FIXED32), 0x24000);
    EXPECT_EQ(fromStr<uint32_t>("255 0 128", PT_COLOR), 0x00FF0080u);
    EXPECT_EQ(toStr(PT_COLOR, COLOR_PIXEL00), "-2");
    EXPECT_EQ(toStr(PT_FLOAT, -3e9f), "-inf");
    // Every float prints as a text that reads back to the same float.
    for (float f : {1.05f, -0.1f, 123.456f, 1e-6f, 2147483648.0f})
        EXPECT_EQ(fromStr<float>(toStr(PT_FLOAT, f).c_str(), PT_FLOAT), f) << f;
    // A fraction with hundreds of digits neither overflows nor hangs.
    std::string longText = "0." + std::string(500, '3');
    EXPECT_NEAR(fromStr<float>(longText.c_str(), PT_FLOAT), 1.0f / 3, 1e-6);
}

TEST_F(ObjTest, ListsAreReadUntilTheTextEnds)
{
    Vector v = {};
    PropFromStr("3 4 ", PT_OBJLIST, &v);  // the trailing blank starts a third number
    EXPECT_EQ(elements(v), (std::vector<int32_t>{3, 4, 0}));
    PropFromStr("1x2 5", PT_INTVECT, &v);  // a number ends at the next blank
    EXPECT_EQ(elements(v), (std::vector<int32_t>{1, 5}));
    PropFromStr("", PT_INTVECT, &v);
    EXPECT_EQ(v.count, 0);
    EXPECT_EQ(toStr(PT_INTVECT, v), "");
    PropFromStr("0 10 1000 -3 2000", PT_KEYVECT, &v);  // an odd count: the last key's value is 0
    EXPECT_EQ(elements(v), (std::vector<int32_t>{0, 10, 1000, -3, 2000, 0}));
    EXPECT_EQ(toStr(PT_KEYVECT, v), "0 10 1000 -3 2000 0");
    // Each read replaces the old storage: nothing is leaked over many reads.
    MemStats before, after;
    memStats(&before);
    for (int i = 0; i < 50; i++)
        PropFromStr("1 2 3 4 5 6 7 8", PT_INTVECT, &v);
    memStats(&after);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    vecFree(&v);
}

TEST_F(ObjTest, StringsKeepTheWholeValueAndAreReplacedNotLeaked)
{
    char name[16] = {};
    PropFromStr(" spaced", PT_STRING16, name);
    EXPECT_STREQ(name, " spaced");
    PropFromStr("sixteen chars!!!", PT_STRING16, name);
    EXPECT_STREQ(name, "sixteen chars!!");
    EXPECT_NE(log().find("STRING16 too long: sixteen chars!!!"), std::string::npos);

    char* s = nullptr;
    PropFromStr("  two  words ", PT_STRING, &s);
    EXPECT_STREQ(s, "  two  words ");
    MemStats before, after;
    memStats(&before);
    PropFromStr("other", PT_CONST_STRING, &s);
    memStats(&after);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    PropFromStr("", PT_STRING, &s);
    EXPECT_EQ(s, nullptr);

    char16_t* w = nullptr;
    PropFromStr("caf\xe9", PT_TSTRING, &w);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w[3], char16_t(0xE9));
    w[0] = 0x263A;
    EXPECT_EQ(toStr(PT_TSTRING, w), "?af\xe9");
    memFree(w);
}

TEST_F(ObjTest, MethodsAreWrittenByTheirRegisteredName)
{
    EXPECT_EQ(fromStr<ObjMethod>("Nobody_Knows", PT_METHOD, World_Sync), nullptr);
    ObjMethod unregistered = [](void*, void*) { return 0; };
    EXPECT_EQ(toStr(PT_METHOD, unregistered), "");
}

TEST_F(PropTest, ReferencesByIdNameAndAbsoluteIdInBothForms)
{
    EXPECT_EQ(fromStr<ObjectId>("7", PT_OBJECTID), -7);
    EXPECT_EQ(fromStr<ObjectId>("&7", PT_OBJECTID), 7);
    EXPECT_EQ(fromStr<ObjectId>("-2147483647", PT_OBJECTID), OBJ_NONE);

    World* root = create<World>(&g_worldClass, "Root");  // id 0
    World* other = create<World>(&g_worldClass, "Other");
    World* mine = create<World>(&g_worldClass, "Mine");
    Str* target = create<Str>(&g_strClass, "target");
    Str* rootTarget = create<Str>(&g_strClass, "rt");
    Str* unnamed = create<Str>(&g_strClass);
    Actor* owner = create<Actor>(&g_actorClass, "owner");
    ASSERT_EQ(root->id, 0);
    add(other, target);
    add(other, unnamed);
    add(root, rootTarget);
    add(mine, owner);
    add(mine, create<Str>(&g_strClass, "sibling"));

    EXPECT_EQ(toStr(PT_OBJECTID, target->id, owner), "Other:target");
    EXPECT_EQ(toStr(PT_OBJECTID, rootTarget->id, owner), "&" + std::to_string(rootTarget->id));
    EXPECT_EQ(toStr(PT_OBJECTID, unnamed->id, owner), std::to_string(unnamed->id));
    ObjectId sibling = member(mine, 1);
    EXPECT_EQ(toStr(PT_OBJECTID, sibling, owner), std::to_string(sibling));
    EXPECT_EQ(toStr(PT_OBJECTID, mine->id, owner), "0");  // the owner's own World
    EXPECT_EQ(toStr(PT_OBJECTID, OBJ_NONE, owner), "-2147483647");

    EXPECT_EQ(fromStr<ObjectId>("Other:target", PT_OBJECTID), target->id);
    // Only an object of exactly the class World names the World; names are exact.
    EXPECT_EQ(fromStr<ObjectId>("Other:nothing", PT_OBJECTID, 5), 5);
    EXPECT_NE(log().find("PropFromStr: object reference not found: nothing"), std::string::npos);

    // In the binary form, named and absolute references follow markers.
    std::string named =
        writeBinary([&](WorldFile* wf) { return PropWrite(wf, owner, PT_OBJECTID, &target->id); });
    ASSERT_EQ(named.size(), 33u);
    EXPECT_EQ(uint8_t(named[0]), 0xFE);
    EXPECT_EQ(named.substr(1, 6), std::string("Other\0", 6));
    EXPECT_EQ(named.substr(17, 7), std::string("target\0", 7));
    std::string absolute =
        writeBinary([&](WorldFile* wf) { return PropWrite(wf, owner, PT_OBJECTID, &rootTarget->id); });
    EXPECT_EQ(absolute.size(), 5u);
    EXPECT_EQ(uint8_t(absolute[0]), 0xFD);
    // A dangling id shaped like a marker is written in the absolute form so that
    // the bytes after it are not taken for its value.
    ObjectId markerShaped = 0x1FD;
    std::string shaped =
        writeBinary([&](WorldFile* wf) { return PropWrite(wf, owner, PT_OBJECTID, &markerShaped); });
    EXPECT_EQ(shaped, std::string("\xFD\xFD\x01\0\0", 5));

    ObjectId v = 0;
    ASSERT_TRUE(readBinary(named, PT_OBJECTID, &v));
    EXPECT_EQ(v, target->id);
    ASSERT_TRUE(readBinary(absolute, PT_OBJECTID, &v));
    EXPECT_EQ(v, rootTarget->id);
    ASSERT_TRUE(readBinary(shaped, PT_OBJECTID, &v));
    EXPECT_EQ(v, 0x1FD);
    ASSERT_TRUE(readBinary(std::string("\x01\0\0\x80", 4), PT_OBJECTID, &v));
    EXPECT_EQ(v, OBJ_NONE);
    strcpy(target->name, "moved");
    v = 3;
    ASSERT_TRUE(readBinary(named, PT_OBJECTID, &v));
    EXPECT_EQ(v, 3);
    EXPECT_NE(log().find("PropRead: object reference not found\n"), std::string::npos);
    EXPECT_FALSE(readBinary(named.substr(0, 20), PT_OBJECTID, &v));
    strcpy(other->name, "Renamed");
    EXPECT_EQ(fromStr<ObjectId>("Other:target", PT_OBJECTID, 5), 5);
    EXPECT_NE(log().find("PropFromStr: world reference not found: Other"), std::string::npos);
}

TEST_F(PropTest, BinaryValuesOfKnownLayout)
{
    std::string bytes = writeBinary([](WorldFile* wf) {
        char* s = const_cast<char*>("ab");
        const char16_t* w = u"\x263A";
        ObjMethod none = nullptr;
        return PropWrite(wf, nullptr, PT_STRING, &s) && PropWrite(wf, nullptr, PT_TSTRING, &w) &&
               PropWrite(wf, nullptr, PT_METHOD, &none);
    });
    EXPECT_EQ(bytes, std::string("ab\0\x3A\x26\0\0\0", 8));

    Vector v = {};
    vecInit(&v, 4, 0);
    // Strings without a terminator fail and are logged; with one, any length the
    // writer stores reads back (a 1,024-character wide string once failed).
    char* s = nullptr;
    EXPECT_FALSE(readBinary(std::string(3000, 'x'), PT_STRING, &s));
    EXPECT_NE(log().find("PropRead: string without terminator"), std::string::npos);
    EXPECT_TRUE(readBinary(std::string(5000, 'y') + '\0', PT_STRING, &s));
    EXPECT_EQ(strlen(s), 5000u);
    memFree(s);
    std::u16string longWide(1024, u'\x263A');
    const char16_t* lw = longWide.c_str();
    char16_t* back = nullptr;
    EXPECT_TRUE(
        readBinary(writeBinary([&](WorldFile* wf) { return PropWrite(wf, nullptr, PT_WSTRING, &lw); }),
                   PT_WSTRING, &back));
    EXPECT_EQ(std::u16string(back ? back : u""), longWide);
    memFree(back);
    ObjMethod m = World_Sync;
    EXPECT_TRUE(readBinary(std::string("Gone\0", 5), PT_METHOD, &m));
    EXPECT_EQ(m, nullptr);
    // Vectors: absurd counts, element sizes of another type, counts beyond the file.
    EXPECT_FALSE(readBinary(std::string("\xff\xff\xff\x7f\4\0\0\0", 8), PT_OBJLIST, &v));
    EXPECT_FALSE(readBinary(std::string("\1\0\0\0\x10\0\0\0", 8) + std::string(16, 0), PT_OBJLIST, &v));
    EXPECT_FALSE(readBinary(std::string("\2\0\0\0\4\0\0\0\1\0\0\0", 12), PT_INTVECT, &v));
    EXPECT_FALSE(readBinary(std::string("\0\0\0\x80\4\0\0\0", 8), PT_INTVECT, &v));
    EXPECT_EQ(v.count, 0);
    EXPECT_NE(log().find("PropRead: bad vector size"), std::string::npos);
    char name[16];
    EXPECT_TRUE(readBinary(std::string(16, 'n'), PT_STRING16, name));
    EXPECT_EQ(strlen(name), 15u);
    // Values of types that are never written are skipped, never stored.
    void* p = &v;
    EXPECT_TRUE(readBinary(std::string("\1\2\3\4", 4), PT_PTR, &p));
    EXPECT_EQ(p, &v);
    vecFree(&v);
}
