// The game screen's menu commands, closing its window and the end of a game, driven through the
// headless driver from the menu: what each leaves on screen, whether the program ends, and what
// the record files hold afterwards. New Game during a death is in tests/scenarios/reentrancy.qbx.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "engine/program.h"
#include "forms/game/frmGame.h"
#include "records/record_file.h"
#include "records/record_table.h"
#include "support/test_support.h"

namespace qbx::test {
namespace {

// The whole text of a file; empty when it is missing.
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A program started at its menu, the player named TESTER, and a game begun with Play.
struct Session {
    Session() {
        h.svc.SetEnv("NWUSERNAME", "tester");
        h.app.Start();
        Run("click frmMenu.cmdPlay");
    }
    void Run(const std::string& script) { EXPECT_EQ(h.Run(script + "\n"), 0) << h.err; }

    // Both files hold this game's result as their only row, or both are empty (score 0).
    void ExpectRecorded(int32_t score, int16_t level) {
        std::string emptyRows;
        for (int i = 1; i < 20; ++i) emptyRows += "\"\"\r\n\"\"\r\n";
        auto row = [&](int value) {
            return score ? "\"TESTER\"\r\n\"" + std::to_string(value) + "\"\r\n" + emptyRows : "";
        };
        EXPECT_EQ(Slurp(h.dir.Path() + "/" + records::kScoreFileName), row(score));
        EXPECT_EQ(Slurp(h.dir.Path() + "/" + records::kLevelFileName), row(level));
    }

    void IntoPlay() { Run("wait 2500\nexpect frmGame.lblCount.Visible false"); }
    // The field is emptied and the next bubble-size tick completes the level.
    void ToThePanel() {
        IntoPlay();
        Run("set frmGame.BubblePic(0).Visible false\nset frmGame.BubblePic(1).Visible false\n"
            "set frmGame.BubblePic(2).Visible false\nwait 10\n"
            "expect frmGame.cmdContinue.Visible true");
    }
    // A bubble over the character: the next bubble tick takes a life.
    void BubbleOnTheCharacter() {
        Run("set frmGame.BubblePic(0).Left 6615\nset frmGame.BubblePic(0).Top 4900");
    }

