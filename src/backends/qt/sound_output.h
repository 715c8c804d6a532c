// The game's sound in a real window: SDL's audio device and a mixer that plays several effects
// at once.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "engine/sound.h"

namespace qbx {

// Sums the effects that sound together, each from its start to its end; at most kVoices at
// once, a new one taking the place of the one nearest its end. Under them the music, lowered
// while an effect sounds; while it sounds the sum is kept below full scale by a soft knee, and
// while it is silent the effects are mixed as they always were.
class Mixer {
public:
    static constexpr int kVoices = 16;
    // Every effect is mixed this far below its samples: room for a few to sound together.
    static constexpr float kEffectsLevel = 0.8f;
    // Two decibels below full scale: room for the peaks between samples.
    static constexpr float kKnee = 0.7f, kCeiling = 0.79f;
    // The music to mix under the effects (null: none); the mixer never owns it.
    void SetMusic(MusicSource* music) { music_ = music; }
    // Starts an effect; askedNs is when it was asked for (0: not timed).
    void Start(const std::vector<float>& samples, int64_t askedNs);
    // Mixes the next n samples into out; returns the time an effect waited for its first
    // samples, in nanoseconds, or 0 when none started now.
    int64_t MixInto(float* out, size_t n, int64_t nowNs);
    int Sounding() const;

private:
    struct Voice {
        const std::vector<float>* samples = nullptr;
        size_t at = 0;
        int64_t askedNs = 0;  // 0 once its first samples were mixed
    };
    std::array<Voice, kVoices> voices_{};
    MusicSource* music_ = nullptr;
    std::array<float, 512> musicBlock_{};
};

// What the game asks of the music, packed for the audio thread to read without a lock.
struct MusicCue {
    Music piece = Music::None;
    uint32_t serial = 0;  // 22 bits
    bool paused = false;
    bool audible = true;
    uint32_t Pack() const {
        return static_cast<uint32_t>(piece) | (paused ? 0x100u : 0) | (audible ? 0x200u : 0) |
               (serial << 10);
    }
    static MusicCue Unpack(uint32_t v) {
        return {static_cast<Music>(v & 0xff), v >> 10, (v & 0x100) != 0, (v & 0x200) != 0};
    }
};

class SoundOutput {
public:
    // Opens the default audio device and renders the effects in the background, so the program
    // starts without waiting for either. Until both are ready, and where there is no device at
    // all (said once on standard error), effects are not heard. The bank must outlive it.
    explicit SoundOutput(const SoundBank& bank);
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    void Play(Sound effect, int variant);
    // The music the game asks for; taken by the audio thread at its next block, never waited on.
    void CueMusic(const MusicCue& cue) { cue_.store(cue.Pack(), std::memory_order_release); }
    bool Ready() const { return ready_.load(std::memory_order_acquire); }
    // Waits until opening the device has come to an end, one way or the other.
    void WaitUntilOpened();
    // The device's buffer in milliseconds: the longest an effect waits to be mixed.
    double BufferMs() const;
    // How many effects are sounding now; how many have started, and the longest any waited
    // between being asked for and its first samples being mixed (the tick log reports them).
    int Sounding() const;
    double MaxStartDelayMs() const { return maxDelayMs_.load(std::memory_order_relaxed); }
    int64_t Started() const { return started_.load(std::memory_order_relaxed); }

private:
    static constexpr int kPopVariants = 5;  // pop by bubble size 0 to 4

    void Open(const SoundBank& bank);
    static void Mix(void* self, uint8_t* stream, int bytes);
    const std::vector<float>& Samples(Sound effect, int variant) const;

    std::thread opener_;
    std::atomic<bool> ready_{false};
    uint32_t device_ = 0;
    int sampleRate_ = 0;
    int bufferSamples_ = 0;
    std::array<std::vector<float>, kSoundCount> effects_;
    std::array<std::vector<float>, kPopVariants> pops_;
    Mixer mixer_;
    std::unique_ptr<MusicSource> music_;
    std::atomic<uint32_t> cue_{MusicCue{}.Pack()};
    uint32_t cueTaken_ = ~0u;  // the audio thread's own
    std::atomic<double> maxDelayMs_{0};
    std::atomic<int64_t> started_{0};
};

}  // namespace qbx
