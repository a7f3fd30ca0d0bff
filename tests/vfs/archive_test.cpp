// Archives and the member index: mounting, look-up, member reads, seeks, damage.
#include "helpers.h"

#include <tuple>

using namespace vfstest;

namespace {

class Archive : public VfsFixture {
protected:
    // Writes an archive into the program folder and mounts it; returns the count mounted.
    int mountImage(const std::string& name, const ZipImage& z)
    {
        put(name, z.bytes);
        return vfsMount(wide(name).c_str());
    }
};

std::vector<ZipMember> sampleMembers()
{
    return {
        {.name = "empty.txt", .data = "", .method = 0},
        {.name = "one.txt", .data = "x", .method = 8},
        {.name = "Graphics/Def0.tga", .data = randomBytes(100000), .method = 8},
        {.name = "text/long.txt", .data = textBytes(200000), .method = 8},
        {.name = "stored.bin", .data = randomBytes(70000, 3), .method = 0},
        {.name = "Graphics/", .data = "", .method = 0},
    };
}

}

TEST_F(Archive, ReadsStoredAndDeflatedMembersInAnyChunking)
{
    ASSERT_EQ(mountImage("data.pak", buildZip(sampleMembers())), 1);
    EXPECT_EQ(vfsMemberCount(), 6);
    // Odd chunk sizes cross the decompression buffer at every phase.
    for (const ZipMember& m : sampleMembers()) {
        SCOPED_TRACE(m.name);
        for (int32_t chunk : {1, 7, 4096, 40000}) {
            VFile* f = vfsOpen(wide(m.name).c_str());
            ASSERT_NE(f, nullptr);
            std::string got, buf(size_t(chunk), '\0');
            int32_t n;
            while ((n = vfsRead(f, buf.data(), chunk)) > 0)
                got.append(buf.data(), size_t(n));
            EXPECT_EQ(n, 0);
            EXPECT_TRUE(got == m.data) << "chunk " << chunk;
            EXPECT_TRUE(vfsEof(f));
            EXPECT_EQ(vfsTell(f), m.data.size());
            EXPECT_TRUE(vfsClose(f));
        }
    }
    EXPECT_EQ(vfsOpenCount(), 1);  // the archive itself
}

TEST_F(Archive, NamesMatchWithoutAsciiCaseButKeepSeparatorsAndOtherLetters)
{
    ZipImage z =
        buildZip({{.name = "Graphics/Def0.tga", .data = "def0"}, {.name = "caf\xE9.txt", .data = "latin"}});
    ASSERT_EQ(mountImage("data.zip", z), 1);
    EXPECT_EQ(vfsSlurp(u"graphics/DEF0.TGA"), "def0");
    EXPECT_EQ(vfsSlurp(u"Graphics\\Def0.tga"), "<missing>");
    EXPECT_EQ(vfsSlurp(u"Graphics/Def0.tg"), "<missing>");
    EXPECT_EQ(vfsSlurp(u"Graphics/Def0.tga/"), "<missing>");
    // A stored byte 0xE9 is the character U+00E9; only a..z fold.
    EXPECT_EQ(vfsSlurp(u"CAF\u00E9.TXT"), "latin");
    EXPECT_EQ(vfsSlurp(u"CAF\u00C9.TXT"), "<missing>");
    EXPECT_EQ(vfsFindMember(u""), nullptr);
    EXPECT_EQ(vfsFindMember(u"zzz"), nullptr);
    EXPECT_EQ(vfsFindMember(u"A"), nullptr);
}

