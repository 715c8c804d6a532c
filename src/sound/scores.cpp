// The game's pieces, in the notation music.h describes: lengths in sixteenths, "|" between bars
// of four beats. Each piece's gain brings it to the same loudness as the others.
#include "sound/music.h"

namespace qbx::sound {
namespace {

// The main menu: F major, unhurried; the last bar's C leads back to the first.
constexpr std::string_view kMenu = R"(
tempo 108
gain 0.52
#       F                     Dm                 Bb                      C
bell  | c5:4 a4:2 c5 f5:6 e5:2 | d5:4 a4 f4 a4 | bb4:4 d5:2 f5 bb5:6 a5:2 | g5:8 e5:4 c5 |
#       Dm                  Am                         Bb                 C
bell  | d5:4 f5:2 a5 g5:4 f5 | e5:4 c5:2 e5 a5:4 g5:2 e5 | f5:4 d5 bb4 d5 | c5:6 d5:2 e5:4 g5 |
chords| f3+a3+c4:16 | f3+a3+d4 | f3+bb3+d4 | e3+g3+c4 |
chords| f3+a3+d4:16 | e3+a3+c4 | f3+bb3+d4 | e3+g3+c4 |
bass  | f2:6 c3:2 f2:4 a2 | d2:6 a2:2 d2:4 f2 | bb1:6 f2:2 bb1:4 d2 | c2:6 g2:2 c2:4 e2 |
bass  | d2:6 a2:2 d2:4 f2 | a1:6 e2:2 a1:4 c2 | bb1:6 f2:2 bb1:4 d2 | c2:4 g2 e2 c2 |
drums | k:4 h:2 h s:4 h:2 h | k:4 h:2 h s:4 h:2 h | k:4 h:2 h s:4 h:2 h | k:4 h:2 h s:4 h:2 h |
drums | k:4 h:2 h s:4 h:2 h | k:4 h:2 h s:4 h:2 h | k:4 h:2 h s:4 h:2 h | k:4 h:2 h s:2 s s s |
)";

// Levels 1 to 5: G major, bouncing, the chords on the off-beats.
constexpr std::string_view kLevel1 = R"(
tempo 138
gain 0.32
#       G                        D                           Em
lead  | d5:2 g5 b5 a5 g5:4 d5 | f#5:2 a5 d6 c6 a5:4 f#5 | e5:2 g5 b5:4 a5:2 g5 e5:4 |
#       C                C                     D                        C                     D
lead  | e5:4 g5 c6:6 b5:2 | b5:2 a5 g5 d5 g5:4 b5 | a5:2 f#5 d5 f#5 a5:4 d6 | c6:2 b5 a5 g5 e5:4 g5 | f#5:4 a5 d5:8 |
chords| r:2 g3+b3+d4 r g3+b3+d4 r g3+b3+d4 r g3+b3+d4 | r:2 f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 |
chords| r:2 g3+b3+e4 r g3+b3+e4 r g3+b3+e4 r g3+b3+e4 | r:2 g3+c4+e4 r g3+c4+e4 r g3+c4+e4 r g3+c4+e4 |
chords| r:2 g3+b3+d4 r g3+b3+d4 r g3+b3+d4 r g3+b3+d4 | r:2 f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 |
chords| r:2 g3+c4+e4 r g3+c4+e4 r g3+c4+e4 r g3+c4+e4 | r:2 f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 |
bass  | g2:2 g2 d3 g2 b2 g2 d3 g2 | d2:2 d2 a2 d2 f#2 d2 a2 d2 | e2:2 e2 b2 e2 g2 e2 b2 e2 | c2:2 c2 g2 c2 e2 c2 g2 c2 |
bass  | g2:2 g2 d3 g2 b2 g2 d3 g2 | d2:2 d2 a2 d2 f#2 d2 a2 d2 | c2:2 c2 g2 c2 e2 c2 g2 c2 | d2:2 d2 a2 d2 f#2 a2 c3 a2 |
drums | k:2 h s h k k s h | k:2 h s h k k s h | k:2 h s h k k s h | k:2 h s h k k s h |
drums | k:2 h s h k k s h | k:2 h s h k k s h | k:2 h s h k k s h | k:2 h s h k s s:1 s s:2 |
)";

