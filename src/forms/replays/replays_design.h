// Design-time content of the Replays screen: a list of the kept replays, a page at a time.
#pragma once

#include <vector>

#include "engine/screen.h"

namespace qbx {

const ScreenDesign& ReplaysScreenDesign();
std::vector<ControlDesign> ReplaysControlsDesign();

// Rows shown at once; the five row label arrays hold elements 1 to kReplayRows.
inline constexpr int kReplayRows = 15;

// Shown in place of the first row when no replay is kept.
inline constexpr const char* kNoReplaysCaption = "No replays yet: every game played is kept here.";

inline constexpr const char* kExportCaption = "Export Video\u2026";

// Behind the words on kept replays that no longer play as recorded.
inline constexpr Rgb kNoticeBack{255, 255, 204};

// The colours of a row, and of the selected one.
inline constexpr Rgb kRowBack{255, 255, 255}, kRowText{0, 0, 0};
inline constexpr Rgb kSelectedBack{0, 0, 128}, kSelectedText{255, 255, 255};

}  // namespace qbx
