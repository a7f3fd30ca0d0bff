// The control classes' descriptors, default objects and slot tables, and their
// registration at start-up.
//
// Each class is declared as its differences from its base: the properties and
// class-specific methods it adds, the defaults it changes and the slots it binds
// or clears. The full descriptor (inherited properties and methods first, as the
// object model wants them) and the default object are built from the base
// class's at every start, so they cannot drift from the engine's classes.
#include <string.h>

#include <initializer_list>
#include <utility>

#include "app/log.h"
#include "ctl/draw.h"
#include "obj/classdesc.h"
#include "obj/proptype.h"

#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

constexpr const char* kNoRef = nullptr;
constexpr int kMaxDescs = 64;
constexpr int kMaxSlots = 24;

// One slot a class binds (or clears with OBJ_SLOT_CLEARED).
struct SlotBinding {
    int slot;
    ObjMethod fn;
};

// The storage a class's built descriptor lives in.
struct ClassStore {
    PropDesc descs[kMaxDescs];
    ObjMethod slots[kMaxSlots];
};

// ---- Default objects ----------------------------------------------------------------------------
CtlFont g_defFont;
CtlBase g_defBase;
CtlStatic g_defStatic;
CtlTimer g_defTimer;
CtlButton g_defButton;
CtlEditBox g_defEditBox;
CtlButton2State g_defButton2State;
CtlCheckbox g_defCheckbox;
CtlScrollbar g_defScrollbar;
CtlScrollbar1 g_defScrollbar1;
CtlScrollbar2 g_defScrollbar2;
CtlListItem g_defListItem;
CtlRadioButton g_defRadioButton;
CtlFileListItem g_defFileListItem;
CtlList g_defList;
CtlFileList g_defFileList;
CtlWindow g_defWindow;

ClassStore g_storeFont, g_storeBase, g_storeStatic, g_storeTimer, g_storeButton, g_storeEditBox,
    g_storeButton2State, g_storeCheckbox, g_storeScrollbar, g_storeScrollbar1, g_storeScrollbar2,
    g_storeListItem, g_storeRadioButton, g_storeFileListItem, g_storeList, g_storeFileList, g_storeWindow;

