// The sound effects the screens ask for. The rules name the effect; a backend plays it (or
// records it, headless).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qbx {

enum class Sound : uint8_t {
    Countdown,  // "3", "2", "1"
    Go,         // play starts
    Shot,       // an arrow is fired
    Pop,        // a bubble splits; the variant is its size before the split (2 to 4)
    Vanish,     // a smallest bubble is shot
    Drop,       // a power-up appears
    Powerup,    // one is collected
    ExtraLife,
    Wall,  // a wall arrow stands
    Death,
    Complete,  // the level is cleared
    GameOver,
};
inline constexpr int kSoundCount = 12;

// The effect's name, as the headless driver reports it.
constexpr std::string_view SoundName(Sound s) {
    constexpr std::string_view names[kSoundCount] = {"countdown", "go",    "shot",     "pop",
                                                     "vanish",    "drop",  "powerup",  "extralife",
                                                     "wall",      "death", "complete", "gameover"};
    return names[static_cast<int>(s)];
}

// The effects' samples, for a backend that plays them: mono, in [-1, 1].
class SoundBank {
public:
    virtual ~SoundBank() = default;
    virtual std::vector<float> Render(Sound effect, int variant, int sampleRate) const = 0;
};

}  // namespace qbx
