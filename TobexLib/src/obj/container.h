#pragma once
// The engine's containers: a growable array of fixed-size elements (Vector), a
// slot table with stable integer handles (HandleTable), a fixed-size element
// allocator (BlockPool) and whole files held in memory by name (FileCache).
// All storage comes from memAlloc.

#include <stdint.h>

struct VFile;

// ---- Vector ------------------------------------------------------------------------
// Embedded inline in objects (OBJLIST, INTVECT, KEYVECT values), so it is a plain
// record that may be byte-copied while empty.
struct Vector {
    int32_t count;      // elements in use
    int32_t capacity;   // elements the storage can hold
    uint32_t elemSize;  // bytes per element
    uint8_t* data;      // capacity * elemSize bytes, null when capacity is 0
};

// Comparison of an element with a key (or another element): < 0, 0, > 0.
typedef int (*VecCompare)(const void* elem, const void* key);

bool vecInit(Vector* v, uint32_t elemSize, int32_t capacity);  // false on allocation failure
void vecFree(Vector* v);
bool vecCopy(Vector* dst, const Vector* src);     // dst gets capacity = src's count
bool vecReserve(Vector* v, int32_t n);            // capacity max(n, 2 * capacity) when growing
bool vecResize(Vector* v, int32_t n);             // new elements are not cleared
bool vecCompact(Vector* v, int percent);          // shrink to count * (100 + percent) / 100
int32_t vecPush(Vector* v, const void* element);  // index, or -1; null element leaves the slot as is
void vecPop(Vector* v);
int32_t vecInsertSorted(Vector* v, const void* element, VecCompare compare);  // index, or -1
void vecRemoveAt(Vector* v, int32_t i);                                       // out-of-range i does nothing
void vecSort(Vector* v, VecCompare compare);                                  // quicksort, not stable
void vecSortStable(Vector* v, VecCompare compare);                            // insertion sort
void* vecFind(const Vector* v, const void* key, VecCompare compare);  // binary search; null when absent
int32_t vecFindInsert(const Vector* v, const void* key, VecCompare compare);  // insertion point
int32_t vecIndexOf(const Vector* v, const void* element);                     // last equal element, or -1
int32_t vecIndexOfPtr(const Vector* v, const void* p);  // -1 unless p starts an element in use
void* vecAt(const Vector* v, int32_t i);                // null when i is out of range
bool vecWrite(const Vector* v, VFile* file);            // count, elemSize, elements (little-endian)
bool vecRead(Vector* v, VFile* file);                   // false on a short read; v unchanged then

// ---- HandleTable -------------------------------------------------------------------
constexpr int32_t HT_NO_FREE = -2;  // freeHead / link: no further free slot
constexpr int32_t HT_IN_USE = -1;   // link of a slot in use

struct HandleSlot {
    int32_t link;  // HT_IN_USE, or the next free slot
    void* value;
};

struct HandleTable {
    int32_t freeHead;  // first free slot (last freed), or HT_NO_FREE
    Vector slots;      // HandleSlot elements
};

bool htInit(HandleTable* t, int32_t capacity);
void htFree(HandleTable* t);
int32_t htAdd(HandleTable* t, void* value);              // the slot's index, or -1 when growth fails
void htRemove(HandleTable* t, int32_t index);            // only slots in use; the slot is reused first
void* htGet(const HandleTable* t, int32_t index);        // null for free or out-of-range slots
bool htSet(HandleTable* t, int32_t index, void* value);  // replaces the value of a slot in use
int32_t htCount(const HandleTable* t);                   // slots, free or not

// ---- BlockPool ---------------------------------------------------------------------
struct BlockPool {
    uint32_t elemSize;  // bytes per element (at least 4 are carved)
    uint32_t perBlock;  // elements per block
    void* blocks;       // most recent block; each begins with a link to the previous one
    void* freeList;     // first free element; each free element links to the next
};

void poolInit(BlockPool* pool, uint32_t elemSize, uint32_t perBlock);
void* poolAlloc(BlockPool* pool);  // null when a new block cannot be had
void* poolAllocCopy(BlockPool* pool, const void* element);
void poolFree(BlockPool* pool, void* p);  // p must come from this pool
void poolDestroy(BlockPool* pool);        // frees every block
uint32_t poolBytes(const BlockPool* pool);

// ---- FileCache ---------------------------------------------------------------------
struct FileCache;

struct CacheEntry {
    char16_t* name;       // owned copy of the file name
    uint32_t size;        // bytes of the file
    void* data;           // loaded contents or object, null until loaded
    BlockPool* pool;      // the cache's pool or null
    FileCache* cache;     // back pointer
    uint32_t spare;       // free for the load function
    uint32_t generation;  // the cache's generation when loaded
};

typedef bool (*CacheLoadFn)(CacheEntry* e);     // fills data; false on failure
typedef void (*CacheReleaseFn)(CacheEntry* e);  // frees data and clears the entry

struct FileCache {
    Vector entries;   // CacheEntry, sorted by name, ASCII letters folded
    BlockPool* pool;  // optional pool for buffers of exactly its elemSize
    CacheLoadFn load;
    CacheReleaseFn release;
    uint32_t generation;  // starts at 0
    uint32_t extra;       // free for the owner (the image cache keeps a pixel format)
};

bool cacheInit(FileCache* cache, int32_t capacity, BlockPool* pool, CacheLoadFn load,
               CacheReleaseFn release);                  // null functions select the defaults
void* cacheGet(FileCache* cache, const char16_t* name);  // loads on a miss; null on failure
uint32_t cacheNextGeneration(FileCache* cache);
// Releases every entry of the given generation or newer; generation <= 0 means the current one.
bool cachePurge(FileCache* cache, int32_t generation);
void cacheDestroy(FileCache* cache, bool releaseAll);
