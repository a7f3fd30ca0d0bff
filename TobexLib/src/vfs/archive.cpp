// Archives and the member index.
//
// Each mounted archive owns the array of its directory's records (one
// MemberEntry per record, fixed while it is mounted) and a list of its winners:
// one entry per name, sorted. The member index is the merge of every archive's
// winners in mount order, so it holds pointers into those arrays and an open
// member's entry never moves. Unmounting rebuilds the index from the archives
// that remain, so a name that archive had overridden comes back, and archive
// numbers are renumbered to stay equal to positions in the archive list.
#include "vfs/archive.h"

#include <algorithm>
#include <string.h>

#include "app/files.h"
#include "base/log.h"
#include "base/mem.h"
#include "base/text.h"
#include "vfs/logfile.h"
#include "vfs/loose.h"
#include "vfs/zipreader.h"

namespace {

constexpr int kInitialRoom = 10;
constexpr int kCompactPercent = 5;

struct Archive {
    VFile* file;
    ZipReader* zip;
    MemberEntry* entries;  // one per directory record
    uint32_t count;
    MemberEntry** winners;  // one per name, sorted by name
    uint32_t winnerCount;
};

struct EntryIndex {
    MemberEntry** data;
    int count;
    int capacity;
};

struct VfsState {
    bool ready;
    Archive archives[VFS_MAX_FILES];  // every archive holds a slot, so 20 is the most
    int archiveCount;
    EntryIndex index;
} g_vfs;

// The VFS name order: characters as unsigned numbers with 'a'..'z' folded to
// upper case; a prefix sorts first.
int nameCompare(const char16_t* a, const char16_t* b)
{
    return textCompareNoCase(a, b);
}

bool nameLess(const MemberEntry* a, const MemberEntry* b)
{
    return nameCompare(a->name, b->name) < 0;
}

// Sorts an archive's records by name (records with equal names keep their order)
// and keeps one per name: the first, unless a later one has a later date-time.
bool buildWinners(Archive* a)
{
    a->winnerCount = 0;
    a->winners = nullptr;
    if (a->count == 0)
        return true;
    a->winners = static_cast<MemberEntry**>(memAlloc(int32_t(a->count * sizeof(MemberEntry*))));
    if (!a->winners)
        return false;
    for (uint32_t i = 0; i < a->count; ++i)
        a->winners[i] = &a->entries[i];
    std::stable_sort(a->winners, a->winners + a->count, nameLess);
    uint32_t n = 0;
    for (uint32_t i = 0; i < a->count; ++i) {
        MemberEntry* e = a->winners[i];
        if (n > 0 && nameCompare(a->winners[n - 1]->name, e->name) == 0) {
            if (e->dosDateTime > a->winners[n - 1]->dosDateTime)
                a->winners[n - 1] = e;
            continue;
        }
        a->winners[n++] = e;
    }
    a->winnerCount = n;
    return true;
}

// Merges an archive's winners into the sorted index; an entry already present
// is replaced only by one with a later date-time.
bool mergeIntoIndex(EntryIndex* index, const Archive& a)
{
    if (a.winnerCount == 0)
        return true;
    int room = index->count + int(a.winnerCount);
    MemberEntry** out = static_cast<MemberEntry**>(memAlloc(int32_t(room * sizeof(MemberEntry*))));
    if (!out)
        return false;
    int i = 0, n = 0;
    uint32_t j = 0;
    while (i < index->count || j < a.winnerCount) {
        int c = i == index->count    ? 1
                : j == a.winnerCount ? -1
                                     : nameCompare(index->data[i]->name, a.winners[j]->name);
        if (c < 0) {
            out[n++] = index->data[i++];
        } else if (c > 0) {
            out[n++] = a.winners[j++];
        } else {
            MemberEntry* old = index->data[i++];
            MemberEntry* add = a.winners[j++];
            out[n++] = add->dosDateTime > old->dosDateTime ? add : old;
        }
    }
    memFree(index->data);
    index->data = out;
    index->count = n;
    index->capacity = room;
    return true;
}

// Trims the index's storage to its count plus 5 %.
void compactIndex(EntryIndex* index)
{
    int target = int(int64_t(index->count) * (kCompactPercent + 100) / 100);
    if (target < 1 || index->capacity <= target)
        return;
    void* p = memRealloc(index->data, int32_t(target * sizeof(MemberEntry*)));
    if (!p)
        return;
    index->data = static_cast<MemberEntry**>(p);
    index->capacity = target;
}

// The full path an archive is known by: absolute names as given, others under
// the program's folder (as the loose open resolves them).
bool resolvePath(const char16_t* path, char16_t* out)
{
    if (path[0] == u'/' || path[0] == u'\\')
        return textCopy(out, TEXT_MAX_PATH, path);
    return pathInFolder(path, FOLDER_PROGRAM, out, TEXT_MAX_PATH);
}

int findArchive(const char16_t* fullPath)
{
    for (int i = 0; i < g_vfs.archiveCount; ++i)
        if (nameCompare(g_vfs.archives[i].file->path, fullPath) == 0)
            return i;
    return -1;
}

void freeArchive(Archive* a)
{
    zipCloseArchive(a->zip);
    a->file->zip = nullptr;
    a->file->member = nullptr;
    vfsClose(a->file);
    memFree(a->entries);
    memFree(a->winners);
    *a = Archive{};
}

// ---- Member handles ----

void logMember(const char* what, const MemberEntry* e)
{
    logWrite(what, 0);
    logWrite(e->name, LOG_WIDE | LOG_EOL);
}

int32_t memberRead(VFile* f, uint32_t n, void* buf)
{
    if (n > 0x7FFFFFFFu)
        n = 0x7FFFFFFFu;
    int32_t got = zipMemberRead(static_cast<ZipReader*>(f->archive->zip), buf, n);
    if (got > 0)
        f->member->pos += uint32_t(got);
    return got;
}

// Forward seeks decompress and discard; backward seeks restart the member.
bool memberSeek(VFile* f, int32_t offset, int origin)
{
    MemberEntry* e = f->member;
    ZipReader* z = static_cast<ZipReader*>(f->archive->zip);
    int64_t target = origin == 0   ? int64_t(offset)
                     : origin == 1 ? int64_t(e->pos) + offset
                     : origin == 2 ? int64_t(e->size) - offset
                                   : -1;
    if (target < 0 || target > int64_t(e->size))
        return false;
    if (target < int64_t(e->pos)) {
        if (!zipMemberRestart(z))
            return false;
        e->pos = 0;
    }
    uint32_t skip = uint32_t(target) - e->pos;
    if (skip == 0)
        return true;
    if (!zipMemberSkip(z, skip))
        return false;
    e->pos = uint32_t(target);
    return true;
}

// Finishes the member (the CRC check). The slot and the archive are released
// even when the check fails: the handle is finished either way, and keeping them
// would leave the archive busy for the rest of the run.
bool memberClose(VFile* f)
{
    ZipReader* z = static_cast<ZipReader*>(f->archive->zip);
    bool opened = zipMemberIsOpen(z);
    bool ok = zipMemberClose(z, true);
    if (opened && !ok)  // a member that could not be opened was reported then
        logMember("vfsClose: damaged member ", f->member);
    f->archive->member = nullptr;
    f->inUse = 0;
    return ok;
}

// A member handle whose archive was unmounted: it keeps its slot until its
// owner closes it, reads and seeks fail, and closing succeeds.
int32_t deadRead(VFile*, uint32_t, void*)
{
    return -1;
}

bool deadSeek(VFile*, int32_t, int)
{
    return false;
}

bool deadClose(VFile* f)
{
    f->inUse = 0;
    return true;
}

void invalidateMembersOf(const Archive& a)
{
    for (int i = 0; i < VFS_MAX_FILES; ++i) {
        VFile* f = vfsSlot(i);
        if (!f->inUse || f->archive != a.file)
            continue;
        f->pos = f->member->pos;
        f->size = f->member->size;
        f->archive = nullptr;
        f->member = nullptr;
        f->opRead = deadRead;
        f->opSeek = deadSeek;
        f->opClose = deadClose;
    }
    a.file->member = nullptr;
}

// Rebuilds the index from the archives mounted; when memory runs short, only
// drops the entries of the archive 'gone' instead.
void rebuildIndex(const Archive& gone)
{
    EntryIndex fresh = {};
    bool ok = true;
    for (int i = 0; i < g_vfs.archiveCount && ok; ++i)
        ok = mergeIntoIndex(&fresh, g_vfs.archives[i]);
    if (ok) {
        memFree(g_vfs.index.data);
        g_vfs.index = fresh;
        return;
    }
    memFree(fresh.data);
    EntryIndex& index = g_vfs.index;
    int n = 0;
    for (int i = 0; i < index.count; ++i)
        if (index.data[i] < gone.entries || index.data[i] >= gone.entries + gone.count)
            index.data[n++] = index.data[i];
    index.count = n;
}

int mountOne(const char16_t* path)
{
    char16_t full[TEXT_MAX_PATH];
    if (!resolvePath(path, full) || findArchive(full) >= 0 || g_vfs.archiveCount >= VFS_MAX_FILES)
        return 0;
    VFile* f = vfsTakeSlot();
    if (!f || !fileOpen(f, full))
        return 0;
    Archive a = {};
    a.file = f;
    a.zip = zipOpenArchive(f, "vfsMount: ");
    if (!a.zip) {
        vfsClose(f);
        return 0;
    }
    uint32_t number = uint32_t(g_vfs.archiveCount);
    if (!zipReadDirectory(a.zip, number, &a.entries, &a.count, "vfsMount: ") || !buildWinners(&a) ||
        !mergeIntoIndex(&g_vfs.index, a)) {
        freeArchive(&a);
        return 0;
    }
    f->zip = a.zip;
    g_vfs.archives[g_vfs.archiveCount++] = a;
    return 1;
}

}

