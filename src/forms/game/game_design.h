// Design-time content of the game screen.
#pragma once

#include <vector>

#include "engine/screen.h"

namespace qbx {

const ScreenDesign& GameScreenDesign();
std::vector<ControlDesign> GameControlsDesign();

// The pause command's caption while the game runs, and while it is paused.
constexpr const char* kPauseCaption = "&Pause Game";
constexpr const char* kUnpauseCaption = "Un&pause Game";

// Where each character of a two-player game stands when a level begins: 1500 twips either side
// of the middle of the field.
constexpr float kTwoPlayerStartLeft[2] = {5115, 8115};

// The game screen's controls for a game of one player, or of two.
std::vector<ControlDesign> GameControlsDesign(int players);

// A blocker's or seam's design rectangle (twips).
struct Rect {
    float left, top, width, height;
};
extern const Rect kBlockerRects[48];
extern const Rect kSeamRects[12];

}  // namespace qbx
