// The millisecond clock and the frame statistics, driven by a fake counter.
#include <gtest/gtest.h>

#include "app/clock.h"

namespace {

uint64_t g_counter;
uint64_t fakeCounter()
{
    return g_counter;
}

// A clock of 1 MHz that the test moves by hand.
struct FakeClock : testing::Test {
    void SetUp() override
    {
        g_counter = 5000000;
        clockSetSource(fakeCounter, 1000000);
        clockStart();
    }
    void TearDown() override
    {
        clockSetSource(nullptr, 0);
    }
    void advanceMs(uint64_t ms)
    {
        g_counter += ms * 1000;
    }
};

}

TEST_F(FakeClock, TimeCountsMillisecondsFromStartOrNotAtAll)
{
    EXPECT_EQ(timeNow(), 0u);
    advanceMs(1234);
    EXPECT_EQ(timeNow(), 1234u);
    EXPECT_FLOAT_EQ(timeSeconds(), 1.234f);
    EXPECT_FLOAT_EQ(timeElapsedSeconds(1000, 3500), 2.5f);
    // A wrapped clock: t0 just before the wrap, t1 just after.
    EXPECT_FLOAT_EQ(timeElapsedSeconds(0xFFFFFF00u, 0x100u), 0.511f);

    // A counter slower than a millisecond reads as no clock.
    clockSetSource(fakeCounter, 999);
    clockStart();
    advanceMs(5000);
    EXPECT_EQ(timeNow(), 0u);
    EXPECT_EQ(timeDelay(10), 0u);  // returns at once instead of waiting forever
}

TEST_F(FakeClock, FramesPerSecondIsTheMeanOfThirtyTwoFrames)
{
    FrameStats s;
    advanceMs(100);
    statsInit(&s);
    statsFrameStart(&s);
    advanceMs(10);
    EXPECT_FALSE(statsFrameEnd(&s));  // the first frame starts the measurement
    EXPECT_EQ(s.fps, 0.0f);
    EXPECT_EQ(s.frameTime, 10u);
    bool recomputed = false;
    for (int i = 0; i < 32; ++i) {
        statsFrameStart(&s);
        advanceMs(i == 31 ? 1000 - 31 * 31 : 31);
        recomputed = statsFrameEnd(&s);
    }
    EXPECT_TRUE(recomputed);
    EXPECT_FLOAT_EQ(s.fps, 32.0f);
    for (int i = 0; i < 31; ++i) {
        statsFrameStart(&s);
        advanceMs(5);
        EXPECT_FALSE(statsFrameEnd(&s));
    }
    EXPECT_FLOAT_EQ(s.fps, 32.0f);
    EXPECT_EQ(s.frames, 64u);
    EXPECT_NEAR(statsAverageFps(&s), 64.0f * 1000.0f / 1165.0f, 0.01f);
}
