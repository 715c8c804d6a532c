// The music: its scores read as written, a piece sounds the same every time, its loops and its
// changes have no step, the pieces are equally loud, and the deck pauses, resumes and ducks.
#include "sound/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace qbx::sound {
namespace {

constexpr int kRate = 48000;
constexpr Music kLooping[] = {Music::Menu,   Music::Level1, Music::Level2,
                              Music::Level3, Music::Level4, Music::Hurry};

std::vector<float> Play(MusicPlayer& p, size_t n) {
    std::vector<float> out(n);
    // In uneven blocks, as an audio device asks.
    for (size_t at = 0; at < n;) {
        const size_t m = std::min<size_t>(n - at, 300 + at % 77);
        p.Render(out.data() + at, m);
        at += m;
    }
    return out;
}

std::vector<float> Play(Music piece, size_t n) {
    MusicPlayer p(kRate);
    p.Start(&ScoreOf(piece));
    return Play(p, n);
}

float LargestStep(const std::vector<float>& s, size_t from, size_t to) {
    float big = 0;
    for (size_t k = std::max<size_t>(from, 1); k < std::min(to, s.size()); ++k)
        big = std::max(big, std::abs(s[k] - s[k - 1]));
    return big;
}

double Rms(const std::vector<float>& s, size_t from = 0, size_t to = SIZE_MAX) {
    double sum = 0;
    to = std::min(to, s.size());
    for (size_t k = from; k < to; ++k) sum += static_cast<double>(s[k]) * s[k];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

size_t LoopSamples(Music piece) {
    const Score& s = ScoreOf(piece);
    return static_cast<size_t>(std::llround(s.steps * (kRate * 60.0 / s.bpm / 4)));
}

TEST(Score, EveryPieceReadsAndFillsWholeBars) {
    for (int k = 1; k < kMusicCount; ++k) {
        const Music piece = static_cast<Music>(k);
        std::string error;
        const std::optional<Score> s = ParseScore(ScoreText(piece), &error);
        ASSERT_TRUE(s) << MusicName(piece) << ": " << error;
        EXPECT_EQ(s->steps % 16, 0) << MusicName(piece);
        EXPECT_GT(s->notes.size(), 20u) << MusicName(piece);
        EXPECT_EQ(ScoreOf(piece).notes, s->notes);
    }
    EXPECT_TRUE(ScoreOf(Music::None).notes.empty());
    // The end of a game and of a level are short and play once; the others loop.
    for (Music once : {Music::Complete, Music::GameOver}) {
        EXPECT_FALSE(ScoreOf(once).loops);
        EXPECT_LT(LoopSamples(once), 8u * kRate);
    }
    for (Music piece : kLooping) EXPECT_TRUE(ScoreOf(piece).loops) << MusicName(piece);
}

TEST(Score, TheNotationReadsPitchesLengthsChordsAndDrums) {
    const std::optional<Score> s = ParseScore(
        "tempo 100\n"
        "lead | c4:4 f#4 bb3:2 r a4:4! | # a comment\n"
        "drums| k+h:8 s:8 |\n");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->bpm, 100);
    EXPECT_EQ(s->steps, 16);
    ASSERT_EQ(s->notes.size(), 7u);
    // In the order they start; a length left out is the one before.
    const ScoreNote c4 = s->notes[0];
    EXPECT_EQ(c4.key, 60);
    EXPECT_EQ(c4.steps, 4);
    auto at = [&](int step, Instrument i) {
        for (const ScoreNote& n : s->notes)
            if (n.step == step && n.instrument == i) return n;
        ADD_FAILURE() << "no note at " << step;
        return ScoreNote{};
    };
    EXPECT_EQ(at(4, Instrument::Lead).key, 66);
    EXPECT_EQ(at(4, Instrument::Lead).steps, 4);
    EXPECT_EQ(at(8, Instrument::Lead).key, 58);
    EXPECT_EQ(at(8, Instrument::Lead).steps, 2);
    EXPECT_EQ(at(12, Instrument::Lead).key, 69);  // after a rest of the same length
    EXPECT_GT(at(12, Instrument::Lead).velocity, 1.0f);
    EXPECT_EQ(at(0, Instrument::Kick).steps, 8);
    EXPECT_EQ(at(0, Instrument::Hat).steps, 8);
    EXPECT_EQ(at(8, Instrument::Snare).steps, 8);
}

TEST(Score, AScoreThatDoesNotAddUpIsRefusedWithItsLine) {
    const std::pair<const char*, const char*> bad[] = {
        {"lead | c4:4 d4 e4 |", "bar of 12"},
        {"lead | c4:16 |\nbass | c2:16 | c2:16 |", "part of 16"},
        {"lead | h4:16 |", "not a pitch"},
        {"lead | c9:16 |", "not a pitch"},
        {"drums | q:16 |", "no such drum"},
        {"lead | c4:0 c4:16 |", "length"},
        {"organ | c4:16 |", "no such part"},
        {"tempo fast\nlead | c4:16 |", "tempo"},
        {"tempo 1000\nlead | c4:16 |", "tempo"},
        {"gain 9\nlead | c4:16 |", "gain"},
        {"loop maybe\nlead | c4:16 |", "loop"},
        {"tempo 120\n", "no notes"},
    };
    for (const auto& [text, why] : bad) {
        std::string error;
        EXPECT_FALSE(ParseScore(text, &error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << text << " -> " << error;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
    }
}

TEST(Player, APieceSoundsTheSameEveryTimeAndFromEveryStart) {
    for (int k = 1; k < kMusicCount; ++k) {
        const Music piece = static_cast<Music>(k);
        const std::vector<float> a = Play(piece, kRate * 3);
        EXPECT_GT(Rms(a), 0.01) << MusicName(piece);
        EXPECT_EQ(a, Play(piece, kRate * 3)) << MusicName(piece);
        // Started again on a player that was in the middle of another piece.
        MusicPlayer p(kRate);
        p.Start(&ScoreOf(Music::Level4));
        Play(p, kRate / 3);
        p.Start(&ScoreOf(piece));
        EXPECT_EQ(Play(p, kRate * 3), a) << MusicName(piece);
    }
}

TEST(Player, ALoopGoesOnAcrossItsSeamWithNoStep) {
    for (Music piece : kLooping) {
        const size_t loop = LoopSamples(piece);
        const std::vector<float> s = Play(piece, loop + kRate);
        const size_t window = kRate / 500;  // 2 ms each side of the seam
        const float elsewhere =
            std::max(LargestStep(s, 1, loop - window), LargestStep(s, loop + window, s.size()));
        EXPECT_LE(LargestStep(s, loop - window, loop + window), elsewhere) << MusicName(piece);
        // It does go on: the second time round begins as the first did, under the tails of the
        // notes that rang across the seam.
        EXPECT_GT(Rms(s, loop, loop + kRate / 2), 0.5 * Rms(s, 0, kRate / 2)) << MusicName(piece);
    }
    // A piece that plays once ends, and stays silent.
    MusicPlayer p(kRate);
    p.Start(&ScoreOf(Music::Complete));
    Play(p, LoopSamples(Music::Complete) + 2 * kRate);
    EXPECT_TRUE(p.Finished());
    const std::vector<float> after = Play(p, 1000);
    EXPECT_EQ(Rms(after), 0);
    p.Start(&ScoreOf(Music::Menu));
    Play(p, LoopSamples(Music::Menu) + kRate);
    EXPECT_FALSE(p.Finished());
}

TEST(Player, EveryInstrumentsNoteRisesFromSilenceAndFallsBackToIt) {
    for (const char* part :
         {"lead | c5:4 r:12 |", "bass | c2:4 r:12 |", "chords | c4+e4+g4:4 r:12 |",
          "bell | c6:4 r:12 |", "drums | k:4 r:12 |", "drums | s:4 r:12 |", "drums | h:4 r:12 |",
          "drums | o:4 r:12 |"}) {
        const std::optional<Score> s = ParseScore(std::string("tempo 120\nloop no\n") + part);
        ASSERT_TRUE(s) << part;
        MusicPlayer p(kRate);
        p.Start(&*s);
        const std::vector<float> out = Play(p, kRate * 3);
        size_t first = 0, last = 0;
        float peak = 0;
        for (size_t k = 0; k < out.size(); ++k)
            if (out[k] != 0) {
                if (!first) first = k;
                last = k;
                peak = std::max(peak, std::abs(out[k]));
            }
        ASSERT_GT(peak, 0.05f) << part;
        EXPECT_TRUE(p.Finished()) << part;
        // The first and the last samples that sound are a small part of the note's peak.
        EXPECT_LT(std::abs(out[first]), peak / 20) << part;
        // (A noise steps from sample to sample all along: it is held to less.)
        const bool noise = std::string(part).find("h:") != std::string::npos ||
                           std::string(part).find("o:") != std::string::npos;
        EXPECT_LT(LargestStep(out, last - kRate / 1000, last + 2), peak / (noise ? 50 : 200))
            << part;
    }
}

TEST(Player, EveryPieceIsAsLoudAsTheOthersAndKeepsWellBelowFullScale) {
    double softest = 1, loudest = 0;
    for (int k = 1; k < kMusicCount; ++k) {
        const Music piece = static_cast<Music>(k);
        const size_t n = std::min(LoopSamples(piece), static_cast<size_t>(kRate) * 20);
        const std::vector<float> s = Play(piece, n);
        // Over the part that sounds: the short pieces end in silence.
        const double rms = Rms(s, 0, ScoreOf(piece).loops ? n : n * 3 / 4);
        softest = std::min(softest, rms);
        loudest = std::max(loudest, rms);
        float peak = 0;
        for (float v : s) peak = std::max(peak, std::abs(v));
        EXPECT_LT(peak, 0.75f) << MusicName(piece);
    }
    // Within 3 dB of one another.
    EXPECT_LT(20 * std::log10(loudest / softest), 3.0) << softest << " " << loudest;
}

// ---- the deck ----

std::vector<float> Deck(MusicDeck& d, size_t n, bool ducked = false) {
    std::vector<float> out(n);
    for (size_t at = 0; at < n; at += 256)
        d.Render(out.data() + at, std::min<size_t>(256, n - at), ducked);
    return out;
}

TEST(Deck, AChangeOfPieceCrossfadesWithNoStep) {
    MusicDeck d(kRate);
    EXPECT_TRUE(d.Silent());
    d.Set(Music::Level1, 1, false, true);
    EXPECT_FALSE(d.Silent());
    std::vector<float> s = Deck(d, kRate * 2);
    // Mid-note, at a moment that is no beat of either piece.
    d.Set(Music::Hurry, 2, false, true);
    const std::vector<float> after = Deck(d, kRate * 2);
    const size_t change = s.size();
    s.insert(s.end(), after.begin(), after.end());
    const size_t window = kRate / 500;
    const float elsewhere =
        std::max(LargestStep(s, 1, change - window), LargestStep(s, change + window, s.size()));
    EXPECT_LE(LargestStep(s, change - window, change + window), elsewhere);
    // Once the fade is over only the new piece sounds, from its beginning.
    const std::vector<float> hurry = Play(Music::Hurry, kRate * 2);
    const size_t settled = kRate / 2;
    for (size_t k = settled; k < after.size(); k += 997) ASSERT_NEAR(after[k], hurry[k], 1e-6) << k;
    // Asked for with the same serial it goes on; asked for anew it begins again.
    d.Set(Music::Hurry, 2, false, true);
    EXPECT_NEAR(Deck(d, 1)[0], Play(Music::Hurry, kRate * 2 + 1).back(), 1e-6);
    d.Set(Music::Hurry, 5, false, true);
    const std::vector<float> again = Deck(d, kRate);
    for (size_t k = settled; k < again.size(); k += 997) ASSERT_NEAR(again[k], hurry[k], 1e-6) << k;
    // Stopped: it fades away and the deck falls silent.
    d.Set(Music::None, 3, false, true);
    const std::vector<float> fading = Deck(d, kRate / 2);
    EXPECT_LT(LargestStep(fading, 1, fading.size()), elsewhere);
    EXPECT_TRUE(d.Silent());
    EXPECT_EQ(Rms(Deck(d, 1000)), 0);
}

TEST(Deck, APausedPieceStandsStillAndResumesWhereItStopped) {
    for (bool byChoice : {false, true}) {
        MusicDeck d(kRate);
        d.Set(Music::Menu, 1, false, true);
        const std::vector<float> before = Deck(d, kRate);
        // Paused (or made inaudible by the player's choice): it fades out and stands still.
        d.Set(Music::Menu, 1, !byChoice, !byChoice);
        const std::vector<float> pausing = Deck(d, kRate / 10);
        EXPECT_LT(LargestStep(pausing, 1, pausing.size()), 0.05f);
        EXPECT_TRUE(d.Silent());
        EXPECT_EQ(Rms(Deck(d, kRate)), 0);
        d.Set(Music::Menu, 1, false, true);
        const std::vector<float> resumed = Deck(d, kRate);
        // Where it stopped: the samples a player playing on without a break reaches after the
        // second that sounded and the fade of the pause.
        MusicPlayer plain(kRate);
        plain.Start(&ScoreOf(Music::Menu));
        const std::vector<float> straight = Play(plain, static_cast<size_t>(kRate) * 3);
        size_t matchAt = 0;
        for (size_t off = kRate; off < kRate + kRate / 10 && !matchAt; ++off) {
            bool same = true;
            for (size_t k = kRate / 10; k < resumed.size() && same; k += 331)
                same = std::abs(resumed[k] - straight[off + k]) < 1e-6;
            if (same) matchAt = off;
        }
        EXPECT_GE(matchAt, static_cast<size_t>(kRate)) << byChoice;
        EXPECT_LT(matchAt, static_cast<size_t>(kRate + kRate / 20)) << byChoice;
        EXPECT_GT(Rms(before), 0.01);
    }
}

TEST(Deck, AnEffectLowersTheMusicBySixDecibelsAndItComesBackWithinHalfASecond) {
    MusicDeck d(kRate), plain(kRate);
    d.Set(Music::Level2, 1, false, true);
    plain.Set(Music::Level2, 1, false, true);
    Deck(d, kRate);
    Deck(plain, kRate);
    const std::vector<float> ducked = Deck(d, kRate / 5, true);
    const std::vector<float> open = Deck(plain, kRate / 5);
    // Down within a few tens of milliseconds, and by half.
    EXPECT_NEAR(d.DuckGain(), MusicDeck::kDuckGain, 0.01);
    const double ratio = Rms(ducked, kRate / 20) / Rms(open, kRate / 20);
    EXPECT_NEAR(20 * std::log10(ratio), -6.0, 0.5);
    Deck(d, kRate / 2);
    EXPECT_GT(d.DuckGain(), 0.95);
    EXPECT_LE(d.DuckGain(), 1.0);
    // Ducking holds no note back: the two decks play the same music at different levels.
    EXPECT_NEAR(Deck(d, kRate / 2).back(), Deck(plain, kRate / 2 + kRate / 2).back(), 0.02);
}

}  // namespace
}  // namespace qbx::sound
