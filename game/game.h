#pragma once
// Tilvo-1, the picture sliding-puzzle game: its four classes (Node, Piece,
// Puzzle, Prefs), the board model, picture packs, preferences and the screen
// flow driven by the command codes that the screens' buttons return.
//
// The game reaches the controls only through the object model (class names and
// property names), so it needs no control header, and `tobex` can link the
// game's classes without the screens.

#include <stdint.h>

#include "app/clock.h"
#include "app/input.h"
#include "engine/classes.h"

// ---- Records ---------------------------------------------------------------------------------
// A place on the board; state (inherited) is the node's home slice.
struct Node : Actor {
    ObjectId piece;  // run-time: the piece standing here, OBJ_NONE when empty
    Vector links;    // Node ids a piece here may slide to
};

// One slice of the picture; sf (inherited) is the whole picture, frame the slice.
struct Piece : Actor {
    ObjectId loc;  // the Node the piece stands on
};

// The board World: objs 0..n-1 are the nodes, pieces follow.
struct Puzzle : World {
    char16_t* imageFileName;  // kept with the board, unused by the game
    void* image;              // SURFACE* of the whole picture (image cache)
    void* thumb;              // SURFACE* of its thumbnail (image cache)
    int32_t nSliceWidth;
    int32_t nSliceHeight;
    uint8_t solved;  // run-time: the solved handling has run
    uint8_t moving;  // run-time: a piece move is animated
};

// The player's settings, saved as "TilvoPrefs.w".
struct Prefs : Base {
    TIME movetime;          // ms of an animated move
    char16_t* currentPack;  // path of the chosen pack, null = built-in pictures
    int32_t currentPackID;  // its index in the pack list
    int32_t currentImage;   // 0..2 built-in, 0..5 in a pack
    Vector savedPos;        // int32 per node: slice of its piece, -1 empty; empty = no saved game
    TIME savedTime;         // elapsed time of the saved game
    int32_t volume;         // the volume slider's current
    uint8_t mute;
    TIME besttime;  // ms
};

extern ClassDesc g_nodeClass;
extern ClassDesc g_pieceClass;
extern ClassDesc g_puzzleClass;
extern ClassDesc g_prefsClass;

// Registers Node, Puzzle (with "Puzzle_MoveKeyFocus"), Piece (with
// "Piece_KeyRelease") and Prefs; call after the engine's classes.
bool gameRegisterClasses();

// ---- Constants ---------------------------------------------------------------------------------
constexpr TIME PREFS_DEFAULT_MOVETIME = 100;
constexpr TIME PREFS_MAX_MOVETIME = 2000;  // a longer move from a damaged file is cut to this
constexpr TIME PREFS_DEFAULT_BEST = 6000000;
constexpr int32_t PREFS_DEFAULT_VOLUME = 50;
constexpr int GAME_BUILTIN_PICTURES = 3;
constexpr int GAME_PACK_PICTURES = 6;
constexpr int PACK_NAME_MAX = 260;
constexpr int PACK_LIST_CAPACITY = 20;

enum GameSound {
    SND_TOBEX,
    SND_ERROR,
    SND_MENUCLICK,
    SND_MOVEPIECE,
    SND_COMPLETE,
    SND_COUNT,
};

// Command codes the screens' buttons return.
enum GameCommand {
    CMD_TO_MENU = 101,
    CMD_BACK_TO_GAME = 102,
    CMD_QUIT = 113,
    CMD_LEAVE_GAME = 114,
    CMD_VOLUME = 115,
    CMD_MUTE = 116,
    CMD_INTRO_OVER = 121,
    CMD_ADVERT = 122,
    CMD_QUIT_OUTRO = 123,
    CMD_NEW_GAME = 131,
    CMD_CONTINUE = 132,
    CMD_CHOOSER = 133,
    CMD_OUTRO = 134,
    CMD_PACK_SCROLL = 140,
    CMD_CHOOSER_BACK = 141,
    CMD_BUILTIN_FIRST = 142,
    CMD_PACK_PICTURE_FIRST = 145,
    CMD_PACK_PICTURE_LAST = 150,
    CMD_WEB_SITE = 151,
    CMD_SOLVED_CHECK = 201,
    CMD_BLOCKED_PIECE = 202,
};

// ---- Game state (one instance; the objects are found by class and name) ----------------------
struct Sound;

struct PackEntry {
    char16_t name[PACK_NAME_MAX];  // file name; its extension is cut when first shown
    char16_t path[PACK_NAME_MAX];  // "Packs/" + name, or the full path of a player's pack
};