// ---- Properties each class adds -------------------------------------------------------------------
const PropDesc kFontProps[] = {
    OBJ_PROP(CtlFont, font, PT_FONT, 0, kNoRef),
    OBJ_PROP(CtlFont, sprite, PT_OBJECTID, 0, "Sprite"),
    OBJ_PROP(CtlFont, sf, PT_PTR, 0, kNoRef),
    OBJ_PROP(CtlFont, nCharWidth, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nCharHeight, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nHSpacing, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nVSpacing, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, bVariableSpacing, PT_BOOL, 0, kNoRef),
    OBJ_PROP(CtlFont, bBlend, PT_BOOL, 0, kNoRef),
    OBJ_PROP(CtlFont, nXSrcSpacing, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nYSrcSpacing, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nXSrcOffs, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nYSrcOffs, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nXSrcChars, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nYSrcChars, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlFont, nFirstChar, PT_INT, 0, kNoRef),
};
const PropDesc kStaticProps[] = {
    OBJ_PROP(CtlStatic, col, PT_COLOR, 0, kNoRef),        OBJ_PROP(CtlStatic, colBkg, PT_COLOR, 0, kNoRef),
    OBJ_PROP(CtlStatic, font, PT_OBJECTID, 0, "CtlFont"), OBJ_PROP(CtlStatic, text, PT_TSTRING, 0, kNoRef),
    OBJ_PROP(CtlStatic, textAlign, PT_INT, 0, kNoRef),    OBJ_PROP(CtlStatic, blink, PT_INT, 0, kNoRef),
};
const PropDesc kTimerProps[] = {
    OBJ_PROP(CtlTimer, object, PT_OBJECTID, 0, "BaseLiving"),
    OBJ_PROP(CtlTimer, prop, PT_STRING16, PF_NOBINARY, kNoRef),
    OBJ_PROP(CtlTimer, propid, PT_INT, PF_NOTEXT, kNoRef),
    OBJ_PROP(CtlTimer, time, PT_TIME, 0, kNoRef),
    OBJ_PROP(CtlTimer, bGetSystemTime, PT_BOOL, 0, kNoRef),
    OBJ_PROP(CtlTimer, bSeconds, PT_BOOL, 0, kNoRef),
    OBJ_PROP(CtlTimer, bHours, PT_BOOL, 0, kNoRef),
};
const PropDesc kButtonProps[] = {
    OBJ_PROP(CtlButton, colFocus, PT_COLOR, 0, kNoRef), OBJ_PROP(CtlButton, colPressed, PT_COLOR, 0, kNoRef),
    OBJ_PROP(CtlButton, firstFrame, PT_INT, 0, kNoRef), OBJ_PROP(CtlButton, b3Dlook, PT_BOOL, 0, kNoRef),
    OBJ_PROP(CtlButton, idCtl, PT_INT, 0, kNoRef),      OBJ_PROP(CtlButton, OnClick, PT_METHOD, 0, kNoRef),
};
const PropDesc kEditBoxProps[] = {
    OBJ_PROP(CtlEditBox, cursorPos, PT_INT, PF_NEVER, kNoRef),
    OBJ_PROP(CtlEditBox, textLen, PT_INT, PF_NEVER, kNoRef),
};
const PropDesc kScrollbarProps[] = {
    OBJ_PROP(CtlScrollbar, horiz, PT_BOOL, 0, kNoRef),
    OBJ_PROP(CtlScrollbar, total, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlScrollbar, current, PT_INT, PF_NEVER, kNoRef),
};
const PropDesc kScrollbar1Props[] = {OBJ_PROP(CtlScrollbar1, dragStart, PT_INT, PF_NEVER, kNoRef)};
const PropDesc kFileListItemProps[] = {OBJ_PROP(CtlFileListItem, fullname, PT_TSTRING, 0, kNoRef)};
const PropDesc kListProps[] = {
    OBJ_PROP(CtlList, colBkg, PT_COLOR, 0, kNoRef),
    OBJ_PROP(CtlList, colItem, PT_COLOR, 0, kNoRef),
    OBJ_PROP(CtlList, colFocus, PT_COLOR, 0, kNoRef),
    OBJ_PROP(CtlList, colSelected, PT_COLOR, 0, kNoRef),
    OBJ_PROP(CtlList, multiple, PT_BOOL, 0, kNoRef),
    OBJ_PROP(CtlList, current, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlList, distance, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlList, renderFirst, PT_INT, PF_NEVER, kNoRef),
    OBJ_PROP(CtlList, renderLast, PT_INT, PF_NEVER, kNoRef),
    OBJ_PROP(CtlList, vScroll, PT_OBJECTID, 0, "CtlScrollbar"),
};
const PropDesc kFileListProps[] = {OBJ_PROP(CtlFileList, showExt, PT_BOOL, 0, kNoRef)};
const PropDesc kWindowProps[] = {
    OBJ_PROP(CtlWindow, title, PT_TSTRING, 0, kNoRef),    OBJ_PROP(CtlWindow, framesize, PT_INT, 0, kNoRef),
    OBJ_PROP(CtlWindow, font, PT_OBJECTID, 0, "CtlFont"), OBJ_PROP(CtlWindow, colBkg, PT_COLOR, 0, kNoRef),
    OBJ_PROP(CtlWindow, vp, PT_RECT, 0, kNoRef),          OBJ_PROP(CtlWindow, Draw, PT_METHOD, 0, kNoRef),
    OBJ_PROP(CtlWindow, world, PT_OBJECTID, 0, "World"),
};

// Class-specific methods (named, bound to no slot).
constexpr int kActorMethods = M_COLLIDE + 1;
constexpr int kWorldMethods = M_MOVEKEYFOCUS + 1;
const PropDesc kEditBoxMethods[] = {OBJ_METHOD("GetText", kActorMethods),
                                    OBJ_METHOD("SetText", kActorMethods + 1)};
const PropDesc kListMethods[] = {OBJ_METHOD("GetSel", kWorldMethods)};
const PropDesc kFileListMethods[] = {OBJ_METHOD("SetDir", kWorldMethods + 1)};

// ---- Slots each class binds ------------------------------------------------------------------------
const SlotBinding kFontSlots[] = {{M_SYNC, CtlFont_Create}};
const SlotBinding kBaseSlots[] = {
    {M_SYNC, Actor_Create}, {M_RENDER, Actor_Render}, {M_CALCBBOX, Actor_CalcBBox}};
