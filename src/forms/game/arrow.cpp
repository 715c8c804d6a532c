// A player's arrow: its launch from the character's feet and its growth up to the ceiling or a
// blocker, where it vanishes or stands as a wall.
#include "engine/numbers.h"
#include "forms/game/frmGame.h"

namespace qbx {

void FrmGame::LaunchArrow(Player& p) {
    Controls& c = c_;
    Image& a = *p.arrow;
    const Image& ch = *p.imgCharacter;
    a.Left = ch.Left + 90;
    a.Top = ch.Top + ch.Height - 45;
    a.SetPicture(c.regarrow->Picture);
    if (p.apwrup->Picture == c.pwrupfast->Picture) a.SetPicture(c.arrowfast->Picture);
    a.Height = 1;
    a.Visible = true;
    p.tmrArrowGrow->SetEnabled(true);
    Svc().PlaySound(Sound::Shot);
}

void FrmGame::tmrArrowGrow_Timer() {
    GrowArrow(players[0]);
}

void FrmGame::GrowArrow(Player& p) {
    Controls& c = c_;
    Image& a = *p.arrow;
    if (!a.Visible) return;
    if (a.Top > 0) {
        a.Height += 45;
        a.Top -= 45;
        if (a.Picture == c.arrowfast->Picture) {
            a.Height += 15;
            a.Top -= 15;
        }
    }
    const bool wall = p.apwrup->Picture == c.pwrupwall->Picture;
    const float floorLine = c.shpBottom->Top;
    bool stood = false;
    // The arrow stops with its tip at `top`: it vanishes, or stands from there down to the floor.
    const auto stopAt = [&](float top) {
        if (wall) {
            a.SetPicture(c.arrowwall->Picture);
            a.Height = floorLine - top;
            a.Top = top;
            stood = true;
        } else {
            a.Visible = false;
        }
        p.tmrArrowGrow->SetEnabled(false);
    };
    if (a.Top <= 0) stopAt(0);
    // Every blocker is tested, also after one has stopped the arrow.
    const int16_t upper = static_cast<int16_t>(c.shpBlocker.UBound());
    for (ArrowBlockerIndex = 0; ArrowBlockerIndex <= upper; ++ArrowBlockerIndex) {
        const Shape* k = c.shpBlocker.Get(ArrowBlockerIndex);
        if (!k || !k->Visible) continue;
        const float underside = k->Top + k->Height;
        if (underside >= a.Top && a.Left + a.Width > k->Left && k->Left + k->Width > a.Left)
            stopAt(underside);
    }
    if (stood) Svc().PlaySound(Sound::Wall);
}

}  // namespace qbx
