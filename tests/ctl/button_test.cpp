// Buttons, toggles and check boxes driven through the input queue (the gallery's
// end-to-end runs click them by pen and keys): the sizes of boxes without
// images, toggles, and the sprite frames and focus outline.
#include <gtest/gtest.h>

#include "ctl/draw.h"
#include "ctl_fixture.h"

namespace {

const char kScreen[] =
    "World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2 3 4 5 6\n\nSprite\nname\tspr\nfile\ttwo.tga\nregularFrames\t2 1\n\n"
    "CtlButton\nname\tpush\ntext\tPush\nx\t10\ny\t10\nidCtl\t7\n\n"
    "CtlButton\nname\tother\ntext\tOther\nx\t10\ny\t60\nidCtl\t8\n\n"
    "CtlCheckbox\nname\tchk\ntext\tCheck\nx\t10\ny\t110\nheight\t14\ncolBkg\t128 128 128\nidCtl\t9\n\n"
    "CtlButton\nname\tempty\nx\t150\ny\t10\nidCtl\t5\n\n"
    "CtlButton\nname\tsprited\nx\t150\ny\t60\nsprite\tScr:spr\nidCtl\t6\ncolFocus\t0 0 255\n\n";

class CtlButtonTest : public CtlTest {
protected:
    void SetUp() override
    {
        CtlTest::SetUp();
        // Two 10 x 10 frames: red (normal), green (pressed).
        writeFile("two.tga",
                  testutil::tga(20, 10, [](int x, int) { return x < 10 ? 0xFF0000u : 0x00FF00u; }));
        loadScreen(kScreen);
    }
};

using Codes = std::vector<int>;

}

// A button without an image is as large as its text plus its bevel; one
// without text takes the smallest box.
TEST_F(CtlButtonTest, BoxesWithoutImagesFitTheirText)
{
    const Rect push = find<CtlButton>("push")->bbox;
    EXPECT_EQ(push.w, 4 * 7 + 10);
    EXPECT_EQ(push.h, 14 + 8);
    const Rect empty = find<CtlButton>("empty")->bbox;
    EXPECT_EQ(empty.w, 15);
    EXPECT_EQ(empty.h, 15);
    inputKeyMessage('Z', false);  // "BUT.A" released without a press clicks nothing
    EXPECT_EQ(run(), (Codes{1}));
}

TEST_F(CtlButtonTest, TogglesFlipOnEachReleaseAndKeepStateWithoutFocus)
{
    CtlCheckbox* chk = find<CtlCheckbox>("chk");
    EXPECT_EQ(chk->bbox.w, 5 * 7 + 14 + 2) << "text, the square as high as the box, a gap";
    penTap(15, 115);
    EXPECT_EQ(run(), (Codes{9})) << "no press handling";
    EXPECT_EQ(chk->state, 1);
    penTap(15, 15);
    run();
    EXPECT_EQ(chk->state, 1) << "losing focus keeps the state";
    penTap(15, 115);
    EXPECT_EQ(run(), (Codes{9}));
    EXPECT_EQ(chk->state, 0);

    // The square is a raised bevel of its colour: highlight top left.
    EXPECT_EQ(ctlScaleColor(0x808080, 128), 0x404040u);
    EXPECT_EQ(ctlScaleColor(0x808080, 512), 0xFFFFFFu);
    chk->infocus = 0;
    frame();
    EXPECT_EQ(rgbAt(12, 112), 0xFFFFFFu);
}

TEST_F(CtlButtonTest, SpriteFramesAndTheFocusOutline)
{
    CtlButton* b = find<CtlButton>("sprited");
    inputPenMessage(WM_LBUTTONDOWN, 155, 65);
    run();
    EXPECT_EQ(b->frame, 1);
    EXPECT_EQ(rgbAt(155, 65), 0x00FF00u);
    inputPenMessage(WM_LBUTTONUP, 155, 65);
    EXPECT_EQ(run(), (Codes{6}));
    EXPECT_EQ(b->frame, 0) << "two frames: no focus frame";

    // Key focus on a sprite button: its outline is drawn over the sprite.
    b->infocus = 2;
    frame();
    EXPECT_EQ(rgbAt(150, 60), 0x0000FFu);
    EXPECT_EQ(rgbAt(155, 65), 0xFF0000u);
}
