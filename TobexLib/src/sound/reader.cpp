// The libmikmod reader on a VFile: every seek is turned into an absolute,
// checked position, so no offset the library computes from file data can move
// the handle before the start or past the end.
#include "sound/reader.h"

#include <stdint.h>
#include <stdio.h>

namespace {

VFile* fileOf(MREADER* m)
{
    return reinterpret_cast<VfsReader*>(m)->file;
}

// Origins 0 (from the library's base position), 1 (current) and 2 (end). A
// target past the end stops at the end, so a loader that skips a chunk longer
// than the file meets the end of the file instead of running on.
int readerSeek(MREADER* m, long offset, int whence)
{
    VFile* f = fileOf(m);
    int64_t base;
    switch (whence) {
    case SEEK_SET:
        base = m->iobase;
        break;
    case SEEK_CUR:
        base = int64_t(vfsTell(f));
        break;
    case SEEK_END:
        base = int64_t(vfsSize(f));
        break;
    default:
        return -1;
    }
    // Offsets are bounded first so the sum cannot overflow.
    const int64_t size = int64_t(vfsSize(f));
    if (offset < -int64_t(INT32_MAX))
        return -1;
    int64_t target = offset > int64_t(INT32_MAX) ? size : base + offset;
    if (target < 0)
        return -1;
    if (target > size)
        target = size;
    return vfsSeek(f, int32_t(target), 0) ? 0 : -1;
}

long readerTell(MREADER* m)
{
    return long(vfsTell(fileOf(m))) - m->iobase;
}

int readerRead(MREADER* m, void* dest, size_t length)
{
    if (length == 0)
        return 1;
    if (length > size_t(INT32_MAX))
        return 0;
    return vfsRead(fileOf(m), dest, int32_t(length)) == int32_t(length);
}

// The library's readers give EOF at the end; its loaders rely on that to stop.
int readerGet(MREADER* m)
{
    unsigned char c;
    return vfsRead(fileOf(m), &c, 1) == 1 ? int(c) : EOF;
}

int readerEof(MREADER* m)
{
    return vfsEof(fileOf(m)) ? 1 : 0;
}

}

void readerInit(VfsReader* r, VFile* file)
{
    *r = VfsReader{};
    r->core.Seek = readerSeek;
    r->core.Tell = readerTell;
    r->core.Read = readerRead;
    r->core.Get = readerGet;
    r->core.Eof = readerEof;
    r->file = file;
}
