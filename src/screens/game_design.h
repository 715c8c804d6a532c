// Design-time content of the game screen.
#pragma once

#include <vector>

#include "platform/screen.h"

namespace qbx {

const ScreenDesign& GameScreenDesign();
std::vector<ControlDesign> GameControlsDesign();

// A blocker's or seam's design rectangle (twips).
struct Rect {
    float left, top, width, height;
};
extern const Rect kBlockerRects[48];
extern const Rect kSeamRects[12];

}  // namespace qbx
