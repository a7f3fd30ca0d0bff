// The application frame: title, message boxes, the frame loop's order and its
// ending, the fatal exit and the crash report.
#include <gtest/gtest.h>

#include <signal.h>

#include <stdexcept>
#include <string>

#include "app/app.h"
#include "app/host.h"
#include "test_util.h"
#include "vfs/mem.h"

namespace {

std::string g_trace;

// Starts a headless host whose script is the given text.
void startHost(const std::string& script)
{
    ASSERT_TRUE(testutil::startHeadless(script, 10));
    appInit();
    clockStart();
}

using testutil::narrow;

}

TEST(AppRecord, TitleIsCutToThirtyAndHeadlessMessageBoxesAnswerAtOnce)
{
    appSetTitle(u"Tilvo-1");
    EXPECT_EQ(narrow(appTitle()), "Tilvo-1");
    appSetTitle(u"0123456789012345678901234567890123456789");
    EXPECT_EQ(narrow(appTitle()), "012345678901234567890123456789");
    appSetTitle(u"TobexApp");
    // Headless message boxes answer without waiting.
    startHost("0 answer cancel\n");
    EXPECT_EQ(appMessageBox(u"Continue?", 1), 1);  // the scripted answer arrives with the first pump
    appPumpMessages();
    EXPECT_EQ(appMessageBox(u"Continue?", 1), 2);
    EXPECT_EQ(appMessageBox(u"Continue?", 1), 1);  // an answer is used once
    EXPECT_EQ(appMessageBox(u"Note", 0), 1);
    EXPECT_EQ(appMessageBox(nullptr, 0), 0);
    hostStop();
}

TEST(FrameLoop, StepsRunInOrderUntilTheGameAsksToQuit)
{
    startHost("");
    g_trace.clear();
    AppFrameHooks h{};
    h.resetTimes = [] { g_trace += "T"; };
    h.updateKeys = [] { g_trace += "1"; };
    h.mixSound = [] { g_trace += "2"; };
    h.handleEvents = [] {
        g_trace += "3";
        return 201;
    };
    h.render = [] { g_trace += "5"; };
    h.work = [](int command, const FrameStats* s) {
        g_trace += command == 201 ? "7" : "?";  // the command code reaches the game's work
        return s->frames == 2;
    };
    h.live = [] { g_trace += "9"; };
    FrameStats stats;
    EXPECT_EQ(appRunFrames(&h, &stats), 2u);
    EXPECT_EQ(g_trace, "T123579"
                       "12357");
    EXPECT_EQ(stats.frames, 2u);
    hostStop();

    // A quit already waiting before the first frame runs no frame at all; a
    // quit while running ends the scripted gallery and game runs.
    startHost("0 quit\n");
    EXPECT_EQ(appRunFrames(&h, nullptr), 0u);
    hostStop();
}

TEST(FatalExit, LogsShowsAndExitsWithCodeOne)
{
    std::string dir = testutil::makeTempDir();
    EXPECT_EXIT(
        {
            testutil::useFolder(dir);
            startHost("");
            appFatal(u"Fatal: could not init VFS");
        },
        testing::ExitedWithCode(1), "Fatal: could not init VFS");
    EXPECT_EQ(testutil::readFile(dir + "Tobex.log"), "Fatal: could not init VFS\n");
}

TEST(FatalExit, CancelAtTheMemoryQuestionEndsTheProgram)
{
    std::string dir = testutil::makeTempDir();
    EXPECT_EXIT(
        {
            testutil::useFolder(dir);
            startHost("0 answer cancel\n");
            appPumpMessages();
            memFailAfter(0);
            memCheckReserve(1000000);
            logLine("went on");
            exit(0);
        },
        testing::ExitedWithCode(1), "Not enough available memory");
    EXPECT_EQ(testutil::readFile(dir + "Tobex.log").find("went on"), std::string::npos);
}

// Each fatal signal takes the same path; the names of the codes are the log's (log_test).
TEST(CrashReport, AFatalSignalIsNamedInTheLog)
{
    std::string dir = testutil::makeTempDir();
    EXPECT_EXIT(
        {
            testutil::useFolder(dir);
            appInstallCrashHandlers();
            raise(SIGSEGV);
        },
        testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EQ(testutil::readFile(dir + "Tobex.log"), "Unhandled exception occured: Access Violation\n");
}

TEST(CrashReport, ExceptionsEscapingMainAreReported)
{
    std::string log = testutil::useFolder(testutil::makeTempDir());
    int result = appRun([](void*) -> int { throw std::runtime_error("boom"); }, nullptr);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(appRun([](void* arg) { return *static_cast<int*>(arg); }, &result), 1);
    EXPECT_EQ(testutil::readFile(log), "Unhandled exception occured: Microsoft C++ Exception\n");
}
