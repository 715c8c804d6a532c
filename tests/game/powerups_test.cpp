// Power-ups: the roll and its rules, the slots, falling and collecting, the indicators.
#include "game/game_fixture.h"

namespace qbx::test {
namespace {

struct PowerupTest : GameTest {
    // Drops for a split whose halves have size s, with the roll forced to the given value.
    Image* DropWithRoll(int16_t s, int roll) {
        g.Bubbles[0].Size = s;
        c().BubblePic(0).Left = 3000;
        c().BubblePic(0).Top = 2000;
        // Int((25 - 2s) * r) + 2s + 1 = roll
        const float r =
            (static_cast<float>(roll - 2 * s - 1) + 0.5f) / static_cast<float>(25 - 2 * s);
        h.app.program.Rng().Force(r);
        g.BubbleIndex = 0;
        for (int i = 0; i <= 4; ++i)
            if (!c().pwrup(i).Visible) {
                g.DropPowerup(g.BubbleIndex);
                return c().pwrup(i).Visible ? &c().pwrup(i) : nullptr;
            }
        g.DropPowerup(g.BubbleIndex);
        return &c().pwrup(0);
    }
    void ClearSlots() {
        for (int i = 0; i <= 4; ++i) c().pwrup(i).Visible = false;
    }
};

TEST_F(PowerupTest, RollsPickTheirKindForEveryHalvesSize) {
    QuietField();
    struct Case {
        int roll;
        const char* kind;  // nullptr: nothing drops
    };
    const Case cases[] = {{25, "pwrupwall"}, {23, "pwrupwall"}, {22, "pwrupfast"},
                          {20, "pwrupfast"}, {19, "pwrupslow"}, {17, "pwrupslow"},
                          {16, "pwruplife"}, {15, nullptr},     {7, nullptr}};
    for (int16_t s = 1; s <= 3; ++s) {
        for (const Case& k : cases) {
            SCOPED_TRACE("size " + std::to_string(s) + " roll " + std::to_string(k.roll));
            ClearSlots();
            g.ExtraLives = 0;
            Image* p = DropWithRoll(s, k.roll);
            if (!k.kind) {
                EXPECT_EQ(p, nullptr);
                continue;
            }
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(p->Picture, Pic(k.kind));
            EXPECT_EQ(p->Left, 3020);
            EXPECT_EQ(p->Top, 2000);
        }
    }
    // The extremes of r give the ends of the range.
    for (int16_t s = 1; s <= 3; ++s) {
        ClearSlots();
        g.Bubbles[0].Size = s;
        h.app.program.Rng().Force(0.99999994f);
        g.DropPowerup(g.BubbleIndex);
        EXPECT_EQ(c().pwrup(0).Picture, Pic("pwrupwall"));
    }
}

TEST_F(PowerupTest, ARollNamingTheActiveKindDropsNothingElse) {
    QuietField();
    Activate("pwrupslow");
    EXPECT_EQ(DropWithRoll(1, 18), nullptr);
    Activate("pwrupwall");
    EXPECT_EQ(DropWithRoll(2, 24), nullptr);
    Activate("pwruplife");
    EXPECT_EQ(DropWithRoll(3, 16), nullptr);
    EXPECT_EQ(g.ExtraLives, 0);
}

TEST_F(PowerupTest, ExtraLivesStopAtFiveDropsAndTenLives) {
    QuietField();
    for (int i = 0; i < 5; ++i) {
        ClearSlots();
        ASSERT_NE(DropWithRoll(1, 16), nullptr);
    }
    EXPECT_EQ(g.ExtraLives, 5);
    ClearSlots();
    EXPECT_EQ(DropWithRoll(1, 16), nullptr);
    g.Form_Load();  // a lost life keeps the count
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    EXPECT_EQ(g.ExtraLives, 5);
    EXPECT_EQ(DropWithRoll(1, 16), nullptr);
    g.ExtraLives = 0;
    g.Lives = 10;
    EXPECT_EQ(DropWithRoll(1, 16), nullptr);
}

TEST_F(PowerupTest, CompletingALevelResetsTheExtraLifeCount) {
    EmptyFieldInPlay();
    g.ExtraLives = 5;
    h.svc.Advance(10);
    EXPECT_EQ(g.ExtraLives, 0);
}

TEST_F(PowerupTest, AllFiveSlotsInUseReuseSlotZero) {
    QuietField();
    for (int i = 0; i <= 4; ++i) {
        c().pwrup(i).SetPicture(Pic("pwrupfast"));
        c().pwrup(i).Visible = true;
    }
    DropWithRoll(2, 24);
    EXPECT_EQ(c().pwrup(0).Picture, Pic("pwrupwall"));
    EXPECT_EQ(c().pwrup(0).Left, 3020);
    EXPECT_EQ(c().pwrup(1).Picture, Pic("pwrupfast"));
}

TEST_F(PowerupTest, PowerUpsFallToTheFloorAndAreCollected) {
    QuietField();
    c().imgCharacter->Left = 9000;
    Image& p = c().pwrup(0);
    p.SetPicture(Pic("pwrupfast"));
    p.Left = 3000;
    p.Top = 5000;
    p.Visible = true;
    g.tmrBubbles_Timer();
    EXPECT_EQ(p.Top, 5015);
    Ticks(20);
    EXPECT_EQ(p.Top, 5195);  // first tick with its bottom below the floor line: it rests
    p.Left = 9100;           // the character walks into it
    g.tmrBubbles_Timer();
    EXPECT_FALSE(p.Visible);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupfast"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("lifex"));  // nothing was active before

    // Born below the floor line, it does not fall and is collected at once.
    Image& q = c().pwrup(1);
    q.SetPicture(Pic("pwrupwall"));
    q.Left = 9100;
    q.Top = 5300;
    q.Visible = true;
    g.tmrBubbles_Timer();
    EXPECT_FALSE(q.Visible);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupwall"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupfast"));

