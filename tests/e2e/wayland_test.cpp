// The game on a Wayland desktop: held keys with the toolkit's own repeats, Esc, the full
// screen, a scale-2 output and a signal that ends the game.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "e2e/wayland_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;

// Long enough for dozens of repeats at the compositor's rate.
constexpr int kHoldMs = 2500;

class Wayland : public ::testing::Test {
protected:
    void SetUp() override {
        if (!wl.Up()) GTEST_SKIP() << "no Wayland compositor for this test: " << wl.Why();
    }
    // The key held for kHoldMs; whether the state keeps every word until the key can have
    // come up (the tool lets go no sooner). Returns once the key is up.
    bool HoldKeeping(const Game& g, const std::string& key, const std::vector<std::string>& words,
                     const std::vector<std::string>& first = {}) {
        const auto up = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHoldMs);
        auto held = wl.Hold(key, kHoldMs);
        const bool reached = first.empty() || g.WaitForState(first);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            up - std::chrono::steady_clock::now());
        const bool kept = reached && g.Holds(words, std::max(left, 0ms));
        held->WaitExit(60s);
        return kept;
    }
    Compositor wl;
    TempDir home;
};

TEST_F(Wayland, AHeldSpaceOrEnterClicksOnceOnTheMenusButtons) {
    Game g(wl, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "keyboard=1"})) << g.StateText();

    // Enter held on High Scores opens the scores; its repeats do not press Return to Menu.
    ASSERT_TRUE(g.FocusOn("cmdScores")) << g.StateText();
    EXPECT_TRUE(HoldKeeping(g, "Return", {"active=frmScores", "focus=cmdClose"},
                            {"active=frmScores", "focus=cmdClose"}))
        << g.StateText();
    EXPECT_TRUE(g.Holds({"active=frmScores"}, 300ms)) << g.StateText();

    // Space held on Return to Menu clicks once, when it comes up.
    EXPECT_TRUE(HoldKeeping(g, "space", {"active=frmScores"})) << g.StateText();
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "focus=cmdPlay"})) << g.StateText();

    // Space held on Play starts no game until it comes up; then one game.
    EXPECT_TRUE(HoldKeeping(g, "space", {"active=frmMenu", "game=0"})) << g.StateText();
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "level=1"})) << g.StateText();
}

TEST_F(Wayland, EscPausesAndResumes) {
    Game g(wl, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "keyboard=1"})) << g.StateText();
    g.Key("ctrl+n");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "playing=1"})) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=1", "banner=1", "pause=Un&pause Game"})) << g.StateText();
    EXPECT_TRUE(g.Holds({"paused=1", "playing=0"}, 500ms)) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=0", "banner=0", "playing=1", "pause=&Pause Game"}))
        << g.StateText();
}

// F11 fills the output and gives the window back at its own size; --fullscreen starts full.
TEST_F(Wayland, F11FillsTheOutputAndComesBack) {
    std::string windowed;
    {
        Game g(wl, home.Path(), {"--window"});
        ASSERT_TRUE(g.WaitForState({"active=frmMenu", "fullscreen=0", "keyboard=1"}))
            << g.StateText();
        windowed = g.State()["size"];
        ASSERT_NE(windowed, "1280x1024") << g.StateText();
        g.Key("F11");
        ASSERT_TRUE(g.WaitForState({"fullscreen=1", "size=1280x1024"})) << g.StateText();
        g.Key("F11");
        ASSERT_TRUE(g.WaitForState({"fullscreen=0", "size=" + windowed})) << g.StateText();
        g.Key("ctrl+x");
        const std::optional<int> status = g.Proc().WaitExit(30s);
        EXPECT_TRUE(status && *status == 0) << g.StateText();
    }
    Game g(wl, home.Path(), {"--fullscreen"});
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "fullscreen=1", "size=1280x1024", "keyboard=1"}))
        << g.StateText();
    // The compositor may take it out of the full screen itself: the game follows.
    ASSERT_EQ(wl.Tool({"/usr/bin/swaymsg",
                       "[pid=" + std::to_string(g.Proc().Pid()) + "] fullscreen disable"}),
              0);
    ASSERT_TRUE(g.WaitForState({"fullscreen=0", "size=" + windowed})) << g.StateText();
    g.Key("F11");
    ASSERT_TRUE(g.WaitForState({"fullscreen=1", "size=1280x1024"})) << g.StateText();
}

// On an output at scale 2 the window draws two device pixels for each of its own.
TEST(WaylandScale, AScaleTwoOutputDrawsAtTwiceThePixels) {
    Compositor wl("output HEADLESS-1 scale 2");
    if (!wl.Up()) GTEST_SKIP() << "no Wayland compositor for this test: " << wl.Why();
    TempDir home;
    Game g(wl, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "dpr=2"})) << g.StateText();
    const std::string png = home.Path() + "/output.png";
    ASSERT_TRUE(wl.Shot(png));
    EXPECT_EQ(PngSize(png), std::make_pair(1280, 1024));
    // The same window on a scale-1 output has the same size in its own pixels.
    Compositor plain;
    ASSERT_TRUE(plain.Up()) << plain.Why();
    TempDir other;
    Game h(plain, other.Path());
    ASSERT_TRUE(h.WaitForState({"active=frmMenu", "dpr=1"})) << h.StateText();
    EXPECT_EQ(g.State()["size"], h.State()["size"]);
}

// A signal during play ends the program as Exit does, and the game, which has a score, enters
// the tables; so does the close box.
TEST_F(Wayland, SigtermInPlayEndsTheGameAndRecordsIt) {
    Game g(wl, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "keyboard=1"})) << g.StateText();
    g.Key("ctrl+n");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "playing=1"})) << g.StateText();
    // Fire held until a bubble passing overhead is hit (level 1 has one above the start).
    auto fire = wl.Hold("space", 120000);
    const bool scored = g.WaitFor([](const auto& s) {
        return s.count("score") && s.at("score") != "0" && s.at("game") == "1";
    });
    ASSERT_TRUE(scored) << g.StateText();
    g.Proc().Signal(SIGTERM);
    const std::optional<int> status = g.Proc().WaitExit(30s);
    ASSERT_TRUE(status) << "still running after the signal: " << g.StateText();
    EXPECT_EQ(*status, 0);
    ExpectScoredLevelOneGameRecorded(g.RecordsDir());
}

TEST_F(Wayland, TheCloseBoxEndsTheProgram) {
    Game g(wl, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "keyboard=1"})) << g.StateText();
    ASSERT_TRUE(g.CloseBox());
    const std::optional<int> status = g.Proc().WaitExit(30s);
    ASSERT_TRUE(status) << "still running after the close box: " << g.StateText();
    EXPECT_EQ(*status, 0);
}

}  // namespace
}  // namespace qbx::e2e
