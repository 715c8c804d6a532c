// A game of two on one machine: each player's keys, lives, score, arrow and power-up, the
// level starting again for both, a player sitting out, the bonus and the end of the game.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "engine/numbers.h"
#include "forms/game/game_design.h"
#include "forms/game/game_fixture.h"
#include "forms/menu/frmMenu.h"
#include "forms/scores/frmScores.h"
#include "records/record_file.h"

namespace qbx::test {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TwoPlayers : GameTest {
    Player& one = g.players[0];
    Player& two = g.players[1];

    // A two-player game begun from the menu, player 2 named BOB, left in its countdown.
    void Begin() {
        h.svc.SetEnv("NWUSERNAME", "tester");
        h.svc.Answer("bob");
        h.app.menu.cmdTwoPlayers_Click();
        ASSERT_TRUE(g.IsLoaded());
        ASSERT_EQ(g.Players, 2);
    }
    // The game begun, the bubbles hidden and every timer off: handlers are called directly.
    void Quiet() {
        Begin();
        for (int i = 0; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
        c().lblCount->Visible = false;
        for (Timer* t : g.Timers()) t->SetEnabled(false);
    }
    void Key(int16_t code) {
        g.Form_KeyDown(code, 0);
        g.Form_KeyUp(code, 0);
    }
    // A bubble of size 2 sitting on the character.
    void BubbleOn(const Player& p) { Bubble(0, p.imgCharacter->Left, 4900, 2, "DOWN"); }
    // A falling power-up of that kind just above the character's head.
    Image& PowerupOver(const Player& p, const char* kind) {
        Image& pw = c().pwrup(0);
        pw.SetPicture(Pic(kind));
        pw.Left = p.imgCharacter->Left + 40;
        pw.Top = p.imgCharacter->Top - 100;
        pw.Visible = true;
        return pw;
    }
};

TEST_F(TwoPlayers, BothCharactersStartApartAndLookDifferent) {
    Begin();
    const Image& a = *one.imgCharacter;
    const Image& b = *two.imgCharacter;
    EXPECT_TRUE(a.Visible && b.Visible);
    const float middle = g.OuterWidth() / 2;
    EXPECT_LT(a.Left + a.Width, middle);
    EXPECT_GT(b.Left, middle);
    EXPECT_NE(a.Picture, b.Picture);
    EXPECT_EQ(two.Lives, 5);
    EXPECT_EQ(two.Score, 0);
    EXPECT_EQ(g.Player2Name, "BOB");

    // Walked away from there, both stand at their places again when the next level starts.
    one.imgCharacter->Left = 100;
    two.imgCharacter->Left = 12000;
    g.Level = 2;
    g.Form_Load();
    EXPECT_EQ(a.Left, kTwoPlayerStartLeft[0]);
    EXPECT_EQ(b.Left, kTwoPlayerStartLeft[1]);
}

TEST_F(TwoPlayers, EachPlayersKeysMoveOnlyTheirOwnCharacter) {
    Quiet();
    struct Case {
        int16_t key;
        Player* mover;
        Player* other;
        int direction;  // -1 left, +1 right
    };
    const Case walks[] = {{'A', &one, &two, -1},
                          {'D', &one, &two, 1},
                          {vk::Left, &two, &one, -1},
                          {vk::Right, &two, &one, 1}};
    for (const Case& w : walks) {
        const float mine = w.mover->imgCharacter->Left, theirs = w.other->imgCharacter->Left;
        g.Form_KeyDown(w.key, 0);
        h.svc.Advance(160);
        g.Form_KeyUp(w.key, 0);
        h.svc.Advance(160);
        EXPECT_EQ(w.mover->imgCharacter->Left, mine + w.direction * 300) << w.key;
        EXPECT_EQ(w.other->imgCharacter->Left, theirs) << w.key;
    }

    struct Shot {
        int16_t key;
        Player* shooter;
        Player* other;
    };
    const Shot shots[] = {
        {'W', &one, &two}, {vk::Space, &one, &two}, {vk::Up, &two, &one}, {vk::Enter, &two, &one}};
    for (const Shot& s : shots) {
        s.shooter->arrow->Visible = false;
        s.other->arrow->Visible = false;
        Key(s.key);
        EXPECT_TRUE(s.shooter->arrow->Visible) << s.key;
        EXPECT_FALSE(s.other->arrow->Visible) << s.key;
        EXPECT_EQ(s.shooter->arrow->Left, s.shooter->imgCharacter->Left + 90);
    }

    // Giving up a power-up is each player's own too.
    one.arrow->Visible = false;
    two.arrow->Visible = false;
    one.apwrup->SetPicture(Pic("pwrupfast"));
    two.apwrup->SetPicture(Pic("pwrupwall"));
    Key(vk::Down);
    EXPECT_EQ(one.apwrup->Picture, Pic("pwrupfast"));
    EXPECT_EQ(two.apwrup->Picture, Pic("lifex"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupwall"));
    Key('S');
    EXPECT_EQ(one.apwrup->Picture, Pic("lifex"));
    EXPECT_EQ(c().hpwrup(0).Picture, Pic("pwrupfast"));
    EXPECT_EQ(c().hpwrup(1).Picture, Pic("pwrupwall"));
}

TEST_F(TwoPlayers, EachArrowScoresForItsShooterAndKeepsItsOwnPowerup) {
    Quiet();
    // Player 2's arrow splits a bubble: the points are player 2's.
    Bubble(0, two.imgCharacter->Left + 40, 3000, 3, "DOWN");
    Key(vk::Up);
    two.arrow->Top = 2000;
    g.tmrBubbles_Timer();
    EXPECT_EQ(two.Score, 30);
    EXPECT_EQ(one.Score, 0);
    EXPECT_FALSE(two.arrow->Visible);

    // Both arrows in the same tick, on two bubbles.
    Bubble(0, one.imgCharacter->Left + 40, 3000, 1, "DOWN");
    Bubble(1, two.imgCharacter->Left + 40, 3000, 2, "DOWN");
    for (int i = 2; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
    Key('W');
    Key(vk::Up);
    one.arrow->Top = 2000;
    two.arrow->Top = 2000;
    g.tmrBubbles_Timer();
    EXPECT_EQ(one.Score, 10);
    EXPECT_EQ(two.Score, 50);

    // What may drop is decided by the shooter's own power-up: a roll for a Faster Arrow drops
    // none from player 2's shot while player 2 has one, and one from player 1's.
    two.apwrup->SetPicture(Pic("pwrupfast"));
    for (int i = 0; i <= c().pwrup.UBound(); ++i) c().pwrup(i).Visible = false;
    for (int i = 2; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
    Bubble(0, two.imgCharacter->Left + 40, 3000, 2, "DOWN");
    Key(vk::Up);
    two.arrow->Top = 2000;
    g.Prog().Rng().Force(0.75f);
    g.tmrBubbles_Timer();
    EXPECT_FALSE(c().pwrup(0).Visible);
    for (int i = 1; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
    Bubble(0, one.imgCharacter->Left + 40, 3000, 2, "DOWN");
    Key('W');
    one.arrow->Top = 2000;
    g.Prog().Rng().Force(0.75f);
    g.tmrBubbles_Timer();
    EXPECT_TRUE(c().pwrup(0).Visible);
    EXPECT_EQ(c().pwrup(0).Picture, Pic("pwrupfast"));
    c().pwrup(0).Visible = false;

    // The fast arrow is the one who collected it.
    two.apwrup->SetPicture(Pic("pwrupfast"));
    Key('W');
    Key(vk::Up);
    EXPECT_EQ(one.arrow->Picture, Pic("regarrow"));
    EXPECT_EQ(two.arrow->Picture, Pic("arrowfast"));
    // And so is the wall: player 2's stands, player 1's vanishes at the ceiling.
    two.apwrup->SetPicture(Pic("pwrupwall"));
    one.arrow->Top = 10;
    two.arrow->Top = 10;
    g.tmrArrowGrow_Timer();
    g.GrowArrow(two);
    EXPECT_FALSE(one.arrow->Visible);
    EXPECT_TRUE(two.arrow->Visible);
    EXPECT_EQ(two.arrow->Picture, Pic("arrowwall"));
}

TEST_F(TwoPlayers, PowerupsGoToTheCollectorAndSlowMoSlowsTheBubblesForBoth) {
    Quiet();
    one.Lives = 3;
    two.Lives = 3;
    for (Player* p : {&one, &two})
        for (int i = 3; i <= 4; ++i) p->life(i).SetPicture(Pic("lifex"));
    PowerupOver(two, "pwruplife");
    g.tmrBubbles_Timer();
    EXPECT_EQ(two.Lives, 4);
    EXPECT_EQ(one.Lives, 3);
    EXPECT_EQ(two.life(3).Picture, Pic("pwruplife"));
    EXPECT_EQ(one.life(3).Picture, Pic("lifex"));
    EXPECT_EQ(two.apwrup->Picture, Pic("pwruplife"));
    EXPECT_EQ(one.apwrup->Picture, Pic("lifex"));

    PowerupOver(one, "pwrupfast");
    g.tmrBubbles_Timer();
    EXPECT_EQ(one.apwrup->Picture, Pic("pwrupfast"));
    EXPECT_EQ(two.apwrup->Picture, Pic("pwruplife"));

    // Slow-Mo taken by player 2 slows every bubble, whoever is under it.
    auto step = [&] {
        Image& b = Bubble(1, 3000, 2000, 2, "DOWN");
        const float top = b.Top;
        g.tmrBubbles_Timer();
        return b.Top - top;
    };
    const float fast = step();
    PowerupOver(two, "pwrupslow");
    g.tmrBubbles_Timer();
    ASSERT_EQ(two.apwrup->Picture, Pic("pwrupslow"));
    EXPECT_LT(step(), fast);
}

TEST_F(TwoPlayers, ALifeLostByOnePlayerIsTheirsAndStartsTheLevelAgainForBoth) {
    Quiet();
    two.imgCharacter->Left = 11000;
    one.arrow->Visible = true;
    two.arrow->Visible = true;
    BubbleOn(two);
    g.tmrBubbles_Timer();
    EXPECT_EQ(two.Lives, 4);
    EXPECT_EQ(one.Lives, 5);
    EXPECT_EQ(two.life(4).Picture, Pic("lifex"));
    EXPECT_EQ(one.life(4).Picture, Pic("pwruplife"));
    EXPECT_NE(two.LifeLost, 0);
    EXPECT_EQ(one.LifeLost, 0);
    // The level is set up again: both at their places, no arrow in the air, the countdown on.
    EXPECT_EQ(two.imgCharacter->Left, kTwoPlayerStartLeft[1]);
    EXPECT_FALSE(one.arrow->Visible);
    EXPECT_FALSE(two.arrow->Visible);
    EXPECT_TRUE(c().lblCount->Visible);
}

TEST_F(TwoPlayers, APlayerWithNoLifeSitsOutAndTheGameEndsWhenNeitherHasOne) {
    Quiet();
    two.Lives = 1;
    BubbleOn(two);
    g.tmrBubbles_Timer();
    ASSERT_TRUE(g.IsLoaded());
    EXPECT_EQ(two.Lives, 0);
    EXPECT_FALSE(two.imgCharacter->Visible);
    EXPECT_EQ(one.Lives, 5);

    // Player 2's keys do nothing now, and a bubble where player 2 stood harms nobody.
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    c().lblCount->Visible = false;
    for (int i = 0; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
    Key(vk::Up);
    EXPECT_FALSE(two.arrow->Visible);
    g.Form_KeyDown(vk::Left, 0);
    EXPECT_FALSE(two.tmrLeft->Enabled());
    BubbleOn(two);
    g.tmrBubbles_Timer();
    EXPECT_EQ(one.Lives, 5);
    EXPECT_TRUE(g.IsLoaded());
    // Nor does a power-up falling there go to anyone.
    c().BubblePic(0).Visible = false;
    Image& pw = PowerupOver(two, "pwruplife");
    g.tmrBubbles_Timer();
    EXPECT_TRUE(pw.Visible);
    EXPECT_EQ(two.Lives, 0);
    pw.Visible = false;

    // Player 1 plays on; a level set up now still leaves player 2 out.
    g.Form_Load();
    EXPECT_FALSE(two.imgCharacter->Visible);
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    c().lblCount->Visible = false;
    one.Lives = 1;
    one.Score = 70;
    two.Score = 40;
    for (int i = 0; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
    BubbleOn(one);
    g.tmrBubbles_Timer();
    EXPECT_FALSE(g.IsLoaded());  // game over
    ASSERT_FALSE(h.svc.Messages().empty());
    const MessageRecord& last = h.svc.Messages().back();
    EXPECT_EQ(last.title, "Game Over");
    EXPECT_EQ(last.text, "Final Scores:\nTESTER:  70\nBOB:  40");
    // Both results stand in both tables under both names, the best first.
    const std::string scores = Slurp(h.app.scores.ScoreFilePath());
    EXPECT_EQ(scores.substr(0, 29), "\"TESTER\"\r\n\"70\"\r\n\"BOB\"\r\n\"40\"\r\n");
    const std::string levels = Slurp(h.app.scores.LevelFilePath());
    EXPECT_NE(levels.find("\"TESTER\"\r\n\"1\""), std::string::npos);
    EXPECT_NE(levels.find("\"BOB\"\r\n\"1\""), std::string::npos);
}

TEST_F(TwoPlayers, TheTimeBonusGoesToEachPlayerStillInDoubledForOneWhoLostNoLife) {
    struct Case {
        int16_t lives2;
        bool lost1, lost2;
        int32_t score1, score2;  // after a bonus of 150
        bool doubleShown;
    };
    const Case cases[] = {
        {5, false, false, 300, 300, true},
        {5, false, true, 300, 150, false},
        {5, true, false, 150, 300, false},
        {0, false, true, 300, 0, true},  // player 2 is out: nothing, and no say in the double
    };
    for (const Case& k : cases) {
        Quiet();
        two.Lives = k.lives2;
        one.LifeLost = k.lost1 ? kTrue : kFalse;
        two.LifeLost = k.lost2 ? kTrue : kFalse;
        g.TimeBonus = 150;
        g.tmrBubbleSize_Timer();
        EXPECT_EQ(one.Score, k.score1);
        EXPECT_EQ(two.Score, k.score2);
        EXPECT_EQ(c().lblDouble->Visible, k.doubleShown);
        EXPECT_EQ(g.Level, 2);
        one.Lives = 0;  // so that the next case's start does not end the program
        two.Lives = 0;
    }
}

TEST_F(TwoPlayers, PauseStopsBothPlayersAndResumesBothArrows) {
    Quiet();
    c().tmrBubbles->SetEnabled(true);
    c().tmrBubbleSize->SetEnabled(true);
    Key('W');
    Key(vk::Up);
    g.Form_KeyDown(vk::Right, 0);
    g.PauseGame();
    EXPECT_FALSE(two.tmrRight->Enabled());
    EXPECT_FALSE(two.tmrArrowGrow->Enabled());
    EXPECT_FALSE(one.tmrArrowGrow->Enabled());
    g.PauseGame();
    EXPECT_TRUE(one.tmrArrowGrow->Enabled());
    EXPECT_TRUE(two.tmrArrowGrow->Enabled());
}

TEST_F(TwoPlayers, ExitAndTheCloseBoxRecordBothResults) {
    for (const bool closeBox : {false, true}) {
        Headless fresh;
        fresh.svc.SetEnv("NWUSERNAME", "ann");
        fresh.app.Start();
        fresh.Ok(
            "answer zed\nclick frmMenu.cmdTwoPlayers\nwait 3000\nset frmGame.Score 20\n"
            "set frmGame.Score2 90\n" +
            std::string(closeBox ? "close frmGame" : "menu frmGame.mnuExit"));
        EXPECT_TRUE(fresh.svc.Ended());
        const std::string scores = Slurp(fresh.app.scores.ScoreFilePath());
        EXPECT_EQ(scores.substr(0, 26), "\"ZED\"\r\n\"90\"\r\n\"ANN\"\r\n\"20\"\r\n") << closeBox;
    }
    // A player who scored nothing enters no row, as in a game of one.
    Headless fresh;
    fresh.svc.SetEnv("NWUSERNAME", "ann");
    fresh.app.Start();
    fresh.Ok(
        "answer zed\nclick frmMenu.cmdTwoPlayers\nwait 3000\nset frmGame.Score 0\n"
        "set frmGame.Score2 90\nmenu frmGame.mnuExit");
    const std::string scores = Slurp(fresh.app.scores.ScoreFilePath());
    EXPECT_EQ(scores.substr(0, 17), "\"ZED\"\r\n\"90\"\r\n\"\"\r\n");
    const std::string levels = Slurp(fresh.app.scores.LevelFilePath());
    EXPECT_EQ(levels.find("ANN"), std::string::npos);
}

TEST_F(TwoPlayers, ThePlayerTwoNameIsRememberedAndPlayerOnesIsRefused) {
    h.svc.SetEnv("NWUSERNAME", "tester");
    h.app.Start();
    // A name equal to player 1's (in any case, with spaces about it) is refused with a line
    // saying so; the box stays open for the next.
    h.svc.Answer("  Tester ");
    h.svc.Answer("");
    h.svc.Answer("kim");
    h.app.menu.cmdTwoPlayers_Click();
    ASSERT_TRUE(g.IsLoaded());
    EXPECT_EQ(g.Player2Name, "KIM");
    const auto& m = h.svc.Messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[1].text, "That is player 1's name: TESTER.");
    EXPECT_EQ(m[2].text, "Please type a name for player 2.");

    // The next game's box has KIM filled in, taken as it is.
    g.mnuNewTwoPlayer_Click();
    ASSERT_TRUE(g.IsLoaded());
    EXPECT_EQ(g.Player2Name, "KIM");
    EXPECT_EQ(h.svc.Remembered("players/second"), "KIM");

    // Only refused names: the box is cancelled and the menu is back, no game begun.
    one.Lives = 0;
    two.Lives = 0;
    h.svc.Answer("TESTER");
    h.app.menu.cmdTwoPlayers_Click();
    EXPECT_FALSE(g.IsLoaded());
    EXPECT_TRUE(h.app.menu.IsVisible());

    // A long name is cut to what the tables can show.
    h.svc.Answer(std::string(60, 'x'));
    h.app.menu.cmdTwoPlayers_Click();
    EXPECT_EQ(g.Player2Name, std::string(records::kMaxTypedNameChars, 'X'));
}

TEST_F(TwoPlayers, AOnePlayerGameAfterATwoPlayerGameHasNoPlayerTwo) {
    Begin();
    g.mnuNew_Click();
    ASSERT_TRUE(g.IsLoaded());
    EXPECT_EQ(g.Players, 1);
    EXPECT_EQ(g.Find("imgCharacter2"), nullptr);
    EXPECT_EQ(g.players[1].imgCharacter, nullptr);
    // Alone, player 1 has both sets of keys.
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    c().lblCount->Visible = false;
    g.Form_KeyDown(vk::Left, 0);
    EXPECT_TRUE(c().tmrLeft->Enabled());
    g.Form_KeyUp('A', 0);
    EXPECT_FALSE(c().tmrLeft->Enabled());
    Key(vk::Enter);  // Enter is not a fire key alone
    EXPECT_FALSE(c().arrow->Visible);
    Key(vk::Up);
    EXPECT_TRUE(c().arrow->Visible);
}

}  // namespace
}  // namespace qbx::test

namespace qbx::test {
namespace {

// The first pad plays for player 1 and the second for player 2, through the driver's pad
// commands; alone, player 1 has every pad.
TEST(TwoPlayerPads, EachPadMovesOnlyItsPlayersCharacter) {
    Headless h;
    h.svc.SetEnv("NWUSERNAME", "tester");
    h.app.Start();
    h.Ok("answer bob\nclick frmMenu.cmdTwoPlayers\nwait 2500\n");
    FrmGame& g = h.app.game;
    const float one = g.players[0].imgCharacter->Left, two = g.players[1].imgCharacter->Left;
    h.Ok("pad dpleft down\nwait 160\npad dpleft up\n");
    EXPECT_LT(g.players[0].imgCharacter->Left, one);
    EXPECT_EQ(g.players[1].imgCharacter->Left, two);
    h.Ok("pad 2 leftx 30000\nwait 160\npad 2 leftx 0\npad 2 a\n");
    EXPECT_GT(g.players[1].imgCharacter->Left, two);
    EXPECT_TRUE(g.players[1].arrow->Visible);
    EXPECT_FALSE(g.players[0].arrow->Visible);
    h.Ok("pad 1 b\n");
    EXPECT_TRUE(g.players[0].arrow->Visible);
    // Either pad's A continues from the level-complete panel.
    for (int i = 0; i <= g.C().BubblePic.UBound(); ++i) g.C().BubblePic(i).Visible = false;
    h.Ok(
        "wait 20\nexpect frmGame.cmdContinue.Visible true\npad 2 a\n"
        "expect frmGame.cmdContinue.Visible false\nexpect frmGame.Level 2\n");

    // A game of one: the second pad walks player 1 as the first does.
    h.Ok("menu frmGame.mnuNew\nwait 2500\n");
    const float alone = g.C().imgCharacter->Left;
    h.Ok("pad 2 dpright down\nwait 160\npad 2 dpright up\n");
    EXPECT_GT(g.C().imgCharacter->Left, alone);
}

}  // namespace
}  // namespace qbx::test
