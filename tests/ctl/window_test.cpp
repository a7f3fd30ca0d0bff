// The window: its box from the view and frame, pen events cut at the view's
// edge, keys reaching the inner World, the frame's focus colour, and a missing
// or wrong inner World. The gallery's pen run clicks a button inside a window.
#include <gtest/gtest.h>

#include "ctl_fixture.h"

namespace {

const char kScreen[] = "World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2\n\n"
                       "CtlWindow\nname\twin\nx\t20\ny\t40\ntabstop\t1\ntitle\tInside\nvp\t100 50 100 100\n\n"
                       "CtlButton\nname\toutside\ntext\tOut\nx\t20\ny\t250\nidCtl\t22\n\n";

const char kInner[] = "TOBT\n\nWorld\nname\tInner\nbKeysMoveFocus\t1\nobjs\t1\n\n"
                      "CtlButton\nname\tib\ntext\tIn\nx\t105\ny\t57\nwidth\t20\nheight\t20\nidCtl\t21\n\n";

using Codes = std::vector<int>;
}

TEST_F(CtlTest, WindowFramesItsViewAndPassesInputOnlyToItsInnerWorld)
{
    writeFile("inner.w", kInner);
    World* inner = static_cast<World*>(load("inner.w"));
    ASSERT_NE(inner, nullptr);
    loadScreen(kScreen);
    CtlWindow* win = find<CtlWindow>("win");
    win->world = objId(inner);
    frame();
    // The view at (20, 40) inside a 2-pixel frame and an 18-pixel title bar.
    EXPECT_EQ(testutil::str(win->bbox), "18 20 104 122");
    EXPECT_EQ(rgbAt(20, 30), 0x0000FFu) << "title bar without focus";

    penTap(20 + 5, 40 + 7);
    EXPECT_EQ(run(), (Codes{1, 21})) << "(5, 7) in the view is (105, 57) inside";
    EXPECT_EQ(rgbAt(20, 30), 0xFF0000u) << "focused frame";
    penTap(25, 30);  // the title bar
    penTap(19, 60);  // the frame
    EXPECT_EQ(run(), Codes{});
    // Keys go to the inner World while the window has the focus, wherever the pen is.
    keyTap('Z');
    EXPECT_EQ(run(), (Codes{1, 21}));

    for (ObjectId id : {OBJ_NONE, objId(find<CtlButton>("outside"))}) {
        win->world = id;
        penTap(25, 47);
        EXPECT_EQ(run(), Codes{});
        EXPECT_EQ(rgbAt(20, 30), 0xFF0000u) << "still drawn";
    }
    penTap(230, 300);
    EXPECT_EQ(run(), Codes{});
    EXPECT_EQ(rgbAt(20, 30), 0x0000FFu) << "a tap on nothing takes the focus away";
    penTap(25, 255);
    EXPECT_EQ(run(), (Codes{1, 22}));
    win->vp = Rect{0, 0, 0, 0};
    frame();
    EXPECT_EQ(win->bbox.w, 240 + 4) << "a zero size is the surface's";
}
