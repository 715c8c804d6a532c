// The main menu at design time: five buttons, the title and two rows of decorative bubbles,
// front to back.
#include "forms/menu/menu_design.h"

#include "engine/design_helpers.h"

namespace qbx {

using namespace design;

const ScreenDesign& MenuScreenDesign() {
    // Key preview: the menu's shortcuts work whichever button has the focus.
    static const ScreenDesign d{" Quibblix",     8655, 5595, {0, 0, 255}, true, false,
                                Pointer::Default};
    return d;
}

std::vector<ControlDesign> MenuControlsDesign() {
    const FontSetting comic{"Comic Sans MS", 15.75f, true};
    std::vector<ControlDesign> t;
    t.push_back(Btn("cmdExit", 3360, 4680, 1935, 615, "Exit", comic, {255, 0, 255}, 3));
    t.push_back(
        Btn("cmdInstructions", 5760, 3480, 2535, 855, "Instructions", comic, {255, 0, 0}, 0));
    t.push_back(Btn("cmdScores", 360, 3480, 2535, 855, "High Scores", comic, {255, 255, 0}, 2));
    t.push_back(Btn("cmdPlay", 3000, 2520, 2655, 615, "Play the Game", comic, {0, 255, 0}, 1));
    // Under Play, in the middle column; last in the Tab order, so the others keep theirs.
    t.push_back(Btn("cmdTwoPlayers", 3240, 3600, 2175, 615, "2 Players", comic, {255, 160, 0}, 4));
    t.push_back(Lbl("lblTitle", -1, 975, 240, 6495, 855, true, "Quibblix",
                    {"Paper Clip", 36.0f, true}, {255, 255, 255}, false, {}, Align::Center));
    t.push_back(Img("ballreds1", -1, 2760, 2160, 150, 150, true, "ballreds1"));
    t.push_back(Img("ballreds2", -1, 2280, 1800, 285, 285, true, "ballreds2"));
    t.push_back(Img("ballreds3", -1, 1560, 1200, 585, 585, true, "ballreds3"));
    t.push_back(Img("ballreds4", -1, 360, 120, 1170, 1170, true, "ballreds4"));
    t.push_back(Img("ballgreens4", -1, 6960, 120, 1170, 1170, true, "ballgreens4"));
    t.push_back(Img("ballgreens3", -1, 6360, 1200, 585, 585, true, "ballgreens3"));
    t.push_back(Img("ballgreens2", -1, 6000, 1800, 285, 285, true, "ballgreens2"));
    t.push_back(Img("ballgreens1", -1, 5760, 2160, 150, 150, true, "ballgreens1"));
    return t;
}

}  // namespace qbx
