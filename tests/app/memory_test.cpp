// The allocator: sizes, resizing, failure, statistics and the leak report.
#include <gtest/gtest.h>

#include "test_util.h"
#include "vfs/mem.h"

TEST(Memory, BlocksKnowTheirSizeKeepAlignmentAndTheirLeadingBytesWhenResized)
{
    EXPECT_EQ(memAlloc(0), nullptr);
    EXPECT_EQ(memAlloc(-5), nullptr);
    void* p = memAlloc(37);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(memSize(p), 37);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(max_align_t), 0u);
    memFree(p);
    memFree(nullptr);
    p = memAlloc(8);
    memcpy(p, "abcdefgh", 8);
    char* q = static_cast<char*>(memRealloc(p, 4));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(memSize(q), 4);
    EXPECT_EQ(std::string(q, 4), "abcd");
    char* r = static_cast<char*>(memRealloc(q, 16));
    EXPECT_EQ(std::string(r, 4), "abcd");
    memFree(r);
    void* fresh = memRealloc(nullptr, 16);
    EXPECT_EQ(memSize(fresh), 16);
    memFree(fresh);
}

TEST(Memory, FailedAllocationLogsAndLeavesTheOldBlock)
{
    std::string log = testutil::useFolder(testutil::makeTempDir());
    char* p = static_cast<char*>(memAlloc(4));
    memcpy(p, "keep", 4);
    memFailAfter(0);
    EXPECT_EQ(memRealloc(p, 100), nullptr);
    EXPECT_EQ(std::string(p, 4), "keep");
    memFree(p);
    EXPECT_NE(testutil::readFile(log).find("Memory allocation failed!\n"), std::string::npos);
    // Zero and negative sizes are not failures and log nothing.
    logRestart();
    EXPECT_EQ(memAlloc(0), nullptr);
    logLine("end");
    EXPECT_EQ(testutil::readFile(log), "end\n");
}

TEST(Memory, LiveBytesCountBlocksUntilFreedAndLeaksAreReported)
{
    std::string log = testutil::useFolder(testutil::makeTempDir());
    MemStats before, during, after;
    memStats(&before);
    void* a = memAlloc(100);
    void* b = memRealloc(memAlloc(10), 50);
    memStats(&during);
    EXPECT_EQ(during.liveBytes - before.liveBytes, 150u);
    EXPECT_EQ(during.liveBlocks - before.liveBlocks, 2u);
    EXPECT_GE(during.peakBytes, during.liveBytes);
    uint32_t live = memReport(true);
    EXPECT_EQ(live, during.liveBytes);
    EXPECT_NE(
        testutil::readFile(log).find("Memory leaks detected, total unfreed memory: " + std::to_string(live)),
        std::string::npos);
    memFree(a);
    memFree(b);
    memStats(&after);
    EXPECT_EQ(after.liveBytes, before.liveBytes);
}
