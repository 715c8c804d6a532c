// The music follows the game: the menu's theme, each level group's, the hurry, the fanfare and
// the game-over tune, paused with the game and stopped by a lost life; and the music choice
// apart from the sound's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/headless/driver.h"
#include "forms/quibblix.h"
#include "support/temp_dir.h"

namespace qbx::test {
namespace {

// Services that also keep every piece asked for, to tell a piece begun again from one going on.
struct Cues : HeadlessServices {
    using HeadlessServices::HeadlessServices;
    std::vector<std::string> played;
    void PlayMusic(Music piece) override {
        played.emplace_back(MusicName(piece));
        HeadlessServices::PlayMusic(piece);
    }
};

struct MusicTest : ::testing::Test {
    TempDir dir;
    Cues svc{7};
    Quibblix app{svc};
    Driver driver{app.program, svc};
    FrmGame& g = app.game;
    std::string err;

    MusicTest() {
        svc.Attach(app.program);
        svc.SetProgramDir(dir.Path());
    }
    ~MusicTest() override { g.Lives = 0; }

    int Run(const std::string& script) {
        std::istringstream in(script);
        std::ostringstream o, e;
        const int rc = driver.Run(in, o, e);
        err = e.str();
        return rc;
    }
    void Ok(const std::string& script) { EXPECT_EQ(Run(script), 0) << script << "\n" << err; }
    std::string Piece() const { return std::string(MusicName(svc.MusicPiece())); }
    std::string State() const { return std::string(svc.MusicState()); }
    std::vector<std::string> Played() { return std::exchange(svc.played, {}); }
    using List = std::vector<std::string>;

