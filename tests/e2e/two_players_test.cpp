// A game of two in a real X server: started from the menu with Tab and Enter, player 2's name
// typed into its box, both players walking and firing at once on one keyboard, and the window
// closed with its close box; both results stand in the tables under both names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "e2e/e2e_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;
using State = std::map<std::string, std::string>;

int Number(const State& s, const std::string& word) {
    auto it = s.find(word);
    return it == s.end() || it->second == "none" ? -1 : std::atoi(it->second.c_str());
}

bool Is(const State& s, const std::string& word, const std::string& value) {
    auto it = s.find(word);
    return it != s.end() && it->second == value;
}

// One player's keys, held or not as the game goes.
struct Walker {
    const Game& g;
    std::string left, right, fire;
    std::string suffix;  // "" for player 1's words in the state line, "2" for player 2's
    int low, high;       // the stretch of the floor this player walks back and forth
    std::string held;    // the walking key down, if any

    void Hold(const std::string& key) {
        if (held == key) return;
        Release();
        g.KeyDown(key);
        held = key;
    }
    void Release() {
        if (!held.empty()) g.KeyUp(held);
        held.clear();
    }
    // Walks to one end of the stretch and back, firing whenever the arrow is down. After a
    // countdown the walking key goes down again, since one held through it is not taken.
    void Step(const State& s, bool restarted) {
        const int x = Number(s, "x" + suffix);
        if (x < 0) return Release();
        if (restarted) Release();
        if (held.empty())
            Hold(x > low ? left : right);
        else if (held == left && x <= low)
            Hold(right);
        else if (held == right && x >= high)
            Hold(left);
        if (Is(s, "arrow" + suffix, "0")) g.Key(fire);
    }
};

TEST(TwoPlayers, AGameOfTwoOnOneKeyboardIsPlayedAndClosedAndRecordsBothResults) {
    XServer x;
    TempDir home;
    Game g(x, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu"})) << g.StateText();

    // Tab to "2 Players", Enter; the name box opens empty on a first run.
    ASSERT_TRUE(g.FocusOn("cmdTwoPlayers")) << g.StateText();
    g.Key("Return");
    ASSERT_TRUE(g.WaitForState({"modal=nameBox"})) << g.StateText();
    for (const char* k : {"b", "o", "b"}) g.Key(k);
    g.Key("Return");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "players=2", "playing=1", "modal=none"}))
        << g.StateText();
    State start = g.State();
    const int x1 = Number(start, "x"), x2 = Number(start, "x2");
    ASSERT_LT(x1, x2) << g.StateText();
    EXPECT_TRUE(Is(start, "lives", "5") && Is(start, "lives2", "5")) << g.StateText();

    // Four keys held together: player 1 walks left and player 2 right, both arrows up at once.
    // A fire key held fires once (only the last key pressed repeats), so one whose arrow has
    // gone is pressed again.
    for (const char* k : {"a", "w", "Right", "Up"}) g.KeyDown(k);
    const bool both = g.WaitFor([&](const State& s) {
        if (Is(s, "dying", "0") && Number(s, "x") >= 0 && Number(s, "x") < x1 &&
            Number(s, "x2") > x2 && Is(s, "arrow", "1") && Is(s, "arrow2", "1"))
            return true;
        for (const auto& [arrow, fire] : {std::pair{"arrow", "w"}, std::pair{"arrow2", "Up"}})
            if (Is(s, arrow, "0") && Is(s, "playing", "1")) {
                g.KeyUp(fire);
                g.KeyDown(fire);
            }
        return false;
    });
    for (const char* k : {"a", "w", "Right", "Up"}) g.KeyUp(k);
    ASSERT_TRUE(both) << g.StateText();

    // Then both play on until each has scored, walking their own half and firing.
    Walker one{g, "a", "d", "w", "", 300, x1, ""};
    Walker two{g, "Left", "Right", "Up", "2", x2, 2 * x2 - x1 > 12600 ? 12600 : 2 * x2 - x1, ""};
    bool wasPlaying = true;
    const bool scored = g.WaitFor(
        [&](const State& s) {
            if (Number(s, "score") > 0 && Number(s, "score2") > 0) return true;
            if (!Is(s, "game", "1")) return false;
            if (Is(s, "panel", "1")) {
                // Level cleared before both scored: on to the next one.
                one.Release();
                two.Release();
                // A key on a busy machine can come before the panel takes keys: pressed again
                // until it goes.
                g.KeyUntil("Return", {"panel=0"});
                wasPlaying = false;
                return false;
            }
            const bool playing = Is(s, "playing", "1") && Is(s, "dying", "0");
            if (playing) {
                one.Step(s, !wasPlaying);
                two.Step(s, !wasPlaying);
            }
            wasPlaying = playing;
            return false;
        },
        300s);
    one.Release();
    two.Release();
    ASSERT_TRUE(scored) << g.StateText();

    // Paused once any death is over and any level-complete panel is gone, so the scores shown
    // last are the ones the game ends with.
    ASSERT_TRUE(g.WaitForState({"dying=0"})) << g.StateText();
    if (Is(g.State(), "panel", "1")) {
        ASSERT_TRUE(g.KeyUntil("Return", {"panel=0"})) << g.StateText();
    }
    ASSERT_TRUE(g.KeyUntil("Escape", {"paused=1"})) << g.StateText();
    const State last = g.State();
    ASSERT_TRUE(Is(last, "panel", "0") && Is(last, "dying", "0")) << g.StateText();

    ASSERT_TRUE(g.CloseBox()) << g.StateText();
    const std::optional<int> status = g.Proc().WaitExit(30s);
    ASSERT_TRUE(status) << "still running after the close box: " << g.StateText();
    EXPECT_EQ(*status, 0);

    const std::string scores = g.RecordsDir() + "/Quibblix-Scores.txt";
    const std::string levels = g.RecordsDir() + "/Quibblix-Levels.txt";
    EXPECT_EQ(TableEntry(scores, "E2E"), Number(last, "score")) << ReadFile(scores);
    EXPECT_EQ(TableEntry(scores, "BOB"), Number(last, "score2")) << ReadFile(scores);
    EXPECT_EQ(TableEntry(levels, "E2E"), Number(last, "level")) << ReadFile(levels);
    EXPECT_EQ(TableEntry(levels, "BOB"), Number(last, "level")) << ReadFile(levels);
}

}  // namespace
}  // namespace qbx::e2e
