// The preferences file: defaults for every kind of bad file and out-of-range
// values, and a save that never damages the file already there. The settings'
// round trip over restarts is checked by the end-to-end runs.
#include "game/game_fixture.h"

class PrefsTest : public GameTest {
protected:
    // movetime, besttime, volume, mute, savedTime, currentPack, its index,
    // currentImage, then the saved position.
    static std::string settings(const Prefs* p)
    {
        std::string s = std::to_string(p->movetime) + " " + std::to_string(p->besttime) + " " +
                        std::to_string(p->volume) + " " + std::to_string(p->mute) + " " +
                        std::to_string(p->savedTime) + " " +
                        (p->currentPack ? testutil::narrow(p->currentPack) : "(none)") + " " +
                        std::to_string(p->currentPackID) + " " + std::to_string(p->currentImage);
        for (int32_t i = 0; i < p->savedPos.count; i++)
            s += " " + std::to_string(*static_cast<int32_t*>(vecAt(&p->savedPos, i)));
        return s;
    }

    // Loads, checks the defaults, and destroys the object again.
    void expectDefaults(const char* what)
    {
        SCOPED_TRACE(what);
        Prefs* p = prefsLoad();
        ASSERT_TRUE(p);
        EXPECT_TRUE(objIsA(p, &g_prefsClass));
        EXPECT_EQ(settings(p), "100 6000000 50 0 0 (none) 0 0");
        objDestroy(p);
    }
};

TEST_F(PrefsTest, BadFilesGiveTheDefaults)
{
    expectDefaults("missing");
    for (const char* bad : {"", "TOBB", "garbage, not a World file at all\n",
                            "TOBT\n\nWorld\nname\tNotPrefs\nobjs\t1\n\nActor\nname\tinside\n\n"}) {
        writeFile("TilvoPrefs.w", bad);
        expectDefaults(bad);
    }
    EXPECT_EQ(objFind(&g_actorClass, "inside", nullptr), OBJ_NONE);  // what it loaded is gone

    // A move time no one could wait for is cut down on loading.
    g_game.prefs->movetime = 4000000000u;
    ASSERT_TRUE(prefsSave(g_game.prefs));
    Prefs* q = prefsLoad();
    EXPECT_EQ(q->movetime, PREFS_MAX_MOVETIME);
    objDestroy(q);

    // A whole file cut short at every length: never a crash, always usable values.
    g_game.prefs->volume = 7;
    g_game.prefs->besttime = 1234;
    int32_t pos[] = {0, 1, 2, -1};
    for (int32_t v : pos)
        vecPush(&g_game.prefs->savedPos, &v);
    ASSERT_TRUE(prefsSave(g_game.prefs));
    const std::string whole = readFile("TilvoPrefs.w");
    for (size_t n = 0; n < whole.size(); n++) {
        writeFile("TilvoPrefs.w", whole.substr(0, n));
        Prefs* p = prefsLoad();
        ASSERT_TRUE(objIsA(p, &g_prefsClass));
        EXPECT_LE(p->movetime, PREFS_MAX_MOVETIME);
        objDestroy(p);
    }
}

TEST_F(PrefsTest, FailedSaveKeepsTheOldFileAndIsLogged)
{
    g_game.prefs->besttime = 4242;
    ASSERT_TRUE(prefsSave(g_game.prefs));
    EXPECT_FALSE(std::filesystem::exists(path("TilvoPrefs.w.tmp")));
    const std::string before = readFile("TilvoPrefs.w");
    // The temporary file cannot be created: a folder stands in its place.
    std::filesystem::create_directory(path("TilvoPrefs.w.tmp"));
    g_game.prefs->besttime = 1;
    EXPECT_FALSE(prefsSave(g_game.prefs));
    EXPECT_EQ(readFile("TilvoPrefs.w"), before);
    EXPECT_NE(log().find("prefsSave: could not write"), std::string::npos);
    Prefs* q = prefsLoad();
    EXPECT_EQ(q->besttime, 4242u);
    objDestroy(q);
}
