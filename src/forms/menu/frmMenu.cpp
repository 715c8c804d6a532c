// The main menu: starting a game, opening the other screens, the shortcut keys and the about
// box.
#include "forms/menu/frmMenu.h"

#include "forms/game/frmGame.h"
#include "forms/instructions/frmInstructions.h"
#include "forms/menu/menu_design.h"
#include "forms/replays/frmReplays.h"
#include "forms/scores/frmScores.h"
#include "records/record_file.h"

namespace qbx {

FrmMenu::FrmMenu(Program& program, Forms& forms)
    : Screen(program, "frmMenu", MenuScreenDesign(), MenuControlsDesign()), forms_(forms) {
    forms_.menu = this;
}

void FrmMenu::BindControls() {
    Controls& c = c_;
    c.cmdExit = Ctl<Button>("cmdExit");
    c.cmdInstructions = Ctl<Button>("cmdInstructions");
    c.cmdScores = Ctl<Button>("cmdScores");
    c.cmdPlay = Ctl<Button>("cmdPlay");
    c.cmdPlay->onClick = [this] { cmdPlay_Click(); };
    c.cmdTwoPlayers = Ctl<Button>("cmdTwoPlayers");
    c.cmdTwoPlayers->onClick = [this] { cmdTwoPlayers_Click(); };
    c.cmdScores->onClick = [this] { cmdScores_Click(); };
    c.cmdInstructions->onClick = [this] { cmdInstructions_Click(); };
    c.cmdExit->onClick = [this] { cmdExit_Click(); };
}

void FrmMenu::UnbindControls() {
    c_ = Controls{};
}

// A new game: the game screen comes back with its design-time controls, and its first touch
// after the public variables are set runs the level set-up for level 1.
void FrmMenu::cmdPlay_Click() {
    FrmGame& game = *forms_.game;
    if (game.IsLoaded()) game.Unload();
    StartGame(1);
}

void FrmMenu::cmdTwoPlayers_Click() {
    FrmGame& game = *forms_.game;
    if (game.IsLoaded()) game.Unload();
    std::string name;
    if (!AskPlayer2Name(name)) {
        // Back on the menu, as if the button had not been pressed.
        if (!IsVisible()) Show();
        return;
    }
    game.Player2Name = name;
    StartGame(2);
}

bool FrmMenu::AskPlayer2Name(std::string& name) {
    forms_.scores->C();  // its loading reads player 1's name
    const std::string player1 = forms_.scores->UserName;
    name = Svc().Remembered(kPlayer2NameSetting);
    const bool taken = Svc().AskName(kPlayer2Prompt, kPlayer2Title, name,
                                     [&player1](const std::string& typed) -> std::string {
                                         const std::string n = records::TypedPlayerName(typed);
                                         if (n.empty()) return kPlayer2NameMissing;
                                         if (n == player1)
                                             return std::string(kPlayer2NameTaken) + player1 + ".";
                                         return {};
                                     });
    if (!taken) return false;
    name = records::TypedPlayerName(name);
    Svc().Remember(kPlayer2NameSetting, name);
    return true;
}

void FrmMenu::StartGame(int16_t players) {
    FrmGame& game = *forms_.game;
    Hide();
    game.SetPlayers(players);
    game.Lives = 5;
    game.Level = 1;
    game.Score = 0;
    game.ExtraLives = 0;
    if (players == 2) {
        game.players[1].Lives = 5;
        game.players[1].Score = 0;
        game.players[1].Level = 1;
    }
    Timer* bubbleSize = game.C().tmrBubbleSize;
    // The level set-up lets pending events run; if they unloaded the game screen meanwhile,
    // its controls are gone and there is nothing to start.
    if (!game.IsLoaded() || !bubbleSize) return;
    // Paused meanwhile (perhaps with another screen opened over the game): it stays so.
    if (game.Paused != 0) return;
    bubbleSize->SetEnabled(true);
    game.Show();
}

void FrmMenu::cmdScores_Click() {
    FrmScores& scores = *forms_.scores;
    scores.ReadScores();
    scores.ReadLevels();
    Hide();
    scores.Show();
}

void FrmMenu::ShowReplays() {
    FrmReplays& replays = *forms_.replays;
    replays.ReadReplays();
    Hide();
    replays.Show();
}

void FrmMenu::cmdInstructions_Click() {
    Hide();
    forms_.instructions->Show();
}

void FrmMenu::cmdExit_Click() {
    Svc().End();
}

void FrmMenu::ShowAbout() {
    Svc().MsgBox(kAboutText, kAboutTitle);
}

// M turns all the sound on or off, U the music alone. The shortcuts count only with Ctrl
// alone: Ctrl together with Shift or Alt does nothing.
void FrmMenu::Form_KeyDown(int16_t keyCode, int16_t shift) {
    if (keyCode == 'M' && shift == 0) {
        Svc().SetSoundOn(!Svc().SoundOn());
        // So the player hears the choice: the menu itself makes no sound.
        Svc().PlaySound(Sound::Go);
    }
    if (keyCode == 'U' && shift == 0) Svc().SetMusicOn(!Svc().MusicOn());
    if (shift != vk::CtrlMask) return;
    switch (keyCode) {
        case 'A':
            ShowAbout();
            break;
        case 'H':
            cmdScores_Click();
            break;
        case 'I':
            cmdInstructions_Click();
            break;
        case 'R':
            ShowReplays();
            break;
        case 'N':
            cmdPlay_Click();
            break;
        case '2':
            cmdTwoPlayers_Click();
            break;
        case 'X':
            Svc().End();
        default:
            break;
    }
}

// Closing the menu window ends the program, whatever other screens are loaded.
void FrmMenu::Form_Unload(int16_t& /*cancel*/) {
    Svc().End();
}

std::map<std::string, std::function<void()>> FrmMenu::Routines() {
    return {
        {"cmdPlay_Click", [this] { cmdPlay_Click(); }},
        {"cmdTwoPlayers_Click", [this] { cmdTwoPlayers_Click(); }},
        {"cmdScores_Click", [this] { cmdScores_Click(); }},
        {"cmdInstructions_Click", [this] { cmdInstructions_Click(); }},
        {"ShowReplays", [this] { ShowReplays(); }},
        {"cmdExit_Click", [this] { cmdExit_Click(); }},
        {"ShowAbout", [this] { ShowAbout(); }},
        {"Form_Unload",
         [this] {
             int16_t cancel = 0;
             Form_Unload(cancel);
         }},
    };
}

}  // namespace qbx