TEST_F(Archive, LaterDateWinsAndEqualDatesKeepTheFirst)
{
    ZipImage a = buildZip({
        {.name = "same.txt", .data = "a-old", .dosDateTime = kDate2000},
        {.name = "dup.txt", .data = "a-first", .dosDateTime = kDate2000},
        {.name = "DUP.txt",
         .data = "a-second",
         .dosDateTime = kDate2000},  // same name, same date: first stays
        {.name = "twice.txt", .data = "a-old", .dosDateTime = kDate2000},
        {.name = "twice.txt", .data = "a-new", .dosDateTime = kDate2010},  // later in one archive wins
        {.name = "newer.txt", .data = "a-new", .dosDateTime = kDate2010},
    });
    ZipImage b = buildZip({
        {.name = "same.txt", .data = "b", .dosDateTime = kDate2000},
        {.name = "newer.txt", .data = "b-old", .dosDateTime = kDate2000},
        {.name = "dup.txt", .data = "b-newer", .dosDateTime = kDate2010},
        {.name = "only-b.txt", .data = "b"},
    });
    ASSERT_EQ(mountImage("a.pak", a), 1);
    ASSERT_EQ(mountImage("b.pak", b), 1);
    EXPECT_EQ(vfsMemberCount(), 5);
    EXPECT_EQ(vfsSlurp(u"same.txt"), "a-old");
    EXPECT_EQ(vfsSlurp(u"dup.txt"), "b-newer");
    EXPECT_EQ(vfsSlurp(u"twice.txt"), "a-new");
    EXPECT_EQ(vfsSlurp(u"newer.txt"), "a-new");

    // Unmounting b brings back a's members it had overridden and leaves a's winners alone.
    ASSERT_TRUE(vfsUnmount(wpath("b.pak").c_str()));
    EXPECT_EQ(vfsMemberCount(), 4);
    EXPECT_EQ(vfsSlurp(u"dup.txt"), "a-first");
    EXPECT_EQ(vfsSlurp(u"same.txt"), "a-old");
    EXPECT_EQ(vfsSlurp(u"only-b.txt"), "<missing>");
    EXPECT_FALSE(vfsUnmount(wpath("b.pak").c_str()));

    // Unmounting the first of two keeps the second readable (its number moves down).
    ASSERT_EQ(vfsMount(u"b.pak"), 1);
    ASSERT_TRUE(vfsUnmount(u"a.pak"));
    EXPECT_EQ(vfsArchiveCount(), 1);
    EXPECT_EQ(vfsSlurp(u"same.txt"), "b");
    EXPECT_EQ(vfsSlurp(u"only-b.txt"), "b");
    EXPECT_EQ(vfsFindMember(u"only-b.txt")->archiveIndex, 0u);
}

TEST_F(Archive, PathsAndPatternsMountEachArchiveOnce)
{
    put("one.pak", buildZip({{.name = "1.txt", .data = "1"}}).bytes);
    put("two.zip", buildZip({{.name = "2.txt", .data = "2"}}).bytes);
    put("three.exe", "MZ" + randomBytes(5000) + buildZip({{.name = "3.txt", .data = "3"}}).bytes);
    put("plain.exe", "MZ" + randomBytes(5000));
    put("notes.zip", "not an archive at all, just text that is long enough");
    ASSERT_EQ(system(("mkdir '" + path("folder.pak") + "'").c_str()), 0);

    EXPECT_EQ(vfsMount(u"one.pak"), 1);
    EXPECT_EQ(vfsMount(u"one.pak"), 0);
    EXPECT_EQ(vfsMount(wpath("one.pak").c_str()), 0);
    EXPECT_EQ(vfsMount(wpath("ONE.PAK").c_str()), 0);  // paths compare without ASCII case
    EXPECT_EQ(vfsMount(u"missing.pak"), 0);
    EXPECT_EQ(vfsMountAll(), 2);  // two.zip and three.exe; one.pak is mounted already
    EXPECT_EQ(vfsArchiveCount(), 3);
    EXPECT_EQ(vfsMountAll(), 0);
    EXPECT_EQ(vfsSlurp(u"3.txt"), "3");
    EXPECT_EQ(log(), "");  // files that are no archives are passed over silently

    vfsShutdown();
    ASSERT_TRUE(vfsInit());
    EXPECT_EQ(vfsMount(u"*.PAK"), 1);  // the pattern matches without case; the folder is skipped
    EXPECT_EQ(vfsMountAll(), 2);
    EXPECT_EQ(vfsOpenCount(), 3);
}

