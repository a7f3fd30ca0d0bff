// Module music on the silent driver: loading, playing to the end or in a loop,
// pausing and volume.
#include <gtest/gtest.h>

#include <mikmod.h>

#include "sound_files.h"

namespace {

class MusicTest : public soundfiles::SoundFixture {
protected:
    void SetUp() override
    {
        SoundFixture::SetUp();
        file("song.mod", soundfiles::module());
    }
};

// Mixing calls until the player stops, up to a bound; under the silent driver
// each call mixes a fixed slice of sound at once.
int updatesUntilSilent(int bound)
{
    for (int i = 0; i < bound; ++i) {
        if (!musicPlaying())
            return i;
        sndUpdate();
    }
    return bound;
}

}

TEST_F(MusicTest, PlaysToTheEndOnceOrLoopsPausesAndSetsTheVolume)
{
    Music* m = musicLoad(u"song.mod");
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(musicPlaying());
    musicPlay(m);
    EXPECT_TRUE(musicPlaying());
    int ended = updatesUntilSilent(1000);
    EXPECT_LT(ended, 1000);
    EXPECT_GT(ended, 1);

    musicSetLoop(m, true);
    musicPlay(m);
    EXPECT_EQ(updatesUntilSilent(3 * ended), 3 * ended);
    musicStop();
    EXPECT_FALSE(musicPlaying());
    musicPlay(m);
    // 0 pauses and 1 resumes whatever the state; a negative state toggles.
    const struct {
        int state;
        bool paused;
    } steps[] = {{0, true}, {0, true}, {1, false}, {1, false}, {-1, true}, {-1, false}};
    for (const auto& step : steps) {
        musicPause(step.state);
        EXPECT_EQ(bool(Player_Paused()), step.paused) << step.state;
    }

    musicSetVolume(0.5f);
    EXPECT_EQ(m->module->volume, 64);
    musicSetVolume(3.0f);
    EXPECT_EQ(musicGetVolume(), 1.0f);
    EXPECT_EQ(m->module->volume, 128);
    musicSetVolume(-1.0f);
    EXPECT_EQ(musicGetVolume(), 0.0f);
    // Freeing the playing module stops it first.
    musicFree(m);
    EXPECT_FALSE(musicPlaying());
    sndUpdate();
}

TEST_F(MusicTest, UnreadableModulesGiveNullWithoutALogLine)
{
    file("bad.mod", std::string(300, 'x'));
    file("cut.mod", soundfiles::module().substr(0, 1100));
    EXPECT_EQ(musicLoad(u"bad.mod"), nullptr);
    EXPECT_EQ(musicLoad(u"cut.mod"), nullptr);
    EXPECT_EQ(musicLoad(u"none.mod"), nullptr);
    EXPECT_EQ(musicLoad(nullptr), nullptr);
    EXPECT_EQ(log().find("failed"), std::string::npos);
    musicPlay(nullptr);
    musicSetLoop(nullptr, true);
    musicFree(nullptr);
}

TEST_F(MusicTest, ShutDownReleasesLoadedModules)
{
    Music* playing = musicLoad(u"song.mod");
    Music* idle = musicLoad(u"song.mod");
    ASSERT_NE(playing, nullptr);
    ASSERT_NE(idle, nullptr);
    musicPlay(playing);
    sndShutdown();
    EXPECT_EQ(playing->module, nullptr);
    EXPECT_EQ(idle->module, nullptr);
    EXPECT_FALSE(musicPlaying());
    musicPlay(playing);
    musicFree(playing);
    musicFree(idle);
}
