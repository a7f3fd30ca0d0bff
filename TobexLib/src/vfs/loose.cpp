// Loose files: the VFile operations over a host file stream, beneath vfsOpen
// and vfsCreate and the archive layer.
#include "vfs/loose.h"

#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>

#include "app/files.h"
#include "base/text.h"

namespace {

bool looseClose(VFile* f)
{
    return fileClose(f);
}
int32_t looseRead(VFile* f, uint32_t n, void* buf)
{
    return fileRead(f, n, buf);
}
int32_t looseWrite(VFile* f, uint32_t n, const void* buf)
{
    return fileWrite(f, n, buf);
}
bool looseSeek(VFile* f, int32_t offset, int origin)
{
    return fileSeek(f, offset, origin);
}

bool openStream(VFile* f, const char16_t* name, bool create)
{
    char16_t path[TEXT_MAX_PATH];
    char host[TEXT_MAX_PATH * 3];
    if (!pathResolve(name, path) || !fileHostPath(path, host, sizeof host))
        return false;
    struct stat st;
    if (!create && (stat(host, &st) != 0 || !S_ISREG(st.st_mode)))
        return false;
    FILE* fp = fopen(host, create ? "wb" : "r+b");
    if (!fp && !create && errno == EACCES)
        fp = fopen(host, "rb");  // a read-only file is still readable
    if (!fp)
        return false;
    uint32_t size = 0;
    if (!create) {
        if (st.st_size > 0xFFFFFFFEll) {  // sizes are 32-bit; refuse what cannot be addressed
            fclose(fp);
            return false;
        }
        size = uint32_t(st.st_size);
    }
    textCopy(f->path, TEXT_MAX_PATH, path);
    f->archive = nullptr;
    f->member = nullptr;
    f->zip = nullptr;
    f->stream = fp;
    f->pos = 0;
    f->size = size;
    f->opClose = looseClose;
    f->opRead = looseRead;
    f->opWrite = looseWrite;
    f->opSeek = looseSeek;
    f->inUse = 1;
    return true;
}

}

bool fileOpen(VFile* f, const char16_t* name)
{
    return f && openStream(f, name, false);
}

bool fileCreate(VFile* f, const char16_t* name)
{
    return f && openStream(f, name, true);
}

int32_t fileRead(VFile* f, uint32_t n, void* buf)
{
    if (!f || !f->stream || n > 0x7FFFFFFFu)
        return 0;
    return int32_t(fread(buf, 1, n, f->stream));
}

int32_t fileWrite(VFile* f, uint32_t n, const void* buf)
{
    if (!f || !f->stream || n > 0x7FFFFFFFu)
        return 0;
    return int32_t(fwrite(buf, 1, n, f->stream));
}

bool fileSeek(VFile* f, int32_t offset, int origin)
{
    if (!f || !f->stream)
        return false;
    switch (origin) {
    case 0:
        return fseek(f->stream, long(offset), SEEK_SET) == 0;
    case 1:
        return fseek(f->stream, long(offset), SEEK_CUR) == 0;
    case 2:
        return fseek(f->stream, -long(offset), SEEK_END) == 0;
    default:
        return false;
    }
}

bool fileClose(VFile* f)
{
    if (!f || !f->stream)
        return false;
    // fclose releases the stream even when it reports an error, so the slot is
    // released either way; the result still tells the caller the data may be lost.
    int rc = fclose(f->stream);
    f->stream = nullptr;
    f->inUse = 0;
    return rc == 0;
}
