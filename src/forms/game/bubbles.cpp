// Bubble motion and collisions: the bubble tick, shots and splits, and the death sequence.
#include <cmath>
#include <string_view>

#include "engine/numbers.h"
#include "forms/game/frmGame.h"

namespace qbx {

// The direction words are compared as views of known length: most comparisons end at the
// length, and the bubble tick makes hundreds of them.
using namespace std::string_view_literals;

// Slow-Mo collected by either player slows the bubbles for both.
bool FrmGame::SlowBubbles() const {
    for (int i = 0; i < PlayerCount(); ++i)
        if (const Player& p = players[i]; p.apwrup && p.apwrup->Picture == c_.pwrupslow->Picture)
            return true;
    return false;
}

void FrmGame::ShowScoreCaption() {
    for (int i = 0; i < PlayerCount(); ++i)
        if (const Player& p = players[i]; p.lblScore)
            p.lblScore->Caption = HeadedNumber("Score:", p.Score);
}

static int32_t AddSaturating(int32_t a, long long b) {
    long long s = static_cast<long long>(a) + b;
    if (s > INT32_MAX) return INT32_MAX;
    if (s < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(s);
}

void FrmGame::tmrBubbles_Timer() {
    Controls& c = c_;
    // The players on the field, read once a tick.
    Player* onField[kMaxPlayers];
    int fielded = 0;
    for (int i = 0; i < PlayerCount(); ++i)
        if (InGame(players[i])) onField[fielded++] = &players[i];
    const bool slow = SlowBubbles();
    const float floorLine = c.shpBottom->Top;
    const float rightWall = OuterWidth() - 90.0f;
    const int16_t upper = static_cast<int16_t>(c.BubblePic.UBound());

    for (BubbleIndex = 0; BubbleIndex <= upper; ++BubbleIndex) {
        Image* bp = c.BubblePic.Get(BubbleIndex);
        if (!bp || !bp->Visible) continue;
        Image& b = *bp;
        BubbleState& r = Bubbles[BubbleIndex];

        // 1. The characters: the boxes must overlap by more than 60 twips each way.
        for (int f = 0; f < fielded; ++f) {
            const Image& ch = *onField[f]->imgCharacter;
            if (ch.Top + ch.Height > b.Top + 60 && ch.Left + ch.Width > b.Left + 60 &&
                ch.Top + 60 < b.Top + b.Height && ch.Left + 60 < b.Left + b.Width) {
                DeathSequence(BubbleIndex, *onField[f]);
                return;  // the tick that kills skips the power-up step
            }
        }

        // 2. Blockers.
        const int16_t blockerUpper = static_cast<int16_t>(c.shpBlocker.UBound());
        for (BlockerIndex = 0; BlockerIndex <= blockerUpper; ++BlockerIndex) {
            const Shape* kp = c.shpBlocker.Get(BlockerIndex);
            if (!kp || !kp->Visible) continue;
            const Shape& k = *kp;
            const bool besideIt = b.Top + b.Height > k.Top && k.Top + k.Height > b.Top;
            if (besideIt && std::fabs(b.Left + b.Width - k.Left) < 50)
                r.HorizontalDirection = "LEFT";
            if (besideIt && std::fabs(b.Left - (k.Left + k.Width)) < 50)
                r.HorizontalDirection = "RIGHT";
            if (k.Top + k.Height > b.Top - 50 && k.Top + k.Height - 50 < b.Top &&
                k.Left - 50 < b.Left + b.Width && k.Left + k.Width > b.Left - 50)
                r.PeakTop = ToInt16(b.Top);
            if (k.Top - 50 < b.Top + b.Height && b.Top + b.Height - 50 < k.Top &&
                k.Left - 50 < b.Left + b.Width && k.Left + k.Width > b.Left - 50) {
                if (r.Size >= 1 && r.Size <= 4) LandingPeak = kBouncePeak[r.Size];
                // Bounce as high above the blocker as a floor bounce rises above the floor.
                r.PeakTop = ToInt16(LandingPeak - (floorLine + 60 - k.Top));
                r.VerticalDirection = slow ? "UPSLOW" : "UP";
            }
        }

        // 3. Sideways step.
        const bool left = r.HorizontalDirection == "LEFT"sv;
        const bool right = r.HorizontalDirection == "RIGHT"sv;
        if (left) b.Left -= 20;
        if (right) b.Left += 20;
        if (slow) {
            if (left) b.Left += 15;
            if (right) b.Left -= 15;
        }

        // 4. The arrows, each from its top down to the floor; inclusive comparisons. A bubble
        // the first arrow made vanish is not there for the second.
        for (int f = 0; f < fielded && b.Visible; ++f) {
            const Image& ar = *onField[f]->arrow;
            if (ar.Visible && ar.Left + ar.Width >= b.Left && b.Left + b.Width >= ar.Left &&
                b.Top + b.Height >= ar.Top)
                SplitOrVanish(b, r, *onField[f]);
        }

        // 5. Walls.
        if (rightWall <= b.Left + b.Width) r.HorizontalDirection = "LEFT";
        if (b.Left < 0) r.HorizontalDirection = "RIGHT";

        // 6. Extra sideways step near the peak.
        if (r.VerticalDirection == "DOWNSLOW"sv || r.VerticalDirection == "UPSLOW"sv) {
            if (r.HorizontalDirection == "LEFT"sv) b.Left -= 5;
            if (r.HorizontalDirection == "RIGHT"sv) b.Left += 5;
        }

        // 7. Downward step.
        if (r.VerticalDirection == "DOWN"sv) b.Top += 30;
        if (r.VerticalDirection == "DOWNSLOW"sv) b.Top += 15;
        if (slow) {
            if (r.VerticalDirection == "DOWN"sv) b.Top = F(static_cast<double>(b.Top) - 22.5);
            if (r.VerticalDirection == "DOWNSLOW"sv) b.Top = F(static_cast<double>(b.Top) - 11.25);
        }

        // 8. Floor.
        if (std::fabs(b.Top + b.Height - (floorLine + 60)) < 50) r.VerticalDirection = "UP";

        // 9. Upward step.
        if (r.VerticalDirection == "UP"sv) b.Top -= 30;
        if (r.VerticalDirection == "UPSLOW"sv) b.Top -= 15;
        if (slow) {
            if (r.VerticalDirection == "UP"sv) b.Top += 15;
            if (r.VerticalDirection == "UPSLOW"sv) b.Top = F(static_cast<double>(b.Top) + 7.5);
        }

        // 10. Turning at the peak.
        const double peak = r.PeakTop;
        const float slowLine = F(peak + peak / 10.0);
        if (r.VerticalDirection == "UP"sv && b.Top < slowLine) r.VerticalDirection = "UPSLOW";
        if (r.VerticalDirection == "UPSLOW"sv && b.Top < peak) r.VerticalDirection = "DOWNSLOW";
        if (r.VerticalDirection == "DOWNSLOW"sv && b.Top > slowLine) r.VerticalDirection = "DOWN";
    }

    PowerupStep();
}

void FrmGame::SplitOrVanish(Image& b, BubbleState& r, Player& shooter) {
    Controls& c = c_;
    auto stopArrow = [&shooter] {
        shooter.arrow->Visible = false;
        shooter.tmrArrowGrow->SetEnabled(false);
    };
    int32_t& Score = shooter.Score;
    if (r.Size < 2) {
        Score = AddSaturating(Score, 10);
        ShowScoreCaption();
        b.Visible = false;
        stopArrow();
        Svc().PlaySound(Sound::Vanish);
        return;
    }

    b.Visible = false;
    Score = AddSaturating(Score, 10LL * r.Size);
    ShowScoreCaption();
    const int n = c.BubblePic.UBound() + 1;
    if (n >= kBubbleRecords) {
        // No record is left for the other half: the shot bubble vanishes as a smallest one
        // does.
        stopArrow();
        Svc().PlaySound(Sound::Vanish);
        return;
    }
    Svc().PlaySound(Sound::Pop, r.Size);
    Image& half = *c.BubblePic.Load(n);
    BubbleState& h = Bubbles[n];
    h.Size = static_cast<int16_t>(r.Size - 1);
    half.Left = b.Left;
    half.Top = b.Top;
    h.PeakTop = ToInt16(static_cast<double>(half.Top) - 500);
    h.HorizontalDirection = "LEFT";
    h.VerticalDirection = "UP";
    h.Colour = r.Colour;
    if (PictureRef store = BubbleStore(h.Size, h.Colour); store && half.Picture != store)
        half.SetPicture(store);

    r.Size = static_cast<int16_t>(r.Size - 1);
    r.HorizontalDirection = "RIGHT";
    r.VerticalDirection = "UP";
    r.PeakTop = ToInt16(static_cast<double>(b.Top) - 500);
    stopArrow();
    BringToFront(half);
    half.Visible = true;
    b.Visible = true;
    DropPowerup(BubbleIndex, shooter);
}

void FrmGame::DeathSequence(int16_t index, Player& p) {
    Controls& c = c_;
    const uint64_t generation = Generation();
    Dying = kTrue;
    c.tmrBonus->SetEnabled(false);
    Shape& circle = *c.shpDeathCircle;
    circle.Left = p.imgCharacter->Left - 390;
    circle.Top = p.imgCharacter->Top - 200;
    BringToFront(circle);
    circle.Visible = true;
    Svc().PlaySound(Sound::Death);
    CueMusic(Music::None);

    Svc().DoEvents();
    // A New Game, an Exit or a closed window taken by the pump ended this game: the sequence
    // must not take a life from, or set up a level of, the game that follows.
    if (!IsLoaded() || Generation() != generation) return;
    Svc().Sleep(800);

    circle.Visible = false;
    if (Image* b = c.BubblePic.Get(index)) b->Visible = false;
    // The level starts again for both players: neither keeps an arrow in the air.
    for (int i = 0; i < PlayerCount(); ++i)
        if (players[i].arrow) players[i].arrow->Visible = false;
    int16_t& Lives = p.Lives;
    if (Lives > INT16_MIN) Lives = static_cast<int16_t>(Lives - 1);
    if (Image* icon = p.life.Get(Lives)) icon->SetPicture(c.lifex->Picture);
    // Lives set to 0 or below from outside end the game too, rather than playing on. With two
    // players the one left plays on alone.
    if (Lives <= 0) p.Level = Level;
    if (!AnyLivesLeft()) {
        GameOver();
        return;
    }
    Form_Load();
    if (!IsLoaded() || Generation() != generation) return;
    p.LifeLost = kTrue;
}

bool FrmGame::AnyLivesLeft() const {
    for (int i = 0; i < PlayerCount(); ++i)
        if (players[i].Lives > 0) return true;
    return false;
}

}  // namespace qbx
