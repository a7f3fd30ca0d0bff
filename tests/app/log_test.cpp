// The log: line formats, run restarts, asserts, the crash report, and what
// happens when no folder can be written.
#include <gtest/gtest.h>

#include "app/log.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace {

std::string format(const void* item, unsigned flags)
{
    char buf[64];
    logFormat(buf, sizeof buf, item, flags);
    return buf;
}

}

TEST(LogFormat, ValueFlagsFloatsAndWideText)
{
    int32_t i = -42;
    uint32_t h = 0xBEEF01;
    int8_t b = -7;
    int16_t s = -300;
    EXPECT_EQ(format(&i, LOG_INT), "-42");
    EXPECT_EQ(format(&h, LOG_HEX), "BEEF01");
    EXPECT_EQ(format(&b, LOG_INT8), "-7");
    EXPECT_EQ(format(&s, LOG_INT16), "-300");
    EXPECT_EQ(format("plain", 0), "plain");
    // Only one value flag counts; LOG_INT wins over LOG_HEX.
    EXPECT_EQ(format(&i, LOG_INT | LOG_HEX), "-42");
    // Floats have four truncated decimals.
    const std::pair<float, const char*> floats[] = {
        {2.71828f, "2.7182"}, {-0.5f, "-0.5000"}, {3.0f, "3.0000"}, {0.99999f, "0.9999"}};
    for (auto [f, text] : floats)
        EXPECT_EQ(format(&f, LOG_FLOAT), text);
    // Wide characters above 255 become question marks.
    EXPECT_EQ(format(u"caf\u00e9 \u20ac5", LOG_WIDE), "caf\xe9 ?5");
}

TEST(LogFile, EachRunStartsTheFileAnewAndAssertsAndExceptionsAreReported)
{
    std::string dir = testutil::makeTempDir();
    std::string log = testutil::useFolder(dir);
    logLine("first run");
    logRestart();
    logLine("second run");
    int32_t n = 7;
    logWrite("count ", 0);
    logWrite(&n, LOG_INT | LOG_EOL);
    EXPECT_EQ(testutil::readFile(log), "second run\ncount 7\n");
    log = testutil::useFolder(testutil::makeTempDir());
    assertReport("a", 12, nullptr, 0);
    assertReport("TobexLib/src/TobexObj", 99, "bad index", 0);
    reportUnhandled(0xC0000005);
    reportUnhandled(0x12345678);
    EXPECT_EQ(testutil::readFile(log), "a(12)\n"
                                       "TobexLib/src/TobexObj(99): bad index\n"
                                       "Unhandled exception occured: Access Violation\n"
                                       "Unhandled exception occured: Unknown exception type\n");
}

TEST(LogFile, LinesAreDroppedWhenNoFolderIsWritable)
{
    // Neither the program's folder nor the per-user folder can exist under a file.
    setenv("XDG_DATA_HOME", "/dev/null/nowhere", 1);
    folderSetPath(FOLDER_DOCUMENTS, nullptr);
    std::string log = testutil::useFolder("/dev/null/program/");
    logLine("nowhere to go");
    EXPECT_EQ(folderPath(FOLDER_DOCUMENTS), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(u""), reinterpret_cast<const char*>(folderPath(FOLDER_DATA)));
    EXPECT_EQ(vfsOpenCount(), 0);
    unsetenv("XDG_DATA_HOME");
    folderSetPath(FOLDER_DOCUMENTS, nullptr);
}
