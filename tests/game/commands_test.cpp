// The game screen's menu commands, closing its window and the end of a game, driven through the
// headless driver from the menu: what each leaves on screen, whether the program ends, and what
// the record files hold afterwards.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "game/frmGame.h"
#include "platform/program.h"
#include "support/test_support.h"

namespace qbx::test {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

// The filled rows of a record file (name, value); none when the file is missing or empty.
Rows RecordRows(const std::string& path, int* lineCount = nullptr) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> fields;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
            line = line.substr(1, line.size() - 2);
        fields.push_back(line);
    }
    if (lineCount) *lineCount = static_cast<int>(fields.size());
    Rows rows;
    for (size_t i = 0; i + 1 < fields.size(); i += 2)
        if (!fields[i].empty() || !fields[i + 1].empty())
            rows.emplace_back(fields[i], fields[i + 1]);
    return rows;
}

// A program started at its menu, the player named TESTER, and a game begun with Play.
struct CommandsTest : ::testing::Test {
    void SetUp() override {
        h.svc.SetEnv("NWUSERNAME", "tester");
        h.app.Start();
        ASSERT_EQ(Run("click frmMenu.cmdPlay"), 0);
    }

    int Run(const std::string& script) {
        const int rc = h.Run(script + "\n");
        EXPECT_EQ(rc, 0) << h.err;
        return rc;
    }

    Rows Scores(int* lines = nullptr) {
        return RecordRows(h.dir.Path() + "/Quibblix-Scores.txt", lines);
    }
    Rows Levels(int* lines = nullptr) {
        return RecordRows(h.dir.Path() + "/Quibblix-Levels.txt", lines);
    }

    // The recorded result of this game, as both files must hold it.
    void ExpectRecorded(int32_t score, int16_t level) {
        int scoreLines = 0, levelLines = 0;
        EXPECT_EQ(Scores(&scoreLines), (Rows{{"TESTER", std::to_string(score)}}));
        EXPECT_EQ(Levels(&levelLines), (Rows{{"TESTER", std::to_string(level)}}));
        EXPECT_EQ(scoreLines, 40);
        EXPECT_EQ(levelLines, 40);
    }
    void ExpectNothingRecorded() {
        EXPECT_TRUE(Scores().empty());
        EXPECT_TRUE(Levels().empty());
    }

    // Play has begun after the countdown.
    void IntoPlay() { Run("wait 2500\nexpect frmGame.lblCount.Visible false"); }

    // The field is emptied and the next bubble-size tick completes the level.
    void ToThePanel() {
        IntoPlay();
        Run("set frmGame.BubblePic(0).Visible false\n"
            "set frmGame.BubblePic(1).Visible false\n"
            "set frmGame.BubblePic(2).Visible false\n"
            "wait 10\n"
            "expect frmGame.cmdContinue.Visible true\n"
            "expect frmGame.Level 2");
    }

    // A bubble over the character: the next bubble tick takes a life.
    void BubbleOnTheCharacter() {
        Run("set frmGame.BubblePic(0).Left 6615\nset frmGame.BubblePic(0).Top 4900");
    }

    Headless h;
    FrmGame& g = h.app.game;
};

// ---- New Game ----

TEST_F(CommandsTest, NewGameWhilePausedStartsAtOnceAndRecordsTheAbandonedGame) {
    IntoPlay();
    Run("set frmGame.Score 300\n"
        "set frmGame.Level 4\n"
        "key Escape\n"
        "expect frmGame.Paused true\n"
        "menu frmGame.mnuNew\n"
        "expect active frmGame\n"
        "expect frmGame.Paused false\n"
        "expect frmGame.lblGamePaused.Visible false\n"
        "expect frmGame.mnuPause.Caption \"&Pause Game\"\n"
        "expect frmGame.Lives 5\n"
        "expect frmGame.Level 1\n"
        "expect frmGame.Score 0\n"
        "expect frmGame.lblCount.Visible true\n"
        "expect frmGame.tmrLevelStart.Enabled true");
    ExpectRecorded(300, 4);
    // The new game's countdown runs and play begins.
    Run("wait 2500\nexpect frmGame.lblCount.Visible false\nexpect frmGame.tmrBubbles.Enabled true");
}

TEST_F(CommandsTest, NewGameOnTheLevelCompletePanelStartsAtLevelOne) {
    ToThePanel();
    const int32_t score = g.Score;  // the doubled bonus of level 1
    ASSERT_GT(score, 0);
    Run("menu frmGame.mnuNew\n"
        "expect frmGame.cmdContinue.Visible false\n"
        "expect frmGame.lblComplete.Visible false\n"
        "expect frmGame.Level 1\n"
        "expect frmGame.Lives 5\n"
        "expect frmGame.Score 0\n"
        "expect frmGame.lblLevel.Caption \"Level:\\r\\n1\"\n"
        "expect frmGame.lblCount.Visible true");
    ExpectRecorded(score, 2);
}

