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

// A blocker's or seam's design rectangle (twips).
struct Rect {
    float left, top, width, height;
};
extern const Rect kBlockerRects[48];
extern const Rect kSeamRects[12];

}  // namespace qbx
