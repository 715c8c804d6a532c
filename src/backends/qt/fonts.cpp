#include "fonts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace qbx::fonts {
namespace {

struct FaceMapping {
    std::string_view design;
    const char* installed;
    int stretch;  // percent of the face's normal width
    // The family that holds the designed bold glyphs, where the font's bold file is registered
    // under a family name of its own; asking for the regular family in bold would get its
    // regular glyphs thickened instead.
    const char* installedBold = nullptr;
};

constexpr std::array<FaceMapping, 4> kFaces{{
    // DejaVu Sans runs a few percent wider than the face the screens were laid out with;
    // narrowed by 3%, every caption keeps to its box and the legend's words stay beside
    // their tiles.
    {"Verdana", "DejaVu Sans", 97},
    {"Arial", "Liberation Sans", 100},
    {"Comic Sans MS", "Comic Neue", 100},
    {"Paper Clip", "Cabin Sketch", 100, "CabinSketch"},
}};

constexpr const char* kFallbackFamily = "DejaVu Sans";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Design sizes are in points at 96 dpi.
int PixelSizeFor(double points) {
    if (!std::isfinite(points) || points <= 0.0) return 1;
    const double px = std::round(points * 96.0 / 72.0);
    return static_cast<int>(std::clamp(px, 1.0, 4096.0));
}

}  // namespace

QString InstalledFamily(std::string_view designFamily) {
    for (const FaceMapping& face : kFaces) {
        if (SameName(face.design, designFamily)) return QString::fromLatin1(face.installed);
    }
    return QString::fromLatin1(kFallbackFamily);
}

QFont Resolve(std::string_view designFamily, double points, bool bold) {
    QFont font(InstalledFamily(designFamily));
    int stretch = 97;  // the fallback is DejaVu Sans too
    for (const FaceMapping& face : kFaces) {
        if (!SameName(face.design, designFamily)) continue;
        stretch = face.stretch;
        if (bold && face.installedBold) font.setFamily(QString::fromLatin1(face.installedBold));
    }
    if (stretch != 100) font.setStretch(stretch);
    // Pixel size rather than point size: independent of the reported screen dpi.
    font.setPixelSize(PixelSizeFor(points));
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    // Vertical-only hinting keeps glyphs sharp on the baseline while leaving
    // advance widths unhinted, so line widths match across machines.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    font.setKerning(true);
    return font;
}

}  // namespace qbx::fonts
