// The sound manager on the silent driver: start and fallback, loading WAVs
// through the virtual file system, playing, voices, volume and mute.
#include <gtest/gtest.h>

#include <math.h>
#include <mikmod.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "sound_files.h"

namespace {

class SoundTest : public soundfiles::SoundFixture {
protected:
    Sound* load(const std::string& name, const soundfiles::WavSpec& w)
    {
        return sndLoad(file(name, soundfiles::wav(w)).c_str());
    }
};
}

TEST_F(SoundTest, HeadlessRunsUseTheSilentDriverRestartCleanlyAndLoadMonoWavs)
{
    EXPECT_STREQ(sndDriverName(), "nosound");
    EXPECT_TRUE(sndInit());  // a second start keeps the running one
    EXPECT_GT(sndMixRate(), 0);
    sndShutdown();
    EXPECT_FALSE(sndActive());
    EXPECT_STREQ(sndDriverName(), "");
    sndShutdown();
    ASSERT_TRUE(sndInit());
    // Mono WAVs load through the file system with their rate.
    Sound* s8 = load("sfx/eight.wav", {.bits = 8, .rate = 22050});
    Sound* s16 = load("sfx/sixteen.wav", {.bits = 16, .rate = 11025});
    ASSERT_NE(s8, nullptr);
    ASSERT_NE(s16, nullptr);
    EXPECT_EQ(sndFrequency(s8), 22050u);
    EXPECT_EQ(sndFrequency(s16), 11025u);
    EXPECT_EQ(s16->sample->length, 441u);
    EXPECT_EQ(sndFrequency(nullptr), 0u);
    sndFree(s8);
    sndFree(s16);
    sndFree(nullptr);
}

TEST_F(SoundTest, UnusableOutputFallsBackToSilenceAndADiskWriterWritesNoFile)
{
    sndShutdown();
    ASSERT_TRUE(sndInitDriver("nosuchdriver"));
    EXPECT_STREQ(sndDriverName(), "nosound");
    sndShutdown();
    // A driver whose start fails leaves the library unstarted; the silent retry
    // must work, and loading must not meet the half-started library.
    setenv("SDL_AUDIODRIVER", "tobex-none", 1);
    ASSERT_TRUE(sndInitDriver("sdl"));
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_STREQ(sndDriverName(), "nosound");
    Sound* s = load("sfx/a.wav", {});
    EXPECT_NE(s, nullptr);
    sndFree(s);
    std::string text = log();
    EXPECT_NE(text.find("sndInit: no sound driver named nosuchdriver"), std::string::npos);
    EXPECT_NE(text.find("Could not initialize sound, reason: "), std::string::npos);
    EXPECT_NE(text.find("sndInit: no audio output could be opened; sound stays silent"), std::string::npos);
    sndShutdown();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string work = testutil::makeTempDir();
    ASSERT_EQ(chdir(work.c_str()), 0);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    bool ok = sndInitDriver(nullptr);
    for (int i = 0; i < 5; ++i)
        sndUpdate();
    sndShutdown();
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(std::filesystem::is_empty(work));
    EXPECT_NE(log().find("SDL_AUDIODRIVER asks for a disk writer"), std::string::npos);
    ASSERT_TRUE(sndInit());
}

TEST_F(SoundTest, MissingStereoAndCorruptWavsGiveNullAndTheirLogLine)
{
    EXPECT_EQ(sndLoad(u"sfx/none.wav"), nullptr);
    EXPECT_EQ(sndLoad(nullptr), nullptr);
    EXPECT_EQ(log().find("sndLoadSample"), std::string::npos);  // a missing file is silent

    std::string good = soundfiles::wav({});
    std::string noChannels = good;
    noChannels[22] = 0;  // the library divides the rate by this count
    const struct {
        const char* name;
        std::string bytes;
    } bad[] = {
        {"sfx/stereo.wav", soundfiles::wav({.channels = 2})},
        {"sfx/empty.wav", ""},
        {"sfx/header.wav", good.substr(0, 30)},
        {"sfx/garbage.wav", std::string(200, 'x')},
        {"sfx/nomagic.wav", "RIFX" + good.substr(4)},
        {"sfx/nochannels.wav", noChannels},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(sndLoad(file(b.name, b.bytes).c_str()), nullptr) << b.name;
        EXPECT_NE(log().find(std::string("MikMod sndLoadSample failed for ") + b.name + "\n"),
                  std::string::npos)
            << b.name;
        EXPECT_EQ(vfsOpenCount(), 0) << b.name;
    }
    // A failed load leaves no error behind for the next mixing call to report.
    sndUpdate();
    EXPECT_EQ(log().find("Sound update failed"), std::string::npos);
}

