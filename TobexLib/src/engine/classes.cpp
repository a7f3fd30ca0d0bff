// Descriptors of the engine's fifteen classes and their registration at start-up.
//
// Each descriptor lists every property of its class, inherited ones first, so
// the property lists below are built from the base class's list. Offsets are
// taken against the class's own record.
#include "engine/classes.h"

#include <stddef.h>
#include <string.h>

#include "gfx/display.h"
#include "obj/classdesc.h"
#include "obj/worldfile.h"

#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

constexpr const char* kNoRef = nullptr;

// ---- Property lists, inherited properties first ------------------------------------------
// The object system finds names, start times and a World's members through
// the PF_NAME, PF_START and PF_MEMBERS flags.
#define BASE_PROPS(R) OBJ_PROP(R, name, PT_STRING16, PF_NAME, kNoRef)
#define LIVING_PROPS(R)                                                       \
    BASE_PROPS(R), OBJ_PROP(R, tStart, PT_TIME, PF_NEVER | PF_START, kNoRef), \
        OBJ_PROP(R, active, PT_BOOL, 0, kNoRef)
#define RENDERABLE_PROPS(R)                                                                       \
    LIVING_PROPS(R), OBJ_PROP(R, visible, PT_BOOL, 0, kNoRef), OBJ_PROP(R, x, PT_INT, 0, kNoRef), \
        OBJ_PROP(R, y, PT_INT, 0, kNoRef), OBJ_PROP(R, z, PT_INT, 0, kNoRef),                     \
        OBJ_PROP(R, width, PT_INT, 0, kNoRef), OBJ_PROP(R, height, PT_INT, 0, kNoRef),            \
        OBJ_PROP(R, bbox, PT_RECT, PF_NEVER, kNoRef)
#define RESPONSIVE_PROPS(R)                                              \
    RENDERABLE_PROPS(R), OBJ_PROP(R, infocus, PT_INT, PF_NEVER, kNoRef), \
        OBJ_PROP(R, tabstop, PT_INT, 0, kNoRef), OBJ_PROP(R, shortcutKey, PT_INT, 0, kNoRef)
#define VISIBLE_PROPS(R)                                                                               \
    RESPONSIVE_PROPS(R), OBJ_PROP(R, alpha, PT_INT, 0, kNoRef), OBJ_PROP(R, angle, PT_INT, 0, kNoRef), \
        OBJ_PROP(R, sx, PT_FIXED16, 0, kNoRef), OBJ_PROP(R, sy, PT_FIXED16, 0, kNoRef)
#define CONTROL_PROPS(R)                                       \
    LIVING_PROPS(R), OBJ_PROP(R, objs, PT_OBJLIST, 0, kNoRef), \
        OBJ_PROP(R, propid, PT_INT, PF_NOTEXT, kNoRef), OBJ_PROP(R, prop, PT_STRING16, PF_NOBINARY, kNoRef)

// ---- Method lists, in slot order -----------------------------------------------------------
#define BASE_METHODS                                                                    \
    OBJ_METHOD("Save", M_SAVE), OBJ_METHOD("Load", M_LOAD), OBJ_METHOD("Sync", M_SYNC), \
        OBJ_METHOD("Debug", M_DEBUG)
#define LIVING_METHODS     BASE_METHODS, OBJ_METHOD("Live", M_LIVE)
#define RENDERABLE_METHODS LIVING_METHODS, OBJ_METHOD("Render", M_RENDER), OBJ_METHOD("CalcBBox", M_CALCBBOX)
#define RESPONSIVE_METHODS                                                                \
    RENDERABLE_METHODS, OBJ_METHOD("HandleInputEvent", M_HANDLEINPUTEVENT),               \
        OBJ_METHOD("InKeyPress", M_INKEYPRESS), OBJ_METHOD("InKeyRepeat", M_INKEYREPEAT), \
        OBJ_METHOD("InKeyRelease", M_INKEYRELEASE), OBJ_METHOD("InFocusIn", M_INFOCUSIN), \
        OBJ_METHOD("InFocusOut", M_INFOCUSOUT), OBJ_METHOD("InPenMove", M_INPENMOVE)

constexpr int kBaseMethods = 4, kLivingMethods = 5, kRenderableMethods = 7, kResponsiveMethods = 14;

