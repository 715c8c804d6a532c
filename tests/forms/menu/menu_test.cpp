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
    "expect frmGame.tmrBubbleSize.Enabled true\n";

TEST_F(MenuTest, StartsAloneWithTheFocusOnInstructionsThenTabOrder) {
    h.Ok(
        "expect active frmMenu\n"
        "expect frmMenu.focus cmdInstructions\n"
        "expect frmGame.loaded false\n"
        "expect frmScores.loaded false\n"
        "expect frmInstructions.loaded false\n"
        "key tab\nexpect frmMenu.focus cmdPlay\n"
        "key tab\nexpect frmMenu.focus cmdScores\n"
        "key tab\nexpect frmMenu.focus cmdExit\n");
}

TEST_F(MenuTest, PlayAndCtrlNStartANewGameFromAnyFocus) {
    h.Ok(std::string("click frmMenu.cmdPlay\n") + kNewGame);
    test::Headless other;
    other.app.Start();
    other.Ok(std::string("key tab\nkey tab\nkey ctrl+n\n") + kNewGame);
}

TEST_F(MenuTest, ShortcutsNeedCtrlAloneAndTheAboutBoxLeavesTheMenuAsItWas) {
    h.Ok(
        "key ctrl+shift+n\nkey alt+n\nkey n\nkey ctrl+alt+n\n"
        "key ctrl+shift+x\nkey alt+x\nkey ctrl+shift+a\nkey ctrl+alt+i\n"
        "expect active frmMenu\n"
        "expect frmGame.loaded false\n"
        "expect frmInstructions.loaded false\n"
        "expect messages 0\n"
        "key ctrl+a\n"
        "expect message.title \"About Quibblix\"\n"
        "expect frmMenu.focus cmdInstructions\n"
        "key ctrl+h\nexpect active frmScores\nkey enter\n"
        "key ctrl+i\nexpect active frmInstructions\nkey enter\n"
        "expect active frmMenu\n");
}

// M alone turns the sound off and on; with Ctrl, Shift or Alt it is no choice of the player's.
TEST_F(MenuTest, MAloneTurnsTheSoundOffAndOn) {
    ASSERT_TRUE(h.svc.SoundOn());
    h.Ok("key ctrl+m\nkey shift+m\nkey alt+m\n");
    EXPECT_TRUE(h.svc.SoundOn());
    h.Ok("key m\n");
    EXPECT_FALSE(h.svc.SoundOn());
    h.Ok("key m\n");
    EXPECT_TRUE(h.svc.SoundOn());
}

TEST_F(MenuTest, ExitCtrlXAndTheCloseBoxEndTheProgram) {
    for (const char* way : {"click frmMenu.cmdExit\n", "key ctrl+x\n",
                            "key ctrl+i\nkey enter\nkey ctrl+h\nkey enter\nclose frmMenu\n"}) {
        test::Headless run;
        run.app.Start();
        run.Ok(way);
        EXPECT_TRUE(run.svc.Ended()) << way;
    }
}

}  // namespace
}  // namespace qbx
