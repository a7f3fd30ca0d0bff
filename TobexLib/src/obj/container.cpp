// The engine's containers. A failing operation leaves its container as it was;
// every operation accepts a null container and then does nothing.
#include "obj/container.h"

#include <stdlib.h>
#include <string.h>

#include "base/bytes.h"
#include "base/log.h"
#include "base/mem.h"
#include "base/text.h"
#include "vfs/vfs.h"

namespace {

// Largest element storage a vector may ask for; keeps count * elemSize in range
// of the allocator's signed sizes.
constexpr uint64_t kMaxVectorBytes = 0x7FFFFFF0u;

uint8_t* allocElements(uint32_t elemSize, int32_t n)
{
    uint64_t bytes = uint64_t(elemSize) * uint64_t(n);
    if (n <= 0 || bytes == 0 || bytes > kMaxVectorBytes)
        return nullptr;
    return static_cast<uint8_t*>(memAlloc(int32_t(bytes)));
}

// Shared loop of the binary search and of the insertion point search.
// Returns the index of an equal element, or -1 with *insertAt set.
int32_t binarySearch(const Vector* v, const void* key, VecCompare compare, int32_t* insertAt)
{
    int32_t low = 0, high = v->count;
    while (low < high) {
        int32_t mid = (low + high) / 2;
        int c = compare(v->data + size_t(mid) * v->elemSize, key);
        if (c == 0) {
            *insertAt = mid;
            return mid;
        }
        if (c < 0) {
            if (low == mid) {
                *insertAt = mid + 1;
                return -1;
            }
            low = mid;
        } else {
            high = mid;
        }
    }
    *insertAt = low;
    return -1;
}

}

// ---- Vector ----------------------------------------------------------------------

bool vecInit(Vector* v, uint32_t elemSize, int32_t capacity)
{
    if (!v)
        return false;
    uint8_t* data = nullptr;
    if (capacity >= 1) {
        data = allocElements(elemSize, capacity);
        if (!data)
            return false;
    }
    v->count = 0;
    v->capacity = capacity >= 1 ? capacity : 0;
    v->elemSize = elemSize;
    v->data = data;
    return true;
}

void vecFree(Vector* v)
{
    if (!v)
        return;
    memFree(v->data);
    v->data = nullptr;
    v->count = 0;
    v->capacity = 0;
}

bool vecCopy(Vector* dst, const Vector* src)
{
    if (!dst || !src)
        return false;
    Vector copy;
    if (!vecInit(&copy, src->elemSize, src->count))
        return false;
    if (src->count > 0)
        memcpy(copy.data, src->data, size_t(src->count) * src->elemSize);
    copy.count = src->count;
    vecFree(dst);
    *dst = copy;
    return true;
}

bool vecReserve(Vector* v, int32_t n)
{
    if (!v || v->elemSize == 0 || int32_t(v->elemSize) <= 0)
        return false;
    if (n <= v->capacity)
        return true;
    int32_t grown = v->capacity > 0x3FFFFFFF ? n : 2 * v->capacity;
    int32_t capacity = n > grown ? n : grown;
    uint8_t* data = allocElements(v->elemSize, capacity);
    if (!data)
        return false;
    if (v->count > 0)
        memcpy(data, v->data, size_t(v->count) * v->elemSize);
    memFree(v->data);
    v->data = data;
    v->capacity = capacity;
    return true;
}

bool vecResize(Vector* v, int32_t n)
{
    if (!v || n < 0)
        return false;
    if (n > v->count && !vecReserve(v, n))
        return false;
    v->count = n;
    return true;
}

bool vecCompact(Vector* v, int percent)
{
    if (!v)
        return false;
    if (percent < 1)
        percent = 5;
    int64_t target = int64_t(v->count) * (percent + 100) / 100;
    if (v->capacity <= target)
        return true;
    uint8_t* data = nullptr;
    if (target > 0) {
        data = allocElements(v->elemSize, int32_t(target));
        if (!data)
            return false;
        memcpy(data, v->data, size_t(v->count) * v->elemSize);
    }
    memFree(v->data);
    v->data = data;
    v->capacity = int32_t(target);
    return true;
}

int32_t vecPush(Vector* v, const void* element)
{
    if (!v)
        return -1;
    if (v->count >= v->capacity && !vecReserve(v, v->count + 1))
        return -1;
    if (element)
        memcpy(v->data + size_t(v->count) * v->elemSize, element, v->elemSize);
    return v->count++;
}

void vecPop(Vector* v)
{
    if (v && v->count > 0)
        v->count--;
}

