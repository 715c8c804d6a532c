// The sound effects the screens ask for. The rules name the effect; a backend plays it (or
// records it, headless).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// The music under the effects: one piece at a time, each for a moment of the game.
enum class Music : uint8_t {
    None,  // silence: the death sequence, and before anything asked for music
    Menu,
    Level1,  // levels 1 to 5
    Level2,  // 6 to 10
    Level3,  // 11 to 15
    Level4,  // 16 and after
    Hurry,   // the time bonus has fallen below a tenth of the level's
    Complete,
    GameOver,
};
inline constexpr int kMusicCount = 9;

// The piece's name, as the headless driver reports it.
constexpr std::string_view MusicName(Music m) {
    constexpr std::string_view names[kMusicCount] = {
        "none", "menu", "level1", "level2", "level3", "level4", "hurry", "complete", "gameover"};
    return names[static_cast<int>(m)];
}

// The level themes take turns by five levels.
constexpr Music LevelMusic(int level) {
    if (level <= 5) return Music::Level1;
    if (level <= 10) return Music::Level2;
    if (level <= 15) return Music::Level3;
    return Music::Level4;
}

// The music as an audio thread plays it: told which piece the game asks for, then asked for
// block after block of samples. Neither call allocates, locks or waits.
class MusicSource {
public:
    virtual ~MusicSource() = default;
    // serial tells a piece asked for anew from the same piece going on; audible is the
    // player's choice.
    virtual void Set(Music piece, uint32_t serial, bool paused, bool audible) = 0;
    // Writes the next n samples; ducked lowers the music under an effect.
    virtual void Render(float* out, size_t n, bool ducked) = 0;
    // Nothing sounds now and nothing would until the next Set.
    virtual bool Silent() const = 0;
};

// The effects' samples, for a backend that plays them: mono, in [-1, 1]; and the music.
class SoundBank {
public:
    virtual ~SoundBank() = default;
    virtual std::vector<float> Render(Sound effect, int variant, int sampleRate) const = 0;
    // The music at that sample rate, or null for none.
    virtual std::unique_ptr<MusicSource> MakeMusic(int /*sampleRate*/) const { return nullptr; }
};

}  // namespace qbx
