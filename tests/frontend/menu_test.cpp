// The main menu in the headless program: start-up, a new game, the shortcut keys, the about
// box and ending the program.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qbx {
namespace {

struct MenuTest : ::testing::Test {
    void SetUp() override { h.app.Start(); }
    test::Headless h;
};

constexpr const char* kNewGame =
    "expect active frmGame\n"
    "expect frmMenu.visible false\n"
    "expect frmGame.Lives 5\n"
    "expect frmGame.Level 1\n"
    "expect frmGame.Score 0\n"
    "expect frmGame.ExtraLives 0\n"
    "expect frmGame.tmrBubbleSize.Enabled true\n";

TEST_F(MenuTest, StartsAloneWithTheFocusOnInstructionsThenTabOrder) {
    ASSERT_EQ(h.Run("expect active frmMenu\n"
                    "expect frmMenu.focus cmdInstructions\n"
                    "expect frmGame.loaded false\n"
                    "expect frmScores.loaded false\n"
                    "expect frmInstructions.loaded false\n"
                    "key tab\nexpect frmMenu.focus cmdPlay\n"
                    "key tab\nexpect frmMenu.focus cmdScores\n"
                    "key tab\nexpect frmMenu.focus cmdExit\n"
                    "expect frmMenu.ballgreens4.Picture ballgreens4\n"),
              0)
        << h.err;
}

TEST_F(MenuTest, PlayAndCtrlNStartANewGameFromAnyFocus) {
    ASSERT_EQ(h.Run(std::string("click frmMenu.cmdPlay\n") + kNewGame), 0) << h.err;

    test::Headless other;
    other.app.Start();
    ASSERT_EQ(other.Run(std::string("key tab\nkey tab\nkey ctrl+n\n") + kNewGame), 0) << other.err;
}

TEST_F(MenuTest, PlayAfterAGameEndedRebuildsTheGameScreen) {
    ASSERT_EQ(h.Run("click frmMenu.cmdPlay\n"), 0) << h.err;
    FrmGame& game = h.app.game;
    const uint64_t firstLoad = game.Generation();
    // As an ended game leaves things: no lives, the menu back on screen.
    game.Lives = 0;
    game.Level = 9;
    game.Score = 12345;
    game.ExtraLives = 2;
    game.Hide();
    h.app.menu.Show();
    ASSERT_EQ(h.Run(std::string("click frmMenu.cmdPlay\n") + kNewGame), 0) << h.err;
    EXPECT_GT(game.Generation(), firstLoad);
    EXPECT_FALSE(h.svc.Ended());
}

TEST_F(MenuTest, ShortcutsNeedCtrlAlone) {
    ASSERT_EQ(h.Run("key ctrl+shift+n\nkey alt+n\nkey n\nkey ctrl+alt+n\n"
                    "key ctrl+shift+x\nkey alt+x\nkey ctrl+shift+a\nkey ctrl+alt+i\n"
                    "expect active frmMenu\n"
                    "expect frmGame.loaded false\n"
                    "expect frmInstructions.loaded false\n"
                    "expect messages 0\n"
                    "key ctrl+h\nexpect active frmScores\nkey enter\n"
                    "key ctrl+i\nexpect active frmInstructions\nkey enter\n"
                    "expect active frmMenu\n"),
              0)
        << h.err;
}

TEST_F(MenuTest, AboutBoxLeavesTheMenuAsItWas) {
    ASSERT_EQ(h.Run("key ctrl+a\n"
                    "expect messages 1\n"
                    "expect message.title \"About Quibblix\"\n"
                    "expect active frmMenu\n"
                    "expect frmMenu.focus cmdInstructions\n"),
              0)
        << h.err;
    EXPECT_EQ(h.svc.Messages().back().text,
              "Started by the Quibblix team in spring 2026\r\n"
              "Finished by the Quibblix team in spring 2027");
}

TEST_F(MenuTest, ExitCtrlXAndTheCloseBoxEndTheProgram) {
    for (const char* way : {"click frmMenu.cmdExit\n", "key ctrl+x\n",
                            "key ctrl+i\nkey enter\nkey ctrl+h\nkey enter\nclose frmMenu\n"}) {
        test::Headless run;
        run.app.Start();
        ASSERT_EQ(run.Run(way), 0) << run.err;
        EXPECT_TRUE(run.svc.Ended()) << way;
    }
}

}  // namespace
}  // namespace qbx
