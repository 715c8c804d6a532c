// Reading the scores, and the synthesiser: wave tables of a few harmonics for the pitched
// instruments, swept sines and noise for the drums, each with an envelope that starts and ends
// at silence.
#include "sound/music.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace qbx::sound {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kStepsPerBar = 16;

// ---- reading ----

// The words of a line; a bar line is a word of its own, spaced or not.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> out;
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && space(line[i])) ++i;
        size_t j = i;
        if (j < line.size() && line[j] == '|')
            ++j;
        else
            while (j < line.size() && !space(line[j]) && line[j] != '|') ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

bool ParseInt(std::string_view s, int& v) {
    if (s.empty() || s.size() > 6) return false;
    v = 0;
    for (char ch : s) {
        if (ch < '0' || ch > '9') return false;
        v = v * 10 + (ch - '0');
    }
    return true;
}

// A pitch such as "c4", "f#3", "bb5" as a MIDI key.
std::optional<int> ParsePitch(std::string_view s) {
    static constexpr int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (s.size() < 2 || s[0] < 'a' || s[0] > 'g') return std::nullopt;
    int key = kSemitone[s[0] - 'a'];
    size_t i = 1;
    if (s[i] == '#') {
        ++key;
        ++i;
    } else if (s[i] == 'b' && i + 1 < s.size()) {
        --key;
        ++i;
    }
    int octave = 0;
    if (!ParseInt(s.substr(i), octave) || octave > 8) return std::nullopt;
    key += 12 * (octave + 1);
    if (key < 12 || key > 120) return std::nullopt;
    return key;
}

std::optional<Instrument> DrumOf(std::string_view s) {
    if (s == "k") return Instrument::Kick;
    if (s == "s") return Instrument::Snare;
    if (s == "h") return Instrument::Hat;
    if (s == "o") return Instrument::OpenHat;
    return std::nullopt;
}

std::optional<Instrument> PartOf(std::string_view s) {
    if (s == "lead") return Instrument::Lead;
    if (s == "bass") return Instrument::Bass;
    if (s == "chords") return Instrument::Chords;
    if (s == "bell") return Instrument::Bell;
    if (s == "drums") return Instrument::Kick;
    return std::nullopt;
}

struct PartState {
    int32_t at = 0;        // where its next note starts
    int32_t barStart = 0;  // where its bar began
    int lastSteps = 4;
};

}  // namespace

