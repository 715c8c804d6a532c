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

// One player: the lives, score and level of their game, their controls on the game screen and
// the keys that move them. Player 1's controls are the screen's own; player 2's exist only in a
// two-player game.
struct Player {
    int16_t Lives = 0;
    int32_t Score = 0;
    int16_t LifeLost = 0;
    // The level this player reached: the game's level while they are in, the level they went
    // out on once they sit out.
    int16_t Level = 0;

    // Bound while the screen is loaded; null for a player not in the game.
    Image *imgCharacter = nullptr, *arrow = nullptr, *apwrup = nullptr;
    // The character's pictures: from behind, walking right, walking left.
    Image *imgCharBack = nullptr, *imgCharRight = nullptr, *imgCharLeft = nullptr;
    Label* lblScore = nullptr;
    Timer *tmrLeft = nullptr, *tmrRight = nullptr, *tmrArrowGrow = nullptr;
    Array<Image> life;

    // The keys that walk this player left and right, fire, and give up the power-up; 0 for none.
    struct Keys {
        int16_t left[2], right[2], fire[3], cancel[2];
    } keys{};

    // The controls and keys go; the game's numbers stay.
    void ForgetControls() {
        Player kept = *this;
        *this = Player{};
        Lives = kept.Lives;
        Score = kept.Score;
        LifeLost = kept.LifeLost;
        Level = kept.Level;
    }
};

constexpr int kMaxPlayers = 2;

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
    // A player's walking and arrow timers: player 1's are tmrLeft_Timer, tmrRight_Timer and
    // tmrArrowGrow_Timer.
    void WalkLeft(Player& p);
    void WalkRight(Player& p);
    void GrowArrow(Player& p);
    void LevelComplete();
    void cmdContinue_Click();
    void PauseGame();
    // Pauses a level in play or counting down, as Esc would, when the window loses the keyboard.
    void WindowDeactivated() override;
    // A split of bubble `index` by the shooter's arrow may drop a power-up.
    void DropPowerup(int16_t& index);
    void DropPowerup(int16_t& index, const Player& shooter);
    void GameOver();

    // How many play this game: 1, or 2 on one machine. Set while the screen is unloaded, since
    // the two games have layouts of their own.
    void SetPlayers(int16_t players);
    // Whether a player has a character on the field: player 1 of a one-player game always, a
    // player of a two-player game while a life is left.
    bool InGame(const Player& p) const { return p.imgCharacter && (Players < 2 || p.Lives > 0); }
    // The level a player has reached: the game's, or the one a player sitting out went out on.
    int16_t LevelReached(int player) const {
        const Player& p = players[player];
        return Players == 2 && p.Lives <= 0 ? p.Level : Level;
    }

    void mnuNew_Click();
    void mnuNewTwoPlayer_Click();
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
    std::vector<VarRef> OnePlayerVars();
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
        MenuItem *mnuNew, *mnuNewTwoPlayer, *mnuPause, *mnuSound, *mnuMusic, *mnuExit,
            *mnuInstructions, *mnuAbout, *mnuHighScores, *mnuReplays;
    };
    Controls& C() {
        EnsureLoaded();
        return c_;
    }

    // ---- the players; player 1's lives, score and lost life are the public variables ----
    Player players[kMaxPlayers];
    int16_t Players = 1;
    // Player 2's name, asked when a two-player game starts.
    std::string Player2Name;

    // ---- public variables ----
    int16_t ExtraLives = 0;
    int16_t& Lives = players[0].Lives;
    int16_t Level = 0;
    int32_t& Score = players[0].Score;
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
    int16_t& LifeLost = players[0].LifeLost;
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
    void DeathSequence(int16_t b, Player& p);
    void SplitOrVanish(Image& b, BubbleState& r, Player& shooter);
    void PowerupStep();
    void LaunchArrow(Player& p);
    // A player's active power-up goes to the front of the recent list, which both share,
    // shifting the others along; the shift counts with the screen variable given.
    void RetireActivePowerup(int16_t& counter, const Player& p);
    void ShowScoreCaption();
    // The player whose key this is (with what it does), or none.
    enum class Action { Left, Right, Fire, Cancel };
    Player* KeyOwner(int16_t keyCode, Action& action);
    // The players of this game, player 1 first.
    int PlayerCount() const { return Players == 2 ? 2 : 1; }
    bool AnyLivesLeft() const;
    void BindPlayers();
    bool SlowBubbles() const;
    PictureRef BubbleStore(int16_t size, const std::string& colour) const;
    bool PausedIfNeeded();
    // The score and the level reached go into both record tables, each player's under their
    // own name.
    void RecordResults();
    // The game's music for the moment, from its beginning.
    void CueMusic(Music piece);
    bool RecordsDue() const;
    std::string PlayerName(int player);
    std::string TwoPlayerResults();

    Forms& forms_;
    Controls c_{};
};

}  // namespace qbx
