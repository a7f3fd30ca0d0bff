// The preferences file: defaults for every kind of bad file, a round trip, and
// a save that never damages the file already there.
#include <sys/stat.h>

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

TEST_F(PrefsTest, SaveAndLoadKeepEverySetting)
{
    Prefs* p = g_game.prefs;
    p->movetime = 250;
    prefsSetPack(p, u"Packs/Scenes.zip");
    p->currentPackID = 1;
    p->currentImage = 4;
    int32_t pos[] = {3, -1, 1, 0};
    for (int32_t v : pos)
        vecPush(&p->savedPos, &v);
    p->savedTime = 61500;
    p->volume = 80;
    p->mute = 1;
    p->besttime = 95000;
    ASSERT_TRUE(prefsSave(p));
    EXPECT_FALSE(std::filesystem::exists(path("TilvoPrefs.w.tmp")));
    EXPECT_EQ(readFile("TilvoPrefs.w").substr(0, 4), "TOBB");

    Prefs* q = prefsLoad();
    ASSERT_TRUE(q);
    EXPECT_EQ(settings(q), "250 95000 80 1 61500 Packs/Scenes.zip 1 4 3 -1 1 0");
    objDestroy(q);

    // A move time no one could wait for is cut down on loading.
    p->movetime = 4000000000u;
    ASSERT_TRUE(prefsSave(p));
    q = prefsLoad();
    EXPECT_EQ(q->movetime, PREFS_MAX_MOVETIME);
    objDestroy(q);
}

TEST_F(PrefsTest, FailedSaveKeepsTheOldFileAndIsLogged)
{
    g_game.prefs->besttime = 4242;
    ASSERT_TRUE(prefsSave(g_game.prefs));
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
