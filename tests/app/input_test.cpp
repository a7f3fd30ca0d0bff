// Input: events from key and pen messages, per-frame key states, the queue,
// key names and pen correction.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/clock.h"
#include "app/host.h"
#include "app/input.h"
#include "test_util.h"
#include "vfs/mem.h"

namespace {

void keyDownMsg(uint32_t vk)
{
    appWindowProc(WM_KEYDOWN, vk, 0, 0);
}
void keyUpMsg(uint32_t vk)
{
    appWindowProc(WM_KEYUP, vk, 0, 0);
}

std::vector<InputEvent> drain()
{
    std::vector<InputEvent> out;
    InputEvent ev;
    while (inputGetEvent(&ev))
        out.push_back(ev);
    return out;
}

class InputTest : public testing::Test {
protected:
    void SetUp() override
    {
        testutil::useFolder(testutil::makeTempDir());
        ASSERT_TRUE(inputStart(false));
        inputEnable(true);
        inputSetScreen(240, 320, 0);
    }
    void TearDown() override
    {
        inputStop();
    }
};
}

TEST_F(InputTest, HeldKeyGivesOnePressThenRepeatsThenOneReleaseAndOthersNothing)
{
    keyDownMsg(VK_UP);
    keyDownMsg(VK_UP);
    keyDownMsg(VK_UP);
    keyUpMsg(VK_UP);
    std::vector<InputEvent> evs = drain();
    ASSERT_EQ(evs.size(), 4u);
    const uint32_t types[] = {EV_PRESS, EV_REPEAT, EV_REPEAT, EV_RELEASE};
    for (size_t i = 0; i < evs.size(); ++i) {
        EXPECT_EQ(evs[i].type, types[i]);
        EXPECT_EQ(evs[i].key, KEY_UP);
    }
    // A mapped button carries its character; an unmapped key arrives raw.
    keyDownMsg('Z');
    keyDownMsg('Q');
    evs = drain();
    ASSERT_EQ(evs.size(), 2u);
    EXPECT_EQ(evs[0].key, KEY_BUT_A);
    EXPECT_EQ(evs[0].ch, u'Z');
    EXPECT_EQ(evs[1].key, KEY_RAW + 'Q');
    EXPECT_EQ(evs[1].ch, u'Q');
    keyUpMsg('Z');
    keyUpMsg('Q');
    drain();
    // Ignored and out-of-range keys leave no trace.
    for (uint32_t vk : {91u, 132u, 0u, 256u, 0x12345u}) {
        keyDownMsg(vk);
        inputUpdate();
        EXPECT_FALSE(inputPending()) << vk;
        EXPECT_EQ(anyKey(), 0u) << vk;
    }
    // Absurd codes asked of the polling functions read nothing outside the tables.
    EXPECT_EQ(keyState(0xFFFFFFFFu), KEYSTATE_UP);
    EXPECT_EQ(keyState(KEY_RAW + 0x3FFF), KEYSTATE_UP);
    EXPECT_EQ(keyState(12), KEYSTATE_UP);
    EXPECT_FALSE(keyDown(0x8000));
}

TEST_F(InputTest, PenTapGivesMovePressMovesReleaseCorrectedForTheOrientation)
{
    appWindowProc(WM_LBUTTONDOWN, 0, 10, 20);
    appWindowProc(WM_MOUSEMOVE, 0, 12, 22);
    appWindowProc(WM_LBUTTONUP, 0, 14, 24);
    std::vector<InputEvent> evs = drain();
    ASSERT_EQ(evs.size(), 4u);
    const uint32_t types[] = {EV_PENMOVE, EV_PRESS, EV_PENMOVE, EV_RELEASE};
    const int32_t xs[] = {10, 10, 12, 14};
    for (size_t i = 0; i < evs.size(); ++i) {
        EXPECT_EQ(evs[i].type, types[i]);
        EXPECT_EQ(evs[i].key, KEY_PEN);
        EXPECT_EQ(evs[i].ch, 0);
        EXPECT_EQ(evs[i].x, xs[i]);
    }
    EXPECT_EQ(penX(), 14);
    EXPECT_EQ(penY(), 24);
    // The window procedure's coordinates are 16-bit signed.
    appWindowProc(WM_MOUSEMOVE, 0, 0xFFFF, 0xFFFE);
    EXPECT_EQ(penX(), -1);
    EXPECT_EQ(penY(), -2);
    drain();
    // Corrected for each orientation of the screen.
    struct Case {
        int orientation;
        int32_t x, y;
    } const cases[] = {{0, 10, 20}, {1, 230, 300}, {2, 220, 10}, {3, 20, 310}};
    for (const Case& c : cases) {
        inputSetScreen(240, 320, c.orientation);
        appWindowProc(WM_MOUSEMOVE, 0, 10, 20);
        EXPECT_EQ(penX(), c.x) << c.orientation;
        EXPECT_EQ(penY(), c.y) << c.orientation;
        InputEvent ev;
        ASSERT_TRUE(inputGetEvent(&ev));
        EXPECT_EQ(ev.x, c.x);
        EXPECT_EQ(ev.y, c.y);
    }
}

