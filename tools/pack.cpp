// tobex pack: builds a ZIP archive from files and folders with minizip's writer,
// optionally scrambled and optionally appended to an executable.
//
// The output is reproducible: members are written in name order with one fixed
// date-time unless file times are asked for. Member names are stored as 8-bit
// (Latin-1) bytes, the form the engine widens back when it looks names up.
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

#include "app/files.h"
#include "app/text.h"
#include "commands.h"
#include "vfs/archive.h"
#include "vfs/mem.h"
#include "vfs/scramble.h"

namespace {

constexpr size_t kMaxNameBytes = 254;
constexpr int32_t kChunk = 65536;

struct PackOptions {
    bool store = false;
    bool scramble = false;
    bool fileTimes = false;
    const char* appendTo = nullptr;
    const char* out = nullptr;
    std::vector<const char*> inputs;
};

struct PackItem {
    std::string name;     // member name, Latin-1 bytes with '/' separators
    std::u16string path;  // the file to read
};

void usage(FILE* out)
{
    fprintf(out, "usage: tobex pack [--store] [--scramble] [--append-to EXE] [--file-times] OUT PATH...\n\n"
                 "Builds the ZIP archive OUT (any extension: .pak and .zip alike) from files and folders.\n"
                 "A folder's files are stored under names relative to that folder, with '/' separators;\n"
                 "a file given by itself is stored under its own name.\n\n"
                 "  --store         store members uncompressed (default: deflate)\n"
                 "  --scramble      scramble the archive with the engine's key\n"
                 "  --append-to EXE write a copy of EXE to OUT and append the archive to it\n"
                 "  --file-times    keep the files' modification times (default: a fixed date,\n"
                 "                  so the same input gives the same archive byte for byte)\n");
}

// Parses the arguments; returns 0 when the command should go on, else an exit status.
int parseArgs(int argc, char** argv, PackOptions* o)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
            usage(stdout);
            return -1;
        }
        if (!strcmp(a, "--store"))
            o->store = true;
        else if (!strcmp(a, "--scramble"))
            o->scramble = true;
        else if (!strcmp(a, "--file-times"))
            o->fileTimes = true;
        else if (!strcmp(a, "--append-to") && i + 1 < argc)
            o->appendTo = argv[++i];
        else if (a[0] == '-' && a[1] == '-') {
            fprintf(stderr, "tobex pack: unknown option '%s'\n", a);
            return 2;
        } else if (!o->out)
            o->out = a;
        else
            o->inputs.push_back(a);
    }
    if (!o->out || o->inputs.empty()) {
        usage(stderr);
        return 2;
    }
    return 0;
}

// The member name for a path relative to a packed folder: UTF-8 turned into
// Latin-1 bytes; false when a character does not fit 8 bits or the name is too long.
bool memberName(const char* utf8, std::string* out)
{
    char16_t wide[TEXT_MAX_PATH];
    if (!textFromUtf8(wide, TEXT_MAX_PATH, utf8))
        return false;
    out->clear();
    for (const char16_t* c = wide; *c; ++c) {
        if (*c > 0xFF || *c == 0xFFFD)
            return false;
        out->push_back(static_cast<char>(*c));
    }
    return !out->empty() && out->size() <= kMaxNameBytes;
}

bool addItem(const char* name, const char16_t* path, std::vector<PackItem>* items)
{
    PackItem item;
    if (!memberName(name, &item.name)) {
        fprintf(stderr, "tobex pack: cannot store the name '%s' (more than %zu bytes, or not Latin-1)\n",
                name, kMaxNameBytes);
        return false;
    }
    item.path = path;
    items->push_back(item);
    return true;
}

// A folder's identity, so a link back into a folder being walked is seen.
struct FolderKey {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderKey&) const = default;
};

bool statHost(const char16_t* path, struct stat* st)
{
    char host[TEXT_MAX_PATH * 3];
    return fileHostPath(path, host, sizeof host) && stat(host, st) == 0;
}

