// The game screen at design time: window, menu bar, timers and every control, front to back.
#include "forms/game/game_design.h"

#include <string_view>

#include "engine/design_helpers.h"

namespace qbx {

using namespace design;

const Rect kBlockerRects[48] = {
    {5880, 0, 1815, 4335},   {1440, 0, 495, 2820},     {11640, 0, 495, 2820},
    {2880, 1680, 2895, 495}, {2880, 3600, 2895, 495},  {0, -15, 13695, 15},
    {7800, 3600, 2895, 495}, {7800, 1680, 2895, 495},  {6240, 3000, 1095, 255},
    {960, 2760, 975, 255},   {11640, 2760, 975, 255},  {5760, 4320, 855, 135},
    {6960, 4320, 855, 135},  {5760, 4320, 135, 495},   {7680, 4320, 135, 495},
    {3720, 4320, 135, 495},  {1800, 4320, 135, 495},   {3000, 4320, 855, 135},
    {1800, 4320, 855, 135},  {11640, 4320, 135, 495},  {9720, 4320, 135, 495},
    {10920, 4320, 855, 135}, {9720, 4320, 855, 135},   {960, 1680, 255, 1095},
    {1200, 3840, 735, 135},  {12360, 1680, 255, 1095}, {1800, 3840, 135, 495},
    {11640, 3840, 735, 135}, {8640, 1680, 1095, 255},  {11640, 3840, 135, 495},
    {3840, 1680, 1095, 255}, {3720, 3840, 855, 135},   {5040, 3840, 855, 135},
    {3720, 3840, 135, 495},  {5760, 3840, 135, 495},   {7680, 3840, 855, 135},
    {9000, 3840, 855, 135},  {7680, 3840, 135, 495},   {9720, 3840, 135, 495},
    {0, 1680, 975, 255},     {12600, 1680, 975, 255},  {2520, 2940, 975, 255},
    {10080, 2940, 975, 255}, {4080, 3540, 975, 255},   {8520, 3540, 975, 255},
    {2520, 2160, 975, 255},  {10080, 2160, 975, 255},  {6540, 0, 495, 4335},
};

const Rect kSeamRects[12] = {
    {900, 1695, 135, 225},   {12540, 1695, 135, 225}, {1815, 3900, 105, 135},
    {11655, 3900, 105, 135}, {1815, 4245, 105, 135},  {11655, 4245, 105, 135},
    {1815, 4365, 105, 135},  {3735, 4365, 105, 135},  {5775, 4365, 105, 135},
    {7695, 4365, 105, 135},  {9735, 4365, 105, 135},  {11655, 4365, 105, 135},
};

const ScreenDesign& GameScreenDesign() {
    static const ScreenDesign d{" Quibblix", 13575, 7515,           {0, 192, 192},
                                false,       true,  Pointer::Custom};
    return d;
}

std::vector<ControlDesign> GameControlsDesign() {
    constexpr Rgb kBlack{0, 0, 0}, kYellow{255, 255, 0}, kBlue{0, 0, 192}, kMaroon{128, 0, 0},
        kOrange{255, 128, 0}, kRed{255, 0, 0}, kPanel{146, 230, 230};
    const FontSetting v975b{"Verdana", 9.75f, true}, v12b{"Verdana", 12.0f, true},
        v18b{"Verdana", 18.0f, true}, v2025b{"Verdana", 20.25f, true},
        v2175b{"Verdana", 21.75f, true}, v2775b{"Verdana", 27.75f, true},
        v72b{"Verdana", 72.0f, true};

    std::vector<ControlDesign> t;
    // Menu bar and timers (not drawn).
    t.push_back(Mnu("mnuFile", "File", ""));
    t.push_back(Mnu("mnuNew", "&New Game", "mnuFile", 'N'));
    t.push_back(Mnu("mnuNewTwoPlayer", "New &2-Player Game", "mnuFile"));
    t.push_back(Mnu("mnuPause", kPauseCaption, "mnuFile", 'P'));
    t.push_back(CheckMnu("mnuSound", "&Sound", "mnuFile", 'M'));
    t.push_back(CheckMnu("mnuMusic", "&Music", "mnuFile", 'U'));
    t.push_back(Mnu("mnuLine1", "-", "mnuFile"));
    t.push_back(Mnu("mnuExit", "E&xit", "mnuFile", 'X'));
    t.push_back(Mnu("mnuHelp", "Help", ""));
    t.push_back(Mnu("mnuInstructions", "View &Instructions", "mnuHelp", 'I'));
    t.push_back(Mnu("mnuLine2", "-", "mnuHelp"));
    t.push_back(Mnu("mnuAbout", "&About Quibblix...", "mnuHelp", 'A'));
    t.push_back(Mnu("mnuScores", "Scores", ""));
    t.push_back(Mnu("mnuHighScores", "View &High Scores && Levels", "mnuScores", 'H'));
    t.push_back(Mnu("mnuReplays", "&Replays...", "mnuScores", 'R'));
    t.push_back(Tmr("tmrBonus", 1000));
    t.push_back(Tmr("tmrLevelStart", 800));
    t.push_back(Tmr("tmrLeft", 16));
    t.push_back(Tmr("tmrRight", 16));
    t.push_back(Tmr("tmrBubbleSize", 10));
    t.push_back(Tmr("tmrBubbles", 10));
    t.push_back(Tmr("tmrArrowGrow", 10));

    // Controls, front to back.
    t.push_back(
        Btn("cmdContinue", 5760, 2700, 2055, 600, "Continue", v18b, {192, 0, 192}, 0, false));
    t.push_back(Lbl("lblTimeBonusRemaining", -1, 12480, 5640, 750, 345, true, "", v12b, kBlack,
                    true, kYellow, Align::Center, true));
    for (int i = 0; i <= 7; ++i)
        t.push_back(Img("BubblePic", i, 9000.0f + 300.0f * i, 5190, 150, 150, true, "ballreds1"));
    for (int i = 0; i <= 4; ++i)
        t.push_back(Img("pwrup", i, 7500.0f + 300.0f * i, 5190, 255, 210, false, "lifex"));
    t.push_back(Lbl("lblTimeBonus", -1, 9345, 5670, 3135, 285, true, "Time Bonus Remaining:", v12b,
                    kBlack));
    t.push_back(Img("pwrupslow", -1, 2055, 5685, 255, 210, true, "pwrupslow"));
    t.push_back(Img("pwrupfast", -1, 4575, 5685, 255, 210, true, "pwrupfast"));
    t.push_back(Img("pwrupwall", -1, 6645, 5685, 255, 210, true, "pwrupwall"));
    t.push_back(Img("pwruplife", -1, 360, 5685, 255, 210, true, "pwruplife"));
    t.push_back(Lbl("lblPowerupInfo1", -1, 675, 5670, 13575, 300, true,
                    "Extra Life           Slow-Mo Bubbles           Faster Arrow           "
                    "Wall Arrow",
                    v975b, kBlue));
    t.push_back(Lbl("lblTime", -1, 7830, 1500, 1320, 495, false, "0", v2175b, kBlue));
    t.push_back(Lbl("lblDouble", -1, 4800, 900, 4005, 495, false, "Perfect Level:  x2", v2025b,
                    {0, 64, 0}));
    t.push_back(Lbl("lblBonus", -1, 4800, 1500, 2880, 495, false, "Time Bonus: ", v2025b, kBlack));
    t.push_back(
        Lbl("lblComplete", -1, 4800, 300, 3960, 495, false, "LEVEL COMPLETE", v2025b, kMaroon));
    for (int i = 0; i <= 11; ++i) {
        const Rect& r = kSeamRects[i];
        t.push_back(Shp("shpSeam", i, r.left, r.top, r.width, r.height, false, ShapeKind::Rectangle,
                        kOrange, 1, true, kOrange));
    }
    for (int i = 0; i <= 47; ++i) {
        const Rect& r = kBlockerRects[i];
        t.push_back(Shp("shpBlocker", i, r.left, r.top, r.width, r.height, false,
                        ShapeKind::Rectangle, kRed, 1, true, kOrange));
    }
    t.push_back(Lbl("lblLives", -1, 315, 6270, 1455, 495, true, "Lives:", v2025b, kBlack));
    t.push_back(Shp("shpDeathCircle", -1, 4500, 4290, 1095, 975, false, ShapeKind::Circle, kBlack,
                    10, false, {}));
    t.push_back(Img("arrowfast", -1, 0, 0, 120, 5250, false, "arrowfast"));
    t.push_back(Img("arrowwall", -1, 720, 0, 105, 5400, false, "arrowwall"));
    t.push_back(Img("regarrow", -1, 240, 0, 120, 5250, false, "regarrow"));
    for (int i = 0; i <= 9; ++i)
        t.push_back(Img("hpwrup", i, 11520.0f + 360.0f * static_cast<float>(i % 5),
                        i < 5 ? 6630.0f : 6990.0f, 255, 210, true, "lifex"));
    t.push_back(Img("apwrup", -1, 9540, 6870, 255, 210, true, "lifex"));
    t.push_back(Lbl("lblRecentPowerups", -1, 11160, 6285, 2070, 255, true,
                    "Recent Power-Ups:", v975b, kBlack, true, kPanel));
    t.push_back(Lbl("lblActivePowerup", -1, 8730, 6285, 1890, 255, true, "Active Power-Up:", v975b,
                    kBlack, true, kPanel));
    t.push_back(Lbl("lblLevel", -1, 6030, 6240, 2100, 990, true, "Level:", v2025b, kBlack, true,
                    kRed, Align::Center, true));
    t.push_back(Img("imgCharacter", -1, 6615, 4875, 345, 540, true, "imgCharBack"));
    t.push_back(Img("lifex", -1, 11400, 5190, 255, 210, false, "lifex"));
    t.push_back(Img("ballgreens1", -1, 960, 3240, 150, 150, false, "ballgreens1"));
    t.push_back(Img("ballgreens2", -1, 840, 2880, 285, 285, false, "ballgreens2"));
    t.push_back(Img("ballgreens3", -1, 720, 2160, 585, 585, false, "ballgreens3"));
    t.push_back(Img("ballgreens4", -1, 480, 960, 1170, 1170, false, "ballgreens4"));
    t.push_back(Lbl("lblScore", -1, 3390, 6240, 2100, 990, true, "Score:", v2025b, kBlack, true,
                    kYellow, Align::Center, true));
    for (int i = 0; i <= 9; ++i)
        t.push_back(Img("life", i, 360.0f + 240.0f * i, 6990, 255, 210, true,
                        i < 5 ? "pwruplife" : "lifex"));
    t.push_back(Img("ballreds4", -1, 1440, 1200, 1170, 1170, false, "ballreds4"));
    t.push_back(Img("ballreds3", -1, 1680, 2400, 585, 585, false, "ballreds3"));
    t.push_back(Img("ballreds2", -1, 1800, 3120, 285, 285, false, "ballreds2"));
    t.push_back(Img("ballreds1", -1, 1920, 3480, 150, 150, false, "ballreds1"));
    t.push_back(Img("arrow", -1, 480, 0, 120, 5250, false, "regarrow"));
    t.push_back(Img("imgCharBack", -1, 12210, 120, 345, 540, false, "imgCharBack"));
    t.push_back(Img("imgCharRight", -1, 13110, 120, 345, 540, false, "imgCharRight"));
    t.push_back(Img("imgCharLeft", -1, 12660, 120, 345, 540, false, "imgCharLeft"));
    t.push_back(Img("imgBricks", -1, 0, 5400, 13965, 2175, true, "imgBricks"));
    {
        ControlDesign bottom = Shp("shpBottom", -1, 0, 5400, 13575, 2115, false,
                                   ShapeKind::Rectangle, kBlack, 1, false, {});
        bottom.backOpaque = true;
        bottom.back = {128, 128, 128};
        t.push_back(bottom);
    }
    t.push_back(Lbl("lblCount", -1, 6240, 1500, 1095, 1500, false, "3", v72b, kBlack, false, {},
                    Align::Center));
    t.push_back(Lbl("lblGamePaused", -1, 0, 1050, 13575, 675, false,
                    "Game Paused -- Press ESC to Resume", v2775b, kMaroon, false, {},
                    Align::Center));
    return t;
}

namespace {

size_t RowOf(const std::vector<ControlDesign>& t, std::string_view name, int index = -1) {
    for (size_t i = 0; i < t.size(); ++i)
        if (name == t[i].name && t[i].index == index) return i;
    return t.size();
}

ControlDesign& Row(std::vector<ControlDesign>& t, std::string_view name, int index = -1) {
    return t[RowOf(t, name, index)];
}

void Move(std::vector<ControlDesign>& t, std::string_view name, float left, float top,
          int index = -1) {
    ControlDesign& d = Row(t, name, index);
    d.left = left;
    d.top = top;
}

// Inserts row d just behind the row named (after it in the front-to-back list).
void Behind(std::vector<ControlDesign>& t, std::string_view name, int index, ControlDesign d) {
    t.insert(t.begin() + static_cast<long>(RowOf(t, name, index)) + 1, d);
}

// A copy of a row under another name, elsewhere.
ControlDesign CopyOf(const std::vector<ControlDesign>& t, std::string_view name, const char* as,
                     float left, float top, int index = -1) {
    ControlDesign d = t[RowOf(t, name, index)];
    d.name = as;
    d.left = left;
    d.top = top;
    return d;
}

}  // namespace

// Two players: player 2's character, arrow, power-up, score and lives beside player 1's; the
// status strip holds player 1 on the left, player 2 on the right and the level and time bonus
// between them, with the recent power-ups moved up beside the legend.
std::vector<ControlDesign> GameControlsDesign(int players) {
    std::vector<ControlDesign> t = GameControlsDesign();
    if (players != 2) return t;

    // Player 2's timers come after all of player 1's.
    Behind(t, "tmrArrowGrow", -1, Tmr("tmrArrowGrow2", 10));
    Behind(t, "tmrArrowGrow", -1, Tmr("tmrRight2", 16));
    Behind(t, "tmrArrowGrow", -1, Tmr("tmrLeft2", 16));

    // The field.
    Behind(t, "imgCharacter", -1,
           CopyOf(t, "imgCharacter", "imgCharacter2", kTwoPlayerStartLeft[1], 4875));
    Row(t, "imgCharacter2").picture = "imgCharBack2";
    Row(t, "imgCharacter").left = kTwoPlayerStartLeft[0];
    Behind(t, "arrow", -1, CopyOf(t, "arrow", "arrow2", 600, 0));
    Behind(t, "imgCharLeft", -1,
           Img("imgCharBack2", -1, 12210, 720, 345, 540, false, "imgCharBack2"));
    Behind(t, "imgCharBack2", -1,
           Img("imgCharRight2", -1, 13110, 720, 345, 540, false, "imgCharRight2"));
    Behind(t, "imgCharRight2", -1,
           Img("imgCharLeft2", -1, 12660, 720, 345, 540, false, "imgCharLeft2"));

    // Player 1 on the left: lives in two rows of five, the score, the active power-up.
    Move(t, "lblLives", 180, 6240);
    for (int i = 0; i <= 9; ++i)
        Move(t, "life", 300.0f + 240.0f * static_cast<float>(i % 5), i < 5 ? 6750.0f : 7005.0f, i);
    Move(t, "lblScore", 1680, 6240);
    Row(t, "lblScore").width = 1800;
    Move(t, "lblActivePowerup", 3570, 6285);
    Row(t, "lblActivePowerup").width = 1110;
    Row(t, "lblActivePowerup").caption = "Power-Up:";
    Move(t, "apwrup", 3997, 6870);

    // Between them: the level and the time bonus.
    Move(t, "lblLevel", 4890, 6240);
    Row(t, "lblLevel").width = 1800;
    Move(t, "lblTimeBonus", 6810, 6285);
    Row(t, "lblTimeBonus").width = 1875;
    Row(t, "lblTimeBonus").caption = "Time Bonus:";
    Row(t, "lblTimeBonus").font.points = 9.75f;
    Move(t, "lblTimeBonusRemaining", 7372, 6780);

    // Player 2 on the right, mirrored.
    Behind(t, "lblActivePowerup", -1,
           CopyOf(t, "lblActivePowerup", "lblActivePowerup2", 8895, 6285));
    Behind(t, "apwrup", -1, CopyOf(t, "apwrup", "apwrup2", 9322, 6870));
    Behind(t, "lblScore", -1, CopyOf(t, "lblScore", "lblScore2", 10095, 6240));
    Behind(t, "lblLives", -1, CopyOf(t, "lblLives", "lblLives2", 11940, 6240));
    for (int i = 9; i >= 0; --i)
        Behind(t, "life", 9,
               CopyOf(t, "life", "life2", 12060.0f + 240.0f * static_cast<float>(i % 5),
                      i < 5 ? 6750.0f : 7005.0f, i));

    // The recent power-ups, one list for both, beside the legend.
    Move(t, "lblRecentPowerups", 8490, 5655);
    for (int i = 0; i <= 9; ++i)
        Move(t, "hpwrup", 10650.0f + 285.0f * static_cast<float>(i), 5685, i);
    return t;
}

}  // namespace qbx
