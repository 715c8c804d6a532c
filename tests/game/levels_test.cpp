// Level set-up, countdown, time bonus, the level-complete panel and the pause.
#include <set>

#include "game/game_fixture.h"

namespace qbx::test {
namespace {

int VisibleBubbles(FrmGame::Controls& c) {
    int n = 0;
    for (int i = 0; i <= c.BubblePic.UBound(); ++i) n += c.BubblePic(i).Visible ? 1 : 0;
    return n;
}

std::set<int> VisibleBlockers(FrmGame::Controls& c) {
    std::set<int> s;
    for (int i = 0; i <= c.shpBlocker.UBound(); ++i)
        if (c.shpBlocker(i).Visible) s.insert(i);
    return s;
}

std::set<int> VisibleSeams(FrmGame::Controls& c) {
    std::set<int> s;
    for (int i = 0; i <= c.shpSeam.UBound(); ++i)
        if (c.shpSeam(i).Visible) s.insert(i);
    return s;
}

using LevelsTest = GameTest;

TEST_F(LevelsTest, EveryLevelGroupGetsItsBubblesObstaclesAndBonus) {
    struct Expect {
        int level, bubbles, bonus;
        std::set<int> blockers, seams;
        const char* horizontal;
        int16_t defaultSize, defaultPeak;
    };
    const std::vector<Expect> cases{
        {1, 3, 150, {5}, {}, "RIGHT", 1, 4312},
        {4, 5, 900, {0, 5}, {}, "LEFT", 2, 3080},
        {5, 2, 1200, {0, 5}, {}, "LEFT", 4, 1571},
        {7, 2, 900, {1, 2, 5, 47}, {}, "LEFT", 3, 1571},
        {10, 5, 2400, {3, 4, 5, 6, 7, 8, 9, 10}, {}, "LEFT", 3, 3080},
        {11,
         5,
         1800,
         {5, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22},
         {6, 7, 8, 9, 10, 11},
         "LEFT",
         2,
         3080},
        {13,
         8,
         2400,
         {5, 8, 11, 12, 17, 18, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 39, 40},
         {0, 1, 2, 3, 4, 5},
         "LEFT",
         2,
         3080},
        {14,
         4,
         3000,
         {5, 8, 11, 12, 17, 18, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 39, 40},
         {0, 1, 2, 3, 4, 5},
         "LEFT",
         4,
         3080},
        {15, 6, 2400, {5, 9, 10, 41, 42, 43, 44}, {}, "LEFT", 3, 3080},
        {16, 6, 2400, {5, 9, 10, 43, 44}, {}, "LEFT", 3, 3080},
        {17, 6, 2400, {5, 43, 44}, {}, "LEFT", 3, 3080},
        {18, 6, 2400, {5}, {}, "LEFT", 3, 3080},
        {19, 7, 2700, {5}, {}, "LEFT", 3, 3080},
        {20, 8, 3000, {5}, {}, "LEFT", 3, 3080},
        {21, 8, 3000, {5}, {}, "LEFT", 3, 3080},
        {22, 8, 3000, {5}, {}, "LEFT", 3, 3080},
    };
    StartLevel(1);
    for (const Expect& e : cases) {
        SCOPED_TRACE("level " + std::to_string(e.level));
        g.Level = static_cast<int16_t>(e.level);
        g.Form_Load();
        EXPECT_EQ(VisibleBubbles(c()), e.bubbles);
        EXPECT_EQ(g.TimeBonus, e.bonus);
        EXPECT_EQ(c().lblTimeBonusRemaining->Caption, std::to_string(e.bonus));
        EXPECT_EQ(VisibleBlockers(c()), e.blockers);
        EXPECT_EQ(VisibleSeams(c()), e.seams);
        for (int i = 0; i <= 7; ++i) {
            EXPECT_EQ(g.Bubbles[i].HorizontalDirection, e.horizontal);
            EXPECT_EQ(g.Bubbles[i].VerticalDirection, "DOWN");
            EXPECT_EQ(g.Bubbles[i].PeakTop, e.defaultPeak);
            EXPECT_EQ(c().BubblePic(i).Top, 300);
            if (!c().BubblePic(i).Visible) {
                EXPECT_EQ(g.Bubbles[i].Size, e.defaultSize);
            }
        }
        EXPECT_EQ(c().lblLevel->Caption, "Level:\r\n" + std::to_string(e.level));
    }
}

TEST_F(LevelsTest, SizesAndColoursOfTheShownBubbles) {
    auto shown = [&](int level) {
        g.Level = static_cast<int16_t>(level);
        g.Form_Load();
        std::string s;
        for (int i = 0; i <= 7; ++i)
            if (c().BubblePic(i).Visible)
                s += std::to_string(g.Bubbles[i].Size) + g.Bubbles[i].Colour.substr(0, 1) + " ";
        return s;
    };
    StartLevel(1);
    EXPECT_EQ(shown(1), "1R 1R 1R ");
    EXPECT_EQ(shown(3), "2R 2G 3G 3R ");
    EXPECT_EQ(shown(12), "2R 2R 2R 3G 3G 4R ");
    EXPECT_EQ(shown(13), "2R 2R 2G 2G 3G 3G 3R 3R ");
    EXPECT_EQ(shown(19), "3R 3R 3R 3G 3G 3G 3R ");
    EXPECT_EQ(shown(25), "3R 3R 3R 3G 3G 3G 3R 3G ");
}

TEST_F(LevelsTest, PlacementKeepsEveryShownBoxClearOfEarlierBoxesAndHangingBlockers) {
    StartLevel(1);
    for (int level = 1; level <= 20; ++level) {
        const float box = (level == 13 || level >= 15) ? 600.0f : 1200.0f;
        for (int run = 0; run < 20; ++run) {
            g.Level = static_cast<int16_t>(level);
            g.Form_Load();
            for (int i = 0; i <= 7; ++i) {
                const Image& b = c().BubblePic(i);
                EXPECT_GE(b.Left, 0);
                EXPECT_LE(b.Left, 13665 - box);
                if (!b.Visible) continue;
                for (int j = 0; j < i; ++j) {
                    const Image& e = c().BubblePic(j);
                    EXPECT_FALSE(e.Left + box > b.Left && b.Left + box > e.Left)
                        << "level " << level << " bubbles " << j << " and " << i;
                }
                for (int k : {0, 1, 2, 47}) {
                    const Shape& s = c().shpBlocker(k);
                    if (!s.Visible) continue;
                    EXPECT_FALSE(s.Left + s.Width > b.Left && b.Left + box > s.Left)
                        << "level " << level << " bubble " << i << " in blocker " << k;
                }
            }
        }
    }
}

TEST_F(LevelsTest, LevelsFifteenAndSixteenLiftBlockersNineAndTenOnce) {
    StartLevel(15);
    EXPECT_EQ(c().shpBlocker(9).Top, 2340);
    EXPECT_EQ(c().shpBlocker(10).Top, 2340);
    g.Form_Load();  // a lost life finds them moved and leaves them there
    EXPECT_EQ(c().shpBlocker(9).Top, 2340);
    g.Level = 8;
    g.Form_Load();
    EXPECT_EQ(c().shpBlocker(9).Top, 2340);  // until the screen is unloaded
}

TEST_F(LevelsTest, BadLevelNumbersStillSetUpALevel) {
    StartLevel(1);
    for (int level : {0, -5, -32768, 32767}) {
        SCOPED_TRACE(level);
        g.Level = static_cast<int16_t>(level);
        g.Form_Load();
        EXPECT_EQ(g.Countdown, 3);
        EXPECT_TRUE(c().tmrLevelStart->Enabled());
        EXPECT_EQ(VisibleBubbles(c()), level < 1 ? 3 : 8);
    }
    // Completing level 32767 does not wrap to a negative level.
    for (int i = 0; i <= 7; ++i) c().BubblePic(i).Visible = false;
    g.tmrBubbleSize_Timer();
    EXPECT_EQ(g.Level, 32767);
}

TEST_F(LevelsTest, PlacementEndsEvenWhenBlockersCoverTheStartBand) {
    StartLevel(4);
    c().shpBlocker(0).Left = 0;
    c().shpBlocker(0).Width = 20000;
    g.Form_Load();
    EXPECT_EQ(g.Countdown, 3);
}

TEST_F(LevelsTest, SetUpAfterADeathKeepsTheGameAndClearsTheLevel) {
    StartLevel(6);
    g.Score = 1230;
    g.Lives = 3;
    g.ExtraLives = 2;
    c().imgCharacter->Left = 4000;
    c().hpwrup(0).SetPicture(Pic("pwrupfast"));
    Activate("pwrupslow");
    c().BubblePic.Load(8)->Visible = true;
    c().BubblePic.Load(9);
    c().pwrup(2).Visible = true;
    c().arrow->SetPicture(Pic("arrowwall"));
    c().tmrLeft->SetEnabled(true);
    g.Form_Load();
    EXPECT_EQ(g.Score, 1230);
    EXPECT_EQ(g.Lives, 3);
    EXPECT_EQ(g.Level, 6);
    EXPECT_EQ(g.ExtraLives, 2);
    EXPECT_EQ(c().imgCharacter->Left, 4000);
    EXPECT_EQ(c().imgCharacter->Top, 4875);
    EXPECT_EQ(c().imgCharacter->Picture, Pic("imgCharBack"));
    EXPECT_EQ(c().BubblePic.UBound(), 7);
    EXPECT_FALSE(c().pwrup(2).Visible);
    EXPECT_FALSE(c().tmrLeft->Enabled());
    EXPECT_EQ(c().arrow->Picture, Pic("regarrow"));
    // The active power-up was retired to the front of the recent list.
    EXPECT_EQ(c().apwrup->Picture, Pic("lifex"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));
    EXPECT_EQ(c().hpwrup(1).Picture, Pic("pwrupfast"));
    EXPECT_EQ(c().lblScore->Caption, "Score:\r\n1230");
    // With nothing active the recent list stays as it is.
    g.Form_Load();
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));
}

