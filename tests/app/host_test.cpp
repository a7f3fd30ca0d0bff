// The headless host: script parsing, the virtual clock and reproducible runs.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "app/host.h"
#include "test_util.h"

namespace {

bool startWithScript(const std::string& text)
{
    return testutil::startHeadless(text, 16);
}

std::string runGame(const std::string& dir, const std::string& script)
{
    testutil::writeFile(dir + "script.txt", script);
    std::string cmd = "cd " + dir +
                      " && TOBEX_HEADLESS=1 TOBEX_FRAME_MS=16 TOBEX_SCRIPT=script.txt "
                      "TOBEX_SCREENSHOT=end.png " TOBEX_BIN_DIR "/../game/tilvo 2>/dev/null";
    EXPECT_EQ(system(cmd.c_str()), 0);
    return testutil::readFile(dir + "end.png");
}

}

TEST(HostScript, BadLinesAreRefusedWithTheirLineNumber)
{
    EXPECT_TRUE(startWithScript("# comment\n\n10 key tap BUT.A\n20 pen tap 5 6\n30 quit\n"));
    EXPECT_FALSE(startWithScript("10 key press NOSUCHKEY\n"));
    EXPECT_FALSE(startWithScript("ten quit\n"));
    EXPECT_FALSE(startWithScript("10 pen down 5\n"));
    EXPECT_FALSE(startWithScript("10 fly away\n"));
    hostStop();
}

TEST(HostScript, VirtualClockAdvancesOneStepPerPump)
{
    ASSERT_TRUE(startWithScript("32 key tap UP\n"));
    EXPECT_EQ(hostCounter(), 0u);
    HostMessage m;
    hostPump();
    EXPECT_FALSE(hostNextMessage(&m));
    hostPump();
    ASSERT_TRUE(hostNextMessage(&m));
    EXPECT_EQ(m.msg, uint32_t(WM_KEYDOWN));
    EXPECT_EQ(m.key, uint32_t(VK_UP));
    ASSERT_TRUE(hostNextMessage(&m));
    EXPECT_EQ(m.msg, uint32_t(WM_KEYUP));
    EXPECT_EQ(hostCounter(), 32000u);
    hostStop();
}

TEST(HostScript, TextLinesTypeTheirCharactersAsTheyStand)
{
    EXPECT_FALSE(startWithScript("10 text snow \xE2\x98\x83\n")) << "beyond Latin-1";
    ASSERT_TRUE(startWithScript("0 text a\xC3\xA9 #1\n"));
    hostPump();
    std::u16string typed;
    HostMessage m;
    while (hostNextMessage(&m)) {
        EXPECT_EQ(m.msg, uint32_t(WM_CHAR));
        typed += char16_t(m.key);
    }
    EXPECT_EQ(typed, u"a\u00e9 #1") << "spaces and '#' are text here";
    hostStop();
}

// tap-control asks the engine's hook where the control is and taps there; a
// control nobody finds ends the run as failed, naming the script line.
TEST(HostScript, TapControlTapsWhereTheHookSaysOrFailsTheRun)
{
    ASSERT_TRUE(startWithScript("# taps\n16 tap-control 7\n32 tap-control 0x10\n"));
    hostSetControlLocator([](int32_t id, int32_t* x, int32_t* y) {
        *x = 3;
        *y = 4;
        return id == 7;
    });
    HostMessage m;
    hostPump();
    ASSERT_TRUE(hostNextMessage(&m));
    EXPECT_EQ(m.msg, uint32_t(WM_LBUTTONDOWN));
    EXPECT_EQ(m.x, 3);
    EXPECT_EQ(m.y, 4);
    ASSERT_TRUE(hostNextMessage(&m));
    EXPECT_EQ(m.msg, uint32_t(WM_LBUTTONUP));
    EXPECT_FALSE(hostScriptFailed());
    testing::internal::CaptureStderr();
    hostPump();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("script.txt:3: no visible, active control with idCtl 16"), std::string::npos) << err;
    EXPECT_TRUE(hostScriptFailed());
    ASSERT_TRUE(hostNextMessage(&m));
    EXPECT_EQ(m.msg, uint32_t(WM_CLOSE));
    EXPECT_FALSE(startWithScript("10 tap-control seven\n"));
    hostStop();
    EXPECT_FALSE(hostScriptFailed());
}

TEST(HostScript, ScriptedRunsGiveTheSameScreenshotTwice)
{
    std::string script = "100 key tap UP\n400 shot mid.tga\n800 quit\n";
    std::string a = testutil::makeTempDir(), b = testutil::makeTempDir();
    std::string first = runGame(a, script);
    std::string second = runGame(b, script);
    ASSERT_GT(first.size(), 100u);
    EXPECT_EQ(first, second);
    std::string midA = testutil::readFile(a + "mid.tga");
    EXPECT_EQ(midA.size(), 18u + 240u * 320u * 3u);
    EXPECT_EQ(midA, testutil::readFile(b + "mid.tga"));
}

TEST(HostScript, NoDisplayRunsABoundedHeadlessRun)
{
    std::string dir = testutil::makeTempDir();
    std::string cmd = "cd " + dir +
                      " && env -u DISPLAY -u WAYLAND_DISPLAY -u TOBEX_HEADLESS " TOBEX_BIN_DIR
                      "/../game/tilvo 2> err.txt";
    EXPECT_EQ(system(cmd.c_str()), 0);
    EXPECT_NE(testutil::readFile(dir + "err.txt").find("running headless"), std::string::npos);
}