std::optional<Score> ParseScore(std::string_view text, std::string* error) {
    Score score;
    std::array<PartState, kInstrumentCount> parts{};
    bool stepsGiven = false;
    int lineNo = 0;
    auto fail = [&](const std::string& why) -> std::optional<Score> {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNo;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        // A comment begins with a word that starts with "#" (a sharp is inside a word).
        for (size_t i = 0; i < line.size(); ++i)
            if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
                line = line.substr(0, i);
                break;
            }
        const std::vector<std::string_view> w = Words(line);
        if (w.empty()) continue;
        if (w[0] == "tempo" || w[0] == "steps" || w[0] == "loop" || w[0] == "gain") {
            if (w.size() != 2) return fail("a setting takes one value");
            int v = 0;
            if (w[0] == "loop") {
                if (w[1] != "yes" && w[1] != "no") return fail("loop is yes or no");
                score.loops = w[1] == "yes";
            } else if (w[0] == "gain") {
                const std::string s(w[1]);
                char* rest = nullptr;
                const double g = std::strtod(s.c_str(), &rest);
                if (rest == s.c_str() || *rest != 0 || !(g > 0 && g <= 4))
                    return fail("gain is a number above 0, at most 4");
                score.gain = static_cast<float>(g);
            } else if (!ParseInt(w[1], v) || v <= 0) {
                return fail(std::string(w[0]) + " is a whole number above 0");
            } else if (w[0] == "tempo") {
                if (v < 40 || v > 300) return fail("tempo is 40 to 300 beats a minute");
                score.bpm = v;
            } else {
                score.steps = v;
                stepsGiven = true;
            }
            continue;
        }
        const std::optional<Instrument> part = PartOf(w[0]);
        if (!part) return fail("no such part: " + std::string(w[0]));
        const bool drums = *part == Instrument::Kick;
        PartState& ps = parts[static_cast<size_t>(*part)];
        for (size_t k = 1; k < w.size(); ++k) {
            std::string_view tok = w[k];
            if (tok == "|") {
                if (ps.at - ps.barStart != kStepsPerBar && ps.at != ps.barStart)
                    return fail("a bar of " + std::to_string(ps.at - ps.barStart) +
                                " sixteenths, not 16, before bar line " + std::to_string(k));
                ps.barStart = ps.at;
                continue;
            }
            float velocity = 1.0f;
            if (tok.back() == '!') {
                velocity = 1.35f;
                tok.remove_suffix(1);
            }
            int steps = ps.lastSteps;
            if (const size_t colon = tok.find(':'); colon != std::string_view::npos) {
                if (!ParseInt(tok.substr(colon + 1), steps) || steps <= 0 || steps > 64)
                    return fail("a length is 1 to 64 sixteenths: " + std::string(w[k]));
                tok = tok.substr(0, colon);
            }
            ps.lastSteps = steps;
            if (tok != "r") {
                size_t from = 0;
                while (from <= tok.size()) {
                    const size_t plus = std::min(tok.find('+', from), tok.size());
                    const std::string_view one = tok.substr(from, plus - from);
                    ScoreNote n{.step = ps.at, .steps = steps, .velocity = velocity};
                    if (drums) {
                        const std::optional<Instrument> d = DrumOf(one);
                        if (!d) return fail("no such drum: " + std::string(one));
                        n.instrument = *d;
                    } else {
                        const std::optional<int> key = ParsePitch(one);
                        if (!key) return fail("not a pitch: " + std::string(one));
                        n.key = static_cast<int8_t>(*key);
                        n.instrument = *part;
                    }
                    score.notes.push_back(n);
                    from = plus + 1;
                }
            }
            ps.at += steps;
        }
    }
    int32_t longest = 0;
    for (const PartState& ps : parts) longest = std::max(longest, ps.at);
    if (!stepsGiven) score.steps = longest;
    if (score.steps <= 0) return fail("a score with no notes");
    for (const PartState& ps : parts)
        if (ps.at != 0 && ps.at != score.steps)
            return fail("a part of " + std::to_string(ps.at) + " sixteenths in a piece of " +
                        std::to_string(score.steps));
    std::stable_sort(score.notes.begin(), score.notes.end(),
                     [](const ScoreNote& a, const ScoreNote& b) { return a.step < b.step; });
    return score;
}

const Score& ScoreOf(Music piece) {
    static std::array<Score, kMusicCount> scores;
    static std::once_flag once;
    std::call_once(once, [] {
        for (int k = 0; k < kMusicCount; ++k) {
            const std::string_view text = ScoreText(static_cast<Music>(k));
            if (text.empty()) continue;
            // The scores are part of the program and read by the tests; one that fails stays
            // silent rather than playing half of itself.
            if (std::optional<Score> s = ParseScore(text)) scores[static_cast<size_t>(k)] = *s;
        }
    });
    return scores[static_cast<size_t>(piece)];
}

// ---- the synthesiser ----
//
// The oscillators count their phase in 32-bit fixed point (a whole cycle is 2^32), read wave
// tables of 4096 points between which they interpolate, and keep their envelopes in single
// precision: a few multiplications a voice and a sample.