TEST_F(SoundTest, ChunkWalksTheLibraryCannotSurviveAreRefused)
{
    // Data longer than the file: the library would size its buffer from the
    // claim before reading a byte.
    for (int64_t claim : {int64_t(0x7FFFFFF0), int64_t(0xFFFFFFFF), int64_t(101)}) {
        EXPECT_EQ(load("sfx/huge.wav", {.frames = 100, .dataSize = claim}), nullptr) << claim;
        EXPECT_EQ(vfsOpenCount(), 0);
    }
    EXPECT_NE(log().find("MikMod sndLoadSample failed for sfx/huge.wav"), std::string::npos);
    // Other chunks before the data are walked over as the library does, odd
    // lengths included; a chunk claiming more than the file just ends the walk.
    std::string wav = soundfiles::wav({.frames = 100});
    std::string list = "LIST";
    soundfiles::put32(list, 5);
    list += "abcde";
    Sound* s = sndLoad(file("sfx/list.wav", wav.substr(0, 36) + list + wav.substr(36)).c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->sample->length, 100u);
    sndFree(s);
    std::string big = "LIST";
    soundfiles::put32(big, 0xFFFFFFF0);
    EXPECT_EQ(sndLoad(file("sfx/big.wav", wav.substr(0, 36) + big + wav.substr(36)).c_str()), nullptr);
    // The library adds chunk lengths in 32 bits: this one brings it back to
    // the same chunk, round and round.
    std::string circle = "JUNK";
    soundfiles::put32(circle, 0xFFFFFFF8);
    EXPECT_EQ(sndLoad(file("sfx/circle.wav", wav.substr(0, 36) + circle + wav.substr(36)).c_str()), nullptr);
}

TEST_F(SoundTest, PlayUsesTheMasterVolumeMuteStartsNothingAndVoiceControlsClamp)
{
    Sound* s = load("sfx/a.wav", {});
    ASSERT_NE(s, nullptr);
    int voice = -5;
    sndPlay(s, &voice);
    ASSERT_GT(voice, 0);
    EXPECT_EQ(Voice_GetVolume(SBYTE(voice)), 255);
    sndSetVolume(0.5f);
    sndPlay(s, &voice);
    EXPECT_EQ(Voice_GetVolume(SBYTE(voice)), 127);

    sndSetVolume(1.5f);
    EXPECT_EQ(sndGetVolume(), 1.0f);
    sndSetVolume(-0.2f);
    EXPECT_EQ(sndGetVolume(), 0.0f);
    sndSetVolume(NAN);
    EXPECT_EQ(sndGetVolume(), 0.0f);

    sndSetMute(true);
    voice = 99;
    sndPlay(s, &voice);
    EXPECT_EQ(voice, 0);
    sndUpdate();
    sndSetMute(false);
    sndPlay(s, &voice);
    EXPECT_GT(voice, 0);

    voice = 99;
    sndPlay(nullptr, &voice);
    EXPECT_EQ(voice, 0);
    sndPlay(s, nullptr);
    // Voice controls are clamped and ignore bad voices.
    sndSetVolume(1.0f);
    sndPlay(s, &voice);
    ASSERT_GT(voice, 0);
    const SBYTE v = SBYTE(voice);
    const struct {
        float pan;
        ULONG expect;
    } pans[] = {{0.0f, 127}, {-1.0f, 0}, {1.0f, 255}, {7.0f, 255}, {-3.0f, 0}, {NAN, 127}};
    for (const auto& p : pans) {
        sndVoicePan(voice, p.pan);
        EXPECT_EQ(Voice_GetPanning(v), p.expect) << p.pan;
    }
    sndSetVolume(0.5f);
    sndVoiceVolume(voice, 2.0f);
    EXPECT_EQ(Voice_GetVolume(v), 127);
    sndVoiceVolume(voice, 0.5f);
    EXPECT_EQ(Voice_GetVolume(v), 63);
    sndVoiceVolume(voice, -1.0f);
    EXPECT_EQ(Voice_GetVolume(v), 0);
    sndVoiceFrequency(voice, 8000);
    EXPECT_EQ(Voice_GetFrequency(v), 8000u);
    sndVoiceFrequency(voice, 0);
    EXPECT_EQ(Voice_GetFrequency(v), 8000u);
    for (int bad : {0, -1, 16, 300, -200}) {
        sndVoiceVolume(bad, 1.0f);
        sndVoicePan(bad, 0.0f);
        sndVoiceFrequency(bad, 100);
        sndVoiceStop(bad);
    }
    sndVoiceStop(voice);
    sndFree(s);
}

