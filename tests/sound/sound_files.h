#pragma once
// Small sound files made in the tests (RIFF WAVs and a one-pattern module), and
// the set-up the sound and music tests share.

#include <gtest/gtest.h>
#include <stdint.h>
#include <sys/stat.h>

#include <string>

#include "sound/music.h"
#include "sound/sound.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace soundfiles {

inline void put16(std::string& s, uint32_t v)
{
    s += char(v & 255);
    s += char((v >> 8) & 255);
}

inline void put32(std::string& s, uint32_t v)
{
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

struct WavSpec {
    int channels = 1;
    int bits = 8;
    uint32_t rate = 22050;
    uint32_t frames = 441;
    int64_t dataSize = -1;  // the size the data chunk claims; -1: the real size
};

// A square wave in a RIFF WAVE file with a "fmt " and a "data" chunk.
inline std::string wav(const WavSpec& w)
{
    const uint32_t align = uint32_t(w.channels * w.bits / 8);
    std::string data;
    for (uint32_t i = 0; i < w.frames * uint32_t(w.channels); ++i) {
        bool high = (i / 20) % 2;
        if (w.bits == 8)
            data += char(high ? 200 : 56);
        else
            put16(data, high ? 12000u : uint32_t(-12000));
    }
    std::string s = "RIFF";
    put32(s, uint32_t(36 + data.size()));
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, uint32_t(w.channels));
    put32(s, w.rate);
    put32(s, w.rate * align);
    put16(s, align);
    put16(s, uint32_t(w.bits));
    s += "data";
    put32(s, w.dataSize < 0 ? uint32_t(data.size()) : uint32_t(w.dataSize));
    return s + data;
}

// A four-channel module of one 64-row pattern that plays one short note.
inline std::string module()
{
    std::string s(20, '\0');
    s.replace(0, 4, "test");
    for (int i = 0; i < 31; ++i) {
        std::string sample(30, '\0');
        if (i == 0) {
            sample[22] = 0;  // length in words, big-endian: 32 words
            sample[23] = 32;
            sample[25] = 64;  // volume
            sample[29] = 1;   // repeat length 1: no loop
        }
        s += sample;
    }
    s += char(1);                 // song length
    s += char(127);               // restart position
    s += std::string(128, '\0');  // order: pattern 0
    s += "M.K.";
    std::string pattern(64 * 4 * 4, '\0');
    const uint32_t period = 428;
    pattern[0] = char(period >> 8);  // sample 1 (high bits 0), period
    pattern[1] = char(period & 255);
    pattern[2] = char(1 << 4);  // sample 1 (low bits), no effect
    s += pattern;
    for (int i = 0; i < 64; ++i)
        s += char(i % 16 < 8 ? 60 : -60);
    return s;
}

// A temporary program folder with an "sfx" folder, the log there and the sound
// manager started on the silent driver; settings restored at the end.
class SoundFixture : public testutil::FolderTest {
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        mkdir((dir + "sfx").c_str(), 0755);
        ASSERT_TRUE(sndInit());
    }
    void TearDown() override
    {
        musicSetVolume(1.0f);
        sndShutdown();
        sndSetMute(false);
        sndSetVolume(1.0f);
        EXPECT_EQ(vfsOpenCount(), 0);
        FolderTest::TearDown();
    }
    std::u16string file(const std::string& name, const std::string& bytes)
    {
        testutil::writeFile(dir + name, bytes);
        return testutil::wide(name);
    }
};

}
