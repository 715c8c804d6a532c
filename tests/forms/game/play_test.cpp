// Bubble motion and collisions, the player's keys, the arrow and the bubble pictures.
#include <algorithm>

#include "forms/game/game_fixture.h"

namespace qbx::test {
namespace {

using PlayTest = GameTest;

// A bubble falls from its peak to the floor and rises back to the same peak, slowing near the
// top; slow bubbles follow the same path in more than twice the ticks.
TEST_F(PlayTest, ABounceReturnsToItsPeakAndSlowBubblesTakeLongerOverIt) {
    struct Bounce {
        int ticks = 0;
        float highest = 1e9f, lowestBottom = 0, sideways = 0;
        bool slowedNearTop = false;
    };
    auto bounce = [&](bool slow) {
        QuietField();
        Activate(slow ? "pwrupslow" : "lifex");
        Image& b = Bubble(0, 9000, 2000, 2, "DOWN", "LEFT", 2000);
        Bounce r;
        bool rising = false;
        while (r.ticks < 5000) {
            const float left = b.Left, top = b.Top;
            g.tmrBubbles_Timer();
            ++r.ticks;
            r.sideways = std::max(r.sideways, left - b.Left);
            r.lowestBottom = std::max(r.lowestBottom, b.Top + b.Height);
            if (b.Top < top) rising = true;
            if (!rising) continue;
            r.highest = std::min(r.highest, b.Top);
            if (g.Bubbles[0].VerticalDirection == "UPSLOW") r.slowedNearTop = true;
            if (g.Bubbles[0].VerticalDirection == "DOWN") break;
        }
        EXPECT_LT(b.Left, 9000);  // it kept going left
        return r;
    };
    const Bounce fast = bounce(false), slow = bounce(true);
    for (const Bounce& r : {fast, slow}) {
        // The floor line and 60 below it turns it (within 50), and it rises in the same tick.
        EXPECT_GT(r.lowestBottom, 5460 - 50 - 30);
        EXPECT_LT(r.lowestBottom, 5460 + 50);
        EXPECT_LE(r.highest, 2000);  // back at its peak, and hardly above it
        EXPECT_GT(r.highest, 1970);
        EXPECT_TRUE(r.slowedNearTop);
    }
    EXPECT_GT(slow.ticks, 2 * fast.ticks);
    EXPECT_LT(2 * slow.sideways, fast.sideways);
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

TEST_F(PlayTest, TheWallsAndTheFloorTurnABubbleOnlyOnceItReachesThem) {
    struct Case {
        float left, top;  // a size-1 bubble, 150 square
        const char *across, *down, *acrossAfter, *downAfter;
    };
    const Case cases[] = {
        {13405, 2000, "RIGHT", "DOWN", "LEFT", "DOWN"},   // the step ends on the right wall
        {13404, 2000, "RIGHT", "DOWN", "RIGHT", "DOWN"},  // one twip short of it
        {20, 2000, "LEFT", "DOWN", "LEFT", "DOWN"},       // the step ends at 0
        {19, 2000, "LEFT", "DOWN", "RIGHT", "DOWN"},      // one twip past it
        {5000, 5231, "LEFT", "DOWN", "LEFT", "UP"},       // the step ends 49 above the resting line
        {5000, 5230, "LEFT", "DOWN", "LEFT", "DOWN"},     // 50 above it
        {5000, 5329, "LEFT", "DOWN", "LEFT", "UP"},       // 49 below it
        {5000, 5330, "LEFT", "DOWN", "LEFT", "DOWN"},     // 50 below it
    };
    QuietField();
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.left << ", " << k.top);
        Bubble(0, k.left, k.top, 1, k.down, k.across);
        g.tmrBubbles_Timer();
        EXPECT_EQ(g.Bubbles[0].HorizontalDirection, k.acrossAfter);
        EXPECT_EQ(g.Bubbles[0].VerticalDirection, k.downAfter);
    }
}

TEST_F(PlayTest, ABubbleHitsTheCharacterOnlyWhenTheyOverlapByMoreThan60Twips) {
    QuietField();
    const Image& ch = *c().imgCharacter;
    c().imgCharacter->Left = 6000;
    constexpr float kSide = 585;  // a size-3 bubble; otherwise centred on the character
    const float cL = ch.Left, cT = ch.Top, cW = ch.Width, cH = ch.Height;
    for (float overlap : {60.0f, 61.0f}) {
        const struct {
            const char* side;
            float left, top;
        } cases[] = {
            {"above", cL + (cW - kSide) / 2, cT + overlap - kSide},
            {"below", cL + (cW - kSide) / 2, cT + cH - overlap},
            {"left", cL + overlap - kSide, cT + (cH - kSide) / 2},
            {"right", cL + cW - overlap, cT + (cH - kSide) / 2},
        };
        for (const auto& k : cases) {
            SCOPED_TRACE(testing::Message() << k.side << ", overlap " << overlap);
            QuietField();
            c().imgCharacter->Left = 6000;
            Bubble(0, k.left, k.top, 3, "DOWN");
            g.tmrBubbles_Timer();
            EXPECT_EQ(g.Lives, overlap > 60 ? 4 : 5);
        }
    }
}

TEST_F(PlayTest, BlockersTurnBubblesWithin50TwipsOfTheirSidesUndersideAndTop) {
    enum Contact { None, Head, Landed };
    struct Case {
        const char* what;
        float left, top;  // a size-2 bubble, 285 square
        const char *from, *to;
        Contact contact;
    };
    // The blocker spans 6000 to 7200 across and 3000 to 3600 down.
    const Case cases[] = {
        {"right edge 50 before the left side", 5665, 3300, "RIGHT", "RIGHT", None},
        {"right edge 49 before the left side", 5666, 3300, "RIGHT", "LEFT", None},
        {"left edge 50 past the right side", 7250, 3300, "LEFT", "LEFT", None},
        {"left edge 49 past the right side", 7249, 3300, "LEFT", "RIGHT", None},
        {"on the left side, bottom level with the top", 5715, 2715, "RIGHT", "RIGHT", Landed},
        {"on the left side, bottom 1 below the top", 5715, 2716, "RIGHT", "LEFT", Landed},
        {"on the left side, top level with the underside", 5715, 3600, "RIGHT", "RIGHT", Head},
        {"on the left side, top 1 above the underside", 5715, 3599, "RIGHT", "LEFT", Head},
        {"top 50 below the underside", 6400, 3650, "LEFT", "LEFT", None},
        {"top 49 below the underside", 6400, 3649, "LEFT", "LEFT", Head},
        {"top 50 above the underside", 6400, 3550, "LEFT", "LEFT", None},
        {"top 49 above the underside", 6400, 3551, "LEFT", "LEFT", Head},
        {"under it, right edge 50 before the left side", 5665, 3620, "LEFT", "LEFT", None},
        {"under it, right edge 49 before the left side", 5666, 3620, "LEFT", "LEFT", Head},
        {"under it, left edge 50 past the right side", 7250, 3620, "LEFT", "LEFT", None},
        {"under it, left edge 49 past the right side", 7249, 3620, "LEFT", "LEFT", Head},
        {"bottom 50 above the top", 6400, 2665, "LEFT", "LEFT", None},
        {"bottom 49 above the top", 6400, 2666, "LEFT", "LEFT", Landed},
        {"bottom 50 below the top", 6400, 2765, "LEFT", "LEFT", None},
        {"bottom 49 below the top", 6400, 2764, "LEFT", "LEFT", Landed},
        {"over it, right edge 50 before the left side", 5665, 2700, "LEFT", "LEFT", None},
        {"over it, right edge 49 before the left side", 5666, 2700, "LEFT", "LEFT", Landed},
        {"over it, left edge 50 past the right side", 7250, 2700, "LEFT", "LEFT", None},
        {"over it, left edge 49 past the right side", 7249, 2700, "LEFT", "LEFT", Landed},
    };
    QuietField();
    Blocker(0, 6000, 3000, 1200, 600);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Bubble(0, k.left, k.top, 2, "DOWN", k.from, 500);
        g.tmrBubbles_Timer();
        const BubbleState& r = g.Bubbles[0];
        EXPECT_EQ(r.HorizontalDirection, k.to);
        // A head against the underside turns at its own height; a landing bounces off the top
        // (3080 - (5460 - 3000)).
        EXPECT_EQ(r.PeakTop, k.contact == Head ? k.top : k.contact == Landed ? 620 : 500);
        EXPECT_EQ(r.VerticalDirection, k.contact == Landed ? "UP" : "DOWN");
    }
}

