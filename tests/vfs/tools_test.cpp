// The pack and vfs subcommands of the tobex tool, run as a user would run them.
#include "helpers.h"

#include <sys/wait.h>

#include <algorithm>

using namespace vfstest;

namespace {

class Tools : public VfsFixture {
protected:
    // Runs the tool in the test folder, its standard output to 'to' (read into
    // 'out' when given) and its errors to tool.err; returns its exit status.
    int tobex(const std::string& args, std::string* out = nullptr, const std::string& to = "tool.out")
    {
        int rc = system(
            ("cd '" + dir + "' && '" TOBEX_BIN_DIR "/tobex' " + args + " >" + to + " 2>tool.err").c_str());
        if (out)
            *out = readFile(path("tool.out"));
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }

    // A folder of files of every kind: empty, tiny, text, binary, nested, Latin-1 name.
    std::vector<std::pair<std::string, std::string>> makeTree()
    {
        std::vector<std::pair<std::string, std::string>> files = {
            {"empty", ""},
            {"one", "1"},
            {"main.w", textBytes(30000)},
            {"Graphics/Def0.tga", randomBytes(150000)},
            {"Graphics/deep/er/x.bin", randomBytes(3, 9)},
            {"caf\xC3\xA9.txt", "latin-1 name"},
        };
        EXPECT_EQ(system(("mkdir -p '" + path("tree/Graphics/deep/er") + "'").c_str()), 0);
        for (auto& [name, bytes] : files)
            put("tree/" + name, bytes);
        return files;
    }
};

}

TEST_F(Tools, PackThenCatRoundTripsEveryFileInEveryForm)
{
    auto files = makeTree();
    put("host.exe", "#!/bin/sh\nexit 0\n" + randomBytes(3000));
    const std::vector<std::pair<std::string, std::string>> forms = {
        {"plain.pak", "plain.pak tree"},
        {"stored.zip", "--store stored.zip tree"},
        {"scrambled.pak", "--scramble scrambled.pak tree"},
        {"both.dat", "--store --scramble both.dat tree/"},
        {"game.exe", "--append-to host.exe game.exe tree"},
        {"game2.exe", "--scramble --append-to host.exe game2.exe tree"},
    };
    for (auto& [archive, args] : forms) {
        SCOPED_TRACE(args);
        ASSERT_EQ(tobex("pack " + args), 0) << readFile(path("tool.err"));
        for (auto& [name, bytes] : files) {
            std::string out;
            EXPECT_EQ(tobex("vfs -m " + archive + " cat '" + name + "'", &out), 0) << name;
            EXPECT_TRUE(out == bytes) << name;
        }
    }
    EXPECT_EQ(readFile(path("game2.exe")).substr(0, 3017), readFile(path("host.exe")));

    // Several names at once; the status fails when any one is missing.
    std::string out;
    EXPECT_EQ(tobex("vfs -m plain.pak -m stored.zip cat one empty one", &out), 0);
    EXPECT_EQ(out, "11");
    EXPECT_EQ(tobex("vfs -m plain.pak cat one nothing one", &out), 1);
    EXPECT_EQ(out, "11");
    EXPECT_NE(readFile(path("tool.err")).find("nothing"), std::string::npos);
}

TEST_F(Tools, PackIsReproducibleAndListsWhatItStored)
{
    makeTree();
    ASSERT_EQ(tobex("pack a.pak tree"), 0);
    ASSERT_EQ(tobex("pack b.pak tree"), 0);
    EXPECT_EQ(readFile(path("a.pak")), readFile(path("b.pak")));

    // Files given by themselves are stored under their own names.
    ASSERT_EQ(tobex("pack --store single.zip tree/one tree/Graphics/deep/er/x.bin"), 0);
    std::string out;
    ASSERT_EQ(tobex("vfs -m single.zip ls", &out), 0);
    EXPECT_EQ(out, "one\t1\tstored\t" + dir +
                       "single.zip\t2000-01-01 00:00:00\n"
                       "x.bin\t3\tstored\t" +
                       dir + "single.zip\t2000-01-01 00:00:00\n");

    // The engine finds the Latin-1 name the tool stored.
    ASSERT_EQ(vfsMount(u"a.pak"), 1);
    EXPECT_EQ(vfsSlurp(u"caf\u00E9.txt"), "latin-1 name");
}

