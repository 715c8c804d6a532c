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
    Svc().MsgBox("Your Final Score:  " + Dec(Score), "Game Over");
    FrmScores& scores = *forms_.scores;
    if (Score < 1) {
        scores.ReadScores();
        scores.ReadLevels();
    } else {
        RecordResults();
    }
    Unload();
    static_cast<Screen&>(scores).Show();
}

void FrmGame::RecordResults() {
    forms_.scores->CalculateHighScores();
    forms_.scores->CalculateHighLevels();
}

bool FrmGame::PausedIfNeeded() {
    if (Dying != kFalse) return false;
    if (!c_.cmdContinue->Visible && Paused == kFalse) PauseGame();
    return true;
}

void FrmGame::mnuNew_Click() {
    if (Score > 0) RecordResults();
    Paused = kFalse;
    Lives = 0;  // so that unloading the screen does not end the program
    forms_.menu->cmdPlay_Click();
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
    if (Score > 0) RecordResults();
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
    if (Lives > 0) mnuExit_Click();
}

}  // namespace qbx