TEST_F(LevelsTest, CountdownShowsThreeTwoOneThenPlayBegins) {
    StartLevel(1);
    EXPECT_EQ(c().lblCount->Caption, "3");
    EXPECT_TRUE(c().lblCount->Visible);
    EXPECT_EQ(g.ZOrder().front(), c().lblCount);
    h.svc.Advance(799);
    EXPECT_EQ(c().lblCount->Caption, "3");
    h.svc.Advance(1);
    EXPECT_EQ(c().lblCount->Caption, "2");
    h.svc.Advance(800);
    EXPECT_EQ(c().lblCount->Caption, "1");
    EXPECT_FALSE(c().tmrBubbles->Enabled());
    h.svc.Advance(800);
    EXPECT_FALSE(c().lblCount->Visible);
    EXPECT_TRUE(c().tmrBubbles->Enabled());
    EXPECT_TRUE(c().tmrBubbleSize->Enabled());
    EXPECT_TRUE(c().tmrBonus->Enabled());
    EXPECT_FALSE(c().tmrLevelStart->Enabled());
    EXPECT_EQ(g.Countdown, 3);
}

TEST_F(LevelsTest, PauseDuringTheCountdownResumesTheCountdownOnly) {
    StartLevel(1);
    h.svc.Advance(900);
    g.PauseGame();
    EXPECT_EQ(g.Paused, -1);
    EXPECT_EQ(g.MousePointer(), 0);
    EXPECT_EQ(c().mnuPause->Caption, "Un&pause Game");
    EXPECT_TRUE(c().lblGamePaused->Visible);
    for (Timer* t : g.Timers()) EXPECT_FALSE(t->Enabled()) << t->name;
    h.svc.Advance(5000);
    EXPECT_EQ(c().lblCount->Caption, "2");
    g.PauseGame();
    EXPECT_EQ(g.MousePointer(), 99);
    EXPECT_EQ(c().mnuPause->Caption, "&Pause Game");
    EXPECT_TRUE(c().tmrLevelStart->Enabled());
    EXPECT_FALSE(c().tmrBubbleSize->Enabled());
    EXPECT_FALSE(c().tmrBubbles->Enabled());
    h.svc.Advance(1600);
    EXPECT_TRUE(c().tmrBubbles->Enabled());
}

