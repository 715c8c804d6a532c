// The level-complete panel through a real X server's keys. A stand-in player inside the game
// clears the first level; from the panel on, only the keys pressed here reach the game.
#include <gtest/gtest.h>

#include <optional>

#include "e2e/e2e_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;

class LevelPanel : public ::testing::Test {
protected:
    void SetUp() override {
        // Fast repeats, so a held key has many chances to click twice or on its press.
        ASSERT_EQ(x.Tool({"/usr/bin/xset", "r", "on"}), 0);
        ASSERT_EQ(x.Tool({"/usr/bin/xset", "r", "rate", "150", "50"}), 0);
        game.emplace(x, home.Path(), std::vector<std::string>{}, PanelGame());
        // Clearing the level takes the stand-in a while on a busy machine. The panel already
        // counts the next level.
        ASSERT_TRUE(game->WaitForState(
            {"active=frmGame", "level=2", "panel=1", "focus=cmdContinue", "paused=0"}, 300s))
            << game->StateText();
    }

    XServer x;
    TempDir home;
    std::optional<Game> game;
};

TEST_F(LevelPanel, TabAndEscKeepThePanelAndEnterContinues) {
    Game& g = *game;
    // Continue is the only button: Tab leaves the focus on it.
    g.Key("Tab");
    EXPECT_TRUE(g.Holds({"panel=1", "focus=cmdContinue"}, 500ms)) << g.StateText();
    // Esc does not pause on the panel.
    g.Key("Escape");
    EXPECT_TRUE(g.Holds({"panel=1", "paused=0", "banner=0", "pause=&Pause Game"}, 1000ms))
        << g.StateText();
    // Enter presses Continue: the next level's countdown, unpaused. The keys above were taken
    // before this one, so Continue kept the focus through them.
    g.Key("Return");
    ASSERT_TRUE(g.WaitForState({"level=2", "panel=0", "countdown=1"})) << g.StateText();
    EXPECT_TRUE(g.Holds({"level=2", "paused=0", "banner=0"}, 500ms)) << g.StateText();
}

TEST_F(LevelPanel, SpaceHeldOnThePanelPressesContinueOnceOnRelease) {
    Game& g = *game;
    g.KeyDown("space");
    EXPECT_TRUE(g.Holds({"panel=1", "countdown=0", "focus=cmdContinue"}, 2500ms)) << g.StateText();
    g.KeyUp("space");
    ASSERT_TRUE(g.WaitForState({"level=2", "panel=0", "countdown=1"})) << g.StateText();
}

}  // namespace
}  // namespace qbx::e2e
