// Shared body of the World-file fuzzers: the input, behind a fixed header, is
// loaded from a file in a private folder; what loads is saved in the text and
// binary forms and loaded again (the control classes registered, so their
// Sync runs on what the file gave); then the object model starts afresh so
// objects left behind by a failed read do not pile up.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/clock.h"
#include "app/files.h"
#include "app/text.h"
#include "ctl/controls.h"
#include "engine/classes.h"
#include "obj/object.h"
#include "obj/worldfile.h"

namespace {

std::string g_fuzzDir;

void fuzzSetUp()
{
    if (!g_fuzzDir.empty())
        return;
    char tmpl[] = "/tmp/fuzz-world-XXXXXX";
    g_fuzzDir = std::string(mkdtemp(tmpl)) + "/";
    char16_t wide[TEXT_MAX_PATH];
    textFromUtf8(wide, TEXT_MAX_PATH, g_fuzzDir.c_str());
    folderSetPath(FOLDER_PROGRAM, wide);
    clockStart();
    objInit();
    engineRegisterClasses();
    ctlStartup();
}

int worldFuzzOne(const char* header, const uint8_t* data, size_t size)
{
    fuzzSetUp();
    std::string in = g_fuzzDir + "in.w";
    FILE* f = fopen(in.c_str(), "wb");
    if (!f)
        return 0;
    fwrite(header, 1, 4, f);
    fwrite(data, 1, size, f);
    fclose(f);
    void* obj = objLoadFile(u"in.w");
    if (obj) {
        objSaveFile(u"out.wt", obj, false);
        objSaveFile(u"out.wb", obj, true);
        objLoadFile(u"out.wt");
        objLoadFile(u"out.wb");
    }
    objShutdown();
    objInit();
    engineRegisterClasses();
    ctlStartup();
    return 0;
}

}
