// Design-time content of the high-score screen: two tables of 20 rows side by side.
#pragma once

#include <vector>

#include "engine/screen.h"

namespace qbx {

const ScreenDesign& ScoresScreenDesign();
std::vector<ControlDesign> ScoresControlsDesign();

// Rows of each table; the label arrays hold elements 1 to kScoreTableRows.
inline constexpr int kScoreTableRows = 20;

// The two headings' captions set when the screen loads.
inline constexpr const char* kInfoScoresCaption = "Highest\r\nScores\r\nAchieved";
inline constexpr const char* kInfoLevelsCaption = "Highest\r\nLevels\r\nReached";

}  // namespace qbx
