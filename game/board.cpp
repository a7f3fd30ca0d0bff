// The board: slicing a picture, building a board fresh or from a saved
// position, the shuffle, animated moves by key and pen, and the solved test.
//
// Invariants: while no move runs exactly one node is empty and every piece's
// loc names the node whose piece it is. During a move the source node is
// already empty and the target not yet filled; g_game.movingPiece and
// g_game.moveTarget hold the two until finishMove commits them.
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "app/log.h"
#include "app/text.h"
#include "engine/scene.h"
#include "game/game.h"
#include "gfx/surface.h"
#include "obj/worldfile.h"
#include "sound/sound.h"
#include "vfs/archive.h"

namespace {

constexpr int kShuffleSlides = 200;
constexpr int32_t kPropX = 4, kPropY = 5;  // indexes of x and y in every renderable class

const char16_t* const kDefPictures[GAME_BUILTIN_PICTURES] = {u"Graphics/Def0.tga", u"Graphics/Def1.tga",
                                                             u"Graphics/Def2.tga"};
const char16_t* const kDefThumbs[GAME_BUILTIN_PICTURES] = {u"Graphics/Thumb0.tga", u"Graphics/Thumb1.tga",
                                                           u"Graphics/Thumb2.tga"};
const char16_t* const kPackPictures[GAME_PACK_PICTURES] = {u"Image0.tga", u"Image1.tga", u"Image2.tga",
                                                           u"Image3.tga", u"Image4.tga", u"Image5.tga"};
const char16_t* const kPackThumbs[GAME_PACK_PICTURES] = {u"Thumb0.tga", u"Thumb1.tga", u"Thumb2.tga",
                                                         u"Thumb3.tga", u"Thumb4.tga", u"Thumb5.tga"};

int32_t sliceCount(const Puzzle* p)
{
    return p->nSliceWidth * p->nSliceHeight;
}

Node* asNode(ObjectId id)
{
    void* o = objGet(id);
    return objIsA(o, &g_nodeClass) ? static_cast<Node*>(o) : nullptr;
}

Piece* asPiece(ObjectId id)
{
    void* o = objGet(id);
    return objIsA(o, &g_pieceClass) ? static_cast<Piece*>(o) : nullptr;
}

Node* linkAt(const Node* n, int32_t i)
{
    const ObjectId* id = static_cast<const ObjectId*>(vecAt(&n->links, i));
    return id ? asNode(*id) : nullptr;
}

Node* emptyNode(const Puzzle* p)
{
    for (int32_t i = 0; i < p->objs.count; i++) {
        Node* n = asNode(*static_cast<const ObjectId*>(vecAt(&p->objs, i)));
        if (n && n->piece == OBJ_NONE)
            return n;
    }
    return nullptr;
}

// An object's position resolved through a routed event's view, stored back.
void resolvePosition(BaseRenderable* r, const InputEvent* ev)
{
    int32_t x, y;
    calcObjPos(r, ev ? ev->view : nullptr, &x, &y);
    r->x = x;
    r->y = y;
}

void playSound(int which)
{
    gamePlay(g_game.sounds[which]);
}

Piece* createPiece(Puzzle* p, Node* node, int32_t frame)
{
    Piece* piece = static_cast<Piece*>(objCreate(&g_pieceClass));
    if (!piece)
        return nullptr;
    piece->loc = objId(node);
    piece->x = node->x;
    piece->y = node->y;
    piece->sf = p->image;
    piece->frame = frame;
    node->piece = objId(piece);
    if (objCallMethod(p, M_ADDOBJ, piece) != 0) {
        node->piece = OBJ_NONE;
        objDestroy(piece);
        return nullptr;
    }
    return piece;
}

// Puts the pieces on the nodes; false when the board's nodes or the saved
// position do not allow a whole board (the caller then drops the board).
bool placePieces(Puzzle* p, const Vector* saved)
{
    const int32_t n = sliceCount(p);
    for (int32_t k = 0; k < n; k++) {
        Node* node = boardNode(p, k);
        if (!node)
            return false;
        node->piece = OBJ_NONE;
        int32_t frame = node->state;
        if (saved)
            frame = *static_cast<const int32_t*>(vecAt(saved, k));
        else if (node->state == n - 1)
            continue;
        if (frame < 0)
            continue;
        if (!createPiece(p, node, frame))
            return false;
    }
    return emptyNode(p) != nullptr;
}

void dropBoard(Puzzle* p)
{
    World* screen = static_cast<World*>(objGet(g_game.scrGame));
    if (objIsA(screen, &g_worldClass) && objCallMethod(screen, M_KILLOBJ, p) == 0)
        return;
    // Not yet on the screen: destroy the members, then the board.
    for (int32_t i = p->objs.count - 1; i >= 0; i--)
        if (void* m = objGet(*static_cast<ObjectId*>(vecAt(&p->objs, i))))
            objDestroy(m);
    objDestroy(p);
}

void startTimers(Puzzle* p, bool restore)
{
    if (void* timer = uiFind("CtlTimer", "timerGame", nullptr)) {
        uiSetInt(timer, "col", int32_t(0xBFBFBF));
        uiSetInt(timer, "object", objId(p));
        uiSetInt(timer, "active", 1);
    }
    if (restore)
        p->tStart = timeNow() - g_game.prefs->savedTime;
    if (void* best = uiFind("CtlTimer", "timerBest", nullptr))
        uiSetInt(best, "time", int32_t(g_game.prefs->besttime));
}

}

