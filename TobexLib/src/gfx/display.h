#pragma once
// The display: graphics start-up and shut-down, the screen surface that
// describes the host's screen memory, presentation of off-screen surfaces, the
// screen orientation and the default palette of 8-bit displays.

#include <stdint.h>

#include "gfx/surface.h"

struct HostDisplay;

// Display format flags as the host reports them.
constexpr uint32_t GFX_DIRECT888 = 0x100;
constexpr uint32_t GFX_DIRECT565 = 0x80;
constexpr uint32_t GFX_DIRECT555 = 0x40;
constexpr uint32_t GFX_DIRECT444 = 0x200;
constexpr uint32_t GFX_PALETTE = 0x10;

// Devices whose OEM name carries this text at characters 12..14 use their
// display memory directly, wired in landscape.
constexpr int GFX_OEM_DIRECT_POS = 12;

// ---- Start and stop -------------------------------------------------------------------
// Window, display, surface pool, image cache (screen format), system font when
// present. False at the first step that fails.
bool gfxInit(int width, int height);
void gfxShutdown();  // closes the display and empties the image cache
bool gfxActive();

// ---- Describing the screen ---------------------------------------------------------------
bool gfxDescribeScreen(SURFACE* s);  // from the host's display properties and OEM name
// The same from given properties; oem may be null. Sets the direct frame-buffer
// flag when the OEM name asks for it. False for an unknown format.
bool gfxDescribeDisplay(SURFACE* s, const HostDisplay* d, const char* oem);
SURFACE* gfxGetScreen();  // the screen surface record (pixels null outside a draw)
bool gfxDirectFrameBuffer();
// The memory the direct frame-buffer mode draws into (pixel (0, 0)); none by
// default, so that mode presents nothing until an address is given.
void gfxSetFrameBufferAddress(uint8_t* pixel00);

// ---- Drawing to the screen -----------------------------------------------------------------
SURFACE* gfxBeginDraw();  // the screen surface made current target; null without display memory
void gfxEndDraw();        // pixels back to null, the previous target current again
// Copies surface (or its part rect) opaquely into display memory at (x, y).
void gfxPresent(const SURFACE* src, int x, int y, const RECT* rect);

// ---- Orientation ---------------------------------------------------------------------------
// 0 as the display reports, 1 half turn, 2 and 3 the quarter turns. Returns the
// accumulated byte offset added to display memory at each presentation.
int32_t gfxSetScreenOrient(int orientation);
int gfxGetScreenOrient();
// Re-addresses s for a turn (1 half, 2 and 3 quarter); returns the byte offset
// added to its pixels.
int32_t sfRotateAddressing(SURFACE* s, int kind);

// ---- Palette and surface values ---------------------------------------------------------------
const PALETTE* gfxDefaultPalette();        // the 256 colours of 8-bit palette displays
void gfxReleaseSurfaceValue(void* value);  // release function of embedded SURFACE values
