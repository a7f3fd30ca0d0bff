// Buttons, toggles and check boxes driven through the input queue. The
// gallery's end-to-end runs click each kind by pen and keys; this test keeps
// the sizes of boxes without images, toggling back, and the sprite frames and
// focus outline.
#include <gtest/gtest.h>

#include "ctl_fixture.h"

namespace {

const char kScreen[] =
    "World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2 3 4 5\n\nSprite\nname\tspr\nfile\ttwo.tga\nregularFrames\t2 1\n\n"
    "CtlButton\nname\tpush\ntext\tPush\nx\t10\ny\t10\nidCtl\t7\n\n"
    "CtlCheckbox\nname\tchk\ntext\tCheck\nx\t10\ny\t110\nheight\t14\ncolBkg\t128 128 128\nidCtl\t9\n\n"
    "CtlButton\nname\tempty\nx\t150\ny\t10\nidCtl\t5\n\n"
    "CtlButton\nname\tsprited\nx\t150\ny\t60\nsprite\tScr:spr\nidCtl\t6\ncolFocus\t0 0 255\n\n";

using Codes = std::vector<int>;

}

TEST_F(CtlTest, ButtonsFitTheirTextTogglesFlipBackAndSpritesShowPressAndFocus)
{
    // Two 10 x 10 frames: red (normal), green (pressed).
    writeFile("two.tga", testutil::tga(20, 10, [](int x, int) { return x < 10 ? 0xFF0000u : 0x00FF00u; }));
    loadScreen(kScreen);
    // Without an image: the text plus the bevel; without text the smallest box.
    EXPECT_EQ(testutil::str(find<CtlButton>("push")->bbox), "10 10 38 22");
    EXPECT_EQ(testutil::str(find<CtlButton>("empty")->bbox), "150 10 15 15");
    inputKeyMessage('Z', false);  // "BUT.A" released without a press clicks nothing
    EXPECT_EQ(run(), (Codes{1}));

    // The check box: its text, the square as high as the box, a gap. Losing
    // the focus keeps the state; the next tap clears it.
    CtlCheckbox* chk = find<CtlCheckbox>("chk");
    EXPECT_EQ(chk->bbox.w, 5 * 7 + 14 + 2);
    penTap(15, 115);
    EXPECT_EQ(run(), (Codes{9}));
    penTap(15, 15);
    run();
    EXPECT_EQ(chk->state, 1);
    penTap(15, 115);
    EXPECT_EQ(run(), (Codes{9}));
    EXPECT_EQ(chk->state, 0);
    // The square is a raised bevel of its colour: highlight top left.
    chk->infocus = 0;
    frame();
    EXPECT_EQ(rgbAt(12, 112), 0xFFFFFFu);

    // A sprite button shows its second frame while pressed.
    CtlButton* b = find<CtlButton>("sprited");
    inputPenMessage(WM_LBUTTONDOWN, 155, 65);
    run();
    EXPECT_EQ(rgbAt(155, 65), 0x00FF00u);
    inputPenMessage(WM_LBUTTONUP, 155, 65);
    EXPECT_EQ(run(), (Codes{6}));
    EXPECT_EQ(b->frame, 0) << "two frames: no focus frame";
    // Key focus: the outline is drawn over the sprite.
    b->infocus = 2;
    frame();
    EXPECT_EQ(rgbAt(150, 60), 0x0000FFu);
    EXPECT_EQ(rgbAt(155, 65), 0xFF0000u);
}
