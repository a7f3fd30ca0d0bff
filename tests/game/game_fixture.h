// Shared set-up of the game tests: the object model with the game's classes in
// a temporary program folder holding the game's "Puzzle.w", a fake clock, a
// screen World for the board and the piece mover, as the game's start-up would
// leave them.
#pragma once

#include <filesystem>
#include <string>

#include "game/game.h"
#include "gfx/surface.h"
#include "obj/obj_fixture.h"
#include "obj/proptype.h"

namespace gametest {
inline uint64_t g_ticks;
inline uint64_t fakeCounter()
{
    return g_ticks;
}
}

class GameTest : public ObjTest {
protected:
    void SetUp() override
    {
        gametest::g_ticks = 5000;
        clockSetSource(gametest::fakeCounter, 1000);
        ObjTest::SetUp();
        ASSERT_TRUE(gameRegisterClasses());
        ASSERT_TRUE(sfCacheInit(0));  // as graphics start-up leaves it
        g_game = Game{};
        writeFile("Puzzle.w", testutil::readFile(TOBEX_SOURCE_DIR "/data/game/Puzzle.w"));
        std::filesystem::create_directories(path("Graphics"));
        writePicture("Graphics/Def0.tga", 240, 240);
        writeFile("Screens.w", "TOBT\n\nWorld\nname\tHolder\nobjs\t1 2 3\n\n"
                               "World\nname\tScrGame\n\n"
                               "Actor\nname\ttarget\n\n"
                               "KeyControl\nname\tPieceMover\nobjs\t2\nprop\tx\ntype\t2\ninterp\t1\nort\t0\n"
                               "keys\t0 0 100 0\nactive\t0\n\n");
        holder = static_cast<World*>(load("Screens.w"));
        ASSERT_TRUE(holder);
        g_game.scrGame = objFind(&g_worldClass, "ScrGame", nullptr);
        g_game.pieceMover = objFind(&g_keyControlClass, "PieceMover", nullptr);
        g_game.prefs = static_cast<Prefs*>(objCreate(&g_prefsClass));
        g_game.movingPiece = g_game.moveTarget = OBJ_NONE;
        ASSERT_TRUE(g_game.prefs);
    }

    void TearDown() override
    {
        g_game = Game{};
        sfCacheShutdown();
        ObjTest::TearDown();
        clockSetSource(nullptr, 0);
    }

    // A picture whose every pixel differs from its neighbours' colours.
    void writePicture(const char* name, int w, int h)
    {
        writeFile(name, testutil::tga(w, h, [](int x, int y) { return uint32_t(x * 0x10101 + y * 0x3100); }));
    }

    // Kills the board and lets its pictures go.
    static void dropBoard()
    {
        World_KillObj(objGet(g_game.scrGame), g_game.puzzle);
        g_game.puzzle = nullptr;
        releasePuzzlePictures();
    }

    static Puzzle* board()
    {
        return g_game.puzzle;
    }

    // The slice (frame) on every node, -1 for the empty node: the saved-position form.
    static std::vector<int32_t> position()
    {
        std::vector<int32_t> out;
        for (int32_t k = 0; k < 16; k++) {
            Node* n = boardNode(board(), k);
            Piece* p = n ? static_cast<Piece*>(objGet(n->piece)) : nullptr;
            out.push_back(p ? p->frame : -1);
        }
        return out;
    }

    static Vector vectorOf(const std::vector<int32_t>& v)
    {
        Vector out = {};
        vecInit(&out, sizeof(int32_t), int32_t(v.size()) + 1);
        for (int32_t x : v)
            vecPush(&out, &x);
        return out;
    }

    World* holder = nullptr;
};
