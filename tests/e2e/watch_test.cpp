// A kept replay watched in a real X server: a click on the timeline goes to that moment, forwards
// and back, and K shows in the timeline's strip the keys the player held there.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "e2e/e2e_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;
using State = std::map<std::string, std::string>;

// A game of twenty seconds, never over: Left held from its third second to its seventh.
constexpr const char* kGame =
    "click frmMenu.cmdPlay\nwait 3000\nkey Left down\nwait 4000\nkey Left up\nwait 13000\n";
// A moment while Left is held, as a fraction of the whole.
constexpr double kLeftHeld = 0.25;

// The game played headless and kept as a replay in home; "" if it could not be.
std::string KeptReplay(const TempDir& home) {
    const std::string file = home.Path() + "/kept.qbr", script = home.Path() + "/game.qbx";
    std::ofstream(script) << kGame;
    std::string out;
    const int status = Run(
        {Program(), "--headless", "--records-dir", home.Path() + "/made", "--record", file, script},
        {}, &out);
    if (status == 0) return file;
    ADD_FAILURE() << "the game was not kept (" << status << "): " << out;
    return "";
}

int64_t Number(const State& s, const std::string& name) {
    const auto it = s.find(name);
    return it == s.end() ? -1 : std::atoll(it->second.c_str());
}

// The recording's first and last moments.
std::pair<int64_t, int64_t> Span(const State& s) {
    const auto it = s.find("watch_span");
    if (it == s.end()) return {0, 0};
    return {std::atoll(it->second.c_str()),
            std::atoll(it->second.substr(it->second.find(',') + 1).c_str())};
}

// Where the timeline is on the screen: its left, top, width and height.
struct Strip {
    int x = 0, y = 0, w = 0, h = 0;
};
std::optional<Strip> StripOf(const State& s) {
    const auto it = s.find("timeline");
    if (it == s.end()) return std::nullopt;
    Strip t;
    if (std::sscanf(it->second.c_str(), "%d,%d,%dx%d", &t.x, &t.y, &t.w, &t.h) != 4)
        return std::nullopt;
    return t;
}

// The keys line over the timeline, without its quotes.
std::string Keys(const State& s) {
    const auto it = s.find("keys");
    if (it == s.end() || it->second.size() < 2) return "?";
    return it->second.substr(1, it->second.size() - 2);
}

// The watching on screen with the keyboard, then paused near its start (Space pressed again
// only when the watching still plays after a while).
bool WatchPaused(const Game& g) {
    if (!g.WaitFor([](const State& s) {
            return StripOf(s) && s.count("watch_keyboard") && s.at("watch_keyboard") == "1";
        }))
        return false;
    for (int i = 0; i < 5; ++i) {
        if (g.State()["watch_paused"] == "1") return true;
        g.Key("space");
        if (g.WaitForState({"watch_paused=1"}, 10s)) return true;
    }
    return false;
}

// A click on the timeline at a fraction of its width, halfway down it.
void ClickStrip(const Desktop& x, const Strip& t, double fraction) {
    x.ClickAt(t.x + static_cast<int>(fraction * t.w), t.y + t.h / 2);
}

// Whether the watching stands within a fiftieth of the recording of that fraction of it.
bool Near(const State& s, double fraction) {
    const auto [start, end] = Span(s);
    const double want = static_cast<double>(start) + fraction * static_cast<double>(end - start);
    const double at = static_cast<double>(Number(s, "watch_ms"));
    return end > start && std::abs(at - want) <= static_cast<double>(end - start) / 50;
}

// Esc ends the watching and the program with it.
void EndWatching(Game& g) {
    g.Key("Escape");
    const std::optional<int> status = g.Proc().WaitExit(30s);
    ASSERT_TRUE(status) << "still watching after Esc: " << g.StateText();
    EXPECT_EQ(*status, 0);
}