// Collects the files of a folder, names relative to the packed folder ('prefix').
// 'open' holds the folders from the packed one down to this one: a link to any
// of them would make the walk endless, so such a folder is skipped with a message.
bool walkFolder(const char16_t* folder, const std::string& prefix, std::vector<PackItem>* items,
                std::vector<FolderKey>* open)
{
    struct stat st;
    if (!statHost(folder, &st)) {
        fprintf(stderr, "tobex pack: cannot read the folder %s\n", prefix.c_str());
        return false;
    }
    FolderKey key = {st.st_dev, st.st_ino};
    if (std::find(open->begin(), open->end(), key) != open->end()) {
        fprintf(stderr, "tobex pack: skipping %s: it links back to a folder being packed\n", prefix.c_str());
        return true;
    }
    char16_t pattern[TEXT_MAX_PATH];
    if (!textCopy(pattern, TEXT_MAX_PATH, folder) || !textAppend(pattern, TEXT_MAX_PATH, u"/*")) {
        fprintf(stderr, "tobex pack: path too long in %s\n", prefix.c_str());
        return false;
    }
    // The search is finished before going deeper, so nesting never runs out of search slots.
    std::vector<std::pair<std::u16string, bool>> children;
    FindEntry e;
    for (bool more = findFirst(pattern, &e); more; more = findNext(&e))
        if (textCompare(e.name, u".") != 0 && textCompare(e.name, u"..") != 0)
            children.emplace_back(e.fullPath, e.isDir != 0);
    open->push_back(key);
    bool ok = true;
    for (size_t i = 0; ok && i < children.size(); ++i) {
        const auto& [path, dir] = children[i];
        char utf8[TEXT_MAX_PATH * 3];
        const char16_t* slash = path.c_str() + path.rfind(u'/') + 1;
        if (!textToUtf8(utf8, sizeof utf8, slash))
            ok = false;
        std::string name = prefix + utf8;
        ok = ok && (dir ? walkFolder(path.c_str(), name + "/", items, open)
                        : addItem(name.c_str(), path.c_str(), items));
    }
    open->pop_back();
    return ok;
}

bool collectInput(const char* arg, std::vector<PackItem>* items)
{
    char16_t path[TEXT_MAX_PATH];
    if (!arg[0]) {
        // An unset shell variable: never take it for the current folder.
        fprintf(stderr, "tobex pack: no such file or folder: ''\n");
        return false;
    }
    if (!textFromUtf8(path, TEXT_MAX_PATH, arg)) {
        fprintf(stderr, "tobex pack: path too long: %s\n", arg);
        return false;
    }
    slashify(path);
    size_t n = textLen(path);
    while (n > 1 && path[n - 1] == u'/')
        path[--n] = 0;
    if (isDir(path)) {
        std::vector<FolderKey> open;
        return walkFolder(path, "", items, &open);
    }
    if (!isFile(path)) {
        fprintf(stderr, "tobex pack: no such file or folder: %s\n", arg);
        return false;
    }
    const char* base = strrchr(arg, '/');
    return addItem(base ? base + 1 : arg, path, items);
}

zip_fileinfo memberInfo(const PackItem& item, bool fileTimes)
{
    zip_fileinfo zi = {};
    zi.tmz_date.tm_year = 2000;  // the fixed date-time of reproducible archives: 2000-01-01 00:00:00
    zi.tmz_date.tm_mday = 1;
    char host[TEXT_MAX_PATH * 3];
    struct stat st;
    struct tm t;
    if (fileTimes && fileHostPath(item.path.c_str(), host, sizeof host) && stat(host, &st) == 0 &&
        localtime_r(&st.st_mtime, &t)) {
        zi.tmz_date.tm_sec = static_cast<uInt>(t.tm_sec);
        zi.tmz_date.tm_min = static_cast<uInt>(t.tm_min);
        zi.tmz_date.tm_hour = static_cast<uInt>(t.tm_hour);
        zi.tmz_date.tm_mday = static_cast<uInt>(t.tm_mday);
        zi.tmz_date.tm_mon = static_cast<uInt>(t.tm_mon);
        zi.tmz_date.tm_year = static_cast<uInt>(t.tm_year + 1900);
    }
    return zi;
}

