// The periodic check of the bubbles: pictures by size and colour, bounce peaks near the floor,
// and the end of a level once none is left.
#include "engine/numbers.h"
#include "forms/game/frmGame.h"

namespace qbx {

PictureRef FrmGame::BubbleStore(int16_t size, const std::string& colour) const {
    const Controls& c = c_;
    if (colour == "RED") {
        switch (size) {
            case 1:
                return c.ballreds1->Picture;
            case 2:
                return c.ballreds2->Picture;
            case 3:
                return c.ballreds3->Picture;
            case 4:
                return c.ballreds4->Picture;
        }
    } else if (colour == "GREEN") {
        switch (size) {
            case 1:
                return c.ballgreens1->Picture;
            case 2:
                return c.ballgreens2->Picture;
            case 3:
                return c.ballgreens3->Picture;
            case 4:
                return c.ballgreens4->Picture;
        }
    }
    return nullptr;
}

void FrmGame::tmrBubbleSize_Timer() {
    Controls& c = c_;
    LevelCleared = kTrue;
    const float nearFloor = c.shpBottom->Top - 1200;
    const int16_t upper = static_cast<int16_t>(c.BubblePic.UBound());
    for (SizeIndex = 0; SizeIndex <= upper; ++SizeIndex) {
        Image* b = c.BubblePic.Get(SizeIndex);
        if (!b || !b->Visible) continue;
        BubbleState& r = Bubbles[SizeIndex];
        if (r.Size != 2 && r.Size != 3 && r.Size != 4) r.Size = 1;
        // A colour word other than the two leaves the picture as it is.
        if (PictureRef store = BubbleStore(r.Size, r.Colour); store && b->Picture != store)
            b->SetPicture(store);
        LevelCleared = kFalse;
        if (nearFloor < b->Top && r.PeakTop != kBouncePeak[r.Size]) r.PeakTop = kBouncePeak[r.Size];
    }
    if (LevelCleared == kFalse) return;

    if (Level < INT16_MAX) Level = static_cast<int16_t>(Level + 1);
    ExtraLives = 0;
    c.tmrBonus->SetEnabled(false);
    c.tmrBubbleSize->SetEnabled(false);
    // The time bonus goes to every player still in the game, doubled for one who lost no life
    // in the level.
    for (int i = 0; i < PlayerCount(); ++i) {
        Player& p = players[i];
        if (!p.tmrLeft) continue;
        p.tmrLeft->SetEnabled(false);
        p.tmrRight->SetEnabled(false);
        if (!InGame(p)) continue;
        const long long bonus = p.LifeLost == kFalse ? 2LL * TimeBonus : TimeBonus;
        const long long total = static_cast<long long>(p.Score) + bonus;
        p.Score = total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
    }
    LevelComplete();
}

}  // namespace qbx