TEST_F(InputTest, KeyStatesAdvanceOncePerFrameAndFollowKeysWhileEventsAreOff)
{
    keyDownMsg('X');
    EXPECT_EQ(keyState(KEY_BUT_B), KEYSTATE_UP);  // nothing changes before the frame's update
    inputUpdate();
    EXPECT_EQ(keyState(KEY_BUT_B), KEYSTATE_PRESSED);
    EXPECT_TRUE(keyDown(KEY_BUT_B));
    inputUpdate();
    EXPECT_EQ(keyState(KEY_BUT_B), KEYSTATE_HELD);
    inputUpdate();
    EXPECT_EQ(keyState(KEY_BUT_B), KEYSTATE_HELD);
    keyUpMsg('X');
    inputUpdate();
    EXPECT_TRUE(keyReleased(KEY_BUT_B));
    EXPECT_FALSE(keyDown(KEY_BUT_B));
    inputUpdate();
    EXPECT_EQ(keyState(KEY_BUT_B), KEYSTATE_UP);
    // Raw codes poll the virtual key itself; anyKey prefers a logical code.
    keyDownMsg('Q');
    inputUpdate();
    EXPECT_TRUE(keyDown(KEY_RAW + 'Q'));
    EXPECT_EQ(anyKey(), KEY_RAW + 'Q');
    keyDownMsg(VK_RETURN);
    inputUpdate();
    EXPECT_EQ(anyKey(), uint32_t(KEY_BUT_START));
    keyUpMsg('Q');
    keyUpMsg(VK_RETURN);
    inputUpdate();
    // A key pressed and released between two frames is missed by the states,
    // but both of its events wait in the queue.
    drain();
    keyDownMsg(VK_DOWN);
    keyUpMsg(VK_DOWN);
    inputUpdate();
    EXPECT_EQ(keyState(KEY_DOWN), KEYSTATE_UP);
    EXPECT_EQ(drain().size(), 2u);
    // The pen has a state like a key.
    appWindowProc(WM_LBUTTONDOWN, 0, 1, 1);
    inputUpdate();
    EXPECT_TRUE(keyDown(KEY_PEN));
    appWindowProc(WM_LBUTTONUP, 0, 1, 1);
    inputUpdate();
    EXPECT_TRUE(keyReleased(KEY_PEN));
    // While events are off the keys and the pen are still tracked, so the states
    // and the repeat flag are right when events come back.
    drain();
    inputEnable(false);
    keyDownMsg(VK_LEFT);
    appWindowProc(WM_LBUTTONDOWN, 0, 7, 8);
    EXPECT_FALSE(inputPending());
    inputUpdate();
    EXPECT_TRUE(keyDown(KEY_LEFT));
    EXPECT_TRUE(keyDown(KEY_PEN));
    EXPECT_EQ(penX(), 7);
    inputEnable(true);
    keyDownMsg(VK_LEFT);
    InputEvent ev;
    ASSERT_TRUE(inputGetEvent(&ev));
    EXPECT_EQ(ev.type, uint32_t(EV_REPEAT));
    drain();
}

TEST_F(InputTest, QueueKeepsOrderAcrossFramesAndDropsOnlyAnOverfullQueue)
{
    // Events left behind by a frame that stopped early come first in the next,
    // also after the queue has grown and its front has been taken.
    for (int i = 0; i < 150; ++i)
        appWindowProc(WM_MOUSEMOVE, 0, i, 0);
    InputEvent ev;
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(inputGetEvent(&ev));
        EXPECT_EQ(ev.x, i);
    }
    for (int i = 150; i < 400; ++i)
        appWindowProc(WM_MOUSEMOVE, 0, i, 0);
    inputUpdate();
    ASSERT_TRUE(inputPeekEvent(&ev));
    EXPECT_EQ(ev.x, 60);
    for (int i = 60; i < 400; ++i) {
        ASSERT_TRUE(inputGetEvent(&ev));
        ASSERT_EQ(ev.x, i);
    }
    EXPECT_FALSE(inputGetEvent(&ev));
    // Exactly the limit survives a frame; one more and all are dropped.
    for (int i = 0; i < INPUT_QUEUE_LIMIT; ++i)
        appWindowProc(WM_MOUSEMOVE, 0, i, 0);
    inputUpdate();
    EXPECT_EQ(drain().size(), size_t(INPUT_QUEUE_LIMIT));
    for (int i = 0; i <= INPUT_QUEUE_LIMIT; ++i)
        appWindowProc(WM_MOUSEMOVE, 0, i, 0);
    inputUpdate();
    EXPECT_FALSE(inputPending());
    EXPECT_FALSE(inputPeekEvent(nullptr));
}

