#pragma once
// The engine's start-up, frame loop and shut-down as a program runs them: file
// system and archives, object model, graphics, input, sound, then a main World
// whose viewports draw and present every frame. The game and `tobex view` share
// it.

#include <stdint.h>

#include "app/app.h"
#include "obj/object.h"

constexpr int ENGINE_SCREEN_W = 240;
constexpr int ENGINE_SCREEN_H = 320;

struct EngineConfig {
    const char16_t* const* archives;  // mounted in this order (may be null)
    int nArchives;
    bool mountBeside;  // also mount "*.zip", "*.pak", "*.exe" beside the program
    bool needArchive;  // fatal "Could not load data file" when nothing was mounted
    // Registers the classes of the libraries above the engine (the controls)
    // once sound is up and before any World is loaded; null for none. False is
    // fatal. The engine knows these libraries only through this hook.
    bool (*startLibraries)();
};

// ---- Start and stop ------------------------------------------------------------------
// Brings the engine up in order; a failing step is fatal (logged, message box,
// exit code 1) as at the game's start.
void engineStart(const EngineConfig* c);
void engineStop();  // file system, objects, sound, input, graphics, in that order

// ---- The main World ----------------------------------------------------------------------
// Loads the main World (fatal "Could not load script file NAME" on failure); an
// OffscreenSurface "sfMain" becomes the drawing target, and keys go to its first
// WorldViewport until the pen picks another.
void* engineLoadMain(const char16_t* name);
void* engineMainWorld();  // null when none is loaded or it was destroyed

// ---- Frame loop --------------------------------------------------------------------------
// The frame's steps over the main World: key states, mixing, events until the
// first command, Render(0), Live.
void engineFrameHooks(AppFrameHooks* hooks);
int engineHandleEvents();  // the first non-zero command; later events wait
void engineRender();
void engineLive();
