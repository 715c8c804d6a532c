// Level set-up, countdown, time bonus, the level-complete panel and the pause.
#include "forms/game/game_fixture.h"

namespace qbx::test {
namespace {

// The indices of the visible elements, or with `sizes`, each visible bubble's size and colour.
template <class T>
std::string Shown(Array<T>& a, const FrmGame* sizes = nullptr) {
    std::string s;
    for (int i = 0; i <= a.UBound(); ++i) {
        if (!a(i).Visible) continue;
        s += s.empty() ? "" : " ";
        s += sizes ? std::to_string(sizes->Bubbles[i].Size) + sizes->Bubbles[i].Colour.substr(0, 1)
                   : std::to_string(i);
    }
    return s;
}

using LevelsTest = GameTest;

TEST_F(LevelsTest, EveryLevelGroupGetsItsBubblesObstaclesAndBonus) {
    struct Expect {
        int level;
        const char* bubbles;
        int bonus;
        const char *blockers, *seams;
    };
    const char* kMaze = "5 8 11 12 17 18 21 22 23 24 25 26 27 28 29 30 39 40";
    const char* kGrid = "5 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22";
    const Expect cases[] = {
        {1, "1R 1R 1R", 150, "5", ""},
        {5, "4R 4G", 1200, "0 5", ""},
        {7, "3R 3G", 900, "1 2 5 47", ""},
        {10, "3R 3R 3G 4G 4R", 2400, "3 4 5 6 7 8 9 10", ""},
        {11, "2R 2R 2R 2G 2G", 1800, kGrid, "6 7 8 9 10 11"},
        {13, "2R 2R 2G 2G 3G 3G 3R 3R", 2400, kMaze, "0 1 2 3 4 5"},
        {15, "3R 3R 3R 3G 3G 3G", 2400, "5 9 10 41 42 43 44", ""},
        {17, "3R 3R 3R 3G 3G 3G", 2400, "5 43 44", ""},
        {19, "3R 3R 3R 3G 3G 3G 3R", 2700, "5", ""},
        {25, "3R 3R 3R 3G 3G 3G 3R 3G", 3000, "5", ""},
    };
    StartLevel(1);
    for (const Expect& e : cases) {
        SCOPED_TRACE("level " + std::to_string(e.level));
        g.Level = static_cast<int16_t>(e.level);
        g.Form_Load();
        EXPECT_EQ(Shown(c().BubblePic, &g), e.bubbles);
        EXPECT_EQ(Shown(c().shpBlocker), e.blockers);
        EXPECT_EQ(Shown(c().shpSeam), e.seams);
        EXPECT_EQ(g.TimeBonus, e.bonus);
        EXPECT_EQ(c().lblTimeBonusRemaining->Caption, std::to_string(e.bonus));
        EXPECT_EQ(c().lblLevel->Caption, "Level:\r\n" + std::to_string(e.level));
        EXPECT_EQ(g.Bubbles[0].HorizontalDirection, e.level == 1 ? "RIGHT" : "LEFT");
    }
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

TEST_F(LevelsTest, OddLevelsAndCrowdedFieldsStillSetUpALevel) {
    StartLevel(15);  // 15 and 16 lift blockers 9 and 10 once, until the screen is unloaded
    EXPECT_EQ(c().shpBlocker(9).Top, 2340);
    g.Form_Load();
    g.Level = 8;
    g.Form_Load();
    EXPECT_EQ(c().shpBlocker(9).Top, 2340);

    for (int level : {0, -5, -32768, 32767}) {
        SCOPED_TRACE(level);
        g.Level = static_cast<int16_t>(level);
        g.Form_Load();
        EXPECT_EQ(g.Countdown, 3);
        EXPECT_EQ(Shown(c().BubblePic, &g), level < 1 ? "1R 1R 1R" : "3R 3R 3R 3G 3G 3G 3R 3G");
    }
    // Completing level 32767 does not wrap to a negative level.
    for (int i = 0; i <= 7; ++i) c().BubblePic(i).Visible = false;
    g.tmrBubbleSize_Timer();
    EXPECT_EQ(g.Level, 32767);

    // Placement ends even when blockers cover the whole start band.
    g.Level = 4;
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
    c().pwrup(2).Visible = true;
    c().arrow->SetPicture(Pic("arrowwall"));
    c().tmrLeft->SetEnabled(true);
    g.Form_Load();
    EXPECT_EQ(g.Score, 1230);
    EXPECT_EQ(g.Lives, 3);
    EXPECT_EQ(g.ExtraLives, 2);
    EXPECT_EQ(c().imgCharacter->Left, 4000);
    EXPECT_EQ(c().BubblePic.UBound(), 7);
    EXPECT_FALSE(c().pwrup(2).Visible);
    EXPECT_FALSE(c().tmrLeft->Enabled());
    EXPECT_EQ(c().arrow->Picture, Pic("regarrow"));
    // The active power-up was retired to the front of the recent list.
    EXPECT_EQ(c().apwrup->Picture, Pic("lifex"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));
    EXPECT_EQ(c().hpwrup(1).Picture, Pic("pwrupfast"));
    g.Form_Load();  // with nothing active the recent list stays as it is
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));
}

TEST_F(LevelsTest, CountdownAndItsPauseThenTheTimeBonus) {
    StartLevel(1);
    EXPECT_EQ(c().lblCount->Caption, "3");
    h.svc.Advance(799);
    EXPECT_EQ(c().lblCount->Caption, "3");
    h.svc.Advance(1);
    EXPECT_EQ(c().lblCount->Caption, "2");
    // Paused, nothing runs; resumed, only the countdown goes on.
    g.PauseGame();
    EXPECT_TRUE(c().lblGamePaused->Visible);
    EXPECT_EQ(g.MousePointer(), Pointer::Default);
    for (Timer* t : g.Timers()) EXPECT_FALSE(t->Enabled()) << t->name;
    h.svc.Advance(5000);
    EXPECT_EQ(c().lblCount->Caption, "2");
    g.PauseGame();
    EXPECT_EQ(g.MousePointer(), Pointer::Custom);
    EXPECT_FALSE(c().tmrBubbleSize->Enabled());
    EXPECT_FALSE(c().tmrBubbles->Enabled());
    h.svc.Advance(1599);
    EXPECT_EQ(c().lblCount->Caption, "1");
    EXPECT_FALSE(c().tmrBubbles->Enabled());
    h.svc.Advance(1);
    EXPECT_FALSE(c().lblCount->Visible);
    EXPECT_TRUE(c().tmrBubbles->Enabled());
    EXPECT_TRUE(c().tmrBubbleSize->Enabled());
    EXPECT_FALSE(c().tmrLevelStart->Enabled());

    // The bonus falls ten a second and stops at zero.
    c().imgCharacter->Left = -5000;  // out of every bubble's way
    h.svc.Advance(1000);
    EXPECT_EQ(g.TimeBonus, 140);
    g.TimeBonus = 15;
    g.tmrBonus_Timer();
    g.tmrBonus_Timer();
    g.tmrBonus_Timer();
    EXPECT_EQ(g.TimeBonus, 0);
    EXPECT_EQ(c().lblTimeBonusRemaining->Caption, "0");
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
        EXPECT_EQ(g.MousePointer(), Pointer::Default);
        EXPECT_FALSE(c().tmrBubbleSize->Enabled());
        EXPECT_FALSE(c().tmrBonus->Enabled());
        h.svc.Advance(3000);
        EXPECT_EQ(g.Level, 2);
        g.Lives = 0;  // as at a game's end, so unloading does not end the program
        g.Unload();
    }
}

