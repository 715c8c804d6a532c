// Mixing the effects, and a machine without sound.
#include "backends/qt/sound_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sound/effects.h"

namespace qbx {
namespace {

TEST(Mixer, EffectsSoundTogetherEachToItsEndAndStayInRange) {
    Mixer m;
    const std::vector<float> longer(1000, 0.5f), shorter(300, 0.5f), loud(100, 1.0f);
    m.Start(longer, 100);
    std::vector<float> out(256);
    EXPECT_EQ(m.MixInto(out.data(), out.size(), 600), 500);  // waited from 100 to 600
    EXPECT_FLOAT_EQ(out[0], 0.4f);
    m.Start(shorter, 0);
    m.Start(loud, 0);
    EXPECT_EQ(m.Sounding(), 3);
    EXPECT_EQ(m.MixInto(out.data(), out.size(), 700), 0);  // untimed starts report nothing
    EXPECT_FLOAT_EQ(out[0], 1.0f);                         // 2 * 0.8, kept in range
    EXPECT_FLOAT_EQ(out[150], 0.8f);                       // the loud one has ended
    m.MixInto(out.data(), out.size(), 800);
    EXPECT_EQ(m.Sounding(), 1);  // the short one ended within this block
    for (int k = 0; k < 4; ++k) m.MixInto(out.data(), out.size(), 900);
    EXPECT_EQ(m.Sounding(), 0);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
}

TEST(Mixer, AFullMixerGivesANewEffectTheVoiceNearestItsEnd) {
    Mixer m;
    std::vector<std::vector<float>> effects;
    for (int k = 0; k < Mixer::kVoices; ++k) effects.emplace_back(1000 + 10 * k, 0.01f);
    for (const auto& e : effects) m.Start(e, 0);
    const std::vector<float> fresh(50, 0.02f);
    m.Start(fresh, 0);  // replaces the shortest
    EXPECT_EQ(m.Sounding(), Mixer::kVoices);
    std::vector<float> out(60);
    m.MixInto(out.data(), out.size(), 0);
    EXPECT_FLOAT_EQ(out[0], 0.8f * (0.01f * (Mixer::kVoices - 1) + 0.02f));
    EXPECT_FLOAT_EQ(out[55], 0.8f * 0.01f * (Mixer::kVoices - 1));
}

TEST(SoundOutput, WithoutAnAudioDeviceTheGameIsSilentAndGoesOn) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const sound::Effects effects;
    SoundOutput out(effects);
    out.WaitUntilOpened();
    EXPECT_FALSE(out.Ready());
    out.Play(Sound::Shot, 0);  // nothing, and no harm
    EXPECT_EQ(out.Sounding(), 0);
    unsetenv("SDL_AUDIODRIVER");
}

// Whatever the machine has (no card at all, here), opening the default device says at most one
// line: the audio libraries' own complaints are kept off standard error.
TEST(SoundOutput, OpeningTheDefaultDeviceSaysAtMostOneLine) {
    unsetenv("SDL_AUDIODRIVER");
    const sound::Effects effects;
    std::fflush(stderr);
    const int saved = dup(2);
    FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    dup2(fileno(capture), 2);
    {
        SoundOutput out(effects);
        out.WaitUntilOpened();
    }
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(capture);
    int lines = 0;
    for (int c; (c = std::fgetc(capture)) != EOF;) lines += c == '\n';
    std::fclose(capture);
    EXPECT_LE(lines, 1);
}

TEST(SoundOutput, OnADeviceEveryEffectIsReadyToPlay) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const sound::Effects effects;
    SoundOutput out(effects);
    out.WaitUntilOpened();
    ASSERT_TRUE(out.Ready());
    EXPECT_GT(out.BufferMs(), 0.0);
    EXPECT_LE(out.BufferMs(), 12.0);
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace qbx
