// The pad through the driver: in play it does what the keys do, on the menus it moves the focus
// and presses buttons, and its stick has a dead zone that does not flicker.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qbx::test {
namespace {

// Into level 1, past the count-down, with a slow-motion power-up active.
constexpr const char* kInPlay =
    "click frmMenu.cmdPlay\n"
    "wait 2430\n"
    "set frmGame.apwrup.Picture pwrupslow\n";

// The whole state after the same play, once by keys and once by pad.
std::string StateAfter(const std::string& play) {
    Headless h;
    h.app.Start();
    h.Ok(std::string(kInPlay) + play + "wait 300\n");
    return h.DumpJson();
}

TEST(PadTest, InPlayEachButtonDoesWhatItsKeyDoes) {
    const std::pair<const char*, const char*> same[] = {
        {"key Up", "pad a"},
        {"key Up", "pad b"},
        {"key Down", "pad x"},
        {"key Down", "pad y"},
        {"key Escape", "pad start"},
        {"key Escape\nwait 100\nkey Escape", "pad start\nwait 100\npad start"},
        {"key Left down\nwait 200\nkey Left up", "pad dpleft down\nwait 200\npad dpleft up"},
        {"key Right down\nwait 200\nkey Right up", "pad dpright down\nwait 200\npad dpright up"},
        {"key Left down\nwait 200\nkey Left up", "pad leftx -20000\nwait 200\npad leftx 0"},
        {"key Right down\nwait 200\nkey Right up", "pad leftx 32767\nwait 200\npad leftx 100"},
        // The d-pad and the stick held together: the walk stops when the last lets go.
        {"key Left down\nwait 200\nkey Left up",
         "pad dpleft down\npad leftx -32768\nwait 100\npad dpleft up\nwait 100\npad leftx 0"},
        // Buttons without a key, and up and down in play, do nothing.
        {"wait 1",
         "pad back\npad leftshoulder\npad rightshoulder\npad dpup\npad dpdown\n"
         "pad lefty -32768\npad lefty 0\nwait 1"},
    };
    for (const auto& [keys, pad] : same) {
        SCOPED_TRACE(pad);
        EXPECT_TRUE(StateAfter(std::string(keys) + "\n") == StateAfter(std::string(pad) + "\n"));
    }
    // And the play above does something at all.
    EXPECT_NE(StateAfter("pad x\n"), StateAfter("wait 1\n"));
    EXPECT_NE(StateAfter("pad dpleft down\nwait 200\npad dpleft up\n"), StateAfter("wait 1\n"));
}

TEST(PadTest, StickWalksOnlyPastTheDeadZoneAndStopsOnlyWellInsideIt) {
    Headless h;
    h.app.Start();
    h.Ok(std::string(kInPlay) +
         "pad leftx -8000\n"  // inside the dead zone
         "expect frmGame.tmrLeft.Enabled false\n"
         "pad leftx -8192\n"
         "expect frmGame.tmrLeft.Enabled true\n"
         "pad leftx -7000\n"  // resting near the edge: still walking
         "expect frmGame.tmrLeft.Enabled true\n"
         "pad leftx -8500\n"
         "pad leftx -6600\n"
         "expect frmGame.tmrLeft.Enabled true\n"
         "pad leftx -6000\n"
         "expect frmGame.tmrLeft.Enabled false\n"
         "pad leftx -7000\n"  // coming back out needs the whole push again
         "expect frmGame.tmrLeft.Enabled false\n"
         "pad leftx 9000\n"
         "expect frmGame.tmrRight.Enabled true\n"
         "pad leftx -9000\n"  // straight across: one direction ends as the other begins
         "expect frmGame.tmrRight.Enabled false\n"
         "expect frmGame.tmrLeft.Enabled true\n"
         "pad leftx 7000\n"  // swung past the middle to near the other edge: stopped
         "expect frmGame.tmrLeft.Enabled false\n"
         "expect frmGame.tmrRight.Enabled false\n"
         "pad leftx 8191\n"  // the same push on either side
         "expect frmGame.tmrRight.Enabled false\n"
         "pad leftx 8192\n"
         "expect frmGame.tmrRight.Enabled true\n");
}

TEST(PadTest, OnTheMenusTheDpadMovesTheFocusToTheNearestButtonThatWay) {
    Headless h;
    h.app.Start();
    // The menu's buttons form a diamond around 2 Players: Play on top, High Scores and
    // Instructions either side, Exit at the bottom.
    const std::tuple<const char*, const char*, const char*> moves[] = {
        {"cmdInstructions", "dpleft", "cmdTwoPlayers"},  // along the row
        {"cmdTwoPlayers", "dpleft", "cmdScores"},
        {"cmdScores", "dpright", "cmdTwoPlayers"},
        {"cmdTwoPlayers", "dpright", "cmdInstructions"},
        {"cmdInstructions", "dpup", "cmdPlay"},
        {"cmdPlay", "dpup", "cmdPlay"},  // nothing above: the focus stays
        {"cmdPlay", "dpdown", "cmdTwoPlayers"},
        {"cmdTwoPlayers", "dpdown", "cmdExit"},
        {"cmdExit", "dpleft", "cmdScores"},
        {"cmdScores", "dpleft", "cmdScores"},
        {"cmdScores", "dpdown", "cmdExit"},
        {"cmdExit", "dpright", "cmdInstructions"},
        {"cmdInstructions", "dpdown", "cmdExit"},
        {"cmdExit", "dpup", "cmdTwoPlayers"},
        {"cmdTwoPlayers", "dpup", "cmdPlay"},
        {"cmdPlay", "dpright", "cmdInstructions"},
    };
    h.Ok("expect frmMenu.focus cmdInstructions\n");
    for (const auto& [from, button, to] : moves) {
        SCOPED_TRACE(std::string(from) + " " + button);
        h.Ok(std::string("expect frmMenu.focus ") + from + "\npad " + button +
             "\nexpect frmMenu.focus " + to + "\n");
    }
    // The stick moves it once per push; up and down move it too.
    h.Ok(
        "pad leftx -32768\npad leftx -30000\nexpect frmMenu.focus cmdTwoPlayers\n"
        "pad leftx 0\npad lefty 20000\nexpect frmMenu.focus cmdExit\npad lefty 0\n"
        "pad x\npad y\npad b\nexpect active frmMenu\nexpect frmMenu.focus cmdExit\n");
}

TEST(PadTest, SouthPressesTheFocusedButtonAndEastTheReturnButton) {
    Headless h;
    h.app.Start();
    h.Ok(
        "pad a\n"
        "expect active frmInstructions\n"
        "pad b\n"
        "expect active frmMenu\n"
        "pad dpleft\n"
        "pad a\n"
        "expect active frmScores\n"
        "pad dpdown\n"  // one button: the focus stays on it
        "expect frmScores.focus cmdClose\n"
        "pad b\n"
        "expect active frmMenu\n");
    // From the game, the same button goes back to the game, not to the menu.
    h.Ok(
        "pad dpup\npad a\n"
        "wait 2430\n"
        "menu frmGame.mnuInstructions\n"
        "expect frmInstructions.cmdClose.Caption \"Return to Game\"\n"
        "pad b\n"
        "expect active frmGame\n"
        "expect frmMenu.visible false\n");
}

TEST(PadTest, AButtonReleasedOnAnotherScreenLiftsTheKeyItPressed) {
    Headless h;
    h.app.Start();
    // Walking when the level's panel comes up: the walk stops on release even though the
    // d-pad now moves the focus.
    h.Ok(std::string(kInPlay) +
         "pad dpright down\n"
         "expect frmGame.tmrRight.Enabled true\n"
         "set frmGame.cmdContinue.Visible true\n"
         "pad dpright up\n"
         "expect frmGame.tmrRight.Enabled false\n"
         "pad dpright\n"
         "expect frmGame.tmrRight.Enabled false\n");
}

TEST(PadTest, BadPadLinesAreRefusedNamingTheLine) {
    const std::pair<const char*, const char*> bad[] = {
        {"pad z", "unknown pad button 'z'"},
        {"pad A", "unknown pad button"},
        {"pad", "unknown pad button"},
        {"pad a sideways", "pad takes 'down' or 'up'"},
        {"pad leftx", "pad leftx takes a number"},
        {"pad leftx 32768", "takes a number from -32768 to 32767"},
        {"pad lefty -32769", "takes a number"},
        {"pad leftx 1.5", "takes a number"},
        {"pad rightx 0", "unknown pad button 'rightx'"},
    };
    for (const auto& [line, message] : bad) {
        SCOPED_TRACE(line);
        Headless h;
        h.app.Start();
        EXPECT_EQ(h.Run(std::string("wait 5\n") + line + "\ndump\n"), 2);
        EXPECT_EQ(h.err.rfind("line 2: ", 0), 0u) << h.err;
        EXPECT_NE(h.err.find(message), std::string::npos) << h.err;
        EXPECT_TRUE(h.out.empty());
    }
}

}  // namespace
}  // namespace qbx::test
