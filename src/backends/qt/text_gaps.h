// Pictures set into a label's text: where the runs of spaces after given phrases fall when the
// view draws the text, and the nearest place in each where a picture touches no drawn word.
#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <string>
#include <vector>

#include "engine/screen.h"

namespace qbx {

// A label as designed, with the text it shows.
struct LabelText {
    const ControlDesign* design;
    std::string caption;
};

// One run of spaces: the phrase it follows and the pictures it holds, side by side, each with
// its art at ratio 1 and the size the screen shows it at (the art is cut to that size).
struct TextGap {
    std::string leadIn;
    struct Picture {
        QImage art;
        QSize shown;
    };
    std::vector<Picture> pictures;
};

// Lays out `body` as the view paints a label (word wrap in the label's width, the design font
// resolved to an installed one) and finds for each picture of each gap the top-left pixel of
// its place: in an equal slot of the gap, centred on the phrase's line, nudged up or down (or
// sideways within the slot) where its visible pixels would touch the text of `body` or of
// `others`, or leave a screen of clientPx. A gap whose phrase is not in the text gets no places.
// Needs a QGuiApplication for the fonts.
std::vector<std::vector<QPoint>> PlaceInTextGaps(QSize clientPx, const LabelText& body,
                                                 const std::vector<LabelText>& others,
                                                 const std::vector<TextGap>& gaps);

}  // namespace qbx
