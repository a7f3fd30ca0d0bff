// The board: building fresh and from saved positions, slicing and the picture
// fallbacks. Moves by key and pen are played in the end-to-end runs.
#include <algorithm>

#include "game/game_fixture.h"

namespace {

// Every slice once and one empty node, in a position that can be solved: the
// inversions plus the empty node's row counted from the bottom is odd.
void expectWholeAndSolvable(const std::vector<int32_t>& pos)
{
    std::vector<int32_t> sorted = pos, tiles;
    std::sort(sorted.begin(), sorted.end());
    for (int32_t k = 0; k < 16; k++)
        EXPECT_EQ(sorted[size_t(k)], k - 1);
    std::copy_if(pos.begin(), pos.end(), std::back_inserter(tiles), [](int32_t v) { return v >= 0; });
    int inversions = 0;
    for (size_t i = 0; i < tiles.size(); i++)
        for (size_t j = i + 1; j < tiles.size(); j++)
            inversions += tiles[i] > tiles[j];
    EXPECT_EQ((inversions + 4 - (std::find(pos.begin(), pos.end(), -1) - pos.begin()) / 4) % 2, 1);
}
}

class BoardTest : public GameTest {};

TEST_F(BoardTest, SavedPositionIsRestoredOnlyWhenItFitsTheBoard)
{
    std::vector<int32_t> saved = {1, 2, 3, 7, 0, 5, 6, 11, 4, 8, 9, 10, 12, 13, -1, 14};
    g_game.prefs->savedTime = 65000;
    Vector v = vectorOf(saved);
    ASSERT_TRUE(setupPuzzle(&v));
    EXPECT_EQ(position(), saved);
    EXPECT_EQ(timeNow() - board()->tStart, 65000u);
    dropBoard();
    vecFree(&v);

    const std::vector<std::vector<int32_t>> broken = {
        {1, 2, 3, -1},                                                  // too short
        {1, 1, 3, 7, 0, 5, 6, 11, 4, 8, 9, 10, 12, 13, -1, 14},         // a slice twice
        {1, 2, 3, 7, 0, 5, 6, 11, 4, 8, 9, 10, 12, 13, -1, 16},         // out of range
        {1, 2, 3, 7, 0, 5, 6, 11, 4, 8, 9, 10, 12, 13, 15, 14},         // no empty node
        {1, 2, 3, 7, 0, 5, 6, 11, 4, 8, 9, 10, 12, -1, -1, 14},         // two empty nodes
        {1, 2, 3, 7, 0, 5, 6, 11, 4, 8, 9, 10, 12, 13, -1, 14, 15, 0},  // too long
    };
    for (const auto& bad : broken) {
        Vector b = vectorOf(bad);
        ASSERT_TRUE(setupPuzzle(&b));
        expectWholeAndSolvable(position());  // a whole new board
        dropBoard();
        vecFree(&b);
    }
    EXPECT_NE(log().find("does not fit the board"), std::string::npos);
}

TEST_F(BoardTest, SlicesLeaveTheRemainderUnshown)
{
    Puzzle* p = static_cast<Puzzle*>(objCreate(&g_puzzleClass));
    SURFACE* sf = sfCreate(241, 320, 3, false, SF_NO_KEY, nullptr);
    ASSERT_TRUE(sf);
    p->image = sf;
    p->nSliceWidth = p->nSliceHeight = 3;
    slicePicture(p);
    ASSERT_EQ(sf->frames.count, 9);
    const RECT* last = sfFrame(sf, 8);
    EXPECT_EQ((std::vector<int32_t>{last->x, last->y, last->w, last->h}),
              (std::vector<int32_t>{160, 212, 80, 106}));
    // A picture sliced before keeps its rectangles.
    p->nSliceWidth = 2;
    slicePicture(p);
    EXPECT_EQ(sf->frames.count, 9);
    sfDestroy(sf);
    objDestroy(p);
}

TEST_F(BoardTest, MissingPicturesFallBackOrRefuseTheBoard)
{
    // An index no table has: picture 0.
    g_game.prefs->currentImage = 9;
    ASSERT_TRUE(setupPuzzle(nullptr));
    EXPECT_EQ(g_game.prefs->currentImage, 0);
    dropBoard();

    // Without even picture 0 no board is built and nothing is left behind.
    std::filesystem::remove(path("Graphics/Def0.tga"));
    EXPECT_FALSE(setupPuzzle(nullptr));
    EXPECT_EQ(g_game.puzzle, nullptr);
    EXPECT_EQ(objFind(&g_puzzleClass, nullptr, nullptr), OBJ_NONE);
    EXPECT_EQ(objFind(&g_nodeClass, nullptr, nullptr), OBJ_NONE);
    EXPECT_EQ(sfCacheCount(), 0);

    // A board file with fewer nodes than slices is refused cleanly.
    writePicture("Graphics/Def0.tga", 240, 240);
    writeFile("Puzzle.w",
              "TOBT\n\nPuzzle\nname\tPuzzle\nobjs\t1 2\nnSliceWidth\t4\nnSliceHeight\t4\n\n"
              "Node\nname\tn0\nstate\t0\nlinks\t2\n\nNode\nname\tn1\nx\t60\nstate\t15\nlinks\t1\n\n");
    EXPECT_FALSE(setupPuzzle(nullptr));
    EXPECT_EQ(objFind(&g_pieceClass, nullptr, nullptr), OBJ_NONE);
    EXPECT_NE(log().find("does not list a node for every slice"), std::string::npos);
}
