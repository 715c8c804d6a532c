// The end of a game, the game screen's menu commands, and closing its window.
#include "engine/numbers.h"
#include "forms/game/frmGame.h"
#include "forms/instructions/frmInstructions.h"
#include "forms/menu/frmMenu.h"
#include "forms/menu/menu_design.h"
#include "forms/replays/frmReplays.h"
#include "forms/scores/frmScores.h"

namespace qbx {

void FrmGame::GameOver() {
    Controls& c = c_;
    c.tmrBubbles->SetEnabled(false);
    c.tmrArrowGrow->SetEnabled(false);
    c.tmrBubbleSize->SetEnabled(false);
    Svc().PlaySound(Sound::GameOver);
    CueMusic(Music::GameOver);
    FrmScores& scores = *forms_.scores;
    if (Players == 2) {
        Svc().MsgBox(TwoPlayerResults(), "Game Over");
        // The tables are shown as they stand, each player's result entered.
        scores.ReadScores();
        scores.ReadLevels();
        RecordResults();
    } else {
        Svc().MsgBox("Your Final Score:  " + Dec(Score), "Game Over");
        if (Score < 1) {
            scores.ReadScores();
            scores.ReadLevels();
        } else {
            RecordResults();
        }
    }
    Unload();
    static_cast<Screen&>(scores).Show();
}

void FrmGame::RecordResults() {
    if (Players != 2) {
        forms_.scores->CalculateHighScores();
        forms_.scores->CalculateHighLevels();
        return;
    }
    // Each player's own result under their own name; a player who scored nothing enters
    // nothing, as in the one-player game.
    for (int i = 0; i < kMaxPlayers; ++i) {
        const Player& p = players[i];
        if (p.Score < 1) continue;
        forms_.scores->EnterPlayerResult(PlayerName(i), p.Score, LevelReached(i));
    }
}

std::string FrmGame::PlayerName(int player) {
    if (player == 0) {
        forms_.scores->C();  // its loading reads player 1's name
        return forms_.scores->UserName;
    }
    return Player2Name;
}

std::string FrmGame::TwoPlayerResults() {
    std::string text = "Final Scores:";
    for (int i = 0; i < kMaxPlayers; ++i)
        text += "\n" + PlayerName(i) + ":  " + Dec(players[i].Score);
    return text;
}

bool FrmGame::RecordsDue() const {
    for (int i = 0; i < PlayerCount(); ++i)
        if (players[i].Score > 0) return true;
    return false;
}

bool FrmGame::PausedIfNeeded() {
    if (Dying != kFalse) return false;
    if (!c_.cmdContinue->Visible && Paused == kFalse) PauseGame();
    return true;
}

void FrmGame::mnuNew_Click() {
    if (RecordsDue()) RecordResults();
    Paused = kFalse;
    // So that unloading the screen does not end the program.
    for (Player& p : players) p.Lives = 0;
    forms_.menu->cmdPlay_Click();
}

void FrmGame::mnuNewTwoPlayer_Click() {
    if (RecordsDue()) RecordResults();
    Paused = kFalse;
    for (Player& p : players) p.Lives = 0;
    forms_.menu->cmdTwoPlayers_Click();
}

void FrmGame::mnuPause_Click() {
    PauseGame();
}

void FrmGame::mnuSound_Click() {
    Svc().SetSoundOn(!Svc().SoundOn());
    c_.mnuSound->Checked = Svc().SoundOn();
}

void FrmGame::mnuMusic_Click() {
    Svc().SetMusicOn(!Svc().MusicOn());
    c_.mnuMusic->Checked = Svc().MusicOn();
}

void FrmGame::mnuExit_Click() {
    if (RecordsDue()) RecordResults();
    Svc().End();
}

void FrmGame::mnuInstructions_Click() {
    if (!PausedIfNeeded()) return;
    Hide();
    forms_.instructions->cmdClose().Caption = kReturnToGame;
    static_cast<Screen&>(*forms_.instructions).Show();
}

void FrmGame::mnuAbout_Click() {
    if (!PausedIfNeeded()) return;
    forms_.menu->ShowAbout();
}

void FrmGame::mnuHighScores_Click() {
    if (!PausedIfNeeded()) return;
    forms_.scores->ReadScores();
    forms_.scores->ReadLevels();
    Hide();
    forms_.scores->cmdClose().Caption = kReturnToGame;
    static_cast<Screen&>(*forms_.scores).Show();
}

void FrmGame::mnuReplays_Click() {
    if (!PausedIfNeeded()) return;
    forms_.replays->ReadReplays();
    Hide();
    forms_.replays->cmdClose().Caption = kReturnToGame;
    static_cast<Screen&>(*forms_.replays).Show();
}

void FrmGame::Form_Unload(int16_t& /*cancel*/) {
    // A game in progress: the player closed the window.
    if (AnyLivesLeft()) mnuExit_Click();
}

}  // namespace qbx
