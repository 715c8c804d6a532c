// Power-ups: the roll and its rules, the slots, falling and collecting, the recent list.
#include <map>
#include <string>

#include "forms/game/game_fixture.h"

namespace qbx::test {
namespace {

struct PowerupTest : GameTest {
    // What one split leaves in slot `slot` when its halves have size s and the draw is r: the
    // picture dropped there, or nullptr.
    PictureRef DropAt(int16_t s, float r, int slot = 0) {
        g.Bubbles[0].Size = s;
        c().BubblePic(0).Left = 3000;
        c().BubblePic(0).Top = 2000;
        h.app.program.Rng().Force(r);
        g.DropPowerup(g.BubbleIndex = 0);
        Image& p = c().pwrup(slot);
        return p.Visible ? p.Picture : nullptr;
    }
    // A draw that drops the kind for halves of size s while nothing is active.
    float DrawFor(int16_t s, const char* kind) {
        for (int i = 0; i < 1000; ++i) {
            const float r = (static_cast<float>(i) + 0.5f) / 1000;
            ClearSlots();
            const int16_t extra = g.ExtraLives;
            const bool drops = DropAt(s, r) == Pic(kind);
            g.ExtraLives = extra;
            ClearSlots();
            if (drops) return r;
        }
        ADD_FAILURE() << "no draw drops " << kind;
        return 0;
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

// Over draws spread evenly across [0, 1), each kind drops as often as its rolls among the 25 - 2s
// equally likely rolls from 2s + 1 to 25: three each for the arrows and slow bubbles, one for a
// life.
TEST_F(PowerupTest, EachKindDropsAsOftenAsItsShareOfTheRolls) {
    QuietField();
    for (int16_t s = 1; s <= 3; ++s) {
        SCOPED_TRACE("halves of size " + std::to_string(s));
        const int rolls = 25 - 2 * s, perRoll = 60, draws = rolls * perRoll;
        std::map<std::string, int> count;
        for (int i = 0; i < draws; ++i) {
            ClearSlots();
            g.ExtraLives = 0;
            const PictureRef p = DropAt(s, (static_cast<float>(i) + 0.5f) / draws);
            ++count[p == Pic("pwrupwall")   ? "wall"
                    : p == Pic("pwrupfast") ? "fast"
                    : p == Pic("pwrupslow") ? "slow"
                    : p == Pic("pwruplife") ? "life"
                    : p                     ? "other"
                                            : "none"];
            if (p) {
                EXPECT_EQ(c().pwrup(0).Left, 3020);  // beside the split, at its height
                EXPECT_EQ(c().pwrup(0).Top, 2000);
            }
        }
        EXPECT_NEAR(count["wall"], 3 * perRoll, 2);
        EXPECT_NEAR(count["fast"], 3 * perRoll, 2);
        EXPECT_NEAR(count["slow"], 3 * perRoll, 2);
        EXPECT_NEAR(count["life"], perRoll, 2);
        EXPECT_NEAR(count["none"], (rolls - 10) * perRoll, 2);
        EXPECT_EQ(count["other"], 0);
        // The top of the random range is the top roll.
        ClearSlots();
        EXPECT_EQ(DropAt(s, 0.99999994f), Pic("pwrupwall"));
    }
}

// Every roll at the middle of its share of the draws: the kinds change exactly at 16, 17, 20
// and 23, whatever the halves' size.
TEST_F(PowerupTest, EachRollDropsItsOwnKind) {
    QuietField();
    for (int16_t s = 1; s <= 3; ++s) {
        const int rolls = 25 - 2 * s;
        for (int roll = 2 * s + 1; roll <= 25; ++roll) {
            ClearSlots();
            g.ExtraLives = 0;
            const float r = (static_cast<float>(roll - 2 * s - 1) + 0.5f) / rolls;
            const char* expected = roll >= 23   ? "pwrupwall"
                                   : roll >= 20 ? "pwrupfast"
                                   : roll >= 17 ? "pwrupslow"
                                   : roll == 16 ? "pwruplife"
                                                : nullptr;
            const PictureRef dropped = DropAt(s, r);
            EXPECT_EQ(dropped, expected ? Pic(expected) : nullptr)
                << "roll " << roll << " for halves of size " << s;
        }
    }
}

TEST_F(PowerupTest, SlotsTheActiveKindAndTheLifeLimits) {
    QuietField();
    const float wall = DrawFor(2, "pwrupwall"), slow = DrawFor(1, "pwrupslow");
    const float life = DrawFor(3, "pwruplife"), fast = DrawFor(2, "pwrupfast");

    // The lowest free slot is taken; with all five in use, slot 0 again.
    c().pwrup(0).Visible = true;
    c().pwrup(1).Visible = true;
    EXPECT_EQ(DropAt(2, wall, 2), Pic("pwrupwall"));
    for (int i = 0; i <= 4; ++i) {
        c().pwrup(i).SetPicture(Pic("pwrupslow"));
        c().pwrup(i).Visible = true;
    }
    EXPECT_EQ(DropAt(2, fast, 0), Pic("pwrupfast"));
    EXPECT_EQ(c().pwrup(1).Picture, Pic("pwrupslow"));

    // A roll naming the active kind drops nothing, and no other kind instead.
    ClearSlots();
    Activate("pwrupslow");
    EXPECT_EQ(DropAt(1, slow), nullptr);
    Activate("pwrupwall");
    EXPECT_EQ(DropAt(2, wall), nullptr);
    Activate("pwruplife");
    EXPECT_EQ(DropAt(3, life), nullptr);
    EXPECT_EQ(g.ExtraLives, 0);

    // Extra lives stop at five drops in a level (a lost life keeps the count) and at ten lives.
    Activate("lifex");
    for (int i = 0; i < 5; ++i) {
        ClearSlots();
        ASSERT_EQ(DropAt(3, life), Pic("pwruplife")) << i;
    }
    EXPECT_EQ(g.ExtraLives, 5);
    ClearSlots();
    g.Form_Load();
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    EXPECT_EQ(DropAt(3, life), nullptr);
    g.ExtraLives = 4;
    EXPECT_EQ(DropAt(3, life), Pic("pwruplife"));
    ClearSlots();
    g.ExtraLives = 0;
    g.Lives = 9;
    EXPECT_EQ(DropAt(3, life), Pic("pwruplife"));
    ClearSlots();
    g.Lives = 10;
    EXPECT_EQ(DropAt(3, life), nullptr);
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
    for (int16_t lives : {5, 9}) {
        g.Lives = lives;
        c().life(lives).SetPicture(Pic("lifex"));
        Activate("pwrupwall");
        Collect("pwruplife");
        EXPECT_EQ(g.Lives, lives + 1);
        EXPECT_EQ(c().life(lives).Picture, c().life(0).Picture);
        EXPECT_NE(c().life(lives).Picture, Pic("lifex"));
    }
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
