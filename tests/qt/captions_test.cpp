// Every caption fits its label or button with the fonts the program really resolves: no word
// runs past a box's edge and no wrapped line falls below its bottom.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QString>

#include "platform/qt/fonts.h"
#include "screens/game_design.h"
#include "screens/instructions_design.h"
#include "screens/menu_design.h"
#include "screens/scores_design.h"

namespace qbx {
namespace {

struct Box {
    std::string where;
    const ControlDesign* d;
    std::string caption;
};

QString Text(const std::string& caption) {
    return QString::fromStdString(caption).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Checks one caption in one box; `lines` is how many lines the caption may take.
void ExpectFits(const Box& b) {
    SCOPED_TRACE(b.where + " \"" + b.caption + "\"");
    const ControlDesign& d = *b.d;
    const QFont font = fonts::Resolve(d.font.family, d.font.points, d.font.bold);
    const QFontMetricsF m(font);
    const double width = d.width / 15.0, height = d.height / 15.0;
    const QString text = Text(b.caption);
    // A button leaves room for its frame.
    const double room = d.kind == Kind::Button ? width - 6 : width;
    const QRectF wrapped = m.boundingRect(QRectF(0, 0, room, 100000), Qt::TextWordWrap, text);
    EXPECT_LE(wrapped.width(), room + 0.5) << "a word runs past the edge";
    const int explicitLines = static_cast<int>(text.count('\n')) + 1;
    const int lines = static_cast<int>(std::lround(wrapped.height() / m.lineSpacing()));
    if (d.kind == Kind::Button || height < 2 * m.lineSpacing()) {
        // A one-line box: the caption must not wrap, and its letters must fit the height.
        EXPECT_EQ(lines, explicitLines) << "the caption wraps";
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
        if (*d.caption) ExpectFits({screen + "." + name, &d, d.caption});
        auto it = runtime.find(d.name);
        if (it != runtime.end())
            for (const std::string& c : it->second) ExpectFits({screen + "." + name, &d, c});
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
