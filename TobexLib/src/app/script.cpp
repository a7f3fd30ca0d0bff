// The headless host's input scripts: a line is split into words and turned into
// the host messages (or screenshot, answer and tap-control steps) it stands for.
#include "app/script.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/text.h"

// The virtual-key code of a script key name.
bool scriptKeyFromName(const char* name, uint32_t* vk)
{
    HostKeys k;
    hostDefaultKeys(2, &k);
    struct Named {
        const char* name;
        uint32_t vk;
    } const names[] = {
        {"UP", k.up},           {"DOWN", k.down},       {"LEFT", k.left},    {"RIGHT", k.right},
        {"BUT.A", k.a},         {"BUT.B", k.b},         {"BUT.C", k.c},      {"BUT.D", VK_BUTTON_D},
        {"BUT.E", VK_BUTTON_E}, {"BUT.START", k.start}, {"SPACE", VK_SPACE}, {"RETURN", VK_RETURN},
        {"ESCAPE", VK_ESCAPE},  {"BACK", VK_BACK},
    };
    for (const Named& n : names)
        if (!strcmp(n.name, name)) {
            *vk = n.vk;
            return true;
        }
    if (strlen(name) == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
        *vk = uint32_t(name[0]);
        return true;
    }
    if (!strncmp(name, "0x", 2) || !strncmp(name, "0X", 2)) {
        char* end;
        unsigned long v = strtoul(name + 2, &end, 16);
        if (*end == 0 && end != name + 2 && v < 256) {
            *vk = uint32_t(v);
            return true;
        }
    }
    return false;
}

// Parses one script line into events; false with a reason on a bad line.
namespace {

// A "<ms> text <characters>" line: one WM_CHAR per character. True when the
// line is one (*ok then tells whether it was good).
bool parseText(const char* line, ScriptEvent* out, int* count, const char** why, bool* ok)
{
    char* end;
    unsigned long time = strtoul(line, &end, 10);
    if (end == line || strncmp(end, " text ", 6) != 0)
        return false;
    char chars[1024];
    snprintf(chars, sizeof chars, "%s", end + 6);
    chars[strcspn(chars, "\r\n")] = 0;
    char16_t wide[SCRIPT_LINE_EVENTS + 1];
    *ok = textFromUtf8(wide, sizeof wide / sizeof wide[0], chars);
    for (const char16_t* c = wide; *ok && *c; c++)
        *ok = *c <= 0xFF;
    if (!*ok) {
        *why = "text takes at most 64 characters of the Latin-1 range";
        return true;
    }
    for (const char16_t* c = wide; *c; c++) {
        ScriptEvent& e = out[(*count)++];
        e = ScriptEvent{};
        e.time = uint32_t(time);
        e.message.msg = WM_CHAR;
        e.message.key = *c;
    }
    return true;
}

}

bool scriptParseLine(char* line, ScriptEvent* out, int* count, const char** why)
{
    *count = 0;
    bool textOk = true;
    if (parseText(line, out, count, why, &textOk))
        return textOk;
    if (char* hash = strchr(line, '#'))
        *hash = 0;
    char* save = nullptr;
    char* tok[6] = {};
    int n = 0;
    for (char* t = strtok_r(line, " \t\r\n", &save); t && n < 6; t = strtok_r(nullptr, " \t\r\n", &save))
        tok[n++] = t;
    if (n == 0)
        return true;
    char* end;
    unsigned long time = strtoul(tok[0], &end, 10);
    if (*end || n < 2) {
        *why = "expected a time in ms and a command";
        return false;
    }
    ScriptEvent e{};
    e.time = uint32_t(time);
    const char* cmd = tok[1];
    if (!strcmp(cmd, "quit")) {
        e.message.msg = WM_CLOSE;
        out[(*count)++] = e;
        return true;
    }
    if (!strcmp(cmd, "shot") && n == 3) {
        e.action = SCRIPT_SHOT;
        if (strlen(tok[2]) >= sizeof e.file) {
            *why = "screenshot name too long";
            return false;
        }
        strcpy(e.file, tok[2]);
        out[(*count)++] = e;
        return true;
    }
    if (!strcmp(cmd, "answer") && n == 3 && (!strcmp(tok[2], "ok") || !strcmp(tok[2], "cancel"))) {
        e.action = SCRIPT_ANSWER;
        e.answer = !strcmp(tok[2], "ok") ? 1 : 2;
        out[(*count)++] = e;
        return true;
    }
    if (!strcmp(cmd, "tap-control") && n == 3) {
        char* e2;
        long id = strtol(tok[2], &e2, 0);
        if (*e2 || id < INT32_MIN || id > INT32_MAX) {
            *why = "tap-control takes a control id";
            return false;
        }
        e.action = SCRIPT_TAP_CONTROL;
        e.control = int32_t(id);
        out[(*count)++] = e;
        return true;
    }
    if (!strcmp(cmd, "focus") && n == 3 && (!strcmp(tok[2], "lost") || !strcmp(tok[2], "gained"))) {
        e.message.msg = !strcmp(tok[2], "lost") ? WM_KILLFOCUS : WM_SETFOCUS;
        out[(*count)++] = e;
        return true;
    }
    if (!strcmp(cmd, "key") && n == 4) {
        if (!scriptKeyFromName(tok[3], &e.message.key)) {
            *why = "unknown key name";
            return false;
        }
        const char* how = tok[2];
        bool tap = !strcmp(how, "tap");
        if (tap || !strcmp(how, "press") || !strcmp(how, "repeat")) {
            e.message.msg = WM_KEYDOWN;
            out[(*count)++] = e;
        }
        if (tap || !strcmp(how, "release")) {
            e.message.msg = WM_KEYUP;
            out[(*count)++] = e;
        }
        if (!tap && strcmp(how, "press") && strcmp(how, "repeat") && strcmp(how, "release")) {
            *why = "key takes press, repeat, release or tap";
            return false;
        }
        return true;
    }
    if (!strcmp(cmd, "pen") && n == 5) {
        char* ex;
        char* ey;
        e.message.x = int32_t(strtol(tok[3], &ex, 10));
        e.message.y = int32_t(strtol(tok[4], &ey, 10));
        if (*ex || *ey) {
            *why = "pen takes two integer coordinates";
            return false;
        }
        const char* how = tok[2];
        bool tap = !strcmp(how, "tap");
        if (tap || !strcmp(how, "down")) {
            e.message.msg = WM_LBUTTONDOWN;
            out[(*count)++] = e;
        }
        if (!strcmp(how, "move")) {
            e.message.msg = WM_MOUSEMOVE;
            out[(*count)++] = e;
        }
        if (tap || !strcmp(how, "up")) {
            e.message.msg = WM_LBUTTONUP;
            out[(*count)++] = e;
        }
        if (!tap && strcmp(how, "down") && strcmp(how, "move") && strcmp(how, "up")) {
            *why = "pen takes down, move, up or tap";
            return false;
        }
        return true;
    }
    *why = "unknown command";
    return false;
}