// Copies one file into the open archive through the VFS.
bool writeMember(zipFile zf, const PackItem& item, const PackOptions& o, uint8_t* buf)
{
    VFile* f = vfsOpen(item.path.c_str());
    if (!f) {
        fprintf(stderr, "tobex pack: cannot read %s\n", item.name.c_str());
        return false;
    }
    zip_fileinfo zi = memberInfo(item, o.fileTimes);
    int method = o.store ? 0 : Z_DEFLATED;
    int level = o.store ? 0 : Z_BEST_COMPRESSION;
    bool ok = zipOpenNewFileInZip(zf, item.name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, method,
                                  level) == ZIP_OK;
    uint32_t done = 0;
    while (ok && done < vfsSize(f)) {
        int32_t n = vfsRead(f, buf, kChunk);
        ok = n > 0 && zipWriteInFileInZip(zf, buf, static_cast<unsigned>(n)) == ZIP_OK;
        done += n > 0 ? static_cast<uint32_t>(n) : 0;
    }
    ok = zipCloseFileInZip(zf) == ZIP_OK && ok;
    vfsClose(f);
    if (!ok)
        fprintf(stderr, "tobex pack: failed to pack %s\n", item.name.c_str());
    return ok;
}

// Copies the executable to dst; returns its size, -1 on failure.
long copyExecutable(const char* exe, const char* dst)
{
    FILE* in = fopen(exe, "rb");
    if (!in)
        return -1;
    struct stat st;
    long size = fstat(fileno(in), &st) == 0 && fseek(in, 0, SEEK_END) == 0 ? ftell(in) : -1;
    FILE* out = size < 0 ? nullptr : fopen(dst, "wb");
    bool ok = out != nullptr;
    rewind(in);
    char buf[65536];
    size_t n;
    while (ok && (n = fread(buf, 1, sizeof buf, in)) > 0)
        ok = fwrite(buf, 1, n, out) == n;
    if (out && fclose(out) != 0)
        ok = false;
    if (ok)
        chmod(dst, st.st_mode & 07777);
    fclose(in);
    return ok ? size : -1;
}

// Leaves out the output itself when it lies inside a packed folder.
void dropOutput(const char* out, std::vector<PackItem>* items)
{
    struct stat o, st;
    if (stat(out, &o) != 0)
        return;
    char host[TEXT_MAX_PATH * 3];
    std::erase_if(*items, [&](const PackItem& item) {
        return fileHostPath(item.path.c_str(), host, sizeof host) && stat(host, &st) == 0 &&
               st.st_dev == o.st_dev && st.st_ino == o.st_ino;
    });
}

// True (with a message) when OUT is one of the files given to pack: writing it
// would destroy the input before it was read.
bool outputIsInput(const PackOptions& o)
{
    struct stat out, in;
    if (stat(o.out, &out) != 0)
        return false;
    for (const char* a : o.inputs) {
        if (stat(a, &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
            fprintf(stderr, "tobex pack: %s is both the output and an input; nothing written\n", o.out);
            return true;
        }
    }
    return false;
}

// Two members whose names differ at most in letter case: the engine looks names
// up without regard to case, so one of them could never be read.
bool duplicateNames(const std::vector<PackItem>& items)
{
    std::vector<std::u16string> names;
    for (const PackItem& item : items) {
        char16_t wide[TEXT_MAX_PATH];
        textFromLatin1(wide, TEXT_MAX_PATH, item.name.c_str());
        names.emplace_back(wide);
    }
    std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
        return textCompareNoCase(a.c_str(), b.c_str()) < 0;
    });
    for (size_t i = 1; i < names.size(); ++i) {
        if (textCompareNoCase(names[i].c_str(), names[i - 1].c_str()) != 0)
            continue;
        char a[TEXT_MAX_PATH * 3], b[TEXT_MAX_PATH * 3];
        textToUtf8(a, sizeof a, names[i - 1].c_str());
        textToUtf8(b, sizeof b, names[i].c_str());
        if (!strcmp(a, b))
            fprintf(stderr, "tobex pack: two files would be stored as %s\n", a);
        else
            fprintf(stderr, "tobex pack: %s and %s differ only in letter case\n", a, b);
        return true;
    }
    return false;
}