TEST_F(LevelsTest, PauseOnThePanelReturnsToThePanelAndTheLevelCompletesOnce) {
    EmptyFieldInPlay();
    h.svc.Advance(10);
    ASSERT_TRUE(c().cmdContinue->Visible);
    const int score = g.Score;
    g.mnuPause_Click();
    EXPECT_FALSE(c().tmrBubbles->Enabled());
    g.mnuPause_Click();
    EXPECT_TRUE(c().tmrBubbles->Enabled());
    EXPECT_FALSE(c().tmrBubbleSize->Enabled());
    EXPECT_FALSE(c().tmrBonus->Enabled());
    EXPECT_EQ(g.MousePointer(), Pointer::Default);
    h.svc.Advance(2000);
    EXPECT_EQ(g.Level, 2);
    EXPECT_EQ(g.Score, score);

    // Esc does not reach the screen while Continue has the focus; Enter clicks it.
    g.SetFocus(c().cmdContinue);
    g.KeyDown(vk::Escape, 0);
    EXPECT_EQ(g.Paused, 0);
    g.KeyDown(vk::Enter, 0);
    EXPECT_FALSE(c().cmdContinue->Visible);
    EXPECT_FALSE(c().lblComplete->Visible);
    EXPECT_EQ(g.MousePointer(), Pointer::Custom);
    EXPECT_EQ(c().lblLevel->Caption, "Level:\r\n2");
    EXPECT_EQ(c().lblScore->Caption, "Score:\r\n" + std::to_string(score));
    EXPECT_EQ(Shown(c().BubblePic, &g), "2R 2R 2G 2G");
    EXPECT_TRUE(c().tmrLevelStart->Enabled());
    EXPECT_EQ(g.Level, 2);
}

}  // namespace
}  // namespace qbx::test