// ---- Default objects -------------------------------------------------------------------------
Base g_defBase;
Str g_defStr;
Sprite g_defSprite;
OffscreenSurface g_defOffscreen;
BaseLiving g_defLiving;
BaseRenderable g_defRenderable;
BaseResponsive g_defResponsive;
BaseVisible g_defVisible;
ScreenViewport g_defScreenVp;
WorldViewport g_defWorldVp;
World g_defWorld;
Actor g_defActor;
Control g_defControl;
KeyControl g_defKeyControl;
ObjHeader g_defObject;

void initLiving(BaseLiving* o)
{
    o->active = 1;
}

void initRenderable(BaseRenderable* o)
{
    initLiving(o);
    o->visible = 1;
}

void initVisible(BaseVisible* o)
{
    initRenderable(o);
    o->alpha = 256;
    o->sx = 256;
    o->sy = 256;
}

void initControl(Control* o)
{
    initLiving(o);
    o->propid = 255;
}

// Fills the default objects with the classes' defaults; zero bytes everywhere else.
void initDefaults()
{
    g_defSprite.keycolor = COLOR_NONE;
    g_defSprite.animType = 1;
    g_defSprite.frameDelay = 50;
    initLiving(&g_defLiving);
    initRenderable(&g_defRenderable);
    initRenderable(&g_defResponsive);
    initVisible(&g_defVisible);
    initRenderable(&g_defScreenVp);
    g_defScreenVp.sf = OBJ_NONE;
    initRenderable(&g_defWorldVp);
    g_defWorldVp.sf = OBJ_NONE;
    g_defWorldVp.world = OBJ_NONE;
    initRenderable(&g_defWorld);
    g_defWorld.changed = 1;
    g_defWorld.focus = -1;
    g_defWorld.viewportFocus = -1;
    g_defWorld.bPenMovesFocus = 1;
    initVisible(&g_defActor);
    g_defActor.parent = OBJ_NONE;
    g_defActor.sprite = OBJ_NONE;
    g_defActor.frame = -1;
    initControl(&g_defControl);
    initControl(&g_defKeyControl);
    g_defKeyControl.type = PT_INT;
    g_defKeyControl.interp = 1;
}

// ---- Descriptor tables ---------------------------------------------------------------------

PropDesc g_baseDescs[] = {BASE_PROPS(Base), BASE_METHODS};
PropDesc g_strDescs[] = {BASE_PROPS(Str), OBJ_PROP(Str, text, PT_TSTRING, 0, kNoRef), BASE_METHODS};
PropDesc g_spriteDescs[] = {
    BASE_PROPS(Sprite),
    OBJ_PROP(Sprite, file, PT_TSTRING, 0, kNoRef),
    OBJ_PROP(Sprite, sf, PT_PTR, 0, kNoRef),
    OBJ_PROP(Sprite, format, PT_INT, 0, kNoRef),
    OBJ_PROP(Sprite, keycolor, PT_COLOR, 0, kNoRef),
    OBJ_PROP(Sprite, rle, PT_BOOL, 0, kNoRef),
    OBJ_PROP(Sprite, xPivot, PT_FIXED16, 0, kNoRef),
    OBJ_PROP(Sprite, yPivot, PT_FIXED16, 0, kNoRef),
    OBJ_PROP(Sprite, regularFrames, PT_POINT2, 0, kNoRef),
    OBJ_PROP(Sprite, loop, PT_BOOL, 0, kNoRef),
    OBJ_PROP(Sprite, animType, PT_INT, 0, kNoRef),
    OBJ_PROP(Sprite, frameDelay, PT_TIME, 0, kNoRef),
    BASE_METHODS,
};
PropDesc g_offscreenDescs[] = {
    BASE_PROPS(OffscreenSurface),
    OBJ_PROP(OffscreenSurface, width, PT_INT, 0, kNoRef),
    OBJ_PROP(OffscreenSurface, height, PT_INT, 0, kNoRef),
    OBJ_PROP(OffscreenSurface, format, PT_INT, 0, kNoRef),
    OBJ_PROP(OffscreenSurface, sf, PT_SURFACE, 0, kNoRef),
    OBJ_PROP(OffscreenSurface, screenOrient, PT_INT, 0, kNoRef),
    BASE_METHODS,
};
PropDesc g_livingDescs[] = {LIVING_PROPS(BaseLiving), LIVING_METHODS};
PropDesc g_renderableDescs[] = {RENDERABLE_PROPS(BaseRenderable), RENDERABLE_METHODS};
PropDesc g_responsiveDescs[] = {RESPONSIVE_PROPS(BaseResponsive), RESPONSIVE_METHODS};
PropDesc g_visibleDescs[] = {VISIBLE_PROPS(BaseVisible), RESPONSIVE_METHODS,
                             OBJ_METHOD("Collide", M_COLLIDE)};
