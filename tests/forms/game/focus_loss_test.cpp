// The pause when the game's window loses the keyboard: only while a level is played or counted
// down, exactly as Esc pauses it, and never a resume on its own.
#include <gtest/gtest.h>

#include <string>

#include "forms/game/frmGame.h"
#include "support/test_support.h"

namespace qbx::test {
namespace {

// A program started at its menu and a game begun with Play, on the same seed each time.
struct Game {
    Game() {
        h.app.Start();
        Run("click frmMenu.cmdPlay");
    }
    void Run(const std::string& script) { EXPECT_EQ(h.Run(script + "\n"), 0) << h.err; }

    // Play has begun after the countdown.
    void IntoPlay() { Run("wait 2500\nexpect frmGame.lblCount.Visible false"); }

    Headless h;
    FrmGame& g = h.app.game;
};

TEST(FocusLoss, PausesTheCountdownAndPlayExactlyAsEscDoes) {
    for (int waitMs : {900, 4000}) {
        SCOPED_TRACE(waitMs);
        // The character keeps out of every bubble's way.
        const std::string wait =
            "set frmGame.imgCharacter.Left -5000\nwait " + std::to_string(waitMs);
        Game esc;
        esc.Run(wait + "\nkey Escape");
        // The same game, losing the keyboard at the same moment.
        Game lost;
        lost.Run(wait);
        ASSERT_EQ(lost.g.Paused, 0);
        lost.g.WindowDeactivated();
        EXPECT_EQ(lost.g.Paused, -1);
        EXPECT_EQ(lost.h.DumpJson("frmGame"), esc.h.DumpJson("frmGame"));

        // It stays paused: losing the keyboard again, or time passing, does not resume.
        lost.g.WindowDeactivated();
        lost.Run("wait 3000");
        EXPECT_EQ(lost.g.Paused, -1);
        EXPECT_TRUE(lost.g.C().lblGamePaused->Visible);
        for (Timer* t : lost.g.Timers()) EXPECT_FALSE(t->Enabled()) << t->name;
        // Esc resumes as usual.
        lost.Run("key Escape\nexpect frmGame.Paused false");
    }
}

TEST(FocusLoss, LeavesThePanelTheDeathAndTheSetUpOfTheNextLevelAlone) {
    Game game;
    FrmGame& g = game.g;
    Headless& h = game.h;
    auto Run = [&game](const std::string& script) { game.Run(script); };
    auto IntoPlay = [&game] { game.IntoPlay(); };
    IntoPlay();
    // The level-complete panel.
    Run("set frmGame.BubblePic(0).Visible false\n"
        "set frmGame.BubblePic(1).Visible false\n"
        "set frmGame.BubblePic(2).Visible false\n"
        "wait 10\n"
        "expect frmGame.cmdContinue.Visible true");
    g.WindowDeactivated();
    EXPECT_EQ(g.Paused, 0);
    EXPECT_TRUE(g.C().tmrBubbles->Enabled());
    EXPECT_EQ(g.MousePointer(), Pointer::Default);

    // The set-up of the next level lets events run before its countdown starts; a pause there
    // would leave the countdown running under the pause label.
    h.svc.Post([&g] { g.WindowDeactivated(); });
    Run("click frmGame.cmdContinue");
    EXPECT_FALSE(h.svc.HasPosted());
    EXPECT_EQ(g.Paused, 0);
    EXPECT_FALSE(g.C().lblGamePaused->Visible);
    EXPECT_TRUE(g.C().tmrLevelStart->Enabled());

    // The death sequence lets events run too; the window losing the keyboard then changes
    // nothing, and the next level's countdown still pauses.
    IntoPlay();
    Run("set frmGame.BubblePic(0).Left 6615\nset frmGame.BubblePic(0).Top 4900");
    h.svc.Post([&g] { g.WindowDeactivated(); });
    Run("wait 10");
    EXPECT_FALSE(h.svc.HasPosted());
    EXPECT_EQ(g.Lives, 4);
    EXPECT_EQ(g.Paused, 0);
    EXPECT_TRUE(g.C().lblCount->Visible);
    g.WindowDeactivated();
    EXPECT_EQ(g.Paused, -1);
}

}  // namespace
}  // namespace qbx::test
