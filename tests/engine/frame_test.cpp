// The joined frame: the main World loaded with its drawing target, events
// handed on until a command, the render and living steps, and the failures of
// `tobex view`.
#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/host.h"
#include "engine/scene_fixture.h"
#include "engine/startup.h"

namespace {

int g_releases;

int countRelease(void* o, void*)
{
    g_releases++;
    return static_cast<Actor*>(o)->state;
}

// Main: sfMain, the screen World, the viewport showing it, the presenter.
const char kMain[] =
    "TOBT\n\nWorld\nname\tMain\nobjs\t1 2 3 4\n\nOffscreenSurface\nname\tsfMain\nwidth\t100\nheight\t100\n\n"
    "World\nname\tScr\nobjs\t1 2 3\n\nSprite\nname\tspr\nfile\tsq.tga\n\n"
    "Actor\nname\tbtn\nsprite\t1\nx\t10\ny\t10\nstate\t9\n\n"
    "KeyControl\nname\tmove\nobjs\t2\nprop\tx\ntype\t2\ninterp\t1\nkeys\t0 10 1000 60\n\n"
    "WorldViewport\nname\tvp\nsf\t1\nworld\t2\n\nScreenViewport\nname\tsv\nsf\t1\n\n";

testutil::ToolRun view(const std::string& dir, const std::string& args)
{
    return testutil::runTobex(dir, "view " + args);
}

}

class EngineFrame : public SceneTest {
protected:
    World* main = nullptr;

    void SetUp() override
    {
        SceneTest::SetUp();
        ASSERT_TRUE(inputStart(false));
        inputEnable(true);
        g_releases = 0;
        writeSolidTga("sq.tga", 20, 20, 0x00FF00);
        writeFile("main.w", kMain);
        main = static_cast<World*>(engineLoadMain(u"main.w"));
        g_actorClass.slots[M_INKEYRELEASE] = countRelease;
    }

    void TearDown() override
    {
        inputStop();
        SceneTest::TearDown();
    }
};

TEST_F(EngineFrame, MainWorldSetsTheTargetAndKeysFindItsViewport)
{
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(engineMainWorld(), main);
    EXPECT_EQ(main->viewportFocus, 2);
    SURFACE* target = gfxGetTarget();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->width, 100);
    inputKeyMessage(VK_DOWN, true);
    inputKeyMessage(VK_DOWN, false);
    EXPECT_EQ(engineHandleEvents(), 0);  // routed to Scr, which has no focus to move
    engineRender();
    const uint16_t* mem = static_cast<const uint16_t*>(hostBeginDraw());
    EXPECT_EQ(mem[15 * 240 + 15], pfOps(PF_565)->fromRGB(0x00FF00));
    objDestroy(main);
    EXPECT_EQ(engineMainWorld(), nullptr);
    engineRender();
    engineLive();
    EXPECT_EQ(engineHandleEvents(), 0);
}

TEST_F(EngineFrame, ACommandLeavesLaterEventsForTheNextFrame)
{
    engineRender();  // lays the screen out
    penTap(15, 15);
    penTap(15, 15);
    inputUpdate();
    EXPECT_EQ(engineHandleEvents(), 9);
    EXPECT_EQ(g_releases, 1);
    EXPECT_TRUE(inputPending());
    EXPECT_EQ(engineHandleEvents(), 9);
    EXPECT_EQ(g_releases, 2);
    EXPECT_FALSE(inputPending());
    EXPECT_EQ(engineHandleEvents(), 0);
}