struct Game {
    World* mainWorld;
    ObjectId vpMain;
    ObjectId scrIntro, scrMain, scrChoose, scrGame, msgBox;  // World ids
    ObjectId puzzleUI, fps, battery, pieceMover;
    ObjectId packTitle;
    int32_t packTitleCap;  // characters the pack title may hold
    ObjectId packSlots[GAME_PACK_PICTURES];
    Prefs* prefs;
    Puzzle* puzzle;
    Sound* sounds[SND_COUNT];
    uint32_t cacheGeneration;  // 0 = none
    bool quit;
    TIME batteryTime;
    ObjectId movingPiece, moveTarget;
    Vector packs;  // PackEntry
};

extern Game g_game;

// ---- Board (board.cpp) -------------------------------------------------------------------------
void slicePicture(Puzzle* p);
void loadPuzzlePictures(Puzzle* p);
// Builds a board: savedPos null (or empty) for a new shuffled game. True with
// g_game.puzzle set and added to the game screen; false leaves no board.
bool setupPuzzle(const Vector* savedPos);
void shuffleBoard(Puzzle* p);
void placePiece(Piece* piece, Node* node);
void startMove(Piece* piece, Node* target);
void finishMove();
bool isSolved(const Puzzle* p);
// True when pos fits the board: n entries, each -1 or a slice below n, no slice
// twice, exactly one -1.
bool savedPosFits(const Vector* pos, int32_t n);
int Puzzle_MoveKeyFocus(void* obj, void* arg);
int Piece_KeyRelease(void* obj, void* arg);
Node* boardNode(const Puzzle* p, int32_t k);  // objs[k] when it is a Node, else null
// Releases the current board's pictures (the cache generation) after clearing
// every control that still draws them.
void releasePuzzlePictures();

// ---- Preferences (prefs.cpp) --------------------------------------------------------------------
// "TilvoPrefs.w" in the writable data folder; false when the path does not fit.
bool prefsPath(char16_t* out, int size);
Prefs* prefsLoad();  // never null: a damaged, missing or foreign file gives the defaults
// Writes a temporary file beside the preferences, flushes it to disk and renames
// it over them, so a crash never leaves a damaged file; false (logged) on failure.
bool prefsSave(const Prefs* p);
void prefsSetPack(Prefs* p, const char16_t* path);  // copies path; null clears

// ---- Packs and the chooser (packs.cpp) ---------------------------------------------------------
void packsInit();
void packsFree();
int listPacks(const char16_t* pattern);
// The packs of "Packs/" in the per-user data folder, after those beside the
// program; one that cannot be read or holds no picture is skipped (logged).
int listUserPacks();
void selectPack(int32_t index);
// Unmounts the chosen pack's archive and clears currentPack, so no member of a
// pack that is no longer chosen resolves in its place.
void packRelease();
void enterChooser();
void leaveChooser();

// ---- Controls through the object model (ui.cpp) --------------------------------------------------
void* uiFind(const char* cls, const char* name, void* world);  // exact class; null when absent
void* uiFirstOf(ObjectId world, const char* cls);              // first member of exactly that class
void* uiMember(ObjectId world, int32_t index);                 // objs[index] or null
int32_t* uiInt(void* obj, const char* prop);                   // INT/BOOL-sized property or null
void uiSetInt(void* obj, const char* prop, int32_t v);
int32_t uiGetInt(void* obj, const char* prop, int32_t fallback);
void uiSetSurface(void* obj, void* sf);  // the Actor's sf
// Replaces a TSTRING property's text (null or empty clears it).
void uiSetText(void* obj, const char* prop, const char16_t* text);
// Writes text into the existing storage, at most cap characters; false when
// there is none.
bool uiWriteText(void* obj, const char* prop, const char16_t* text, int32_t cap);
int32_t uiTextLen(void* obj, const char* prop);

// ---- Flow (flow.cpp) -----------------------------------------------------------------------------
void gamePlay(Sound* s);                              // plays a loaded sound; null is silent
bool gameWork(int command, const FrameStats* stats);  // the frame's game step; true to quit
void gameStartUp();                                   // everything after the control library, up to the loop
void gameCancelQuit();  // the game goes on at the menu after a quit (soak runs)
void gameShutDown();                                  // saves the position and the preferences
void showScreen(ObjectId world);
ObjectId shownScreen();
void gameMessage(const char16_t* text);
