// The game screen: the state of a game in progress, its controls and every handler of play.
#pragma once

#include <cstdint>
#include <string>

#include "engine/screen.h"
#include "forms/forms.h"

namespace qbx {

// One bubble's record, at the index of its BubblePic element.
struct BubbleState {
    std::string HorizontalDirection;  // "LEFT" or "RIGHT"
    int16_t Size = 0;                 // 1 (smallest) to 4
    std::string VerticalDirection;    // "UP", "UPSLOW", "DOWNSLOW" or "DOWN"
    int16_t PeakTop = 0;
    std::string Colour;  // "RED" or "GREEN"
};

constexpr int kBubbleRecords = 101;  // Bubbles(0 To 100)

// The peak line of a bounce for each size (1 to 4), off the floor or off a blocker: 2200 x 1.4
// squared, 3080, 2200 and 2200 / 1.4, as 16-bit integers.
inline constexpr int16_t kBouncePeak[5] = {0, 4312, 3080, 2200, 1571};

class FrmGame : public Screen {
public:
    FrmGame(Program& program, Forms& forms);

    // ---- handlers and routines ----
    void Form_Load() override;
    void Form_Unload(int16_t& cancel) override;
    void Form_KeyDown(int16_t keyCode, int16_t shift) override;
    void Form_KeyUp(int16_t keyCode, int16_t shift) override;

    void tmrLevelStart_Timer();
    void tmrBonus_Timer();
    void tmrBubbles_Timer();
    void tmrBubbleSize_Timer();
    void tmrArrowGrow_Timer();
    void tmrLeft_Timer();
    void tmrRight_Timer();
    void LevelComplete();
    void cmdContinue_Click();
    void PauseGame();
    // Pauses a level in play or counting down, as Esc would, when the window loses the keyboard.
    void WindowDeactivated() override;
    void DropPowerup(int16_t& index);
    void GameOver();

    void mnuNew_Click();
    void mnuPause_Click();
    // Sound on or off: the game goes on as it was.
    void mnuSound_Click();
    void mnuMusic_Click();
    void mnuExit_Click();
    void mnuInstructions_Click();
    void mnuAbout_Click();
    void mnuHighScores_Click();
    void mnuReplays_Click();

    std::vector<VarRef> Vars() override;
    std::vector<RecordSet> Records() override;
    std::map<std::string, std::function<void()>> Routines() override;

    // The controls; valid while the screen is loaded. Touching them through C() loads the
    // screen first.
    struct Controls {
        Button* cmdContinue;
        Label *lblTimeBonusRemaining, *lblTime, *lblDouble, *lblBonus, *lblComplete, *lblLevel,
            *lblScore, *lblCount, *lblGamePaused;
        Array<Image> BubblePic, pwrup, hpwrup, life;
        Array<Shape> shpSeam, shpBlocker;
        Image *pwrupslow, *pwrupfast, *pwrupwall, *pwruplife, *arrowfast, *arrowwall, *regarrow,
            *apwrup, *imgCharacter, *lifex, *ballgreens1, *ballgreens2, *ballgreens3, *ballgreens4,
            *ballreds4, *ballreds3, *ballreds2, *ballreds1, *arrow, *imgCharBack, *imgCharRight,
            *imgCharLeft;
        Shape *shpDeathCircle, *shpBottom;
        Timer *tmrBonus, *tmrLevelStart, *tmrLeft, *tmrRight, *tmrBubbleSize, *tmrBubbles,
            *tmrArrowGrow;
        MenuItem *mnuNew, *mnuPause, *mnuSound, *mnuMusic, *mnuExit, *mnuInstructions, *mnuAbout,
            *mnuHighScores, *mnuReplays;
    };
    Controls& C() {
        EnsureLoaded();
        return c_;
    }

    // ---- public variables ----
    int16_t ExtraLives = 0;
    int16_t Lives = 0;
    int16_t Level = 0;
    int32_t Score = 0;
    int16_t Paused = 0;

    // ---- screen-level variables, in their order ----
    int16_t LoopIndex = 0;
    int16_t CheckIndex = 0;
    int16_t BubbleIndex = 0;
    int16_t SizeIndex = 0;
    int16_t ArrowBlockerIndex = 0;
    int16_t BlockerIndex = 0;
    int16_t PowerupIndex = 0;
    int16_t HistoryIndex = 0;
    BubbleState Bubbles[kBubbleRecords];
    int16_t Countdown = 0;
    int16_t LifeLost = 0;
    int16_t Dying = 0;
    int16_t TimeBonus = 0;
    int16_t LandingPeak = 0;
    int16_t Overlap = 0;
    int16_t LevelCleared = 0;

protected:
    void BindControls() override;
    void UnbindControls() override;

private:
    // Pieces of the handlers.
    void DeathSequence(int16_t b);
    void SplitOrVanish(Image& b, BubbleState& r);
    void PowerupStep();
    void LaunchArrow();
    // The active power-up goes to the front of the recent list, shifting the others along; the
    // shift counts with the screen variable given.
    void RetireActivePowerup(int16_t& counter);
    void ShowScoreCaption();
    bool SlowBubbles() const;
    PictureRef BubbleStore(int16_t size, const std::string& colour) const;
    bool PausedIfNeeded();
    // The score and the level reached go into both record tables.
    void RecordResults();
    // The game's music for the moment, from its beginning.
    void CueMusic(Music piece);

    Forms& forms_;
    Controls c_{};
};

}  // namespace qbx
