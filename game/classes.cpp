// The game's four classes: descriptors, defaults and method slots.
//
// Property lists repeat the inherited properties first, in the base class's
// order, so that a property's index is the same in the derived class (the
// piece mover animates property 4, x, or 5, y, of any renderable object).
// Every slot is bound here, also those equal to the base class's, so the
// classes do not depend on how the registry fills empty slots.
#include <stddef.h>
#include <string.h>

#include <initializer_list>

#include "engine/startup.h"
#include "game/game.h"
#include "obj/classdesc.h"
#include "obj/worldfile.h"

#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

constexpr const char* kNoRef = nullptr;

#define BASE_PROPS(R) OBJ_PROP(R, name, PT_STRING16, 0, kNoRef)
#define RENDERABLE_PROPS(R)                                                                                 \
    BASE_PROPS(R), OBJ_PROP(R, tStart, PT_TIME, PF_NEVER, kNoRef), OBJ_PROP(R, active, PT_BOOL, 0, kNoRef), \
        OBJ_PROP(R, visible, PT_BOOL, 0, kNoRef), OBJ_PROP(R, x, PT_INT, 0, kNoRef),                        \
        OBJ_PROP(R, y, PT_INT, 0, kNoRef), OBJ_PROP(R, z, PT_INT, 0, kNoRef),                               \
        OBJ_PROP(R, width, PT_INT, 0, kNoRef), OBJ_PROP(R, height, PT_INT, 0, kNoRef),                      \
        OBJ_PROP(R, bbox, PT_RECT, PF_NEVER, kNoRef), OBJ_PROP(R, infocus, PT_INT, PF_NEVER, kNoRef),       \
        OBJ_PROP(R, tabstop, PT_INT, 0, kNoRef), OBJ_PROP(R, shortcutKey, PT_INT, 0, kNoRef)
#define ACTOR_PROPS(R)                                                                                 \
    RENDERABLE_PROPS(R), OBJ_PROP(R, alpha, PT_INT, 0, kNoRef), OBJ_PROP(R, angle, PT_INT, 0, kNoRef), \
        OBJ_PROP(R, sx, PT_FIXED16, 0, kNoRef), OBJ_PROP(R, sy, PT_FIXED16, 0, kNoRef),                \
        OBJ_PROP(R, parent, PT_OBJECTID, 0, "Actor"), OBJ_PROP(R, sprite, PT_OBJECTID, 0, "Sprite"),   \
        OBJ_PROP(R, sf, PT_PTR, 0, kNoRef), OBJ_PROP(R, frame, PT_INT, 0, kNoRef),                     \
        OBJ_PROP(R, state, PT_INT, 0, kNoRef)
#define WORLD_PROPS(R)                                                                                       \
    RENDERABLE_PROPS(R), OBJ_PROP(R, objs, PT_OBJLIST, 0, "Base"), OBJ_PROP(R, changed, PT_BOOL, 0, kNoRef), \
        OBJ_PROP(R, focus, PT_INT, PF_NEVER, kNoRef), OBJ_PROP(R, viewportFocus, PT_INT, PF_NEVER, kNoRef),  \
        OBJ_PROP(R, bKeysMoveFocus, PT_BOOL, 0, kNoRef), OBJ_PROP(R, bPenMovesFocus, PT_BOOL, 0, kNoRef)

#define BASE_METHODS                                                                    \
    OBJ_METHOD("Save", M_SAVE), OBJ_METHOD("Load", M_LOAD), OBJ_METHOD("Sync", M_SYNC), \
        OBJ_METHOD("Debug", M_DEBUG)
#define RESPONSIVE_METHODS                                                                      \
    BASE_METHODS, OBJ_METHOD("Live", M_LIVE), OBJ_METHOD("Render", M_RENDER),                   \
        OBJ_METHOD("CalcBBox", M_CALCBBOX), OBJ_METHOD("HandleInputEvent", M_HANDLEINPUTEVENT), \
        OBJ_METHOD("InKeyPress", M_INKEYPRESS), OBJ_METHOD("InKeyRepeat", M_INKEYREPEAT),       \
        OBJ_METHOD("InKeyRelease", M_INKEYRELEASE), OBJ_METHOD("InFocusIn", M_INFOCUSIN),       \
        OBJ_METHOD("InFocusOut", M_INFOCUSOUT), OBJ_METHOD("InPenMove", M_INPENMOVE)