bool vfsInit()
{
    vfsLogToFile();
    if (g_vfs.ready)
        return true;
    g_vfs.index.data = static_cast<MemberEntry**>(memAlloc(kInitialRoom * sizeof(MemberEntry*)));
    if (!g_vfs.index.data)
        return false;
    g_vfs.index.count = 0;
    g_vfs.index.capacity = kInitialRoom;
    g_vfs.archiveCount = 0;
    g_vfs.ready = true;
    return true;
}

int vfsMount(const char16_t* pattern)
{
    if (!pattern || !pattern[0] || !vfsInit())
        return 0;
    FindEntry found;
    int n = 0;
    if (!findFirst(pattern, &found)) {
        n = mountOne(pattern);
    } else {
        do {
            if (!found.isDir)
                n += mountOne(found.fullPath);
        } while (findNext(&found));
        findClose(&found);
    }
    compactIndex(&g_vfs.index);
    return n;
}

int vfsMountAll()
{
    static const char16_t* const kPatterns[] = {u"*.zip", u"*.pak", u"*.exe"};
    int total = 0;
    for (const char16_t* p : kPatterns)
        total += vfsMount(p);
    for (const char16_t* p : kPatterns) {
        char16_t full[TEXT_MAX_PATH];
        if (pathInFolder(p, FOLDER_PROGRAM, full, TEXT_MAX_PATH))
            total += vfsMount(full);
    }
    return total;
}