TEST_F(Archive, TwentyArchivesLeaveSlotsForMembersAndSaySoWhenSkipped)
{
    for (int i = 0; i < 20; i++)
        put("a" + std::to_string(i) + ".pak",
            buildZip({{.name = "m" + std::to_string(i), .data = std::to_string(i)}}).bytes);
    EXPECT_EQ(vfsMount(u"*.pak"), VFS_MAX_ARCHIVES);
    EXPECT_EQ(vfsSkippedArchives(), 20 - VFS_MAX_ARCHIVES);
    EXPECT_NE(log().find("vfsMount: no file slot left, archive skipped: " + dir + "a"), std::string::npos);
    // Every name the index lists can be opened, with slots to spare.
    ASSERT_EQ(vfsMemberCount(), VFS_MAX_ARCHIVES);
    for (int i = 0; i < vfsMemberCount(); i++) {
        std::u16string name = vfsMemberAt(i)->name;
        VFile* f = vfsOpen(name.c_str());
        EXPECT_NE(f, nullptr) << narrow(name.c_str());
        vfsClose(f);
    }
}

TEST_F(Archive, ScrambledArchiveReadsLikeItsPlainTwin)
{
    std::vector<ZipMember> members = sampleMembers();
    ZipImage z = buildZip(members, std::string(3000, 'c'));  // the end record lies beyond the first window
    put("plain.pak", z.bytes);
    put("scrambled.pak", z.bytes);
    ASSERT_TRUE(vfsScrambleFile(u"scrambled.pak"));
    EXPECT_NE(readFile(path("scrambled.pak")), z.bytes);
    ASSERT_EQ(vfsMount(u"scrambled.pak"), 1);
    EXPECT_TRUE(vfsArchiveScrambled(0));
    EXPECT_EQ(vfsSlurp(u"text/long.txt"), members[3].data);  // every form is read by the pack tool's test
    ASSERT_TRUE(vfsUnmount(u"scrambled.pak"));
    ASSERT_EQ(vfsMount(u"plain.pak"), 1);

    // Scrambling twice restores the file; a member cannot be scrambled.
    ASSERT_TRUE(vfsScrambleFile(u"scrambled.pak"));
    EXPECT_EQ(readFile(path("scrambled.pak")), z.bytes);
    EXPECT_FALSE(vfsScrambleFile(u"one.txt"));
    EXPECT_FALSE(vfsScrambleFile(u"nothing.here"));
}

// Offsets counted from the archive's start (cat exe a.zip); the pack tool's
// --append-to writes them from the file's start (tools_test.cpp).
TEST_F(Archive, ExecutableWithAppendedArchiveIsMounted)
{
    std::string exe = "\x7F"
                      "ELF" +
                      randomBytes(70000);
    ZipImage z =
        buildZip({{.name = "main.w", .data = textBytes(5000)}, {.name = "raw", .data = "r", .method = 0}});
    put("relative.exe", exe + z.bytes);
    ASSERT_EQ(vfsMount(u"relative.exe"), 1);
    EXPECT_EQ(vfsSlurp(u"main.w"), textBytes(5000));
    EXPECT_EQ(vfsSlurp(u"raw"), "r");
    EXPECT_EQ(vfsFindMember(u"main.w")->dirOffset, z.central[0]);
}

