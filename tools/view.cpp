// tobex view: runs the engine the way the game does with a World file as the
// main World: archives mounted, viewports drawing and presenting, pen and keys
// routed, living objects animated; in a window or headless with a script.
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/files.h"
#include "app/host.h"
#include "app/log.h"
#include "app/text.h"
#include "commands.h"
#include "ctl/controls.h"
#include "engine/classes.h"
#include "engine/startup.h"
#include "sound/sound.h"
#include "vfs/archive.h"

namespace {

// The demo's own method, "Actor_PlayTap": bound to InKeyRelease in the demo's
// World, it plays "sfx/tap.wav" when a responsive object with a tabstop is
// released on. The sound is loaded at the first tap and freed with the engine.
Sound* g_tap;
bool g_tapTried;

int Actor_PlayTap(void* obj, void*)
{
    if (!objIsA(obj, &g_baseResponsiveClass) || !static_cast<BaseResponsive*>(obj)->tabstop)
        return 0;
    if (!g_tapTried) {
        g_tapTried = true;
        g_tap = sndLoad(u"sfx/tap.wav");
    }
    sndPlay(g_tap, nullptr);
    return 0;
}

struct ViewArgs {
    std::vector<std::u16string> archives;
    std::u16string folder;  // the World file's folder, or empty: the current one
    std::u16string world = u"main.w";
};

void usage(FILE* out)
{
    fprintf(out,
            "usage: tobex view [-m ARCHIVE]... [OPTIONS] [WORLD]\n\n"
            "Shows WORLD (default main.w) as the main World of a running engine: its\n"
            "WorldViewports draw their Worlds, its ScreenViewports present them, the pen\n"
            "and keys are routed and living objects animate. WORLD is read through the\n"
            "file system: from the archives given with -m, else as a file, in which case\n"
            "the archives beside it (*.zip, *.pak, *.exe) are mounted too. Every frame whose\n"
            "events produced a command code N other than 0 prints a line 'command N'. File\n"
            "lists the World file leaves empty show the files of the program's folder.\n\n"
            "  -m ARCHIVE        mount ARCHIVE first (may be repeated)\n%s",
            hostOptionsHelp());
}

std::u16string wide(const char* s)
{
    char16_t buf[TEXT_MAX_PATH];
    return textFromUtf8(buf, TEXT_MAX_PATH, s) ? std::u16string(buf) : std::u16string();
}

// A World given as a loose file: its folder becomes the program's folder, so
// its relative names and the archives beside it resolve there.
void placeWorld(const char* path, ViewArgs* a)
{
    char full[PATH_MAX];
    if (!a->archives.empty() || !realpath(path, full))
        return;
    const char* slash = strrchr(full, '/');
    a->world = wide(slash + 1);
    full[slash + 1 - full] = 0;
    a->folder = wide(full);
}

// Returns 0 to go on, else the exit status (-1: help was printed).
int parseArgs(int argc, char** argv, ViewArgs* a)
{
    bool haveWorld = false;
    const char* worldArg = nullptr;
    for (int i = 1; i < argc; i++) {
        const char* s = argv[i];
        if (!strcmp(s, "--help") || !strcmp(s, "-h")) {
            usage(stdout);
            return -1;
        }
        if (!strcmp(s, "-m")) {
            if (i + 1 >= argc || wide(argv[i + 1]).empty()) {
                fprintf(stderr, "tobex view: -m needs an archive\n");
                return 2;
            }
            a->archives.push_back(wide(argv[++i]));
            continue;
        }
        if (s[0] == '-' || haveWorld || wide(s).empty()) {
            fprintf(stderr, "tobex view: unexpected argument '%s'\n\n", s);
            usage(stderr);
            return 2;
        }
        a->world = wide(s);
        haveWorld = true;
        worldArg = s;
    }
    if (worldArg)
        placeWorld(worldArg, a);
    return 0;
}

// Fills every file list that the World file left empty with the files of the
// program's folder, so a screen's file lists show something in the viewer; the
// game fills its own with the patterns it needs.
void fillFileLists()
{
    ClassDesc* fileList = classFind("CtlFileList");
    ObjMethod setDir = methodFind("CtlFileList_SetDir");
    if (!fileList || !setDir)
        return;
    std::vector<ObjectId> ids(static_cast<size_t>(objWorldIds(nullptr, 0)));
    ids.resize(static_cast<size_t>(objWorldIds(ids.data(), static_cast<int32_t>(ids.size()))));
    char16_t pattern[] = u"*";
    for (ObjectId id : ids) {
        World* w = static_cast<World*>(objGet(id));
        if (objIsA(w, fileList) && w->objs.count == 0)
            setDir(w, pattern);
    }
}

// Prints the command code of every frame whose events produced one, so authors
// see what their buttons return and scripted tests can check it.
bool printCommand(int command, const FrameStats*)
{
    if (command != 0) {
        printf("command %d\n", command);
        fflush(stdout);
    }
    return false;
}

int viewMain(void* arg)
{
    ViewArgs* a = static_cast<ViewArgs*>(arg);
    toolStartEngine();
    if (!a->folder.empty())
        folderSetPath(FOLDER_PROGRAM, a->folder.c_str());
    // Archives named with -m are mounted by the start-up, before graphics start,
    // so a system font they hold is found. The start-up only logs a failure; here
    // an archive that does not mount is an error, as in the other commands.
    std::vector<const char16_t*> archives;
    for (const std::u16string& name : a->archives)
        archives.push_back(name.c_str());
    EngineConfig c = {.archives = archives.data(),
                      .nArchives = static_cast<int>(archives.size()),
                      .mountBeside = archives.empty(),
                      .needArchive = false,
                      .startLibraries = ctlStartup};
    engineStart(&c);
    if (vfsArchiveCount() < static_cast<int>(archives.size())) {
        fprintf(stderr, "tobex view: cannot mount every archive given with -m (Tobex.log names it)\n");
        engineStop();
        return 1;
    }
    methodRegister(Actor_PlayTap, "Actor_PlayTap");
    engineLoadMain(a->world.c_str());
    fillFileLists();
    AppFrameHooks hooks;
    engineFrameHooks(&hooks);
    hooks.work = printCommand;
    FrameStats stats;
    uint32_t frames = appRunFrames(&hooks, &stats);
    sndFree(g_tap);
    g_tap = nullptr;
    engineStop();
    if (hostIsHeadless())
        fprintf(stderr, "tobex view: %u frames\n", frames);
    return hostScriptFailed() ? 1 : 0;
}

}

int toolView(int argc, char** argv)
{
    HostOptions options;
    if (!hostOptionsFromEnv(&options))
        return 2;
    argc = hostOptionsFromArgs(&options, argc, argv);
    if (argc < 0)
        return 2;
    ViewArgs a;
    int rc = parseArgs(argc, argv, &a);
    if (rc != 0)
        return rc < 0 ? 0 : rc;
    if (!hostStart(&options))
        return 2;
    int result = appRun(viewMain, &a);
    bool shotsSaved = hostStop();
    return result == 0 && !shotsSaved ? 1 : result;
}
