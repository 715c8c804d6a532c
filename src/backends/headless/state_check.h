// A check of a screen's state, cheap enough to take once a second of play and small enough to
// keep in a replay: a hash of all a dump shows of the screen (its variables, records and every
// control's properties, pictures by name) but its loop counters, and the values of its other
// scalar variables, so that a play that departs from the recording can say which parted first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/input.h"

namespace qbx {

class Screen;

namespace driver {

// Fills check's hash (in seed) and values from the screen as it is now; only reads.
void TakeCheck(Screen& s, InputEvent& check);
uint32_t StateHash(Screen& s);

// Where the screen now departs from a recorded check: the first scalar variable that differs, in
// dump order ("frmGame.Score") with both values as a dump writes them, or "state" with the two
// hashes in hex when only what the variables do not show differs.
struct CheckDifference {
    std::string field;
    std::string replay, now;  // JSON
};
std::optional<CheckDifference> CompareCheck(Screen& s, const InputEvent& recorded);

}  // namespace driver
}  // namespace qbx