int32_t vecFindInsert(const Vector* v, const void* key, VecCompare compare)
{
    if (!v || v->count <= 0)
        return 0;
    int32_t at = 0;
    binarySearch(v, key, compare, &at);
    return at;
}

int32_t vecInsertSorted(Vector* v, const void* element, VecCompare compare)
{
    if (!v || !element)
        return -1;
    if (v->count >= v->capacity && !vecReserve(v, v->count + 1))
        return -1;
    int32_t at = vecFindInsert(v, element, compare);
    uint8_t* p = v->data + size_t(at) * v->elemSize;
    memmove(p + v->elemSize, p, size_t(v->count - at) * v->elemSize);
    memcpy(p, element, v->elemSize);
    v->count++;
    return at;
}

void vecRemoveAt(Vector* v, int32_t i)
{
    if (!v || i < 0 || i >= v->count)
        return;
    uint8_t* p = v->data + size_t(i) * v->elemSize;
    memmove(p, p + v->elemSize, size_t(v->count - i - 1) * v->elemSize);
    v->count--;
}

void vecSort(Vector* v, VecCompare compare)
{
    if (!v || v->count < 1)
        return;
    qsort(v->data, size_t(v->count), v->elemSize, compare);
}

void vecSortStable(Vector* v, VecCompare compare)
{
    if (!v || v->count < 2)
        return;
    const size_t size = v->elemSize;
    uint8_t* temp = nullptr;
    bool ownTemp = false;
    for (int32_t i = 1; i < v->count; i++) {
        uint8_t* elem = v->data + size_t(i) * size;
        int32_t j = i - 1;
        while (j >= 0 && compare(v->data + size_t(j) * size, elem) > 0)
            j--;
        if (j == i - 1)
            continue;
        if (!temp) {
            // The unused slot at the end of the storage serves as the temporary.
            ownTemp = v->capacity <= v->count;
            temp =
                ownTemp ? static_cast<uint8_t*>(memAlloc(int32_t(size))) : v->data + size_t(v->count) * size;
            if (!temp)
                return;
        }
        memcpy(temp, elem, size);
        uint8_t* dest = v->data + size_t(j + 1) * size;
        memmove(dest + size, dest, size_t(i - j - 1) * size);
        memcpy(dest, temp, size);
    }
    if (ownTemp)
        memFree(temp);
}

void* vecFind(const Vector* v, const void* key, VecCompare compare)
{
    if (!v || v->count <= 0)
        return nullptr;
    int32_t at = 0;
    int32_t i = binarySearch(v, key, compare, &at);
    return i < 0 ? nullptr : v->data + size_t(i) * v->elemSize;
}

int32_t vecIndexOf(const Vector* v, const void* element)
{
    if (!v || !element)
        return -1;
    for (int32_t i = v->count - 1; i >= 0; i--)
        if (!memcmp(v->data + size_t(i) * v->elemSize, element, v->elemSize))
            return i;
    return -1;
}

int32_t vecIndexOfPtr(const Vector* v, const void* p)
{
    if (!v || !p || !v->data || v->elemSize == 0)
        return -1;
    const uint8_t* q = static_cast<const uint8_t*>(p);
    if (q < v->data)
        return -1;
    size_t offset = size_t(q - v->data);
    if (offset % v->elemSize)
        return -1;
    size_t i = offset / v->elemSize;
    return i < size_t(v->count) ? int32_t(i) : -1;
}

void* vecAt(const Vector* v, int32_t i)
{
    if (!v || i < 0 || i >= v->count)
        return nullptr;
    return v->data + size_t(i) * v->elemSize;
}

bool vecWrite(const Vector* v, VFile* file)
{
    if (!v || !file)
        return false;
    uint8_t head[8];
    leWrite32(head, uint32_t(v->count));
    leWrite32(head + 4, v->elemSize);
    if (vfsWrite(file, head, 8) != 8)
        return false;
    int32_t bytes = int32_t(size_t(v->count) * v->elemSize);
    return bytes == 0 || vfsWrite(file, v->data, bytes) == bytes;
}

bool vecRead(Vector* v, VFile* file)
{
    if (!v || !file)
        return false;
    uint8_t head[8];
    if (vfsRead(file, head, 8) != 8)
        return false;
    int32_t count = int32_t(leRead32(head));
    uint32_t elemSize = leRead32(head + 4);
    uint64_t bytes = uint64_t(elemSize) * uint64_t(uint32_t(count));
    uint32_t size = vfsSize(file), pos = vfsTell(file);
    if (count < 0 || bytes > kMaxVectorBytes || pos > size || bytes > size - pos) {
        logLine("vecRead: element count beyond the file");
        return false;
    }
    Vector read;
    if (!vecInit(&read, elemSize, bytes ? count : 0))
        return false;
    if (bytes && vfsRead(file, read.data, int32_t(bytes)) != int32_t(bytes)) {
        vecFree(&read);
        return false;
    }
    read.count = count;
    vecFree(v);
    *v = read;
    return true;
}