TEST_F(CommandsTest, NewGameWithNoScoreRecordsNothing) {
    IntoPlay();
    Run("menu frmGame.mnuNew\nexpect frmGame.Lives 5");
    ExpectNothingRecorded();
}

// ---- Exit and the close box: the program ends, the game is recorded only with a score ----

TEST(CommandsEndTest, ExitAndTheCloseBoxEndTheProgramDuringTheCountdownAndOnThePanel) {
    for (const char* when : {"countdown", "panel"})
        for (const char* how : {"menu frmGame.mnuExit", "close frmGame"})
            for (int32_t score : {0, 640}) {
                SCOPED_TRACE(std::string(when) + ", " + how + ", score " + std::to_string(score));
                Headless h;
                h.svc.SetEnv("NWUSERNAME", "tester");
                h.app.Start();
                std::string script = "click frmMenu.cmdPlay\n";
                if (std::string(when) == "panel")
                    script +=
                        "wait 2500\n"
                        "set frmGame.BubblePic(0).Visible false\n"
                        "set frmGame.BubblePic(1).Visible false\n"
                        "set frmGame.BubblePic(2).Visible false\n"
                        "wait 10\n"
                        "expect frmGame.cmdContinue.Visible true\n";
                else
                    script += "wait 1000\nexpect frmGame.lblCount.Visible true\n";
                script += "set frmGame.Score " + std::to_string(score) + "\n" + how + "\n" +
                          "expect ended true\n";
                ASSERT_EQ(h.Run(script), 0) << h.err;
                EXPECT_TRUE(h.svc.Ended());
                const Rows scores = RecordRows(h.dir.Path() + "/Quibblix-Scores.txt");
                const Rows levels = RecordRows(h.dir.Path() + "/Quibblix-Levels.txt");
                if (score > 0) {
                    const std::string level = std::string(when) == "panel" ? "2" : "1";
                    EXPECT_EQ(scores, (Rows{{"TESTER", "640"}}));
                    EXPECT_EQ(levels, (Rows{{"TESTER", level}}));
                } else {
                    EXPECT_TRUE(scores.empty());
                    EXPECT_TRUE(levels.empty());
                }
            }
}

// ---- The view commands and the screens they open ----

TEST_F(CommandsTest, AViewCommandOnThePanelReturnsToThePanelUnpaused) {
    ToThePanel();
    for (const char* view : {"mnuHighScores", "mnuInstructions"}) {
        SCOPED_TRACE(view);
        const std::string screen =
            std::string(view) == "mnuHighScores" ? "frmScores" : "frmInstructions";
        Run(std::string("menu frmGame.") + view + "\n" +
            "expect frmGame.Paused false\n"
            "expect frmGame.lblGamePaused.Visible false\n"
            "expect frmGame.visible false\n"
            "expect active " +
            screen + "\n" + "expect " + screen +
            ".cmdClose.Caption \"Return to Game\"\n"
            "click " +
            screen +
            ".cmdClose\n"
            "expect active frmGame\n"
            "expect " +
            screen +
            ".visible false\n"
            "expect " +
            screen +
            ".cmdClose.Caption \"Return to Menu\"\n"
            "expect frmGame.cmdContinue.Visible true\n"
            "expect frmGame.lblComplete.Visible true\n"
            "expect frmGame.Paused false\n"
            "expect frmGame.mousePointer 0");
    }
    Run("menu frmGame.mnuAbout\nexpect messages 1\nexpect frmGame.Paused false");
    // Continue still leads on to level 2.
    Run("click frmGame.cmdContinue\n"
        "expect frmGame.cmdContinue.Visible false\n"
        "expect frmGame.lblLevel.Caption \"Level:\\r\\n2\"\n"
        "expect frmGame.lblCount.Visible true");
}