TEST(Watch, AClickOnTheTimelineGoesThereForwardsAndBack) {
    XServer x;
    TempDir home;
    const std::string file = KeptReplay(home);
    ASSERT_FALSE(file.empty());
    Game g(x, home.Path(), {"--replay", file});
    ASSERT_TRUE(WatchPaused(g)) << g.StateText() << ReadFile(home.Path() + "/game.log");
    const Strip t = *StripOf(g.State());
    ASSERT_GT(t.w, 100) << g.StateText();
    const auto [start, end] = Span(g.State());
    ASSERT_GE(end - start, 19000) << g.StateText();
    const int64_t playedAtStart = Number(g.State(), "watch_played");

    // Three quarters along: the game played up to there, still paused.
    ClickStrip(x, t, 0.75);
    ASSERT_TRUE(g.WaitFor([&](const State& s) {
        return Near(s, 0.75) && Number(s, "watch_played") > playedAtStart;
    })) << g.StateText();
    EXPECT_TRUE(g.Holds({"watch_paused=1"}, 500ms)) << g.StateText();
    const State there = g.State();
    const int64_t playedThere = Number(there, "watch_played");

    // Near the start: the game played again from its beginning, only that far.
    ClickStrip(x, t, 0.1);
    ASSERT_TRUE(g.WaitFor([&](const State& s) {
        return Near(s, 0.1) && Number(s, "watch_played") > 0 &&
               Number(s, "watch_played") < playedThere;
    })) << g.StateText();
    EXPECT_TRUE(g.Holds({"watch_paused=1"}, 500ms)) << g.StateText();

    // Sent on while it plays, the watching goes on playing from there.
    g.Key("space");
    ASSERT_TRUE(g.WaitForState({"watch_paused=0"})) << g.StateText();
    ClickStrip(x, t, 0.75);
    ASSERT_TRUE(g.WaitFor([&](const State& s) {
        return Number(s, "watch_ms") >= Number(there, "watch_ms") - (end - start) / 50;
    })) << g.StateText();
    const int64_t sent = Number(g.State(), "watch_ms");
    ASSERT_TRUE(g.WaitFor([&](const State& s) { return Number(s, "watch_ms") > sent + 500; }))
        << g.StateText();
    EXPECT_EQ(g.State()["watch_paused"], "0") << g.StateText();
    EndWatching(g);
}

TEST(Watch, KShowsTheKeysHeldAtTheMomentWatchedAndHidesThem) {
    XServer x;
    TempDir home;
    const std::string file = KeptReplay(home);
    ASSERT_FALSE(file.empty());
    Game g(x, home.Path(), {"--replay", file});
    ASSERT_TRUE(WatchPaused(g)) << g.StateText() << ReadFile(home.Path() + "/game.log");
    const Strip hidden = *StripOf(g.State());
    EXPECT_EQ(Keys(g.State()), "") << g.StateText();

    // At the start nothing is held; the line has its row in the strip, which stays where it was.
    g.Key("k");
    ASSERT_TRUE(g.WaitFor([](const State& s) { return Keys(s) == "Keys: none"; })) << g.StateText();
    const Strip shown = StripOf(g.State()).value_or(Strip{});
    EXPECT_EQ(shown.h, hidden.h) << g.StateText();
    EXPECT_EQ(shown.y, hidden.y) << g.StateText();

    // Inside the hold, Left is down.
    ClickStrip(x, shown, kLeftHeld);
    ASSERT_TRUE(g.WaitFor([](const State& s) {
        return Near(s, kLeftHeld) && Keys(s) == "Keys: Left";
    })) << g.StateText();

    // Played on, the line follows the recording: Left is let go in the seventh second.
    g.Key("space");
    ASSERT_TRUE(g.WaitFor([](const State& s) {
        return Number(s, "watch_ms") - Span(s).first > 7000 && Keys(s) == "Keys: none";
    })) << g.StateText();
    // Back into the hold, the keys are those held there again.
    g.Key("space");
    ASSERT_TRUE(g.WaitForState({"watch_paused=1"})) << g.StateText();
    ClickStrip(x, shown, kLeftHeld);
    ASSERT_TRUE(g.WaitFor([](const State& s) {
        return Near(s, kLeftHeld) && Keys(s) == "Keys: Left";
    })) << g.StateText();

    // K again hides it, the strip as it was.
    g.Key("k");
    ASSERT_TRUE(g.WaitFor([](const State& s) { return Keys(s).empty(); })) << g.StateText();
    EXPECT_EQ(StripOf(g.State()).value_or(Strip{}).h, hidden.h) << g.StateText();
    EndWatching(g);
}

}  // namespace
}  // namespace qbx::e2e
