// Fuzzes the game's preferences loader: any bytes as "TilvoPrefs.w" must give a
// usable Prefs object (the defaults when the file is bad), whose saved position
// is then checked against the board as Continue does, and saved again.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "app/clock.h"
#include "app/files.h"
#include "app/text.h"
#include "engine/classes.h"
#include "game/game.h"
#include "obj/worldfile.h"

namespace {

std::string g_dir;

void setUp()
{
    if (!g_dir.empty())
        return;
    char tmpl[] = "/tmp/fuzz-prefs-XXXXXX";
    g_dir = std::string(mkdtemp(tmpl)) + "/";
    char16_t wide[TEXT_MAX_PATH];
    textFromUtf8(wide, TEXT_MAX_PATH, g_dir.c_str());
    folderSetPath(FOLDER_PROGRAM, wide);
    clockStart();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setUp();
    FILE* f = fopen((g_dir + "TilvoPrefs.w").c_str(), "wb");
    if (!f)
        return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    if (!objInit() || !engineRegisterClasses() || !gameRegisterClasses())
        abort();
    Prefs* p = prefsLoad();
    if (!p || p->movetime > PREFS_MAX_MOVETIME)
        abort();
    savedPosFits(&p->savedPos, 16);
    prefsSave(p);
    objShutdown();
    return 0;
}
