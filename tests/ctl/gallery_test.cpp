// The controls gallery (data/gallery.w in build/data/gallery.pak) shown by
// `tobex view` headless on a virtual clock and driven by scripts: once by the pen
// and tap-control, once by the keyboard alone. Each run checks the command codes
// the controls return, that the screens show text in both fonts, and that a
// second run gives the same screenshots byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gfx/format.h"
#include "test_util.h"

namespace {

const std::string kPak = TOBEX_BIN_DIR "/../data/gallery.pak";

// Everything is in the same place on every run: the World file fixes the
// layout, and the file list shows this folder's files, made alike each time.
struct GalleryRun {
    int status;
    std::vector<int> commands;
    std::vector<testutil::Shot> shots;  // the screenshots (PNG), in the order named
    std::string out;
};

GalleryRun runGallery(const std::string& script, const std::vector<std::string>& shots)
{
    std::string dir = testutil::makeTempDir();
    testutil::writeFile(dir + "s.txt", script);
    testutil::writeFile(dir + "notes.txt", "a file for the file list\n");
    testutil::ToolRun r =
        testutil::runTobex(dir, "view -m '" + kPak + "' --headless --frame-ms 16 --script s.txt gallery.w");
    GalleryRun run = {r.status, {}, {}, r.out};
    for (size_t at = r.out.find("command "); at != std::string::npos; at = r.out.find("command ", at + 1))
        run.commands.push_back(atoi(r.out.c_str() + at + 8));
    for (const std::string& s : shots)
        run.shots.push_back(testutil::decodeShot(testutil::readFile(dir + s)));
    std::string cleanup = "rm -rf '" + dir + "'";
    EXPECT_EQ(system(cleanup.c_str()), 0);
    return run;
}

// The colour a 0x00RRGGBB property shows as in a screenshot: converted to the
// screen memory's "565" as the controls convert it, then widened as the host does.
uint32_t onScreen(uint32_t rgb)
{
    uint32_t v = pfOps(PF_565)->fromRGB(rgb);
    uint32_t r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
    return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

// The command codes other than 1, which only says an event was handled (a
// press, a focus move).
std::vector<int> clicks(const std::vector<int>& commands)
{
    std::vector<int> out;
    for (int c : commands)
        if (c != 1)
            out.push_back(c);
    return out;
}
}

// Every control taken by the pen: by tap-control where the control has an idCtl
// on the screen, by coordinates for the scroll bar's arrow and the window's
// inner button, and a press that leaves its button before the release, which
// clicks nothing. The command codes come in the order of the taps.
TEST(Gallery, PenDrivesEveryControlAndRunsRepeatExactly)
{
    const std::string script = "100 shot start.png\n"
                               "150 tap-control 101\n"  // push button
                               "200 tap-control 102\n"  // sprite button
                               "250 tap-control 103\n"  // check box
                               "300 tap-control 112\n"  // radio button in the list
                               "350 tap-control 123\n"  // slider, at its middle
                               "400 tap-control 121\n"  // horizontal scroll bar, its track
                               "450 pen tap 230 139\n"  // its second arrow: one step
                               "500 pen tap 158 213\n"  // the button inside the window
                               "550 tap-control 112\n"  // the selected radio button again
                               "600 pen down 20 40\n"   // the push button, left before the release:
                               "620 pen move 20 300\n"  // no click
                               "640 pen up 20 300\n"
                               "700 shot end.png\n"
                               "750 quit\n";
    GalleryRun a = runGallery(script, {"start.png", "end.png"});
    ASSERT_EQ(a.status, 0) << a.out;
    EXPECT_EQ(clicks(a.commands), (std::vector<int>{101, 102, 103, 112, 123, 121, 121, 131, 112})) << a.out;
    ASSERT_EQ(a.shots[0].w, 240);
    EXPECT_NE(a.shots[0], a.shots[1]);

    // The title in the anti-aliased font has grey edges between its colour and
    // the background.
    EXPECT_GT(a.shots[0].count(6, 4, 150, 18, onScreen(0xF0F0F0)), 5);
    EXPECT_GT(a.shots[0].colours(6, 4, 150, 18), 4u);
    // The timer's digits in the system font, which lies in the archive given
    // with -m: shown from the first frames on.
    EXPECT_GT(a.shots[0].count(170, 6, 64, 14, onScreen(0xF0B43C)), 5);

    GalleryRun b = runGallery(script, {"start.png", "end.png"});
    EXPECT_EQ(b.commands, a.commands);
    EXPECT_EQ(b.shots, a.shots);
}

// The keyboard alone: arrows move the focus in layout order, Z (the A button)
// and Return press, the radio list takes UP and DOWN and RIGHT leaves it, typed text goes
// into the edit box, the slider and scroll bar step with the arrows.
TEST(Gallery, KeyboardAloneReachesAndUsesTheControls)
{
    const std::string script = "100 key tap DOWN\n"    // focus: push button
                               "150 key tap Z\n"       // 101
                               "200 key tap DOWN\n"    // sprite button
                               "250 key tap RETURN\n"  // 102: Return presses too
                               "300 key tap DOWN\n"    // check box
                               "350 key tap Z\n"       // 103
                               "400 key tap DOWN\n"    // the radio list
                               "450 key tap DOWN\n"    // its first item
                               "500 key tap DOWN\n"    // the second
                               "550 key tap Z\n"       // 112
                               "600 key tap RIGHT\n"   // out of the list: the edit box
                               "650 text !\n"
                               "700 key tap DOWN\n"   // the slider
                               "750 key tap RIGHT\n"  // 123 on the press, 123 on the release
                               "800 key tap DOWN\n"   // the scroll bar
                               "850 key tap RIGHT\n"  // 121
                               "900 shot keys.png\n"
                               "950 quit\n";
    GalleryRun a = runGallery(script, {"keys.png"});
    ASSERT_EQ(a.status, 0) << a.out;
    EXPECT_EQ(clicks(a.commands), (std::vector<int>{101, 102, 103, 112, 123, 123, 121})) << a.out;
    GalleryRun b = runGallery(script, {"keys.png"});
    EXPECT_EQ(b.commands, a.commands);
    ASSERT_EQ(a.shots[0].w, 240);
    EXPECT_EQ(b.shots, a.shots);
}

// The scroll bar (total 10) and the slider (total 100) stop at both ends: the
// bar's thumb dragged past the far end, its arrows and the slider's keys pressed
// beyond either end leave the bar's rows of the screenshot as they were.
TEST(Gallery, BarsAndSlidersStopAtTheirEnds)
{
    std::string script;
    int t = 100;
    auto at = [&](const std::string& what) {
        script += std::to_string(t) + " " + what + "\n";
        t += 50;
    };
    for (const char* s : {"pen down 22 139", "pen move 232 139", "pen up 232 139", "shot dragged.png",
                          "pen tap 230 139", "shot end.png", "pen tap 10 139", "shot back.png"})
        at(s);
    for (int i = 0; i < 10; i++)
        at("pen tap 10 139");
    for (const char* s : {"shot zero.png", "pen tap 10 139", "shot zero2.png", "pen tap 233 103",
                          "shot full.png", "key tap RIGHT", "shot full2.png", "pen tap 116 103",
                          "shot empty.png", "key tap LEFT", "shot empty2.png", "quit"})
        at(s);
    GalleryRun r = runGallery(script, {"dragged.png", "end.png", "back.png", "zero.png", "zero2.png",
                                       "full.png", "full2.png", "empty.png", "empty2.png"});
    ASSERT_EQ(r.status, 0) << r.out;
    auto bar = [&](int i, int j) { return r.shots[size_t(i)].rowsEqual(r.shots[size_t(j)], 134, 145); };
    auto slider = [&](int i, int j) { return r.shots[size_t(i)].rowsEqual(r.shots[size_t(j)], 96, 110); };
    EXPECT_TRUE(bar(0, 1)) << "dragged to the end, the second arrow adds nothing";
    EXPECT_FALSE(bar(1, 2)) << "the first arrow steps back";
    EXPECT_FALSE(bar(2, 3));
    EXPECT_TRUE(bar(3, 4)) << "at 0 the first arrow takes nothing";
    EXPECT_TRUE(slider(5, 6)) << "RIGHT at the slider's end";
    EXPECT_FALSE(slider(5, 7));
    EXPECT_TRUE(slider(7, 8)) << "LEFT at 0";
    // Every tap and the drag report the bar; the slider takes its taps and keys
    // (a code on each key's press and release).
    const std::vector<int> c = clicks(r.commands);
    ASSERT_GE(c.size(), 20u) << r.out;
    EXPECT_EQ(std::count(c.begin(), c.end() - 6, 121), long(c.size()) - 6) << r.out;
    EXPECT_EQ(std::vector<int>(c.end() - 6, c.end()), std::vector<int>(6, 123)) << r.out;
}
