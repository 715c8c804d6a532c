// The game's music: scores written in a small text notation, and the synthesiser that plays
// them a block at a time, with nothing allocated once it is built.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sound.h"

namespace qbx::sound {

enum class Instrument : uint8_t { Lead, Bass, Chords, Bell, Kick, Snare, Hat, OpenHat };
inline constexpr int kInstrumentCount = 8;

// One note of a score, in sixteenth notes from the piece's start.
struct ScoreNote {
    int32_t step = 0;
    int32_t steps = 1;
    int8_t key = 60;  // MIDI numbering: 60 is middle C, 69 the A of 440 Hz
    Instrument instrument = Instrument::Lead;
    float velocity = 1.0f;
    bool operator==(const ScoreNote&) const = default;
};

struct Score {
    double bpm = 120;
    int32_t steps = 0;  // the piece's length; a looping piece starts again after it
    bool loops = true;
    float gain = 1.0f;
    std::vector<ScoreNote> notes;  // in the order they start
};

// Reads a score. Each line is a setting ("tempo 132", "steps 128", "loop no", "gain 0.8") or an
// instrument's part ("lead", "bass", "chords", "bell", "drums") followed by notes; a part's
// lines follow one another in time. A note is a pitch with its octave and a length in
// sixteenths ("e5:2", "f#3:4", "bb4:8"), a rest ("r:4"), several sounding together
// ("c4+e4+g4:16"), or drums ("k" kick, "s" snare, "h" hat, "o" open hat: "k+h:4"). A length
// left out is the note's before; a "!" after the length accents it. "|" marks a bar of four
// beats, and a bar of another length is an error; a word that starts with "#" begins a comment.
std::optional<Score> ParseScore(std::string_view text, std::string* error = nullptr);

// The score of each piece; Music::None has an empty one.
std::string_view ScoreText(Music piece);
const Score& ScoreOf(Music piece);

// Every piece is played this far below its score's gain, which brings them all to -20 LUFS:
// -1.6 dB, near the soft end of what the music may be, so that the effects (each between -17.7
// and -14.3 LUFS as the mixer plays it) stand about 5 LU above it before it is lowered under
// them.
inline constexpr float kMusicLevel = 0.83f;

// Plays one score at a time at a sample rate: a looping piece goes on across its end with the
// notes at the end still ringing, so the seam is as smooth as anywhere else.
class MusicPlayer {
public:
    static constexpr int kVoices = 40;
    explicit MusicPlayer(int sampleRate);

    // From the beginning; null for silence.
    void Start(const Score* score);
    // Writes the next n samples.
    void Render(float* out, size_t n);
    // A piece that does not loop has ended and its last note has died away (silence too).
    bool Finished() const;
    // Samples since the start, counted around the loop.
    int64_t Position() const { return position_; }
    int SampleRate() const { return rate_; }

private:
    struct Voice {
        bool on = false;
        Instrument instrument = Instrument::Lead;
        uint32_t phase = 0, phase2 = 0, inc = 0, inc2 = 0, vibrato = 0;  // 2^32 a cycle
        float level = 0, amp = 0, sustain = 0;
        float decay = 0, release = 0, sweep = 0, last = 0;
        int64_t age = 0, attack = 1, gate = 0, length = 0;  // samples
        uint32_t noise = 0;
        const std::array<float, 4097>* table = nullptr;
    };
    void StartNote(const ScoreNote& note);
    float VoiceSample(Voice& v);

    int rate_;
    int64_t fadeIn_ = 48, vibratoDelay_ = 0;
    uint32_t vibratoInc_ = 0;
    float kickLow_ = 0, kickSweep_ = 0;
    double samplesPerStep_ = 0;
    int64_t nextAt_ = 0;  // where the next note starts
    const Score* score_ = nullptr;
    size_t next_ = 0;
    int64_t position_ = 0;  // within the loop
    int64_t loopSamples_ = 0;
    bool ended_ = true;
    std::array<Voice, kVoices> voices_{};
    int used_ = 0;  // no voice from here on sounds
};

// The music under the effects, as the audio device hears it: the piece asked for, crossfaded
// from the one before, paused and resumed where it was, and lowered while an effect sounds.
class MusicDeck : public MusicSource {
public:
    static constexpr double kDuckGain = 0.5;  // about 6 dB
    static constexpr double kFadeMs = 150;    // a change of piece
    static constexpr double kPauseFadeMs = 20;
    explicit MusicDeck(int sampleRate);

    // serial tells a piece asked for anew from the same piece going on. audible is the
    // player's choice (music and sound on); off, the piece holds where it is, as paused.
    void Set(Music piece, uint32_t serial, bool paused, bool audible) override;
    // Writes the next n samples of music; ducked lowers it for the length of the block.
    void Render(float* out, size_t n, bool ducked) override;
    // Nothing sounds and nothing is fading.
    bool Silent() const override;
    double DuckGain() const { return duck_; }
    Music Piece() const { return piece_; }

private:
    static constexpr int kPlayers = 3;
    struct Deck {
        MusicPlayer player;
        double gain = 0, target = 0;  // a paused piece stands still once faded out
    };
    std::array<Deck, kPlayers> decks_;
    int current_ = -1;
    Music piece_ = Music::None;
    uint32_t serial_ = 0;
    bool paused_ = false, audible_ = true;
    double duck_ = 1.0;
    double fadeStep_, pauseStep_, duckDown_, duckUp_;
};

}  // namespace qbx::sound