TEST_F(Archive, SeeksForwardBackwardAndToTheEnd)
{
    std::string text = textBytes(300000);
    ASSERT_EQ(mountImage("s.pak",
                         buildZip({{.name = "d", .data = text}, {.name = "s", .data = text, .method = 0}})),
              1);
    // Backward (a restart), forward (decompress and discard), back by 4, and
    // from the end (origin 2 counts back): {offset, origin, position}.
    const std::tuple<int32_t, int, uint32_t> seeks[] = {
        {10, 0, 10}, {150000, 1, 150014}, {-4, 1, 150014}, {5, 2, 299995}};
    for (const char16_t* name : {u"d", u"s"}) {
        VFile* f = vfsOpen(name);
        ASSERT_NE(f, nullptr);
        std::string buf(100000, '\0');
        ASSERT_EQ(vfsRead(f, buf.data(), 100000), 100000);
        for (auto [offset, origin, at] : seeks) {
            ASSERT_TRUE(vfsSeek(f, offset, origin));
            EXPECT_EQ(vfsTell(f), at);
            ASSERT_EQ(vfsRead(f, buf.data(), 4), 4);
            EXPECT_EQ(buf.substr(0, 4), text.substr(at, 4));
        }
        // Beyond either end fails and leaves the position where it was.
        EXPECT_FALSE(vfsSeek(f, 300001, 0));
        EXPECT_FALSE(vfsSeek(f, -1, 0));
        EXPECT_FALSE(vfsSeek(f, 0, 3));
        EXPECT_EQ(vfsTell(f), 299999u);
        ASSERT_TRUE(vfsSeek(f, 0, 2));
        EXPECT_TRUE(vfsEof(f));
        EXPECT_EQ(vfsRead(f, buf.data(), 4), 0);
        std::string all(text.size(), '\0');
        EXPECT_EQ(vfsReadAll(f, all.data()), int32_t(text.size()));
        EXPECT_TRUE(all == text);
        EXPECT_TRUE(vfsClose(f));
    }
}

TEST_F(Archive, DamagedMembersFailReadsOrClose)
{
    std::string text = textBytes(50000);
    std::vector<ZipMember> members = {
        {.name = "badcrc", .data = text},
        {.name = "corrupt", .data = text},
        {.name = "short", .data = text},
    };
    ZipImage z = buildZip(members);
    auto patchBoth = [&](int i, uint32_t field, uint32_t value) {
        z.put32(z.local[i] + field, value);
        z.put32(z.central[i] + field + 2, value);  // a directory record is 2 bytes longer up front
    };
    patchBoth(0, 14, 0x12345678);                    // CRC-32
    z.bytes[z.local[1] + 30 + 7] = char(0xFF);       // a final block of the reserved type
    patchBoth(2, 22, uint32_t(text.size() + 1000));  // declares more than the stream holds
    ASSERT_EQ(mountImage("bad.pak", z), 1);

    bool closed = true;
    EXPECT_EQ(vfsSlurp(u"badcrc", &closed), text);  // every byte arrives, the check fails
    EXPECT_FALSE(closed);

    VFile* f = vfsOpen(u"badcrc");  // not read to its end: no check, no error
    ASSERT_NE(f, nullptr);
    char buf[100];
    EXPECT_EQ(vfsRead(f, buf, 100), 100);
    EXPECT_TRUE(vfsClose(f));

    f = vfsOpen(u"corrupt");
    ASSERT_NE(f, nullptr);
    std::string all(text.size(), '\0');
    EXPECT_LT(vfsRead(f, all.data(), int32_t(all.size())), 0);
    EXPECT_LT(vfsRead(f, all.data(), 1), 0);
    EXPECT_FALSE(vfsClose(f));

    f = vfsOpen(u"short");
    ASSERT_NE(f, nullptr);
    all.resize(vfsSize(f));
    EXPECT_EQ(vfsRead(f, all.data(), int32_t(all.size())), int32_t(text.size()));
    EXPECT_LT(vfsRead(f, all.data(), 10), 0);
    EXPECT_FALSE(vfsSeek(f, int32_t(text.size() + 500), 0));
    EXPECT_FALSE(vfsClose(f));

    EXPECT_NE(log().find("vfsClose: damaged member badcrc\n"), std::string::npos);
    EXPECT_NE(log().find("vfsClose: damaged member corrupt\n"), std::string::npos);

    // Failed closes still release the handle and the archive.
    EXPECT_EQ(vfsOpenCount(), 1);
    EXPECT_EQ(vfsSlurp(u"badcrc").size(), text.size());
}

