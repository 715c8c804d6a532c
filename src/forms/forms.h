// The four screens of the program, so that each can reach the others.
#pragma once

namespace qbx {

class FrmGame;
class FrmMenu;
class FrmInstructions;
class FrmScores;

struct Forms {
    FrmGame* game = nullptr;
    FrmMenu* menu = nullptr;
    FrmInstructions* instructions = nullptr;
    FrmScores* scores = nullptr;
};

}  // namespace qbx
