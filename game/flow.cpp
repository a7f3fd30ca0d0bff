// The game's start-up after the engine is up, the work of every frame (frame
// rate, battery, the end of a move, the command code) and the shut-down that
// saves the position and the preferences.
//
// The screens are Worlds loaded from their files and added to the main World;
// the WorldViewport "vpMain" shows one of them at a time. Every screen change
// happens here, by command code.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "app/app.h"
#include "app/files.h"
#include "app/host.h"
#include "app/log.h"
#include "app/text.h"
#include "engine/scene.h"
#include "engine/startup.h"
#include "game/game.h"
#include "game/hint.h"
#include "gfx/surface.h"
#include "obj/worldfile.h"
#include "sound/sound.h"
#include "vfs/vfs.h"

Game g_game;

namespace {

constexpr int32_t kFpsTextCap = 23;  // sign, ten digits, point, two decimals, and room to spare
constexpr TIME kBatteryRefresh = 5000;
constexpr int32_t kFirstPackSlot = 6;

const char16_t* const kSoundFiles[SND_COUNT] = {u"sfx/Tobex.wav", u"sfx/Error.wav", u"sfx/Menuclick.wav",
                                                u"sfx/MovePiece.wav", u"sfx/Complete.wav"};
const char16_t* const kAdverts[4] = {u"Graphics/Products_AA.tga", u"Graphics/Products_BB.tga",
                                     u"Graphics/Products_CC.tga", u"Graphics/Products_DD.tga"};
const char16_t* const kFullPictures[GAME_PACK_PICTURES] = {u"Full0.tga", u"Full1.tga", u"Full2.tga",
                                                           u"Full3.tga", u"Full4.tga", u"Full5.tga"};

World* worldOf(ObjectId id)
{
    void* w = objGet(id);
    return objIsA(w, &g_worldClass) ? static_cast<World*>(w) : nullptr;
}

ObjectId findId(const char* cls, const char* name, void* world)
{
    return objId(uiFind(cls, name, world));
}

ObjectId loadScreen(const char* name)
{
    char16_t file[64];
    textFromLatin1(file, 64, name);
    textAppend(file, 64, u".w");
    void* w = objLoadFile(file);
    if (!objIsA(w, &g_worldClass)) {
        char16_t text[128] = u"Could not load script file ";
        char16_t wide[64];
        textFromLatin1(wide, 64, name);
        textAppend(text, 128, wide);
        appFatal(text);
    }
    objCallMethod(g_game.mainWorld, M_ADDOBJ, w);
    return objId(w);
}

void* volumeBar()
{
    return uiFirstOf(g_game.scrGame, "CtlScrollbar2");
}

void* muteButton()
{
    return uiFirstOf(g_game.scrGame, "CtlButton2State");
}

void applyVolume()
{
    void* bar = volumeBar();
    if (!bar)
        return;
    int32_t total = uiGetInt(bar, "total", 0);
    float v = total > 0 ? float(uiGetInt(bar, "current", 0)) / float(total) : 0.0f;
    sndSetVolume(v);
}

void applyMute()
{
    if (void* b = muteButton())
        sndSetMute(uiGetInt(b, "state", 0) != 0);
}

// The fps static gets text storage that holds the longest figure.
void prepareFpsText()
{
    void* fps = objGet(g_game.fps);
    if (!fps || uiTextLen(fps, "text") >= kFpsTextCap)
        return;
    char16_t blank[kFpsTextCap + 1];
    for (int i = 0; i < kFpsTextCap; i++)
        blank[i] = u' ';
    blank[kFpsTextCap] = 0;
    uiSetText(fps, "text", blank);
    uiWriteText(fps, "text", u"", kFpsTextCap);
}

// The class default font of the text controls becomes the first CtlFont.
void defaultFont()
{
    ObjectId font = findId("CtlFont", nullptr, nullptr);
    if (font == OBJ_NONE)
        return;
    for (const char* cls : {"CtlStatic", "CtlButton", "CtlFileListItem"})
        if (ClassDesc* c = classFind(cls))
            uiSetInt(c->defaults, "font", font);
}

void restoreSoundSettings()
{
    if (void* bar = volumeBar()) {
        int32_t total = uiGetInt(bar, "total", 0);
        int32_t v = g_game.prefs->volume;
        uiSetInt(bar, "current", v < 0 ? 0 : v > total ? total : v);
        applyVolume();
    }
    if (void* b = muteButton()) {
        uiSetInt(b, "state", g_game.prefs->mute ? 1 : 0);
        applyMute();
    }
}

void findPackControls()
{
    void* chooser = objGet(g_game.scrChoose);
    g_game.packTitle = findId("CtlStatic", "packtitle", chooser);
    void* title = objGet(g_game.packTitle);
    g_game.packTitleCap = uiTextLen(title, "text");
    uiWriteText(title, "text", u"", g_game.packTitleCap);
    ClassDesc* button = classFind("CtlButton");
    for (int i = 0; i < GAME_PACK_PICTURES; i++) {
        void* m = uiMember(g_game.scrChoose, kFirstPackSlot + i);
        g_game.packSlots[i] = m && button && static_cast<ObjHeader*>(m)->cls == button ? objId(m) : OBJ_NONE;
    }
}

// ---- Frame work ------------------------------------------------------------------------------------

void showFps(const FrameStats* stats)
{
    void* fps = objGet(g_game.fps);
    if (!fps || !uiGetInt(fps, "visible", 0) || !stats)
        return;
    // Exactly two decimals, cut rather than rounded.
    long long hundredths = (long long)(double(stats->fps) * 100.0);
    char text[32];
    snprintf(text, sizeof text, "%lld.%02lld", hundredths / 100, hundredths % 100);
    char16_t wide[32];
    textFromLatin1(wide, 32, text);
    uiWriteText(fps, "text", wide, kFpsTextCap);
}

void showBattery()
{
    void* battery = objGet(g_game.battery);
    TIME now = timeNow();
    if (!battery || now - g_game.batteryTime <= kBatteryRefresh)
        return;
    int charge = hostBatteryPercent();
    if (charge < 0 || charge > 100)
        charge = 100;
    int32_t frame = charge >= 91 ? 4 : charge >= 61 ? 3 : charge >= 36 ? 2 : charge >= 13 ? 1 : 0;
    uiSetInt(battery, "blink", frame == 0 ? 700 : 0);
    uiSetInt(battery, "frame", frame);
    g_game.batteryTime = now;
}

void dropPuzzle()
{
    hintReset();
    releasePuzzlePictures();
    if (void* timer = uiFind("CtlTimer", "timerGame", nullptr))
        uiSetInt(timer, "object", OBJ_NONE);
    if (void* vp = uiFind("WorldViewport", "vpPuzzle", nullptr))
        uiSetInt(vp, "world", OBJ_NONE);
    if (Puzzle* p = g_game.puzzle) {
        g_game.puzzle = nullptr;
        if (World* screen = worldOf(g_game.scrGame))
            World_KillObj(screen, p);
    }
    g_game.movingPiece = OBJ_NONE;
    g_game.moveTarget = OBJ_NONE;
}

void toMenu()
{
    if (void* solved = uiFind("CtlButton", "solvedImage", nullptr))
        uiSetInt(solved, "visible", 0);
    showScreen(g_game.scrMain);
    vecResize(&g_game.prefs->savedPos, 0);
    dropPuzzle();
}

void startGame(const Vector* saved, bool fromChooser)
{
    if (g_game.puzzle)
        dropPuzzle();
    if (!setupPuzzle(saved)) {
        gameMessage(u"Error loading puzzle/image");
        return;
    }
    if (fromChooser)
        leaveChooser();
    showScreen(g_game.scrGame);
}

void showAdvert()
{
    World* outro = worldOf(g_game.scrIntro);
    void* sprite = outro ? uiMember(g_game.scrIntro, 0) : nullptr;
    void* button = outro ? uiMember(g_game.scrIntro, 1) : nullptr;
    if (!objIsA(sprite, &g_spriteClass) || !button)
        return;
    srand(timeNow());
    int i = rand() % 4;
    Sprite* s = static_cast<Sprite*>(sprite);
    if (s->sf)
        sfDestroy(static_cast<SURFACE*>(s->sf));
    s->sf = nullptr;
    uiSetText(s, "file", kAdverts[i]);
    uiSetSurface(button, nullptr);
    uiSetInt(button, "idCtl", uiGetInt(button, "idCtl", 0) + 1);
}

void showOutro()
{
    void* w = objLoadFile(u"ScrOutro.w");
    if (!objIsA(w, &g_worldClass)) {
        logLine("gameWork: ScrOutro.w could not be loaded; quitting");
        g_game.quit = true;
        return;
    }
    objCallMethod(g_game.mainWorld, M_ADDOBJ, w);
    g_game.scrIntro = objId(w);
    showScreen(g_game.scrIntro);
}

void openWebSite()
{
    // The game's own documentation, beside the program; never an outside address.
    char16_t path[TEXT_MAX_PATH];
    char utf8[TEXT_MAX_PATH * 3];
    if (!pathInFolder(u"README.md", FOLDER_PROGRAM, path, TEXT_MAX_PATH) ||
        !textToUtf8(utf8, sizeof utf8, path))
        return;
    char url[sizeof utf8 + 8];
    snprintf(url, sizeof url, "file://%s", utf8);
    logWrite("Opening ", 0);
    logLine(url);
    if (!hostIsHeadless())
        hostOpenUrl(url);
}

// A pack's full picture i, when the chosen pack holds one.
bool packHasFull(int32_t i)
{
    const Prefs* prefs = g_game.prefs;
    if (!prefs->currentPack || !prefs->currentPack[0] || i < 0 || i >= GAME_PACK_PICTURES)
        return false;
    VFile* f = vfsOpen(kFullPictures[i]);
    if (!f)
        return false;
    vfsClose(f);
    return true;
}

void solvedCheck()
{
    Puzzle* p = g_game.puzzle;
    if (!p || p->solved || !isSolved(p))
        return;
    gamePlay(g_game.sounds[SND_COMPLETE]);
    void* timer = uiFind("CtlTimer", "timerGame", nullptr);
    void* best = uiFind("CtlTimer", "timerBest", nullptr);
    if (timer) {
        uiSetInt(timer, "active", 0);
        uint32_t t = uint32_t(uiGetInt(timer, "time", 0));
        logWrite("Solved in (ms): ", 0);
        logWrite(&t, LOG_INT | LOG_EOL);
        if (best && t < uint32_t(uiGetInt(best, "time", 0))) {
            logLine("A new best time");
            uiSetInt(timer, "col", int32_t(0xFF6464));
            g_game.prefs->besttime = t;
        }
    }
    void* solved = uiFind("CtlButton", "solvedImage", nullptr);
    WorldViewport* vp = static_cast<WorldViewport*>(uiFind("WorldViewport", "vpPuzzle", nullptr));
    if (solved && vp) {
        const int32_t i = g_game.prefs->currentImage;
        SURFACE* full = nullptr;
        if (packHasFull(i)) {
            // The board's pictures go; nothing may keep drawing them.
            releasePuzzlePictures();
            g_game.cacheGeneration = sfCacheNextGeneration();
            full = sfGetCached(kFullPictures[i]);
        }
        if (full) {
            logWrite("Showing the pack's full picture ", 0);
            logWrite(kFullPictures[i], LOG_WIDE | LOG_EOL);
            uiSetSurface(solved, full);
            uiSetInt(solved, "y", full->height == vp->vp.h ? vp->y : 0);
        } else if (SURFACE* image = static_cast<SURFACE*>(p->image)) {
            uiSetSurface(solved, image);
            uiSetInt(solved, "y", vp->y);
            sfFramesFree(&image->frames);
        }
        uiSetInt(solved, "visible", 1);
    }
    for (int32_t i = p->objs.count - 1; i >= 0; i--) {
        void* m = objGet(*static_cast<ObjectId*>(vecAt(&p->objs, i)));
        if (objIsA(m, &g_nodeClass) || objIsA(m, &g_pieceClass))
            World_KillObj(p, m);
    }
    p->solved = 1;
}

void act(int command)
{
    Prefs* prefs = g_game.prefs;
    switch (command) {
    case CMD_TO_MENU:
        toMenu();
        return;
    case CMD_BACK_TO_GAME:
        showScreen(g_game.scrGame);
        return;
    case CMD_QUIT:
        if (!g_game.puzzle || !g_game.puzzle->moving)
            g_game.quit = true;
        return;
    case CMD_LEAVE_GAME:
        if (g_game.puzzle && !g_game.puzzle->solved)
            showScreen(g_game.msgBox);
        else
            toMenu();
        return;
    case CMD_VOLUME:
        applyVolume();
        return;
    case CMD_MUTE:
        applyMute();
        return;
    case CMD_INTRO_OVER:
        if (void* intro = objGet(g_game.scrIntro))
            World_KillObj(g_game.mainWorld, intro);
        g_game.scrIntro = OBJ_NONE;
        sndFree(g_game.sounds[SND_TOBEX]);
        g_game.sounds[SND_TOBEX] = nullptr;
        showScreen(g_game.scrMain);
        return;
    case CMD_ADVERT:
        showAdvert();
        return;
    case CMD_QUIT_OUTRO:
        g_game.quit = true;
        return;
    case CMD_NEW_GAME:
        startGame(nullptr, false);
        return;
    case CMD_CONTINUE:
        if (prefs->savedPos.count == 0)
            gamePlay(g_game.sounds[SND_ERROR]);
        else
            startGame(&prefs->savedPos, false);
        return;
    case CMD_CHOOSER:
        showScreen(g_game.scrChoose);
        enterChooser();
        return;
    case CMD_OUTRO:
        showOutro();
        return;
    case CMD_PACK_SCROLL:
        if (void* bar = uiFirstOf(g_game.scrChoose, "CtlScrollbar1")) {
            int32_t current = uiGetInt(bar, "current", 0);
            if (current != prefs->currentPackID) {
                gamePlay(g_game.sounds[SND_MENUCLICK]);
                selectPack(current);
            }
        }
        return;
    case CMD_CHOOSER_BACK:
        selectPack(-1);
        leaveChooser();
        showScreen(g_game.scrMain);
        return;
    case CMD_WEB_SITE:
        openWebSite();
        return;
    case CMD_SOLVED_CHECK:
        solvedCheck();
        return;
    default:
        break;
    }
    if (command >= CMD_BUILTIN_FIRST && command < CMD_PACK_PICTURE_FIRST) {
        // The pack goes with its archive, so its members cannot stand in for
        // those of a pack chosen later.
        packRelease();
        prefs->currentImage = command - CMD_BUILTIN_FIRST;
        startGame(nullptr, true);
    } else if (command >= CMD_PACK_PICTURE_FIRST && command <= CMD_PACK_PICTURE_LAST) {
        prefs->currentImage = command - CMD_PACK_PICTURE_FIRST;
        startGame(nullptr, true);
    }
}

// Gives w's focus, and its member Worlds' focus on the way, to the member
// target; false when target is not inside w.
bool focusOn(World* w, ObjectId target, int depth)
{
    for (int32_t i = 0; depth < 8 && i < w->objs.count; i++) {
        void* m = uiMember(objId(w), i);
        bool inside = objId(m) == target ||
                      (objIsA(m, &g_worldClass) && focusOn(static_cast<World*>(m), target, depth + 1));
        if (inside) {
            worldSetFocus(w, i, nullptr);
            return true;
        }
    }
    return false;
}

// Gives a screen's key focus a sensible start: the board on the game screen
// (so the direction keys slide pieces at once), else the first member that
// takes the focus.
void focusScreen(World* w)
{
    if (w == worldOf(g_game.scrGame) && focusOn(w, findId("WorldViewport", "vpPuzzle", nullptr), 0))
        return;
    if (w->focus < 0)
        worldStepFocus(w, 1, nullptr);
}
}

