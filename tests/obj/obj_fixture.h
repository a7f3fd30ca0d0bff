// Shared set-up of the object-model tests: a temporary program folder (where the
// log and the World files go), a fresh log and a fresh object model.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <string>

#include "app/clock.h"
#include "engine/classes.h"
#include "obj/object.h"
#include "obj/worldfile.h"
#include "test_util.h"

class ObjTest : public testutil::FolderTest {
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        clockStart();
        ASSERT_TRUE(objInit() && engineRegisterClasses());
    }

    void TearDown() override
    {
        objShutdown();
        FolderTest::TearDown();
    }

    std::string readFile(const char* name) const
    {
        return testutil::readFile(path(name));
    }
    void writeFile(const char* name, const std::string& bytes) const
    {
        testutil::writeFile(path(name), bytes);
    }

    // An 8 x 4 grey image, for sprites that load their image when synced.
    void writeImage(const char* name) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        writeFile(name, testutil::tga(8, 4, [](int, int) { return 0x808080u; }));
    }

    void* load(const char* name)
    {
        return objLoadFile(testutil::wide(name).c_str());
    }
    bool save(const char* name, void* obj, bool binary)
    {
        return objSaveFile(testutil::wide(name).c_str(), obj, binary);
    }

    template <class T>
    static T* create(ClassDesc* cls, const char* name = nullptr)
    {
        T* obj = static_cast<T*>(objCreate(cls));
        if (obj && name)
            strncpy(obj->name, name, OBJ_NAME_MAX - 1);
        return obj;
    }

    static void add(World* w, void* obj)
    {
        objCallMethod(w, M_ADDOBJ, obj);
    }
    static ObjectId member(const World* w, int i)
    {
        return *static_cast<ObjectId*>(vecAt(&w->objs, i));
    }
    template <class T>
    static T* memberObj(const World* w, int i)
    {
        return static_cast<T*>(objGet(member(w, i)));
    }
};