// The screen viewport sits at (20, 30); "Inner" is a member World at (30, 40).
// Actors have no sprite, so their 20 x 20 boxes come from width and height.
const char kTapMain[] = "TOBT\n\nWorld\nname\tMain\nobjs\t1 2 3 4\n\n"
                        "OffscreenSurface\nname\tsfMain\nwidth\t100\nheight\t100\n\n"
                        "World\nname\tScr\nobjs\t1 2 3 4\n\n"
                        "Actor\nname\ta\nx\t10\ny\t10\nwidth\t20\nheight\t20\nstate\t5\n\n"
                        "Actor\nname\thidden\nx\t60\ny\t10\nwidth\t20\nheight\t20\nstate\t7\nvisible\t0\n\n"
                        "Actor\nname\tresting\nx\t60\ny\t60\nwidth\t20\nheight\t20\nstate\t7\nactive\t0\n\n"
                        "World\nname\tInner\nx\t30\ny\t40\nobjs\t1 2\n\n"
                        "Actor\nname\tin\nx\t5\ny\t5\nwidth\t20\nheight\t20\nstate\t7\n\n"
                        "Actor\nname\tfar\nx\t200\ny\t5\nwidth\t20\nheight\t20\nstate\t8\n\n"
                        "WorldViewport\nname\tvp\nsf\t1\nworld\t2\n\n"
                        "ScreenViewport\nname\tsv\nsf\t1\nx\t20\ny\t30\n\n";

TEST_F(EngineFrame, TapPointsRouteBackToTheObjectFound)
{
    objDestroy(main);
    writeFile("tap.w", kTapMain);
    World* top = static_cast<World*>(engineLoadMain(u"tap.w"));
    ASSERT_NE(top, nullptr);
    int32_t x, y;
    ASSERT_TRUE(sceneFindTap(top, "state", 5, &x, &y));
    EXPECT_EQ(x, 20 + 10 + 10);
    EXPECT_EQ(y, 30 + 10 + 10);
    // The hidden and the resting actor are passed over for the one in Inner.
    ASSERT_TRUE(sceneFindTap(top, "state", 7, &x, &y));
    EXPECT_EQ(x, 20 + 30 + 5 + 10);
    EXPECT_EQ(y, 30 + 40 + 5 + 10);
    for (int id : {5, 7}) {
        ASSERT_TRUE(sceneFindTap(top, "state", id, &x, &y));
        penTap(x, y);
        inputUpdate();
        EXPECT_EQ(engineHandleEvents(), id);
    }
    EXPECT_FALSE(sceneFindTap(top, "state", 8, &x, &y));  // outside the viewport's window
    EXPECT_FALSE(sceneFindTap(top, "state", 99, &x, &y));
    EXPECT_FALSE(sceneFindTap(top, "name", 5, &x, &y));  // not an INT property
    EXPECT_FALSE(sceneFindTap(nullptr, "state", 5, &x, &y));
}

// Failures of `tobex view`; the gallery's tests drive it end to end and check
// that scripted runs give the same screenshots twice.
TEST(ViewTool, BadUseMissingControlsAndFailedOutputsFail)
{
    std::string dir = testutil::makeTempDir();
    testutil::writeFile(dir + "sq.tga", testutil::tga(20, 20, [](int, int) { return 0x00FF00u; }));
    testutil::writeFile(dir + "main.w", kMain);
    // A control the script names but the screen lacks fails the run.
    testutil::writeFile(dir + "t.txt", "# no controls here\n100 tap-control 0x3\n900 quit\n");
    testutil::ToolRun r = view(dir, "--headless --frame-ms 16 --script t.txt main.w");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("t.txt:2: no visible, active control with idCtl 3"), std::string::npos) << r.out;

    EXPECT_EQ(view(dir, "--help").status, 0);
    for (const char* args : {"-m", "a.w b.w"})
        EXPECT_EQ(view(dir, args).status, 2) << args;
    EXPECT_EQ(view(dir, "--headless --frames 1 nothing.w").status, 1);
    // A missing archive and a screenshot that cannot be written are failures.
    EXPECT_EQ(view(dir, "--headless --frames 1 -m missing.pak main.w").status, 1);
    testutil::ToolRun full = view(dir, "--headless --frames 2 --screenshot /dev/full main.w");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.out.find("screenshot /dev/full failed"), std::string::npos) << full.out;
    std::string cleanup = "rm -rf '" + dir + "'";
    EXPECT_EQ(system(cleanup.c_str()), 0);
}