// ---- Sounds and screens ----------------------------------------------------------------------------

void gamePlay(Sound* s)
{
    sndPlay(s, nullptr);
}

void showScreen(ObjectId world)
{
    void* vp = objGet(g_game.vpMain);
    World* w = worldOf(world);
    if (!vp || !w)
        return;
    uiSetInt(vp, "world", world);
    focusScreen(w);
    logWrite("Screen ", 0);
    logLine(w->name);
}

ObjectId shownScreen()
{
    return uiGetInt(objGet(g_game.vpMain), "world", OBJ_NONE);
}

void gameMessage(const char16_t* text)
{
    logWrite(text, LOG_WIDE | LOG_EOL);
    appMessageBox(text, 0);
}

// ---- Start-up, frame work, shut-down ---------------------------------------------------------------

void gameStartUp()
{
    if (!gameRegisterClasses())
        appFatal(u"Fatal: could not register the game's classes");
    for (int i = 0; i < SND_COUNT; i++)
        g_game.sounds[i] = sndLoad(kSoundFiles[i]);
    g_game.mainWorld = static_cast<World*>(engineLoadMain(u"main.w"));
    defaultFont();
    g_game.vpMain = findId("WorldViewport", "vpMain", nullptr);
    g_game.scrIntro = loadScreen("ScrIntro");
    g_game.scrMain = loadScreen("ScrMain");
    g_game.scrChoose = loadScreen("ScrChoose");
    g_game.scrGame = loadScreen("ScrGame");
    g_game.msgBox = loadScreen("MsgBox");
    showScreen(g_game.scrIntro);
    g_game.puzzleUI = findId("World", "PuzzleUI", nullptr);
    g_game.fps = findId("CtlStatic", "fps", nullptr);
    g_game.battery = findId("CtlStatic", "battery", nullptr);
    g_game.pieceMover = findId("KeyControl", "PieceMover", nullptr);
    prepareFpsText();
    g_game.prefs = prefsLoad();
    if (!g_game.prefs)
        appFatal(u"Fatal: could not create the preferences");
    findPackControls();
    restoreSoundSettings();
    g_game.batteryTime = TIME(-6000);
    g_game.movingPiece = OBJ_NONE;
    g_game.moveTarget = OBJ_NONE;
    gamePlay(g_game.sounds[SND_TOBEX]);
}

