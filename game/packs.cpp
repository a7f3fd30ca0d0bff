// Picture packs and the chooser: the pack list built from "Packs/*.pak" and
// "Packs/*.zip" beside the program, selecting (mounting) one pack at a time,
// its title and thumbnails on the chooser screen.
//
// A pack's path is kept relative ("Packs/" + name), so preferences that name
// it stay valid when the game's folder is moved.
#include <string.h>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "game/game.h"
#include "gfx/display.h"
#include "gfx/image.h"
#include "vfs/archive.h"

namespace {

constexpr int32_t kBuiltinButtons = 3;  // objs 3..5 of the chooser

const char16_t* const kBuiltinThumbs[GAME_BUILTIN_PICTURES] = {u"Graphics/Thumb0.tga", u"Graphics/Thumb1.tga",
                                                               u"Graphics/Thumb2.tga"};
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
        if (folderLen + textLen(found.name) + 1 > size_t(PACK_NAME_MAX))
            continue;
        memcpy(e.path, pattern, folderLen * sizeof(char16_t));
        textCopy(e.path + folderLen, PACK_NAME_MAX - folderLen, found.name);
        if (vecPush(&g_game.packs, &e) >= 0)
            n++;
    } while (findNext(&found));
    findClose(&found);
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
