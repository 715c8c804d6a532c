// Aiming the stand-in player's arrows.
#include "app/stand_in.h"

#include <algorithm>
#include <cmath>

#include "forms/game/frmGame.h"

namespace qbx {

namespace {

constexpr float kCharacterTop = 4875, kCharacterHeight = 540;

// No blocker between the floor and top across the arrow's column at x.
bool ClearColumn(FrmGame& g, float x, float top) {
    auto& c = g.C();
    for (int k = c.shpBlocker.LBound(); k <= c.shpBlocker.UBound(); ++k) {
        const Shape* s = c.shpBlocker.Get(k);
        if (!s || !s->Visible || s->Top + s->Height <= 0) continue;
        if (s->Left < x + 150 && x - 150 < s->Left + s->Width && s->Top + s->Height > top)
            return false;
    }
    return true;
}

}  // namespace

std::optional<int> AimUnderABubble(FrmGame& g, int& nextTarget, int maxTicks, bool clearing,
                                   int player) {
    auto& c = g.C();
    const Image* arrow = g.players[player].arrow;
    if (!arrow || arrow->Visible || c.lblCount->Visible || c.cmdContinue->Visible || g.Paused)
        return {};
    const float arrowStart = kCharacterTop + kCharacterHeight - 45;
    // The next bubble, in turn, that would split (or any, when clearing), that an arrow from the
    // floor meets within a few ticks where it will be by then, and that no smallest bubble can
    // cross on the way (an arrow takes whatever bubble it meets first; when clearing, any bubble
    // it takes will do).
    const int upper = c.BubblePic.UBound();
    for (int tries = 0; tries <= upper; ++tries) {
        const int i = (nextTarget + tries) % (upper + 1);
        const Image* b = c.BubblePic.Get(i);
        const BubbleState& r = g.Bubbles[i];
        if (!b || !b->Visible || (r.Size < 2 && !clearing)) continue;
        const float bottom = b->Top + b->Height;
        const float closing = r.VerticalDirection == "DOWN" ? 75.0f
                              : r.VerticalDirection == "UP" ? 15.0f
                                                            : 40.0f;
        const float ticks = std::max(0.0f, (arrowStart - bottom) / closing);
        if (ticks > static_cast<float>(maxTicks)) continue;
        const float drift = (r.HorizontalDirection == "LEFT" ? -20.0f : 20.0f) * ticks;
        const float x = b->Left + b->Width / 2 + drift;
        if (x < 200 || x > 13300 || !ClearColumn(g, x, bottom)) continue;
        bool crossed = false;
        for (int k = 0; k <= upper && !crossed && !clearing; ++k) {
            const Image* o = c.BubblePic.Get(k);
            if (k != i && o && o->Visible && g.Bubbles[k].Size < 2 &&
                std::fabs(o->Left + o->Width / 2 - x) < 25 * ticks + 400)
                crossed = true;
        }
        if (crossed) continue;
        nextTarget = i + 1;
        return static_cast<int>(std::lround(x - 90 - c.regarrow->Width / 2));
    }
    return {};
}

}  // namespace qbx
