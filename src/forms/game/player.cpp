// The player's keys and the two walking timers.
#include "engine/numbers.h"
#include "forms/game/frmGame.h"

namespace qbx {

namespace key {
constexpr int16_t A = 65, D = 68, S = 83, W = 87;
}

void FrmGame::Form_KeyDown(int16_t keyCode, int16_t /*shift*/) {
    Controls& c = c_;
    if (keyCode == vk::Escape) PauseGame();
    if (Dying != kFalse || Paused != kFalse || c.lblCount->Visible) return;
    Image& ch = *c.imgCharacter;
    switch (keyCode) {
        case key::A:
        case vk::Left:
            if (ch.Left > 0) c.tmrLeft->SetEnabled(true);
            break;
        case key::D:
        case vk::Right:
            // The start test uses the outer width; the walking tick applies the wall itself.
            if (ch.Left + ch.Width < OuterWidth()) c.tmrRight->SetEnabled(true);
            break;
        case key::W:
        case vk::Up:
        case vk::Space:
            if (!c.arrow->Visible) {
                if (ch.Picture != c.imgCharBack->Picture) ch.SetPicture(c.imgCharBack->Picture);
                LaunchArrow();
            }
            break;
        case key::S:
        case vk::Down:
            if (c.apwrup->Picture != c.pwruplife->Picture &&
                c.apwrup->Picture != c.lifex->Picture && !c.shpDeathCircle->Visible) {
                if (c.arrow->Picture == c.arrowwall->Picture) {
                    // Take the wall down; the power-up stays active.
                    c.arrow->Visible = false;
                    c.arrow->SetPicture(c.regarrow->Picture);
                } else if (!c.arrow->Visible) {
                    c.arrow->SetPicture(c.regarrow->Picture);
                    RetireActivePowerup(LoopIndex);
                    c.apwrup->SetPicture(c.lifex->Picture);
                }
            }
            break;
        default:
            break;
    }
}

void FrmGame::Form_KeyUp(int16_t keyCode, int16_t /*shift*/) {
    Controls& c = c_;
    if (keyCode == key::D || keyCode == vk::Right) c.tmrRight->SetEnabled(false);
    if (keyCode == key::A || keyCode == vk::Left) c.tmrLeft->SetEnabled(false);
}

void FrmGame::tmrLeft_Timer() {
    Controls& c = c_;
    if (Lives == 0 || c.lblCount->Visible) return;
    Image& ch = *c.imgCharacter;
    if (ch.Picture != c.imgCharLeft->Picture) ch.SetPicture(c.imgCharLeft->Picture);
    if (ch.Left > 0) ch.Left -= 30;
}

void FrmGame::tmrRight_Timer() {
    Controls& c = c_;
    if (Lives == 0 || c.lblCount->Visible) return;
    Image& ch = *c.imgCharacter;
    if (ch.Picture != c.imgCharRight->Picture) ch.SetPicture(c.imgCharRight->Picture);
    if (OuterWidth() - 90.0f > ch.Left + ch.Width) ch.Left += 30;
}

}  // namespace qbx