TEST_F(PlayTest, ALedgeBounceRisesAsFarAboveTheLedgeAsAFloorBounceAboveTheFloor) {
    struct Case {
        int16_t size;
        float side;
        int16_t peak;  // of a bounce off the floor
    };
    const Case cases[] = {{1, 150, 4312}, {2, 285, 3080}, {3, 585, 2200}, {4, 1170, 1571}};
    for (const Case& k : cases) {
        for (bool slow : {false, true}) {
            SCOPED_TRACE(testing::Message() << "size " << k.size << (slow ? " slow" : ""));
            QuietField();
            Activate(slow ? "pwrupslow" : "lifex");
            Blocker(0, 6000, 3000, 1200, 600);
            Bubble(0, 1000, 5460 - k.side, k.size, "DOWN");  // resting on the floor
            Bubble(1, 6100, 3000 - k.side, k.size, "DOWN");  // resting on the ledge
            g.tmrBubbleSize_Timer();
            g.tmrBubbles_Timer();
            const BubbleState &floor = g.Bubbles[0], &ledge = g.Bubbles[1];
            EXPECT_EQ(floor.PeakTop, k.peak);
            EXPECT_EQ(3000 - ledge.PeakTop, 5460 - floor.PeakTop);
            // Only a landing on a blocker rises slowly with slow bubbles.
            EXPECT_EQ(floor.VerticalDirection, "UP");
            EXPECT_EQ(ledge.VerticalDirection, slow ? "UPSLOW" : "UP");
        }
    }
}

