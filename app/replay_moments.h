// The moments of a replay worth jumping to, found by playing it headless once: every level
// start, life lost, power-up collected and the game's end, and the shots fired.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backends/qt/timeline.h"
#include "replay/replay_file.h"

namespace qbx {

struct ReplayMoments {
    std::vector<Moment> moments;  // in the order they came
    std::vector<int64_t> shots;
    // The input that ended the recorded game (its game screen unloaded), if one did.
    size_t endIndex = SIZE_MAX;
};

// Plays the replay headless with the record files of recordsDir as they are now, in a scratch
// copy, noting the recording's time of the input that brought each moment.
ReplayMoments FindMoments(const replay::Replay& replay, const std::string& recordsDir);

// Copies the record files of recordsDir into dir, for a game played again there.
void CopyRecords(const std::string& recordsDir, const std::string& dir);

}  // namespace qbx