namespace {

constexpr int kTableBits = 12;
constexpr int kTableSize = 1 << kTableBits;
using Table = std::array<float, kTableSize + 1>;  // the first point again at the end
constexpr double kCycle = 4294967296.0;

struct Tone {
    const Table* table;
    double attackS, decayS, sustain, releaseS;
    double gain;
    double detune;  // a second oscillator this far apart, in cycles per cycle (0: none)
    double hold;    // the share of the note's length it is held
};

Table MakeTable(std::initializer_list<double> harmonics) {
    Table t{};
    double peak = 0;
    for (int i = 0; i < kTableSize; ++i) {
        double v = 0;
        int h = 1;
        for (double a : harmonics) v += a * std::sin(2 * kPi * h++ * i / kTableSize);
        t[static_cast<size_t>(i)] = static_cast<float>(v);
        peak = std::max(peak, std::abs(v));
    }
    for (float& v : t) v = static_cast<float>(v / peak);
    t[kTableSize] = t[0];
    return t;
}

const Table& SineTable() {
    static const Table sine = MakeTable({1});
    return sine;
}

const Tone& ToneOf(Instrument i) {
    // A soft square for the tune, a round bass, a bright pad for the chords, a glassy bell.
    static const Table lead = MakeTable({1, 0.12, 0.33, 0.06, 0.18, 0, 0.09});
    static const Table bass = MakeTable({1, 0.55, 0.25, 0.12, 0.05});
    static const Table pad = MakeTable({1, 0.5, 0.33, 0.25, 0.2, 0.16, 0.12});
    static const Table bell = MakeTable({1, 0.45, 0, 0.22, 0, 0, 0, 0.08});
    static const std::array<Tone, 4> tones = {{
        {&lead, 0.008, 0.12, 0.7, 0.07, 0.34, 0, 0.88},
        {&bass, 0.004, 0.18, 0.55, 0.05, 0.45, 0, 0.9},
        {&pad, 0.03, 0.4, 0.6, 0.12, 0.11, 0.004, 1.0},
        {&bell, 0.003, 0.45, 0.0, 0.2, 0.22, 0, 1.0},
    }};
    return tones[static_cast<size_t>(i)];
}

float Coefficient(double seconds, int rate) {
    return seconds <= 0 ? 0.0f : static_cast<float>(std::exp(-1.0 / (seconds * rate)));
}

inline float TableAt(const Table& t, uint32_t phase) {
    const uint32_t i = phase >> (32 - kTableBits);
    const float f = static_cast<float>(phase & ((1u << (32 - kTableBits)) - 1)) *
                    (1.0f / static_cast<float>(1u << (32 - kTableBits)));
    return t[i] + (t[i + 1] - t[i]) * f;
}

inline float NoiseAt(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) * (1.0f / 8388608.0f) - 1.0f;
}

uint32_t Increment(double hz, int rate) {
    return static_cast<uint32_t>(std::llround(hz / rate * kCycle));
}

}  // namespace

MusicPlayer::MusicPlayer(int sampleRate) : rate_(std::clamp(sampleRate, 8000, 192000)) {
    // The tables are built here, never on the audio thread.
    SineTable();
    for (int k = 0; k < 4; ++k) ToneOf(static_cast<Instrument>(k));
    fadeIn_ = std::max(1, rate_ / 1000);
    vibratoInc_ = Increment(5.5, rate_);
    vibratoDelay_ = rate_ / 5;
    // The kick falls from 162 Hz to 42 Hz.
    kickLow_ = static_cast<float>(42.0 / rate_ * kCycle);
    kickSweep_ = static_cast<float>(120.0 / rate_ * kCycle);
}

void MusicPlayer::Start(const Score* score) {
    score_ = score && score->steps > 0 ? score : nullptr;
    for (Voice& v : voices_) v = Voice{};
    used_ = 0;
    next_ = 0;
    position_ = 0;
    ended_ = score_ == nullptr;
    nextAt_ = INT64_MAX;
    if (!score_) return;
    samplesPerStep_ = rate_ * 60.0 / score_->bpm / 4;
    loopSamples_ = std::llround(score_->steps * samplesPerStep_);
    if (!score_->notes.empty()) nextAt_ = std::llround(score_->notes[0].step * samplesPerStep_);
}

bool MusicPlayer::Finished() const {
    if (!ended_) return false;
    return std::none_of(voices_.begin(), voices_.end(), [](const Voice& v) { return v.on; });
}

