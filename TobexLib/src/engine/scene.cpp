// Scene methods bound by name at start-up. Layout, drawing and input routing
// arrive with the scene; until then each does nothing and reports no failure,
// so World files load and sync without graphics.
#include "engine/classes.h"

int Sprite_Sync(void*, void*) { return 0; }
int Sprite_Destroy(void*, void*) { return 0; }
int OffscreenSurface_Sync(void*, void*) { return 0; }
int BaseResponsive_HandleInputEvent(void*, void*) { return 0; }
int ScreenViewport_Render(void*, void*) { return 0; }
int WorldViewport_CalcBBox(void*, void*) { return 0; }
int WorldViewport_Render(void*, void*) { return 0; }
int WorldViewport_Debug(void* obj, void* arg) { return Base_Debug(obj, arg); }
int WorldViewport_HandleInputEvent(void*, void*) { return 0; }
int WorldViewport_InFocusOut(void*, void*) { return 0; }
int World_Render(void*, void*) { return 0; }
int World_HandleInputEvent(void*, void*) { return 0; }
int World_InFocusOut(void*, void*) { return 0; }
int World_CalcBBox(void*, void*) { return 0; }
int World_MoveKeyFocus(void*, void*) { return 0; }
int Actor_Create(void*, void*) { return 0; }
int Actor_Render(void*, void*) { return 0; }
int Actor_CalcBBox(void*, void*) { return 0; }