constexpr int kActorMethods = 15, kWorldMethods = 18, kBaseMethods = 4;

PropDesc g_nodeDescs[] = {
    ACTOR_PROPS(Node),
    OBJ_PROP(Node, piece, PT_OBJECTID, PF_NEVER, "Piece"),
    OBJ_PROP(Node, links, PT_OBJLIST, 0, "Node"),
    RESPONSIVE_METHODS,
    OBJ_METHOD("Collide", M_COLLIDE),
};
PropDesc g_pieceDescs[] = {
    ACTOR_PROPS(Piece),
    OBJ_PROP(Piece, loc, PT_OBJECTID, 0, "Node"),
    RESPONSIVE_METHODS,
    OBJ_METHOD("Collide", M_COLLIDE),
};
PropDesc g_puzzleDescs[] = {
    WORLD_PROPS(Puzzle),
    OBJ_PROP(Puzzle, imageFileName, PT_TSTRING, 0, kNoRef),
    OBJ_PROP(Puzzle, image, PT_PTR, 0, kNoRef),
    OBJ_PROP(Puzzle, thumb, PT_PTR, 0, kNoRef),
    OBJ_PROP(Puzzle, nSliceWidth, PT_INT, 0, kNoRef),
    OBJ_PROP(Puzzle, nSliceHeight, PT_INT, 0, kNoRef),
    OBJ_PROP(Puzzle, solved, PT_BOOL, PF_NEVER, kNoRef),
    OBJ_PROP(Puzzle, moving, PT_BOOL, PF_NEVER, kNoRef),
    RESPONSIVE_METHODS,
    OBJ_METHOD("AddObj", M_ADDOBJ),
    OBJ_METHOD("RemoveObj", M_REMOVEOBJ),
    OBJ_METHOD("KillObj", M_KILLOBJ),
    OBJ_METHOD("MoveKeyFocus", M_MOVEKEYFOCUS),
};
PropDesc g_prefsDescs[] = {
    BASE_PROPS(Prefs),
    OBJ_PROP(Prefs, movetime, PT_TIME, 0, kNoRef),
    OBJ_PROP(Prefs, currentPack, PT_TSTRING, 0, kNoRef),
    OBJ_PROP(Prefs, currentPackID, PT_INT, 0, kNoRef),
    OBJ_PROP(Prefs, currentImage, PT_INT, 0, kNoRef),
    OBJ_PROP(Prefs, savedPos, PT_INTVECT, 0, kNoRef),
    OBJ_PROP(Prefs, savedTime, PT_TIME, 0, kNoRef),
    OBJ_PROP(Prefs, volume, PT_INT, 0, kNoRef),
    OBJ_PROP(Prefs, mute, PT_BOOL, 0, kNoRef),
    OBJ_PROP(Prefs, besttime, PT_TIME, 0, kNoRef),
    BASE_METHODS,
};

ObjMethod g_nodeSlots[kActorMethods];
ObjMethod g_pieceSlots[kActorMethods];
ObjMethod g_puzzleSlots[kWorldMethods];
ObjMethod g_prefsSlots[kBaseMethods];

Node g_defNode;
Piece g_defPiece;
Puzzle g_defPuzzle;
Prefs g_defPrefs;

