// Level set-up, countdown, time bonus, the level-complete panel and the pause.
#include <array>
#include <map>

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

// Every level from 1 to 21 on a freshly loaded screen, as a new game would start it there.
TEST(LevelTable, EveryLevelSetsUpItsBonusBubblesObstaclesAndPlacementBox) {
    struct Expect {
        int bonus;
        const char* horizontal;  // the record every element first receives
        int16_t size, peak;
        const char* bubbles;  // shown elements as index:size colour
        const char *blockers, *seams;
        float box;
    };
    const char* kStairs = "3 4 5 6 7 8 9 10";
    const char* kGrid = "5 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22";
    const char* kMaze = "5 8 11 12 17 18 21 22 23 24 25 26 27 28 29 30 39 40";
    const char* kSix = "0:3R 1:3R 2:3R 3:3G 4:3G 5:3G";
    const Expect levels[] = {
        {150, "RIGHT", 1, 4312, "0:1R 1:1R 2:1R", "5", "", 1200},
        {600, "LEFT", 2, 3080, "0:2R 1:2R 2:2G 3:2G", "5", "", 1200},
        {900, "LEFT", 2, 3080, "0:2R 1:2G 2:3G 3:3R", "5", "", 1200},
        {900, "LEFT", 2, 3080, "0:2R 1:2R 2:2G 3:3G 4:3R", "0 5", "", 1200},
        {1200, "LEFT", 4, 1571, "0:4R 1:4G", "0 5", "", 1200},
        {600, "LEFT", 2, 1571, "0:2R 1:2R 2:2R", "1 2 5 47", "", 1200},
        {900, "LEFT", 3, 1571, "0:3R 1:3G", "1 2 5 47", "", 1200},
        {1200, "LEFT", 2, 3080, "0:2R 1:2R 2:2G 3:2G", kStairs, "", 1200},
        {1800, "LEFT", 3, 3080, "0:3R 1:3R 2:3R", kStairs, "", 1200},
        {2400, "LEFT", 3, 3080, "0:3R 1:3R 2:3G 3:4G 4:4R", kStairs, "", 1200},
        {1800, "LEFT", 2, 3080, "0:2R 1:2R 2:2R 3:2G 4:2G", kGrid, "6 7 8 9 10 11", 1200},
        {2100, "LEFT", 2, 3080, "0:2R 1:2R 2:2R 3:3G 4:3G 5:4R", kGrid, "6 7 8 9 10 11", 1200},
        {2400, "LEFT", 2, 3080, "0:2R 1:2R 2:2G 3:2G 4:3G 5:3G 6:3R 7:3R", kMaze, "0 1 2 3 4 5",
         600},
        {3000, "LEFT", 4, 3080, "0:4R 1:4R 2:4G 3:4G", kMaze, "0 1 2 3 4 5", 1200},
        {2400, "LEFT", 3, 3080, kSix, "5 9 10 41 42 43 44", "", 600},
        {2400, "LEFT", 3, 3080, kSix, "5 9 10 43 44", "", 600},
        {2400, "LEFT", 3, 3080, kSix, "5 43 44", "", 600},
        {2400, "LEFT", 3, 3080, kSix, "5", "", 600},
        {2700, "LEFT", 3, 3080, "0:3R 1:3R 2:3R 3:3G 4:3G 5:3G 6:3R", "5", "", 600},
        {3000, "LEFT", 3, 3080, "0:3R 1:3R 2:3R 3:3G 4:3G 5:3G 6:3R 7:3G", "5", "", 600},
        {3000, "LEFT", 3, 3080, "0:3R 1:3R 2:3R 3:3G 4:3G 5:3G 6:3R 7:3G", "5", "", 600},
    };
    // Where each blocker and seam a level shows stands (Left, Top, Width, Height).
    const std::map<int, std::array<float, 4>> blockerRects = {
        {0, {5880, 0, 1815, 4335}},     {1, {1440, 0, 495, 2820}},
        {2, {11640, 0, 495, 2820}},     {3, {2880, 1680, 2895, 495}},
        {4, {2880, 3600, 2895, 495}},   {6, {7800, 3600, 2895, 495}},
        {7, {7800, 1680, 2895, 495}},   {8, {6240, 3000, 1095, 255}},
        {9, {960, 2760, 975, 255}},     {10, {11640, 2760, 975, 255}},
        {11, {5760, 4320, 855, 135}},   {12, {6960, 4320, 855, 135}},
        {13, {5760, 4320, 135, 495}},   {14, {7680, 4320, 135, 495}},
        {15, {3720, 4320, 135, 495}},   {16, {1800, 4320, 135, 495}},
        {17, {3000, 4320, 855, 135}},   {18, {1800, 4320, 855, 135}},
        {19, {11640, 4320, 135, 495}},  {20, {9720, 4320, 135, 495}},
        {21, {10920, 4320, 855, 135}},  {22, {9720, 4320, 855, 135}},
        {23, {960, 1680, 255, 1095}},   {24, {1200, 3840, 735, 135}},
        {25, {12360, 1680, 255, 1095}}, {26, {1800, 3840, 135, 495}},
        {27, {11640, 3840, 735, 135}},  {28, {8640, 1680, 1095, 255}},
        {29, {11640, 3840, 135, 495}},  {30, {3840, 1680, 1095, 255}},
        {39, {0, 1680, 975, 255}},      {40, {12600, 1680, 975, 255}},
        {41, {2520, 2940, 975, 255}},   {42, {10080, 2940, 975, 255}},
        {43, {4080, 3540, 975, 255}},   {44, {8520, 3540, 975, 255}},
        {47, {6540, 0, 495, 4335}},
    };
    const std::array<float, 4> seamRects[] = {
        {900, 1695, 135, 225},   {12540, 1695, 135, 225}, {1815, 3900, 105, 135},
        {11655, 3900, 105, 135}, {1815, 4245, 105, 135},  {11655, 4245, 105, 135},
        {1815, 4365, 105, 135},  {3735, 4365, 105, 135},  {5775, 4365, 105, 135},
        {7695, 4365, 105, 135},  {9735, 4365, 105, 135},  {11655, 4365, 105, 135}};
    auto rect = [](const Shape& s) {
        return std::array<float, 4>{s.Left, s.Top, s.Width, s.Height};
    };

    for (int level = 1; level <= 21; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        const Expect& e = levels[level - 1];
        Headless h;
        FrmGame& g = h.app.game;
        // The draws of the placement: element 0 at 2000; element 1 first just inside its box,
        // which is refused, then just outside it; element 2 at the top of the random range.
        const float span = 13665 - e.box;
        for (float left : {2000.0f, 2000 + e.box - 10, 2000 + e.box + 10})
            h.app.program.Rng().Force(left / span);
        h.app.program.Rng().Force(0.99999994f);
        g.Lives = 5;
        g.Level = static_cast<int16_t>(level);
        g.Score = 0;
        g.ExtraLives = 0;
        g.Show();
        FrmGame::Controls& c = g.C();

        EXPECT_EQ(g.TimeBonus, e.bonus);
        EXPECT_EQ(c.lblTimeBonusRemaining->Caption, std::to_string(e.bonus));
        EXPECT_EQ(c.lblLevel->Caption, "Level:\r\n" + std::to_string(level));
        std::string shown;
        for (int i = 0; i <= c.BubblePic.UBound(); ++i) {
            const BubbleState& r = g.Bubbles[i];
            EXPECT_EQ(c.BubblePic(i).Top, 300) << i;
            EXPECT_EQ(r.VerticalDirection, "DOWN") << i;
            EXPECT_EQ(r.HorizontalDirection, e.horizontal) << i;
            EXPECT_EQ(r.PeakTop, e.peak) << i;
            if (!c.BubblePic(i).Visible) {
                EXPECT_EQ(r.Size, e.size) << i;
                EXPECT_EQ(r.Colour, "RED") << i;
                continue;
            }
            shown += (shown.empty() ? "" : " ") + std::to_string(i) + ":" + std::to_string(r.Size) +
                     r.Colour.substr(0, 1);
        }
        EXPECT_EQ(shown, e.bubbles);
        EXPECT_EQ(Shown(c.shpBlocker), e.blockers);
        EXPECT_EQ(Shown(c.shpSeam), e.seams);
        for (int k = 0; k <= c.shpBlocker.UBound(); ++k) {
            if (!c.shpBlocker(k).Visible || k == 5) continue;
            std::array<float, 4> want = blockerRects.at(k);
            if ((level == 15 || level == 16) && (k == 9 || k == 10)) want[1] = 2340;
            EXPECT_EQ(rect(c.shpBlocker(k)), want) << "blocker " << k;
        }
        for (int k = 0; k <= c.shpSeam.UBound(); ++k) {
            if (!c.shpSeam(k).Visible) continue;
            EXPECT_EQ(rect(c.shpSeam(k)), seamRects[k]) << "seam " << k;
        }

        // The box keeps element 1 out of element 0's and the range ends one box short of the
        // right edge.
        EXPECT_NEAR(c.BubblePic(0).Left, 2000, 0.5);
        EXPECT_NEAR(c.BubblePic(1).Left, 2000 + e.box + 10, 0.5);
        EXPECT_NEAR(c.BubblePic(2).Left, 13665 - e.box, 0.5);
        EXPECT_EQ(c.imgCharacter->Top, 4875);
        EXPECT_TRUE(c.lblCount->Visible);
        EXPECT_EQ(c.lblCount->Caption, "3");
        g.Lives = 0;  // so that unloading does not end the program
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