// Writes the whole archive (after a copy of the executable, if asked) to path.
int writeArchiveTo(const PackOptions& o, const char* path, const std::vector<PackItem>& items)
{
    long prefix = 0;
    if (o.appendTo && (prefix = copyExecutable(o.appendTo, path)) < 0) {
        fprintf(stderr, "tobex pack: cannot copy %s for %s\n", o.appendTo, o.out);
        return 1;
    }
    if (prefix > 0x7FFFFFFF) {
        fprintf(stderr, "tobex pack: %s is too large to carry an archive\n", o.appendTo);
        return 1;
    }
    zipFile zf = zipOpen64(path, o.appendTo ? APPEND_STATUS_CREATEAFTER : APPEND_STATUS_CREATE);
    if (!zf) {
        fprintf(stderr, "tobex pack: cannot create %s\n", o.out);
        return 1;
    }
    uint8_t* buf = static_cast<uint8_t*>(memAlloc(kChunk));
    bool ok = buf != nullptr;
    for (size_t i = 0; ok && i < items.size(); ++i)
        ok = writeMember(zf, items[i], o, buf);
    memFree(buf);
    ok = zipClose(zf, nullptr) == ZIP_OK && ok;
    char16_t wide[TEXT_MAX_PATH];
    if (ok && o.scramble)
        ok = textFromUtf8(wide, TEXT_MAX_PATH, path) &&
             vfsScrambleFileFrom(wide, static_cast<uint32_t>(prefix));
    if (!ok) {
        fprintf(stderr, "tobex pack: failed to write %s\n", o.out);
        return 1;
    }
    return 0;
}

// Writes the archive to a temporary file beside OUT and renames it over OUT only
// when complete, so a failure never leaves a partial archive (or a truncated
// former one) behind.
int writeArchive(const PackOptions& o, const std::vector<PackItem>& items)
{
    std::string tmp = std::string(o.out) + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        fprintf(stderr, "tobex pack: cannot create %s\n", o.out);
        return 1;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    int rc = writeArchiveTo(o, tmp.c_str(), items);
    if (rc == 0 && rename(tmp.c_str(), o.out) != 0) {
        fprintf(stderr, "tobex pack: cannot create %s\n", o.out);
        rc = 1;
    }
    if (rc != 0)
        unlink(tmp.c_str());
    return rc;
}

}

int toolPack(int argc, char** argv)
{
    PackOptions o;
    int rc = parseArgs(argc, argv, &o);
    if (rc != 0)
        return rc < 0 ? 0 : rc;
    if (!o.out[0] || (o.appendTo && !o.appendTo[0])) {
        fprintf(stderr, "tobex pack: no such file or folder: ''\n");
        return 1;
    }
    if (outputIsInput(o))
        return 1;
    toolStartEngine();
    std::vector<PackItem> items;
    for (const char* in : o.inputs)
        if (!collectInput(in, &items))
            return 1;
    dropOutput(o.out, &items);
    std::sort(items.begin(), items.end(),
              [](const PackItem& a, const PackItem& b) { return a.name < b.name; });
    if (duplicateNames(items))
        return 1;
    return writeArchive(o, items);
}
