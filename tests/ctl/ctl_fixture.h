// Shared set-up of the control tests: the object model, graphics with a system
// font sheet written by the test (7 x 14 cells, every glyph a solid block), the
// control library and input; screens are loaded as the main World so events
// travel the whole road from the input queue to the controls.
#pragma once

#include <string>
#include <vector>

#include "app/input.h"
#include "ctl/controls.h"
#include "engine/scene_fixture.h"
#include "engine/startup.h"

class CtlTest : public ObjTest {
protected:
    World* main = nullptr;
    World* scr = nullptr;

    void SetUp() override
    {
        ObjTest::SetUp();
        writeFontSheet("Graphics/SysFont7x14.tga", 14, 7);
        ASSERT_TRUE(gfxInit(240, 320));
        gfxResetState();
        ASSERT_TRUE(ctlStartup());
        ASSERT_TRUE(inputStart(false));
        inputEnable(true);
    }

    void TearDown() override
    {
        inputStop();
        ObjTest::TearDown();
        gfxShutdown();
        gfxResetState();
    }

    // A font sheet of cols x rows 7 x 14 cells, one pixel apart and in from the
    // edge; each glyph is a white block 5 pixels wide on black.
    void writeFontSheet(const char* name, int cols, int rows)
    {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        writeFile(name, testutil::tga(1 + cols * 8, 1 + rows * 15, [](int x, int y) {
                      int cx = (x - 1) % 8, cy = (y - 1) % 15;
                      return x >= 1 && y >= 1 && cx >= 1 && cx <= 5 && cy < 14 ? 0xFFFFFFu : 0u;
                  }));
    }

    // Loads a screen (the text of a World file's objects after its header, whose
    // first object is the World "Scr") as what the main World shows, through an
    // off-screen surface of 240 x 320 presented to the screen.
    void loadScreen(const std::string& screen)
    {
        writeFile("scr.w", "TOBT\n\n" + screen);
        writeFile("main.w", "TOBT\n\nWorld\nname\tMain\nobjs\t1 2 3\n\nOffscreenSurface\nname\tsfMain\n\n"
                            "WorldViewport\nname\tvp\nsf\t1\n\nScreenViewport\nname\tsv\nsf\t1\n\n");
        scr = static_cast<World*>(load("scr.w"));
        ASSERT_NE(scr, nullptr);
        main = static_cast<World*>(engineLoadMain(u"main.w"));
        ASSERT_NE(main, nullptr);
        memberObj<WorldViewport>(main, 1)->world = objId(scr);
        frame();
    }

    template <class T>
    T* find(const char* name)
    {
        return static_cast<T*>(objGet(objFind(nullptr, name, scr)));
    }

    // One frame: key states, the queued events until a command (returned), then
    // layout and drawing.
    int frame()
    {
        inputUpdate();
        int r = engineHandleEvents();
        engineRender();
        return r;
    }

    // Runs frames until the queue is empty; the command codes in order.
    std::vector<int> run()
    {
        std::vector<int> codes;
        for (int i = 0; i < 100 && (i == 0 || inputPending()); i++)
            if (int r = frame())
                codes.push_back(r);
        return codes;
    }

    static void keyTap(uint32_t vk)
    {
        inputKeyMessage(vk, true);
        inputKeyMessage(vk, false);
    }
    static void type(const char16_t* s)
    {
        for (; *s; s++)
            inputCharMessage(*s);
    }

    static uint32_t rgbAt(int x, int y)
    {
        const SURFACE* s = gfxGetTarget();
        return pfOps(s->format)->toRGB(sfGetPixel(s, x, y));
    }
    static std::string text(const char16_t* s)
    {
        return s ? testutil::narrow(s) : std::string();
    }
};
