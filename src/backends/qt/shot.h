// Pictures of a screen as the windowed game paints it, menu bar included, for the headless
// driver's shot command and for tests. Works on any Qt platform, offscreen included.
#pragma once

#include <string>

namespace qbx {

class Screen;

// Draws the loaded screen into a PNG file at the given device-pixel ratio (the image is the
// window's logical size times the ratio). Returns an empty string, or what went wrong.
std::string ShotScreen(Screen& screen, const std::string& pngFile, double pixelRatio = 1.0);

}  // namespace qbx
