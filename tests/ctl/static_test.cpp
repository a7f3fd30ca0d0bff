// CtlStatic and CtlTimer: where a label's box comes from, the shared blink
// phase, the timer's text forms, its buffer, and the watched object going away
// or being no time.
#include <gtest/gtest.h>
#include <stdio.h>

#include "ctl_fixture.h"

namespace {

uint64_t g_us;  // the test clock, in microseconds
uint64_t fakeCounter()
{
    return g_us;
}

class CtlStaticTest : public CtlTest {
protected:
    void SetUp() override
    {
        CtlTest::SetUp();
        g_us = 1000000;
        clockSetSource(fakeCounter, 1000000);
        clockStart();
    }
    void TearDown() override
    {
        clockSetSource(nullptr, 0);
        CtlTest::TearDown();
    }
    static void advanceMs(uint64_t ms)
    {
        g_us += ms * 1000;
    }
};

}

TEST_F(CtlStaticTest, BoxComesFromSizeThenSpriteThenText)
{
    writeFile("img.tga", testutil::tga(20, 10, [](int, int) { return 0x00FF00u; }));
    loadScreen(
        "World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2 3 4\n\nSprite\nname\tspr\nfile\timg.tga\nxPivot\t0.5\nyPivot\t0.5\n\n"
        "CtlStatic\nname\ttext\nx\t5\ny\t5\ntext\tabc\n\n"
        "CtlStatic\nname\tsized\nx\t50\ny\t50\nwidth\t40\nheight\t30\nsprite\tScr:spr\n\n"
        "CtlStatic\nname\tpic\nx\t100\ny\t100\nsprite\tScr:spr\n\n");
    const Rect text = find<CtlStatic>("text")->bbox;
    EXPECT_EQ(text.w, 21);
    EXPECT_EQ(text.h, 14);
    const Rect sized = find<CtlStatic>("sized")->bbox;
    EXPECT_EQ(sized.x, 50) << "an explicit size is not moved by the pivot";
    EXPECT_EQ(sized.w, 40);
    EXPECT_EQ(sized.h, 30);
    const Rect pic = find<CtlStatic>("pic")->bbox;
    EXPECT_EQ(pic.x, 90);
    EXPECT_EQ(pic.w, 20);
    // The sized label tiles its image over the whole box, clipped to it.
    EXPECT_EQ(rgbAt(89, 79), 0x00FF00u);
    EXPECT_NE(rgbAt(90, 80), 0x00FF00u);
}

TEST_F(CtlStaticTest, BlinkingLabelsShareOnePhase)
{
    loadScreen("World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2\n\n"
               "CtlStatic\nname\ta\nwidth\t10\nheight\t10\ncolBkg\t255 0 0\nblink\t100\n\n"
               "CtlStatic\nname\tb\nx\t20\nwidth\t10\nheight\t10\ncolBkg\t255 0 0\nblink\t300\n\n");
    std::string seen;
    for (int i = 0; i < 8; i++) {
        advanceMs(60);
        gfxSetColor(0);
        sfFillRect(gfxGetTarget(), nullptr);
        frame();
        const bool a = rgbAt(5, 5) == 0xFF0000u, b = rgbAt(25, 5) == 0xFF0000u;
        EXPECT_EQ(a, b) << "frame " << i;
        seen += a ? '1' : '0';
    }
    // The shorter period sets the pace of both: the phase flips every other frame.
    EXPECT_EQ(seen, "01100110");
}

TEST_F(CtlStaticTest, TimerShowsElapsedStoredAndLocalTimeAndKeepsItWithoutATimeToWatch)
{
    CtlTimer* t = create<CtlTimer>(&g_ctlTimerClass);
    BaseLiving* clock = create<BaseLiving>(&g_baseLivingClass);
    t->object = objId(clock);
    ASSERT_EQ(CtlTimer_Sync(t, nullptr), 0);
    EXPECT_STREQ(t->prop, "tStart");
    struct Case {
        uint32_t ms;
        bool hours, seconds;
        const char* text;
    } const cases[] = {
        {(7 * 60 + 5) * 1000, true, true, "0:07:05"},
        {(3600 + 15 * 60 + 3) * 1000, false, true, "75:03"},
        {9 * 60 * 1000, true, false, "0:09"},
        {5 * 60 * 1000, false, false, "05"},
    };
    for (const Case& c : cases) {
        clock->tStart = timeNow() - c.ms;
        t->bHours = c.hours;
        t->bSeconds = c.seconds;
        CtlTimer_Live(t, nullptr);
        EXPECT_EQ(text(t->text), c.text);
        EXPECT_EQ(t->time, c.ms);
    }

    // The watched object goes: the last time stays; a stored time is shown as it is.
    objDestroy(clock);
    t->bHours = t->bSeconds = 1;
    CtlTimer_Live(t, nullptr);
    EXPECT_EQ(text(t->text), "0:05:00");
    t->time = 0xFFFFFFFFu;
    ASSERT_TRUE(ctlSetText(t, u"x"));  // a one-character text from a World file
    CtlTimer_Live(t, nullptr);
    EXPECT_EQ(text(t->text), "1193:02:47");

    // Local time of day, stored as seconds of the day.
    t->bGetSystemTime = 1;
    CtlTimer_Live(t, nullptr);
    unsigned h = 99, m = 99, sec = 99;
    ASSERT_EQ(sscanf(text(t->text).c_str(), "%u:%2u:%2u", &h, &m, &sec), 3) << text(t->text);
    EXPECT_LT(h, 24u);
    EXPECT_EQ(t->time, (h * 60 + m) * 60 + sec);

    // Watching a property that is not a TIME: the stored time stays.
    t->bGetSystemTime = 0;
    t->object = objId(create<Str>(&g_strClass));
    t->propid = PROP_UNKNOWN;
    strcpy(t->prop, "text");
    EXPECT_EQ(CtlTimer_Sync(t, nullptr), -1) << "not a TIME";
    t->time = 61000;
    CtlTimer_Live(t, nullptr);
    EXPECT_EQ(text(t->text), "0:01:01");
    // Binary files carry only the index, text files only the name: Sync fills the other.
    t->object = objId(create<BaseLiving>(&g_baseLivingClass));
    t->prop[0] = 0;
    t->propid = 1;
    EXPECT_EQ(CtlTimer_Sync(t, nullptr), 0);
    EXPECT_STREQ(t->prop, "tStart");
    t->propid = 77;
    EXPECT_EQ(CtlTimer_Sync(t, nullptr), -1);
    CtlTimer_Live(t, nullptr);  // an index beyond the class reads nothing
    EXPECT_EQ(text(t->text), "0:01:01");
}
