// The seeds of the World-file fuzzers are files written by objSaveFile (without
// their 4-byte header, which the harnesses supply). This test checks that every
// committed seed still loads cleanly; with TOBEX_WRITE_SEEDS=1 in the
// environment it writes them anew from the sources below.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "obj/obj_fixture.h"

namespace {

const char* const kSources[] = {
    "TOBT\n\nWorld\nname\tScrDemo\nobjs\t12 13 14 15\n\nSprite\nname\tsprLogo\nfile\tGraphics/Logo.tga\n"
    "keycolor\t-2\nxPivot\t0.5\nregularFrames\t4 2\n\n"
    "Actor\nname\tactLogo\nx\t%500%500\ny\t%500%500\nsprite\t12\nsx\t-1.5\n\n"
    "KeyControl\nname\tmover\nobjs\t13\nprop\tx\ntype\t5\nkeys\t0 0 1000 1065353216\nort\t2\n\n"
    "World\nname\tInner\nobjs\t3\nbKeysMoveFocus\t1\n\nStr\nname\tlabel\ntext\tHello\n\n",
    "TOBT\n\nWorld\nname\tMain\nobjs\t1 2 3\n\nOffscreenSurface\nname\toff\nwidth\t240\n\n"
    "WorldViewport\nname\tvp\nsf\t1\nworld\t0\nvp\t0 0 240 320\n\nScreenViewport\nsf\t1\n\n",
    "TOBT\n\nKeyControl\nobjs\t1 2\npropid\t4\nprop\tx\nkeys\t0 -5 100 5 50 7\ntype\t6\n\n",
};

}

TEST_F(ObjTest, FuzzSeedsAreWorldFilesThatLoadCleanly)
{
    const std::string corpus = std::string(TOBEX_SOURCE_DIR) + "/fuzz/corpus/";
    bool write = getenv("TOBEX_WRITE_SEEDS") != nullptr;
    writeImage("Graphics/Logo.tga");
    int n = 0;
    for (const char* source : kSources) {
        writeFile("src.w", source);
        void* obj = load("src.w");
        ASSERT_NE(obj, nullptr);
        for (bool binary : {false, true}) {
            std::string seed =
                corpus + (binary ? "world_binary/seed" : "world_text/seed") + std::to_string(n);
            ASSERT_TRUE(save("seed.w", obj, binary));
            std::string bytes = readFile("seed.w").substr(4);
            if (write) {
                testutil::writeFile(seed, bytes);
                continue;
            }
            writeFile("check.w", (binary ? "TOBB" : "TOBT") + testutil::readFile(seed));
            EXPECT_NE(load("check.w"), nullptr) << seed;
        }
        n++;
    }
    EXPECT_EQ(log(), "");
}
