// Picture packs and the chooser: the pack list built from "Packs/*.pak" and
// "Packs/*.zip" beside the program, then from "Packs/" in the player's own data
// folder, selecting (mounting) one pack at a time, its title and thumbnails on
// the chooser screen.
//
// A pack's path beside the program is kept relative ("Packs/" + name), so
// preferences that name it stay valid when the game's folder is moved; a pack
// of the player's folder has its full path. The player's packs are checked
// before they are listed: one that cannot be read, or holds no picture, is
// skipped with a log line rather than shown as an empty pack.
#include <string.h>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "base/log.h"
#include "base/mem.h"
#include "game/game.h"
#include "gfx/display.h"
#include "gfx/image.h"
#include "vfs/archive.h"
#include "vfs/loose.h"

namespace {

constexpr int32_t kBuiltinButtons = 3;  // objs 3..5 of the chooser

const char16_t* const kBuiltinThumbs[GAME_BUILTIN_PICTURES] = {u"Graphics/Thumb0.tga", u"Graphics/Thumb1.tga",
                                                               u"Graphics/Thumb2.tga"};
const char16_t* const kPictures[GAME_PACK_PICTURES] = {u"Image0.tga", u"Image1.tga", u"Image2.tga",
                                                       u"Image3.tga", u"Image4.tga", u"Image5.tga"};
const char16_t* const kThumbs[GAME_PACK_PICTURES] = {u"Thumb0.tga", u"Thumb1.tga", u"Thumb2.tga",
                                                     u"Thumb3.tga", u"Thumb4.tga", u"Thumb5.tga"};

uint32_t screenFormat()
{
    const SURFACE* s = gfxGetScreen();
    return s ? s->format : 0;
}

// Thumbnails this module loaded (not through the image cache), so only those
// are ever freed, whatever else a control may show.
SURFACE* g_builtinThumbs[kBuiltinButtons];
SURFACE* g_packThumbs[GAME_PACK_PICTURES];

// Frees a thumbnail this module loaded; the control lets go of it first.
void freeThumb(void* ctl, SURFACE** owned)
{
    if (objIsA(ctl, &g_actorClass) && static_cast<Actor*>(ctl)->sf == *owned)
        static_cast<Actor*>(ctl)->sf = nullptr;
    if (*owned)
        sfDestroy(*owned);
    *owned = nullptr;
}

void freePackThumbs()
{
    for (int i = 0; i < GAME_PACK_PICTURES; i++)
        freeThumb(objGet(g_game.packSlots[i]), &g_packThumbs[i]);
}

void freeBuiltinThumbs()
{
    for (int i = 0; i < kBuiltinButtons; i++)
        freeThumb(uiMember(g_game.scrChoose, 3 + i), &g_builtinThumbs[i]);
}

void* packScrollbar()
{
    return uiFirstOf(g_game.scrChoose, "CtlScrollbar1");
}

// A pack is usable when it is a ZIP archive whose directory reads and that holds
// at least one puzzle picture ("Image0.tga" .. "Image5.tga"); otherwise false,
// with a log line naming the pack.
bool packUsable(const char16_t* path)
{
    VFile f = {};
    const char* why = "cannot be opened";
    if (fileOpen(&f, path)) {
        ZipReader* z = zipOpenArchive(&f, "listPacks: ");
        MemberEntry* entries = nullptr;
        uint32_t count = 0;
        why = "is not a readable ZIP archive";
        if (z && zipReadDirectory(z, 0, &entries, &count, "listPacks: ")) {
            why = "holds no picture (Image0.tga .. Image5.tga)";
            for (uint32_t i = 0; i < count && why; i++)
                for (int k = 0; k < GAME_PACK_PICTURES && why; k++)
                    if (textCompareNoCase(entries[i].name, kPictures[k]) == 0)
                        why = nullptr;
        }
        memFree(entries);
        if (z)
            zipCloseArchive(z);
        fileClose(&f);
    }
    if (!why)
        return true;
    logWrite("listPacks: pack skipped, it ", 0);
    logWrite(why, 0);
    logWrite(": ", 0);
    logWrite(path, LOG_WIDE | LOG_EOL);
    return false;
}

// Appends the packs matching pattern; with check, only those packUsable accepts.
int listFolder(const char16_t* pattern, bool check)
{
    const char16_t* slash = pattern;
    for (const char16_t* c = pattern; *c; c++)
        if (*c == u'/')
            slash = c + 1;
    const size_t folderLen = size_t(slash - pattern);
    FindEntry found;
    int n = 0;
    if (!findFirst(pattern, &found))
        return 0;
    do {
        if (found.isDir)
            continue;
        PackEntry e = {};
        textCopy(e.name, PACK_NAME_MAX, found.name);
        if (folderLen + textLen(found.name) + 1 > size_t(PACK_NAME_MAX)) {
            if (check) {
                logWrite("listPacks: pack skipped, its path is too long: ", 0);
                logWrite(found.fullPath, LOG_WIDE | LOG_EOL);
            }
            continue;
        }
        memcpy(e.path, pattern, folderLen * sizeof(char16_t));
        textCopy(e.path + folderLen, PACK_NAME_MAX - folderLen, found.name);
        if (check && !packUsable(e.path))
            continue;
        if (vecPush(&g_game.packs, &e) >= 0)
            n++;
    } while (findNext(&found));
    findClose(&found);
    return n;
}

void showTitle(PackEntry* e)
{
    size_t n = textLen(e->name);
    if (n >= 4 && e->name[n - 4] == u'.')
        e->name[n - 4] = 0;
    void* title = objGet(g_game.packTitle);
    char16_t upper[PACK_NAME_MAX];
    textCopy(upper, PACK_NAME_MAX, e->name);
    for (char16_t* c = upper; *c; c++)
        if (*c >= u'a' && *c <= u'z')
            *c = char16_t(*c - u'a' + u'A');
    uiWriteText(title, "text", upper, g_game.packTitleCap);
}

}