bool gameWork(int command, const FrameStats* stats)
{
    showFps(stats);
    showBattery();
    Puzzle* p = g_game.puzzle;
    void* mover = objGet(g_game.pieceMover);
    if (command == 0 && p && p->moving && !uiGetInt(mover, "active", 0)) {
        finishMove();
        command = CMD_SOLVED_CHECK;
    }
    hintWork(command);
    // The log tells every command the screens gave (1 and 2 only say "handled").
    if (command > 2) {
        logWrite("Command ", 0);
        logWrite(&command, LOG_INT | LOG_EOL);
    }
    if (command >= 101 && command <= 152 && command != CMD_VOLUME && command != CMD_PACK_SCROLL)
        gamePlay(g_game.sounds[SND_MENUCLICK]);
    act(command);
    return g_game.quit;
}

void gameCancelQuit()
{
    g_game.quit = false;
    if (void* outro = objGet(g_game.scrIntro))
        World_KillObj(g_game.mainWorld, outro);
    g_game.scrIntro = OBJ_NONE;
    logLine("gameCancelQuit: quit turned into a return to the menu");
    toMenu();
}

void gameShutDown()
{
    Prefs* prefs = g_game.prefs;
    Puzzle* p = g_game.puzzle;
    if (prefs && p && shownScreen() == g_game.scrGame) {
        vecResize(&prefs->savedPos, 0);
        if (p->moving)
            finishMove();
        if (!p->solved) {
            if (void* timer = uiFind("CtlTimer", "timerGame", nullptr))
                prefs->savedTime = TIME(uiGetInt(timer, "time", 0));
            const int32_t n = p->nSliceWidth * p->nSliceHeight;
            for (int32_t k = 0; k < n; k++) {
                Node* node = boardNode(p, k);
                void* piece = node ? objGet(node->piece) : nullptr;
                int32_t v = objIsA(piece, &g_pieceClass) ? static_cast<Piece*>(piece)->frame : -1;
                vecPush(&prefs->savedPos, &v);
            }
        }
    }
    dropPuzzle();
    hintShutDown();
    leaveChooser();
    if (prefs) {
        if (void* bar = volumeBar())
            prefs->volume = uiGetInt(bar, "current", prefs->volume);
        if (void* b = muteButton())
            prefs->mute = uint8_t(uiGetInt(b, "state", 0) & 0xFF);
        prefsSave(prefs);
    }
    for (Sound*& s : g_game.sounds) {
        sndFree(s);
        s = nullptr;
    }
    packsFree();
}