// Members up to 1 MB are decoded whole on their first read, larger ones stream:
// both paths must catch a declared size that disagrees with the stream, even
// when the CRC-32 was made to match the declared bytes.
TEST_F(Archive, DeclaredSizesThatLieFailOnBothDecodePaths)
{
    std::string small = textBytes(200000), big = textBytes(1300000, 3);
    std::vector<ZipMember> members = {
        {.name = "small-fewer", .data = small},
        {.name = "big-fewer", .data = big},
        {.name = "huge", .data = small},
        {.name = "big", .data = big},
    };
    ZipImage z = buildZip(members);
    auto declare = [&](int i, uint32_t size, const std::string& crcOf) {
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(crcOf.data()), uInt(crcOf.size())));
        for (uint32_t at : {z.local[size_t(i)] + 14, z.central[size_t(i)] + 16}) {
            z.put32(at, crc);
            z.put32(at + 8, size);
        }
    };
    declare(0, 150000, small.substr(0, 150000));
    declare(1, 1200000, big.substr(0, 1200000));
    declare(2, 0x7FFFFF00, small);  // never a buffer of that size
    ASSERT_EQ(mountImage("lies.pak", z), 1);

    for (int32_t chunk : {0, 1, 40000}) {  // 0: one read of the whole member
        SCOPED_TRACE(chunk);
        VFile* f = vfsOpen(u"small-fewer");
        ASSERT_NE(f, nullptr);
        std::string buf(chunk ? size_t(chunk) : vfsSize(f), '\0');
        EXPECT_LT(vfsRead(f, buf.data(), int32_t(buf.size())), 0);
        EXPECT_FALSE(vfsClose(f));
    }
    bool closed = true;
    EXPECT_EQ(vfsSlurp(u"big-fewer", &closed), big.substr(0, 1200000));  // streamed, so caught at the end
    EXPECT_FALSE(closed);

    VFile* f = vfsOpen(u"huge");
    ASSERT_NE(f, nullptr);
    std::string buf(65536, '\0'), got;
    int32_t n;
    while ((n = vfsRead(f, buf.data(), int32_t(buf.size()))) > 0)
        got.append(buf.data(), size_t(n));
    EXPECT_LT(n, 0);
    EXPECT_TRUE(got == small);
    EXPECT_FALSE(vfsClose(f));
    MemStats stats;
    memStats(&stats);
    EXPECT_LT(stats.peakBytes, 64u << 20);

    // An honest member of the streamed size; the whole-decoded ones are read in
    // chunks and sought by the tests above.
    EXPECT_EQ(vfsSlurp(u"big", &closed), big);
    EXPECT_TRUE(closed);
}

// One member per refusal: a method or flag the reader lacks, a local header
// that disagrees with the directory (minizip's check), one beyond the file.
TEST_F(Archive, MembersThatCannotBeReadGiveHandlesWhoseReadsFail)
{
    std::vector<ZipMember> members = {
        {.name = "bzip2", .data = "bz", .method = 12},
        {.name = "encrypted", .data = "secret", .method = 0, .flags = 1},
        {.name = "local-crc", .data = "lc"},
        {.name = "far-away", .data = "fa"},
        {.name = "ok", .data = "fine", .method = 0},
    };
    ZipImage z = buildZip(members);
    z.put32(z.local[2] + 14, 0xBAD);         // local CRC-32 differs (no data descriptor flag)
    z.put32(z.central[3] + 42, 0x7FFFFF00);  // local header beyond the end of the file
    ASSERT_EQ(mountImage("odd.zip", z), 1);
    for (const char* name : {"bzip2", "encrypted", "local-crc", "far-away"}) {
        SCOPED_TRACE(name);
        VFile* f = vfsOpen(wide(name).c_str());
        ASSERT_NE(f, nullptr);
        char buf[16];
        EXPECT_LT(vfsRead(f, buf, sizeof buf), 0);
        EXPECT_FALSE(vfsSeek(f, 1, 0));
        EXPECT_FALSE(vfsClose(f));
    }
    EXPECT_EQ(vfsSlurp(u"ok"), "fine");
    EXPECT_EQ(vfsOpenCount(), 1);
    EXPECT_NE(log().find("vfsOpen: cannot read member local-crc\n"), std::string::npos);
}