    Headless h;
    FrmGame& g = h.app.game;
};

// The high-score command shows the tables as they are on disk now: a game that ended on
// another machine sharing them since this one began is in them.
TEST(Commands, TheHighScoresCommandReadsBothTablesAfresh) {
    Session s;
    s.IntoPlay();
    for (const char* name : {"ALICE", "BOB"}) {
        records::RecordRows scores(20), levels(20);
        scores[0] = {name, name[0] == 'A' ? "900" : "1200"};
        levels[0] = {name, name[0] == 'A' ? "7" : "9"};
        ASSERT_TRUE(records::WriteRecordFile(s.h.dir.Path() + "/" + records::kScoreFileName,
                                             records::WriteTable(scores)));
        ASSERT_TRUE(records::WriteRecordFile(s.h.dir.Path() + "/" + records::kLevelFileName,
                                             records::WriteTable(levels)));
        s.Run(std::string("menu frmGame.mnuHighScores\nexpect frmScores.lblScoreName(1).Caption ") +
              name + "\nexpect frmScores.lblHighScore(1).Caption " + scores[0].value +
              "\nexpect frmScores.lblLevelName(1).Caption " + name +
              "\nexpect frmScores.lblHighLevel(1).Caption " + levels[0].value +
              "\nclick frmScores.cmdClose\nexpect active frmGame");
    }
}

TEST(Commands, NewGameWhilePausedOrOnThePanelStartsAtOnceAndRecordsTheOldGame) {
    Session s;
    s.IntoPlay();
    s.Run(
        "set frmGame.Score 300\nset frmGame.Level 4\nkey Escape\nmenu frmGame.mnuNew\n"
        "expect frmGame.Paused false\n"
        "expect frmGame.lblGamePaused.Visible false\n"
        "expect frmGame.mnuPause.Caption \"&Pause Game\"\n"
        "expect frmGame.Level 1\n"
        "expect frmGame.Score 0\n"
        "expect frmGame.lblCount.Visible true");
    s.ExpectRecorded(300, 4);

    Session p;
    p.ToThePanel();
    p.Run(
        "set frmGame.Score 900\nmenu frmGame.mnuNew\n"
        "expect frmGame.cmdContinue.Visible false\n"
        "expect frmGame.lblComplete.Visible false\n"
        "expect frmGame.lblLevel.Caption \"Level:\\r\\n1\"\n"
        "wait 2500\n"
        "expect frmGame.tmrBubbles.Enabled true");
    p.ExpectRecorded(900, 2);
}

TEST(Commands, ExitAndTheCloseBoxEndTheProgramRecordingOnlyAScore) {
    for (bool panel : {false, true})
        for (const char* how : {"menu frmGame.mnuExit", "close frmGame"})
            for (int32_t score : {0, 1, 640}) {
                SCOPED_TRACE(std::string(panel ? "panel, " : "countdown, ") + how + ", " +
                             std::to_string(score));
                Session s;
                if (panel) s.ToThePanel();
                s.Run("set frmGame.Score " + std::to_string(score) + "\n" + how +
                      "\nexpect ended true");
                EXPECT_TRUE(s.h.svc.Ended());
                s.ExpectRecorded(score, panel ? 2 : 1);
            }
    // The last life is still a game in progress.
    Session s;
    s.IntoPlay();
    s.Run(
        "set frmGame.Lives 1\nset frmGame.Score 70\nset frmGame.Level 6\nclose frmGame\n"
        "expect ended true");
    s.ExpectRecorded(70, 6);
}

TEST(Commands, ViewCommandsReturnToThePausedGameOrToTheUnpausedPanel) {
    Session s;
    s.IntoPlay();
    const std::pair<std::string, std::string> views[] = {{"frmInstructions", "mnuInstructions"},
                                                         {"frmScores", "mnuHighScores"},
                                                         {"frmReplays", "mnuReplays"}};
    for (const auto& [screen, item] : views) {
        SCOPED_TRACE(screen);
        const float bubbleTop = s.g.C().BubblePic(0).Top;
        s.Run("menu frmGame." + item + "\nexpect active " + screen + "\nexpect " + screen +
              ".cmdClose.Caption \"Return to Game\"\nwait 500\nclick " + screen +
              ".cmdClose\nexpect active frmGame\nexpect frmGame.Paused true\n"
              "expect frmGame.lblGamePaused.Visible true\nexpect " +
              screen + ".cmdClose.Caption \"Return to Menu\"\nwait 500");
        EXPECT_EQ(s.g.C().BubblePic(0).Top, bubbleTop);  // nothing moved while away
        s.Run("key Escape\nexpect frmGame.tmrBubbles.Enabled true");
    }
    s.ToThePanel();
    for (const auto& [screen, item] : views) {
        SCOPED_TRACE("panel, " + screen);
        s.Run("menu frmGame." + item + "\nexpect frmGame.visible false\nclick " + screen +
              ".cmdClose\nexpect active frmGame\nexpect frmGame.cmdContinue.Visible true\n"
              "expect frmGame.Paused false\nexpect frmGame.mousePointer 0");
    }
    s.Run(
        "menu frmGame.mnuAbout\nexpect messages 1\nexpect frmGame.Paused false\n"
        "click frmGame.cmdContinue\nexpect frmGame.lblLevel.Caption \"Level:\\r\\n2\"");
    // Once the game is over, the screens opened from the menu lead back to the menu.
    s.Run("wait 2500\nset frmGame.Lives 1");
    s.BubbleOnTheCharacter();
    s.Run(
        "wait 10\nexpect active frmScores\nclick frmScores.cmdClose\nexpect active frmMenu\n"
        "click frmMenu.cmdInstructions\nclick frmInstructions.cmdClose\nexpect active frmMenu");
}

// The paused state, its banner and the command's caption always agree, whichever way the pause
// came: Continue clears all three, and a pause taken while a level is set up holds.
TEST(Commands, ContinueWhilePausedStartsTheNextLevelUnpaused) {
    Session s;
    s.ToThePanel();
    s.Run(
        "menu frmGame.mnuPause\nexpect frmGame.lblGamePaused.Visible true\n"
        "click frmGame.cmdContinue\nexpect frmGame.Paused false\n"
        "expect frmGame.lblGamePaused.Visible false\n"
        "expect frmGame.mnuPause.Caption \"&Pause Game\"\nwait 2400\n"
        "expect frmGame.lblCount.Visible false\nexpect frmGame.tmrBubbles.Enabled true");
}

TEST(Commands, APauseTakenWhileALevelIsSetUpHoldsUntilThePlayerResumes) {
    const char* pauses[] = {"key Escape", "key ctrl+P", "menu frmGame.mnuPause", "key ctrl+H",
                            "key ctrl+I"};
    for (const bool viaContinue : {true, false})
        for (const std::string pause : pauses) {
            SCOPED_TRACE(std::string(viaContinue ? "Continue, " : "New Game, ") + pause);
            Session s;
            if (viaContinue) s.ToThePanel();
            s.Run("post " + pause + "\n" +
                  (viaContinue ? "click frmGame.cmdContinue" : "menu frmGame.mnuNew"));
            const std::string away = pause == "key ctrl+H"   ? "frmScores"
                                     : pause == "key ctrl+I" ? "frmInstructions"
                                                             : "";
            s.Run(
                "wait 5000\nexpect frmGame.Paused true\nexpect frmGame.lblGamePaused.Visible true\n"
                "expect frmGame.mnuPause.Caption \"Un&pause Game\"\n"
                "expect frmGame.lblCount.Caption \"3\"\nexpect frmGame.lblCount.Visible true\n"
                "expect frmGame.tmrLevelStart.Enabled false\n"
                "expect frmGame.tmrBubbleSize.Enabled false\n"
                "expect frmGame.tmrBubbles.Enabled false\nexpect frmGame.mousePointer 0");
            if (!away.empty())
                s.Run("expect active " + away + "\nexpect frmGame.visible false\nclick " + away +
                      ".cmdClose\nexpect active frmGame\nexpect frmGame.Paused true");
            s.Run(
                "key Escape\nexpect frmGame.lblGamePaused.Visible false\nwait 2400\n"
                "expect frmGame.lblCount.Visible false\nexpect frmGame.tmrBubbles.Enabled true\n"
                "expect frmGame.mousePointer 99");
        }
}

// A key held down repeats its key-down; a focused button still clicks only once: Space when it
// comes up, Enter when it goes down. Held on a return button, it leaves the menu as it is.
TEST(Commands, AButtonClicksOncePerPressHoweverLongTheKeyIsHeld) {
    for (const std::string key : {"Space", "Enter"})
        for (const std::string screen : {"frmScores", "frmInstructions"}) {
            SCOPED_TRACE(key + " on " + screen);
            Headless h;
            h.app.Start();
            const bool space = key == "Space";
            const std::string open = screen == "frmScores" ? "cmdScores" : "cmdInstructions";
            const std::string down = "key " + key + " down\n", up = "key " + key + " up\n";
            h.Ok("click frmMenu." + open + "\n" + down + "expect active " +
                 (space ? screen : "frmMenu") + "\n" + down + down + down + up +
                 "expect active frmMenu\nexpect frmGame.loaded false");
            // Pressed afresh on the menu, it plays.
            h.Ok(down + down + (space ? "expect active frmMenu\n" : "") + up +
                 "expect active frmGame");
        }
}

TEST(Commands, GameOverShowsTheScoreOnceAndRecordsIt) {
    for (int32_t score : {0, 1, 1480}) {
        SCOPED_TRACE(score);
        Session s;
        s.IntoPlay();
        s.Run("set frmGame.Lives 1\nset frmGame.Level 3\nset frmGame.Score " +
              std::to_string(score));
        s.BubbleOnTheCharacter();
        s.Run(
            "wait 10\nexpect messages 1\nexpect message.title \"Game Over\"\n"
            "expect frmGame.loaded false\nexpect active frmScores");
        EXPECT_EQ(s.h.svc.Messages().back().text, "Your Final Score:  " + std::to_string(score));
        s.ExpectRecorded(score, 3);
    }
}

// The death sequence's event pump takes input queued before the tick in which the character is
// hit: Exit or the close box there ends the program with the game recorded and no life taken.
TEST(Commands, ExitOrTheCloseBoxDuringTheDeathEndsTheProgram) {
    for (bool close : {false, true}) {
        SCOPED_TRACE(close);
        Session s;
        s.IntoPlay();
        s.Run("set frmGame.Score 500\nset frmGame.Level 2");
        s.BubbleOnTheCharacter();
        FrmGame& g = s.g;
        s.h.svc.Post([&g, close] { close ? g.CloseBox() : g.ClickMenu(*g.C().mnuExit); });
        EXPECT_THROW(g.C().tmrBubbles->Fire(), ProgramEnded);
        EXPECT_TRUE(s.h.svc.Ended());
        EXPECT_EQ(g.Lives, 5);
        s.ExpectRecorded(500, 2);
    }
}

}  // namespace
}  // namespace qbx::test
