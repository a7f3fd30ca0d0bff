// Sprites and actors, layout and drawing, and the bad references, loops and far
// positions a scene must survive. Focus moves, shortcut keys and the drawing
// order are driven end to end by the gallery's and the game's scripted runs.
#include <gtest/gtest.h>

#include <string>

#include "app/host.h"
#include "engine/scene_fixture.h"
#include "gfx/image.h"
#include "vfs/mem.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kBlack = 0;

}

class SceneObjects : public SceneTest {
protected:
    SURFACE* target = nullptr;
    ViewRect view{};

    void SetUp() override
    {
        SceneTest::SetUp();
        target = sfCreate(64, 64, PF_565, false, SF_NO_KEY, nullptr);
        view = viewOf(target);
    }

    void TearDown() override
    {
        sfDestroy(target);
        SceneTest::TearDown();
    }

    // An actor of a solid w x h sprite (file named after the colour).
    Actor* block(World* w, uint32_t rgb, int x, int y, const char* name, int size = 10)
    {
        std::string file = "c" + std::to_string(rgb) + "_" + std::to_string(size) + ".tga";
        writeSolidTga(file.c_str(), size, size, rgb);
        Actor* a = actor(sprite(file.c_str()), x, y, name);
        if (w)
            add(w, a);
        return a;
    }

    void draw(World* w)
    {
        ASSERT_EQ(World_CalcBBox(w, &view), 0);
        ASSERT_EQ(World_Render(w, &view), 0);
    }
};

TEST_F(SceneObjects, ActorBoxesComeFromSizeFrameScaleAndPosition)
{
    Actor* a = block(nullptr, kRed, 50, 60, "a");
    Sprite* s = static_cast<Sprite*>(objGet(a->sprite));
    s->xPivot = s->yPivot = 128;
    ASSERT_NE(spriteSurface(a->sprite), nullptr);
    static_cast<SURFACE*>(s->sf)->xPivot = static_cast<SURFACE*>(s->sf)->yPivot = 128;
    a->sx = a->sy = 512;
    ASSERT_TRUE(calcObjBBox(a, &view));
    EXPECT_EQ(testutil::str(a->bbox), "40 50 20 20");

    a->sx = a->sy = 256;
    a->width = 7;
    a->height = 9;
    Actor_CalcBBox(a, &view);
    EXPECT_EQ(a->bbox.w, 7);
    EXPECT_EQ(a->bbox.h, 9);
    a->height = 0;
    a->frame = 5;  // beyond the frames: the whole surface
    Actor_CalcBBox(a, &view);
    EXPECT_EQ(a->bbox.w, 10);
    EXPECT_EQ(a->bbox.x, -5);

    // Centred by a relative position in a 64-wide view at 32 - 5, then moved
    // by the pivot's -5.
    a->x = propRelative(500, 500);
    ASSERT_TRUE(calcObjBBox(a, &view));
    EXPECT_EQ(a->bbox.x, 22);
}

TEST_F(SceneObjects, ChildActorsFollowTheirParent)
{
    Actor* parent = block(nullptr, kRed, 20, 10, "p");
    Actor* child = block(nullptr, kBlue, 3, 4, "c");
    child->parent = objId(parent);
    child->width = propRelative(500, 0);  // half the parent's width
    ASSERT_TRUE(calcObjBBox(child, &view));
    EXPECT_EQ(testutil::str(child->bbox), "23 14 10 10");  // the frame decides: height 0
    // A parent that names the child itself is not followed.
    parent->parent = objId(child);
    child->parent = objId(child);
    EXPECT_TRUE(calcObjBBox(child, &view));
}

// A surface set directly in sf belongs to whoever set it: drawing neither
// replaces it with the sprite's nor frees it. Only a null sf, or the sprite's
// own surface, follows the sprite.
TEST_F(SceneObjects, SurfacesSetDirectlyStayAndSpriteSurfacesFollowTheSprite)
{
    Actor* a = block(nullptr, kRed, 0, 0, "a");
    Sprite* s = static_cast<Sprite*>(objGet(a->sprite));
    ASSERT_EQ(Actor_CalcBBox(a, &view), 0);
    ASSERT_NE(s->sf, nullptr);
    EXPECT_EQ(a->sf, s->sf);

    SURFACE* own = sfCreate(4, 3, PF_565, false, SF_NO_KEY, nullptr);
    gfxSetColor(colorConvert(kBlue, PF_888, nullptr, own));
    sfFillRect(own, nullptr);
    a->sf = own;
    Actor_CalcBBox(a, &view);
    Actor_Render(a, &view);
    EXPECT_EQ(a->sf, own);
    EXPECT_EQ(a->bbox.w, 4);
    EXPECT_EQ(rgbAt(target, 3, 2), kBlue);
    EXPECT_EQ(rgbAt(target, 4, 2), kBlack);

    // The owner frees its surface and clears sf: the sprite's comes back.
    sfDestroy(own);
    a->sf = nullptr;
    Actor_Render(a, &view);
    EXPECT_EQ(a->sf, s->sf);
    EXPECT_EQ(rgbAt(target, 9, 9), kRed);
}

