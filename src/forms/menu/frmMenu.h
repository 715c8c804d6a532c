// The main menu with its about box: the screen the program starts on.
#pragma once

#include "engine/screen.h"
#include "forms/forms.h"

namespace qbx {

class FrmMenu : public Screen {
public:
    FrmMenu(Program& program, Forms& forms);

    void cmdPlay_Click();
    // A game for two on one machine, once player 2's name is given.
    void cmdTwoPlayers_Click();
    void cmdScores_Click();
    // Ctrl+R: the kept replays.
    void ShowReplays();
    void cmdInstructions_Click();
    void cmdExit_Click();
    void ShowAbout();
    void Form_KeyDown(int16_t keyCode, int16_t shift) override;
    void Form_Unload(int16_t& cancel) override;

    // The controls; touching them through C() loads the screen first.
    struct Controls {
        Button *cmdExit, *cmdInstructions, *cmdScores, *cmdPlay, *cmdTwoPlayers;
    };
    Controls& C() {
        EnsureLoaded();
        return c_;
    }

    std::map<std::string, std::function<void()>> Routines() override;

protected:
    void BindControls() override;
    void UnbindControls() override;

private:
    // Player 2's name from the name box, remembered for next time; false when it was cancelled.
    bool AskPlayer2Name(std::string& name);
    void StartGame(int16_t players);

    Forms& forms_;
    Controls c_{};
};

}  // namespace qbx
