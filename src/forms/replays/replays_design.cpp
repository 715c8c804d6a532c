// The Replays screen at design time, front to back.
#include "forms/replays/replays_design.h"

#include "engine/design_helpers.h"

namespace qbx {

using namespace design;

const ScreenDesign& ReplaysScreenDesign() {
    // No key preview: the focused button passes the list's keys on to the screen.
    static const ScreenDesign d{" Quibblix -- Replays", 9135, 8535, {255, 128, 0}, false, false,
                                Pointer::Default};
    return d;
}

std::vector<ControlDesign> ReplaysControlsDesign() {
    constexpr Rgb kBlack{0, 0, 0};
    const FontSetting v825{"Verdana", 8.25f, false}, v975b{"Verdana", 9.75f, true},
        v18b{"Verdana", 18.0f, true}, v2175b{"Verdana", 21.75f, true}, a975b{"Arial", 9.75f, true};

    // The columns: left edge, width and alignment; numbers are right-aligned.
    struct Column {
        const char *rows, *heading, *caption;
        float left, width;
        Align align;
    };
    static const Column columns[] = {
        {"lblWhen", "lblWhenTitle", "Date", 120, 2145, Align::Left},
        {"lblPlayer", "lblPlayerTitle", "Player", 2370, 3045, Align::Left},
        {"lblScore", "lblScoreTitle", "Score", 5520, 1335, Align::Right},
        {"lblLevel", "lblLevelTitle", "Level", 6960, 735, Align::Right},
        {"lblLength", "lblLengthTitle", "Length", 7800, 1215, Align::Right},
    };
    constexpr float kFirstRowTop = 1020, kRowStep = 420, kRowHeight = 300;

    std::vector<ControlDesign> t;
    t.push_back(Btn("cmdWatch", 855, 7680, 3495, 600, "Watch", v18b, {0, 192, 0}, 0));
    t.push_back(Btn("cmdClose", 4770, 7680, 3495, 600, "Return to Menu", v18b, {0, 192, 0}, 1));
    t.back().returnButton = true;
    // Beside the title, out of the focus order: the keys and the pad move between Watch and
    // Return as they always have.
    t.push_back(Btn("cmdExport", 6915, 180, 2100, 450, kExportCaption, v975b, {0, 192, 0}, 2));
    t.back().takesFocus = false;
    // Over the hint line, in front of it, while it tells of replays that no longer play.
    t.push_back(Lbl("lblRulesReport", -1, 120, 7215, 8895, 450, false, "", v825, kBlack, true,
                    kNoticeBack, Align::Left, true));
    t.push_back(Lbl("lblExportHint", -1, 120, 7260, 5400, 255, true, "", v825, kBlack, false, {},
                    Align::Left));
    t.push_back(Lbl("lblNone", -1, 120, kFirstRowTop, 8895, kRowHeight, false, kNoReplaysCaption,
                    a975b, kBlack, true, kRowBack, Align::Center, true));
    t.push_back(Lbl("lblPosition", -1, 120, 7260, 8895, 255, true, "", v825, kBlack, false, {},
                    Align::Right));
    t.push_back(Lbl("lblTitle", -1, 120, 120, 8895, 600, true, "Replays", v2175b, kBlack, false, {},
                    Align::Center));
    for (const Column& c : columns)
        t.push_back(Lbl(c.heading, -1, c.left, 750, c.width, 255, true, c.caption, v975b, kBlack,
                        false, {}, c.align));
    for (const Column& c : columns)
        for (int i = 1; i <= kReplayRows; ++i)
            t.push_back(Lbl(c.rows, i, c.left, kFirstRowTop + kRowStep * static_cast<float>(i - 1),
                            c.width, kRowHeight, true, "", a975b, kRowText, true, kRowBack, c.align,
                            true));
    return t;
}

}  // namespace qbx