const SlotBinding kStaticSlots[] = {{M_RENDER, CtlStatic_Render}, {M_CALCBBOX, CtlStatic_CalcBBox}};
const SlotBinding kTimerSlots[] = {{M_SYNC, CtlTimer_Sync},
                                   {M_LIVE, CtlTimer_Live},
                                   {M_RENDER, CtlStatic_Render},
                                   {M_CALCBBOX, CtlStatic_CalcBBox}};
const SlotBinding kButtonSlots[] = {{M_RENDER, CtlButton_Render},
                                    {M_CALCBBOX, CtlButton_CalcBBox},
                                    {M_INKEYPRESS, CtlButton_InKeyPress},
                                    {M_INKEYRELEASE, CtlButton_InKeyRelease},
                                    {M_INFOCUSOUT, CtlButton_InFocusOut}};
const SlotBinding kEditBoxSlots[] = {{M_SYNC, CtlEditBox_Sync},
                                     {M_RENDER, CtlEditBox_Render},
                                     {M_CALCBBOX, CtlEditBox_CalcBBox},
                                     {M_INKEYPRESS, CtlEditBox_KeyPress},
                                     {M_INKEYREPEAT, CtlEditBox_KeyPress},
                                     {M_INKEYRELEASE, CtlEditBox_KeyPress},
                                     {M_INFOCUSOUT, OBJ_SLOT_CLEARED}};
const SlotBinding kButton2StateSlots[] = {{M_RENDER, CtlButton_Render},
                                          {M_CALCBBOX, CtlButton_CalcBBox},
                                          {M_INKEYPRESS, OBJ_SLOT_CLEARED},
                                          {M_INKEYRELEASE, CtlButton2State_InKeyRelease},
                                          {M_INFOCUSOUT, OBJ_SLOT_CLEARED}};
const SlotBinding kCheckboxSlots[] = {{M_RENDER, CtlCheckbox_Render}, {M_CALCBBOX, CtlCheckbox_CalcBBox}};
const SlotBinding kScrollbarSlots[] = {{M_INKEYRELEASE, CtlScrollbar_InKeyRelease}};
const SlotBinding kScrollbar1Slots[] = {
    {M_RENDER, CtlScrollbar1_Render},         {M_CALCBBOX, CtlScrollbar1_CalcBBox},
    {M_INKEYPRESS, CtlScrollbar1_InKeyPress}, {M_INKEYRELEASE, CtlScrollbar1_InKeyRelease},
    {M_INFOCUSOUT, CtlScrollbar1_InFocusOut}, {M_INPENMOVE, CtlScrollbar1_InPenMove}};
const SlotBinding kScrollbar2Slots[] = {
    {M_RENDER, CtlScrollbar2_Render},         {M_CALCBBOX, CtlScrollbar2_CalcBBox},
    {M_INKEYPRESS, CtlScrollbar2_ThumbMove},  {M_INKEYRELEASE, CtlScrollbar2_ThumbMove},
    {M_INFOCUSOUT, CtlScrollbar2_InFocusOut}, {M_INPENMOVE, CtlScrollbar2_ThumbMove}};
const SlotBinding kListSlots[] = {{M_RENDER, CtlList_Render},
                                  {M_CALCBBOX, CtlList_CalcBBox},
                                  {M_INKEYRELEASE, CtlList_InKeyRelease},
                                  {M_MOVEKEYFOCUS, CtlList_MoveKeyFocus}};
const SlotBinding kWindowSlots[] = {{M_RENDER, CtlWindow_Render},
                                    {M_CALCBBOX, CtlWindow_CalcBBox},
                                    {M_INKEYPRESS, CtlWindow_InKeyPress},
                                    {M_INKEYREPEAT, CtlWindow_InKeyRepeat},
                                    {M_INKEYRELEASE, CtlWindow_InKeyRelease},
                                    {M_INFOCUSIN, CtlWindow_InFocusIn},
                                    {M_INFOCUSOUT, CtlWindow_InFocusOut},
                                    {M_INPENMOVE, CtlWindow_InPenMove}};

// What one class declares.
struct ClassDecl {
    ClassDesc* cls;
    ClassDesc* base;
    ClassStore* store;
    const PropDesc* props;
    size_t nProps;
    const PropDesc* methods;
    size_t nMethods;
    const SlotBinding* slots;
    size_t nSlots;
};

#define CTL_SPAN(a) (a), (sizeof(a) / sizeof((a)[0]))
#define CTL_NONE    nullptr, 0

