// Every sound effect of the game, synthesised by code: short tones, sweeps and chimes, each under
// a second and all at the same loudness.
#pragma once

#include <vector>

#include "engine/sound.h"

namespace qbx::sound {

class Effects : public SoundBank {
public:
    std::vector<float> Render(Sound effect, int variant, int sampleRate) const override;
    std::unique_ptr<MusicSource> MakeMusic(int sampleRate) const override;
};

// The loudness every effect is brought to: the RMS of its sounding part.
inline constexpr double kTargetRms = 0.18;
// Root mean square over the samples louder than a thousandth of the peak.
double SoundingRms(const std::vector<float>& samples);

}  // namespace qbx::sound
