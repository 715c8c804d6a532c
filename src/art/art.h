// Quibblix artwork. Every picture is drawn from vectors with QPainter, so it is
// crisp at any device-pixel ratio: at ratio 2 the painter works at the target
// resolution in natural-pixel coordinates instead of upscaling a 1x bitmap.
#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>
#include <string_view>
#include <vector>

#include "engine/controls.h"

namespace qbx::art {

// Renders a picture, drawn by its name at its natural size. The result is
// Format_ARGB32_Premultiplied, sized round(natural * pixelRatio) in device pixels
// and tagged with pixelRatio, so its device-independent size is the natural size.
// Returns a null image for a name the art does not know or for a ratio outside
// (0, 16]. Results are cached per (name, ratio); pictures are immutable.
QImage RenderPicture(const Picture& picture, qreal pixelRatio);

// The application icon (three glossy bubbles) at sizePx x sizePx, transparent
// around the bubbles. Null for sizes outside 1..1024.
QImage RenderAppIcon(int sizePx);

// The application icon with pixmaps at 16, 22, 24, 32, 48, 64, 128 and 256 px.
// Needs a QGuiApplication.
QIcon AppIcon();

}  // namespace qbx::art
