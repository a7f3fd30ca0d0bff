// The headless host: script parsing, the virtual clock and reproducible runs.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include "app/host.h"
#include "test_util.h"

namespace {

bool startWithScript(const std::string& text)
{
    return testutil::startHeadless(text, 16);
}

}

TEST(HostScript, BadLinesAreRefusedWithTheirLineNumber)
{
    EXPECT_TRUE(startWithScript("# comment\n\n10 key tap BUT.A\n20 pen tap 5 6\n30 quit\n"));
    EXPECT_FALSE(startWithScript("10 key press NOSUCHKEY\n"));
    EXPECT_FALSE(startWithScript("ten quit\n"));
    EXPECT_FALSE(startWithScript("10 pen down 5\n"));
    EXPECT_FALSE(startWithScript("10 fly away\n"));
    EXPECT_FALSE(startWithScript("10 tap-control seven\n"));
    // Times beyond 32 bits, negative times and coordinates beyond 32 bits.
    EXPECT_TRUE(startWithScript("4294967295 quit\n"));
    EXPECT_FALSE(startWithScript("4294967296 quit\n"));
    EXPECT_FALSE(startWithScript("-16 quit\n"));
    EXPECT_TRUE(startWithScript("10 pen tap -2147483648 2147483647\n"));
    EXPECT_FALSE(startWithScript("10 pen tap 2147483648 0\n"));
    hostStop();
}

TEST(HostScript, LongLinesAreReadWhole)
{
    // A long comment ending in what looks like a command stays a comment.
    ASSERT_TRUE(startWithScript("#" + std::string(1022, 'x') + "5 quit\n" + std::string(3000, ' ') + "\n"));
    hostPump();
    HostMessage m;
    EXPECT_FALSE(hostNextMessage(&m));
    hostStop();
}

TEST(HostOptions, MalformedOrOutOfRangeNumbersExitWith2)
{
    std::string dir = testutil::makeTempDir();
    for (const char* env : {"TOBEX_FRAMES=-1", "TOBEX_FRAMES=abc", "TOBEX_FRAME_MS=-1",
                            "TOBEX_FRAME_MS=4294967296", "TOBEX_FRAME_MS=1e3"}) {
        std::string cmd =
            "cd " + dir + " && TOBEX_HEADLESS=1 " + env + " " TOBEX_BIN_DIR "/../game/tilvo 2>err.txt";
        int rc = system(cmd.c_str());
        EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 2) << env;
        EXPECT_NE(testutil::readFile(dir + "err.txt").find("expected a whole number"), std::string::npos)
            << env;
    }
    for (const char* args : {"--frames abc", "--frames -1", "--frame-ms 1e3", "--frame-ms 60001"})
        EXPECT_EQ(testutil::runTobex(dir, std::string("view --headless ") + args).status, 2) << args;
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

TEST(HostScript, NoDisplayRunsABoundedHeadlessRun)
{
    std::string dir = testutil::makeTempDir();
    std::string cmd =
        "cd " + dir +
        " && env -u DISPLAY -u WAYLAND_DISPLAY -u TOBEX_HEADLESS TOBEX_SCREENSHOT=end.png " TOBEX_BIN_DIR
        "/../game/tilvo 2> err.txt";
    EXPECT_EQ(system(cmd.c_str()), 0);
    EXPECT_NE(testutil::readFile(dir + "err.txt").find("running headless"), std::string::npos);
    // The screenshot asked for at the end; the runs that repeat exactly are the
    // gallery's and the game's.
    EXPECT_EQ(testutil::readFile(dir + "end.png").substr(0, 4), "\x89PNG");
}