TEST_F(SceneObjects, SpritesLoadGsfFirstKeyTopLeftCutFramesAndSaveRle)
{
    writeSolidTga("pic.tga", 8, 8, kRed);
    SURFACE* blue = sfCreate(8, 8, PF_565, false, SF_NO_KEY, nullptr);
    sfPutPixel(blue, 0, 0, pfOps(PF_565)->fromRGB(kBlue));
    ASSERT_EQ(sfSaveGSF(blue, u"pic.gsf"), 1);
    sfDestroy(blue);
    SURFACE* noExt = spriteSurface(objId(sprite("pic")));
    ASSERT_NE(noExt, nullptr);
    EXPECT_EQ(rgbAt(noExt, 0, 0), kBlue);
    writeSolidTga("only.tga", 8, 8, kRed);
    SURFACE* tgaOnly = spriteSurface(objId(sprite("only")));
    ASSERT_NE(tgaOnly, nullptr);
    EXPECT_EQ(rgbAt(tgaOnly, 0, 0), kRed);

    writeFile("grid.tga",
              testutil::tga(64, 32, [](int x, int y) { return x == 0 && y == 0 ? kGreen : kBlack; }));
    Sprite* g = sprite("grid.tga");
    g->keycolor = COLOR_PIXEL00;
    g->regularFrames = Point2{4, 2};
    g->frameDelay = 70;
    ASSERT_EQ(Sprite_Sync(g, nullptr), 0);
    SURFACE* sf = static_cast<SURFACE*>(g->sf);
    EXPECT_EQ(sf->keycolor, sfGetPixel(sf, 0, 0));
    ASSERT_EQ(sf->frames.count, 8);
    const RECT* fifth = sfFrame(sf, 4);
    EXPECT_EQ(testutil::str(*fifth), "0 16 16 16");
    EXPECT_EQ(sf->frameDelay, 70u);

    writeSolidTga("packed.tga", 16, 16, kGreen);
    Sprite* r = sprite("packed.tga");
    r->rle = 1;
    Sprite_Sync(r, nullptr);
    ASSERT_NE(r->sf, nullptr);
    EXPECT_EQ(static_cast<SURFACE*>(r->sf)->rle, 1);
    EXPECT_FALSE(readFile("packed.gsf").empty());
}

TEST_F(SceneObjects, MissingSpriteLogsOnceAndItsActorDrawsNothing)
{
    World* w = create<World>(&g_worldClass, "w");
    Actor* a = actor(sprite("nothing.tga"), 5, 5);
    a->width = a->height = 4;
    add(w, a);
    draw(w);
    draw(w);
    std::string log = this->log();
    size_t first = log.find("Failed to load sprite: nothing.tga");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Failed to load sprite", first + 1), std::string::npos);
    EXPECT_EQ(rgbAt(target, 5, 5), kBlack);
    EXPECT_EQ(a->bbox.w, 4);  // the box comes from its own size
}

TEST_F(SceneObjects, BrokenReferencesDrawAndRouteNothing)
{
    World* w = create<World>(&g_worldClass, "w");
    WorldViewport* lost = create<WorldViewport>(&g_worldViewportClass, "lost");
    ScreenViewport* blank = create<ScreenViewport>(&g_screenViewportClass, "blank");
    add(w, lost);
    add(w, blank);
    EXPECT_EQ(WorldViewport_Render(lost, &view), 0);
    EXPECT_EQ(WorldViewport_Render(lost, nullptr), 0);
    InputEvent ev = pen(EV_RELEASE, 1, 1, &view);
    EXPECT_EQ(WorldViewport_HandleInputEvent(lost, &ev), 0);
    EXPECT_EQ(ScreenViewport_Render(blank, nullptr), 0);
    WorldViewport_Debug(lost, nullptr);
    lost->world = objId(w);
    WorldViewport_Debug(lost, nullptr);
    EXPECT_NE(log().find("lost:none\nlost:" + std::to_string(objId(w)) + "\n"), std::string::npos);
    lost->world = OBJ_NONE;
    w->focus = 12;
    InputEvent k = key(EV_RELEASE, KEY_DOWN, &view);
    EXPECT_EQ(World_HandleInputEvent(w, &k), 0);
    // A focus index beyond the list means none; stepping from it starts again.
    worldSetFocus(w, 9, nullptr);
    EXPECT_EQ(w->focus, -1);
    w->focus = 12;
    EXPECT_FALSE(worldStepFocus(w, 1, nullptr)) << "no member takes the focus";
    EXPECT_FALSE(worldStepFocus(create<World>(&g_worldClass, "e"), 1, nullptr));

    // A member destroyed while listed, and an actor whose sprite went first.
    Actor* gone = block(w, kRed, 0, 0, "gone");
    Actor* orphan = block(w, kBlue, 20, 20, "orphan");
    draw(w);
    worldSetFocus(w, 2, nullptr);
    objDestroy(gone);
    objDestroy(objGet(orphan->sprite));
    sfFillRect(target, nullptr);
    draw(w);
    EXPECT_EQ(rgbAt(target, 22, 22), kBlack);
    EXPECT_EQ(World_HandleInputEvent(w, &k), 0);
    InputEvent tap = pen(EV_RELEASE, 2, 2, &view);
    EXPECT_EQ(World_HandleInputEvent(w, &tap), 0);
}