TEST_F(SoundTest, CriticalSoundsKeepTheirVoicesAndLoopingSoundsPlayOn)
{
    Sound* s = load("sfx/a.wav", {});
    ASSERT_NE(s, nullptr);
    sndSetLoop(s, true);
    // Ordinary effects take the voices round: there is always one to play on.
    int voice = 0;
    for (int i = 0; i < SND_FX_VOICES + 2; ++i) {
        sndPlay(s, &voice);
        EXPECT_GT(voice, 0);
    }
    sndUpdate();
    // Critical effects that are playing are not cut off by later ones.
    sndSetCritical(s, true);
    for (int i = 0; i < SND_FX_VOICES; ++i) {
        sndPlay(s, &voice);
        EXPECT_GT(voice, 0);
    }
    sndUpdate();
    sndPlay(s, &voice);
    EXPECT_EQ(voice, 0);
    sndSetCritical(s, false);
    sndPlay(s, &voice);
    EXPECT_EQ(voice, 0);
    // Stopping one frees its voice.
    sndVoiceStop(SND_MUSIC_VOICES);
    sndUpdate();
    sndPlay(s, &voice);
    EXPECT_EQ(voice, SND_MUSIC_VOICES);
    for (int v = SND_MUSIC_VOICES; v < SND_MUSIC_VOICES + SND_FX_VOICES; ++v)
        sndVoiceStop(v);
    sndFree(s);
    // Looping sounds play on while others end.
    Sound* once = load("sfx/once.wav", {});
    Sound* loop = load("sfx/loop.wav", {});
    ASSERT_NE(once, nullptr);
    ASSERT_NE(loop, nullptr);
    sndSetLoop(loop, true);
    int vOnce = 0, vLoop = 0;
    sndPlay(once, &vOnce);
    sndPlay(loop, &vLoop);
    for (int i = 0; i < 5; ++i)
        sndUpdate();
    EXPECT_TRUE(Voice_Stopped(SBYTE(vOnce)));
    EXPECT_FALSE(Voice_Stopped(SBYTE(vLoop)));
    sndVoiceStop(vLoop);
    sndUpdate();
    EXPECT_TRUE(Voice_Stopped(SBYTE(vLoop)));
    sndSetLoop(loop, false);
    EXPECT_EQ(loop->sample->flags & SF_LOOP, 0);
    sndSetLoop(nullptr, true);
    sndFree(once);
    sndFree(loop);
}

TEST_F(SoundTest, CallsOutsideAStartedLibraryAreHarmless)
{
    Sound* s = load("sfx/a.wav", {});
    ASSERT_NE(s, nullptr);
    sndShutdown();
    // Shut-down took the sample; the handle is still the caller's to free.
    EXPECT_EQ(s->sample, nullptr);
    int voice = 7;
    sndPlay(s, &voice);
    EXPECT_EQ(voice, 0);
    EXPECT_EQ(sndLoad(u"sfx/a.wav"), nullptr);
    EXPECT_EQ(musicLoad(u"sfx/a.wav"), nullptr);
    sndUpdate();
    sndVoiceVolume(8, 1.0f);
    sndVoiceStop(8);
    sndSetLoop(s, true);
    sndSetMute(true);
    sndSetMute(false);
    musicStop();
    musicPause(-1);
    EXPECT_FALSE(musicPlaying());
    sndFree(s);
    // Started again, a muted manager stays silent until unmuted.
    sndSetMute(true);
    ASSERT_TRUE(sndInit());
    s = sndLoad(u"sfx/a.wav");
    ASSERT_NE(s, nullptr);
    sndPlay(s, &voice);
    EXPECT_EQ(voice, 0);
    sndSetMute(false);
    sndPlay(s, &voice);
    EXPECT_GT(voice, 0);
    sndFree(s);
}
