#pragma once
// The user-interface controls: seventeen ordinary engine classes (static texts,
// timers, buttons, check boxes, radio buttons, list items, edit boxes, scroll
// bars, sliders, lists, file lists, windows) and the font object they draw with.
//
// Records derive from the engine's records, so a control is an Actor (or a
// World, or a BaseResponsive) to every engine routine. ctlStartup registers the
// classes and their named methods; a program calls it once per start of the
// object model, after graphics, input and sound and before any World is loaded.

#include <stdint.h>

#include "engine/classes.h"
#include "gfx/font.h"

constexpr int CTL_TIMER_TEXT = 11;  // characters a timer's text holds at least, terminator included

// ---- Records ------------------------------------------------------------------------------------
struct CtlFont : Base {
    FONT font;        // the prepared font record, filled by CtlFont_Create
    ObjectId sprite;  // Sprite whose surface is the glyph sheet
    void* sf;         // the glyph sheet; taken from sprite when null
    int32_t nCharWidth, nCharHeight;
    int32_t nHSpacing, nVSpacing;
    uint8_t bVariableSpacing;
    uint8_t bBlend;
    int32_t nXSrcSpacing, nYSrcSpacing;
    int32_t nXSrcOffs, nYSrcOffs;
    int32_t nXSrcChars, nYSrcChars;
    int32_t nFirstChar;
};

struct CtlBase : Actor {};

struct CtlStatic : CtlBase {
    uint32_t col;       // text colour 0x00RRGGBB
    uint32_t colBkg;    // background fill; COLOR_NONE = none
    ObjectId font;      // CtlFont; the system font when none
    char16_t* text;     // owned label, or null
    int32_t textAlign;  // 0 centre, 2 right, 3 justify, else left
    int32_t blink;      // blink period in ms; <= 0 none
};

struct CtlTimer : CtlStatic {
    ObjectId object;          // BaseLiving whose TIME property is watched
    char prop[OBJ_NAME_MAX];  // the watched property's name (text form)
    int32_t propid;           // its index (binary form); 255 = not resolved
    TIME time;                // the time shown: ms, or seconds of the day
    uint8_t bGetSystemTime;   // show the local time of day
    uint8_t bSeconds;         // append ":SS"
    uint8_t bHours;           // show "H:" apart
};

struct CtlButton : CtlStatic {
    uint32_t colFocus;    // text colour with focus; key-focus outline; COLOR_NONE = no outline
    uint32_t colPressed;  // text colour while pressed
    int32_t firstFrame;   // sprite frame of the normal look; +1 pressed, +2 focused
    uint8_t b3Dlook;      // bevelled box without a sprite
    int32_t idCtl;        // command code of a click
    ObjMethod OnClick;    // called as OnClick(button, 0) on a click; its result is the code
};

struct CtlEditBox : CtlButton {
    int32_t cursorPos;  // run-time: insertion point 0..textLen
    int32_t textLen;    // run-time: characters in use; the rest of the buffer is spaces
};

struct CtlButton2State : CtlButton {};
struct CtlCheckbox : CtlButton2State {};
struct CtlListItem : CtlCheckbox {};
struct CtlRadioButton : CtlListItem {};

struct CtlFileListItem : CtlListItem {
    char16_t* fullname;  // owned full path of the file, or null
};

struct CtlScrollbar : CtlButton {
    uint8_t horiz;    // horizontal, else vertical
    int32_t total;    // largest value
    int32_t current;  // run-time: the value 0..total
};

struct CtlScrollbar1 : CtlScrollbar {
    int32_t dragStart;  // run-time: pen offset inside the thumb when a drag began
};

struct CtlScrollbar2 : CtlScrollbar {};

struct CtlList : World {
    uint32_t colBkg, colItem, colFocus, colSelected;
    uint8_t multiple;     // several items may be selected
    int32_t current;      // single selection: index in objs of the selected item, -1 none
    int32_t distance;     // gap left of, above and between the items
    int32_t renderFirst;  // run-time: first item shown
    int32_t renderLast;   // run-time: index after the last item shown
    ObjectId vScroll;     // CtlScrollbar mirroring renderFirst
};

struct CtlFileList : CtlList {
    uint8_t showExt;  // keep extensions in the item texts
};

struct CtlWindow : BaseResponsive {
    char16_t* title;    // owned title, or null
    int32_t framesize;  // frame thickness
    ObjectId font;      // title font; the system font when none
    uint32_t colBkg;    // view fill before the inner World; COLOR_NONE = none
    Rect vp;         // inner World's point shown at the window's position, and the view size (0 = surface's)
    ObjMethod Draw;  // Draw(window, ViewRect*) after the inner World
    ObjectId world;  // the inner World
};