// ---- HandleTable -----------------------------------------------------------------------

bool htInit(HandleTable* t, int32_t capacity)
{
    if (!t)
        return false;
    t->freeHead = HT_NO_FREE;
    return vecInit(&t->slots, sizeof(HandleSlot), capacity);
}

void htFree(HandleTable* t)
{
    if (!t)
        return;
    vecFree(&t->slots);
    t->freeHead = HT_NO_FREE;
}

int32_t htAdd(HandleTable* t, void* value)
{
    if (!t)
        return -1;
    HandleSlot slot = {.link = HT_IN_USE, .value = value};
    if (t->freeHead == HT_NO_FREE)
        return vecPush(&t->slots, &slot);
    int32_t index = t->freeHead;
    HandleSlot* s = static_cast<HandleSlot*>(vecAt(&t->slots, index));
    t->freeHead = s->link;
    *s = slot;
    return index;
}

void htRemove(HandleTable* t, int32_t index)
{
    HandleSlot* s = t ? static_cast<HandleSlot*>(vecAt(&t->slots, index)) : nullptr;
    if (!s || s->link != HT_IN_USE)
        return;
    s->link = t->freeHead;
    t->freeHead = index;
}

void* htGet(const HandleTable* t, int32_t index)
{
    const HandleSlot* s = t ? static_cast<const HandleSlot*>(vecAt(&t->slots, index)) : nullptr;
    return s && s->link == HT_IN_USE ? s->value : nullptr;
}

bool htSet(HandleTable* t, int32_t index, void* value)
{
    HandleSlot* s = t ? static_cast<HandleSlot*>(vecAt(&t->slots, index)) : nullptr;
    if (!s || s->link != HT_IN_USE)
        return false;
    s->value = value;
    return true;
}

int32_t htCount(const HandleTable* t)
{
    return t ? t->slots.count : 0;
}

// ---- BlockPool -----------------------------------------------------------------------
// A block is one allocation: a link to the previous block, then perBlock elements
// of max(elemSize, pointer size) bytes chained in address order into the free list.

namespace {

uint32_t carvedSize(const BlockPool* pool)
{
    return pool->elemSize > sizeof(void*) ? pool->elemSize : uint32_t(sizeof(void*));
}

}

void poolInit(BlockPool* pool, uint32_t elemSize, uint32_t perBlock)
{
    if (!pool)
        return;
    pool->elemSize = elemSize;
    pool->perBlock = perBlock ? perBlock : 1;
    pool->blocks = nullptr;
    pool->freeList = nullptr;
}

void* poolAlloc(BlockPool* pool)
{
    if (!pool)
        return nullptr;
    if (!pool->freeList) {
        uint32_t each = carvedSize(pool);
        uint64_t bytes = uint64_t(each) * pool->perBlock + sizeof(void*);
        if (bytes > kMaxVectorBytes)
            return nullptr;
        uint8_t* block = static_cast<uint8_t*>(memAlloc(int32_t(bytes)));
        if (!block)
            return nullptr;
        memcpy(block, &pool->blocks, sizeof(void*));
        pool->blocks = block;
        uint8_t* first = block + sizeof(void*);
        for (uint32_t i = 0; i < pool->perBlock; i++) {
            void* next = i + 1 < pool->perBlock ? first + size_t(i + 1) * each : nullptr;
            memcpy(first + size_t(i) * each, &next, sizeof(void*));
        }
        pool->freeList = first;
    }
    void* p = pool->freeList;
    memcpy(&pool->freeList, p, sizeof(void*));
    return p;
}

void* poolAllocCopy(BlockPool* pool, const void* element)
{
    void* p = poolAlloc(pool);
    if (p && element)
        memcpy(p, element, pool->elemSize);
    return p;
}

void poolFree(BlockPool* pool, void* p)
{
    if (!pool || !p)
        return;
    memcpy(p, &pool->freeList, sizeof(void*));
    pool->freeList = p;
}

void poolDestroy(BlockPool* pool)
{
    if (!pool)
        return;
    void* block = pool->blocks;
    while (block) {
        void* previous;
        memcpy(&previous, block, sizeof(void*));
        memFree(block);
        block = previous;
    }
    pool->blocks = nullptr;
    pool->freeList = nullptr;
}

