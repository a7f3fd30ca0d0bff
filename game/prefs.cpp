// The preferences: one Prefs object in "TilvoPrefs.w" (binary World form) in
// the writable data folder, read once at start-up and written once at the end.
//
// Loading accepts only a Prefs object; anything else (a missing, empty,
// truncated or foreign file) gives the class defaults. Saving never leaves a
// damaged file behind: the object goes to a temporary file beside the real
// one, which is flushed to disk and then renamed over it.
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "game/game.h"
#include "obj/worldfile.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace {

const char16_t kPrefsName[] = u"TilvoPrefs.w";
const char16_t kTempSuffix[] = u".tmp";

// Destroys what a foreign file loaded, a World's members first.
void discard(void* obj)
{
    if (objIsA(obj, &g_worldClass)) {
        World* w = static_cast<World*>(obj);
        while (w->objs.count > 0) {
            ObjectId id = *static_cast<ObjectId*>(vecAt(&w->objs, w->objs.count - 1));
            if (void* m = objGet(id))
                World_KillObj(w, m);
            else
                vecPop(&w->objs);
        }
    }
    objDestroy(obj);
}

// Values a damaged file may hold that the game cannot use are put back in range.
void sanitise(Prefs* p)
{
    if (p->movetime > PREFS_MAX_MOVETIME) {
        logLine("prefsLoad: move time out of range; using the longest allowed");
        p->movetime = PREFS_MAX_MOVETIME;
    }
    if (p->savedPos.count > 0 && p->savedPos.elemSize != sizeof(int32_t))
        vecResize(&p->savedPos, 0);
}

bool flushToDisk(const char16_t* path)
{
    char host[TEXT_MAX_PATH * 3];
    if (!fileHostPath(path, host, sizeof host))
        return false;
    int fd = open(host, O_RDONLY);
    if (fd < 0)
        return false;
    bool ok = fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

bool renameOver(const char16_t* from, const char16_t* to)
{
    char a[TEXT_MAX_PATH * 3], b[TEXT_MAX_PATH * 3];
    return fileHostPath(from, a, sizeof a) && fileHostPath(to, b, sizeof b) && rename(a, b) == 0;
}

void logSaveFailure(const char* why, const char16_t* path)
{
    logWrite("prefsSave: ", 0);
    logWrite(why, 0);
    if (path)
        logWrite(path, LOG_WIDE);
    logWrite("", LOG_EOL);
}

}

bool prefsPath(char16_t* out, int size)
{
    return pathInFolder(kPrefsName, FOLDER_DATA, out, size);
}

Prefs* prefsLoad()
{
    char16_t path[TEXT_MAX_PATH];
    void* obj = prefsPath(path, TEXT_MAX_PATH) ? objLoadFile(path) : nullptr;
    if (obj && !objIsA(obj, &g_prefsClass)) {
        logLine("prefsLoad: TilvoPrefs.w holds another class; using the defaults");
        discard(obj);
        obj = nullptr;
    }
    if (!obj)
        obj = objCreate(&g_prefsClass);
    if (obj)
        sanitise(static_cast<Prefs*>(obj));
    return static_cast<Prefs*>(obj);
}

bool prefsSave(const Prefs* p)
{
    char16_t path[TEXT_MAX_PATH], temp[TEXT_MAX_PATH];
    if (!p || !prefsPath(path, TEXT_MAX_PATH)) {
        logSaveFailure("no place for TilvoPrefs.w in the data folder", nullptr);
        return false;
    }
    if (!textCopy(temp, TEXT_MAX_PATH, path) || !textAppend(temp, TEXT_MAX_PATH, kTempSuffix)) {
        logSaveFailure("path too long: ", path);
        return false;
    }
    if (!objSaveFile(temp, const_cast<Prefs*>(p), true) || !flushToDisk(temp)) {
        logSaveFailure("could not write ", temp);
        vfsDelete(temp);
        return false;
    }
    if (!renameOver(temp, path)) {
        logSaveFailure("could not replace ", path);
        vfsDelete(temp);
        return false;
    }
    return true;
}

void prefsSetPack(Prefs* p, const char16_t* path)
{
    memFree(p->currentPack);
    p->currentPack = nullptr;
    size_t n = textLen(path);
    if (n == 0)
        return;
    p->currentPack = static_cast<char16_t*>(memAlloc(int32_t((n + 1) * sizeof(char16_t))));
    if (p->currentPack)
        memcpy(p->currentPack, path, (n + 1) * sizeof(char16_t));
}
