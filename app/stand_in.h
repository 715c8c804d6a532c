// A stand-in player for measurements and tests in a real window: it launches arrows from under
// one bubble after another and keeps the character out of the bubbles' reach between shots.
#pragma once

#include <optional>

namespace qbx {

class FrmGame;

// Far outside the field, where no bubble or power-up reaches the character.
constexpr int kAside = -20000;

// Where the character must stand (its Left) for the fire key to launch an arrow that meets a
// bubble within maxTicks bubble ticks, taking the bubbles in turn from nextTarget on: only
// bubbles that split, or the smallest ones too when clearing; nothing while the player's arrow
// is up, in the countdown, the pause or the level-complete panel, or when no bubble can be
// reached so. player is 0 for player 1, 1 for player 2 of a game of two.
std::optional<int> AimUnderABubble(FrmGame& g, int& nextTarget, int maxTicks, bool clearing = false,
                                   int player = 0);

}  // namespace qbx
