// Shared set-up of the scene tests: the object model of ObjTest plus graphics on
// the headless host, and helpers that write small images and build Worlds.
#pragma once

#include <string>
#include <vector>

#include "app/input.h"
#include "engine/scene.h"
#include "gfx/blit.h"
#include "gfx/display.h"
#include "obj/obj_fixture.h"

// A pen tap at (x, y) as the window messages give it.
inline void penTap(int x, int y)
{
    inputPenMessage(WM_LBUTTONDOWN, x, y);
    inputPenMessage(WM_LBUTTONUP, x, y);
}

class SceneTest : public ObjTest {
protected:
    void SetUp() override
    {
        ObjTest::SetUp();
        ASSERT_TRUE(gfxInit(240, 320));
        gfxResetState();
    }

    void TearDown() override
    {
        ObjTest::TearDown();
        gfxShutdown();
        gfxResetState();
    }

    void writeSolidTga(const char* name, int w, int h, uint32_t rgb)
    {
        writeFile(name, testutil::tga(w, h, [rgb](int, int) { return rgb; }));
    }

    Sprite* sprite(const char* file, const char* name = "spr")
    {
        Sprite* s = create<Sprite>(&g_spriteClass, name);
        PropFromStr(file, PT_TSTRING, &s->file);
        return s;
    }

    Actor* actor(Sprite* s, int x, int y, const char* name = "act")
    {
        Actor* a = create<Actor>(&g_actorClass, name);
        a->sprite = objId(s);
        a->x = x;
        a->y = y;
        return a;
    }

    static void add(World* w, void* obj)
    {
        ASSERT_EQ(World_AddObj(w, obj), 0);
    }

    // A plain surface as the view of Render and CalcBBox calls.
    static ViewRect viewOf(SURFACE* s)
    {
        return ViewRect{.surface = s, .x = 0, .y = 0, .vp = Rect{0, 0, s->width, s->height}};
    }

    static uint32_t rgbAt(const SURFACE* s, int x, int y)
    {
        return pfOps(s->format)->toRGB(sfGetPixel(s, x, y));
    }

    static InputEvent key(uint32_t type, uint16_t code, ViewRect* view)
    {
        return InputEvent{.type = type, .key = code, .ch = 0, .x = 0, .y = 0, .view = view};
    }

    static InputEvent pen(uint32_t type, int x, int y, ViewRect* view)
    {
        return InputEvent{.type = type, .key = KEY_PEN, .ch = 0, .x = x, .y = y, .view = view};
    }
};