// Builds the full descriptor and the slot table of a class from its base's and
// its own declarations; false when the storage is too small (a programming error).
bool build(const ClassDecl& d)
{
    ClassDesc* c = d.cls;
    ClassDesc* b = d.base;
    const size_t props = b->nProps + d.nProps, methods = b->nMethods + d.nMethods;
    if (props + methods > size_t(kMaxDescs) || methods > size_t(kMaxSlots)) {
        logWrite("ctlStartup: descriptor storage too small for ", 0);
        logLine(c->name);
        return false;
    }
    PropDesc* out = d.store->descs;
    memcpy(out, b->descs, b->nProps * sizeof(PropDesc));
    if (d.nProps)  // a class may add no properties; memcpy must not see its null table
        memcpy(out + b->nProps, d.props, d.nProps * sizeof(PropDesc));
    memcpy(out + props, b->descs + b->nProps, b->nMethods * sizeof(PropDesc));
    if (d.nMethods)
        memcpy(out + props + b->nMethods, d.methods, d.nMethods * sizeof(PropDesc));
    for (size_t i = 0; i < props + methods; i++)
        out[i].refClass = nullptr;
    memset(d.store->slots, 0, sizeof d.store->slots);
    for (size_t i = 0; i < d.nSlots; i++)
        d.store->slots[d.slots[i].slot] = d.slots[i].fn;
    c->nProps = uint32_t(props);
    c->nMethods = uint32_t(methods);
    c->descs = out;
    c->slots = d.store->slots;
    c->base = b;
    c->nameIndex = nullptr;
    return true;
}

// A default object begins as a copy of the base class's default object.
template <typename Record>
void inheritDefaults(Record* def, const ClassDesc* base)
{
    static_assert(sizeof(Record) >= sizeof(ObjHeader));
    memset(static_cast<void*>(def), 0, sizeof *def);
    memcpy(static_cast<void*>(def), base->defaults, base->objectSize);
}

void initDefaults()
{
    inheritDefaults(&g_defFont, &g_baseClass);
    g_defFont.sprite = OBJ_NONE;
    g_defFont.bVariableSpacing = 1;
    g_defFont.bBlend = 1;

    inheritDefaults(&g_defBase, &g_actorClass);
    g_defBase.active = 1;
    g_defBase.visible = 1;
    g_defBase.alpha = 256;
    g_defBase.sx = g_defBase.sy = 256;
    g_defBase.parent = g_defBase.sprite = OBJ_NONE;
    g_defBase.frame = -1;

    inheritDefaults(&g_defStatic, &g_ctlBaseClass);
    g_defStatic.col = 0xBFBFBF;
    g_defStatic.colBkg = COLOR_NONE;
    g_defStatic.font = OBJ_NONE;

    inheritDefaults(&g_defTimer, &g_ctlStaticClass);
    g_defTimer.object = OBJ_NONE;
    strcpy(g_defTimer.prop, "tStart");
    g_defTimer.propid = 1;
    g_defTimer.bSeconds = 1;
    g_defTimer.bHours = 1;

    inheritDefaults(&g_defButton, &g_ctlStaticClass);
    g_defButton.colFocus = 0xFF0000;
    g_defButton.colPressed = 0xFF0000;
    g_defButton.b3Dlook = 1;
    g_defButton.tabstop = 1;
    g_defButton.frame = 0;
}

void initDerivedDefaults()
{
    inheritDefaults(&g_defEditBox, &g_ctlButtonClass);
    inheritDefaults(&g_defButton2State, &g_ctlButtonClass);
    inheritDefaults(&g_defCheckbox, &g_ctlButton2StateClass);
    inheritDefaults(&g_defScrollbar, &g_ctlButtonClass);
    g_defScrollbar.total = 100;
    inheritDefaults(&g_defScrollbar1, &g_ctlScrollbarClass);
    inheritDefaults(&g_defScrollbar2, &g_ctlScrollbarClass);
    inheritDefaults(&g_defListItem, &g_ctlCheckboxClass);
    g_defListItem.colBkg = COLOR_NONE;
    inheritDefaults(&g_defRadioButton, &g_ctlListItemClass);
    g_defRadioButton.colBkg = 0x3F3F3F;
    inheritDefaults(&g_defFileListItem, &g_ctlListItemClass);
    g_defFileListItem.colBkg = COLOR_NONE;

    inheritDefaults(&g_defList, &g_worldClass);
    g_defList.colBkg = COLOR_NONE;
    g_defList.colItem = 0xBFBFBF;
    g_defList.colFocus = 0x00FF00;
    g_defList.colSelected = 0xFF0000;
    g_defList.current = -1;
    g_defList.distance = 2;
    g_defList.vScroll = OBJ_NONE;
    g_defList.visible = 1;
    g_defList.tabstop = 1;
    g_defList.bKeysMoveFocus = 1;
    inheritDefaults(&g_defFileList, &g_ctlListClass);

    inheritDefaults(&g_defWindow, &g_baseResponsiveClass);
    g_defWindow.framesize = 2;
    g_defWindow.colBkg = COLOR_NONE;
    g_defWindow.world = OBJ_NONE;
    // The first font object existing when the library starts, normally none.
    g_defWindow.font = objFind(&g_ctlFontClass, nullptr, nullptr);
}