TEST_F(LevelsTest, TimeBonusFallsTenASecondAndStopsAtZero) {
    StartLevel(1);
    h.svc.Advance(2400);
    c().imgCharacter->Left = -5000;  // out of every bubble's way
    h.svc.Advance(1000);
    EXPECT_EQ(g.TimeBonus, 140);
    g.TimeBonus = 15;
    g.tmrBonus_Timer();
    EXPECT_EQ(g.TimeBonus, 5);
    g.tmrBonus_Timer();
    EXPECT_EQ(g.TimeBonus, 0);
    EXPECT_EQ(c().lblTimeBonusRemaining->Caption, "0");
    g.tmrBonus_Timer();
    EXPECT_EQ(g.TimeBonus, 0);
}

TEST_F(LevelsTest, ClearingALevelAddsTheDoubledOrSingleBonusOnce) {
    for (bool lifeLost : {false, true}) {
        SCOPED_TRACE(lifeLost);
        EmptyFieldInPlay();
        g.Score = 500;
        g.TimeBonus = 120;
        g.ExtraLives = 3;
        g.LifeLost = lifeLost ? -1 : 0;
        h.svc.Advance(10);
        EXPECT_EQ(g.Level, 2);
        EXPECT_EQ(g.ExtraLives, 0);
        EXPECT_EQ(g.Score, lifeLost ? 620 : 740);
        EXPECT_TRUE(c().cmdContinue->Visible);
        EXPECT_EQ(c().lblDouble->Visible, !lifeLost);
        EXPECT_EQ(c().lblTime->Caption, "120");
        EXPECT_EQ(c().lblScore->Caption, "Score:\r\n0");  // the next set-up writes the new score
        EXPECT_EQ(g.MousePointer(), 0);
        EXPECT_FALSE(c().tmrBubbleSize->Enabled());
        EXPECT_FALSE(c().tmrBonus->Enabled());
        EXPECT_TRUE(c().tmrBubbles->Enabled());
        h.svc.Advance(3000);
        EXPECT_EQ(g.Level, 2);
        g.Lives = 0;  // as at a game's end, so unloading does not end the program
        g.Unload();
    }
}

