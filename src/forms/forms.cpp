// Leaving the instructions, the high-score or the Replays screen.
#include "forms/forms.h"

#include "engine/services.h"
#include "forms/game/frmGame.h"
#include "forms/menu/frmMenu.h"
#include "forms/menu/menu_design.h"

namespace qbx {

void ReturnFrom(Forms& forms, Screen& screen, Button& close) {
    screen.Hide();
    if (close.Caption == kReturnToGame) {
        close.Caption = kReturnToMenu;
        forms.game->Show();  // still paused: the player resumes it
    } else {
        FrmMenu& menu = *forms.menu;
        // Back on the menu after a game its theme begins again; from the menu's own screens it
        // goes on.
        CueMusic(forms, menu.Svc(), Music::Menu);
        menu.Show();
        menu.SetFocus(menu.C().cmdPlay);
    }
}

void CueMusic(Forms& forms, Services& svc, Music piece, bool again) {
    if (piece == forms.music && !again) return;
    forms.music = piece;
    svc.PlayMusic(piece);
}

void ExitFrom(Forms& forms, Screen& screen, const Button& close, int16_t keyCode, int16_t shift) {
    if (keyCode != 'X' || shift != vk::CtrlMask) return;
    screen.Hide();
    if (close.Caption == kReturnToGame)
        forms.game->mnuExit_Click();
    else
        screen.Svc().End();
}

}  // namespace qbx