TEST_F(Archive, MalformedArchivesAreNotMounted)
{
    std::vector<ZipMember> members = {{.name = "a.txt", .data = "aaaa"}, {.name = "b.txt", .data = "bbbb"}};
    const ZipImage good = buildZip(members);
    struct Case {
        const char* what;
        void (*damage)(ZipImage* z);
    };
    // One case per check of the end record and of the directory's records.
    const Case cases[] = {
        {"entry counts disagree", [](ZipImage* z) { z->put16(z->end + 8, 1); }},
        {"more entries than records", [](ZipImage* z) { z->put16(z->end + 8, 3), z->put16(z->end + 10, 3); }},
        {"directory beyond the file", [](ZipImage* z) { z->put32(z->end + 16, 0x7FFFFFF0); }},
        {"bad record signature", [](ZipImage* z) { z->put32(z->central[1], 0x02014B51); }},
        {"extra field runs past", [](ZipImage* z) { z->put16(z->central[1] + 30, 0xFFFF); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipImage z = good;
        c.damage(&z);
        EXPECT_EQ(mountImage("bad.zip", z), 0);
        EXPECT_EQ(vfsArchiveCount(), 0);
        EXPECT_EQ(vfsOpenCount(), 0);
    }
    // Names of 255 bytes are refused; 254 are fine.
    EXPECT_EQ(mountImage("long.zip", buildZip({{.name = std::string(255, 'n'), .data = "x"}})), 0);
    EXPECT_EQ(mountImage("fits.zip", buildZip({{.name = std::string(254, 'n'), .data = "x"}})), 1);
    EXPECT_EQ(vfsSlurp(wide(std::string(254, 'N')).c_str()), "x");
    ASSERT_TRUE(vfsUnmount(u"fits.zip"));
    EXPECT_NE(log().find("vfsMount: bad ZIP directory in " + path("bad.zip")), std::string::npos);

    // Every truncation of a good archive: mounted or not, reading never crashes.
    for (size_t cut = 0; cut < good.bytes.size(); ++cut) {
        ZipImage z = good;
        z.bytes.resize(cut);
        if (mountImage("cut.zip", z) == 1) {
            vfsSlurp(u"a.txt");
            vfsSlurp(u"b.txt");
            ASSERT_TRUE(vfsUnmount(u"cut.zip"));
        }
    }
    EXPECT_LE(leakedBytes(), 0);
}

TEST_F(Archive, UnmountingInvalidatesOpenMemberHandles)
{
    std::string text = textBytes(100000);
    ASSERT_EQ(mountImage("a.pak", buildZip({{.name = "x", .data = text}})), 1);
    VFile* f = vfsOpen(u"x");
    ASSERT_NE(f, nullptr);
    char buf[64];
    ASSERT_EQ(vfsRead(f, buf, 64), 64);
    ASSERT_TRUE(vfsUnmount(u"a.pak"));
    EXPECT_EQ(vfsOpenCount(), 1);  // the member handle, until its owner closes it
    EXPECT_LT(vfsRead(f, buf, 64), 0);
    EXPECT_FALSE(vfsSeek(f, 0, 0));
    EXPECT_EQ(vfsTell(f), 64u);
    EXPECT_EQ(vfsSize(f), text.size());
    EXPECT_TRUE(vfsClose(f));
    EXPECT_EQ(vfsOpenCount(), 0);

    // Shutting down does the same, and a second shutdown is harmless.
    ASSERT_EQ(vfsMount(u"a.pak"), 1);
    f = vfsOpen(u"x");
    ASSERT_NE(f, nullptr);
    vfsShutdown();
    vfsShutdown();
    EXPECT_LT(vfsRead(f, buf, 1), 0);
    EXPECT_TRUE(vfsClose(f));
    EXPECT_EQ(vfsFindMember(u"x"), nullptr);
    EXPECT_LE(leakedBytes(), 0);
    ASSERT_TRUE(vfsInit());
}

TEST_F(Archive, ArchivesHoldSlotsAndOneMemberEachIsOpenAtATime)
{
    ASSERT_EQ(mountImage("a.pak", buildZip({{.name = "x", .data = "ax"}, {.name = "y", .data = "ay"}})), 1);
    ASSERT_EQ(mountImage("b.pak", buildZip({{.name = "z", .data = "bz"}})), 1);
    ASSERT_EQ(mountImage("c.pak", buildZip({{.name = "w", .data = "cw"}})), 1);
    VFile* x = vfsOpen(u"x");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(vfsOpen(u"y"), nullptr);
    EXPECT_EQ(vfsOpen(u"x"), nullptr);
    EXPECT_EQ(vfsOpenCount(), 4);  // the failed opens left their slots free
    put("loose.txt", "l");
    std::vector<VFile*> open;
    for (VFile* f; (f = vfsOpen(u"loose.txt")) != nullptr;)
        open.push_back(f);
    EXPECT_EQ(open.size(), 16u);  // the three archives and x hold the other four
    EXPECT_EQ(vfsOpen(u"z"), nullptr);
    EXPECT_EQ(vfsMount(u"d.pak"), 0);
    for (VFile* f : open)
        EXPECT_TRUE(vfsClose(f));
    EXPECT_EQ(vfsSlurp(u"z"), "bz");
    EXPECT_TRUE(vfsClose(x));
    EXPECT_EQ(vfsSlurp(u"y"), "ay");
}

TEST_F(Archive, AllocationFailuresLeaveNothingBehind)
{
    put("m.pak", buildZip(sampleMembers()).bytes);
    for (int n = 0; n < 40; ++n) {
        memFailAfter(n);
        int mounted = vfsMount(u"m.pak");
        std::string got = mounted ? vfsSlurp(u"text/long.txt") : "";
        memFailAfter(-1);
        if (mounted) {
            EXPECT_TRUE(got == "<missing>" || got == "<short>" || got == textBytes(200000)) << n;
            ASSERT_TRUE(vfsUnmount(u"m.pak"));
        }
        EXPECT_EQ(vfsOpenCount(), 0) << n;
        EXPECT_EQ(vfsMemberCount(), 0) << n;
    }
    EXPECT_LE(leakedBytes(), 0);
}

// What our own builder and pack tool never write: sizes and CRC in data
// descriptors after the data (zip writing to a pipe), and the Zip64 end record
// in front of the end record (zip reading its input from a pipe).
TEST_F(Archive, ReadsArchivesOfOtherWriters)
{
    if (system("command -v zip >/dev/null") != 0)
        GTEST_SKIP() << "Info-ZIP zip is needed";
    put("big.txt", textBytes(300000));
    ASSERT_EQ(system(("cd '" + dir + "' && zip -q - big.txt < /dev/null | cat > piped.zip && " +
                      "zip -q - - < big.txt > stdin.zip && rm big.txt")
                         .c_str()),
              0);
    EXPECT_NE(readFile(path("piped.zip")).find("PK\7\10"), std::string::npos);
    EXPECT_NE(readFile(path("stdin.zip")).find("PK\6\6"), std::string::npos);
    for (const char* name : {"piped.zip", "stdin.zip"})
        EXPECT_EQ(vfsMount(wide(name).c_str()), 1) << name;
    for (const char* name : {"big.txt", "-"}) {
        bool closed = false;
        EXPECT_TRUE(vfsSlurp(wide(name).c_str(), &closed) == textBytes(300000)) << name;
        EXPECT_TRUE(closed) << name;
    }
}
