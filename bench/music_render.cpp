// Renders the game's music as the audio device would hear it, for measuring: each piece to a
// WAV file (32-bit float, mono), and the time the synthesiser takes for a second of music.
//
//   quibblix_music_render DIR [SECONDS]     every piece, DIR/<piece>.wav, SECONDS of each loop
//                                           (default 60; the short pieces once)
//   quibblix_music_render --effects DIR     every effect at the level the mixer plays it,
//                                           DIR/effect-<name>.wav: one after another, back to
//                                           back for ten seconds, so that a loudness meter's
//                                           blocks hold nothing but the effect
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "backends/qt/sound_output.h"
#include "sound/effects.h"
#include "sound/music.h"

namespace {

constexpr int kRate = 48000;

void Put32(std::FILE* f, uint32_t v) {
    std::fwrite(&v, 4, 1, f);
}
void Put16(std::FILE* f, uint16_t v) {
    std::fwrite(&v, 2, 1, f);
}

bool WriteWav(const std::string& path, const std::vector<float>& s) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const uint32_t bytes = static_cast<uint32_t>(s.size() * 4);
    std::fwrite("RIFF", 1, 4, f);
    Put32(f, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    Put32(f, 16);
    Put16(f, 3);  // IEEE float
    Put16(f, 1);
    Put32(f, kRate);
    Put32(f, kRate * 4);
    Put16(f, 4);
    Put16(f, 32);
    std::fwrite("data", 1, 4, f);
    Put32(f, bytes);
    std::fwrite(s.data(), 4, s.size(), f);
    return std::fclose(f) == 0;
}

// The time this process has run on a core: the figure a busy machine does not inflate.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int RenderEffects(const std::string& dir) {
    const qbx::sound::Effects bank;
    struct One {
        qbx::Sound effect;
        int variant;
        std::string name;
    };
    std::vector<One> all;
    for (int k = 0; k < qbx::kSoundCount; ++k) {
        const auto effect = static_cast<qbx::Sound>(k);
        if (effect == qbx::Sound::Pop)
            for (int size = 2; size <= 4; ++size)
                all.push_back({effect, size, "pop" + std::to_string(size)});
        else
            all.push_back({effect, 0, std::string(qbx::SoundName(effect))});
    }
    for (const One& one : all) {
        const std::vector<float> once = bank.Render(one.effect, one.variant, kRate);
        if (once.empty()) continue;
        std::vector<float> s;
        while (s.size() < static_cast<size_t>(10 * kRate))
            for (float v : once) s.push_back(v * qbx::Mixer::kEffectsLevel);
        float peak = 0;
        for (float v : once) peak = std::max(peak, std::abs(v) * qbx::Mixer::kEffectsLevel);
        if (!WriteWav(dir + "/effect-" + one.name + ".wav", s)) {
            std::fprintf(stderr, "cannot write %s/effect-%s.wav\n", dir.c_str(), one.name.c_str());
            return 1;
        }
        std::printf("%-10s %.3f s  peak %.3f\n", one.name.c_str(),
                    static_cast<double>(once.size()) / kRate, peak);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::string(argv[1]) == "--effects" && argc < 3)) {
        std::fprintf(stderr, "usage: quibblix_music_render DIR [SECONDS] | --effects DIR\n");
        return 2;
    }
    if (std::string(argv[1]) == "--effects") return RenderEffects(argv[2]);
    const std::string dir = argv[1];
    const double seconds = argc > 2 ? std::atof(argv[2]) : 60;
    for (int k = 1; k < qbx::kMusicCount; ++k) {
        const auto piece = static_cast<qbx::Music>(k);
        const qbx::sound::Score& score = qbx::sound::ScoreOf(piece);
        const double loopS = score.steps * 15.0 / score.bpm;
        const double length = score.loops ? seconds : loopS + 2;
        std::vector<float> s(static_cast<size_t>(length * kRate));
        qbx::sound::MusicPlayer p(kRate);
        p.Start(&score);
        const double t0 = CpuSeconds();
        for (size_t at = 0; at < s.size(); at += 256)
            p.Render(s.data() + at, std::min<size_t>(256, s.size() - at));
        const double cpu = CpuSeconds() - t0;
        float peak = 0;
        for (float v : s) peak = std::max(peak, std::abs(v));
        const std::string name(qbx::MusicName(piece));
        if (!WriteWav(dir + "/" + name + ".wav", s)) {
            std::fprintf(stderr, "cannot write %s/%s.wav\n", dir.c_str(), name.c_str());
            return 1;
        }
        // The largest step between neighbouring samples 2 ms either side of each loop point,
        // against the largest anywhere else.
        float seam = 0, elsewhere = 0;
        const auto loop = static_cast<size_t>(std::llround(loopS * kRate));
        const size_t near = kRate / 500;
        for (size_t k = 1; k < s.size(); ++k) {
            const float step = std::abs(s[k] - s[k - 1]);
            const size_t from = k % loop;
            const bool atSeam =
                score.loops && k >= loop - near && (from < near || from > loop - near);
            (atSeam ? seam : elsewhere) = std::max(atSeam ? seam : elsewhere, step);
        }
        std::printf("%-9s loop %5.2f s  rendered %6.1f s  peak %.3f  cpu %.3f%% of a core",
                    name.c_str(), loopS, length, peak, 100 * cpu / length);
        if (score.loops) std::printf("  seam step %.4f, elsewhere %.4f", seam, elsewhere);
        std::printf("\n");
    }
    return 0;
}
