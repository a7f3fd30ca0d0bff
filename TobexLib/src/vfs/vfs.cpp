// The handle table and the byte, line and word operations of the virtual file
// system. Archive members are found and opened by the archive layer.
#include "vfs/vfs.h"

#include <string.h>

#include "app/files.h"
#include "base/log.h"
#include "vfs/archive.h"
#include "vfs/loose.h"

namespace {

VFile g_slots[VFS_MAX_FILES];

// Opens a loose file into slot f under the resolved name.
bool openLoose(VFile* f, const char16_t* name)
{
    return fileOpen(f, name);
}

// The loose steps of the search: the name as given (relative names under the
// program's folder), the program's folder followed by the name, then the
// writable data folder followed by the name. A path that would not fit is not
// tried, and then neither are the folders after it.
bool openLooseAnywhere(VFile* f, const char16_t* name)
{
    if (openLoose(f, name))
        return true;
    char16_t path[TEXT_MAX_PATH];
    if (!pathInFolder(name, FOLDER_PROGRAM, path, TEXT_MAX_PATH))
        return false;
    bool absolute = name[0] == u'/' || name[0] == u'\\';
    if (absolute && openLoose(f, path))
        return true;
    return pathInFolder(name, FOLDER_DATA, path, TEXT_MAX_PATH) && openLoose(f, path);
}

// Shared loop of vfsReadLine and vfsReadWord: reads single bytes until a
// delimiter or cap bytes are stored.
bool readDelimited(VFile* f, char* buf, int cap, bool words)
{
    if (!f || !buf || cap <= 0)
        return false;
    int n = 0;
    while (n < cap) {
        unsigned char c;
        if (vfsRead(f, &c, 1) != 1) {
            if (!vfsEof(f)) {
                buf[n < cap ? n : cap - 1] = 0;
                return false;
            }
            buf[n] = 0;
            return true;
        }
        buf[n++] = char(c);
        bool end = c == '\n' || c == '\r' || c == 0 || (words && (c == ' ' || c == '\t'));
        if (!end)
            continue;
        buf[n - 1] = 0;
        if (c != '\r')
            return true;
        unsigned char next;
        if (vfsRead(f, &next, 1) != 1)
            return vfsEof(f);
        return next == '\n';
    }
    buf[cap - 1] = 0;
    return false;
}

}

VFile* vfsTakeSlot()
{
    for (VFile& s : g_slots)
        if (!s.inUse) {
            memset(&s, 0, sizeof s);
            return &s;
        }
    logWrite("Too many open files", LOG_EOL);
    return nullptr;
}

VFile* vfsSlot(int index)
{
    return (index >= 0 && index < VFS_MAX_FILES) ? &g_slots[index] : nullptr;
}

int vfsOpenCount()
{
    int n = 0;
    for (const VFile& s : g_slots)
        n += s.inUse ? 1 : 0;
    return n;
}

VFile* vfsOpen(const char16_t* name)
{
    if (!name || !name[0])
        return nullptr;
    VFile* f = vfsTakeSlot();
    if (!f) {
        assertReport("TobexLib/src/TobexVFS", 144, nullptr, 0);
        return nullptr;
    }
    if (openLooseAnywhere(f, name))
        return f;
    MemberEntry* entry = vfsFindMember(name);
    if (!entry || !vfsOpenMember(entry, f))
        return nullptr;
    return f;
}

VFile* vfsCreate(const char16_t* name)
{
    if (!name || !name[0])
        return nullptr;
    VFile* f = vfsTakeSlot();
    if (!f || !fileCreate(f, name))
        return nullptr;
    return f;
}

bool vfsClose(VFile* f)
{
    if (!f || !f->inUse)
        return false;
    if (!f->opClose)
        return true;
    return f->opClose(f);
}

int32_t vfsRead(VFile* f, void* buf, int32_t n)
{
    if (!f || !f->inUse || !buf || n <= 0 || !f->opRead)
        return 0;
    int32_t got = f->opRead(f, uint32_t(n), buf);
    if (got > 0)
        f->pos += uint32_t(got);
    return got;
}

int32_t vfsWrite(VFile* f, const void* buf, int32_t n)
{
    if (!f || !f->inUse || !buf || n <= 0 || !f->opWrite)
        return 0;
    int32_t put = f->opWrite(f, uint32_t(n), buf);
    if (put > 0) {
        f->pos += uint32_t(put);
        if (f->pos > f->size)
            f->size = f->pos;
    }
    return put;
}

bool vfsSeek(VFile* f, int32_t offset, int origin)
{
    if (!f || !f->inUse || !f->opSeek || !f->opSeek(f, offset, origin))
        return false;
    if (origin == 0)
        f->pos = uint32_t(offset);
    else if (origin == 1)
        f->pos += uint32_t(offset);
    else
        f->pos = f->size - uint32_t(offset);
    return true;
}

uint32_t vfsTell(VFile* f)
{
    if (!f)
        return 0xFFFFFFFFu;
    return f->archive ? vfsMemberPos(f) : f->pos;
}

uint32_t vfsSize(VFile* f)
{
    if (!f)
        return 0xFFFFFFFFu;
    return f->archive ? vfsMemberSize(f) : f->size;
}

bool vfsEof(VFile* f)
{
    if (!f)
        return true;
    return vfsTell(f) >= vfsSize(f);
}

int32_t vfsReadAll(VFile* f, void* buf)
{
    if (!vfsSeek(f, 0, 0))
        return 0;
    return vfsRead(f, buf, int32_t(vfsSize(f)));
}

bool vfsReadLine(VFile* f, char* buf, int cap)
{
    return readDelimited(f, buf, cap, false);
}

bool vfsReadWord(VFile* f, char* buf, int cap)
{
    return readDelimited(f, buf, cap, true);
}

bool vfsWriteString(VFile* f, const char* s)
{
    if (!s)
        return false;
    int32_t n = int32_t(strlen(s));
    return n == 0 || vfsWrite(f, s, n) == n;
}

bool vfsDelete(const char16_t* path)
{
    return fileDelete(path);
}
