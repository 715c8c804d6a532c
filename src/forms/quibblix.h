// The whole program: the four screens on one backend's services.
#pragma once

#include "engine/program.h"
#include "forms/game/frmGame.h"
#include "forms/instructions/frmInstructions.h"
#include "forms/menu/frmMenu.h"
#include "forms/pictures.h"
#include "forms/scores/frmScores.h"

namespace qbx {

class Quibblix {
public:
    explicit Quibblix(Services& services)
        : program(services, &GamePictures()),
          game(program, forms),
          menu(program, forms),
          instructions(program, forms),
          scores(program, forms) {}

    // The program starts by showing the main menu; nothing else is loaded.
    void Start() { menu.Show(); }

    Program program;
    Forms forms;
    FrmGame game;
    FrmMenu menu;
    FrmInstructions instructions;
    FrmScores scores;
};

}  // namespace qbx
