// The "tobex world" tool run as a program: cat, convert, check and bad use.
#include <gtest/gtest.h>
#include <string>

#include "obj/obj_fixture.h"

namespace {

testutil::ToolRun tobex(const std::string& dir, const std::string& args)
{
    return testutil::runTobex(dir, "world " + args);
}

const char kScreen[] = "TOBT\n\nWorld\nname\tScr\nobjs\t5 6\n\nSprite\nname\tspr\nfile\tpic.tga\n\n"
                       "Actor\nname\tact\nsprite\t5\nalpha\t128\n\n";

}

TEST_F(ObjTest, WorldToolPrintsConvertsChecksAndRefusesBadUse)
{
    writeImage("pic.tga");
    writeFile("scr.w", kScreen);
    testutil::ToolRun cat = tobex(dir, "cat scr.w");
    EXPECT_EQ(cat.status, 0) << cat.out;
    EXPECT_EQ(cat.out.substr(0, 25), "TOBT\n\nWorld\nname\tScr\nobjs");
    EXPECT_NE(cat.out.find("alpha\t128\n"), std::string::npos);

    testutil::ToolRun conv = tobex(dir, "convert --binary scr.w scr.wb");
    EXPECT_EQ(conv.status, 0) << conv.out;
    EXPECT_EQ(readFile("scr.wb").substr(0, 4), "TOBB");
    EXPECT_EQ(tobex(dir, "convert --text scr.wb back.w").status, 0);
    EXPECT_EQ(readFile("back.w"), cat.out);

    testutil::ToolRun ok = tobex(dir, "check scr.w");
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_NE(ok.out.find("World with 2 members, 0 problem(s)"), std::string::npos);

    writeFile("bad.w",
              "TOBT\n\nWorld\nname\tBad\nobjs\t1 2 3\n\nActor\nsprite\t9\nshape\tround\n\nUnicorn\n\n");
    testutil::ToolRun bad = tobex(dir, "check bad.w");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("objRead: unknown property shape"), std::string::npos) << bad.out;
    EXPECT_NE(bad.out.find("World_Load: object reference not found: 9, world Bad"), std::string::npos);
    EXPECT_NE(bad.out.find("objRead: could not create class Unicorn"), std::string::npos);
    EXPECT_NE(bad.out.find("less objects loaded than expected"), std::string::npos);

    // Problems are collected in memory: where no log can be written (Tobex.log
    // is a folder here) a broken file is still reported.
    std::filesystem::create_directories(path("nolog/Tobex.log"));
    writeFile("nolog/bad.w", readFile("bad.w"));
    testutil::ToolRun blind = tobex(dir + "nolog", "check bad.w");
    EXPECT_EQ(blind.status, 1);
    EXPECT_NE(blind.out.find("objRead: unknown property shape"), std::string::npos) << blind.out;

    EXPECT_EQ(tobex(dir, "check nothing.w").status, 1);
    EXPECT_EQ(tobex(dir, "cat nothing.w").status, 1);
    for (const char* args : {"", "frobnicate x", "convert --json a b", "convert --text a", "-m"})
        EXPECT_EQ(tobex(dir, args).status, 2) << args;
    testutil::ToolRun help = tobex(dir, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tobex world"), std::string::npos);
}