bool vfsUnmount(const char16_t* path)
{
    char16_t full[TEXT_MAX_PATH];
    if (!path || !path[0] || !resolvePath(path, full))
        return false;
    int k = findArchive(full);
    if (k < 0)
        return false;
    Archive gone = g_vfs.archives[k];
    invalidateMembersOf(gone);
    for (int i = k; i + 1 < g_vfs.archiveCount; ++i) {
        Archive& a = g_vfs.archives[i];
        a = g_vfs.archives[i + 1];
        for (uint32_t j = 0; j < a.count; ++j)
            a.entries[j].archiveIndex = uint32_t(i);
    }
    g_vfs.archives[--g_vfs.archiveCount] = Archive{};
    rebuildIndex(gone);
    freeArchive(&gone);
    return true;
}

void vfsShutdown()
{
    for (int i = 0; i < g_vfs.archiveCount; ++i) {
        invalidateMembersOf(g_vfs.archives[i]);
        freeArchive(&g_vfs.archives[i]);
    }
    g_vfs.archiveCount = 0;
    memFree(g_vfs.index.data);
    g_vfs.index = EntryIndex{};
    g_vfs.ready = false;
}

MemberEntry* vfsFindMember(const char16_t* name)
{
    const EntryIndex& index = g_vfs.index;
    if (!name)
        return nullptr;
    int low = 0, high = index.count;
    while (low < high) {
        int mid = (low + high) / 2;
        int c = nameCompare(index.data[mid]->name, name);
        if (c == 0)
            return index.data[mid];
        if (c > 0)
            high = mid;
        else if (low == mid)
            return nullptr;
        else
            low = mid;
    }
    return nullptr;
}

bool vfsOpenMember(MemberEntry* entry, VFile* f)
{
    if (!entry || !f || entry->archiveIndex >= uint32_t(g_vfs.archiveCount))
        return false;
    Archive& a = g_vfs.archives[entry->archiveIndex];
    if (a.file->member)
        return false;
    a.file->member = entry;
    entry->pos = 0;
    if (!zipMemberOpen(a.zip, entry))
        logMember("vfsOpen: cannot read member ", entry);
    textCopy(f->path, TEXT_MAX_PATH, entry->name);
    f->archive = a.file;
    f->member = entry;
    f->stream = nullptr;
    f->zip = nullptr;
    f->pos = 0;
    f->size = entry->size;
    f->opClose = memberClose;
    f->opRead = memberRead;
    f->opWrite = nullptr;
    f->opSeek = memberSeek;
    f->inUse = 1;
    return true;
}

uint32_t vfsMemberPos(VFile* f)
{
    return f ? (f->member ? f->member->pos : f->pos) : 0;
}

uint32_t vfsMemberSize(VFile* f)
{
    return f ? (f->member ? f->member->size : f->size) : 0;
}

int vfsMemberCount()
{
    return g_vfs.index.count;
}

const MemberEntry* vfsMemberAt(int i)
{
    return (i >= 0 && i < g_vfs.index.count) ? g_vfs.index.data[i] : nullptr;
}

int vfsArchiveCount()
{
    return g_vfs.archiveCount;
}

const VFile* vfsArchiveAt(int i)
{
    return (i >= 0 && i < g_vfs.archiveCount) ? g_vfs.archives[i].file : nullptr;
}

bool vfsArchiveScrambled(int i)
{
    return i >= 0 && i < g_vfs.archiveCount && zipIsScrambled(g_vfs.archives[i].zip);
}
