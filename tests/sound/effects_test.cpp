// The synthesised effects: short, clean at both ends, and equally loud.
#include "sound/effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace qbx::sound {
namespace {

TEST(Effects, EachIsShortStartsAndEndsInSilenceAndIsAsLoudAsTheOthers) {
    const Effects bank;
    for (int k = 0; k < kSoundCount; ++k)
        for (int variant : {0, 2, 3, 4}) {
            const Sound s = static_cast<Sound>(k);
            if (variant && s != Sound::Pop) continue;
            SCOPED_TRACE(std::string(SoundName(s)) + " " + std::to_string(variant));
            const std::vector<float> v = bank.Render(s, variant, 48000);
            ASSERT_GT(v.size(), 48000u / 20);  // at least 50 ms: heard
            EXPECT_LT(v.size(), 48000u);       // under a second
            EXPECT_LT(std::abs(v.front()), 0.05f);
            EXPECT_LT(std::abs(v.back()), 0.01f);  // no click at the end
            float peak = 0;
            for (float x : v) peak = std::max(peak, std::abs(x));
            EXPECT_LE(peak, 0.9f + 1e-6f);
            EXPECT_NEAR(SoundingRms(v), kTargetRms, kTargetRms * 0.25);
        }
    // The bigger the bubble, the deeper its pop: fewer zero crossings in the same time.
    auto crossings = [&](int size) {
        const std::vector<float> v = bank.Render(Sound::Pop, size, 48000);
        int n = 0;
        for (size_t i = 1; i < 48000 / 20; ++i) n += (v[i - 1] < 0) != (v[i] < 0);
        return n;
    };
    EXPECT_GT(crossings(2), crossings(3));
    EXPECT_GT(crossings(3), crossings(4));
    // Rates from 8 kHz to 192 kHz, and no others.
    for (int rate : {10, 7999, 192001}) EXPECT_TRUE(bank.Render(Sound::Shot, 0, rate).empty());
    for (int rate : {8000, 192000}) EXPECT_FALSE(bank.Render(Sound::Shot, 0, rate).empty());
}

}  // namespace
}  // namespace qbx::sound
