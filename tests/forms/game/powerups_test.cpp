// Power-ups: the roll and its rules, the slots, falling and collecting, the recent list.
#include "forms/game/game_fixture.h"

namespace qbx::test {
namespace {

struct PowerupTest : GameTest {
    // What drops for a split whose halves have size s, with the roll forced to the given value:
    // the slot that was filled, or nullptr.
    Image* DropWithRoll(int16_t s, int roll) {
        g.Bubbles[0].Size = s;
        c().BubblePic(0).Left = 3000;
        c().BubblePic(0).Top = 2000;
        // Int((25 - 2s) * r) + 2s + 1 = roll
        const float r =
            (static_cast<float>(roll - 2 * s - 1) + 0.5f) / static_cast<float>(25 - 2 * s);
        h.app.program.Rng().Force(r);
        int i = 0;
        while (i <= 4 && c().pwrup(i).Visible) ++i;
        g.DropPowerup(g.BubbleIndex = 0);
        if (i > 4) return &c().pwrup(0);  // all five in use: slot 0 is taken again
        return c().pwrup(i).Visible ? &c().pwrup(i) : nullptr;
    }
    void ClearSlots() {
        for (int i = 0; i <= 4; ++i) c().pwrup(i).Visible = false;
    }
    // A power-up of the kind lands on the character.
    void Collect(const char* kind) {
        c().imgCharacter->Left = 9000;
        Image& p = c().pwrup(0);
        p.SetPicture(Pic(kind));
        p.Left = 9000;
        p.Top = 5190;
        p.Visible = true;
        g.tmrBubbles_Timer();
    }
};

TEST_F(PowerupTest, RollsPickTheirKindForEveryHalvesSizeAndTheRulesDropNothingElse) {
    QuietField();
    const std::pair<int, const char*> cases[] = {
        {25, "pwrupwall"}, {23, "pwrupwall"}, {22, "pwrupfast"}, {20, "pwrupfast"},
        {19, "pwrupslow"}, {17, "pwrupslow"}, {16, "pwruplife"}, {15, nullptr}};
    for (int16_t s = 1; s <= 3; ++s) {
        for (const auto& [roll, kind] : cases) {
            SCOPED_TRACE("size " + std::to_string(s) + " roll " + std::to_string(roll));
            ClearSlots();
            g.ExtraLives = 0;
            Image* p = DropWithRoll(s, roll);
            ASSERT_EQ(p != nullptr, kind != nullptr);
            if (!p) continue;
            EXPECT_EQ(p->Picture, Pic(kind));
            EXPECT_EQ(p->Left, 3020);
        }
        // The top of the random range gives the top of the roll.
        ClearSlots();
        h.app.program.Rng().Force(0.99999994f);
        g.DropPowerup(g.BubbleIndex = 0);
        EXPECT_EQ(c().pwrup(0).Picture, Pic("pwrupwall"));
    }

    // All five slots in use: slot 0 is taken again.
    for (int i = 0; i <= 4; ++i) {
        c().pwrup(i).SetPicture(Pic("pwrupfast"));
        c().pwrup(i).Visible = true;
    }
    EXPECT_EQ(DropWithRoll(2, 24)->Picture, Pic("pwrupwall"));
    EXPECT_EQ(c().pwrup(1).Picture, Pic("pwrupfast"));

    // A roll naming the active kind drops nothing.
    ClearSlots();
    Activate("pwrupslow");
    EXPECT_EQ(DropWithRoll(1, 18), nullptr);
    Activate("pwrupwall");
    EXPECT_EQ(DropWithRoll(2, 24), nullptr);
    Activate("pwruplife");
    EXPECT_EQ(DropWithRoll(3, 16), nullptr);
    EXPECT_EQ(g.ExtraLives, 0);

    // Extra lives stop at five drops in a level (a lost life keeps the count) and at ten lives.
    Activate("lifex");
    for (int i = 0; i < 5; ++i) {
        ClearSlots();
        ASSERT_NE(DropWithRoll(1, 16), nullptr);
    }
    ClearSlots();
    g.Form_Load();
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    EXPECT_EQ(DropWithRoll(1, 16), nullptr);
    g.ExtraLives = 0;
    g.Lives = 10;
    EXPECT_EQ(DropWithRoll(1, 16), nullptr);
}

TEST_F(PowerupTest, PowerUpsFallToTheFloorAndAreCollected) {
    QuietField();
    Activate("pwrupslow");  // slow bubbles do not slow power-ups
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
    p.Left = 9345;           // touching edges do not count
    g.tmrBubbles_Timer();
    EXPECT_TRUE(p.Visible);
    p.Left = 9100;  // the character walks into it
    g.tmrBubbles_Timer();
    EXPECT_FALSE(p.Visible);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupfast"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));

    // Born below the floor line, it does not fall and is collected at once.
    p.SetPicture(Pic("pwrupwall"));
    p.Top = 5300;
    p.Visible = true;
    g.tmrBubbles_Timer();
    EXPECT_FALSE(p.Visible);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupwall"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupfast"));
}

TEST_F(PowerupTest, CollectingShiftsTheRecentListAndMatchingKindsAreUsedUp) {
    QuietField();
    const char* history[] = {"pwrupfast", "pwrupwall", "pwruplife", "pwrupslow", "pwrupfast",
                             "pwrupwall", "pwruplife", "pwrupslow", "pwrupfast", "pwrupwall"};
    for (int i = 0; i <= 9; ++i) c().hpwrup(i).SetPicture(Pic(history[i]));
    Activate("pwrupslow");
    Collect("pwrupfast");
    EXPECT_EQ(c().apwrup->Picture, Pic("pwrupfast"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(c().hpwrup(i).Picture, Pic(history[i - 1]));
    Collect("pwrupfast");  // the same kind: used up, nothing moves
    EXPECT_FALSE(c().pwrup(0).Visible);
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupslow"));

    // An extra life at ten lives adds none but still becomes active.
    g.Lives = 10;
    Collect("pwruplife");
    EXPECT_EQ(g.Lives, 10);
    EXPECT_EQ(c().apwrup->Picture, Pic("pwruplife"));
    // Below ten, the icon at the new count shows a whole life again.
    g.Lives = 5;
    Activate("pwrupwall");
    Collect("pwruplife");
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
    g.cmdContinue_Click();  // the next set-up retires it
    EXPECT_EQ(g.Lives, 6);
    EXPECT_EQ(c().apwrup->Picture, Pic("lifex"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwruplife"));
}

}  // namespace
}  // namespace qbx::test
