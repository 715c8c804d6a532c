// The whole program: the four screens on one backend's services.
#pragma once

#include "frontend/frmInstructions.h"
#include "frontend/frmMenu.h"
#include "game/frmGame.h"
#include "platform/program.h"
#include "records/frmScores.h"

namespace qbx {

class Quibblix {
public:
    explicit Quibblix(Services& services)
        : program(services),
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
