// Containers: growth, sorted insertion and search, sorts, the file form, handle
// reuse order and the file cache's generations.
#include <gtest/gtest.h>

#include <vector>

#include "obj/container.h"
#include "obj_fixture.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

int compareInt(const void* a, const void* b)
{
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return x < y ? -1 : x > y;
}

// Pairs compared by key only, to see stability and where equal keys land.
struct Pair {
    int key, tag;
};

int compareKey(const void* a, const void* b)
{
    return compareInt(&static_cast<const Pair*>(a)->key, &static_cast<const Pair*>(b)->key);
}

std::vector<int> ints(const Vector& v)
{
    std::vector<int> out;
    for (int i = 0; i < v.count; i++)
        out.push_back(*static_cast<int*>(vecAt(&v, i)));
    return out;
}

}

// The plain sort is checked through the class name index (classes_test.cpp).
TEST(Vector, StableSortKeepsEqualElementsInOrder)
{
    for (int spare = 0; spare < 2; spare++) {  // with and without a free slot at the end
        Vector v;
        vecInit(&v, sizeof(Pair), 6 + spare);
        const Pair in[] = {{3, 0}, {1, 1}, {3, 2}, {2, 3}, {1, 4}, {3, 5}};
        for (const Pair& p : in)
            vecPush(&v, &p);
        vecSortStable(&v, compareKey);
        const int tags[] = {1, 4, 3, 0, 2, 5};
        for (int i = 0; i < 6; i++)
            EXPECT_EQ(static_cast<Pair*>(vecAt(&v, i))->tag, tags[i]) << i;
        vecFree(&v);
    }
}

TEST(Vector, BadIndexesAndFailedGrowthLeaveTheElements)
{
    Vector v;
    ASSERT_TRUE(vecInit(&v, 4, 4));
    for (int x : {5, 6, 5, 7})
        vecPush(&v, &x);
    int five = 5, none = 9;
    EXPECT_EQ(vecIndexOf(&v, &five), 2);  // the last equal element
    EXPECT_EQ(vecIndexOf(&v, &none), -1);
    EXPECT_EQ(vecIndexOfPtr(&v, v.data + 8), 2);
    EXPECT_EQ(vecIndexOfPtr(&v, v.data + 9), -1);   // inside an element
    EXPECT_EQ(vecIndexOfPtr(&v, v.data + 16), -1);  // beyond count
    vecRemoveAt(&v, 1);
    vecRemoveAt(&v, 3);  // out of range: nothing
    vecRemoveAt(&v, -1);
    vecPush(&v, &none);  // the last free slot
    EXPECT_EQ(vecPush(nullptr, &five), -1);
    memFailAfter(0);
    EXPECT_EQ(vecPush(&v, &five), -1);
    memFailAfter(0);
    EXPECT_EQ(vecInsertSorted(&v, &five, compareInt), -1);
    memFailAfter(-1);
    EXPECT_EQ(ints(v), (std::vector<int>{5, 5, 7, 9}));
    EXPECT_EQ(vecPush(&v, nullptr), 4);  // slot taken, contents left as they were
    vecFree(&v);
}

TEST_F(ObjTest, VectorFileFormRoundTripsAndRejectsAbsurdCounts)
{
    auto readFrom = [&](const std::string& bytes, Vector* into) {
        writeFile("in.bin", bytes);
        VFile* f = vfsOpen(u"in.bin");
        bool ok = vecRead(into, f);
        vfsClose(f);
        return ok;
    };
    Vector v;
    vecInit(&v, 4, 0);
    for (int x : {1, -2, 0x12345678})
        vecPush(&v, &x);
    VFile* f = vfsCreate(u"v.bin");
    ASSERT_TRUE(vecWrite(&v, f));
    vfsClose(f);
    std::string bytes = readFile("v.bin");
    EXPECT_EQ(bytes.substr(0, 12), std::string("\3\0\0\0\4\0\0\0\1\0\0\0", 12));
    Vector back = {};
    ASSERT_TRUE(readFrom(bytes, &back));
    EXPECT_EQ(ints(back), ints(v));

    // Count 0 gives an empty vector without storage.
    ASSERT_TRUE(readFrom(std::string("\0\0\0\0\4\0\0\0", 8), &back));
    EXPECT_EQ(back.count, 0);
    EXPECT_EQ(back.data, nullptr);

    // Counts whose elements are not in the file fail and leave the vector alone.
    vecPush(&back, &v.count);
    for (const char* head : {"\xff\xff\xff\x7f\4\0\0\0", "\0\0\0\x40\0\0\0\x40", "\5\0\0\0\4\0\0\0"}) {
        EXPECT_FALSE(readFrom(std::string(head, 8) + std::string(8, 'x'), &back));
        EXPECT_EQ(back.count, 1);
    }
    vecFree(&back);
    vecFree(&v);
}

// Reuse order and bounds are checked through object ids; this is the one case
// objects cannot reach: a slot freed twice is listed free only once.
TEST(HandleTable, RemovingTwiceFreesTheSlotOnce)
{
    HandleTable t;
    ASSERT_TRUE(htInit(&t, 2));
    int values[3];
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(htAdd(&t, &values[i]), i);
    htRemove(&t, 1);
    htRemove(&t, 1);
    EXPECT_EQ(htAdd(&t, &values[0]), 1);
    EXPECT_EQ(htAdd(&t, &values[0]), 3);
    htFree(&t);
}

TEST_F(ObjTest, FileCacheLoadsOnceAndPurgesByGeneration)
{
    writeFile("a.txt", "alpha");
    writeFile("b.txt", "bravo!");
    writeFile("c.txt", "charlie");
    writeFile("zero.txt", "");
    FileCache cache;
    ASSERT_TRUE(cacheInit(&cache, 4, nullptr, nullptr, nullptr));
    EXPECT_FALSE(cachePurge(&cache, 0));  // generation 0: nothing to purge
    void* a = cacheGet(&cache, u"a.txt");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(memcmp(a, "alpha", 5), 0);
    EXPECT_EQ(cacheGet(&cache, u"A.TXT"), a);  // names compare without case
    EXPECT_EQ(cacheNextGeneration(&cache), 1u);
    ASSERT_NE(cacheGet(&cache, u"b.txt"), nullptr);
    EXPECT_EQ(cacheNextGeneration(&cache), 2u);
    ASSERT_NE(cacheGet(&cache, u"c.txt"), nullptr);
    EXPECT_EQ(cache.entries.count, 3);
    EXPECT_FALSE(cachePurge(&cache, 3));  // above the current generation
    EXPECT_EQ(cacheGet(&cache, u"missing.txt"), nullptr);
    EXPECT_EQ(cacheGet(&cache, u"zero.txt"), nullptr);
    EXPECT_NE(log().find("TobexLib/src/TobexLib(1100)"), std::string::npos);

    // Purging generation 1 drops b and c and steps the generation back to 0.
    ASSERT_TRUE(cachePurge(&cache, 1));
    EXPECT_EQ(cache.entries.count, 1);
    EXPECT_EQ(cache.generation, 0u);
    EXPECT_EQ(cacheGet(&cache, u"a.txt"), a);
    cacheDestroy(&cache, true);
}

// The surface pool carves its blocks in every graphics test; no product code
// gives a file cache a pool, so its pooled buffers have no test of their own.
TEST(BlockPool, FreedElementsAreHandedOutAgain)
{
    BlockPool pool;
    poolInit(&pool, 8, 2);
    void* a = poolAlloc(&pool);
    poolFree(&pool, a);
    EXPECT_EQ(poolAlloc(&pool), a);
    poolDestroy(&pool);
}
