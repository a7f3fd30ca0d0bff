// Shared set-up of the object-model tests: a temporary program folder (where the
// log and the World files go), a fresh log and a fresh object model.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/clock.h"
#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "engine/classes.h"
#include "obj/object.h"
#include "obj/worldfile.h"

class ObjTest : public testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        std::string tmpl = testing::TempDir() + "objtestXXXXXX";
        dir = mkdtemp(tmpl.data());
        dir += "/";
        char16_t wide[TEXT_MAX_PATH];
        textFromUtf8(wide, TEXT_MAX_PATH, dir.c_str());
        folderSetPath(FOLDER_PROGRAM, wide);
        clockStart();
        logRestart();
        ASSERT_TRUE(objInit());
    }

    void TearDown() override
    {
        objShutdown();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::string path(const char* name) const { return dir + name; }

    // The log written since the fixture started.
    std::string log() const { return readFile("Tobex.log"); }

    std::string readFile(const char* name) const
    {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    void writeFile(const char* name, const std::string& bytes) const
    {
        std::ofstream out(path(name), std::ios::binary);
        out << bytes;
    }

    static std::u16string wide(const char* s)
    {
        char16_t buf[TEXT_MAX_PATH];
        textFromUtf8(buf, TEXT_MAX_PATH, s);
        return buf;
    }

    // An 8 x 4 grey 24-bit TGA, for World files whose sprites load their image
    // when they are synced.
    void writeImage(const char* name) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 4, 0, 24, 0x20};
        tga.append(8 * 4 * 3, char(0x80));
        writeFile(name, tga);
    }

    void* load(const char* name) { return objLoadFile(wide(name).c_str()); }
    bool save(const char* name, void* obj, bool binary)
    {
        return objSaveFile(wide(name).c_str(), obj, binary);
    }

    template <class T>
    static T* create(ClassDesc* cls, const char* name = nullptr)
    {
        T* obj = static_cast<T*>(objCreate(cls));
        if (obj && name)
            strncpy(obj->name, name, OBJ_NAME_MAX - 1);
        return obj;
    }

    static void add(World* w, void* obj) { objCallMethod(w, M_ADDOBJ, obj); }
    static ObjectId member(const World* w, int i) { return *static_cast<ObjectId*>(vecAt(&w->objs, i)); }
    template <class T>
    static T* memberObj(const World* w, int i) { return static_cast<T*>(objGet(member(w, i))); }
};
