#pragma once
// The headless host's input scripts: one timed event per line, times in ms of
// the host clock, '#' starts a comment.
//   <ms> key press|repeat|release|tap <NAME>   NAME: UP DOWN LEFT RIGHT BUT.A..BUT.E
//                                              BUT.START, a letter or digit, or 0xNN
//   <ms> pen down|move|up|tap <x> <y>
//   <ms> shot <file.png|file.tga>
//   <ms> answer ok|cancel                      the next message box's answer
//   <ms> focus lost|gained
//   <ms> tap-control <id>                      pen tap at the centre of the control
//                                              whose idCtl is id (found by a hook)
//   <ms> text <characters>                     typed characters (UTF-8, Latin-1 range, at most
//                                              64), the rest of the line as it stands
//   <ms> quit

#include <stdint.h>

#include "app/host.h"

constexpr int SCRIPT_LINE_EVENTS = 64;  // a line makes at most this many events (a text line's characters)
constexpr int SCRIPT_FILE_MAX = 256;   // bytes of a screenshot name, terminator included

enum ScriptAction {
    SCRIPT_MESSAGE,
    SCRIPT_SHOT,
    SCRIPT_ANSWER,
    SCRIPT_TAP_CONTROL
};

struct ScriptEvent {
    uint32_t time;
    ScriptAction action;
    HostMessage message;
    char file[SCRIPT_FILE_MAX];  // SCRIPT_SHOT: the picture to write
    int answer;                  // SCRIPT_ANSWER
    int32_t control;             // SCRIPT_TAP_CONTROL: the idCtl looked for
    int line;                    // line in the script file (set by the reader)
};

// ---- Parsing ----------------------------------------------------------------------------
// Parses one line (changed in place) into *count events of out[SCRIPT_LINE_EVENTS];
// a blank or comment line gives none. False with *why on a bad line.
bool scriptParseLine(char* line, ScriptEvent* out, int* count, const char** why);
bool scriptKeyFromName(const char* name, uint32_t* vk);  // a key name's virtual-key code