void MusicPlayer::StartNote(const ScoreNote& note) {
    // A free voice, or else the quietest.
    Voice* v = &voices_[0];
    for (Voice& c : voices_) {
        if (!c.on) {
            v = &c;
            break;
        }
        if (c.level * c.amp < v->level * v->amp) v = &c;
    }
    *v = Voice{};
    v->on = true;
    used_ = std::max(used_, static_cast<int>(v - voices_.data()) + 1);
    v->instrument = note.instrument;
    const double hz = 440.0 * std::pow(2.0, (note.key - 69) / 12.0);
    v->inc = Increment(hz, rate_);
    v->level = 1;
    const int64_t held = std::llround(note.steps * samplesPerStep_);
    switch (note.instrument) {
        case Instrument::Kick:
            v->amp = 0.6f * note.velocity;
            v->length = rate_ * 35 / 100;
            v->sweep = 1;
            v->decay = Coefficient(0.12, rate_);
            v->release = Coefficient(0.028, rate_);  // the pitch's fall
            break;
        case Instrument::Snare:
            v->amp = 0.45f * note.velocity;
            v->length = rate_ * 28 / 100;
            v->decay = Coefficient(0.07, rate_);
            v->inc = Increment(190, rate_);
            v->noise = 0x2545f491u;
            break;
        case Instrument::Hat:
        case Instrument::OpenHat: {
            const bool closed = note.instrument == Instrument::Hat;
            v->amp = (closed ? 0.16f : 0.13f) * note.velocity;
            v->length = rate_ * (closed ? 8 : 40) / 100;
            v->decay = Coefficient(closed ? 0.022 : 0.11, rate_);
            v->noise = 0x9e3779b9u;
            break;
        }
        default: {
            const Tone& t = ToneOf(note.instrument);
            v->amp = static_cast<float>(t.gain * note.velocity);
            v->level = 0;
            v->gate =
                std::max<int64_t>(1, static_cast<int64_t>(static_cast<double>(held) * t.hold));
            // Long enough for the release to fall below a hundredth; the last few
            // milliseconds fade that to silence.
            v->length = v->gate + static_cast<int64_t>(t.releaseS * rate_ * 4.6);
            v->attack = std::max<int64_t>(1, std::llround(t.attackS * rate_));
            v->decay = Coefficient(t.decayS, rate_);
            v->release = Coefficient(t.releaseS, rate_);
            v->sustain = static_cast<float>(t.sustain);
            v->inc2 = Increment(hz * (1 + t.detune), rate_);
            v->table = t.table;
            break;
        }
    }
}

float MusicPlayer::VoiceSample(Voice& v) {
    float s = 0;
    switch (v.instrument) {
        case Instrument::Kick: {
            v.phase += static_cast<uint32_t>(kickLow_ + kickSweep_ * v.sweep);
            v.sweep *= v.release;
            s = TableAt(SineTable(), v.phase) * v.level;
            v.level *= v.decay;
            break;
        }
        case Instrument::Snare: {
            v.phase += v.inc;
            const float n = NoiseAt(v.noise);
            const float bright = n - v.last;  // a first difference lifts the highs
            v.last = n;
            s = (0.55f * bright + 0.35f * TableAt(SineTable(), v.phase) * v.level) * v.level;
            v.level *= v.decay;
            break;
        }
        case Instrument::Hat:
        case Instrument::OpenHat: {
            const float n = NoiseAt(v.noise);
            s = 0.5f * (n - v.last) * v.level;
            v.last = n;
            v.level *= v.decay;
            break;
        }
        default: {
            if (v.age < v.gate) {
                if (v.age < v.attack)
                    v.level = static_cast<float>(v.age) / static_cast<float>(v.attack);
                else
                    v.level = v.sustain + (v.level - v.sustain) * v.decay;
            } else {
                v.level *= v.release;
            }
            uint32_t inc = v.inc;
            // The tune sings: a slight vibrato once a note is held past a fifth of a second.
            if (v.instrument == Instrument::Lead && v.age > vibratoDelay_) {
                v.vibrato += vibratoInc_;
                inc = static_cast<uint32_t>(static_cast<float>(inc) *
                                            (1 + 0.0035f * TableAt(SineTable(), v.vibrato)));
            }
            v.phase += inc;
            s = TableAt(*v.table, v.phase);
            if (v.inc2 != v.inc) {
                v.phase2 += v.inc2;
                s = 0.5f * (s + TableAt(*v.table, v.phase2));
            }
            s *= v.level;
            break;
        }
    }
    // Every voice rises from silence over a millisecond and is faded out over its last four:
    // no step at its start or its end.
    const int64_t left = v.length - v.age;
    if (v.age < fadeIn_)
        s *= static_cast<float>(v.age + 1) / static_cast<float>(fadeIn_);
    else if (left < 4 * fadeIn_)
        s *= static_cast<float>(left) / static_cast<float>(4 * fadeIn_);
    if (++v.age >= v.length) v.on = false;
    return s * v.amp;
}