TEST_F(PlayTest, AnArrowShootsABubbleItJustTouches) {
    struct Case {
        const char* what;
        float left, top;
        bool visible, shot;
    };
    // The bubble, 150 square, steps to 5020 before the test; the arrow is 120 wide.
    const Case cases[] = {
        {"right edge on the bubble's left edge", 4900, 0, true, true},
        {"right edge 1 before it", 4899, 0, true, false},
        {"left edge on the bubble's right edge", 5170, 0, true, true},
        {"left edge 1 past it", 5171, 0, true, false},
        {"upper end level with the bubble's bottom", 5040, 3150, true, true},
        {"upper end 1 below it", 5040, 3151, true, false},
        {"hidden", 5040, 0, false, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        QuietField();
        Image& b = Bubble(0, 5000, 3000, 1, "DOWN", "RIGHT");
        const Image& a = Arrow(k.left, k.top, k.visible);
        ASSERT_EQ(a.Width, 120);
        g.tmrBubbles_Timer();
        EXPECT_EQ(b.Visible, !k.shot);
        EXPECT_EQ(g.Score, k.shot ? 10 : 0);
    }
}

TEST_F(PlayTest, AShotBubbleSplitsIntoHalvesAndTheSmallestVanishes) {
    QuietField();
    h.app.program.Rng().Force(0.0f);  // roll 3: no power-up
    Image& b = Bubble(0, 5000, 3000, 2, "DOWN", "LEFT", 3080);
    Image& other = Bubble(1, 5010, 3100, 1, "DOWN");  // touched too, but a higher index
    Image& a = Arrow(5100, 3200);
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
    Arrow(5000, 0);
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
    Arrow(6090, 3000);
    c().tmrBonus->SetEnabled(true);
    // While the circle is drawn: around the character, in front of everything but buttons.
    bool seen = false;
    h.svc.Post([&] {
        const Shape& circle = *c().shpDeathCircle;
        seen = true;
        EXPECT_TRUE(circle.Visible);
        EXPECT_EQ(circle.Left, 6000 - 390);
        EXPECT_EQ(circle.Top, 4875 - 200);
        EXPECT_EQ(g.Dying, -1);
        EXPECT_FALSE(c().tmrBonus->Enabled());
        for (const Control* k : g.ZOrder()) {
            if (k == &circle) break;
            EXPECT_EQ(k->kind, Kind::Button) << k->name << " in front of the circle";
        }
    });
    const int64_t before = h.svc.Clock();
    g.tmrBubbles_Timer();
    EXPECT_TRUE(seen);
    EXPECT_EQ(h.svc.Clock() - before, 800);  // the whole program slept
    EXPECT_EQ(g.Score, 0);
    EXPECT_EQ(g.Lives, 2);
    EXPECT_EQ(c().life(2).Picture, Pic("lifex"));
    EXPECT_EQ(g.LifeLost, -1);
    EXPECT_FALSE(c().shpDeathCircle->Visible);
    EXPECT_FALSE(c().arrow->Visible);
    EXPECT_TRUE(c().lblCount->Visible);     // the level is set up again
    EXPECT_FALSE(c().tmrBonus->Enabled());  // until the countdown ends
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
        // At the character's feet, 90 twips in from its left edge, 1 twip high.
        EXPECT_EQ(a.Left, c().imgCharacter->Left + 90);
        EXPECT_EQ(a.Top, 5370);
        EXPECT_EQ(a.Height, 1);
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
    EXPECT_EQ(a.Height, 5400);  // from the ceiling to the floor line
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
    EXPECT_EQ(a.Height, 5400 - 3255);  // down to the floor line
    EXPECT_EQ(a.Left, 6500);

    // Pause and resume: the wall stands where it was.
    g.PauseGame();
    g.PauseGame();
    EXPECT_TRUE(c().tmrArrowGrow->Enabled());
    g.tmrArrowGrow_Timer();
    EXPECT_TRUE(a.Visible);
    EXPECT_EQ(a.Top, 3255);
    EXPECT_EQ(a.Height, 5400 - 3255);
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
