// Level set-up: the level table and the load handler that builds every level.

// GCC 12 wrongly warns of overlapping copies in the inlined string assignments below
// (its bug 105329); the warning is silenced for this file only.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include <array>
#include <vector>

#include "engine/numbers.h"
#include "engine/program.h"
#include "forms/game/frmGame.h"
#include "forms/game/game_design.h"
#include "forms/game/level_table.h"

namespace qbx {

namespace {
constexpr const char* R = "RED";
constexpr const char* G = "GREEN";

const std::vector<int> kLevel13Blockers{8,  11, 12, 17, 18, 21, 22, 23, 24,
                                        25, 26, 27, 28, 29, 30, 39, 40};
const std::vector<int> kSeams0to5{0, 1, 2, 3, 4, 5};
const std::vector<int> kSeams6to11{6, 7, 8, 9, 10, 11};
const std::vector<int> kBlockers8to22{8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
const std::vector<ShownBubble> kLayout15{{3, R}, {3, R}, {3, R}, {3, G}, {3, G}, {3, G}};
const std::vector<ShownBubble> kLayout19{{3, R}, {3, R}, {3, R}, {3, G}, {3, G}, {3, G}, {3, R}};
const std::vector<ShownBubble> kLayout20{{3, R}, {3, R}, {3, R}, {3, G},
                                         {3, G}, {3, G}, {3, R}, {3, G}};

// One row per level; level 20 stands for every level after it.
const std::array<LevelRow, 20> kLevels{{
    // Level 1
    {.timeBonus = 150,
     .horizontal = "RIGHT",
     .size = 1,
     .peakTop = 4312,
     .colour = R,
     .shown = {{1, R}, {1, R}, {1, R}},
     .box = 1200},
    // Level 2
    {.timeBonus = 600,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 3080,
     .colour = R,
     .shown = {{2, R}, {2, R}, {2, G}, {2, G}},
     .box = 1200},
    // Level 3
    {.timeBonus = 900,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 3080,
     .colour = R,
     .shown = {{2, R}, {2, G}, {3, G}, {3, R}},
     .box = 1200},
    // Level 4
    {.timeBonus = 900,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 3080,
     .colour = R,
     .shown = {{2, R}, {2, R}, {2, G}, {3, G}, {3, R}},
     .blockers = {0},
     .box = 1200},
    // Level 5
    {.timeBonus = 1200,
     .horizontal = "LEFT",
     .size = 4,
     .peakTop = 1571,
     .colour = R,
     .shown = {{4, R}, {4, G}},
     .blockers = {0},
     .box = 1200},
    // Level 6
    {.timeBonus = 600,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 1571,
     .colour = R,
     .shown = {{2, R}, {2, R}, {2, R}},
     .blockers = {1, 2, 47},
     .box = 1200},
    // Level 7
    {.timeBonus = 900,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 1571,
     .colour = R,
     .shown = {{3, R}, {3, G}},
     .blockers = {1, 2, 47},
     .box = 1200},
    // Level 8
    {.timeBonus = 1200,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 3080,
     .colour = R,
     .shown = {{2, R}, {2, R}, {2, G}, {2, G}},
     .blockers = {6, 7, 3, 4, 8, 9, 10},
     .box = 1200},
    // Level 9
    {.timeBonus = 1800,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = {{3, R}, {3, R}, {3, R}},
     .blockers = {6, 7, 3, 4, 8, 9, 10},
     .box = 1200},
    // Level 10
    {.timeBonus = 2400,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = {{3, R}, {3, R}, {3, G}, {4, G}, {4, R}},
     .blockers = {6, 7, 3, 4, 8, 9, 10},
     .box = 1200},
    // Level 11
    {.timeBonus = 1800,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 3080,
     .colour = R,
     .shown = {{2, R}, {2, R}, {2, R}, {2, G}, {2, G}},
     .blockers = kBlockers8to22,
     .seams = kSeams6to11,
     .box = 1200},
    // Level 12
    {.timeBonus = 2100,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 3080,
     .colour = R,
     .shown = {{2, R}, {2, R}, {2, R}, {3, G}, {3, G}, {4, R}},
     .blockers = kBlockers8to22,
     .seams = kSeams6to11,
     .box = 1200},
    // Level 13
    {.timeBonus = 2400,
     .horizontal = "LEFT",
     .size = 2,
     .peakTop = 3080,
     .colour = R,
     .shown = {{2, R}, {2, R}, {2, G}, {2, G}, {3, G}, {3, G}, {3, R}, {3, R}},
     .blockers = kLevel13Blockers,
     .seams = kSeams0to5,
     .box = 600},
    // Level 14
    {.timeBonus = 3000,
     .horizontal = "LEFT",
     .size = 4,
     .peakTop = 3080,
     .colour = R,
     .shown = {{4, R}, {4, R}, {4, G}, {4, G}},
     .blockers = kLevel13Blockers,
     .seams = kSeams0to5,
     .box = 1200},
    // Level 15
    {.timeBonus = 2400,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = kLayout15,
     .blockers = {41, 42, 9, 10, 43, 44},
     .box = 600,
     .raiseBlockers9And10 = true},
    // Level 16
    {.timeBonus = 2400,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = kLayout15,
     .blockers = {9, 10, 43, 44},
     .box = 600,
     .raiseBlockers9And10 = true},
    // Level 17
    {.timeBonus = 2400,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = kLayout15,
     .blockers = {43, 44},
     .box = 600},
    // Level 18
    {.timeBonus = 2400,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = kLayout15,
     .box = 600},
    // Level 19
    {.timeBonus = 2700,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = kLayout19,
     .box = 600},
    // Level 20 and after
    {.timeBonus = 3000,
     .horizontal = "LEFT",
     .size = 3,
     .peakTop = 3080,
     .colour = R,
     .shown = kLayout20,
     .box = 600},
}};

// Draws after which a bubble is placed where it fell: the layouts always leave room, so this
// only ends a set-up whose blockers were moved to cover the whole start band.
constexpr int kMaxPlacementDraws = 100000;
}  // namespace

const LevelRow& LevelRowFor(int level) {
    // A level below 1 (only reachable by setting it from outside) reads as level 1.
    if (level < 1) level = 1;
    if (level > 20) level = 20;
    return kLevels[static_cast<size_t>(level - 1)];
}

void FrmGame::Form_Load() {
    Controls& c = c_;
    const uint64_t generation = Generation();
    const LevelRow& row = LevelRowFor(Level);

    Prog().Rng().Seed(Svc().TimeOfDaySeed());
    // Continue pressed while paused: the new level starts with no trace of the pause.
    Paused = kFalse;
    c.lblGamePaused->Visible = false;
    c.mnuPause->Caption = kPauseCaption;
    // Every level, and every level played again after a lost life, begins its theme.
    CueMusic(LevelMusic(Level));
    Overlap = kFalse;
    for (int i = 0; i < PlayerCount(); ++i) players[i].LifeLost = kFalse;
    c.tmrBubbles->SetEnabled(false);
    for (int i = 0; i < PlayerCount(); ++i) {
        players[i].tmrRight->SetEnabled(false);
        players[i].tmrLeft->SetEnabled(false);
    }

    // Only the design elements 0 to 7 remain; splits loaded the rest.
    const int upper = c.BubblePic.UBound();
    for (int i = 8; i <= upper; ++i) c.BubblePic.Unload(i);

    TimeBonus = row.timeBonus;

    // Retire the active power-ups into the recent list, player 1's first.
    for (int i = 0; i < PlayerCount(); ++i) {
        Player& p = players[i];
        if (p.apwrup->Picture != c.lifex->Picture) RetireActivePowerup(LoopIndex, p);
        p.apwrup->SetPicture(c.lifex->Picture);
    }

    for (int i = 0; i < PlayerCount(); ++i) players[i].arrow->SetPicture(c.regarrow->Picture);
    ShowScoreCaption();
    c.lblLevel->Caption = HeadedNumber("Level:", Level);
    for (int i = 0; i < PlayerCount(); ++i) {
        Player& p = players[i];
        p.imgCharacter->SetPicture(p.imgCharBack->Picture);
        p.imgCharacter->Top = 4875;
        if (Players != 2) continue;
        // Two players start apart, either side of the middle; one sitting out is not there.
        p.imgCharacter->Left = kTwoPlayerStartLeft[i];
        p.imgCharacter->Visible = p.Lives > 0;
        if (p.Lives > 0) p.Level = Level;
    }

    for (int k = c.shpBlocker.LBound(); k <= c.shpBlocker.UBound(); ++k)
        if (Shape* s = c.shpBlocker.Get(k)) s->Visible = false;
    for (int k = c.shpSeam.LBound(); k <= c.shpSeam.UBound(); ++k)
        if (Shape* s = c.shpSeam.Get(k)) s->Visible = false;
    for (int k = c.pwrup.LBound(); k <= c.pwrup.UBound(); ++k)
        if (Image* p = c.pwrup.Get(k)) p->Visible = false;
    c.shpBlocker(5).Visible = true;

    // The level's bubbles and obstacles.
    const int16_t bubbleUpper = static_cast<int16_t>(c.BubblePic.UBound());
    for (LoopIndex = 0; LoopIndex <= bubbleUpper; ++LoopIndex) {
        Image& b = c.BubblePic(LoopIndex);
        b.Visible = false;
        BubbleState& r = Bubbles[LoopIndex];
        r.HorizontalDirection = row.horizontal;
        r.VerticalDirection = "DOWN";
        r.Size = row.size;
        r.Colour = row.colour;
        r.PeakTop = row.peakTop;
        b.Top = 300;
    }
    for (int k : row.blockers) c.shpBlocker(k).Visible = true;
    for (int k : row.seams) c.shpSeam(k).Visible = true;
    if (row.raiseBlockers9And10 && c.shpBlocker(9).Top == 2760) {
        c.shpBlocker(9).Top = 2340;
        c.shpBlocker(10).Top = 2340;
    }
    for (size_t i = 0; i < row.shown.size() && static_cast<int>(i) <= bubbleUpper; ++i) {
        BubbleState& r = Bubbles[i];
        if (r.Size != row.shown[i].size) r.Size = row.shown[i].size;
        if (r.Colour != row.shown[i].colour) r.Colour = row.shown[i].colour;
        c.BubblePic(static_cast<int>(i)).Visible = true;
    }

    // Placement: each shown bubble's B x B box keeps clear of the boxes of all earlier elements
    // and of every visible blocker.
    const float box = row.box;
    const float span = OuterWidth() - box;
    const int16_t blockerUpper = static_cast<int16_t>(c.shpBlocker.UBound());
    for (LoopIndex = 0; LoopIndex <= bubbleUpper; ++LoopIndex) {
        Image& b = c.BubblePic(LoopIndex);
        int draws = 0;
        do {
            Overlap = kFalse;
            b.Left = span * Prog().Rng().Rnd();
            for (CheckIndex = static_cast<int16_t>(LoopIndex - 1); CheckIndex >= 0; --CheckIndex) {
                const Image& e = c.BubblePic(CheckIndex);
                if (e.Left + box > b.Left && b.Left + box > e.Left && b.Visible) Overlap = kTrue;
            }
            for (CheckIndex = 0; CheckIndex <= blockerUpper; ++CheckIndex) {
                const Shape* k = c.shpBlocker.Get(CheckIndex);
                if (k && k->Visible && b.Visible && k->Left + k->Width > b.Left &&
                    b.Left + box > k->Left && k->Top + k->Height > b.Top && b.Top + box > k->Top)
                    Overlap = kTrue;
            }
        } while (Overlap != kFalse && ++draws < kMaxPlacementDraws);
    }

    Show();
    Svc().DoEvents();
    // A New Game, an Exit or a closed window in the pump has replaced or removed this screen's
    // controls: that set-up is no longer ours to finish.
    if (!IsLoaded() || Generation() != generation) return;

    Dying = kFalse;
    c.lblCount->Caption = "3";
    BringToFront(*c.lblCount);
    c.lblCount->Visible = true;
    Countdown = 3;
    c.lblTimeBonusRemaining->Caption = Dec(TimeBonus);
    // A pause taken while the pump ran holds: the countdown starts when the player resumes, as
    // after a pause during the countdown.
    if (Paused == kFalse) {
        c.tmrLevelStart->SetEnabled(true);
        Svc().PlaySound(Sound::Countdown);
    } else
        BringToFront(*c.lblGamePaused);
}

}  // namespace qbx