    // Level n begun as the level-complete panel's Continue begins it, and played for a while.
    void PlayLevel(int level) {
        Ok("click frmMenu.cmdPlay\nwait 100");
        g.Level = static_cast<int16_t>(level);
        g.Form_Load();
        g.C().imgCharacter->Left = -5000;  // out of the bubbles' way
        svc.Advance(3000);                 // the countdown's effects are half a second past
    }
};

TEST_F(MusicTest, EachMomentOfTheGameHasItsPiece) {
    app.Start();
    EXPECT_EQ(Piece(), "menu");
    EXPECT_EQ(State(), "playing");
    // Another screen opened from the menu: its theme goes on.
    Ok("click frmMenu.cmdInstructions\nwait 100\nclick frmInstructions.cmdClose\nwait 100\n"
       "click frmMenu.cmdScores\nwait 100\nclick frmScores.cmdClose\nwait 100\n"
       "expect active frmMenu");
    EXPECT_EQ(Played(), List{"menu"});

    // A level begins its group's theme, under the countdown's effects.
    // Lowered for half a second after each "3", "2", "1".
    Ok("click frmMenu.cmdPlay\nexpect music.piece level1\nexpect music.state ducked\nwait 450\n"
       "expect music.state ducked\nwait 100\nexpect music.state playing\nwait 3000\n"
       "expect music.state playing");
    for (const auto& [level, piece] : {std::pair{5, "level1"},
                                       {6, "level2"},
                                       {10, "level2"},
                                       {11, "level3"},
                                       {15, "level3"},
                                       {16, "level4"},
                                       {25, "level4"}}) {
        g.Level = static_cast<int16_t>(level);
        g.Form_Load();
        EXPECT_EQ(Piece(), piece) << level;
    }
}

TEST_F(MusicTest, TheHurryTakesOverBelowATenthOfTheTimeBonus) {
    app.Start();
    PlayLevel(2);  // a time bonus of 600
    Played();
    g.TimeBonus = 70;
    g.tmrBonus_Timer();  // 60: a tenth, not below it
    EXPECT_EQ(Piece(), "level1");
    g.tmrBonus_Timer();  // 50
    EXPECT_EQ(Piece(), "hurry");
    g.tmrBonus_Timer();
    g.tmrBonus_Timer();  // and stays, once
    EXPECT_EQ(Played(), List{"hurry"});

    // A lost life stops it; the level played again begins its own theme.
    g.Bubbles[0] = BubbleState{"LEFT", 3, "DOWN", 2000, "RED"};
    g.C().BubblePic(0).Left = g.C().imgCharacter->Left;
    g.C().BubblePic(0).Top = g.C().imgCharacter->Top;
    g.C().BubblePic(0).Visible = true;
    g.tmrBubbles_Timer();
    EXPECT_EQ(Played(), (List{"none", "level1"}));
    EXPECT_EQ(g.Lives, 4);
    EXPECT_EQ(Piece(), "level1");
}

TEST_F(MusicTest, AClearedLevelHasItsFanfareAndTheNextLevelItsTheme) {
    app.Start();
    PlayLevel(5);
    for (int i = 0; i <= g.C().BubblePic.UBound(); ++i) g.C().BubblePic(i).Visible = false;
    Played();
    g.tmrBubbleSize_Timer();
    EXPECT_EQ(Piece(), "complete");
    // Paused on the panel and resumed: the fanfare stands still and goes on.
    Ok("menu frmGame.mnuPause\nexpect music.state paused\nmenu frmGame.mnuPause\n"
       "expect music.piece complete");
    EXPECT_NE(State(), "paused");
    Ok("click frmGame.cmdContinue\nexpect frmGame.Level 6");
    EXPECT_EQ(Played(), (List{"complete", "level2"}));
}

TEST_F(MusicTest, TheMusicPausesWithTheGameAndGoesOnWhereItWas) {
    app.Start();
    PlayLevel(1);
    Played();
    Ok("key Escape\nexpect music.state paused\nkey Escape\nexpect music.state playing");
    // A menu opened from the game, another window taking the keyboard.
    g.WindowDeactivated();
    EXPECT_EQ(State(), "paused");
    Ok("key Escape\nexpect music.state playing");
    // The high-score and Replays screens opened from the game, and back to it still paused.
    for (const auto& [item, screen] :
         {std::pair{"mnuHighScores", "frmScores"}, {"mnuReplays", "frmReplays"}}) {
        Ok(std::string("menu frmGame.") + item + "\nwait 100\nexpect music.state paused");
        Ok(std::string("click ") + screen +
           ".cmdClose\nwait 100\nexpect active frmGame\nexpect music.state paused");
        Ok("key Escape\nexpect music.state playing\nexpect music.piece level1");
    }
    // Never begun again on the way.
    EXPECT_TRUE(Played().empty());
}

TEST_F(MusicTest, TheGameOverTuneThenTheMenuThemeOnceMore) {
    app.Start();
    PlayLevel(1);
    g.Lives = 1;
    g.Bubbles[0] = BubbleState{"LEFT", 3, "DOWN", 2000, "RED"};
    g.C().BubblePic(0).Left = g.C().imgCharacter->Left;
    g.C().BubblePic(0).Top = g.C().imgCharacter->Top;
    g.C().BubblePic(0).Visible = true;
    Played();
    g.tmrBubbles_Timer();
    EXPECT_EQ(Played(), (List{"none", "gameover"}));
    Ok("expect active frmScores\nclick frmScores.cmdClose\nwait 100\nexpect active frmMenu\n"
       "expect music.piece menu");
    // A new game from the game's menu begins level 1's theme again, though it was playing.
    PlayLevel(1);
    Played();
    Ok("menu frmGame.mnuNew\nwait 100\nexpect music.piece level1");
    EXPECT_EQ(Played(), List{"level1"});
}

TEST_F(MusicTest, TheMusicChoiceIsApartFromTheSoundsAndChangesNothingOfTheGame) {
    app.Start();
    // U on the menu turns the music alone; M all the sound, the music with it.
    Ok("key U\nexpect music.state off");
    EXPECT_FALSE(svc.MusicOn());
    EXPECT_TRUE(svc.SoundOn());
    Ok("key U\nexpect music.state playing\nkey M\nexpect music.state off");
    EXPECT_TRUE(svc.MusicOn());
    EXPECT_FALSE(svc.SoundOn());
    Ok("key M\nexpect music.state ducked");  // the effect that says the sound is on
    // In the game, the Music command beside Sound's, each with its own check mark.
    Ok("click frmMenu.cmdPlay\nexpect frmGame.mnuMusic.Checked true\nmenu frmGame.mnuMusic\n"
       "expect frmGame.mnuMusic.Checked false\nexpect frmGame.mnuSound.Checked true\n"
       "expect music.state off\nexpect frmGame.Paused false\nwait 2400\n"
       "expect frmGame.tmrBubbles.Enabled true\nkey ctrl+U\nexpect frmGame.mnuMusic.Checked true");
    EXPECT_TRUE(svc.MusicOn());
    // The piece is followed while the music is off, and heard where the game is when it comes on.
    Ok("key ctrl+U\nkey Escape\nexpect music.piece level1\nexpect music.state off\nkey ctrl+U\n"
       "expect music.state paused");
}

}  // namespace
}  // namespace qbx::test
