// The players' keys and their walking timers.
#include "engine/numbers.h"
#include "forms/game/frmGame.h"

namespace qbx {

namespace {
bool Among(const int16_t* keys, size_t n, int16_t code) {
    for (size_t i = 0; i < n; ++i)
        if (keys[i] != 0 && keys[i] == code) return true;
    return false;
}
template <size_t N>
bool Among(const int16_t (&keys)[N], int16_t code) {
    return Among(keys, N, code);
}
}  // namespace

Player* FrmGame::KeyOwner(int16_t keyCode, Action& action) {
    for (int i = 0; i < PlayerCount(); ++i) {
        Player& p = players[i];
        if (!p.imgCharacter) continue;
        if (Among(p.keys.left, keyCode))
            action = Action::Left;
        else if (Among(p.keys.right, keyCode))
            action = Action::Right;
        else if (Among(p.keys.fire, keyCode))
            action = Action::Fire;
        else if (Among(p.keys.cancel, keyCode))
            action = Action::Cancel;
        else
            continue;
        return &p;
    }
    return nullptr;
}

void FrmGame::Form_KeyDown(int16_t keyCode, int16_t /*shift*/) {
    Controls& c = c_;
    if (keyCode == vk::Escape) PauseGame();
    if (Dying != kFalse || Paused != kFalse || c.lblCount->Visible) return;
    Action action{};
    Player* owner = KeyOwner(keyCode, action);
    // A player sitting out has no character to move.
    if (!owner || !InGame(*owner)) return;
    Player& p = *owner;
    Image& ch = *p.imgCharacter;
    switch (action) {
        case Action::Left:
            if (ch.Left > 0) p.tmrLeft->SetEnabled(true);
            break;
        case Action::Right:
            // The start test uses the outer width; the walking tick applies the wall itself.
            if (ch.Left + ch.Width < OuterWidth()) p.tmrRight->SetEnabled(true);
            break;
        case Action::Fire:
            if (!p.arrow->Visible) {
                if (ch.Picture != p.imgCharBack->Picture) ch.SetPicture(p.imgCharBack->Picture);
                LaunchArrow(p);
            }
            break;
        case Action::Cancel:
            if (p.apwrup->Picture != c.pwruplife->Picture &&
                p.apwrup->Picture != c.lifex->Picture && !c.shpDeathCircle->Visible) {
                if (p.arrow->Picture == c.arrowwall->Picture) {
                    // Take the wall down; the power-up stays active.
                    p.arrow->Visible = false;
                    p.arrow->SetPicture(c.regarrow->Picture);
                } else if (!p.arrow->Visible) {
                    p.arrow->SetPicture(c.regarrow->Picture);
                    RetireActivePowerup(LoopIndex, p);
                    p.apwrup->SetPicture(c.lifex->Picture);
                }
            }
            break;
    }
}

void FrmGame::Form_KeyUp(int16_t keyCode, int16_t /*shift*/) {
    for (int i = 0; i < PlayerCount(); ++i) {
        Player& p = players[i];
        if (!p.imgCharacter) continue;
        if (Among(p.keys.right, keyCode)) p.tmrRight->SetEnabled(false);
        if (Among(p.keys.left, keyCode)) p.tmrLeft->SetEnabled(false);
    }
}

void FrmGame::tmrLeft_Timer() {
    WalkLeft(players[0]);
}

void FrmGame::tmrRight_Timer() {
    WalkRight(players[0]);
}

void FrmGame::WalkLeft(Player& p) {
    Controls& c = c_;
    if (p.Lives == 0 || c.lblCount->Visible) return;
    Image& ch = *p.imgCharacter;
    const PictureRef facing = p.imgCharLeft->Picture;
    if (ch.Picture != facing) ch.SetPicture(facing);
    if (ch.Left > 0) ch.Left -= 30;
}

void FrmGame::WalkRight(Player& p) {
    Controls& c = c_;
    if (p.Lives == 0 || c.lblCount->Visible) return;
    Image& ch = *p.imgCharacter;
    const PictureRef facing = p.imgCharRight->Picture;
    if (ch.Picture != facing) ch.SetPicture(facing);
    if (OuterWidth() - 90.0f > ch.Left + ch.Width) ch.Left += 30;
}

}  // namespace qbx
