#pragma once
// The engine's fifteen object classes: their records (single inheritance of plain
// structs, properties in declaration order), their descriptors and the methods
// they bind by name.

#include <stdint.h>

#include "app/clock.h"
#include "gfx/surface.h"
#include "obj/container.h"
#include "obj/object.h"
#include "obj/proptype.h"

// ---- Records ---------------------------------------------------------------------------------
struct Base : ObjNamed {};  // the name (PF_NAME), found by class and name

struct Str : Base {
    char16_t* text;  // owned text or null
};

struct Sprite : Base {
    char16_t* file;          // image file name
    void* sf;                // the loaded surface, owned
    int32_t format;          // pixel format for TGA images; 0 = the screen's
    uint32_t keycolor;       // COLOR_NONE, COLOR_PIXEL00 or 0x00RRGGBB
    uint8_t rle;             // save a run-length encoded ".gsf" after loading a TGA
    int16_t xPivot, yPivot;  // 8.8 fractions of the frame
    Point2 regularFrames;    // columns and rows of a regular frame grid
    uint8_t loop;
    int32_t animType;
    TIME frameDelay;
};

struct OffscreenSurface : Base {
    int32_t width, height;  // 0 = the screen's
    int32_t format;         // 0 = the screen's
    SURFACE sf;             // the surface drawn into, owned
    int32_t screenOrient;   // orientation at the last Sync
};

struct BaseLiving : Base {
    TIME tStart;     // run-time: creation or the last objResetTimes
    uint8_t active;  // Live is called only when set
};

struct BaseRenderable : BaseLiving {
    uint8_t visible;
    int32_t x, y, z;        // plain or relative positions
    int32_t width, height;  // plain or relative sizes
    Rect bbox;              // run-time: laid-out box on the drawing surface
};

struct BaseResponsive : BaseRenderable {
    int32_t infocus;      // run-time: bit 1 pen focus, bit 2 key focus
    int32_t tabstop;      // non-zero: can take the key focus
    int32_t shortcutKey;  // key code that activates the object
};

struct BaseVisible : BaseResponsive {
    int32_t alpha;  // 256 opaque, 0 not drawn
    int32_t angle;
    int16_t sx, sy;  // 8.8 scale
};

struct ScreenViewport : BaseRenderable {
    ObjectId sf;  // OffscreenSurface presented
    Rect vp;      // source rectangle; 0 sizes = the surface's
};

struct WorldViewport : BaseResponsive {
    ObjectId sf;     // OffscreenSurface drawn into; none = the caller's surface
    ObjectId world;  // World shown
    Rect vp;
};

struct World : BaseResponsive {
    Vector objs;            // member ids: drawing order, hit-testing from the end
    uint8_t changed;        // set by Live when a member changed
    int32_t focus;          // run-time: index of the focused member, -1 none
    int32_t viewportFocus;  // run-time: index of the last pen-hit WorldViewport
    uint8_t bKeysMoveFocus;
    uint8_t bPenMovesFocus;
};

struct Actor : BaseVisible {
    ObjectId parent;  // Actor positions are relative to
    ObjectId sprite;  // Sprite drawn
    void* sf;         // the sprite's surface, borrowed; or a surface set directly, kept as set
    int32_t frame;    // -1 = the whole surface
    int32_t state;    // free for derived classes
    void* sfTaken;    // run-time, not a property: the sprite's surface sf last took
};

struct Control : BaseLiving {
    Vector objs;              // controlled objects
    int32_t propid;           // property index in the first object's class; 255 unknown
    char prop[OBJ_NAME_MAX];  // the property's name
};

struct KeyControl : Control {
    int32_t type;    // type id of the key values: BOOL, INT, FLOAT or COLOR
    uint8_t interp;  // 0 set, 1 linear, 2 smooth
    uint8_t ort;     // 0 constant, 1 cycle, 2 pingpong, 3 rel.repeat
    Vector keys;     // Key elements by time
};

// ---- Descriptors --------------------------------------------------------------------------------
extern ClassDesc g_objectClass;
extern ClassDesc g_baseClass;
extern ClassDesc g_strClass;
extern ClassDesc g_spriteClass;
extern ClassDesc g_offscreenSurfaceClass;
extern ClassDesc g_baseLivingClass;
extern ClassDesc g_baseRenderableClass;
extern ClassDesc g_baseResponsiveClass;
extern ClassDesc g_baseVisibleClass;
extern ClassDesc g_screenViewportClass;
extern ClassDesc g_worldViewportClass;
extern ClassDesc g_worldClass;
extern ClassDesc g_actorClass;
extern ClassDesc g_controlClass;
extern ClassDesc g_keyControlClass;

// Registers the engine classes and their named methods, in start-up order, into
// the object system objInit has just started.
bool engineRegisterClasses();

// ---- Methods of the base objects -------------------------------------------------------------
int Base_Debug(void* obj, void* arg);            // logs the name
int Str_Debug(void* obj, void* arg);             // logs name:text
int Control_Sync(void* obj, void* arg);          // binds prop and propid; -1 when it cannot
int KeyControl_Live(void* obj, void* arg);       // arg: TIME*; 1 = values written
int KeyControl_AddKey(void* obj, void* arg);     // no effect
int KeyControl_RemoveKey(void* obj, void* arg);  // no effect
// Evaluates a key list at time t (exposed for tests and tools). *deactivate is set
// when t has reached the last key and ort is "constant"; false when no value results.
bool keyEvaluate(const KeyControl* kc, uint32_t t, int32_t* value, bool* deactivate);
// Writes a key value of keyType into a property of type propType; false when the
// property's type takes no key values.
bool keyStoreValue(int keyType, int32_t value, int propType, void* prop);

// ---- World ---------------------------------------------------------------------------------------
int World_Live(void* obj, void* arg);       // arg: ignored; returns changed
int World_Sync(void* obj, void* arg);       // -1 at the first failing member
int World_AddObj(void* obj, void* arg);     // arg: the object
int World_RemoveObj(void* obj, void* arg);  // -1 when absent
int World_KillObj(void* obj, void* arg);    // destroys, members of a World first; -1 when absent

// ---- Scene methods (bodies arrive with the scene: layout, drawing and input) ------------------
int Sprite_Sync(void* obj, void* arg);
int Sprite_Destroy(void* obj, void* arg);
int OffscreenSurface_Sync(void* obj, void* arg);
int BaseResponsive_HandleInputEvent(void* obj, void* arg);
int ScreenViewport_Render(void* obj, void* arg);
int WorldViewport_CalcBBox(void* obj, void* arg);
int WorldViewport_Render(void* obj, void* arg);
int WorldViewport_Debug(void* obj, void* arg);
int WorldViewport_HandleInputEvent(void* obj, void* arg);
int WorldViewport_InFocusOut(void* obj, void* arg);
int World_Render(void* obj, void* arg);
int World_HandleInputEvent(void* obj, void* arg);
int World_InFocusOut(void* obj, void* arg);
int World_CalcBBox(void* obj, void* arg);
int World_MoveKeyFocus(void* obj, void* arg);
int Actor_Create(void* obj, void* arg);
int Actor_Render(void* obj, void* arg);
int Actor_CalcBBox(void* obj, void* arg);
