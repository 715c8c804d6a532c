// Keys through a real X server: held keys with the server's own auto-repeat, Esc, and menus
// opened with the mouse during play.
#include <gtest/gtest.h>

#include "e2e/e2e_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;

// Long enough for dozens of repeats at the rate set below.
constexpr auto kHold = 2500ms;

class RealKeys : public ::testing::Test {
protected:
    void SetUp() override {
        // Fast repeats on this server only: many chances for a repeat to look like a release.
        ASSERT_EQ(x.Tool({"/usr/bin/xset", "r", "on"}), 0);
        ASSERT_EQ(x.Tool({"/usr/bin/xset", "r", "rate", "150", "50"}), 0);
    }
    XServer x;
    TempDir home;
};

TEST_F(RealKeys, AHeldSpaceOrEnterClicksOnceOnEveryScreen) {
    Game g(x, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu"})) << g.StateText();

    // Enter held on High Scores opens the scores; its repeats do not press Return to Menu.
    ASSERT_TRUE(g.FocusOn("cmdScores")) << g.StateText();
    g.KeyDown("Return");
    ASSERT_TRUE(g.WaitForState({"active=frmScores", "focus=cmdClose"})) << g.StateText();
    EXPECT_TRUE(g.Holds({"active=frmScores"}, kHold)) << g.StateText();
    g.KeyUp("Return");
    EXPECT_TRUE(g.Holds({"active=frmScores"}, 300ms)) << g.StateText();

    // Space held on Return to Menu clicks once, when it comes up.
    g.KeyDown("space");
    EXPECT_TRUE(g.Holds({"active=frmScores"}, kHold)) << g.StateText();
    g.KeyUp("space");
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "focus=cmdPlay"})) << g.StateText();

    // The same on the instructions.
    ASSERT_TRUE(g.FocusOn("cmdInstructions")) << g.StateText();
    g.KeyDown("Return");
    ASSERT_TRUE(g.WaitForState({"active=frmInstructions"})) << g.StateText();
    EXPECT_TRUE(g.Holds({"active=frmInstructions"}, kHold)) << g.StateText();
    g.KeyUp("Return");
    g.KeyDown("space");
    EXPECT_TRUE(g.Holds({"active=frmInstructions"}, kHold)) << g.StateText();
    g.KeyUp("space");
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "focus=cmdPlay"})) << g.StateText();

    // Space held on Play starts no game until it comes up; then one game.
    ASSERT_TRUE(g.FocusOn("cmdPlay")) << g.StateText();
    g.KeyDown("space");
    EXPECT_TRUE(g.Holds({"active=frmMenu", "game=0"}, kHold)) << g.StateText();
    g.KeyUp("space");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "level=1"})) << g.StateText();
}

TEST_F(RealKeys, EscPausesAndResumesAndAnOpenMenuPausesUntilEsc) {
    Game g(x, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu"})) << g.StateText();
    g.Key("ctrl+n");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "playing=1"})) << g.StateText();

    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=1", "banner=1", "pause=Un&pause Game"})) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=0", "banner=0", "playing=1", "pause=&Pause Game"}))
        << g.StateText();

    // The File menu opened with the mouse pauses; Esc closes it, the next Esc resumes.
    g.ClickAt(18, 10);
    ASSERT_TRUE(g.WaitForState({"paused=1", "banner=1", "pause=Un&pause Game"})) << g.StateText();
    g.Key("Escape");
    EXPECT_TRUE(g.Holds({"paused=1", "banner=1"}, 500ms)) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=0", "banner=0", "playing=1"})) << g.StateText();

    // Alt alone gives the menu bar the keyboard: paused the same way, and the same two Escs.
    g.Key("alt");
    ASSERT_TRUE(g.WaitForState({"paused=1", "banner=1"})) << g.StateText();
    g.Key("Escape");
    EXPECT_TRUE(g.Holds({"paused=1", "banner=1"}, 500ms)) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=0", "banner=0", "playing=1"})) << g.StateText();

    // Closed by a second click rather than Esc, the Help menu leaves the game paused as well.
    g.ClickAt(55, 10);
    ASSERT_TRUE(g.WaitForState({"paused=1", "banner=1"})) << g.StateText();
    g.ClickAt(55, 10);
    EXPECT_TRUE(g.Holds({"paused=1", "banner=1"}, 500ms)) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=0", "banner=0", "playing=1"})) << g.StateText();
}

TEST_F(RealKeys, AMenuOpenedDuringTheCountdownPausesIt) {
    Game g(x, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu"})) << g.StateText();
    g.Key("ctrl+n");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "countdown=1"})) << g.StateText();
    g.ClickAt(18, 10);
    ASSERT_TRUE(g.WaitForState({"paused=1", "banner=1"})) << g.StateText();
    // Paused, the countdown stays where it was.
    EXPECT_TRUE(g.Holds({"paused=1", "countdown=1", "playing=0"}, 3000ms)) << g.StateText();
    g.Key("Escape");
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=0", "playing=1", "countdown=0"})) << g.StateText();
}

}  // namespace
}  // namespace qbx::e2e
