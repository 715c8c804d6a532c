// The effects the game asks for: each at its event, none while the sound is off, and nothing of
// the game changed by it.
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "forms/game/game_fixture.h"

namespace qbx::test {
namespace {

struct Sounds : GameTest {
    std::vector<std::string> Heard() {
        std::vector<std::string> names;
        for (Sound s : h.svc.TakeSounds()) names.emplace_back(SoundName(s));
        return names;
    }
    using List = std::vector<std::string>;
};

TEST_F(Sounds, EveryEventOfPlayAsksForItsEffect) {
    StartLevel(1);
    EXPECT_EQ(Heard(), List{"countdown"});  // "3"
    h.svc.Advance(2400);                    // "2", "1", then play
    EXPECT_EQ(Heard(), (List{"countdown", "countdown", "go"}));

    QuietField();
    Heard();
    g.C().lblCount->Visible = false;
    g.Form_KeyDown(vk::Up, 0);
    EXPECT_EQ(Heard(), List{"shot"});

    // A split rolls for a power-up: a low roll drops none, the highest a wall arrow.
    for (const auto& [size, roll, heard] : {std::tuple{int16_t{3}, 0.0f, List{"pop"}},
                                            {int16_t{3}, 0.99f, List{"pop", "drop"}},
                                            {int16_t{1}, 0.0f, List{"vanish"}}}) {
        QuietField();
        Heard();
        Bubble(0, 3000, 3000, size, "DOWN");
        Arrow(3000, 1000);
        h.app.program.Rng().Force(roll);
        Ticks(1);
        EXPECT_EQ(Heard(), heard) << size << " " << roll;
    }

    // Power-ups caught by the character.
    for (const auto& [kind, heard] :
         {std::pair{"pwrupslow", "powerup"}, {"pwruplife", "extralife"}}) {
        QuietField();
        Heard();
        Image& p = c().pwrup(0);
        p.SetPicture(Pic(kind));
        p.Left = c().imgCharacter->Left;
        p.Top = c().imgCharacter->Top;
        p.Visible = true;
        Ticks(1);
        EXPECT_EQ(Heard(), List{heard});
    }

    // A wall arrow stands once, however many blockers it meets.
    QuietField();
    Heard();
    Activate("pwrupwall");
    Arrow(3000, 30);
    Blocker(8, 2900, 200, 300, 100);
    Blocker(9, 2950, 300, 200, 100);
    g.tmrArrowGrow_Timer();
    EXPECT_EQ(Heard(), List{"wall"});

    // A life lost, and the last one.
    for (int16_t lives : {5, 1}) {
        QuietField();
        g.Lives = lives;
        Heard();
        Bubble(0, c().imgCharacter->Left, c().imgCharacter->Top, 3, "DOWN");
        Ticks(1);
        EXPECT_EQ(Heard(), (lives > 1 ? List{"death", "countdown"} : List{"death", "gameover"}));
    }

    EmptyFieldInPlay();
    Heard();
    g.tmrBubbleSize_Timer();
    EXPECT_EQ(Heard(), List{"complete"});
}

// Services that also keep the variant of every pop asked for.
struct PopVariants : HeadlessServices {
    using HeadlessServices::HeadlessServices;
    std::vector<int> pops;
    void PlaySound(Sound effect, int variant) override {
        if (effect == Sound::Pop) pops.push_back(variant);
        HeadlessServices::PlaySound(effect, variant);
    }
};

// The pop's pitch follows the size of the bubble shot: each size asks for its own variant.
TEST(PopPitch, EachSizeOfBubbleAsksForItsOwnPop) {
    TempDir dir;
    PopVariants svc(7);
    Quibblix app(svc);
    svc.Attach(app.program);
    svc.SetProgramDir(dir.Path());
    FrmGame& g = app.game;
    g.Lives = 5;
    g.Level = 1;
    g.Show();
    FrmGame::Controls& c = g.C();
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    c.lblCount->Visible = false;
    c.imgCharacter->Left = 0;
    for (int16_t size : {4, 3, 2}) {
        for (int i = 0; i <= c.BubblePic.UBound(); ++i) c.BubblePic(i).Visible = false;
        g.Bubbles[0] = BubbleState{"LEFT", size, "DOWN", 2000, "RED"};
        c.BubblePic(0).Left = 6000;
        c.BubblePic(0).Top = 3000;
        c.BubblePic(0).Visible = true;
        c.arrow->Left = 6000;
        c.arrow->Top = 1000;
        c.arrow->Visible = true;
        app.program.Rng().Force(0);  // the lowest roll: no power-up
        g.tmrBubbles_Timer();
    }
    EXPECT_EQ(svc.pops, (std::vector<int>{4, 3, 2}));
    g.Lives = 0;
}

// The level played by the bot, with the sound on and off: the same game, and only the effects
// differ, in the order of the play.
TEST(SoundChoice, TheSameScriptPlaysTheSameGameWithTheSoundOff) {
    std::ifstream in(QUIBBLIX_SOURCE_DIR "/tests/scenarios/level1_cleared.qbx");
    std::stringstream script;
    script << in.rdbuf() << "dump\n";
    std::string dumps[2];
    for (bool on : {true, false}) {
        Headless h;
        h.svc.SetSoundOn(on);
        h.app.Start();
        EXPECT_EQ(h.Run(script.str()), 0) << h.err;
        dumps[on] = h.out;
    }
    const std::regex sounds(R"("sounds": \[[^\]]*\])");
    EXPECT_NE(dumps[1].find(R"("sounds": ["countdown", "countdown", "countdown", "go", "shot", )"
                            R"("vanish", "shot", "vanish", "shot", "vanish", "complete"])"),
              std::string::npos)
        << dumps[1].substr(0, 200);
    EXPECT_NE(dumps[0].find(R"("sounds": [])"), std::string::npos);
    // Apart from what is heard, and the sound command's check mark, the same game.
    const std::regex choice(R"("Checked": (true|false))");
    const std::regex music(R"("state": "[a-z]+")");  // the music is heard or not with it
    auto game = [&](const std::string& d) {
        return std::regex_replace(
            std::regex_replace(std::regex_replace(d, sounds, ""), choice, ""), music, "");
    };
    EXPECT_TRUE(game(dumps[0]) == game(dumps[1]));
    // The command that turns it on and off shows the choice and leaves the game alone.
    Headless h;
    h.app.Start();
    h.Ok(
        "click frmMenu.cmdPlay\nexpect frmGame.mnuSound.Checked true\nmenu frmGame.mnuSound\n"
        "expect frmGame.mnuSound.Checked false\nexpect frmGame.Paused false\nwait 2400\n"
        "expect frmGame.tmrBubbles.Enabled true");
    EXPECT_FALSE(h.svc.SoundOn());
    h.Ok("key ctrl+M\nexpect frmGame.mnuSound.Checked true");
    EXPECT_TRUE(h.svc.SoundOn());
}

}  // namespace
}  // namespace qbx::test