TEST_F(CommandsTest, ScreensOpenedFromPlayReturnToTheStillPausedGame) {
    IntoPlay();
    for (const char* view : {"mnuInstructions", "mnuHighScores"}) {
        SCOPED_TRACE(view);
        const std::string screen =
            std::string(view) == "mnuHighScores" ? "frmScores" : "frmInstructions";
        const float bubbleTop = g.C().BubblePic(0).Top;
        Run(std::string("menu frmGame.") + view + "\n" +
            "expect frmGame.Paused true\n"
            "expect active " +
            screen + "\n" + "expect " + screen +
            ".cmdClose.Caption \"Return to Game\"\n"
            "wait 500\n"
            "click " +
            screen +
            ".cmdClose\n"
            "expect active frmGame\n"
            "expect frmGame.visible true\n"
            "expect " +
            screen +
            ".cmdClose.Caption \"Return to Menu\"\n"
            "expect frmGame.Paused true\n"
            "expect frmGame.lblGamePaused.Visible true\n"
            "expect frmGame.tmrBubbles.Enabled false\n"
            "wait 500");
        EXPECT_EQ(g.C().BubblePic(0).Top, bubbleTop);  // nothing moved while away
        // Esc resumes play.
        Run("key Escape\nexpect frmGame.Paused false\nexpect frmGame.tmrBubbles.Enabled true");
    }
}

TEST_F(CommandsTest, ScreensOpenedFromTheMenuAfterAGameReturnToTheMenu) {
    IntoPlay();
    Run("menu frmGame.mnuHighScores\n"
        "click frmScores.cmdClose\n"
        "menu frmGame.mnuInstructions\n"
        "click frmInstructions.cmdClose\n"
        "expect active frmGame\n");
    // The game ends; from the menu both screens lead back to it.
    Run("set frmGame.Lives 1\n"
        "key Escape\n"
        "expect frmGame.Paused false\n");
    BubbleOnTheCharacter();
    Run("wait 10\n"
        "expect active frmScores\n"
        "click frmScores.cmdClose\n"
        "expect active frmMenu\n"
        "click frmMenu.cmdInstructions\n"
        "expect frmInstructions.cmdClose.Caption \"Return to Menu\"\n"
        "click frmInstructions.cmdClose\n"
        "expect active frmMenu\n"
        "expect frmMenu.focus cmdPlay");
}

TEST(CommandsEndTest, CtrlXOnAScreenOpenedFromTheGameRecordsTheGameAndEnds) {
    for (const char* view : {"mnuHighScores", "mnuInstructions"})
        for (int32_t score : {0, 870}) {
            SCOPED_TRACE(std::string(view) + ", score " + std::to_string(score));
            Headless h;
            h.svc.SetEnv("NWUSERNAME", "tester");
            h.app.Start();
            ASSERT_EQ(h.Run("click frmMenu.cmdPlay\n"
                            "wait 2500\n"
                            "set frmGame.Score " +
                            std::to_string(score) + "\n" +
                            "set frmGame.Level 6\n"
                            "menu frmGame." +
                            view + "\n" +
                            "key ctrl+x\n"
                            "expect ended true\n"),
                      0)
                << h.err;
            EXPECT_TRUE(h.svc.Ended());
            const Rows scores = RecordRows(h.dir.Path() + "/Quibblix-Scores.txt");
            const Rows levels = RecordRows(h.dir.Path() + "/Quibblix-Levels.txt");
            if (score > 0) {
                EXPECT_EQ(scores, (Rows{{"TESTER", "870"}}));
                EXPECT_EQ(levels, (Rows{{"TESTER", "6"}}));
            } else {
                EXPECT_TRUE(scores.empty());
                EXPECT_TRUE(levels.empty());
            }
        }
}

// ---- Game over ----

TEST_F(CommandsTest, GameOverWithNoScoreRecordsNothingAndShowsTheTables) {
    IntoPlay();
    Run("set frmGame.Lives 1");
    BubbleOnTheCharacter();
    Run("wait 10\n"
        "expect message.title \"Game Over\"\n"
        "expect message.text \"Your Final Score:  0\"\n"
        "expect frmGame.loaded false\n"
        "expect active frmScores\n"
        "expect frmScores.cmdClose.Caption \"Return to Menu\"\n"
        "expect frmScores.lblHighScore(1).Caption \"\"");
    ExpectNothingRecorded();
}

TEST_F(CommandsTest, GameOverWithAScoreRecordsItOnce) {
    IntoPlay();
    Run("set frmGame.Lives 1\nset frmGame.Score 1480\nset frmGame.Level 3");
    BubbleOnTheCharacter();
    Run("wait 10\n"
        "expect messages 1\n"
        "expect message.text \"Your Final Score:  1480\"\n"
        "expect frmScores.lblHighScore(1).Caption 1480\n"
        "expect frmScores.lblScoreName(1).Caption TESTER\n"
        "expect frmScores.lblHighLevel(1).Caption 3");
    ExpectRecorded(1480, 3);
}

// ---- Commands that arrive while the death sequence lets events run ----

