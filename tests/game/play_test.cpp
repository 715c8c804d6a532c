// Bubble motion and collisions, the player's keys, the arrow and the bubble pictures.
#include "game/game_fixture.h"

namespace qbx::test {
namespace {

using PlayTest = GameTest;

TEST_F(PlayTest, NetStepsPerTickForEachVerticalWordWithAndWithoutSlowBubbles) {
    struct Step {
        const char* word;
        float down, left, slowDown, slowLeft;
    };
    const Step steps[] = {{"UP", -30, -20, -15, -5},
                          {"UPSLOW", -15, -25, -7.5f, -10},
                          {"DOWNSLOW", 15, -25, 3.75f, -10},
                          {"DOWN", 30, -20, 7.5f, -5}};
    QuietField();
    for (const Step& s : steps) {
        for (bool slow : {false, true}) {
            SCOPED_TRACE(std::string(s.word) + (slow ? " slow" : ""));
            Activate(slow ? "pwrupslow" : "lifex");
            Image& b = Bubble(0, 5000, 2000, 2, s.word, "LEFT", 500);
            g.tmrBubbles_Timer();
            EXPECT_FLOAT_EQ(b.Top - 2000, slow ? s.slowDown : s.down);
            EXPECT_FLOAT_EQ(b.Left - 5000, slow ? s.slowLeft : s.left);
        }
    }
}

// The turning lines below a peak are played exactly by tests/scenarios/level1_cleared.qbx.
TEST_F(PlayTest, TheCeilingAndTheFloorTurnABubbleWithinOneTick) {
    QuietField();
    Image& c0 = Bubble(0, 3000, 40, 1, "UP", "LEFT", 5);
    Image& f = Bubble(1, 9000, 4260, 4, "DOWN", "LEFT", 1571);
    Ticks(1);
    EXPECT_EQ(g.Bubbles[0].PeakTop, 40);  // the ceiling sets the peak
    EXPECT_EQ(c0.Top, 10);
    EXPECT_EQ(f.Top, 4260);  // down 30, the floor, up 30
    EXPECT_EQ(g.Bubbles[1].VerticalDirection, "UP");
    Ticks(1);
    EXPECT_EQ(c0.Top, 25);
    Ticks(84);  // a size-4 bubble rises to its slow line
    EXPECT_EQ(f.Top, 1710);
    EXPECT_EQ(g.Bubbles[1].VerticalDirection, "UPSLOW");
}

TEST_F(PlayTest, WallsAndBlockersTurnBubblesAround) {
    QuietField();
    Image& r = Bubble(0, 13405, 2000, 1, "DOWN", "RIGHT");
    Image& l = Bubble(1, 20, 2000, 1, "DOWN", "LEFT");
    g.tmrBubbles_Timer();
    EXPECT_EQ(r.Left, 13425);  // touching the right wall turns it
    EXPECT_EQ(g.Bubbles[0].HorizontalDirection, "LEFT");
    EXPECT_EQ(l.Left, 0);  // at zero it turns only on the next tick
    EXPECT_EQ(g.Bubbles[1].HorizontalDirection, "LEFT");
    g.tmrBubbles_Timer();
    EXPECT_EQ(g.Bubbles[1].HorizontalDirection, "RIGHT");

    QuietField();
    c().shpBlocker(0).Visible = true;                // 5880, 0, 1815 x 4335
    Bubble(0, 5600, 2000, 2, "DOWN", "RIGHT", 500);  // right edge 5885, 5 into the left side
    Bubble(1, 7720, 2000, 2, "DOWN", "LEFT", 500);   // 25 right of the right side
    g.tmrBubbles_Timer();
    EXPECT_EQ(g.Bubbles[0].HorizontalDirection, "LEFT");
    EXPECT_EQ(g.Bubbles[1].HorizontalDirection, "RIGHT");

    // Landing on a blocker bounces as high above it as a floor bounce would.
    for (bool slow : {false, true}) {
        SCOPED_TRACE(slow);
        QuietField();
        c().shpBlocker(8).Visible = true;  // 6240, 3000, 1095 x 255
        Activate(slow ? "pwrupslow" : "lifex");
        Image& b = Bubble(0, 6500, 2700, 2, "DOWN", "LEFT", 3080);
        g.tmrBubbles_Timer();
        EXPECT_EQ(g.Bubbles[0].PeakTop, 620);  // 3080 - (5460 - 3000)
        EXPECT_EQ(g.Bubbles[0].VerticalDirection, slow ? "UPSLOW" : "UP");
        EXPECT_FLOAT_EQ(b.Top, slow ? 2692.5f : 2670.0f);
    }
}

TEST_F(PlayTest, AShotBubbleSplitsIntoHalvesAndTheSmallestVanishes) {
    QuietField();
    h.app.program.Rng().Force(0.0f);  // roll 3: no power-up
    Image& b = Bubble(0, 5000, 3000, 2, "DOWN", "LEFT", 3080);
    Image& other = Bubble(1, 5010, 3100, 1, "DOWN");  // touched too, but a higher index
    Image& a = *c().arrow;
    a.Left = 5100;
    a.Top = 3200;
    a.Visible = true;
    c().tmrArrowGrow->SetEnabled(true);
    g.tmrBubbles_Timer();
    EXPECT_TRUE(other.Visible);
    ASSERT_EQ(c().BubblePic.UBound(), 8);
    Image& half = c().BubblePic(8);
    const BubbleState &n = g.Bubbles[8], &r = g.Bubbles[0];
    EXPECT_EQ(g.Score, 20);
    for (const BubbleState* half : {&n, &r}) {  // both halves of size 1, at its peak
        EXPECT_EQ(half->Size, 1);
        EXPECT_EQ(half->PeakTop, 2500);
    }
    EXPECT_EQ(n.HorizontalDirection, "LEFT");  // the new half goes on the old way
    EXPECT_EQ(r.HorizontalDirection, "RIGHT");
    EXPECT_EQ(n.VerticalDirection, "UP");
    EXPECT_EQ(half.Picture, Pic("ballreds1"));
    EXPECT_EQ(half.Left, 4980);
    EXPECT_EQ(half.Top, 3000);  // the new half first moves on the next tick
    EXPECT_EQ(b.Top, 2970);     // the shot half goes on with its tick
    EXPECT_FALSE(a.Visible);
    EXPECT_FALSE(c().tmrArrowGrow->Enabled());
    EXPECT_EQ(g.ZOrder().front(), &half);
    g.tmrBubbleSize_Timer();  // the picture follows the size on the next bubble-size tick
    EXPECT_EQ(b.Picture, Pic("ballreds1"));
    EXPECT_EQ(b.Width, 150);

    // Shot again at size 1, it vanishes; no element is loaded for it.
    other.Visible = false;
    a.Visible = true;
    a.Left = 4850;  // reaches the new half (4960 after its step), not the other (5000)
    a.Top = 0;
    g.tmrBubbles_Timer();
    EXPECT_FALSE(half.Visible);
    EXPECT_TRUE(b.Visible);
    EXPECT_EQ(g.Score, 30);
    EXPECT_EQ(c().BubblePic.UBound(), 8);
}

TEST_F(PlayTest, SplitWithNoRecordLeftVanishesInsteadOfOverrunning) {
    QuietField();
    for (int i = 8; i <= 100; ++i) c().BubblePic.Load(i);
    Image& b = Bubble(0, 5000, 3000, 3, "DOWN");
    c().arrow->Left = 5000;
    c().arrow->Top = 0;
    c().arrow->Visible = true;
    g.tmrBubbles_Timer();
    EXPECT_EQ(c().BubblePic.UBound(), 100);
    EXPECT_FALSE(b.Visible);
    EXPECT_EQ(g.Score, 30);
}

TEST_F(PlayTest, ABubbleOnTheCharacterCostsALifeBeforeTheArrowCanShootIt) {
    QuietField();
    g.Lives = 3;
    c().imgCharacter->Left = 6000;
    Bubble(0, 5900, 4500, 3, "DOWN");
    c().arrow->Left = 6090;
    c().arrow->Top = 3000;
    c().arrow->Visible = true;
    const int64_t before = h.svc.Clock();
    g.tmrBubbles_Timer();
    EXPECT_EQ(h.svc.Clock() - before, 800);  // the whole program slept
    EXPECT_EQ(g.Score, 0);
    EXPECT_EQ(g.Lives, 2);
    EXPECT_EQ(c().life(2).Picture, Pic("lifex"));
    EXPECT_EQ(g.LifeLost, -1);
    EXPECT_FALSE(c().shpDeathCircle->Visible);
    EXPECT_FALSE(c().arrow->Visible);
    EXPECT_TRUE(c().lblCount->Visible);  // the level is set up again
}

TEST_F(PlayTest, WalkingLimitsPosesAndBothKeysHeld) {
    QuietField();
    Image& ch = *c().imgCharacter;
    ch.Left = 15;
    g.tmrLeft_Timer();
    EXPECT_EQ(ch.Left, -15);
    EXPECT_EQ(ch.Picture, Pic("imgCharLeft"));
    g.tmrLeft_Timer();
    EXPECT_EQ(ch.Left, -15);
    ch.Left = 13215;
    g.tmrRight_Timer();
    EXPECT_EQ(ch.Left, 13245);
    g.tmrRight_Timer();
    EXPECT_EQ(ch.Left, 13245);

    // A right press between the wall and the outer width starts the timer, without a step.
    ch.Left = 13300;
    g.KeyDown('D', 0);
    EXPECT_TRUE(c().tmrRight->Enabled());
    g.tmrRight_Timer();
    EXPECT_EQ(ch.Left, 13300);
    g.KeyUp('D', 0);
    EXPECT_FALSE(c().tmrRight->Enabled());

    ch.Left = 6000;
    g.KeyDown(vk::Left, 0);
    g.KeyDown(vk::Right, 0);
    h.svc.Advance(16 * 5);
    EXPECT_EQ(ch.Left, 6000);
    g.KeyUp(vk::Left, 0);
    h.svc.Advance(16);
    EXPECT_EQ(ch.Left, 6030);

    // No walking during the countdown, and no keys but Esc.
    c().lblCount->Visible = true;
    g.tmrRight_Timer();
    EXPECT_EQ(ch.Left, 6030);
    g.KeyDown('W', 0);
    EXPECT_FALSE(c().arrow->Visible);
}

TEST_F(PlayTest, CancelKeyRemovesAWallThenTheActivePowerUp) {
    QuietField();
    Activate("pwrupwall");
    c().hpwrup(0).SetPicture(Pic("pwrupfast"));
    Image& a = *c().arrow;
    a.SetPicture(Pic("arrowwall"));
    a.Visible = true;
    g.KeyDown('S', 0);
    EXPECT_FALSE(a.Visible);
    EXPECT_EQ(a.Picture, Pic("regarrow"));
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupwall"));
    g.KeyDown(vk::Down, 0);
    EXPECT_EQ(c().apwrup->Picture, Pic("lifex"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupwall"));
    EXPECT_EQ(c().hpwrup(1).Picture, Pic("pwrupfast"));
    g.KeyDown('S', 0);  // nothing active: nothing happens
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupwall"));

    Activate("pwrupfast");  // a regular or fast arrow in flight: nothing happens
    g.KeyDown('W', 0);
    ASSERT_TRUE(a.Visible);
    g.KeyDown('S', 0);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupfast"));
    a.Visible = false;
    Activate("pwruplife");  // an extra life cannot be cancelled
    g.KeyDown('S', 0);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwruplife"));
}

TEST_F(PlayTest, ArrowReachesTheCeilingIn120Or90Ticks) {
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast);
        QuietField();
        Activate(fast ? "pwrupfast" : "lifex");
        g.KeyDown(vk::Space, 0);
        Image& a = *c().arrow;
        ASSERT_TRUE(a.Visible);
        EXPECT_EQ(a.Picture, Pic(fast ? "arrowfast" : "regarrow"));
        EXPECT_EQ(a.Top, 5370);
        for (int i = 1; i < (fast ? 90 : 120); ++i) g.tmrArrowGrow_Timer();
        EXPECT_TRUE(a.Visible);
        EXPECT_FLOAT_EQ(a.Top + a.Height, 5371);  // the lower end stays put
        g.tmrArrowGrow_Timer();
        EXPECT_FALSE(a.Visible);
        EXPECT_FALSE(c().tmrArrowGrow->Enabled());
        g.KeyDown('W', 0);  // fire again once the arrow has gone
        EXPECT_TRUE(a.Visible);
        g.Lives = 0;
        g.Unload();
    }
}

TEST_F(PlayTest, WallArrowStandsAtTheCeilingOrExactlyUnderABlocker) {
    QuietField();
    Activate("pwrupwall");
    c().imgCharacter->Left = 6410;  // arrow column 6500, under blocker 8
    g.KeyDown('W', 0);
    Image& a = *c().arrow;
    EXPECT_EQ(a.Picture, Pic("regarrow"));  // a wall flies as a regular arrow
    for (int i = 0; i < 120; ++i) g.tmrArrowGrow_Timer();
    EXPECT_EQ(a.Picture, Pic("arrowwall"));
    EXPECT_EQ(a.Top, 0);
    EXPECT_FALSE(c().tmrArrowGrow->Enabled());
    g.KeyDown('W', 0);  // no arrow while a wall stands
    EXPECT_EQ(a.Top, 0);

    g.KeyDown('S', 0);
    c().shpBlocker(8).Visible = true;  // underside 3255
    g.KeyDown('W', 0);
    int ticks = 0;
    for (; c().tmrArrowGrow->Enabled() && ticks < 200; ++ticks) g.tmrArrowGrow_Timer();
    EXPECT_EQ(ticks, 47);  // 5370 - 47 x 45 is exactly the underside
    EXPECT_EQ(a.Top, 3255);

    // Pause and resume: the wall stands where it was.
    g.PauseGame();
    g.PauseGame();
    EXPECT_TRUE(c().tmrArrowGrow->Enabled());
    g.tmrArrowGrow_Timer();
    EXPECT_TRUE(a.Visible);
    EXPECT_EQ(a.Top, 3255);
    EXPECT_FALSE(c().tmrArrowGrow->Enabled());
    // With another power-up active since, the resumed tick takes the wall down.
    Activate("pwrupslow");
    g.PauseGame();
    g.PauseGame();
    g.tmrArrowGrow_Timer();
    EXPECT_FALSE(a.Visible);
    // Without the power-up the arrow stops under the blocker and vanishes.
    g.KeyDown('W', 0);
    for (int i = 0; i < 48; ++i) g.tmrArrowGrow_Timer();
    EXPECT_FALSE(a.Visible);
}

TEST_F(PlayTest, BubbleSizeTickNormalisesSizesAndPicturesAndGivesFloorPeaks) {
    QuietField();
    Bubble(0, 1000, 4200, 3, "DOWN", "LEFT", 999);
    Bubble(1, 3000, 4200.5f, 3, "DOWN", "LEFT", 999);
    Bubble(2, 5000, 1000, 2, "DOWN");
    g.Bubbles[2].Size = 0;
    Image& b3 = Bubble(3, 7000, 1000, 4, "DOWN", "LEFT", 999, "green");  // picture left as it is
    Bubble(4, 9000, 1000, 2, "DOWN");
    g.Bubbles[4].Size = 5;
    g.Bubbles[5].Size = 9;  // a hidden element is skipped entirely
    g.tmrBubbleSize_Timer();
    EXPECT_EQ(g.Bubbles[0].PeakTop, 999);  // exactly 1200 above the floor line: strict test
    EXPECT_EQ(g.Bubbles[1].PeakTop, 2200);
    EXPECT_EQ(g.Bubbles[2].Size, 1);
    EXPECT_EQ(c().BubblePic(2).Picture, Pic("ballreds1"));
    EXPECT_EQ(b3.Picture, Pic("ballgreens4"));
    EXPECT_EQ(g.Bubbles[4].Size, 1);
    EXPECT_EQ(g.Bubbles[5].Size, 9);
}

}  // namespace
}  // namespace qbx::test
