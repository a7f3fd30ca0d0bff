#pragma once
// The SDL2 backend of the host layer: a window that shows the screen memory
// scaled by an integer factor, presented with vsync, and the events that become
// window messages. Used by host.cpp only.

#include <stdint.h>

#include "app/host.h"

bool sdlOpenWindow(const char* title, int width, int height);  // false when no display can be had
void sdlCloseWindow();
void sdlSetTitle(const char* title);
void sdlSetIcon(const uint8_t* rgba, int size);  // no window: nothing
void sdlToggleFullScreen();
// Turns pending SDL events into messages through emit.
void sdlCollect(void (*emit)(const HostMessage& m));
void sdlPresent(const uint16_t* pixels, int width, int height);
int sdlMessageBox(const char* title, const char* text, int kind);  // -1 when it could not be shown
int sdlBatteryPercent();
bool sdlOpenUrl(const char* url);