// Builds and registers one class after its named methods.
bool declare(const ClassDecl& d, std::initializer_list<std::pair<const char*, ObjMethod>> named)
{
    for (const auto& [name, fn] : named)
        if (!methodRegister(fn, name))
            return false;
    if (!build(d))
        return false;
    if (!classRegister(d.cls)) {
        logWrite("ctlStartup: could not register ", 0);
        logLine(d.cls->name);
        return false;
    }
    return true;
}

}

ClassDesc g_ctlFontClass = objMakeBareClass("CtlFont", "Base", sizeof(CtlFont), &g_defFont);
ClassDesc g_ctlBaseClass = objMakeBareClass("CtlBase", "Actor", sizeof(CtlBase), &g_defBase);
ClassDesc g_ctlStaticClass = objMakeBareClass("CtlStatic", "CtlBase", sizeof(CtlStatic), &g_defStatic);
ClassDesc g_ctlTimerClass = objMakeBareClass("CtlTimer", "CtlStatic", sizeof(CtlTimer), &g_defTimer);
ClassDesc g_ctlButtonClass = objMakeBareClass("CtlButton", "CtlStatic", sizeof(CtlButton), &g_defButton);
ClassDesc g_ctlEditBoxClass = objMakeBareClass("CtlEditBox", "CtlButton", sizeof(CtlEditBox), &g_defEditBox);
ClassDesc g_ctlButton2StateClass =
    objMakeBareClass("CtlButton2State", "CtlButton", sizeof(CtlButton2State), &g_defButton2State);
ClassDesc g_ctlCheckboxClass =
    objMakeBareClass("CtlCheckbox", "CtlButton2State", sizeof(CtlCheckbox), &g_defCheckbox);
ClassDesc g_ctlScrollbarClass =
    objMakeBareClass("CtlScrollbar", "CtlButton", sizeof(CtlScrollbar), &g_defScrollbar);
ClassDesc g_ctlScrollbar1Class =
    objMakeBareClass("CtlScrollbar1", "CtlScrollbar", sizeof(CtlScrollbar1), &g_defScrollbar1);
ClassDesc g_ctlScrollbar2Class =
    objMakeBareClass("CtlScrollbar2", "CtlScrollbar", sizeof(CtlScrollbar2), &g_defScrollbar2);
ClassDesc g_ctlListItemClass =
    objMakeBareClass("CtlListItem", "CtlCheckbox", sizeof(CtlListItem), &g_defListItem);
ClassDesc g_ctlRadioButtonClass =
    objMakeBareClass("CtlRadioButton", "CtlListItem", sizeof(CtlRadioButton), &g_defRadioButton);
ClassDesc g_ctlFileListItemClass =
    objMakeBareClass("CtlFileListItem", "CtlListItem", sizeof(CtlFileListItem), &g_defFileListItem);
ClassDesc g_ctlListClass = objMakeBareClass("CtlList", "World", sizeof(CtlList), &g_defList);
ClassDesc g_ctlFileListClass =
    objMakeBareClass("CtlFileList", "CtlList", sizeof(CtlFileList), &g_defFileList);
ClassDesc g_ctlWindowClass = objMakeBareClass("CtlWindow", "BaseResponsive", sizeof(CtlWindow), &g_defWindow);