TEST_F(SceneObjects, AWorldShowingItselfEndsQuickly)
{
    // Four viewports and two member entries lead back to the World: each pass
    // enters it once, where the depth bound alone allowed 4^32 drawings.
    World* w = create<World>(&g_worldClass, "loop");
    block(w, kRed, 0, 0, "a");
    for (int i = 0; i < 4; i++) {
        WorldViewport* self = create<WorldViewport>(&g_worldViewportClass, "self");
        self->world = objId(w);
        add(w, self);
    }
    add(w, w);
    add(w, w);
    EXPECT_EQ(World_CalcBBox(w, &view), 0);
    EXPECT_EQ(World_Render(w, &view), 0);
    InputEvent tap = pen(EV_RELEASE, 2, 2, &view);
    World_HandleInputEvent(w, &tap);
    InputEvent k = key(EV_RELEASE, KEY_UP, &view);
    World_HandleInputEvent(w, &k);
    w->focus = 5;
    EXPECT_EQ(World_MoveKeyFocus(w, &k), 0);
    EXPECT_EQ(rgbAt(target, 2, 2), kRed);
}

TEST_F(SceneObjects, PositionsNearThe32BitLimitsClampInsteadOfWrapping)
{
    World* w = create<World>(&g_worldClass, "w");
    Actor* a = block(w, kRed, 0, 0, "a");
    PropFromStr("%500%500", PT_INT, &a->x);
    ViewRect wide = view;
    wide.vp.w = 1 << 30;
    ASSERT_TRUE(calcObjBBox(a, &wide));
    EXPECT_EQ(a->bbox.x, (1 << 29) - 5);

    // A window far out on its surface, a World moved right, a pen at the far left.
    a->x = 20;
    ViewRect far = view;
    far.x = INT32_MAX - 10;
    draw(w);
    EXPECT_EQ(World_Render(w, &far), 0);
    EXPECT_EQ(rgbAt(target, 20, 5), kRed);
    w->x = 5;
    InputEvent p = pen(EV_RELEASE, INT32_MIN, 0, &view);
    EXPECT_EQ(World_HandleInputEvent(w, &p), 0);
    EXPECT_EQ(p.x, INT32_MIN);
    WorldViewport* v = create<WorldViewport>(&g_worldViewportClass, "v");
    v->world = objId(w);
    v->x = INT32_MIN;
    EXPECT_EQ(WorldViewport_HandleInputEvent(v, &p), 0);
}

TEST_F(SceneObjects, OffscreenSurfacesFollowTheScreenAndFreeTheirPixels)
{
    MemStats before;
    memStats(&before);
    OffscreenSurface* o = create<OffscreenSurface>(&g_offscreenSurfaceClass, "o");
    ASSERT_EQ(OffscreenSurface_Sync(o, nullptr), 0);
    SURFACE* sf = offscreenSurface(objId(o));
    ASSERT_NE(sf, nullptr);
    EXPECT_EQ(sf->width, 240);
    EXPECT_EQ(sf->format, uint32_t(PF_565));
    gfxSetScreenOrient(2);
    ASSERT_EQ(OffscreenSurface_Sync(o, nullptr), 0);  // recreated for the turned screen
    EXPECT_EQ(offscreenSurface(objId(o))->width, 320);
    EXPECT_EQ(o->screenOrient, 2);
    gfxSetScreenOrient(0);
    objDestroy(o);
    MemStats after;
    memStats(&after);
    EXPECT_EQ(after.liveBytes, before.liveBytes);

    OffscreenSurface* huge = create<OffscreenSurface>(&g_offscreenSurfaceClass, "huge");
    huge->width = 100000;
    EXPECT_EQ(OffscreenSurface_Sync(huge, nullptr), -1);
    EXPECT_EQ(offscreenSurface(objId(huge)), nullptr);
    EXPECT_NE(log().find("TobexLib/src/TobexObj(1381)"), std::string::npos);
}