PropDesc g_screenVpDescs[] = {
    RENDERABLE_PROPS(ScreenViewport),
    OBJ_PROP(ScreenViewport, sf, PT_OBJECTID, 0, "OffscreenSurface"),
    OBJ_PROP(ScreenViewport, vp, PT_RECT, 0, kNoRef),
    RENDERABLE_METHODS,
};
PropDesc g_worldVpDescs[] = {
    RESPONSIVE_PROPS(WorldViewport),
    OBJ_PROP(WorldViewport, sf, PT_OBJECTID, 0, "OffscreenSurface"),
    OBJ_PROP(WorldViewport, world, PT_OBJECTID, 0, "World"),
    OBJ_PROP(WorldViewport, vp, PT_RECT, 0, kNoRef),
    RESPONSIVE_METHODS,
};
PropDesc g_worldDescs[] = {
    RESPONSIVE_PROPS(World),
    OBJ_PROP(World, objs, PT_OBJLIST, PF_MEMBERS, "Base"),
    OBJ_PROP(World, changed, PT_BOOL, 0, kNoRef),
    OBJ_PROP(World, focus, PT_INT, PF_NEVER, kNoRef),
    OBJ_PROP(World, viewportFocus, PT_INT, PF_NEVER, kNoRef),
    OBJ_PROP(World, bKeysMoveFocus, PT_BOOL, 0, kNoRef),
    OBJ_PROP(World, bPenMovesFocus, PT_BOOL, 0, kNoRef),
    RESPONSIVE_METHODS,
    OBJ_METHOD("AddObj", M_ADDOBJ),
    OBJ_METHOD("RemoveObj", M_REMOVEOBJ),
    OBJ_METHOD("KillObj", M_KILLOBJ),
    OBJ_METHOD("MoveKeyFocus", M_MOVEKEYFOCUS),
};
PropDesc g_actorDescs[] = {
    VISIBLE_PROPS(Actor),
    OBJ_PROP(Actor, parent, PT_OBJECTID, 0, "Actor"),
    OBJ_PROP(Actor, sprite, PT_OBJECTID, 0, "Sprite"),
    OBJ_PROP(Actor, sf, PT_PTR, 0, kNoRef),
    OBJ_PROP(Actor, frame, PT_INT, 0, kNoRef),
    OBJ_PROP(Actor, state, PT_INT, 0, kNoRef),
    RESPONSIVE_METHODS,
    OBJ_METHOD("Collide", M_COLLIDE),
};
PropDesc g_controlDescs[] = {CONTROL_PROPS(Control), LIVING_METHODS};
PropDesc g_keyControlDescs[] = {
    CONTROL_PROPS(KeyControl),
    OBJ_PROP(KeyControl, type, PT_INT, 0, kNoRef),
    OBJ_PROP(KeyControl, interp, PT_INTERP, 0, kNoRef),
    OBJ_PROP(KeyControl, ort, PT_ORT, 0, kNoRef),
    OBJ_PROP(KeyControl, keys, PT_KEYVECT, 0, kNoRef),
    LIVING_METHODS,
    OBJ_METHOD("AddKey", M_ADDKEY),
    OBJ_METHOD("RemoveKey", M_REMOVEKEY),
};

// ---- Method slots (static bindings; objInit binds the rest) ---------------------------------
ObjMethod g_baseSlots[kBaseMethods];
ObjMethod g_strSlots[kBaseMethods];
ObjMethod g_spriteSlots[kBaseMethods];
ObjMethod g_offscreenSlots[kBaseMethods];
ObjMethod g_livingSlots[kLivingMethods];
ObjMethod g_renderableSlots[kRenderableMethods];
ObjMethod g_responsiveSlots[kResponsiveMethods];
ObjMethod g_visibleSlots[kResponsiveMethods + 1];
ObjMethod g_screenVpSlots[kRenderableMethods];
ObjMethod g_worldVpSlots[kResponsiveMethods];
ObjMethod g_worldSlots[kResponsiveMethods + 4];
ObjMethod g_actorSlots[kResponsiveMethods + 1];
ObjMethod g_controlSlots[kLivingMethods];
ObjMethod g_keyControlSlots[kLivingMethods + 2];

