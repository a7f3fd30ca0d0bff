// Fuzzes archive mounting and member reading: the input is mounted as an
// archive file, once as it is and once scrambled with the engine's key, and
// every member in the index is read, seeked back and forth, and closed. Each
// member is read twice, once in one piece (decoded straight into the caller's
// buffer) and once in small pieces (decoded into the reader's own buffer, or
// streamed when it declares more than the reader decodes whole).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/files.h"
#include "app/text.h"
#include "vfs/archive.h"
#include "vfs/scramble.h"

namespace {

constexpr int32_t kReadCap = 1 << 20;  // declared sizes may be huge; a prefix shows the reader works

char g_path[512];

bool setUp()
{
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    char dir[256];
    snprintf(dir, sizeof dir, "%s/tobexfuzz.XXXXXX", base);
    if (!mkdtemp(dir))
        abort();
    snprintf(g_path, sizeof g_path, "%s/fuzz.pak", dir);
    char16_t wide[TEXT_MAX_PATH];
    textFromUtf8(wide, TEXT_MAX_PATH, dir);
    folderSetPath(FOLDER_PROGRAM, wide);
    return vfsInit();
}

void readMember(const char16_t* name, bool whole)
{
    VFile* f = vfsOpen(name);
    if (!f)
        return;
    static char buf[4096];
    if (whole) {
        uint32_t size = vfsSize(f);
        std::vector<char> all(size <= uint32_t(kReadCap) && size > 0 ? size : 1);
        vfsRead(f, all.data(), int32_t(all.size()));
        vfsClose(f);
        return;
    }
    int32_t total = 0, n;
    while (total < kReadCap && (n = vfsRead(f, buf, sizeof buf)) > 0)
        total += n;
    if (vfsSeek(f, 0, 0) && vfsRead(f, buf, 100) >= 0)
        vfsSeek(f, 1000, 1);
    vfsEof(f);
    vfsClose(f);
}

void mountAndRead(const uint8_t* data, size_t size)
{
    FILE* out = fopen(g_path, "wb");
    if (!out)
        abort();
    fwrite(data, 1, size, out);
    fclose(out);
    if (vfsMount(u"fuzz.pak") != 1)
        return;
    std::vector<std::u16string> names;
    for (int i = 0; i < vfsMemberCount(); ++i)
        names.emplace_back(vfsMemberAt(i)->name);
    for (const std::u16string& name : names) {
        readMember(name.c_str(), true);
        readMember(name.c_str(), false);
    }
    if (!vfsUnmount(u"fuzz.pak"))
        abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = setUp();
    if (!ready)
        abort();
    mountAndRead(data, size);
    std::vector<uint8_t> scrambled(data, data + size);
    vfsScrambleBytes(scrambled.data(), uint32_t(size), 0);
    mountAndRead(scrambled.data(), size);
    if (vfsOpenCount() != 0)
        abort();
    return 0;
}
