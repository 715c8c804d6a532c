// Power-ups: the drop after a split, falling and collecting, and the extra life.
#include <cmath>

#include "engine/numbers.h"
#include "engine/program.h"
#include "forms/game/frmGame.h"

namespace qbx {

void FrmGame::DropPowerup(int16_t& index) {
    DropPowerup(index, players[0]);
}

// The shooter's active power-up and lives decide what may drop.
void FrmGame::DropPowerup(int16_t& index, const Player& shooter) {
    Controls& c = c_;
    const int16_t Lives = shooter.Lives;
    const float r = Prog().Rng().Rnd();
    const int16_t s = Bubbles[index].Size;
    // Int((25 - 2s) * r) + 2s + 1, in single precision: 2s + 1 to 25, each equally likely.
    const float span = static_cast<float>(25 - 2 * s) * r;
    const int16_t roll = ToInt16(std::floor(span) + 2 * s + 1);

    int slot = 0;
    for (int i = c.pwrup.LBound(); i <= c.pwrup.UBound(); ++i)
        if (Image* p = c.pwrup.Get(i); p && !p->Visible) {
            slot = i;
            break;
        }

    const PictureRef active = shooter.apwrup->Picture;
    PictureRef kind = nullptr;
    // The first rule that holds wins; a roll naming the active kind drops nothing.
    if (roll >= 23 && roll <= 25) {
        if (active != c.pwrupwall->Picture) kind = c.pwrupwall->Picture;
    } else if (roll >= 20 && roll <= 22) {
        if (active != c.pwrupfast->Picture) kind = c.pwrupfast->Picture;
    } else if (roll >= 17 && roll <= 19) {
        if (active != c.pwrupslow->Picture) kind = c.pwrupslow->Picture;
    } else if (roll == 16) {
        if (active != c.pwruplife->Picture && Lives < 10 && ExtraLives < 5) {
            kind = c.pwruplife->Picture;
            ExtraLives = static_cast<int16_t>(ExtraLives + 1);
        }
    }
    if (!kind) return;

    Image* p = c.pwrup.Get(slot);
    const Image* b = c.BubblePic.Get(index);
    if (!p || !b) return;
    p->SetPicture(kind);
    p->Top = b->Top;
    p->Left = b->Left + 20;
    p->Visible = true;
    Svc().PlaySound(Sound::Drop);
}

void FrmGame::PowerupStep() {
    Controls& c = c_;
    const float floorLine = c.shpBottom->Top;
    const int16_t upper = static_cast<int16_t>(c.pwrup.UBound());
    for (PowerupIndex = 0; PowerupIndex <= upper; ++PowerupIndex) {
        Image* pp = c.pwrup.Get(PowerupIndex);
        if (!pp) continue;
        Image& p = *pp;
        if (p.Top + p.Height < floorLine && p.Visible) p.Top += 15;
        // The first player on the field who touches it collects it.
        Player* collector = nullptr;
        for (int i = 0; i < PlayerCount() && p.Visible && !collector; ++i) {
            if (!InGame(players[i])) continue;
            const Image& ch = *players[i].imgCharacter;
            if (ch.Top + ch.Height > p.Top && ch.Left + ch.Width > p.Left &&
                p.Top + p.Height > ch.Top && p.Left + p.Width > ch.Left)
                collector = &players[i];
        }
        if (!collector) continue;
        Player& who = *collector;
        // A power-up of the active kind is used up without effect.
        Sound heard = Sound::Powerup;
        if (p.Picture != who.apwrup->Picture) {
            if (who.apwrup->Picture != c.lifex->Picture) RetireActivePowerup(HistoryIndex, who);
            if (p.Picture == c.pwruplife->Picture && who.Lives < 10) {
                who.Lives = static_cast<int16_t>(who.Lives + 1);
                if (Image* icon = who.life.Get(who.Lives - 1))
                    icon->SetPicture(who.life(0).Picture);
                heard = Sound::ExtraLife;
            }
        }
        p.Visible = false;
        who.apwrup->SetPicture(p.Picture);
        Svc().PlaySound(heard);
    }
}

void FrmGame::RetireActivePowerup(int16_t& counter, const Player& p) {
    Controls& c = c_;
    for (counter = static_cast<int16_t>(c.hpwrup.Count() - 1); counter >= 1; --counter)
        c.hpwrup(counter).SetPicture(c.hpwrup(counter - 1).Picture);
    c.hpwrup(0).SetPicture(p.apwrup->Picture);
}

}  // namespace qbx
