// The preferences file: defaults for every kind of bad file, a round trip, and
// a save that never damages the file already there.
#include <sys/stat.h>

#include "game/game_fixture.h"

class PrefsTest : public GameTest {
protected:
    // Loads, checks the defaults, and destroys the object again.
    void expectDefaults(const char* what)
    {
        SCOPED_TRACE(what);
        Prefs* p = prefsLoad();
        ASSERT_TRUE(p);
        EXPECT_TRUE(objIsA(p, &g_prefsClass));
        EXPECT_EQ(p->movetime, 100u);
        EXPECT_EQ(p->besttime, 6000000u);
        EXPECT_EQ(p->volume, 50);
        EXPECT_EQ(p->mute, 0);
        EXPECT_EQ(p->savedPos.count, 0);
        EXPECT_EQ(p->currentPack, nullptr);
        objDestroy(p);
    }
};

TEST_F(PrefsTest, BadFilesGiveTheDefaults)
{
    expectDefaults("missing");
    writeFile("TilvoPrefs.w", "");
    expectDefaults("empty");
    writeFile("TilvoPrefs.w", "TOBB");
    expectDefaults("header only");
    writeFile("TilvoPrefs.w", "garbage, not a World file at all\n");
    expectDefaults("corrupt");
    writeFile("TilvoPrefs.w", "TOBT\n\nWorld\nname\tNotPrefs\nobjs\t1\n\nActor\nname\tinside\n\n");
    expectDefaults("another class");
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
    EXPECT_EQ(q->movetime, 250u);
    EXPECT_EQ(testutil::narrow(q->currentPack), "Packs/Scenes.zip");
    EXPECT_EQ(q->currentPackID, 1);
    EXPECT_EQ(q->currentImage, 4);
    ASSERT_EQ(q->savedPos.count, 4);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(*static_cast<int32_t*>(vecAt(&q->savedPos, i)), pos[i]);
    EXPECT_EQ(q->savedTime, 61500u);
    EXPECT_EQ(q->volume, 80);
    EXPECT_EQ(q->mute, 1);
    EXPECT_EQ(q->besttime, 95000u);
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