bool ctlStartup()
{
    ctlResetBlink();
    initDefaults();
    g_ctlFontClass.create = CtlFont_Create;
    g_ctlBaseClass.create = Actor_Create;
    using Named = std::initializer_list<std::pair<const char*, ObjMethod>>;
    const ClassDecl fontDecl = {&g_ctlFontClass,      &g_baseClass, &g_storeFont,
                                CTL_SPAN(kFontProps), CTL_NONE,     CTL_SPAN(kFontSlots)};
    if (!declare(fontDecl, Named{{"CtlFont_Create", CtlFont_Create}}))
        return false;
    const ClassDecl baseDecl = {&g_ctlBaseClass, &g_actorClass, &g_storeBase,
                                CTL_NONE,        CTL_NONE,      CTL_SPAN(kBaseSlots)};
    const ClassDecl staticDecl = {&g_ctlStaticClass,      &g_ctlBaseClass, &g_storeStatic,
                                  CTL_SPAN(kStaticProps), CTL_NONE,        CTL_SPAN(kStaticSlots)};
    const ClassDecl timerDecl = {&g_ctlTimerClass,      &g_ctlStaticClass, &g_storeTimer,
                                 CTL_SPAN(kTimerProps), CTL_NONE,          CTL_SPAN(kTimerSlots)};
    const ClassDecl buttonDecl = {&g_ctlButtonClass,      &g_ctlStaticClass, &g_storeButton,
                                  CTL_SPAN(kButtonProps), CTL_NONE,          CTL_SPAN(kButtonSlots)};
    if (!declare(baseDecl, Named{}) ||
        !declare(staticDecl,
                 Named{{"CtlStatic_Render", CtlStatic_Render}, {"CtlStatic_CalcBBox", CtlStatic_CalcBBox}}) ||
        !declare(timerDecl, Named{{"CtlTimer_Sync", CtlTimer_Sync}, {"CtlTimer_Live", CtlTimer_Live}}) ||
        !declare(buttonDecl, Named{{"CtlButton_Render", CtlButton_Render},
                                   {"CtlButton_CalcBBox", CtlButton_CalcBBox},
                                   {"CtlButton_InKeyPress", CtlButton_InKeyPress},
                                   {"CtlButton_InKeyRelease", CtlButton_InKeyRelease},
                                   {"CtlButton_InFocusOut", CtlButton_InFocusOut}}))
        return false;
    initDerivedDefaults();
    const ClassDecl editDecl = {&g_ctlEditBoxClass,      &g_ctlButtonClass,         &g_storeEditBox,
                                CTL_SPAN(kEditBoxProps), CTL_SPAN(kEditBoxMethods), CTL_SPAN(kEditBoxSlots)};
    const ClassDecl twoDecl = {
        &g_ctlButton2StateClass,     &g_ctlButtonClass, &g_storeButton2State, CTL_NONE, CTL_NONE,
        CTL_SPAN(kButton2StateSlots)};
    const ClassDecl checkDecl = {
        &g_ctlCheckboxClass,     &g_ctlButton2StateClass, &g_storeCheckbox, CTL_NONE, CTL_NONE,
        CTL_SPAN(kCheckboxSlots)};
    const ClassDecl barDecl = {&g_ctlScrollbarClass,      &g_ctlButtonClass, &g_storeScrollbar,
                               CTL_SPAN(kScrollbarProps), CTL_NONE,          CTL_SPAN(kScrollbarSlots)};
    const ClassDecl bar1Decl = {&g_ctlScrollbar1Class,
                                &g_ctlScrollbarClass,
                                &g_storeScrollbar1,
                                CTL_SPAN(kScrollbar1Props),
                                CTL_NONE,
                                CTL_SPAN(kScrollbar1Slots)};
    const ClassDecl bar2Decl = {
        &g_ctlScrollbar2Class,     &g_ctlScrollbarClass, &g_storeScrollbar2, CTL_NONE, CTL_NONE,
        CTL_SPAN(kScrollbar2Slots)};
    if (!declare(editDecl, Named{{"CtlEditBox_CalcBBox", CtlEditBox_CalcBBox},
                                 {"CtlEditBox_Render", CtlEditBox_Render},
                                 {"CtlEditBox_GetText", CtlEditBox_GetText},
                                 {"CtlEditBox_SetText", CtlEditBox_SetText},
                                 {"CtlEditBox_Sync", CtlEditBox_Sync},
                                 {"CtlEditBox_KeyPress", CtlEditBox_KeyPress}}) ||
        !declare(twoDecl, Named{{"CtlButton2State_InKeyRelease", CtlButton2State_InKeyRelease}}) ||
        !declare(checkDecl, Named{{"CtlCheckbox_CalcBBox", CtlCheckbox_CalcBBox},
                                  {"CtlCheckbox_Render", CtlCheckbox_Render}}) ||
        !declare(barDecl, Named{{"CtlScrollbar_InKeyRelease", CtlScrollbar_InKeyRelease}}) ||
        !declare(bar1Decl, Named{{"CtlScrollbar1_Render", CtlScrollbar1_Render},
                                 {"CtlScrollbar1_CalcBBox", CtlScrollbar1_CalcBBox},
                                 {"CtlScrollbar1_InKeyPress", CtlScrollbar1_InKeyPress},
                                 {"CtlScrollbar1_InKeyRelease", CtlScrollbar1_InKeyRelease},
                                 {"CtlScrollbar1_InPenMove", CtlScrollbar1_InPenMove},
                                 {"CtlScrollbar1_InFocusOut", CtlScrollbar1_InFocusOut}}) ||
        !declare(bar2Decl, Named{{"CtlScrollbar2_Render", CtlScrollbar2_Render},
                                 {"CtlScrollbar2_CalcBBox", CtlScrollbar2_CalcBBox},
                                 {"CtlScrollbar2_ThumbMove", CtlScrollbar2_ThumbMove},
                                 {"CtlScrollbar2_InFocusOut", CtlScrollbar2_InFocusOut}}))
        return false;
    const ClassDecl itemDecl = {
        &g_ctlListItemClass,     &g_ctlCheckboxClass, &g_storeListItem, CTL_NONE, CTL_NONE,
        CTL_SPAN(kCheckboxSlots)};
    const ClassDecl radioDecl = {
        &g_ctlRadioButtonClass,  &g_ctlListItemClass, &g_storeRadioButton, CTL_NONE, CTL_NONE,
        CTL_SPAN(kCheckboxSlots)};
    const ClassDecl fileItemDecl = {&g_ctlFileListItemClass,
                                    &g_ctlListItemClass,
                                    &g_storeFileListItem,
                                    CTL_SPAN(kFileListItemProps),
                                    CTL_NONE,
                                    CTL_SPAN(kCheckboxSlots)};
    const ClassDecl listDecl = {&g_ctlListClass,      &g_worldClass,          &g_storeList,
                                CTL_SPAN(kListProps), CTL_SPAN(kListMethods), CTL_SPAN(kListSlots)};
    const ClassDecl fileListDecl = {&g_ctlFileListClass,        &g_ctlListClass,
                                    &g_storeFileList,           CTL_SPAN(kFileListProps),
                                    CTL_SPAN(kFileListMethods), CTL_NONE};
    const ClassDecl windowDecl = {&g_ctlWindowClass, &g_baseResponsiveClass,
                                  &g_storeWindow,    CTL_SPAN(kWindowProps),
                                  CTL_NONE,          CTL_SPAN(kWindowSlots)};
    return declare(itemDecl, Named{}) && declare(radioDecl, Named{}) && declare(fileItemDecl, Named{}) &&
           declare(listDecl, Named{{"CtlList_Render", CtlList_Render},
                                   {"CtlList_CalcBBox", CtlList_CalcBBox},
                                   {"CtlList_InKeyRelease", CtlList_InKeyRelease},
                                   {"CtlList_InFocusOut", CtlList_InFocusOut},
                                   {"CtlList_MoveKeyFocus", CtlList_MoveKeyFocus},
                                   {"CtlList_GetSel", CtlList_GetSel}}) &&
           declare(fileListDecl, Named{{"CtlFileList_SetDir", CtlFileList_SetDir}}) &&
           declare(windowDecl, Named{{"CtlWindow_CalcBBox", CtlWindow_CalcBBox},
                                     {"CtlWindow_Render", CtlWindow_Render},
                                     {"CtlWindow_InKeyPress", CtlWindow_InKeyPress},
                                     {"CtlWindow_InKeyRepeat", CtlWindow_InKeyRepeat},
                                     {"CtlWindow_InKeyRelease", CtlWindow_InKeyRelease},
                                     {"CtlWindow_InFocusIn", CtlWindow_InFocusIn},
                                     {"CtlWindow_InFocusOut", CtlWindow_InFocusOut},
                                     {"CtlWindow_InPenMove", CtlWindow_InPenMove}});
}
