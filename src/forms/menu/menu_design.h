// Design-time content of the main menu, and the texts the menu and the return buttons share
// with the other screens.
#pragma once

#include <vector>

#include "engine/screen.h"

namespace qbx {

const ScreenDesign& MenuScreenDesign();
std::vector<ControlDesign> MenuControlsDesign();

// The about box, shown by the menu's Ctrl+A and by the game's About command.
inline constexpr const char* kAboutTitle = "About Quibblix";
inline constexpr const char* kAboutText =
    "Started by the Quibblix team in spring 2026\r\n"
    "Finished by the Quibblix team in spring 2027";

// The two captions of the instructions and high-score screens' return buttons: the caption is
// how those screens remember where they were opened from.
inline constexpr const char* kReturnToMenu = "Return to Menu";
inline constexpr const char* kReturnToGame = "Return to Game";

}  // namespace qbx
