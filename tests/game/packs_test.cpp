// Picture packs and the chooser with the real chooser screen: titles and
// thumbnail slots for good, partial and junk packs, a pack picture that cannot
// be had, and the release of the board's pictures with everything that
// draws them.
#include "ctl/controls.h"
#include "game/game_fixture.h"
#include "vfs/archive.h"
#include "vfs/helpers.h"

namespace {

// A ZIP archive of small pictures, one member per name.
std::string pack(const std::vector<std::string>& members)
{
    std::vector<vfstest::ZipMember> m;
    for (const std::string& name : members)
        m.push_back(
            {name, testutil::tga(60, 60, [](int x, int y) { return uint32_t(x * 0x40404 ^ y * 0x20000); })});
    return vfstest::buildZip(m).bytes;
}

}

class PacksTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_TRUE(vfsInit());
        ASSERT_TRUE(ctlStartup());
        writeFile("ScrChoose.w", testutil::readFile(TOBEX_SOURCE_DIR "/data/game/ScrChoose.w"));
        void* chooser = load("ScrChoose.w");
        ASSERT_TRUE(chooser);
        g_game.scrChoose = objId(chooser);
        // As the start-up finds them: the title and its capacity, the six slots.
        void* title = uiFind("CtlStatic", "packtitle", chooser);
        g_game.packTitle = objId(title);
        g_game.packTitleCap = uiTextLen(title, "text");
        for (int i = 0; i < GAME_PACK_PICTURES; i++)
            g_game.packSlots[i] = objId(uiMember(g_game.scrChoose, 6 + i));
        std::filesystem::create_directories(path("Packs"));
        packsInit();
    }

    void TearDown() override
    {
        leaveChooser();
        packsFree();
        vfsShutdown();
        GameTest::TearDown();
    }

    std::string title()
    {
        return testutil::narrow(*static_cast<char16_t**>(objPropAddr(objGet(g_game.packTitle), "text")));
    }

    int visibleSlots()
    {
        int n = 0;
        for (ObjectId id : g_game.packSlots)
            n += uiGetInt(objGet(id), "visible", 0);
        return n;
    }

    // Builds a board from picture i of the current pack, then drops it again.
    void playPicture(int32_t i)
    {
        g_game.prefs->currentImage = i;
        ASSERT_TRUE(setupPuzzle(nullptr));
        EXPECT_TRUE(board()->image);
        dropBoard();
    }
};

// A pack with three pictures shows three slots; a pack that is no archive
// shows none (not the slots of the pack before it) and logs why; a long name
// is cut to the title's storage; a picture the pack lacks falls back to the
// built-in picture 0. Packs cut short are skipped in the end-to-end runs.
TEST_F(PacksTest, ChooserShowsWhatEachPackHolds)
{
    writeFile("Packs/Half.pak",
              pack({"Image0.tga", "Thumb0.tga", "Image1.tga", "Thumb1.tga", "Thumb2.tga", "Image4.tga"}));
    writeFile("Packs/Junk.zip", "this is not an archive at all");
    writeFile("Packs/A pack name far longer than the title can show.zip", pack({"Thumb0.tga"}));
    g_game.prefs->currentPackID = 5;  // beyond the list: pack 0
    enterChooser();
    ASSERT_EQ(g_game.packs.count, 3);
    EXPECT_EQ(uiGetInt(uiFirstOf(g_game.scrChoose, "CtlScrollbar1"), "total", -1), 2);
    EXPECT_EQ(g_game.prefs->currentPackID, 0);
    for (int32_t i = 0; i < g_game.packs.count; i++) {
        selectPack(i);
        const std::string name = title();
        ASSERT_LE(int32_t(name.size()), g_game.packTitleCap);
        if (name == "HALF") {
            EXPECT_EQ(visibleSlots(), 3);
            playPicture(1);  // in the pack
            EXPECT_EQ(g_game.prefs->currentImage, 1);
            ASSERT_TRUE(g_game.prefs->currentPack);
            playPicture(2);  // a thumbnail without its picture
            EXPECT_EQ(g_game.prefs->currentImage, 0);
            EXPECT_EQ(g_game.prefs->currentPack, nullptr);
        } else if (name == "JUNK") {
            EXPECT_EQ(visibleSlots(), 0) << name;
            playPicture(3);
            EXPECT_EQ(g_game.prefs->currentPack, nullptr);
        } else {
            EXPECT_EQ(int32_t(name.size()), g_game.packTitleCap);
            EXPECT_EQ(name,
                      std::string("A PACK NAME FAR LONGER THAN THE TITLE CAN SHOW").substr(0, name.size()));
            EXPECT_EQ(visibleSlots(), 1);
        }
    }
    // Back: no pack, nothing left mounted.
    selectPack(-1);
    EXPECT_EQ(g_game.prefs->currentPack, nullptr);
    EXPECT_EQ(vfsArchiveCount(), 0);
    EXPECT_NE(log().find("Junk.zip"), std::string::npos) << log();
}

// The preview and the solved picture let go of the board's pictures before the
// image cache frees them.
TEST_F(PacksTest, ReleasingTheBoardsPicturesLeavesNothingDrawingThem)
{
    writeFile("PuzzleUI.w", "TOBT\n\nWorld\nname\tPuzzleUI\nobjs\t1 2\n\nCtlStatic\nname\tpreview\n\n"
                            "CtlButton\nname\tsolvedImage\nvisible\t0\n\n");
    g_game.puzzleUI = objId(load("PuzzleUI.w"));
    ASSERT_TRUE(setupPuzzle(nullptr));
    Actor* preview = static_cast<Actor*>(uiFind("CtlStatic", "preview", nullptr));
    Actor* solved = static_cast<Actor*>(uiFind("CtlButton", "solvedImage", nullptr));
    ASSERT_TRUE(preview && solved);
    EXPECT_EQ(preview->sf, board()->thumb);
    solved->sf = board()->image;
    solved->visible = 1;
    releasePuzzlePictures();
    EXPECT_EQ(preview->sf, nullptr);
    EXPECT_EQ(solved->sf, nullptr);
    EXPECT_FALSE(solved->visible);
    EXPECT_EQ(board()->image, nullptr);
    EXPECT_EQ(sfCacheCount(), 0);
}