void MusicPlayer::Render(float* out, size_t n) {
    const float gain = score_ ? score_->gain * kMusicLevel : 0.0f;
    for (size_t k = 0; k < n; ++k) {
        if (score_ && !ended_) {
            const std::vector<ScoreNote>& notes = score_->notes;
            while (position_ >= nextAt_) {
                StartNote(notes[next_++]);
                nextAt_ = next_ < notes.size() ? std::llround(notes[next_].step * samplesPerStep_)
                                               : INT64_MAX;
            }
            if (++position_ >= loopSamples_) {
                if (score_->loops) {
                    position_ = 0;
                    next_ = 0;
                    nextAt_ =
                        notes.empty() ? INT64_MAX : std::llround(notes[0].step * samplesPerStep_);
                } else {
                    ended_ = true;
                }
            }
        }
        float sum = 0;
        // A new note takes the first free voice, so the voices sounding are the first few.
        int used = 0;
        for (int i = 0; i < used_; ++i) {
            Voice& v = voices_[static_cast<size_t>(i)];
            if (!v.on) continue;
            sum += VoiceSample(v);
            used = i + 1;
        }
        used_ = used;
        out[k] = sum * gain;
    }
}

// ---- the deck ----

MusicDeck::MusicDeck(int sampleRate)
    : decks_{Deck{MusicPlayer(sampleRate)}, Deck{MusicPlayer(sampleRate)},
             Deck{MusicPlayer(sampleRate)}} {
    const double rate = decks_[0].player.SampleRate();
    fadeStep_ = 1000.0 / (kFadeMs * rate);
    pauseStep_ = 1000.0 / (kPauseFadeMs * rate);
    duckDown_ = 1 - Coefficient(0.008, static_cast<int>(rate));
    duckUp_ = 1 - Coefficient(0.09, static_cast<int>(rate));
}

void MusicDeck::Set(Music piece, uint32_t serial, bool paused, bool audible) {
    if (serial != serial_ || piece != piece_) {
        serial_ = serial;
        piece_ = piece;
        // The piece playing fades out as the new one begins.
        if (current_ >= 0) decks_[static_cast<size_t>(current_)].target = 0;
        current_ = -1;
        if (piece != Music::None) {
            int pick = -1;
            for (int k = 0; k < kPlayers; ++k) {
                const Deck& d = decks_[static_cast<size_t>(k)];
                if (pick < 0 || d.gain < decks_[static_cast<size_t>(pick)].gain) pick = k;
                if (d.gain == 0 && d.target == 0) {
                    pick = k;
                    break;
                }
            }
            Deck& d = decks_[static_cast<size_t>(pick)];
            d.player.Start(&ScoreOf(piece));
            d.gain = 0;
            current_ = pick;
        }
    }
    paused_ = paused;
    audible_ = audible;
    if (current_ >= 0) {
        decks_[static_cast<size_t>(current_)].target = paused || !audible ? 0 : 1;
    }
}

bool MusicDeck::Silent() const {
    return std::all_of(decks_.begin(), decks_.end(), [](const Deck& d) {
        return d.gain == 0 && (d.target == 0 || d.player.Finished());
    });
}

void MusicDeck::Render(float* out, size_t n, bool ducked) {
    std::fill(out, out + n, 0.0f);
    constexpr size_t kChunk = 64;
    float block[kChunk];
    for (int k = 0; k < kPlayers; ++k) {
        Deck& d = decks_[static_cast<size_t>(k)];
        const bool current = k == current_;
        if (d.gain == 0 && (d.target == 0 || d.player.Finished())) continue;
        const double step = current ? pauseStep_ : fadeStep_;
        for (size_t at = 0; at < n; at += kChunk) {
            const size_t m = std::min(kChunk, n - at);
            if (d.gain == 0 && d.target == 0) break;  // faded out: holds where it is
            d.player.Render(block, m);
            for (size_t i = 0; i < m; ++i) {
                if (d.gain < d.target)
                    d.gain = std::min(d.target, d.gain + step);
                else if (d.gain > d.target)
                    d.gain = std::max(d.target, d.gain - step);
                out[at + i] += static_cast<float>(block[i] * d.gain);
            }
        }
        // A piece faded out for another is done with; a paused one holds its place.
        if (!current && d.gain == 0) d.player.Start(nullptr);
    }
    const double target = ducked ? kDuckGain : 1.0;
    for (size_t i = 0; i < n; ++i) {
        duck_ += (target - duck_) * (target < duck_ ? duckDown_ : duckUp_);
        out[i] = static_cast<float>(out[i] * duck_);
    }
}

}  // namespace qbx::sound
