// Scroll bars and sliders through the input queue: orientation decides which
// keys count, the pressed look, a bar with no range, and the slider's colours
// and one-pixel length. The gallery's runs step and drag them to both ends.
#include <gtest/gtest.h>

#include "ctl_fixture.h"

namespace {

const char kScreen[] =
    "World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2 3\n\n"
    "CtlScrollbar\nname\tkeys\nx\t200\ny\t10\nwidth\t15\nheight\t15\ntotal\t3\nidCtl\t11\n\n"
    "CtlScrollbar2\nname\tslider\nhoriz\t1\nx\t10\ny\t50\nwidth\t101\nheight\t10\ncolBkg\t0 0 255\nidCtl\t13\n\n"
    "CtlScrollbar1\nname\tshort\nhoriz\t1\nx\t10\ny\t100\nwidth\t15\nheight\t11\ntotal\t5\nidCtl\t14\n\n";

using Codes = std::vector<int>;
}

TEST_F(CtlTest, BarsTakeTheirOwnKeysAndNeitherDivideByNorDrawOutsideNoRange)
{
    loadScreen(kScreen);
    CtlScrollbar* keys = find<CtlScrollbar>("keys");
    InputEvent down = {EV_RELEASE, KEY_DOWN, 0, 0, 0, nullptr},
               left = {EV_RELEASE, KEY_LEFT, 0, 0, 0, nullptr};
    EXPECT_EQ(CtlScrollbar_InKeyRelease(keys, &down), 11);
    EXPECT_EQ(keys->current, 1);
    EXPECT_EQ(CtlScrollbar_InKeyRelease(keys, &left), 0)
        << "a vertical bar leaves left and right to the World";
    // A plain bar keeps the pressed look until it loses focus.
    penTap(205, 15);
    EXPECT_EQ(run(), (Codes{1}));
    EXPECT_EQ(keys->state, 1);

    // The slider: the part beyond the value is covered with colBkg.
    CtlScrollbar2* slider = find<CtlScrollbar2>("slider");
    penTap(10, 55);
    keyTap(VK_RIGHT);
    EXPECT_EQ(run(), (Codes{13, 13, 13}));
    EXPECT_EQ(keys->state, 0);
    EXPECT_EQ(slider->current, 2);
    gfxSetColor(0);
    sfFillRect(gfxGetTarget(), nullptr);
    frame();
    EXPECT_NE(rgbAt(11, 55), 0x0000FFu);
    EXPECT_EQ(rgbAt(13, 55), 0x0000FFu);
    slider->bbox.w = 1;  // one pixel long: no division by zero
    InputEvent tap = {EV_PRESS, KEY_PEN, 0, slider->bbox.x, slider->bbox.y, nullptr};
    EXPECT_EQ(CtlScrollbar2_ThumbMove(slider, &tap), 13);
    EXPECT_EQ(slider->current, 100);

    // A bar shorter than its arrows draws nothing past its box at any value.
    CtlScrollbar1* bar = find<CtlScrollbar1>("short");
    for (int current : {0, 3, 5}) {
        bar->current = current;
        frame();
        for (int x = 25; x < 45; x++)
            EXPECT_EQ(rgbAt(x, 105), 0u) << "x " << x << " current " << current;
    }
    // The thumb (left of the box now) is taken and dragged: the value stays.
    auto drag = [&](int from, int to) {
        inputPenMessage(WM_LBUTTONDOWN, from, 105);
        run();
        EXPECT_EQ(bar->state, 3);
        inputPenMessage(WM_MOUSEMOVE, to, 105);
        run();
        inputPenMessage(WM_LBUTTONUP, to, 105);
        run();
    };
    drag(12, 24);
    EXPECT_EQ(bar->current, 5);
    bar->total = 0;
    bar->current = 0;
    frame();
    drag(10, 24);
    EXPECT_EQ(bar->current, 0);
}