uint32_t poolBytes(const BlockPool* pool)
{
    if (!pool)
        return 0;
    uint32_t blocks = 0;
    for (void* b = pool->blocks; b; memcpy(&b, b, sizeof(void*)))
        blocks++;
    return blocks * (pool->elemSize * pool->perBlock + uint32_t(sizeof(void*)));
}

// ---- FileCache --------------------------------------------------------------------------

namespace {

int compareEntryNames(const void* a, const void* b)
{
    return textCompareNoCase(static_cast<const CacheEntry*>(a)->name,
                             static_cast<const CacheEntry*>(b)->name);
}

bool defaultLoad(CacheEntry* e)
{
    VFile* f = vfsOpen(e->name);
    if (!f)
        return false;
    bool pooled = e->pool && e->pool->elemSize == e->size;
    void* buf = pooled ? poolAlloc(e->pool) : memAlloc(int32_t(e->size));
    if (buf && vfsRead(f, buf, int32_t(e->size)) != int32_t(e->size)) {
        if (pooled)
            poolFree(e->pool, buf);
        else
            memFree(buf);
        buf = nullptr;
    }
    vfsClose(f);
    e->data = buf;
    return buf != nullptr;
}

void defaultRelease(CacheEntry* e)
{
    if (e->pool && e->pool->elemSize == e->size)
        poolFree(e->pool, e->data);
    else
        memFree(e->data);
    memset(e, 0, sizeof *e);
}

// Releases an entry through the cache's release function and frees its name.
void releaseEntry(FileCache* cache, CacheEntry* e)
{
    char16_t* name = e->name;
    cache->release(e);
    memFree(name);
}

char16_t* copyName(const char16_t* name)
{
    size_t n = textLen(name) + 1;
    char16_t* copy = static_cast<char16_t*>(memAlloc(int32_t(n * sizeof(char16_t))));
    if (copy)
        memcpy(copy, name, n * sizeof(char16_t));
    return copy;
}

}

bool cacheInit(FileCache* cache, int32_t capacity, BlockPool* pool, CacheLoadFn load, CacheReleaseFn release)
{
    if (!cache || !vecInit(&cache->entries, sizeof(CacheEntry), capacity))
        return false;
    cache->pool = pool;
    cache->load = load ? load : defaultLoad;
    cache->release = release ? release : defaultRelease;
    cache->generation = 0;
    cache->extra = 0;
    return true;
}

void* cacheGet(FileCache* cache, const char16_t* name)
{
    if (!cache || !name)
        return nullptr;
    CacheEntry key = {};
    key.name = const_cast<char16_t*>(name);
    if (auto* hit = static_cast<CacheEntry*>(vecFind(&cache->entries, &key, compareEntryNames)))
        return hit->data;
    VFile* f = vfsOpen(name);
    if (!f)
        return nullptr;
    uint32_t size = vfsSize(f);
    vfsClose(f);
    if (size == 0 || int32_t(size) < 0) {
        assertReport("TobexLib/src/TobexLib", 1100, "assert failed", 0);
        return nullptr;
    }
    CacheEntry e = {.name = copyName(name),
                    .size = size,
                    .data = nullptr,
                    .pool = cache->pool,
                    .cache = cache,
                    .spare = 0,
                    .generation = cache->generation};
    if (!e.name)
        return nullptr;
    if (!cache->load(&e)) {
        memFree(e.name);
        return nullptr;
    }
    if (vecPush(&cache->entries, &e) < 0) {
        releaseEntry(cache, &e);
        return nullptr;
    }
    vecSortStable(&cache->entries, compareEntryNames);
    return e.data;
}

uint32_t cacheNextGeneration(FileCache* cache)
{
    return cache ? ++cache->generation : 0;
}

bool cachePurge(FileCache* cache, int32_t generation)
{
    if (!cache)
        return false;
    if (generation <= 0)
        generation = int32_t(cache->generation);
    if (generation <= 0 || uint32_t(generation) > cache->generation)
        return false;
    for (int32_t i = cache->entries.count - 1; i >= 0; i--) {
        CacheEntry* e = static_cast<CacheEntry*>(vecAt(&cache->entries, i));
        if (e->generation < uint32_t(generation))
            continue;
        releaseEntry(cache, e);
        vecRemoveAt(&cache->entries, i);
    }
    cache->generation = uint32_t(generation) - 1;
    return true;
}

void cacheDestroy(FileCache* cache, bool releaseAll)
{
    if (!cache)
        return;
    for (int32_t i = 0; i < cache->entries.count; i++) {
        CacheEntry* e = static_cast<CacheEntry*>(vecAt(&cache->entries, i));
        if (releaseAll)
            releaseEntry(cache, e);
        else
            memFree(e->name);
    }
    vecFree(&cache->entries);
}
