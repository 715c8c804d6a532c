// Opening the audio device, and mixing the effects that sound together.
#include "backends/qt/sound_output.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "backends/qt/sdl.h"
#include "backends/qt/steady_clock.h"

namespace qbx {
namespace {

// 48 kHz in blocks of 256 samples: 5.3 ms a block.
constexpr int kRate = 48000;
constexpr int kBlock = 256;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card, ALSA's library writes a page of its own errors on standard error while
// SDL looks for a device; the game says it has no sound in one line instead. SDL loads the same
// library later, so the handler set here holds for it.
void QuietAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&IgnoreAlsaError);
}

}  // namespace

SoundOutput::SoundOutput(const SoundBank& bank) {
    // Started once every member is in place: the thread writes them.
    opener_ = std::thread([this, &bank] { Open(bank); });
}

SoundOutput::~SoundOutput() {
    WaitUntilOpened();
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        std::lock_guard<std::mutex> lock(SdlMutex());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void SoundOutput::WaitUntilOpened() {
    if (opener_.joinable()) opener_.join();
}

void SoundOutput::Open(const SoundBank& bank) {
    QuietAlsa();
    if (SdlInitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "Quibblix plays without sound: %s\n", SDL_GetError());
        return;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = kRate;
    want.format = AUDIO_F32SYS;
    want.channels = 1;
    want.samples = kBlock;
    want.callback = &SoundOutput::Mix;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device_ == 0) {
        std::fprintf(stderr, "Quibblix plays without sound: %s\n", SDL_GetError());
        std::lock_guard<std::mutex> lock(SdlMutex());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    sampleRate_ = have.freq;
    bufferSamples_ = have.samples;
    for (int k = 0; k < kSoundCount; ++k)
        effects_[static_cast<size_t>(k)] = bank.Render(static_cast<Sound>(k), 0, sampleRate_);
    for (int size = 0; size < kPopVariants; ++size)
        pops_[static_cast<size_t>(size)] = bank.Render(Sound::Pop, size, sampleRate_);
    // The music is played as it goes, a block at a time: nothing to render ahead.
    music_ = bank.MakeMusic(sampleRate_);
    mixer_.SetMusic(music_.get());
    SDL_PauseAudioDevice(device_, 0);
    ready_.store(true, std::memory_order_release);
}

const std::vector<float>& SoundOutput::Samples(Sound effect, int variant) const {
    if (effect == Sound::Pop && variant >= 0 && variant < kPopVariants)
        return pops_[static_cast<size_t>(variant)];
    return effects_[static_cast<size_t>(effect)];
}

void SoundOutput::Play(Sound effect, int variant) {
    if (!Ready()) return;
    const std::vector<float>& samples = Samples(effect, variant);
    if (samples.empty()) return;
    SDL_LockAudioDevice(device_);
    mixer_.Start(samples, SteadyNowNs());
    SDL_UnlockAudioDevice(device_);
}

int SoundOutput::Sounding() const {
    if (!Ready()) return 0;
    SDL_LockAudioDevice(device_);
    const int n = mixer_.Sounding();
    SDL_UnlockAudioDevice(device_);
    return n;
}

double SoundOutput::BufferMs() const {
    // The opening thread writes the device's figures until it says the sound is ready.
    if (!Ready()) return 0;
    return sampleRate_ > 0 ? 1000.0 * bufferSamples_ / sampleRate_ : 0;
}

void SoundOutput::Mix(void* self, uint8_t* stream, int bytes) {
    auto& out = *static_cast<SoundOutput*>(self);
    if (out.music_) {
        const uint32_t cue = out.cue_.load(std::memory_order_acquire);
        if (cue != out.cueTaken_) {
            out.cueTaken_ = cue;
            const MusicCue c = MusicCue::Unpack(cue);
            out.music_->Set(c.piece, c.serial, c.paused, c.audible);
        }
    }
    const int64_t waited =
        out.mixer_.MixInto(reinterpret_cast<float*>(stream),
                           static_cast<size_t>(bytes) / sizeof(float), SteadyNowNs());
    if (waited > 0) {
        // Only the mixing thread writes these.
        const double ms = static_cast<double>(waited) / 1e6;
        if (ms > out.maxDelayMs_.load(std::memory_order_relaxed))
            out.maxDelayMs_.store(ms, std::memory_order_relaxed);
        out.started_.fetch_add(1, std::memory_order_relaxed);
    }
}

// ---- mixer ----

void Mixer::Start(const std::vector<float>& samples, int64_t askedNs) {
    Voice* best = &voices_[0];
    for (Voice& v : voices_) {
        if (!v.samples) {
            best = &v;
            break;
        }
        if (v.samples->size() - v.at < best->samples->size() - best->at) best = &v;
    }
    *best = Voice{&samples, 0, askedNs};
}

int Mixer::Sounding() const {
    return static_cast<int>(std::count_if(voices_.begin(), voices_.end(),
                                          [](const Voice& v) { return v.samples != nullptr; }));
}

int64_t Mixer::MixInto(float* out, size_t n, int64_t nowNs) {
    int64_t waited = 0;
    bool effects = false;
    std::fill(out, out + n, 0.0f);
    for (Voice& v : voices_) {
        if (!v.samples) continue;
        effects = true;
        if (v.askedNs != 0) {
            waited = std::max<int64_t>(1, nowNs - v.askedNs);
            v.askedNs = 0;
        }
        const size_t take = std::min(n, v.samples->size() - v.at);
        const float* from = v.samples->data() + v.at;
        for (size_t k = 0; k < take; ++k) out[k] += from[k];
        v.at += take;
        if (v.at >= v.samples->size()) v = Voice{};
    }
    if (!music_ || music_->Silent()) {
        // Effects that sound together stay clear of the top.
        for (size_t k = 0; k < n; ++k) out[k] = std::clamp(out[k] * kEffectsLevel, -1.0f, 1.0f);
        return waited;
    }
    for (size_t at = 0; at < n; at += musicBlock_.size()) {
        const size_t m = std::min(musicBlock_.size(), n - at);
        music_->Render(musicBlock_.data(), m, effects);
        for (size_t k = 0; k < m; ++k) {
            const float x = out[at + k] * kEffectsLevel + musicBlock_[k];
            const float a = std::abs(x);
            // Above the knee the sum bends towards the ceiling and never passes it.
            const float room = kCeiling - kKnee;
            out[at + k] =
                a <= kKnee ? x : std::copysign(kKnee + room * std::tanh((a - kKnee) / room), x);
        }
    }
    return waited;
}

}  // namespace qbx