void packsInit()
{
    if (g_game.packs.elemSize != sizeof(PackEntry))
        vecInit(&g_game.packs, sizeof(PackEntry), PACK_LIST_CAPACITY);
    g_game.packs.count = 0;
}

void packsFree()
{
    vecFree(&g_game.packs);
    g_game.packs = Vector{};
}

int listPacks(const char16_t* pattern)
{
    return listFolder(pattern, false);
}

int listUserPacks()
{
    int n = 0;
    char16_t pattern[TEXT_MAX_PATH];
    static const char16_t* const kPatterns[] = {u"Packs/*.pak", u"Packs/*.zip"};
    for (const char16_t* p : kPatterns)
        if (pathInFolder(p, FOLDER_DOCUMENTS, pattern, TEXT_MAX_PATH))
            n += listFolder(pattern, true);
    return n;
}

void packRelease()
{
    Prefs* prefs = g_game.prefs;
    if (prefs->currentPack && prefs->currentPack[0])
        vfsUnmount(prefs->currentPack);
    prefsSetPack(prefs, nullptr);
}

void selectPack(int32_t index)
{
    Prefs* prefs = g_game.prefs;
    packRelease();
    freePackThumbs();
    PackEntry* e = static_cast<PackEntry*>(vecAt(&g_game.packs, index));
    if (!e)
        return;
    prefs->currentPackID = index;
    prefsSetPack(prefs, e->path);
    if (vfsMount(e->path) == 0) {
        logWrite("selectPack: the pack could not be opened as an archive: ", 0);
        logWrite(e->path, LOG_WIDE | LOG_EOL);
    }
    showTitle(e);
    const uint32_t format = screenFormat();
    for (int i = 0; i < GAME_PACK_PICTURES; i++) {
        void* slot = objGet(g_game.packSlots[i]);
        if (!slot)
            continue;
        SURFACE* sf = sfLoadTGA(kThumbs[i], format, nullptr);
        g_packThumbs[i] = sf;
        uiSetSurface(slot, sf);
        uiSetInt(slot, "visible", sf != nullptr);
    }
}

void enterChooser()
{
    const uint32_t format = screenFormat();
    freeBuiltinThumbs();
    for (int i = 0; i < kBuiltinButtons; i++)
        if (void* b = uiMember(g_game.scrChoose, 3 + i)) {
            g_builtinThumbs[i] = sfLoadTGA(kBuiltinThumbs[i], format, nullptr);
            uiSetSurface(b, g_builtinThumbs[i]);
        }
    packsInit();
    listPacks(u"Packs/*.pak");
    listPacks(u"Packs/*.zip");
    listUserPacks();
    const int32_t total = g_game.packs.count > 1 ? g_game.packs.count - 1 : 0;
    void* bar = packScrollbar();
    uiSetInt(bar, "total", total);
    Prefs* prefs = g_game.prefs;
    if (prefs->currentPackID < 0 || prefs->currentPackID > total)
        prefs->currentPackID = 0;
    selectPack(prefs->currentPackID);
    uiSetInt(bar, "current", prefs->currentPackID);
}

void leaveChooser()
{
    freePackThumbs();
    freeBuiltinThumbs();
}
