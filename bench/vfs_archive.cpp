// Archive reading through the VFS beside its peers: zlib's raw inflate plus
// CRC-32 from memory, PhysicsFS (deflated and stored members, mounting, tiny
// members) and loose files (line reading). The run ends with our rates as
// ratios to the peers'. libdeflate's whole-buffer decode plus CRC-32 from
// memory is shown as the limit of our deflated reads.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <physfs.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <zip.h>
#include <zlib.h>

#include "app/files.h"
#include "app/text.h"
#include "ratios.h"
#include "vfs/archive.h"
#include "vfs/vfs.h"

namespace {

constexpr int kBigMembers = 200;  // half deflated, half stored
constexpr int kBigSize = 100 * 1024;
constexpr int kTinyMembers = 20000;
constexpr int kLinesSize = 1 << 20;

struct Fixture {
    std::string dir;
    std::vector<std::string> deflatedNames, storedNames, tinyNames;
    std::vector<std::string> packed;  // the deflated members' compressed bytes
    std::vector<uint32_t> crcs;
    uint64_t deflatedBytes = 0, storedBytes = 0;
};

// Text-like bytes that deflate to about a third, as game data (World files, TGAs) does.
std::string memberBytes(int seed)
{
    std::string s;
    uint32_t x = uint32_t(seed) * 2654435761u + 1;
    while (s.size() < size_t(kBigSize)) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        s += "Actor" + std::to_string(x % 977) + " x=" + std::to_string(x % 240) +
             " y=" + std::to_string((x >> 8) % 320) + (x & 1 ? " visible\n" : " hidden\r\n");
        s.push_back(char(x >> 24));
    }
    s.resize(size_t(kBigSize));
    return s;
}