TEST_F(LevelsTest, PauseOnThePanelReturnsToThePanelAndTheLevelCompletesOnce) {
    EmptyFieldInPlay();
    g.TimeBonus = 100;
    h.svc.Advance(10);
    ASSERT_TRUE(c().cmdContinue->Visible);
    const int score = g.Score;
    g.mnuPause_Click();
    EXPECT_FALSE(c().tmrBubbles->Enabled());
    g.mnuPause_Click();
    EXPECT_TRUE(c().tmrBubbles->Enabled());
    EXPECT_FALSE(c().tmrBubbleSize->Enabled());
    EXPECT_FALSE(c().tmrBonus->Enabled());
    EXPECT_EQ(g.MousePointer(), 0);
    h.svc.Advance(2000);
    EXPECT_EQ(g.Level, 2);
    EXPECT_EQ(g.Score, score);
    EXPECT_TRUE(c().cmdContinue->Visible);

    g.cmdContinue_Click();
    EXPECT_FALSE(c().cmdContinue->Visible);
    EXPECT_FALSE(c().lblComplete->Visible);
    EXPECT_EQ(g.MousePointer(), 99);
    EXPECT_EQ(c().lblLevel->Caption, "Level:\r\n2");
    EXPECT_EQ(c().lblScore->Caption, "Score:\r\n" + std::to_string(score));
    EXPECT_EQ(VisibleBubbles(c()), 4);
    EXPECT_TRUE(c().tmrLevelStart->Enabled());
    EXPECT_FALSE(c().tmrLeft->Enabled());
}

TEST_F(LevelsTest, EscDoesNotReachTheScreenWhileContinueHasTheFocus) {
    EmptyFieldInPlay();
    h.svc.Advance(10);
    ASSERT_TRUE(c().cmdContinue->Visible);
    g.SetFocus(c().cmdContinue);
    g.KeyDown(vk::Escape, 0);
    EXPECT_EQ(g.Paused, 0);
    g.KeyDown(vk::Enter, 0);  // Enter clicks Continue
    EXPECT_FALSE(c().cmdContinue->Visible);
    EXPECT_EQ(g.Level, 2);
}

}  // namespace
}  // namespace qbx::test