// Levels 6 to 10: A minor, the tune pushed ahead of the beat; E major turns back to A minor.
constexpr std::string_view kLevel2 = R"(
tempo 148
gain 0.34
#       Am                          F                        C
lead  | e5:3 a5 c6:2 b5 a5 e5:4 | f5:3 a5 c6:2 a5:4 f5 | g5:3 e5 c5:2 e5 g5 c6:4 |
#       G                 Am                       F                        G                           E
lead  | b5:4 a5:2 g5 d5:8 | c6:3 b5 a5:2 e5:4 a5 | a5:3 g5 f5:2 c5:4 f5 | g5:2 a5 b5 d6 c6 b5 g5:4 | g#5:4 b5 e5:8 |
chords| a3+c4+e4:8 a3+c4+e4 | a3+c4+f4:8 a3+c4+f4 | g3+c4+e4:8 g3+c4+e4 | g3+b3+d4:8 g3+b3+d4 |
chords| a3+c4+e4:8 a3+c4+e4 | a3+c4+f4:8 a3+c4+f4 | g3+b3+d4:8 g3+b3+d4 | g#3+b3+e4:8 g#3+b3+e4 |
bass  | a1:2 a2 a1 a2 a1 a2 a1 a2 | f1:2 f2 f1 f2 f1 f2 f1 f2 | c2:2 c3 c2 c3 c2 c3 c2 c3 | g1:2 g2 g1 g2 g1 g2 g1 g2 |
bass  | a1:2 a2 a1 a2 a1 a2 a1 a2 | f1:2 f2 f1 f2 f1 f2 f1 f2 | g1:2 g2 g1 g2 g1 g2 g1 g2 | e1:2 e2 e1 e2 e1 e2 g#1 b1 |
drums | k:4 h:2 k s:4 h:2 h | k:4 o:2 k s:4 h:2 h | k:4 h:2 k s:4 h:2 h | k:4 o:2 k s:4 h:2 s |
drums | k:4 h:2 k s:4 h:2 h | k:4 o:2 k s:4 h:2 h | k:4 h:2 k s:4 h:2 h | k:4 s:2 k s:2 s s s |
)";

// Levels 11 to 15: D minor over a three-three-two figure; A major turns back to D minor.
constexpr std::string_view kLevel3 = R"(
tempo 156
gain 0.32
#       Dm                     Bb                      Gm                        A
lead  | a5:4 f5:2 d5 a5:4 d6 | bb5:4 a5:2 g5 f5:4 d5 | g5:2 a5 bb5 d6 c6:4 bb5 | a5:6 e5:2 c#5:4 e5 |
#       Dm                      Bb                        C                          A
lead  | d6:4 c6:2 a5 f5:4 a5 | bb5:4 d6:2 bb5 f5:4 d5 | e5:2 g5 c6 e6 d6:4 c6 | c#6:4 a5 e5 c#5 |
chords| f3+a3+d4:3 f3+a3+d4 f3+a3+d4:2 f3+a3+d4:3 f3+a3+d4 f3+a3+d4:2 | f3+bb3+d4:3 f3+bb3+d4 f3+bb3+d4:2 f3+bb3+d4:3 f3+bb3+d4 f3+bb3+d4:2 |
chords| g3+bb3+d4:3 g3+bb3+d4 g3+bb3+d4:2 g3+bb3+d4:3 g3+bb3+d4 g3+bb3+d4:2 | e3+a3+c#4:3 e3+a3+c#4 e3+a3+c#4:2 e3+a3+c#4:3 e3+a3+c#4 e3+a3+c#4:2 |
chords| f3+a3+d4:3 f3+a3+d4 f3+a3+d4:2 f3+a3+d4:3 f3+a3+d4 f3+a3+d4:2 | f3+bb3+d4:3 f3+bb3+d4 f3+bb3+d4:2 f3+bb3+d4:3 f3+bb3+d4 f3+bb3+d4:2 |
chords| e3+g3+c4:3 e3+g3+c4 e3+g3+c4:2 e3+g3+c4:3 e3+g3+c4 e3+g3+c4:2 | e3+a3+c#4:3 e3+a3+c#4 e3+a3+c#4:2 e3+a3+c#4:3 e3+a3+c#4 e3+a3+c#4:2 |
bass  | d2:3 d2 d2:2 d3:3 a2 d2:2 | bb1:3 bb1 bb1:2 bb2:3 f2 bb1:2 | g1:3 g1 g1:2 g2:3 d2 g1:2 | a1:3 a1 a1:2 a2:3 e2 a1:2 |
bass  | d2:3 d2 d2:2 d3:3 a2 d2:2 | bb1:3 bb1 bb1:2 bb2:3 f2 bb1:2 | c2:3 c2 c2:2 c3:3 g2 c2:2 | a1:3 a1 a1:2 a2:3 e2 c#2:2 |
drums | k:2 h s h k h s k | k:2 h s h k h s k | k:2 h s h k h s k | k:2 h s h k h s s |
drums | k:2 h s h k h s k | k:2 h s h k h s k | k:2 h s h k h s k | k:2 s s h s s:1 s s:2 s:1 s |
)";