Node* boardNode(const Puzzle* p, int32_t k)
{
    const ObjectId* id = static_cast<const ObjectId*>(vecAt(&p->objs, k));
    return id ? asNode(*id) : nullptr;
}

// ---- Pictures --------------------------------------------------------------------------------------

void slicePicture(Puzzle* p)
{
    SURFACE* sf = static_cast<SURFACE*>(p->image);
    if (!sf || sf->frames.count > 0 || p->nSliceWidth <= 0 || p->nSliceHeight <= 0)
        return;
    const int32_t w = p->nSliceWidth, h = p->nSliceHeight;
    const int32_t sliceW = sf->width / w, sliceH = sf->height / h;
    for (int32_t row = 0; row < h; row++)
        for (int32_t col = 0; col < w; col++) {
            RECT r = {col * sliceW, row * sliceH, sliceW, sliceH};
            if (!sfFramesPush(&sf->frames, &r)) {
                sfFramesFree(&sf->frames);
                return;
            }
        }
}

void loadPuzzlePictures(Puzzle* p)
{
    Prefs* prefs = g_game.prefs;
    const bool pack = prefs->currentPack && prefs->currentPack[0];
    const int32_t count = pack ? GAME_PACK_PICTURES : GAME_BUILTIN_PICTURES;
    const int32_t i = prefs->currentImage;
    p->image = nullptr;
    p->thumb = nullptr;
    // An index outside the table (a damaged preferences file) loads nothing, so
    // the caller falls back to the built-in picture 0.
    if (i < 0 || i >= count)
        return;
    p->image = sfGetCached(pack ? kPackPictures[i] : kDefPictures[i]);
    p->thumb = sfGetCached(pack ? kPackThumbs[i] : kDefThumbs[i]);
    slicePicture(p);
}

void releasePuzzlePictures()
{
    if (g_game.cacheGeneration == 0)
        return;
    // Everything that draws one of the generation's pictures lets go first.
    void* preview = uiFind("CtlStatic", "preview", nullptr);
    void* solved = uiFind("CtlButton", "solvedImage", nullptr);
    for (void* ctl : {preview, solved})
        if (ctl)
            uiSetSurface(ctl, nullptr);
    if (solved)
        uiSetInt(solved, "visible", 0);
    if (Puzzle* p = g_game.puzzle) {
        p->image = nullptr;
        p->thumb = nullptr;
        for (int32_t i = 0; i < p->objs.count; i++)
            if (Piece* piece = asPiece(*static_cast<ObjectId*>(vecAt(&p->objs, i))))
                piece->sf = nullptr;
    }
    sfCachePurge(g_game.cacheGeneration);
    g_game.cacheGeneration = 0;
}

// ---- Building --------------------------------------------------------------------------------------

