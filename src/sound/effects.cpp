// The effects are sums of voices: a tone or a noise burst with a pitch sweep and a short attack
// and decay. Each is then brought to the same loudness.
#include "sound/effects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sound/music.h"

namespace qbx::sound {
namespace {

constexpr double kPi = 3.14159265358979323846;

enum class Wave { Sine, Triangle, Bell, Noise };

struct Voice {
    double start;   // seconds
    double length;  // seconds
    double fromHz;  // the pitch sweeps exponentially from fromHz to toHz
    double toHz;
    Wave wave = Wave::Sine;
    double gain = 1.0;
    double vibratoHz = 0.0;  // a slow wobble of the pitch, a few percent deep
};

double WaveAt(Wave w, double phase, uint32_t& noise) {
    switch (w) {
        case Wave::Sine:
            return std::sin(2 * kPi * phase);
        case Wave::Triangle: {
            const double t = phase - std::floor(phase);
            return 4 * std::abs(t - 0.5) - 1;
        }
        case Wave::Bell:
            // A sine with two soft overtones: rounder than a pure tone.
            return std::sin(2 * kPi * phase) + 0.35 * std::sin(4 * kPi * phase) +
                   0.12 * std::sin(6 * kPi * phase);
        case Wave::Noise:
            noise = noise * 1664525u + 1013904223u;
            return static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
    }
    return 0;
}

void Add(std::vector<float>& out, const Voice& v, int rate) {
    const auto first = static_cast<size_t>(v.start * rate);
    const auto count = static_cast<size_t>(v.length * rate);
    if (out.size() < first + count) out.resize(first + count, 0.0f);
    const double attack = std::min(0.006, v.length / 4);
    double phase = 0;
    uint32_t noise = 0x9e3779b9u;
    for (size_t k = 0; k < count; ++k) {
        const double t = static_cast<double>(k) / rate;
        const double along = t / v.length;
        double hz = v.fromHz * std::pow(v.toHz / v.fromHz, along);
        if (v.vibratoHz > 0) hz *= 1 + 0.03 * std::sin(2 * kPi * v.vibratoHz * t);
        phase += hz / rate;
        // A quick rise, then a decay that reaches silence exactly at the end: no click.
        const double envelope = (t < attack ? t / attack : 1.0) * std::pow(1 - along, 1.6) * v.gain;
        out[first + k] += static_cast<float>(envelope * WaveAt(v.wave, phase, noise));
    }
}

std::vector<Voice> VoicesOf(Sound effect, int variant) {
    switch (effect) {
        case Sound::Countdown:
            return {{0, 0.14, 880, 880, Wave::Bell}};
        case Sound::Go:
            return {{0, 0.12, 660, 660, Wave::Bell}, {0.1, 0.26, 990, 990, Wave::Bell}};
        case Sound::Shot:
            return {{0, 0.12, 1500, 520, Wave::Triangle}};
        case Sound::Pop: {
            // The bigger the bubble, the deeper its pop.
            const double base = variant >= 4 ? 300 : variant == 3 ? 440 : 640;
            return {{0, 0.13, base * 1.7, base * 0.7, Wave::Sine},
                    {0, 0.035, 2000, 2000, Wave::Noise, 0.5}};
        }
        case Sound::Vanish:
            return {{0, 0.09, 1800, 2600, Wave::Sine}, {0.06, 0.12, 2600, 3400, Wave::Sine, 0.7}};
        case Sound::Drop:
            return {{0, 0.22, 900, 430, Wave::Triangle}};
        case Sound::Powerup:
            return {{0, 0.09, 523, 523, Wave::Bell},
                    {0.06, 0.09, 659, 659, Wave::Bell},
                    {0.12, 0.09, 784, 784, Wave::Bell},
                    {0.18, 0.16, 1047, 1047, Wave::Bell}};
        case Sound::ExtraLife:
            return {{0, 0.12, 523, 523, Wave::Bell},
                    {0.08, 0.12, 659, 659, Wave::Bell},
                    {0.16, 0.12, 784, 784, Wave::Bell},
                    {0.24, 0.12, 1047, 1047, Wave::Bell},
                    {0.32, 0.3, 1319, 1319, Wave::Bell}};
        case Sound::Wall:
            // Partials that are no harmonics of one another ring like metal.
            return {{0, 0.4, 220, 218, Wave::Sine},
                    {0, 0.3, 587, 585, Wave::Sine, 0.6},
                    {0, 0.22, 1021, 1019, Wave::Sine, 0.4},
                    {0, 0.15, 1463, 1460, Wave::Sine, 0.3}};
        case Sound::Death:
            return {{0, 0.75, 700, 110, Wave::Triangle, 1.0, 7}};
        case Sound::Complete:
            return {{0, 0.14, 523, 523, Wave::Bell},
                    {0.12, 0.14, 659, 659, Wave::Bell},
                    {0.24, 0.14, 784, 784, Wave::Bell},
                    {0.36, 0.42, 1047, 1047, Wave::Bell}};
        case Sound::GameOver:
            return {{0, 0.3, 392, 392, Wave::Bell},
                    {0.26, 0.3, 330, 330, Wave::Bell},
                    {0.52, 0.42, 262, 250, Wave::Bell}};
    }
    return {};
}

}  // namespace

double SoundingRms(const std::vector<float>& samples) {
    float peak = 0;
    for (float s : samples) peak = std::max(peak, std::abs(s));
    double sum = 0;
    size_t n = 0;
    for (float s : samples)
        if (std::abs(s) > peak / 1000) {
            sum += static_cast<double>(s) * s;
            ++n;
        }
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

std::vector<float> Effects::Render(Sound effect, int variant, int sampleRate) const {
    std::vector<float> out;
    if (sampleRate < 8000 || sampleRate > 192000) return out;
    for (const Voice& v : VoicesOf(effect, variant)) Add(out, v, sampleRate);
    const double rms = SoundingRms(out);
    if (rms <= 0) return out;
    // The same loudness for every effect, with the peaks kept clear of the top.
    double gain = kTargetRms / rms;
    float peak = 0;
    for (float s : out) peak = std::max(peak, std::abs(s));
    gain = std::min(gain, 0.9 / peak);
    for (float& s : out) s = static_cast<float>(s * gain);
    return out;
}

std::unique_ptr<MusicSource> Effects::MakeMusic(int sampleRate) const {
    return std::make_unique<MusicDeck>(sampleRate);
}

}  // namespace qbx::sound
