// The handle table, the search order and the byte, line and word readers.
#include "helpers.h"

using namespace vfstest;

namespace {

class Vfs : public VfsFixture {};

struct Step {
    bool result;
    const char* text;
};

// Reads a loose file of these bytes line by line (or word by word) into a
// buffer of cap bytes. Both readers take one byte at a time through vfsRead,
// which archive members serve the same (ReadsStoredAndDeflatedMembersInAnyChunking).
void expectLines(const std::string& path, const std::string& bytes, bool words, int cap,
                 const std::vector<Step>& steps)
{
    writeFile(path, bytes);
    VFile* f = vfsOpen(wide(path).c_str());
    ASSERT_NE(f, nullptr);
    for (size_t i = 0; i < steps.size(); ++i) {
        char buf[64];
        memset(buf, 'Z', sizeof buf);
        bool r = words ? vfsReadWord(f, buf, cap) : vfsReadLine(f, buf, cap);
        EXPECT_EQ(r, steps[i].result) << "step " << i;
        EXPECT_STREQ(buf, steps[i].text) << "step " << i;
    }
    EXPECT_TRUE(vfsEof(f));
    EXPECT_TRUE(vfsClose(f));
}

}

TEST_F(Vfs, ReadLineAndReadWordEndAtTheirDelimiters)
{
    expectLines(path("a"), std::string("ab\r\ncd", 6), false, 16,
                {{true, "ab"}, {true, "cd"}, {true, ""}, {true, ""}});
    // A lone CR gives false and eats the next line's first byte; NUL and LF end lines.
    expectLines(path("b"), std::string("one\rtwo\nthree\0four\n", 19), false, 16,
                {{false, "one"}, {true, "wo"}, {true, "three"}, {true, "four"}, {true, ""}});
    // A line longer than the buffer: false, and the cap-th character is lost.
    expectLines(path("c"), "abcdefgh\nxy\r", false, 4,
                {{false, "abc"}, {false, "efg"}, {true, ""}, {true, "xy"}, {true, ""}});
    // Words end at blanks without skipping them.
    expectLines(path("d"), "Actor \tname\r\nx", true, 16,
                {{true, "Actor"}, {true, ""}, {true, "name"}, {true, "x"}, {true, ""}});
}

TEST_F(Vfs, LooseFilesWinAndTooLongNamesAreNotTried)
{
    put("main.w", "loose");
    put("a.pak",
        buildZip({{.name = "main.w", .data = "packed"}, {.name = "data.w", .data = "packed"}}).bytes);
    ASSERT_EQ(vfsMount(u"a.pak"), 1);
    EXPECT_EQ(vfsSlurp(u"main.w"), "loose");
    EXPECT_EQ(vfsSlurp(u"data.w"), "packed");
    EXPECT_EQ(vfsSlurp(wpath("main.w").c_str()), "loose");
    ASSERT_EQ(system(("mkdir '" + path("folder") + "'").c_str()), 0);
    EXPECT_EQ(vfsOpen(u"folder"), nullptr);  // a folder is no file

    // A name that would make a path of 260 characters is not tried at all.
    std::string longName(TEXT_MAX_PATH - dir.size(), 'n');
    EXPECT_EQ(vfsOpen(wide(longName).c_str()), nullptr);
    EXPECT_EQ(vfsCreate(wide(longName).c_str()), nullptr);
    EXPECT_EQ(vfsOpenCount(), 1);
}

TEST_F(Vfs, TwentyOneOpenFilesFailAndAreLogged)
{
    put("f", "x");
    std::vector<VFile*> open;
    auto fill = [&] {
        while (open.size() < size_t(VFS_MAX_FILES)) {
            open.push_back(vfsOpen(u"f"));
            ASSERT_NE(open.back(), nullptr) << open.size();
        }
    };
    auto closeAll = [&] {
        for (VFile* f : open)
            EXPECT_TRUE(vfsClose(f));
        open.clear();
    };
    fill();
    EXPECT_EQ(vfsOpen(u"f"), nullptr);
    EXPECT_EQ(vfsCreate(u"g"), nullptr);
    EXPECT_EQ(vfsOpenCount(), VFS_MAX_FILES);
    // The log looked for its folder while no slot was free; that must not have
    // settled the data folder on the empty prefix.
    EXPECT_EQ(narrow(folderPath(FOLDER_DATA)), dir);
    closeAll();
    // Even as the run's first lines, the failures reach the log.
    EXPECT_EQ(log(), "Too many open files\nTobexLib/src/TobexVFS(144)\nToo many open files\n");

    logLine("start");
    fill();
    EXPECT_EQ(vfsOpen(u"f"), nullptr);
    EXPECT_EQ(log(), "Too many open files\nTobexLib/src/TobexVFS(144)\nToo many open files\n"
                     "start\nToo many open files\nTobexLib/src/TobexVFS(144)\n");
    closeAll();
}

// Appending is what the log does for every line (its tests read it back), and
// scrambling in place writes over what it read (archive_test.cpp).
TEST_F(Vfs, WritesTruncateAndReportNullHandles)
{
    VFile* f = vfsCreate(u"out.txt");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(vfsWriteString(f, "first\n"));
    EXPECT_FALSE(vfsWriteString(f, nullptr));
    EXPECT_TRUE(vfsWriteString(f, ""));
    EXPECT_EQ(vfsSize(f), 6u);
    ASSERT_TRUE(vfsSeek(f, 2, 2));  // counts back from the end
    EXPECT_EQ(vfsTell(f), 4u);
    EXPECT_FALSE(vfsSeek(f, 0, 7));
    EXPECT_TRUE(vfsClose(f));
    EXPECT_FALSE(vfsClose(f));  // a closed handle
    EXPECT_EQ(readFile(path("out.txt")), "first\n");

    f = vfsCreate(u"out.txt");  // truncates
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(vfsSize(f), 0u);
    EXPECT_TRUE(vfsEof(f));
    EXPECT_TRUE(vfsClose(f));
    EXPECT_EQ(readFile(path("out.txt")), "");

    put("p.pak", buildZip({{.name = "m", .data = "member"}}).bytes);
    ASSERT_EQ(vfsMount(u"p.pak"), 1);
    f = vfsOpen(u"m");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(vfsWrite(f, "x", 1), 0);
    EXPECT_TRUE(vfsClose(f));

    char buf[4];
    EXPECT_FALSE(vfsClose(nullptr));
    EXPECT_EQ(vfsRead(nullptr, buf, 1), 0);
    EXPECT_EQ(vfsTell(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(vfsSize(nullptr), 0xFFFFFFFFu);
    EXPECT_TRUE(vfsEof(nullptr));
    EXPECT_FALSE(vfsSeek(nullptr, 0, 0));
    EXPECT_EQ(vfsOpen(nullptr), nullptr);
    EXPECT_EQ(vfsOpen(u""), nullptr);

    EXPECT_TRUE(vfsDelete(wpath("out.txt").c_str()));
    EXPECT_FALSE(vfsDelete(wpath("out.txt").c_str()));
    EXPECT_FALSE(vfsDelete(nullptr));
    EXPECT_EQ(vfsOpen(u"out.txt"), nullptr);
}
