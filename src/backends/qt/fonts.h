// Quibblix text faces. The screens are laid out with a handful of design face
// names; each one is mapped to a free font we ship a dependency on, so text
// looks the same on every machine.
#pragma once

#include <QFont>
#include <string_view>

namespace qbx::fonts {

// Installed family used for a design face name (case-insensitive):
//   "Verdana" -> "DejaVu Sans", "Arial" -> "Liberation Sans",
//   "Comic Sans MS" -> "Comic Neue", "Paper Clip" -> "Cabin Sketch" (its bold in "CabinSketch"),
//   anything else -> "DejaVu Sans".
QString InstalledFamily(std::string_view designFamily);

// A font for the design face at the design point size. The layout assumes
// 96 dpi, so the size is set in pixels (round(points * 96 / 72), at least 1)
// and text comes out the same size whatever dpi the X server reports.
QFont Resolve(std::string_view designFamily, double points, bool bold);

}  // namespace qbx::fonts
