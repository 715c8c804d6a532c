// Level flow: the countdown, the time bonus, the level-complete panel and the pause.
#include "engine/numbers.h"
#include "forms/game/frmGame.h"
#include "forms/game/game_design.h"
#include "forms/game/level_table.h"

namespace qbx {

void FrmGame::tmrLevelStart_Timer() {
    Controls& c = c_;
    Countdown = static_cast<int16_t>(Countdown - 1);
    if (Countdown > 0) {
        c.lblCount->Caption = Dec(Countdown);
        Svc().PlaySound(Sound::Countdown);
    }
    // A countdown set below zero from outside ends at once rather than running forever.
    if (Countdown <= 0) {
        Countdown = 3;
        c.tmrLevelStart->SetEnabled(false);
        c.tmrBubbles->SetEnabled(true);
        c.tmrBubbleSize->SetEnabled(true);
        c.tmrBonus->SetEnabled(true);
        c.lblCount->Visible = false;
        Svc().PlaySound(Sound::Go);
    }
}

void FrmGame::tmrBonus_Timer() {
    if (TimeBonus > 0) {
        TimeBonus = static_cast<int16_t>(TimeBonus - 10);
        if (TimeBonus < 0) TimeBonus = 0;
        c_.lblTimeBonusRemaining->Caption = Dec(TimeBonus);
    }
    // Below a tenth of the level's time bonus the hurry takes over from the level's theme.
    if (forms_.music == LevelMusic(Level) && TimeBonus * 10 < LevelRowFor(Level).timeBonus)
        CueMusic(Music::Hurry);
}

void FrmGame::CueMusic(Music piece) {
    qbx::CueMusic(forms_, Svc(), piece, true);
}

void FrmGame::LevelComplete() {
    Controls& c = c_;
    SetMousePointer(Pointer::Default);
    BringToFront(*c.lblComplete);
    BringToFront(*c.lblDouble);
    BringToFront(*c.lblBonus);
    BringToFront(*c.lblTime);
    c.lblComplete->Visible = true;
    // With two players the double is shown when everyone still in had it.
    bool doubled = true;
    for (int i = 0; i < PlayerCount(); ++i)
        if (InGame(players[i]) && players[i].LifeLost != kFalse) doubled = false;
    if (doubled) c.lblDouble->Visible = true;
    c.lblBonus->Visible = true;
    c.lblTime->Caption = Dec(TimeBonus);
    c.lblTime->Visible = true;
    c.cmdContinue->Visible = true;
    // Continue takes the keys, so the panel is left with Enter or Space like any other screen.
    SetFocus(c.cmdContinue);
    Svc().PlaySound(Sound::Complete);
    CueMusic(Music::Complete);
}

void FrmGame::cmdContinue_Click() {
    Controls& c = c_;
    c.lblDouble->Visible = false;
    c.lblComplete->Visible = false;
    c.lblBonus->Visible = false;
    c.lblTime->Visible = false;
    c.cmdContinue->Visible = false;
    SetMousePointer(Pointer::Custom);
    c.tmrBubbleSize->SetEnabled(true);
    for (int i = 0; i < PlayerCount(); ++i)
        if (Player& p = players[i]; p.tmrLeft) {
            p.tmrLeft->SetEnabled(true);
            p.tmrRight->SetEnabled(true);
        }
    Form_Load();
}

void FrmGame::PauseGame() {
    if (Dying != kFalse) return;
    Controls& c = c_;
    if (Paused == kFalse) {
        Paused = kTrue;
        c.tmrBonus->SetEnabled(false);
        c.tmrLevelStart->SetEnabled(false);
        c.tmrBubbleSize->SetEnabled(false);
        c.tmrBubbles->SetEnabled(false);
        for (int i = 0; i < PlayerCount(); ++i)
            if (Player& p = players[i]; p.tmrLeft) {
                p.tmrArrowGrow->SetEnabled(false);
                p.tmrLeft->SetEnabled(false);
                p.tmrRight->SetEnabled(false);
            }
        c.mnuPause->Caption = kUnpauseCaption;
        SetMousePointer(Pointer::Default);
        BringToFront(*c.lblGamePaused);
        c.lblGamePaused->Visible = true;
        Svc().PauseMusic(true);
        return;
    }
    Paused = kFalse;
    c.lblGamePaused->Visible = false;
    const bool onPanel = c.cmdContinue->Visible;
    if (c.lblCount->Visible) {
        c.tmrLevelStart->SetEnabled(true);
    } else if (onPanel) {
        // Back to the level-complete panel as it was: the level has been completed once, so
        // the bubble-size and bonus timers stay off.
        c.tmrBubbles->SetEnabled(true);
    } else {
        c.tmrBubbleSize->SetEnabled(true);
        c.tmrBubbles->SetEnabled(true);
        c.tmrBonus->SetEnabled(true);
    }
    c.mnuPause->Caption = kPauseCaption;
    SetMousePointer(onPanel ? Pointer::Default : Pointer::Custom);
    for (int i = 0; i < PlayerCount(); ++i)
        if (Player& p = players[i]; p.arrow && p.arrow->Visible) p.tmrArrowGrow->SetEnabled(true);
    Svc().PauseMusic(false);
}

void FrmGame::WindowDeactivated() {
    if (!IsVisible() || Paused != kFalse || Dying != kFalse) return;
    const Controls& c = c_;
    // Not on the level-complete panel, nor while a level is being set up: the set-up lets
    // events run before it starts the countdown, which would then run under the pause.
    if (c.cmdContinue->Visible) return;
    if (!c.lblCount->Visible && !c.tmrBubbles->Enabled()) return;
    PauseGame();
}

}  // namespace qbx