// The slot tables list each class's differences from its base; classRegister
// fills in the rest. These bindings are not registered with a class of their own.
void bindStaticSlots()
{
    g_baseSlots[M_DEBUG] = Base_Debug;
    g_responsiveSlots[M_HANDLEINPUTEVENT] = BaseResponsive_HandleInputEvent;
    g_worldSlots[M_ADDOBJ] = World_AddObj;
    g_worldSlots[M_REMOVEOBJ] = World_RemoveObj;
    g_worldSlots[M_KILLOBJ] = World_KillObj;
    g_worldSlots[M_MOVEKEYFOCUS] = World_MoveKeyFocus;
    g_keyControlSlots[M_ADDKEY] = KeyControl_AddKey;
    g_keyControlSlots[M_REMOVEKEY] = KeyControl_RemoveKey;
}

}

ClassDesc g_objectClass = {.nProps = 0,
                           .nMethods = 0,
                           .objectSize = sizeof(ObjHeader),
                           .flags = 0,
                           .name = "Object",
                           .base = nullptr,
                           .baseName = nullptr,
                           .create = nullptr,
                           .destroy = nullptr,
                           .descs = nullptr,
                           .nameIndex = nullptr,
                           .defaults = &g_defObject,
                           .slots = nullptr};
ClassDesc g_baseClass = objMakeClass("Base", "Object", sizeof(Base), g_baseDescs, g_baseSlots, &g_defBase);
ClassDesc g_strClass = objMakeClass("Str", "Base", sizeof(Str), g_strDescs, g_strSlots, &g_defStr);
ClassDesc g_spriteClass =
    objMakeClass("Sprite", "Base", sizeof(Sprite), g_spriteDescs, g_spriteSlots, &g_defSprite);
ClassDesc g_offscreenSurfaceClass = objMakeClass("OffscreenSurface", "Base", sizeof(OffscreenSurface),
                                                 g_offscreenDescs, g_offscreenSlots, &g_defOffscreen);
ClassDesc g_baseLivingClass =
    objMakeClass("BaseLiving", "Base", sizeof(BaseLiving), g_livingDescs, g_livingSlots, &g_defLiving);
ClassDesc g_baseRenderableClass = objMakeClass("BaseRenderable", "BaseLiving", sizeof(BaseRenderable),
                                               g_renderableDescs, g_renderableSlots, &g_defRenderable);
ClassDesc g_baseResponsiveClass = objMakeClass("BaseResponsive", "BaseRenderable", sizeof(BaseResponsive),
                                               g_responsiveDescs, g_responsiveSlots, &g_defResponsive);
ClassDesc g_baseVisibleClass = objMakeClass("BaseVisible", "BaseResponsive", sizeof(BaseVisible),
                                            g_visibleDescs, g_visibleSlots, &g_defVisible);
ClassDesc g_screenViewportClass = objMakeClass("ScreenViewport", "BaseRenderable", sizeof(ScreenViewport),
                                               g_screenVpDescs, g_screenVpSlots, &g_defScreenVp);
ClassDesc g_worldViewportClass = objMakeClass("WorldViewport", "BaseResponsive", sizeof(WorldViewport),
                                              g_worldVpDescs, g_worldVpSlots, &g_defWorldVp);
ClassDesc g_worldClass =
    objMakeClass("World", "BaseResponsive", sizeof(World), g_worldDescs, g_worldSlots, &g_defWorld);
ClassDesc g_actorClass =
    objMakeClass("Actor", "BaseVisible", sizeof(Actor), g_actorDescs, g_actorSlots, &g_defActor);
ClassDesc g_controlClass =
    objMakeClass("Control", "BaseLiving", sizeof(Control), g_controlDescs, g_controlSlots, &g_defControl);
ClassDesc g_keyControlClass = objMakeClass("KeyControl", "Control", sizeof(KeyControl), g_keyControlDescs,
                                           g_keyControlSlots, &g_defKeyControl);

