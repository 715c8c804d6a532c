// Design-time content of the instructions screen, its help text, and the gaps in that text that
// hold the small pictures.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/screen.h"

namespace qbx {

const ScreenDesign& InstructionsScreenDesign();
std::vector<ControlDesign> InstructionsControlsDesign();

// The text lblhelp shows once the screen is loaded: five paragraphs, an empty line between
// each two.
const std::string& HelpText();

// Height imgArrow is cut to when the screen loads (the picture is not stretched, so only the
// arrow's head and the top of its shaft show).
inline constexpr float kHelpArrowHeight = 600.0f;

// The pictures that sit in the help text's gaps.
enum class HelpPicture : int {
    Character,
    Bubble,
    Arrow,
    PowerupLife,
    PowerupSlow,
    PowerupFast,
    PowerupWall,
};
inline constexpr int kHelpPictureCount = 7;

// The control that shows a help picture ("imgCharacter", ...).
const char* HelpPictureControl(HelpPicture p);

// A run of spaces in the help text left for pictures: the phrase it follows and the pictures it
// holds, left to right.
struct HelpGap {
    std::string_view leadIn;
    std::vector<HelpPicture> pictures;
};
const std::vector<HelpGap>& HelpGaps();

}  // namespace qbx