// The death sequence's event pump takes input queued before the tick in which the character is
// hit; each case queues one command there and runs that tick as the bubble timer would.
struct DeathPumpTest : CommandsTest {
    void SetUp() override {
        CommandsTest::SetUp();
        IntoPlay();
    }
    void HitWith(std::function<void()> input) {
        BubbleOnTheCharacter();
        h.svc.Post(std::move(input));
        g.C().tmrBubbles->Fire();
    }
    void Menu(MenuItem* item) { g.ClickMenu(*item); }
};

TEST_F(DeathPumpTest, NewGameDuringTheDeathStartsAFreshGameAndTakesNoLifeFromIt) {
    Run("set frmGame.Score 500\nset frmGame.Level 2");
    const int64_t before = h.svc.Clock();
    HitWith([this] { Menu(g.C().mnuNew); });
    EXPECT_EQ(h.svc.Clock(), before);  // the 800 ms pause of the death never came
    EXPECT_TRUE(g.IsLoaded());
    EXPECT_EQ(g.Lives, 5);
    EXPECT_EQ(g.Level, 1);
    EXPECT_EQ(g.Score, 0);
    EXPECT_EQ(g.Dying, 0);
    EXPECT_EQ(g.LifeLost, 0);
    EXPECT_FALSE(g.C().shpDeathCircle->Visible);
    EXPECT_EQ(g.C().life(4).Picture->name, "pwruplife");
    EXPECT_TRUE(g.C().lblCount->Visible);
    ExpectRecorded(500, 2);
    // The new game's countdown and play go on undisturbed.
    Run("wait 2500\nexpect frmGame.lblCount.Visible false\nexpect frmGame.Lives 5\n"
        "expect frmGame.LifeLost false\nexpect messages 0");
}

TEST_F(DeathPumpTest, NewGameDuringTheLastDeathRecordsTheGameOnceAndNoGameOverFollows) {
    Run("set frmGame.Lives 1\nset frmGame.Score 700\nset frmGame.Level 3");
    HitWith([this] { Menu(g.C().mnuNew); });
    EXPECT_TRUE(h.svc.Messages().empty());  // no "Game Over"
    EXPECT_TRUE(g.IsVisible());
    EXPECT_FALSE(h.app.scores.IsVisible());
    EXPECT_EQ(g.Lives, 5);
    EXPECT_EQ(g.Score, 0);
    EXPECT_EQ(g.C().life(0).Picture->name, "pwruplife");
    ExpectRecorded(700, 3);
    Run("wait 2500\nexpect frmGame.Lives 5\nexpect active frmGame\nexpect messages 0");
}

TEST_F(DeathPumpTest, ExitOrTheCloseBoxDuringTheDeathEndsTheProgramWithTheGameRecorded) {
    Run("set frmGame.Score 500\nset frmGame.Level 2");
    EXPECT_THROW(HitWith([this] { Menu(g.C().mnuExit); }), ProgramEnded);
    EXPECT_TRUE(h.svc.Ended());
    ExpectRecorded(500, 2);
}

TEST(DeathPumpEndTest, TheCloseBoxDuringTheDeathEndsTheProgramWithTheGameRecorded) {
    for (int32_t score : {0, 500}) {
        SCOPED_TRACE(score);
        Headless h;
        h.svc.SetEnv("NWUSERNAME", "tester");
        h.app.Start();
        ASSERT_EQ(h.Run("click frmMenu.cmdPlay\nwait 2500\n"
                        "set frmGame.Score " +
                        std::to_string(score) + "\n" +
                        "set frmGame.BubblePic(0).Left 6615\n"
                        "set frmGame.BubblePic(0).Top 4900\n"),
                  0)
            << h.err;
        FrmGame& g = h.app.game;
        h.svc.Post([&g] { g.CloseBox(); });
        EXPECT_THROW(g.C().tmrBubbles->Fire(), ProgramEnded);
        EXPECT_TRUE(h.svc.Ended());
        EXPECT_EQ(g.Lives, 5);  // no life was taken before the end
        const Rows scores = RecordRows(h.dir.Path() + "/Quibblix-Scores.txt");
        if (score > 0)
            EXPECT_EQ(scores, (Rows{{"TESTER", "500"}}));
        else
            EXPECT_TRUE(scores.empty());
    }
}

// The scenario scripts queue a command with "post" just before the tick of a death; the driver
// must hold it for that tick's event pump instead of running it before the tick.
TEST_F(CommandsTest, PostedInputReachesTheEventPumpOfTheNextTick) {
    IntoPlay();
    BubbleOnTheCharacter();
    // Esc is ignored while the character is dying; before the tick it would pause the game.
    Run("post key Escape\nwait 10");
    EXPECT_EQ(g.Paused, 0);
    EXPECT_EQ(g.Lives, 4);
}

}  // namespace
}  // namespace qbx::test