namespace {

struct Binding {
    const char* name;
    ObjMethod fn;
};

// Registers named methods, then the class.
bool registerWith(ClassDesc* cls, const Binding* methods, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (!methodRegister(methods[i].fn, methods[i].name))
            return false;
    return classRegister(cls);
}

bool registerScene()
{
    const Binding screenVp[] = {{"ScreenViewport_Render", ScreenViewport_Render}};
    const Binding worldVp[] = {
        {"WorldViewport_CalcBBox", WorldViewport_CalcBBox},
        {"WorldViewport_Render", WorldViewport_Render},
        {"WorldViewport_Debug", WorldViewport_Debug},
        {"WorldViewport_HandleInputEvent", WorldViewport_HandleInputEvent},
        {"WorldViewport_InFocusOut", WorldViewport_InFocusOut},
    };
    g_screenVpSlots[M_RENDER] = ScreenViewport_Render;
    g_worldVpSlots[M_CALCBBOX] = WorldViewport_CalcBBox;
    g_worldVpSlots[M_RENDER] = WorldViewport_Render;
    g_worldVpSlots[M_DEBUG] = WorldViewport_Debug;
    g_worldVpSlots[M_HANDLEINPUTEVENT] = WorldViewport_HandleInputEvent;
    g_worldVpSlots[M_INFOCUSOUT] = WorldViewport_InFocusOut;
    return registerWith(&g_screenViewportClass, screenVp, 1) &&
           registerWith(&g_worldViewportClass, worldVp, 5);
}

bool registerWorld()
{
    const Binding world[] = {
        {"World_Load", World_Load},
        {"World_Save", World_Save},
        {"World_Sync", World_Sync},
        {"World_Render", World_Render},
        {"World_AddObj", World_AddObj},
        {"World_RemoveObj", World_RemoveObj},
        {"World_KillObj", World_KillObj},
        {"World_Live", World_Live},
        {"World_HandleInputEvent", World_HandleInputEvent},
        {"World_InFocusOut", World_InFocusOut},
        {"World_CalcBBox", World_CalcBBox},
        {"World_MoveKeyFocus", World_MoveKeyFocus},
    };
    g_worldSlots[M_HANDLEINPUTEVENT] = World_HandleInputEvent;
    g_worldSlots[M_INFOCUSOUT] = World_InFocusOut;
    g_worldSlots[M_RENDER] = World_Render;
    g_worldSlots[M_CALCBBOX] = World_CalcBBox;
    g_worldSlots[M_SAVE] = World_Save;
    g_worldSlots[M_LOAD] = World_Load;
    g_worldSlots[M_LIVE] = World_Live;
    g_worldSlots[M_SYNC] = World_Sync;
    return registerWith(&g_worldClass, world, sizeof world / sizeof world[0]);
}

bool registerActorAndControls()
{
    const Binding actor[] = {
        {"Actor_Create", Actor_Create}, {"Actor_Render", Actor_Render}, {"Actor_CalcBBox", Actor_CalcBBox}};
    const Binding control[] = {{"Control_Sync", Control_Sync}};
    const Binding keyControl[] = {{"KeyControl_AddKey", KeyControl_AddKey},
                                  {"KeyControl_RemoveKey", KeyControl_RemoveKey},
                                  {"KeyControl_Live", KeyControl_Live}};
    g_actorClass.create = Actor_Create;
    g_actorSlots[M_SYNC] = Actor_Create;
    g_actorSlots[M_RENDER] = Actor_Render;
    g_actorSlots[M_CALCBBOX] = Actor_CalcBBox;
    g_controlSlots[M_SYNC] = Control_Sync;
    g_keyControlSlots[M_LIVE] = KeyControl_Live;
    return registerWith(&g_actorClass, actor, 3) && registerWith(&g_controlClass, control, 1) &&
           registerWith(&g_keyControlClass, keyControl, 3);
}

}

bool engineRegisterClasses()
{
    initDefaults();
    bindStaticSlots();
    // Destroying an OffscreenSurface frees the pixels of its embedded surface.
    propSetSurfaceRelease(gfxReleaseSurfaceValue);
    const Binding base[] = {{"Base_Debug", Base_Debug}};
    const Binding str[] = {{"Str_Debug", Str_Debug}};
    const Binding sprite[] = {{"Sprite_Sync", Sprite_Sync}, {"Sprite_Destroy", Sprite_Destroy}};
    const Binding offscreen[] = {{"OffscreenSurface_Sync", OffscreenSurface_Sync}};
    const Binding responsive[] = {{"BaseResponsive_HandleInputEvent", BaseResponsive_HandleInputEvent}};
    g_strSlots[M_DEBUG] = Str_Debug;
    g_spriteSlots[M_SYNC] = Sprite_Sync;
    g_spriteClass.destroy = Sprite_Destroy;
    g_offscreenSlots[M_SYNC] = OffscreenSurface_Sync;
    return classRegister(&g_objectClass) && registerWith(&g_baseClass, base, 1) &&
           registerWith(&g_strClass, str, 1) && registerWith(&g_spriteClass, sprite, 2) &&
           registerWith(&g_offscreenSurfaceClass, offscreen, 1) && classRegister(&g_baseLivingClass) &&
           classRegister(&g_baseRenderableClass) && registerWith(&g_baseResponsiveClass, responsive, 1) &&
           classRegister(&g_baseVisibleClass) && registerScene() && registerWorld() &&
           registerActorAndControls();
}
