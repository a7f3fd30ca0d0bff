// The log sink that writes Tobex.log through the virtual file system: the first
// line of a run creates the file anew, later lines open it, seek to its end,
// append and close.
#include "vfs/logfile.h"

#include <stdio.h>

#include "app/files.h"
#include "base/log.h"
#include "base/text.h"
#include "vfs/vfs.h"

namespace {

char16_t g_path[TEXT_MAX_PATH];  // the run's log file, found at its first line

// With every file slot taken the log cannot have one of its own; the line that
// says so would be lost, so it is appended to the file directly instead.
bool appendDirect(const char* text, bool eol, bool newRun)
{
    char host[TEXT_MAX_PATH * 3];
    if (!fileHostPath(g_path, host, sizeof host))
        return false;
    FILE* fp = fopen(host, newRun ? "wb" : "ab");
    if (!fp)
        return false;
    fputs(text, fp);
    if (eol)
        fputc('\n', fp);
    fclose(fp);
    return true;
}

bool writeLine(const char* text, bool eol, bool newRun)
{
    if (newRun && !pathInFolder(u"Tobex.log", FOLDER_DATA, g_path, TEXT_MAX_PATH))
        return false;
    VFile* f = newRun ? vfsCreate(g_path) : vfsOpen(g_path);
    if (!f)
        return vfsOpenCount() == VFS_MAX_FILES && appendDirect(text, eol, newRun);
    if (!newRun)
        vfsSeek(f, 0, 2);
    vfsWriteString(f, text);
    if (eol)
        vfsWriteString(f, "\n");
    vfsClose(f);
    return true;
}

}

void vfsLogToFile()
{
    logSetSink(writeLine);
}