    // Touching edges do not count.
    Image& e = c().pwrup(2);
    e.SetPicture(Pic("pwrupslow"));
    e.Left = 9345;
    e.Top = 5190;
    e.Visible = true;
    g.tmrBubbles_Timer();
    EXPECT_TRUE(e.Visible);
}

TEST_F(PowerupTest, CollectingShiftsTheRecentListAndMatchingKindsAreUsedUp) {
    QuietField();
    c().imgCharacter->Left = 9000;
    const char* history[] = {"pwrupfast", "pwrupwall", "pwruplife", "pwrupslow", "pwrupfast",
                             "pwrupwall", "pwruplife", "pwrupslow", "pwrupfast", "pwrupwall"};
    for (int i = 0; i <= 9; ++i) c().hpwrup(i).SetPicture(Pic(history[i]));
    Activate("pwrupslow");
    auto collect = [&](const char* kind) {
        Image& p = c().pwrup(0);
        p.SetPicture(Pic(kind));
        p.Left = 9000;
        p.Top = 5190;
        p.Visible = true;
        g.tmrBubbles_Timer();
    };
    collect("pwrupfast");
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupfast"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(c().hpwrup(i).Picture, Pic(history[i - 1]));
    collect("pwrupfast");  // the same kind: used up, nothing moves
    EXPECT_FALSE(c().pwrup(0).Visible);
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));

    // An extra life at ten lives adds none but still becomes active.
    g.Lives = 10;
    collect("pwruplife");
    EXPECT_EQ(g.Lives, 10);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwruplife"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupfast"));
    // Below ten, the icon at the new count shows a whole life again.
    g.Lives = 5;
    Activate("pwrupwall");
    collect("pwruplife");
    EXPECT_EQ(g.Lives, 6);
    EXPECT_EQ(c().life(5).Picture, Pic("pwruplife"));
}

TEST_F(PowerupTest, AnExtraLifeCanBeCollectedOnTheLevelCompletePanel) {
    EmptyFieldInPlay();
    c().imgCharacter->Left = 9000;
    Image& p = c().pwrup(0);
    p.SetPicture(Pic("pwruplife"));
    p.Left = 9000;
    p.Top = 4000;
    p.Visible = true;
    h.svc.Advance(10);
    ASSERT_TRUE(c().cmdContinue->Visible);
    h.svc.Advance(2000);
    EXPECT_EQ(g.Lives, 6);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwruplife"));
    g.cmdContinue_Click();  // the next set-up retires it
    EXPECT_EQ(g.Lives, 6);
    EXPECT_EQ(c().apwrup->Picture, Pic("lifex"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwruplife"));
}

TEST_F(PowerupTest, SlowBubblesDoNotSlowFallingPowerUps) {
    QuietField();
    Activate("pwrupslow");
    Image& p = c().pwrup(0);
    p.SetPicture(Pic("pwrupfast"));
    p.Left = 3000;
    p.Top = 1000;
    p.Visible = true;
    g.tmrBubbles_Timer();
    EXPECT_EQ(p.Top, 1015);
}

}  // namespace
}  // namespace qbx::test
