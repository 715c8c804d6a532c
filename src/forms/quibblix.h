// The whole program: its screens on one backend's services.
#pragma once

#include "engine/program.h"
#include "forms/game/frmGame.h"
#include "forms/instructions/frmInstructions.h"
#include "forms/menu/frmMenu.h"
#include "forms/pictures.h"
#include "forms/replays/frmReplays.h"
#include "forms/scores/frmScores.h"

namespace qbx {

class Quibblix {
public:
    explicit Quibblix(Services& services)
        : program(services, &GamePictures()),
          game(program, forms),
          menu(program, forms),
          instructions(program, forms),
          scores(program, forms),
          replays(program, forms) {}

    // The program starts by showing the main menu; nothing else is loaded.
    void Start() {
        CueMusic(forms, program.Svc(), Music::Menu);
        menu.Show();
    }

    // The desktop asks the program to end (a logout, kill, Ctrl+C in the terminal): as Exit,
    // a game in progress, or one whose end is being announced, enters the tables first.
    void Exit() {
        if (game.IsLoaded()) game.mnuExit_Click();
        program.Svc().End();
    }

    Program program;
    Forms forms;
    FrmGame game;
    FrmMenu menu;
    FrmInstructions instructions;
    FrmScores scores;
    FrmReplays replays;  // last: the screens before it keep their order
};

}  // namespace qbx
