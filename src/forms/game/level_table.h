// The level table: bubbles, obstacles, placement box and time bonus of every level.
#pragma once

#include <cstdint>
#include <vector>

namespace qbx {

struct ShownBubble {
    int16_t size;
    const char* colour;
};

struct LevelRow {
    int16_t timeBonus;
    // The record every bubble element first receives.
    const char* horizontal;
    int16_t size;
    int16_t peakTop;
    const char* colour;
    // Elements 0, 1, ... that are shown, with their size and colour.
    std::vector<ShownBubble> shown;
    std::vector<int> blockers{};  // besides the ceiling, shpBlocker(5)
    std::vector<int> seams{};
    float box;                         // placement box B
    bool raiseBlockers9And10 = false;  // levels 15 and 16 lift blockers 9 and 10 to Top 2340
};

// The row for a level: levels after 20 repeat level 20, levels below 1 read as level 1.
const LevelRow& LevelRowFor(int level);

}  // namespace qbx