bool savedPosFits(const Vector* pos, int32_t n)
{
    if (!pos || pos->count != n || pos->elemSize != sizeof(int32_t) || n <= 0 || n > 4096)
        return false;
    int32_t empties = 0;
    uint8_t seen[4096] = {};
    for (int32_t k = 0; k < n; k++) {
        int32_t v = *static_cast<const int32_t*>(vecAt(pos, k));
        if (v == -1) {
            empties++;
            continue;
        }
        if (v < 0 || v >= n || seen[v])
            return false;
        seen[v] = 1;
    }
    return empties == 1;
}

bool setupPuzzle(const Vector* savedPos)
{
    Prefs* prefs = g_game.prefs;
    void* loaded = objLoadFile(u"Puzzle.w");
    if (!objIsA(loaded, &g_puzzleClass)) {
        logLine("setupPuzzle: Puzzle.w holds no Puzzle");
        if (loaded)
            objDestroy(loaded);
        return false;
    }
    Puzzle* p = static_cast<Puzzle*>(loaded);
    g_game.puzzle = p;
    const int32_t n = sliceCount(p);
    bool restore = savedPos && savedPos->count > 0;
    // A saved position that does not fit this board starts a new game instead
    // of building a board that cannot be solved.
    if (restore && !savedPosFits(savedPos, n)) {
        logLine("setupPuzzle: the saved position does not fit the board; starting a new game");
        restore = false;
    }
    if (prefs->currentPack && prefs->currentPack[0])
        vfsMount(prefs->currentPack);
    startTimers(p, restore);
    g_game.cacheGeneration = sfCacheNextGeneration();
    loadPuzzlePictures(p);
    if (!p->image) {
        logLine("setupPuzzle: the chosen picture cannot be loaded; using the built-in picture 0");
        prefs->currentImage = 0;
        packRelease();
        loadPuzzlePictures(p);
    }
    bool ok = p->image != nullptr && n > 0 && p->nSliceWidth > 0 && p->nSliceHeight > 0;
    if (ok && objFind(&g_pieceClass, nullptr, nullptr) == OBJ_NONE) {
        ok = placePieces(p, restore ? savedPos : nullptr);
        if (!ok)
            logLine("setupPuzzle: Puzzle.w does not list a node for every slice");
    }
    if (!ok) {
        g_game.puzzle = nullptr;
        dropBoard(p);
        if (void* timer = uiFind("CtlTimer", "timerGame", nullptr))
            uiSetInt(timer, "object", OBJ_NONE);
        sfCachePurge(g_game.cacheGeneration);
        g_game.cacheGeneration = 0;
        return false;
    }
    World* screen = static_cast<World*>(objGet(g_game.scrGame));
    if (objIsA(screen, &g_worldClass))
        objCallMethod(screen, M_ADDOBJ, p);
    if (void* vp = uiFind("WorldViewport", "vpPuzzle", nullptr))
        uiSetInt(vp, "world", objId(p));
    if (void* preview = uiFind("CtlStatic", "preview", objGet(g_game.puzzleUI)))
        uiSetSurface(preview, p->thumb);
    srand(timeNow() & 0xFFFF);
    if (!restore)
        shuffleBoard(p);
    return true;
}

// ---- Shuffle and moves -----------------------------------------------------------------------------

void placePiece(Piece* piece, Node* node)
{
    if (Node* from = asNode(piece->loc))
        from->piece = OBJ_NONE;
    piece->loc = objId(node);
    piece->x = node->x;
    piece->y = node->y;
    node->piece = objId(piece);
}

void shuffleBoard(Puzzle* p)
{
    Node* empty = emptyNode(p);
    Node* previous = nullptr;
    for (int i = 0; empty && i < kShuffleSlides; i++) {
        const int32_t c = empty->links.count;
        if (c <= 0)
            return;
        int32_t r = rand() % c;
        Node* candidate = linkAt(empty, r);
        if (candidate == previous || (candidate && candidate->links.count == 1))
            candidate = linkAt(empty, r > 0 ? r - 1 : c > 1 ? 1 : 0);
        Piece* piece = candidate ? asPiece(candidate->piece) : nullptr;
        if (!piece)
            return;
        placePiece(piece, empty);
        previous = empty;
        empty = candidate;
    }
}

