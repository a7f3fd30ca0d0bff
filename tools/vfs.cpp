// tobex vfs: mounts archives through the engine's file system, then lists the
// member index, writes members to standard output, or scrambles a file in place.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <vector>

#include "app/text.h"
#include "commands.h"
#include "vfs/archive.h"

namespace {

constexpr int32_t kChunk = 65536;

void usage(FILE* out)
{
    fprintf(out,
            "usage: tobex vfs [-m ARCHIVE]... ls\n"
            "       tobex vfs [-m ARCHIVE]... cat NAME...\n"
            "       tobex vfs scramble FILE\n\n"
            "Mounts each ARCHIVE (a path or a pattern such as '*.pak', in the order given), then:\n"
            "  ls        prints the member index: name, size, method, archive, date-time (tab-separated)\n"
            "  cat       writes the named files to standard output, found as the engine finds them\n"
            "            (a loose file in the current folder first, then the mounted archives);\n"
            "            the exit status is 0 only when every one was found, read and passed its CRC check\n"
            "  scramble  scrambles FILE in place with the engine's key (doing it twice restores it)\n");
}

bool widen(const char* utf8, char16_t* out)
{
    return textFromUtf8(out, TEXT_MAX_PATH, utf8);
}

const char* methodName(uint16_t method)
{
    return method == 0 ? "stored" : method == 8 ? "deflated" : "other";
}

int listMembers()
{
    for (int i = 0; i < vfsMemberCount(); ++i) {
        const MemberEntry* e = vfsMemberAt(i);
        char name[TEXT_MAX_PATH * 3], archive[TEXT_MAX_PATH * 3];
        textToUtf8(name, sizeof name, e->name);
        const VFile* a = vfsArchiveAt(static_cast<int>(e->archiveIndex));
        textToUtf8(archive, sizeof archive, a ? a->path : u"?");
        uint32_t d = e->dosDateTime;
        printf("%s\t%u\t%s\t%s\t%04u-%02u-%02u %02u:%02u:%02u\n", name, e->size, methodName(e->method),
               archive, 1980 + (d >> 25), (d >> 21) & 15, (d >> 16) & 31, (d >> 11) & 31, (d >> 5) & 63,
               (d & 31) * 2);
    }
    return 0;
}

// Writes one file to standard output; false with a message when it was not
// found, could not be read in full, failed its CRC check, or could not be written.
bool catOne(const char* arg, std::vector<char>* buf)
{
    char16_t name[TEXT_MAX_PATH];
    VFile* f = widen(arg, name) ? vfsOpen(name) : nullptr;
    if (!f) {
        fprintf(stderr, "tobex vfs: %s: not found\n", arg);
        return false;
    }
    uint32_t size = vfsSize(f), done = 0;
    bool readOk = true, writeOk = true;
    while (readOk && writeOk && done < size) {
        int32_t n = vfsRead(f, buf->data(), kChunk);
        readOk = n > 0;
        writeOk = !readOk || fwrite(buf->data(), 1, static_cast<size_t>(n), stdout) == static_cast<size_t>(n);
        done += n > 0 ? static_cast<uint32_t>(n) : 0;
    }
    if (!writeOk)
        fprintf(stderr, "tobex vfs: %s: write failed: %s\n", arg, strerror(errno));
    else if (!readOk)
        fprintf(stderr, "tobex vfs: %s: read failed after %u of %u bytes\n", arg, done, size);
    bool ok = readOk && writeOk;
    if (!vfsClose(f) && ok) {
        fprintf(stderr, "tobex vfs: %s: CRC check failed\n", arg);
        ok = false;
    }
    return ok;
}

int catMembers(int argc, char** argv)
{
    if (argc < 1) {
        usage(stderr);
        return 2;
    }
    std::vector<char> buf(kChunk);
    bool ok = true;
    for (int i = 0; i < argc; ++i)
        ok = catOne(argv[i], &buf) && ok;
    return ok ? 0 : 1;
}

int scramble(int argc, char** argv)
{
    char16_t name[TEXT_MAX_PATH];
    if (argc != 1) {
        usage(stderr);
        return 2;
    }
    if (!widen(argv[0], name) || !vfsScrambleFile(name)) {
        fprintf(stderr, "tobex vfs: cannot scramble %s\n", argv[0]);
        return 1;
    }
    return 0;
}

}

int toolVfs(int argc, char** argv)
{
    std::vector<const char*> mounts;
    int i = 1;
    for (; i < argc; ++i) {
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
            usage(stdout);
            return 0;
        }
        if (strcmp(argv[i], "-m") != 0)
            break;
        if (i + 1 >= argc) {
            usage(stderr);
            return 2;
        }
        mounts.push_back(argv[++i]);
    }
    if (i >= argc) {
        usage(stderr);
        return 2;
    }
    const char* command = argv[i];
    if (strcmp(command, "ls") != 0 && strcmp(command, "cat") != 0 && strcmp(command, "scramble") != 0) {
        fprintf(stderr, "tobex vfs: unknown command '%s'\n", command);
        usage(stderr);
        return 2;
    }
    toolStartEngine();
    if (!vfsInit()) {
        fprintf(stderr, "tobex vfs: cannot start the file system\n");
        return 1;
    }
    int rc = 0;
    for (const char* m : mounts) {
        char16_t path[TEXT_MAX_PATH];
        if (!widen(m, path) || vfsMount(path) == 0) {
            fprintf(stderr, "tobex vfs: %s: no archive mounted\n", m);
            rc = 1;
        }
    }
    if (int skipped = vfsSkippedArchives())
        fprintf(stderr, "tobex vfs: %d archive(s) skipped: at most %d can be mounted at once\n", skipped,
                VFS_MAX_ARCHIVES);
    if (rc == 0) {
        if (!strcmp(command, "ls"))
            rc = argc - i == 1 ? listMembers() : (usage(stderr), 2);
        else if (!strcmp(command, "cat"))
            rc = catMembers(argc - i - 1, argv + i + 1);
        else
            rc = scramble(argc - i - 1, argv + i + 1);
    }
    vfsShutdown();
    return rc;
}