TEST_F(InputTest, AnEventThatFindsNoMemoryIsDroppedAndTheQueueStaysWhole)
{
    for (int i = 0; i < 100; ++i)
        appWindowProc(WM_MOUSEMOVE, 0, i, 0);
    memFailAfter(0);
    appWindowProc(WM_MOUSEMOVE, 0, 100, 0);  // the queue cannot grow
    memFailAfter(-1);
    appWindowProc(WM_MOUSEMOVE, 0, 101, 0);
    std::vector<InputEvent> evs = drain();
    ASSERT_EQ(evs.size(), 101u);
    EXPECT_EQ(evs[99].x, 99);
    EXPECT_EQ(evs[100].x, 101);
}

std::vector<InputEvent> g_hooked;

// The secondary keys, the hook and the waiting loops: nothing in the game calls
// them, so this is their one check. waitKey must come back on quit, never hang.
TEST_F(InputTest, SecondaryKeysHookAndWaitingLoops)
{
    EXPECT_FALSE(inputSetSecondaryKey(KEY_UP, 300));
    ASSERT_TRUE(inputSetSecondaryKey(KEY_UP, 'W'));
    keyDownMsg('W');
    inputUpdate();
    EXPECT_TRUE(keyDown(KEY_UP));
    inputSetSecondaryKeys(false);
    EXPECT_FALSE(keyDown(KEY_UP));
    keyUpMsg('W');
    drain();

    inputSetHook([](const InputEvent* ev) { g_hooked.push_back(*ev); });
    appWindowProc(WM_LBUTTONDOWN, 0, 3, 4);
    EXPECT_EQ(g_hooked.size(), 2u);  // the move to the point, then the press
    inputSetHook(nullptr);
    appWindowProc(WM_LBUTTONUP, 0, 3, 4);
    drain();

    ASSERT_TRUE(
        testutil::startHeadless("30 key release X\n100 key press BUT.A\n120 key release BUT.A\n", 10));
    clockStart();
    keyDownMsg('X');
    inputUpdate();
    // The held key must come up first; the key pressed after it is the answer.
    EXPECT_EQ(waitKey(0), int(KEY_BUT_A));
    EXPECT_GE(timeNow(), 100u);
    EXPECT_EQ(waitKeysUp(), 1);
    TIME t0 = timeNow();
    EXPECT_EQ(waitKey(50), 0);
    EXPECT_GE(timeNow() - t0, 50u);
    ASSERT_TRUE(testutil::startHeadless("20 quit\n", 10));
    EXPECT_EQ(waitKey(0), -1);
    hostStop();
    clockStart();
    appInit();  // forgets the quit message
}

TEST(InputNames, RawCodesAreNamedInHex)
{
    EXPECT_STREQ(keyName(0x40C1), "C1");
    EXPECT_EQ(std::u16string(keyNameW(0x40C1)), u"C1");
    EXPECT_STREQ(keyName(KEY_RAW), "0");
    EXPECT_STREQ(keyName(0xFFFFFFFFu), "BFFF");
    // Raw names share one buffer.
    const char* first = keyName(0x4041);
    keyName(0x4042);
    EXPECT_STREQ(first, "42");
}

TEST(InputLifecycle, StopFreesTheQueueAndRestartForgetsKeys)
{
    MemStats before;
    memStats(&before);
    ASSERT_TRUE(inputStart(false));
    inputEnable(true);
    for (int i = 0; i < 500; ++i)
        appWindowProc(WM_MOUSEMOVE, 0, i, 0);
    keyDownMsg(VK_UP);
    ASSERT_TRUE(inputStart(false));  // a second start replaces the first
    inputUpdate();
    EXPECT_FALSE(inputPending());
    EXPECT_EQ(anyKey(), 0u);
    inputStop();
    inputStop();
    MemStats after;
    memStats(&after);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    // Stopped: messages no longer reach the input module.
    keyDownMsg(VK_DOWN);
    EXPECT_FALSE(inputPending());
}
