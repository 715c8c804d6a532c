// The high-score screen at design time, front to back.
#include "forms/scores/scores_design.h"

#include <string>

#include "engine/design_helpers.h"

namespace qbx {

using namespace design;

const ScreenDesign& ScoresScreenDesign() {
    // No key preview: the return button, the only control that takes the focus, gets the keys.
    static const ScreenDesign d{" Quibblix -- High Scores & Levels",
                                9135,
                                10455,
                                {255, 128, 0},
                                false,
                                false,
                                Pointer::Default};
    return d;
}

// The rank captions "1." to "20."; design rows hold plain pointers, so the texts live here.
static const char* RankCaption(int i) {
    static const std::vector<std::string> ranks = [] {
        std::vector<std::string> r;
        for (int k = 0; k <= kScoreTableRows; ++k) r.push_back(std::to_string(k) + ".");
        return r;
    }();
    return ranks[static_cast<size_t>(i)].c_str();
}

std::vector<ControlDesign> ScoresControlsDesign() {
    constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};
    const FontSetting v825{"Verdana", 8.25f, false}, v975b{"Verdana", 9.75f, true},
        v2175b{"Verdana", 21.75f, true}, a975b{"Arial", 9.75f, true};

    std::vector<ControlDesign> t;
    t.push_back(Btn("cmdClose", 2820, 9600, 3495, 600, "Return to Menu", {"Verdana", 18.0f, true},
                    {0, 192, 0}, 0));
    t.back().returnButton = true;
    t.push_back(Lbl("lblInfoLevels", -1, 7650, 9360, 975, 600, true, "Highest Levels Reached", v825,
                    kBlack, false, {}, Align::Center));
    t.push_back(Lbl("lblInfoScores", -1, 540, 9360, 975, 600, true, "Highest Scores Achieved", v825,
                    kBlack, false, {}, Align::Center));
    t.push_back(Shp("shpDivider", -1, 4800, 210, 150, 9045, true, ShapeKind::Rectangle, kBlack, 1,
                    true, kBlack));
    t.push_back(Lbl("lblHighScoreTitle", -1, 120, 120, 4560, 600, true, "High Scores", v2175b,
                    kBlack, false, {}, Align::Center));
    t.push_back(Lbl("lblHighLevelTitle", -1, 5070, 120, 3945, 600, true, "High Levels", v2175b,
                    kBlack, false, {}, Align::Center));

    auto rows = [&](const char* name, float left, float top, float width, bool rank, Align align) {
        for (int i = 1; i <= kScoreTableRows; ++i) {
            const float y = top + 420.0f * static_cast<float>(i - 1);
            if (rank)
                t.push_back(Lbl(name, i, left, y, width, 300, true, RankCaption(i), v975b, kBlack,
                                false, {}, align));
            else
                t.push_back(Lbl(name, i, left, y, width, 300, true, "", a975b, kBlack, true, kWhite,
                                align, true));
        }
    };
    rows("lblScoreNum", 60, 990, 375, true, Align::Right);
    rows("lblScoreName", 540, 960, 3015, false, Align::Left);
    rows("lblHighScore", 3660, 960, 915, false, Align::Right);
    rows("lblLevelNum", 5010, 990, 375, true, Align::Right);
    rows("lblLevelName", 5490, 960, 3015, false, Align::Left);
    rows("lblHighLevel", 8610, 960, 285, false, Align::Right);
    return t;
}

}  // namespace qbx