// Levels 16 and after: E minor, galloping; B major turns back to E minor.
constexpr std::string_view kLevel4 = R"(
tempo 164
gain 0.3
#       Em                         C                        D                             B
lead  | e5:2 g5 b5 e6:4 d6:2 b5:4 | c6:4 b5:2 a5 g5:4 e5 | f#5:2 a5 d6 f#6:4 e6:2 d6:4 | d#6:6 b5:2 f#5:4 d#5 |
#       Em                        C                         Am                           B
lead  | g5:2 f#5 e5 g5 b5:4 e6 | e6:2 d6 c6 b5 a5:4 g5 | a5:2 b5 c6 e6 d6 c6 a5:4 | b5:4 d#6 f#6 d#6 |
chords| r:2 g3+b3+e4 r g3+b3+e4 r g3+b3+e4 r g3+b3+e4 | r:2 g3+c4+e4 r g3+c4+e4 r g3+c4+e4 r g3+c4+e4 |
chords| r:2 f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 r f#3+a3+d4 | r:2 f#3+b3+d#4 r f#3+b3+d#4 r f#3+b3+d#4 r f#3+b3+d#4 |
chords| r:2 g3+b3+e4 r g3+b3+e4 r g3+b3+e4 r g3+b3+e4 | r:2 g3+c4+e4 r g3+c4+e4 r g3+c4+e4 r g3+c4+e4 |
chords| r:2 a3+c4+e4 r a3+c4+e4 r a3+c4+e4 r a3+c4+e4 | r:2 f#3+b3+d#4 r f#3+b3+d#4 r f#3+b3+d#4 r f#3+b3+d#4 |
bass  | e2:2 e2:1 e2 e3:2 e2 e2 e2:1 e2 b2:2 e2 | c2:2 c2:1 c2 c3:2 c2 c2 c2:1 c2 g2:2 c2 |
bass  | d2:2 d2:1 d2 d3:2 d2 d2 d2:1 d2 a2:2 d2 | b1:2 b1:1 b1 b2:2 b1 b1 b1:1 b1 f#2:2 b1 |
bass  | e2:2 e2:1 e2 e3:2 e2 e2 e2:1 e2 b2:2 e2 | c2:2 c2:1 c2 c3:2 c2 c2 c2:1 c2 g2:2 c2 |
bass  | a1:2 a1:1 a1 a2:2 a1 a1 a1:1 a1 e2:2 a1 | b1:2 b1:1 b1 b2:2 b1 b1 b1:1 b1 f#2:2 d#2 |
drums | k:2 h:1 h s:2 h k k s h:1 h | k:2 h:1 h s:2 h k k s h:1 h | k:2 h:1 h s:2 h k k s h:1 h | k:2 h:1 h s:2 h k k s s:1 s |
drums | k:2 h:1 h s:2 h k k s h:1 h | k:2 h:1 h s:2 h k k s h:1 h | k:2 h:1 h s:2 h k k s h:1 h | k:2 s:1 s s:2 s k s s:1 s s s |
)";

// The time bonus is running out: A minor in sixteenths, over and over.
constexpr std::string_view kHurry = R"(
tempo 184
gain 0.29
#       Am                                                Am
lead  | a5:1 e5 a5 b5 c6 b5 a5 e5 a5 e5 a5 b5 c6 d6 c6 b5 | a5:1 e5 a5 b5 c6 b5 a5 e5 c6:2 b5 a5 g5 |
#       F                       E                         Am           E
lead  | f5:1 a5 c6 a5 f5 a5 c6 a5 e5 g#5 b5 g#5 e5 g#5 b5 g#5 | a5:2 c6 e6 c6 b5:4 g#5 |
chords| a3+c4+e4:4 r a3+c4+e4 r | a3+c4+e4:4 r a3+c4+e4 r | a3+c4+f4:4 r g#3+b3+e4 r | a3+c4+e4:4 r g#3+b3+e4 r |
bass  | a1:2 a2 a1 a2 a1 a2 a1 a2 | a1:2 a2 a1 a2 a1 a2 g1 g2 | f1:2 f2 f1 f2 e1 e2 e1 e2 | a1:2 a2 a1 a2 e1 e2 g#1 g#2 |
drums | k:2 h s h k h s s | k:2 h s h k h s s | k:2 h s h k h s s | k:2 h s h k s s:1 s s:2 |
)";

// A level cleared: up through the fourth and fifth to C major.
constexpr std::string_view kComplete = R"(
tempo 132
loop no
gain 0.36
lead  | g4:2 c5 e5 g5:4 e5:2 g5:4 | c6:12 r:4 |
bell  | r:16 | c6+e6+g6:12 r:4 |
chords| r:8 f3+a3+c4:4 g3+b3+d4 | e3+g3+c4:12 r:4 |
bass  | c2:4 c2 f2 g2 | c2:12 r:4 |
drums | k:4 s k s:2 s | k+o:4 r:12 |
)";

// The game is over: down to A minor, slowly.
constexpr std::string_view kGameOver = R"(
tempo 84
loop no
gain 0.44
lead  | e5:4 d5 c5 b4 | a4:12 r:4 |
chords| a3+c4+e4:8 f3+a3+d4:4 e3+g#3+b3 | a3+c4+e4:12 r:4 |
bass  | a1:8 d2:4 e2 | a1:12 r:4 |
drums | k:8 k:4 s:4 | k+o:4 r:12 |
)";

}  // namespace

std::string_view ScoreText(Music piece) {
    switch (piece) {
        case Music::None:
            return {};
        case Music::Menu:
            return kMenu;
        case Music::Level1:
            return kLevel1;
        case Music::Level2:
            return kLevel2;
        case Music::Level3:
            return kLevel3;
        case Music::Level4:
            return kLevel4;
        case Music::Hurry:
            return kHurry;
        case Music::Complete:
            return kComplete;
        case Music::GameOver:
            return kGameOver;
    }
    return {};
}

}  // namespace qbx::sound
