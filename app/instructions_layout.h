// Puts the instructions screen's pictures into the gaps of its help text, measured with the
// fonts and the line breaking the view really draws the text with.
#pragma once

namespace qbx {

class FrmInstructions;

// Lays out lblhelp's text as the view paints a label (word wrap in the label's width, the
// design font resolved to an installed one) and moves each picture into the run of spaces after
// its lead-in phrase: inside the gap, centred on the phrase's line, and nudged up or down (or
// sideways within the gap) where its visible pixels would touch the drawn text of a
// neighbouring line. Does not load the screen; the places are applied when it loads. Needs a
// QGuiApplication for the fonts.
void LayoutInstructions(FrmInstructions& screen);

}  // namespace qbx
