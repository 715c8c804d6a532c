// Every caption fits its label or button with the fonts the program really resolves: no word
// runs past a box's edge and no wrapped line falls below its bottom.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QString>

#include "backends/qt/fonts.h"
#include "forms/game/game_design.h"
#include "forms/instructions/instructions_design.h"
#include "forms/menu/menu_design.h"
#include "forms/scores/scores_design.h"

namespace qbx {
namespace {

// Checks one caption in one box.
void ExpectFits(const std::string& where, const ControlDesign& d, const std::string& caption) {
    SCOPED_TRACE(where + " \"" + caption + "\"");
    const QFontMetricsF m(fonts::Resolve(d.font.family, d.font.points, d.font.bold));
    const double height = d.height / 15.0;
    const QString text = QString::fromStdString(caption).replace("\r\n", "\n");
    const double room = d.width / 15.0 - (d.kind == Kind::Button ? 6 : 0);  // a button's frame
    const QRectF wrapped = m.boundingRect(QRectF(0, 0, room, 100000), Qt::TextWordWrap, text);
    EXPECT_LE(wrapped.width(), room + 0.5) << "a word runs past the edge";
    if (d.kind == Kind::Button || height < 2 * m.lineSpacing()) {
        // A one-line box: the caption must not wrap, and its letters must fit the height.
        EXPECT_EQ(std::lround(wrapped.height() / m.lineSpacing()), text.count('\n') + 1)
            << "the caption wraps";
        EXPECT_LE(m.tightBoundingRect(text).height(), height + 0.5);
    } else {
        EXPECT_LE(wrapped.height(), height + 1.0) << "wrapped lines fall below the box";
    }
}

void CheckTable(const std::string& screen, const std::vector<ControlDesign>& table,
                const std::map<std::string, std::vector<std::string>>& runtime = {}) {
    for (const ControlDesign& d : table) {
        if (d.kind != Kind::Label && d.kind != Kind::Button) continue;
        std::string name =
            d.index < 0 ? d.name : std::string(d.name) + "(" + std::to_string(d.index) + ")";
        if (*d.caption) ExpectFits(screen + "." + name, d, d.caption);
        if (auto it = runtime.find(d.name); it != runtime.end())
            for (const std::string& c : it->second) ExpectFits(screen + "." + name, d, c);
    }
}

TEST(CaptionsTest, GameScreenCaptionsFitTheirBoxes) {
    CheckTable("frmGame", GameControlsDesign(),
               {{"lblScore", {"Score:\r\n0", "Score:\r\n9999999"}},
                {"lblLevel", {"Level:\r\n1", "Level:\r\n32767"}},
                {"lblTimeBonusRemaining", {"3000", "0"}},
                {"lblTime", {"3000"}},
                {"lblCount", {"3", "2", "1"}}});
}

TEST(CaptionsTest, MenuInstructionsAndScoresCaptionsFitTheirBoxes) {
    CheckTable("frmMenu", MenuControlsDesign());
    CheckTable("frmInstructions", InstructionsControlsDesign(),
               {{"lblhelp", {HelpText()}}, {"cmdClose", {kReturnToGame}}});
    CheckTable("frmScores", ScoresControlsDesign(),
               {{"lblInfoScores", {"Highest\r\nScores\r\nAchieved"}},
                {"lblInfoLevels", {"Highest\r\nLevels\r\nReached"}},
                {"lblHighScore", {"9999999"}},
                {"lblHighLevel", {"99"}},
                {"lblScoreName", {"ALEXANDRA-MARGARETHE"}},
                {"cmdClose", {kReturnToGame}}});
}

}  // namespace
}  // namespace qbx