// ---- Descriptors ------------------------------------------------------------------------------
extern ClassDesc g_ctlFontClass;
extern ClassDesc g_ctlBaseClass;
extern ClassDesc g_ctlStaticClass;
extern ClassDesc g_ctlTimerClass;
extern ClassDesc g_ctlButtonClass;
extern ClassDesc g_ctlEditBoxClass;
extern ClassDesc g_ctlButton2StateClass;
extern ClassDesc g_ctlCheckboxClass;
extern ClassDesc g_ctlScrollbarClass;
extern ClassDesc g_ctlScrollbar1Class;
extern ClassDesc g_ctlScrollbar2Class;
extern ClassDesc g_ctlListItemClass;
extern ClassDesc g_ctlRadioButtonClass;
extern ClassDesc g_ctlFileListItemClass;
extern ClassDesc g_ctlListClass;
extern ClassDesc g_ctlFileListClass;
extern ClassDesc g_ctlWindowClass;

// ---- Start-up ---------------------------------------------------------------------------------
// Registers the control classes and their named methods, in start-up order;
// false when the object model refused one (logged).
bool ctlStartup();

// ---- Helpers for programs -----------------------------------------------------------------------
// The font a control draws with: its `font` object's record when that is a
// CtlFont, else the system font. Never null.
const FONT* ctlFontOf(ObjectId font);
// Replaces a control's owned text (CtlStatic and below, CtlWindow's title) with
// a copy of s; false (nothing changed) for other objects or without memory.
bool ctlSetText(void* ctl, const char16_t* s);

// ---- Named methods ------------------------------------------------------------------------------
int CtlFont_Create(void* obj, void* arg);  // 0 done, 1 when a sheet is there but cannot be used
int CtlStatic_Render(void* obj, void* arg);
int CtlStatic_CalcBBox(void* obj, void* arg);
int CtlTimer_Sync(void* obj, void* arg);  // -1 when the watched property is unknown or no TIME
int CtlTimer_Live(void* obj, void* arg);
int CtlButton_Render(void* obj, void* arg);
int CtlButton_CalcBBox(void* obj, void* arg);
int CtlButton_InKeyPress(void* obj, void* arg);    // 1 for an activation
int CtlButton_InKeyRelease(void* obj, void* arg);  // the click result, 1 when not pressed
int CtlButton_InFocusOut(void* obj, void* arg);
int CtlEditBox_CalcBBox(void* obj, void* arg);
int CtlEditBox_Render(void* obj, void* arg);
int CtlEditBox_GetText(void* obj, void* arg);  // arg: char16_t* at least as long as the field; 1 copied
int CtlEditBox_SetText(void* obj, void* arg);  // arg: const char16_t*; 0 when longer than the field
int CtlEditBox_Sync(void* obj, void* arg);
int CtlEditBox_KeyPress(void* obj, void* arg);  // 1 used or swallowed, 0 left to the World
int CtlButton2State_InKeyRelease(void* obj, void* arg);
int CtlCheckbox_CalcBBox(void* obj, void* arg);
int CtlCheckbox_Render(void* obj, void* arg);
int CtlScrollbar_InKeyRelease(void* obj, void* arg);
int CtlScrollbar1_Render(void* obj, void* arg);
int CtlScrollbar1_CalcBBox(void* obj, void* arg);
int CtlScrollbar1_InKeyPress(void* obj, void* arg);
int CtlScrollbar1_InKeyRelease(void* obj, void* arg);
int CtlScrollbar1_InPenMove(void* obj, void* arg);
int CtlScrollbar1_InFocusOut(void* obj, void* arg);
int CtlScrollbar2_Render(void* obj, void* arg);
int CtlScrollbar2_CalcBBox(void* obj, void* arg);
int CtlScrollbar2_ThumbMove(void* obj, void* arg);
int CtlScrollbar2_InFocusOut(void* obj, void* arg);
int CtlList_Render(void* obj, void* arg);
int CtlList_CalcBBox(void* obj, void* arg);
int CtlList_InKeyRelease(void* obj, void* arg);
int CtlList_InFocusOut(void* obj, void* arg);
int CtlList_MoveKeyFocus(void* obj, void* arg);
int CtlList_GetSel(void* obj, void* arg);      // index of the first selected item, -1 none
int CtlFileList_SetDir(void* obj, void* arg);  // arg: const char16_t* pattern; items made
int CtlWindow_CalcBBox(void* obj, void* arg);
int CtlWindow_Render(void* obj, void* arg);
int CtlWindow_InKeyPress(void* obj, void* arg);
int CtlWindow_InKeyRepeat(void* obj, void* arg);
int CtlWindow_InKeyRelease(void* obj, void* arg);
int CtlWindow_InFocusIn(void* obj, void* arg);
int CtlWindow_InFocusOut(void* obj, void* arg);
int CtlWindow_InPenMove(void* obj, void* arg);
