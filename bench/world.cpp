// Loading and saving a World file of 100,000 members in the text and binary
// forms, beside merely reading (and writing) the file's bytes through the VFS.
//
// The World holds 20 groups of 20 screen-like Worlds of 250 members each (a
// text line holds at most 2047 characters, so one flat list of 100,000 ids
// cannot be written):
// Str, Actor and KeyControl objects that refer to each other by local id, and a
// few references across Worlds by name.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/clock.h"
#include "app/files.h"
#include "app/text.h"
#include "engine/classes.h"
#include "obj/worldfile.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

constexpr int kGroups = 20;
constexpr int kWorlds = 400;
constexpr int kPerWorld = 250;
constexpr int kMembers = kWorlds * kPerWorld;

std::string g_dir;
std::u16string g_text, g_binary;
uint32_t g_textBytes, g_binaryBytes;

std::u16string wide(const std::string& s)
{
    char16_t buf[TEXT_MAX_PATH];
    textFromUtf8(buf, TEXT_MAX_PATH, s.c_str());
    return buf;
}

template <class T>
T* make(ClassDesc* cls, const char* fmt, int n)
{
    T* obj = static_cast<T*>(objCreate(cls));
    snprintf(obj->name, OBJ_NAME_MAX, fmt, n);
    return obj;
}

void addTo(World* w, void* obj)
{
    World_AddObj(w, obj);
}

World* buildScreen(int index, World* previous)
{
    World* w = make<World>(&g_worldClass, "W%d", index);
    Actor* last = nullptr;
    Actor* before = nullptr;
    for (int i = 0; i < kPerWorld; i++) {
        switch (i % 5) {
        case 0: {
            Str* s = make<Str>(&g_strClass, "s%d", i);
            PropFromStr(("label number " + std::to_string(i)).c_str(), PT_TSTRING, &s->text);
            addTo(w, s);
            break;
        }
        case 4: {
            KeyControl* kc = make<KeyControl>(&g_keyControlClass, "k%d", i);
            vecPush(&kc->objs, &last->id);
            vecPush(&kc->objs, &before->id);
            strcpy(kc->prop, "x");
            Key keys[] = {{0, 0}, {500, 100}, {1000, -50}};
            for (const Key& k : keys)
                vecPush(&kc->keys, &k);
            addTo(w, kc);
            break;
        }
        default: {
            Actor* a = make<Actor>(&g_actorClass, "a%d", i);
            a->x = i;
            a->y = propRelative(500, 500);
            a->alpha = 128 + i % 128;
            a->parent = last ? last->id : OBJ_NONE;
            if (i == 1 && previous && index % 40 == 0)
                a->parent = objFind(&g_actorClass, "a1", previous);
            before = last;
            last = a;
            addTo(w, a);
        }
        }
    }
    return w;
}

uint32_t fileSize(const std::u16string& name)
{
    VFile* f = vfsOpen(name.c_str());
    uint32_t n = vfsSize(f);
    vfsClose(f);
    return n;
}

void setUp()
{
    if (!g_dir.empty())
        return;
    char tmpl[] = "/tmp/bench-world-XXXXXX";
    g_dir = std::string(mkdtemp(tmpl)) + "/";
    folderSetPath(FOLDER_PROGRAM, wide(g_dir).c_str());
    clockStart();
    objInit();
    engineRegisterClasses();
    World* top = make<World>(&g_worldClass, "Top", 0);
    World* previous = nullptr;
    for (int g = 0; g < kGroups; g++) {
        World* group = make<World>(&g_worldClass, "G%d", g);
        addTo(top, group);
        for (int i = 0; i < kWorlds / kGroups; i++) {
            previous = buildScreen(g * (kWorlds / kGroups) + i, previous);
            addTo(group, previous);
        }
    }

    g_text = wide(g_dir + "big.w");
    g_binary = wide(g_dir + "big.wb");
    objSaveFile(g_text.c_str(), top, false);
    objSaveFile(g_binary.c_str(), top, true);
    g_textBytes = fileSize(g_text);
    g_binaryBytes = fileSize(g_binary);
    if (g_textBytes < 1000000 || g_binaryBytes < 1000000)
        fprintf(stderr, "bench_world: the World files were not written\n");
}

// Loaded trees are dropped between iterations by restarting the object model.
void reset(benchmark::State& state)
{
    state.PauseTiming();
    objShutdown();
    objInit();
    engineRegisterClasses();
    state.ResumeTiming();
}

void report(benchmark::State& state, uint32_t bytes)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kMembers);
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    state.counters["file_MB"] = bytes / 1e6;
}

void loadFile(benchmark::State& state, bool binary)
{
    setUp();
    const std::u16string& name = binary ? g_binary : g_text;
    uint32_t bytes = binary ? g_binaryBytes : g_textBytes;
    for (auto _ : state) {
        reset(state);
        void* top = objLoadFile(name.c_str());
        if (!top || static_cast<World*>(top)->objs.count != kGroups)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(top);
    }
    report(state, bytes);
}

void saveFile(benchmark::State& state, bool binary)
{
    setUp();
    objShutdown();
    objInit();
    engineRegisterClasses();
    World* top = static_cast<World*>(objLoadFile(g_binary.c_str()));
    std::u16string out = wide(g_dir + (binary ? "out.wb" : "out.w"));
    for (auto _ : state)
        if (!objSaveFile(out.c_str(), top, binary))
            state.SkipWithError("save failed");
    report(state, binary ? g_binaryBytes : g_textBytes);
}

// The peer: the bytes of the same file read through the VFS and nothing else.
void readBytes(benchmark::State& state, bool binary)
{
    setUp();
    const std::u16string& name = binary ? g_binary : g_text;
    uint32_t bytes = binary ? g_binaryBytes : g_textBytes;
    void* buf = memAlloc(int32_t(bytes));
    for (auto _ : state) {
        VFile* f = vfsOpen(name.c_str());
        benchmark::DoNotOptimize(vfsReadAll(f, buf));
        vfsClose(f);
    }
    memFree(buf);
    report(state, bytes);
}

// The saves' peer: the same number of bytes written through the VFS into a new file.
void writeBytes(benchmark::State& state, bool binary)
{
    setUp();
    uint32_t bytes = binary ? g_binaryBytes : g_textBytes;
    std::u16string out = wide(g_dir + (binary ? "raw.wb" : "raw.w"));
    void* buf = memAlloc(int32_t(bytes));
    memset(buf, 'x', bytes);
    for (auto _ : state) {
        VFile* f = vfsCreate(out.c_str());
        benchmark::DoNotOptimize(vfsWrite(f, buf, int32_t(bytes)));
        vfsClose(f);
    }
    memFree(buf);
    report(state, bytes);
}

void BM_WorldLoadText(benchmark::State& s)
{
    loadFile(s, false);
}
void BM_WorldLoadBinary(benchmark::State& s)
{
    loadFile(s, true);
}
void BM_WorldSaveText(benchmark::State& s)
{
    saveFile(s, false);
}
void BM_WorldSaveBinary(benchmark::State& s)
{
    saveFile(s, true);
}
void BM_VfsReadText(benchmark::State& s)
{
    readBytes(s, false);
}
void BM_VfsReadBinary(benchmark::State& s)
{
    readBytes(s, true);
}
void BM_VfsWriteText(benchmark::State& s)
{
    writeBytes(s, false);
}
void BM_VfsWriteBinary(benchmark::State& s)
{
    writeBytes(s, true);
}

}

BENCHMARK(BM_VfsReadText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldLoadText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VfsWriteText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldSaveText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VfsReadBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldLoadBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VfsWriteBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldSaveBinary)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
