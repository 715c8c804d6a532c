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

// The box asking for player 2's name when a two-player game starts, its refusals, and the
// setting that keeps the name given last.
inline constexpr const char* kPlayer2Title = "2 Players";
inline constexpr const char* kPlayer2Prompt = "Player 2, type your name:";
inline constexpr const char* kPlayer2NameMissing = "Please type a name for player 2.";
inline constexpr const char* kPlayer2NameTaken = "That is player 1's name: ";
inline constexpr const char* kPlayer2NameSetting = "players/second";

// The two captions of the instructions and high-score screens' return buttons: the caption is
// how those screens remember where they were opened from.
inline constexpr const char* kReturnToMenu = "Return to Menu";
inline constexpr const char* kReturnToGame = "Return to Game";

}  // namespace qbx
