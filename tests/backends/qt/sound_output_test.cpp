// Mixing the effects, and a machine without sound.
#include "backends/qt/sound_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sound/effects.h"
#include "sound/music.h"

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

// Music of one level throughout, silent when told, remembering whether it was ducked.
struct SteadyMusic : MusicSource {
    float level = 0.5f;
    bool silent = false;
    std::vector<bool> ducked;
    void Set(Music, uint32_t, bool, bool) override {}
    void Render(float* out, size_t n, bool duck) override {
        std::fill(out, out + n, level);
        ducked.push_back(duck);
    }
    bool Silent() const override { return silent; }
};

TEST(Mixer, TheMusicGoesUnderTheEffectsDuckedWhileOneSoundsAndTheSumNeverClips) {
    const std::vector<float> loud(300, 1.0f), soft(300, 0.2f);
    SteadyMusic music;
    Mixer m;
    m.SetMusic(&music);
    std::vector<float> out(256);
    // Quiet sums are plain sums.
    music.level = 0.1f;
    m.Start(soft, 0);
    m.MixInto(out.data(), out.size(), 0);
    EXPECT_FLOAT_EQ(out[0], 0.1f + 0.8f * 0.2f);
    EXPECT_EQ(music.ducked, std::vector<bool>{true});
    m.MixInto(out.data(), out.size(), 0);  // the effect ends within this block
    m.MixInto(out.data(), out.size(), 0);
    EXPECT_FLOAT_EQ(out[0], 0.1f);
    EXPECT_EQ(music.ducked, (std::vector<bool>{true, true, false}));
    // Loud ones bend below the ceiling, keeping their sign and their order.
    music.level = 0.7f;
    m.Start(loud, 0);
    m.Start(loud, 0);
    m.MixInto(out.data(), out.size(), 0);
    EXPECT_LE(out[0], Mixer::kCeiling);
    EXPECT_GT(out[0], Mixer::kKnee);
    music.level = -0.9f;
    m.MixInto(out.data(), out.size(), 0);
    EXPECT_GE(out[50], -Mixer::kCeiling);
    EXPECT_LT(out[50], -Mixer::kKnee);
    music.level = -0.5f;
    m.MixInto(out.data(), out.size(), 0);  // the effects have ended: -0.5 passes as it is
    EXPECT_FLOAT_EQ(out[0], -0.5f);

    // Silent music leaves the effects exactly as they are mixed without any.
    music.silent = true;
    Mixer plain;
    std::vector<float> with(256), without(256);
    m.Start(loud, 0);
    m.Start(soft, 0);
    plain.Start(loud, 0);
    plain.Start(soft, 0);
    for (int k = 0; k < 2; ++k) {
        m.MixInto(with.data(), with.size(), 0);
        plain.MixInto(without.data(), without.size(), 0);
        EXPECT_EQ(with, without);
    }
}

double RmsDb(const std::vector<float>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t k = from; k < to; ++k) sum += static_cast<double>(s[k]) * s[k];
    return 10 * std::log10(sum / static_cast<double>(to - from));
}

// The music stands a few decibels under every effect as the mixer plays it, before it is lowered
// under them: an effect is heard over any piece, and the music is not lost beneath them.
TEST(Mixer, EveryPieceSitsAFewDecibelsUnderEveryEffect) {
    constexpr int kRate = 48000;
    const sound::Effects effects;
    double softestEffect = 0, loudestEffect = -100;
    for (int k = 0; k < kSoundCount; ++k) {
        std::vector<float> s = effects.Render(static_cast<Sound>(k), 3, kRate);
        for (float& v : s) v *= Mixer::kEffectsLevel;
        const double db = 20 * std::log10(sound::SoundingRms(s));
        softestEffect = std::min(softestEffect, db);
        loudestEffect = std::max(loudestEffect, db);
    }
    for (int k = 1; k < kMusicCount; ++k) {
        const auto piece = static_cast<Music>(k);
        const sound::Score& score = sound::ScoreOf(piece);
        sound::MusicPlayer p(kRate);
        p.Start(&score);
        std::vector<float> s(static_cast<size_t>(kRate) * 20);
        for (size_t at = 0; at < s.size(); at += 256) p.Render(s.data() + at, 256);
        // Over the part that sounds: the short pieces end in silence.
        const auto loop = static_cast<size_t>(score.steps * 15.0 / score.bpm * kRate);
        const double db = RmsDb(s, 0, score.loops ? s.size() : loop * 3 / 4);
        EXPECT_GT(softestEffect - db, 3.0) << MusicName(piece);
        EXPECT_LT(loudestEffect - db, 6.0) << MusicName(piece);
    }
}

TEST(MusicCue, WhatTheGameAsksCrossesToTheAudioThreadWhole) {
    for (const MusicCue c : {MusicCue{Music::GameOver, (1u << 22) - 1, true, false},
                             MusicCue{Music::Menu, 12345, false, true}, MusicCue{}}) {
        const MusicCue back = MusicCue::Unpack(c.Pack());
        EXPECT_EQ(back.piece, c.piece);
        EXPECT_EQ(back.serial, c.serial);
        EXPECT_EQ(back.paused, c.paused);
        EXPECT_EQ(back.audible, c.audible);
    }
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
