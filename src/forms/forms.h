// The screens of the program, so that each can reach the others.
#pragma once

#include <cstdint>

#include "engine/sound.h"

namespace qbx {

// The version of the rules: raised with every change that makes a recorded game play otherwise,
// so that a kept replay tells under which rules it was played.
inline constexpr uint32_t kRulesVersion = 1;

class Button;
class Services;
class Screen;
class FrmGame;
class FrmMenu;
class FrmInstructions;
class FrmScores;
class FrmReplays;

struct Forms {
    FrmGame* game = nullptr;
    FrmMenu* menu = nullptr;
    FrmInstructions* instructions = nullptr;
    FrmScores* scores = nullptr;
    FrmReplays* replays = nullptr;
    Music music = Music::None;  // the piece the screens asked for last
};

// The return button of the instructions, high-score and Replays screens: its caption says where the
// screen was opened from. Back there: a game still paused, or the menu with Play in focus.
void ReturnFrom(Forms& forms, Screen& screen, Button& close);
// Asks for a piece of music: from its beginning if it is another, or again, else it goes on.
void CueMusic(Forms& forms, Services& svc, Music piece, bool again = false);
// Ctrl+X on that button ends the program, recording a game in progress first.
void ExitFrom(Forms& forms, Screen& screen, const Button& close, int16_t keyCode, int16_t shift);

}  // namespace qbx