TEST_F(Tools, BadUseAndBadArchivesFail)
{
    makeTree();
    // Usage errors give 2; missing input and two files under one name give 1.
    for (const char* args :
         {"pack", "pack out.pak", "pack --bogus out.pak tree", "vfs", "vfs -m", "vfs frobnicate"})
        EXPECT_EQ(tobex(args), 2) << args;
    for (const char* args : {"pack out.pak missing-folder", "pack out.pak tree/one tree/Graphics/../one",
                             "vfs -m missing.pak ls", "vfs -m tree/main.w ls"})
        EXPECT_EQ(tobex(args), 1) << args;
    for (const char* args : {"pack --help", "vfs --help"})
        EXPECT_EQ(tobex(args), 0) << args;

    // A member whose CRC is damaged is written out but fails the status.
    ZipImage z = buildZip({{.name = "bad", .data = "payload"}});
    z.put32(z.local[0] + 14, 1);
    z.put32(z.central[0] + 16, 1);
    put("bad.zip", z.bytes);
    std::string out;
    EXPECT_EQ(tobex("vfs -m bad.zip cat bad", &out), 1);
    EXPECT_EQ(out, "payload");

    // scramble applies in place (twice restores: ScrambledArchiveReadsLikeItsPlainTwin).
    std::string before = readFile(path("tree/main.w"));
    ASSERT_EQ(tobex("vfs scramble tree/main.w"), 0);
    EXPECT_NE(readFile(path("tree/main.w")), before);
    EXPECT_EQ(tobex("vfs scramble"), 2);
    EXPECT_EQ(tobex("vfs scramble nothing-here"), 1);
}

TEST_F(Tools, PackRefusesWhatWouldLoopLoseDataOrHideAFile)
{
    auto files = makeTree();
    // Links back to the packed folder and to a folder above: skipped, the walk ends.
    ASSERT_EQ(symlink(".", path("tree/self").c_str()), 0);
    ASSERT_EQ(symlink("..", path("tree/Graphics/up").c_str()), 0);
    ASSERT_EQ(tobex("pack loop.pak tree"), 0) << readFile(path("tool.err"));
    EXPECT_NE(readFile(path("tool.err")).find("skipping self/"), std::string::npos);
    EXPECT_NE(readFile(path("tool.err")).find("skipping Graphics/up/"), std::string::npos);
    std::string out;
    ASSERT_EQ(tobex("vfs -m loop.pak ls", &out), 0);
    EXPECT_EQ(size_t(std::count(out.begin(), out.end(), '\n')), files.size());

    // OUT that is also an input is refused and left as it was.
    std::string before = readFile(path("loop.pak"));
    EXPECT_EQ(tobex("pack loop.pak loop.pak"), 1);
    EXPECT_EQ(readFile(path("loop.pak")), before);
    // Empty paths (unset shell variables) are no file at all.
    EXPECT_EQ(tobex("pack e.pak ''"), 1);
    EXPECT_EQ(tobex("pack '' tree"), 1);
    // Names the engine cannot tell apart are refused like exact duplicates.
    put("tree/Graphics/DEF0.TGA", "b");
    EXPECT_EQ(tobex("pack c.pak tree"), 1);
    EXPECT_NE(readFile(path("tool.err")).find("differ only in letter case"), std::string::npos);
    unlink(path("tree/Graphics/DEF0.TGA").c_str());
    // A pack that fails half-way leaves neither its archive nor a temporary file.
    ASSERT_EQ(symlink("nowhere", path("tree/dead").c_str()), 0);
    EXPECT_EQ(tobex("pack half.pak tree"), 1);
    EXPECT_EQ(tobex("pack loop.pak tree"), 1);
    EXPECT_EQ(readFile(path("loop.pak")), before);
    EXPECT_EQ(system(("test -z \"$(ls '" + dir + "' | grep -e half -e 'pak\\.')\"").c_str()), 0);
}

TEST_F(Tools, FailedWritesFailTheCommand)
{
    makeTree();
    ASSERT_EQ(tobex("pack a.pak tree"), 0);
    put("w.w", "TOBT\n\nWorld\nname\tW\n\n");
    for (const char* args : {"vfs -m a.pak cat main.w", "vfs -m a.pak ls", "world cat w.w"}) {
        EXPECT_EQ(tobex(args, nullptr, "/dev/full"), 1) << args;
        EXPECT_NE(readFile(path("tool.err")).find("write failed"), std::string::npos) << args;
    }
}