// The defaults start as the base class's default object (engine classes are
// registered by then), with the game's own values on top.
void initDefaults()
{
    memset(static_cast<void*>(&g_defNode), 0, sizeof g_defNode);
    memset(static_cast<void*>(&g_defPiece), 0, sizeof g_defPiece);
    memset(static_cast<void*>(&g_defPuzzle), 0, sizeof g_defPuzzle);
    memset(static_cast<void*>(&g_defPrefs), 0, sizeof g_defPrefs);
    memcpy(static_cast<void*>(&g_defNode), g_actorClass.defaults, sizeof(Actor));
    memcpy(static_cast<void*>(&g_defPiece), g_actorClass.defaults, sizeof(Actor));
    memcpy(static_cast<void*>(&g_defPuzzle), g_worldClass.defaults, sizeof(World));
    memcpy(static_cast<void*>(&g_defPrefs), g_baseClass.defaults, sizeof(Base));
    // The copied Vector headers must not share the base's storage: every vector
    // property is set up again by classRegister's type init.
    g_defPuzzle.objs = Vector{};
    g_defNode.visible = 0;
    g_defNode.piece = OBJ_NONE;
    g_defPiece.tabstop = 1;
    g_defPiece.loc = OBJ_NONE;
    g_defPuzzle.visible = 0;
    g_defPuzzle.bKeysMoveFocus = 1;
    g_defPrefs.movetime = PREFS_DEFAULT_MOVETIME;
    g_defPrefs.volume = PREFS_DEFAULT_VOLUME;
    g_defPrefs.besttime = PREFS_DEFAULT_BEST;
}

void bindActorSlots(ObjMethod* s)
{
    s[M_DEBUG] = Base_Debug;
    s[M_SYNC] = Actor_Create;
    s[M_RENDER] = Actor_Render;
    s[M_CALCBBOX] = Actor_CalcBBox;
    s[M_HANDLEINPUTEVENT] = BaseResponsive_HandleInputEvent;
}

void bindSlots()
{
    memset(g_nodeSlots, 0, sizeof g_nodeSlots);
    memset(g_pieceSlots, 0, sizeof g_pieceSlots);
    memset(g_puzzleSlots, 0, sizeof g_puzzleSlots);
    memset(g_prefsSlots, 0, sizeof g_prefsSlots);
    bindActorSlots(g_nodeSlots);
    bindActorSlots(g_pieceSlots);
    g_pieceSlots[M_INKEYRELEASE] = Piece_KeyRelease;
    ObjMethod* w = g_puzzleSlots;
    w[M_SAVE] = World_Save;
    w[M_LOAD] = World_Load;
    w[M_SYNC] = World_Sync;
    w[M_DEBUG] = Base_Debug;
    w[M_LIVE] = World_Live;
    w[M_RENDER] = World_Render;
    w[M_CALCBBOX] = World_CalcBBox;
    w[M_HANDLEINPUTEVENT] = World_HandleInputEvent;
    w[M_INFOCUSOUT] = World_InFocusOut;
    w[M_ADDOBJ] = World_AddObj;
    w[M_REMOVEOBJ] = World_RemoveObj;
    w[M_KILLOBJ] = World_KillObj;
    w[M_MOVEKEYFOCUS] = Puzzle_MoveKeyFocus;
    g_prefsSlots[M_DEBUG] = Base_Debug;
}

}

ClassDesc g_nodeClass = objMakeClass("Node", "Actor", sizeof(Node), g_nodeDescs, g_nodeSlots, &g_defNode);
ClassDesc g_pieceClass =
    objMakeClass("Piece", "Actor", sizeof(Piece), g_pieceDescs, g_pieceSlots, &g_defPiece);
ClassDesc g_puzzleClass =
    objMakeClass("Puzzle", "World", sizeof(Puzzle), g_puzzleDescs, g_puzzleSlots, &g_defPuzzle);
ClassDesc g_prefsClass =
    objMakeClass("Prefs", "Base", sizeof(Prefs), g_prefsDescs, g_prefsSlots, &g_defPrefs);

bool gameRegisterClasses()
{
    if (!classFind("Actor") || !classFind("World"))
        return false;
    initDefaults();
    bindSlots();
    for (ClassDesc* c : {&g_nodeClass, &g_pieceClass, &g_puzzleClass, &g_prefsClass}) {
        c->base = nullptr;
        c->create = nullptr;
    }
    g_nodeClass.create = Actor_Create;
    g_pieceClass.create = Actor_Create;
    return classRegister(&g_nodeClass) && methodRegister(Puzzle_MoveKeyFocus, "Puzzle_MoveKeyFocus") &&
           classRegister(&g_puzzleClass) && methodRegister(Piece_KeyRelease, "Piece_KeyRelease") &&
           classRegister(&g_pieceClass) && classRegister(&g_prefsClass);
}