std::string rawDeflate(const std::string& in)
{
    z_stream zs = {};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, uLong(in.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = uInt(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

void addMember(zipFile zf, const std::string& name, const std::string& data, bool deflate)
{
    zip_fileinfo zi = {};
    zi.tmz_date.tm_year = 2000;
    zi.tmz_date.tm_mday = 1;
    zipOpenNewFileInZip(zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, deflate ? Z_DEFLATED : 0,
                        deflate ? Z_DEFAULT_COMPRESSION : 0);
    zipWriteInFileInZip(zf, data.data(), unsigned(data.size()));
    zipCloseFileInZip(zf);
}

Fixture* g_fixture;

// The archives are several megabytes; they go when the program ends.
void removeFixture()
{
    vfsShutdown();
    PHYSFS_deinit();
    std::string cmd = "rm -rf '" + g_fixture->dir + "'";
    if (system(cmd.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", g_fixture->dir.c_str());
}

Fixture* makeFixture()
{
    Fixture* fx = g_fixture = new Fixture;
    char tmpl[] = "/tmp/tobexbench.XXXXXX";
    fx->dir = std::string(mkdtemp(tmpl)) + "/";
    atexit(removeFixture);
    zipFile zf = zipOpen64((fx->dir + "big.pak").c_str(), APPEND_STATUS_CREATE);
    for (int i = 0; i < kBigMembers; ++i) {
        bool deflate = i % 2 == 0;
        std::string name = (deflate ? "d/" : "s/") + std::to_string(i) + ".dat";
        std::string data = memberBytes(i);
        addMember(zf, name, data, deflate);
        (deflate ? fx->deflatedNames : fx->storedNames).push_back(name);
        (deflate ? fx->deflatedBytes : fx->storedBytes) += data.size();
        if (deflate) {
            fx->packed.push_back(rawDeflate(data));
            fx->crcs.push_back(
                uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()))));
        }
    }
    zipClose(zf, nullptr);

    zf = zipOpen64((fx->dir + "tiny.pak").c_str(), APPEND_STATUS_CREATE);
    for (int i = 0; i < kTinyMembers; ++i) {
        std::string name = "tiny/" + std::to_string(i * 7919 % kTinyMembers) + ".w";
        addMember(zf, name, "tiny member " + name + "\n", i % 2 == 0);
        fx->tinyNames.push_back(name);
    }
    zipClose(zf, nullptr);

    std::string lines;
    for (int i = 0; lines.size() < size_t(kLinesSize); ++i)
        lines += "line " + std::to_string(i) + " of a text file read line by line\r\n";
    FILE* f = fopen((fx->dir + "lines.txt").c_str(), "wb");
    fwrite(lines.data(), 1, lines.size(), f);
    fclose(f);
    zf = zipOpen64((fx->dir + "lines.pak").c_str(), APPEND_STATUS_CREATE);
    addMember(zf, "packed-lines.txt", lines, true);
    zipClose(zf, nullptr);

    char16_t wide[TEXT_MAX_PATH];
    textFromUtf8(wide, TEXT_MAX_PATH, fx->dir.c_str());
    folderSetPath(FOLDER_PROGRAM, wide);
    vfsInit();
    PHYSFS_init(nullptr);
    return fx;
}

Fixture& fixture()
{
    static Fixture* fx = makeFixture();
    return *fx;
}

std::u16string wide(const std::string& s)
{
    char16_t buf[TEXT_MAX_PATH];
    textFromUtf8(buf, TEXT_MAX_PATH, s.c_str());
    return buf;
}

// Reads members through the VFS, every CRC checked by vfsClose.
void readThroughVfs(benchmark::State& state, const std::vector<std::string>& names, uint64_t bytes)
{
    Fixture& fx = fixture();
    vfsMount(u"big.pak");
    std::vector<std::u16string> wnames;
    for (const std::string& n : names)
        wnames.push_back(wide(n));
    std::vector<char> buf(kBigSize);
    for (auto _ : state) {
        for (const std::u16string& n : wnames) {
            VFile* f = vfsOpen(n.c_str());
            if (!f || vfsRead(f, buf.data(), kBigSize) != kBigSize || !vfsClose(f))
                state.SkipWithError("vfs read failed");
        }
        benchmark::DoNotOptimize(buf.data());
    }
    vfsUnmount(wide(fx.dir + "big.pak").c_str());
    state.SetBytesProcessed(int64_t(state.iterations() * bytes));
}

void readThroughPhysfs(benchmark::State& state, const std::vector<std::string>& names, uint64_t bytes)
{
    Fixture& fx = fixture();
    PHYSFS_mount((fx.dir + "big.pak").c_str(), nullptr, 1);
    std::vector<char> buf(kBigSize);
    for (auto _ : state) {
        for (const std::string& n : names) {
            PHYSFS_File* f = PHYSFS_openRead(n.c_str());
            if (!f || PHYSFS_readBytes(f, buf.data(), kBigSize) != kBigSize)
                state.SkipWithError("physfs read failed");
            PHYSFS_close(f);
        }
        benchmark::DoNotOptimize(buf.data());
    }
    PHYSFS_unmount((fx.dir + "big.pak").c_str());
    state.SetBytesProcessed(int64_t(state.iterations() * bytes));
}

void BM_Deflated_ZlibInflateCrcFromMemory(benchmark::State& state)
{
    Fixture& fx = fixture();
    std::vector<unsigned char> out(kBigSize);
    z_stream zs = {};
    inflateInit2(&zs, -MAX_WBITS);
    for (auto _ : state) {
        for (size_t i = 0; i < fx.packed.size(); ++i) {
            inflateReset(&zs);
            zs.next_in = reinterpret_cast<Bytef*>(fx.packed[i].data());
            zs.avail_in = uInt(fx.packed[i].size());
            zs.next_out = out.data();
            zs.avail_out = kBigSize;
            inflate(&zs, Z_FINISH);
            if (uint32_t(crc32(0, out.data(), kBigSize)) != fx.crcs[i])
                state.SkipWithError("crc mismatch");
        }
    }
    inflateEnd(&zs);
    state.SetBytesProcessed(int64_t(state.iterations() * fx.deflatedBytes));
}

void BM_Deflated_LibdeflateCrcFromMemory(benchmark::State& state)
{
    Fixture& fx = fixture();
    std::vector<unsigned char> out(kBigSize);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        for (size_t i = 0; i < fx.packed.size(); ++i) {
            if (libdeflate_deflate_decompress(d, fx.packed[i].data(), fx.packed[i].size(), out.data(),
                                              kBigSize, nullptr) != LIBDEFLATE_SUCCESS ||
                libdeflate_crc32(0, out.data(), kBigSize) != fx.crcs[i])
                state.SkipWithError("libdeflate mismatch");
        }
    }
    libdeflate_free_decompressor(d);
    state.SetBytesProcessed(int64_t(state.iterations() * fx.deflatedBytes));
}

void BM_Deflated_Vfs(benchmark::State& state)
{
    readThroughVfs(state, fixture().deflatedNames, fixture().deflatedBytes);
}

void BM_Deflated_Physfs(benchmark::State& state)
{
    readThroughPhysfs(state, fixture().deflatedNames, fixture().deflatedBytes);
}

void BM_Stored_Vfs(benchmark::State& state)
{
    readThroughVfs(state, fixture().storedNames, fixture().storedBytes);
}

void BM_Stored_Physfs(benchmark::State& state)
{
    readThroughPhysfs(state, fixture().storedNames, fixture().storedBytes);
}

void BM_Mount20000_Vfs(benchmark::State& state)
{
    Fixture& fx = fixture();
    std::u16string path = wide(fx.dir + "tiny.pak");
    for (auto _ : state) {
        if (vfsMount(path.c_str()) != 1)
            state.SkipWithError("mount failed");
        state.PauseTiming();
        vfsUnmount(path.c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations() * kTinyMembers));
}

void BM_Mount20000_Physfs(benchmark::State& state)
{
    Fixture& fx = fixture();
    std::string path = fx.dir + "tiny.pak";
    for (auto _ : state) {
        if (!PHYSFS_mount(path.c_str(), nullptr, 1))
            state.SkipWithError("mount failed");
        state.PauseTiming();
        PHYSFS_unmount(path.c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations() * kTinyMembers));
}

void BM_LookUp_Vfs(benchmark::State& state)
{
    Fixture& fx = fixture();
    vfsMount(u"tiny.pak");
    std::vector<std::u16string> names;
    for (int i = 0; i < 1000; ++i)
        names.push_back(wide(fx.tinyNames[size_t(i) * 19 % fx.tinyNames.size()]));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vfsFindMember(names[i].c_str()));
        i = i + 1 == names.size() ? 0 : i + 1;
    }
    vfsUnmount(u"tiny.pak");
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_OpenReadTiny_Vfs(benchmark::State& state)
{
    Fixture& fx = fixture();
    vfsMount(u"tiny.pak");
    std::vector<std::u16string> names;
    for (int i = 0; i < 1000; ++i)
        names.push_back(wide(fx.tinyNames[size_t(i) * 19 % fx.tinyNames.size()]));
    char buf[64];
    size_t i = 0;
    for (auto _ : state) {
        VFile* f = vfsOpen(names[i].c_str());
        if (!f || vfsRead(f, buf, sizeof buf) <= 0 || !vfsClose(f))
            state.SkipWithError("tiny read failed");
        i = i + 1 == names.size() ? 0 : i + 1;
    }
    vfsUnmount(u"tiny.pak");
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_OpenReadTiny_Physfs(benchmark::State& state)
{
    Fixture& fx = fixture();
    PHYSFS_mount((fx.dir + "tiny.pak").c_str(), nullptr, 1);
    char buf[64];
    size_t i = 0;
    for (auto _ : state) {
        PHYSFS_File* f = PHYSFS_openRead(fx.tinyNames[i * 19 % fx.tinyNames.size()].c_str());
        if (!f || PHYSFS_readBytes(f, buf, sizeof buf) <= 0)
            state.SkipWithError("tiny read failed");
        PHYSFS_close(f);
        i = i + 1 == 1000 ? 0 : i + 1;
    }
    PHYSFS_unmount((fx.dir + "tiny.pak").c_str());
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void readLines(benchmark::State& state, const char16_t* name)
{
    char line[256];
    for (auto _ : state) {
        VFile* f = vfsOpen(name);
        int lines = 0;
        while (f && !vfsEof(f) && vfsReadLine(f, line, sizeof line))
            ++lines;
        if (!f || !vfsEof(f) || !vfsClose(f))
            state.SkipWithError("line reading failed");
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kLinesSize);
}

void BM_ReadLine_Loose(benchmark::State& state)
{
    fixture();
    readLines(state, u"lines.txt");
}

void BM_ReadLine_Member(benchmark::State& state)
{
    fixture();
    vfsMount(u"lines.pak");
    readLines(state, u"packed-lines.txt");
    vfsUnmount(u"lines.pak");
}

}

BENCHMARK(BM_Deflated_ZlibInflateCrcFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Deflated_LibdeflateCrcFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Deflated_Vfs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Deflated_Physfs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stored_Vfs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stored_Physfs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mount20000_Vfs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mount20000_Physfs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LookUp_Vfs);
BENCHMARK(BM_OpenReadTiny_Vfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenReadTiny_Physfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadLine_Loose)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLine_Member)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    constexpr const char* kBytes = "bytes_per_second";
    return benchratio::run(
        argc, argv,
        {
            {"BM_Deflated_Vfs", "BM_Deflated_ZlibInflateCrcFromMemory", kBytes, 1.8},
            {"BM_Deflated_Vfs", "BM_Deflated_Physfs", kBytes, 1.8},
            {"BM_Deflated_Vfs", "BM_Deflated_LibdeflateCrcFromMemory", kBytes, 0},
            {"BM_Stored_Vfs", "BM_Stored_Physfs", kBytes, 0.8},
            {"BM_Mount20000_Vfs", "BM_Mount20000_Physfs/iterations:3", "items_per_second", 0},
            {"BM_OpenReadTiny_Vfs", "BM_OpenReadTiny_Physfs", "items_per_second", 0},
            {"BM_ReadLine_Member", "BM_ReadLine_Loose", kBytes, 0},
        });
}
