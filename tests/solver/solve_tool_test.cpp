// tobex solve as an author runs it: output form, options, and its refusals.
#include <gtest/gtest.h>

#include <sstream>

#include "bench/hundred15.h"
#include "solver_util.h"
#include "test_util.h"

namespace {

std::vector<std::string> lines(const std::string& s)
{
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

std::vector<int32_t> numbers(const std::string& s)
{
    std::vector<int32_t> out;
    std::istringstream in(s);
    for (int32_t v; in >> v;)
        out.push_back(v);
    return out;
}

TEST(SolveTool, PrintsTheMovesAndSaysWhenItIsOptimal)
{
    std::string dir = testutil::makeTempDir();

    testutil::ToolRun r = testutil::runTobex(dir, "solve --grid 3x3 -- 0 1 2 3 4 -1 6 7 5");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\n8\n");
    r = testutil::runTobex(dir, "solve --grid 3x3 0,1,2,3,4,5,6,7,-1");
    EXPECT_EQ(r.out, "0\n\n");

    // The hole starts in node 0, so the position must follow "--"; with a budget
    // a third line says whether the answer is optimal.
    std::vector<int32_t> pos = {-1, 7, 6, 5, 4, 3, 2, 1, 0};
    r = testutil::runTobex(dir, "solve --budget 5000 --grid 3x3 -- " + solvertest::show(pos));
    std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 3u) << r.out;
    EXPECT_EQ(out[0], "28");
    EXPECT_EQ(out[2], "optimal");
    solvertest::Board board(solvertest::grid(3, 3));
    std::vector<int32_t> moves = numbers(out[1]);
    EXPECT_TRUE(solvertest::replaysToGoal(board.get(), pos, moves.data(), int32_t(moves.size())));
}

TEST(SolveTool, RefusesBadBoardsPositionsAndOptions)
{
    std::string dir = testutil::makeTempDir();
    struct Case {
        const char* args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"solve -- 0 1 2 -1", 2, "exactly one of"},
        {"solve --grid 3x3 --budget soon -- 0 1 2 3 4 5 6 7 -1", 2, "milliseconds"},
        {"solve --grid 3 -- 0 -1", 2, "WxH"},
        {"solve --grid 3x3 --frobnicate 0 1", 2, "unknown option"},
        {"solve --grid 3x3 -- 0 1 2 -1", 1, "4 numbers for a board of 9 nodes"},
        {"solve --grid 3x3 -- 0 1 2 3 4 5 6 7 x", 1, "not a number"},
        {"solve --grid 3x3 -- 0 1 2 3 4 5 7 7 -1", 1, "appears twice"},
        {"solve --grid 3x3 -- 1 0 2 3 4 5 6 7 -1", 1, "unsolvable"},
        {"solve --grid 9x9 -- 0", 1, "2 to 64"},
    };
    for (const Case& c : cases) {
        testutil::ToolRun r = testutil::runTobex(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
}

TEST(SolveTool, SolvesTheBoardsOfPuzzleWorldFiles)
{
    solvertest::useTestCache();
    setenv("XDG_DATA_HOME", solvertest::cacheHome().c_str(), 1);
    std::string dir = testutil::makeTempDir();
    testutil::writeFile(dir + "Puzzle.w", testutil::readFile(TOBEX_SOURCE_DIR "/data/game/Puzzle.w"));
    // The game's board lists its nodes row by row, so it answers as the 4 x 4 grid does.
    int32_t instance[16];
    hundredPosition(kHundred[12], instance);
    std::string position = solvertest::show(std::vector<int32_t>(instance, instance + 16));
    testutil::ToolRun board = testutil::runTobex(dir, "solve --board Puzzle.w -- " + position);
    EXPECT_EQ(board.status, 0) << board.out;
    EXPECT_EQ(lines(board.out).at(0), std::to_string(kHundred[12].length)) << board.out;

    // An irregular board: a ring of five with a chord and a spur that holds the
    // hole's home. Three slides away from the goal.
    const char* ring = "TOBT\n\nPuzzle\nname\tRing\nobjs\t1 2 3 4 5 6\nnSliceWidth\t3\nnSliceHeight\t2\n\n"
                       "Node\nstate\t0\nlinks\t2 5\n\nNode\nstate\t1\nlinks\t1 3 6\n\n"
                       "Node\nstate\t2\nlinks\t2 4 5\n\nNode\nstate\t3\nlinks\t3 5\n\n"
                       "Node\nstate\t4\nlinks\t4 1 3\n\nNode\nstate\t5\nlinks\t2\n";
    testutil::writeFile(dir + "Ring.w", ring);
    testutil::ToolRun r = testutil::runTobex(dir, "solve --board Ring.w -- 0 2 3 -1 4 1");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "3\n2 1 5\n");

    // Boards the solver must refuse, each with its reason.
    std::string oneWay = ring;
    oneWay.replace(oneWay.find("links\t2 5"), 9, "links\t2 4");
    testutil::writeFile(dir + "OneWay.w", oneWay);
    std::string stranger = ring;
    stranger.replace(stranger.find("links\t2\n"), 8, "links\t7\n");
    testutil::writeFile(dir + "Stranger.w", stranger + "\nSprite\nname\tnotANode\n");
    testutil::writeFile(dir + "NoBoard.w", "TOBT\n\nWorld\nname\tplain\n");
    struct Case {
        const char* file;
        const char* says;
    };
    for (const Case& c :
         {Case{"OneWay.w", "but not back"}, Case{"Stranger.w", "not one of the board's nodes"},
          Case{"NoBoard.w", "holds no Puzzle"}, Case{"Missing.w", "could not be loaded"}}) {
        r = testutil::runTobex(dir, std::string("solve --board ") + c.file + " -- 0 2 3 -1 4 1");
        EXPECT_EQ(r.status, 1) << c.file;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.file << "\n" << r.out;
    }
}

}