void startMove(Piece* piece, Node* target)
{
    KeyControl* mover = static_cast<KeyControl*>(objGet(g_game.pieceMover));
    Puzzle* p = g_game.puzzle;
    if (!objIsA(mover, &g_keyControlClass) || mover->objs.count < 1 || mover->keys.count < 2 || !p)
        return;
    const TIME t = timeNow() - piece->tStart;
    if (Node* from = asNode(piece->loc))
        from->piece = OBJ_NONE;
    ObjectId id = objId(piece);
    memcpy(vecAt(&mover->objs, 0), &id, sizeof id);
    // NOTE: the piece's x and y are its node's position, plain values; its
    // laid-out box may not exist yet when a key arrives before the first frame.
    const bool vertical = piece->x == target->x;
    mover->propid = vertical ? kPropY : kPropX;
    Key* k0 = static_cast<Key*>(vecAt(&mover->keys, 0));
    Key* k1 = static_cast<Key*>(vecAt(&mover->keys, 1));
    *k0 = Key{t, vertical ? piece->y : piece->x};
    *k1 = Key{t + g_game.prefs->movetime, vertical ? target->y : target->x};
    mover->active = 1;
    p->moving = 1;
    g_game.movingPiece = id;
    g_game.moveTarget = objId(target);
}

void finishMove()
{
    Puzzle* p = g_game.puzzle;
    Piece* piece = asPiece(g_game.movingPiece);
    Node* target = asNode(g_game.moveTarget);
    if (p)
        p->moving = 0;
    g_game.movingPiece = OBJ_NONE;
    g_game.moveTarget = OBJ_NONE;
    if (!piece || !target)
        return;
    piece->loc = objId(target);
    piece->x = target->x;
    piece->y = target->y;
    target->piece = objId(piece);
}

bool isSolved(const Puzzle* p)
{
    const int32_t n = sliceCount(p);
    for (int32_t i = 0; i < p->objs.count; i++) {
        const Node* node = asNode(*static_cast<const ObjectId*>(vecAt(&p->objs, i)));
        if (!node || node->piece == OBJ_NONE || node->state >= n)
            continue;
        const Piece* piece = asPiece(node->piece);
        if (piece && piece->frame != node->state)
            return false;
    }
    return true;
}

// ---- Input -----------------------------------------------------------------------------------------

int Piece_KeyRelease(void* obj, void* arg)
{
    Piece* piece = static_cast<Piece*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    Puzzle* p = g_game.puzzle;
    if (!p || p->moving)
        return 2;
    if (!ev || ev->key != KEY_PEN)
        return 0;
    Node* node = asNode(piece->loc);
    for (int32_t i = 0; node && i < node->links.count; i++) {
        Node* l = linkAt(node, i);
        if (!l)
            continue;
        resolvePosition(l, ev);
        if (l->piece == OBJ_NONE) {
            startMove(piece, l);
            playSound(SND_MOVEPIECE);
            return 0;
        }
    }
    playSound(SND_ERROR);
    return CMD_BLOCKED_PIECE;
}

int Puzzle_MoveKeyFocus(void* obj, void* arg)
{
    Puzzle* p = static_cast<Puzzle*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ev || ev->type != EV_RELEASE)
        return 0;
    if (ev->key != KEY_UP && ev->key != KEY_DOWN && ev->key != KEY_LEFT && ev->key != KEY_RIGHT)
        return 0;
    if (p->moving)
        return 1;
    Node* empty = emptyNode(p);
    if (!empty)
        return 1;
    int32_t ex, ey;
    calcObjPos(empty, ev->view, &ex, &ey);
    for (int32_t i = 0; i < empty->links.count; i++) {
        Node* l = linkAt(empty, i);
        Piece* piece = l ? asPiece(l->piece) : nullptr;
        if (!piece)
            continue;
        resolvePosition(piece, ev);
        const bool fits = ev->key == KEY_UP     ? piece->x == ex && piece->y > ey
                          : ev->key == KEY_DOWN ? piece->x == ex && piece->y < ey
                          : ev->key == KEY_LEFT ? piece->y == ey && piece->x > ex
                                                : piece->y == ey && piece->x < ex;
        if (fits) {
            startMove(piece, empty);
            playSound(SND_MOVEPIECE);
            return 1;
        }
    }
    playSound(SND_ERROR);
    return 1;
}
