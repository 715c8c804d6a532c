// Quibblix artwork. Every picture is drawn from vectors with QPainter, so it is
// crisp at any device-pixel ratio: at ratio 2 the painter works at the target
// resolution in natural-pixel coordinates instead of upscaling a 1x bitmap.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <string_view>
#include <vector>

namespace qbx::art {

// Renders the named picture. The result is Format_ARGB32_Premultiplied, sized
// round(natural * pixelRatio) in device pixels and tagged with pixelRatio, so
// its device-independent size is the natural size. Returns a null image for an
// unknown name or for a ratio outside (0, 16]. Results are cached per
// (name, ratio); pictures are immutable.
QImage RenderPicture(std::string_view name, qreal pixelRatio);

// Size of the named picture at ratio 1; an invalid QSize for an unknown name.
QSize NaturalSize(std::string_view name);

// Names of every picture RenderPicture knows, in a fixed order.
std::vector<std::string_view> PictureNames();

// Drops every cached rendering (e.g. after the screen's pixel ratio changes).
void ClearCache();

// The application icon (three glossy bubbles) at sizePx x sizePx, transparent
// around the bubbles. Null for sizes outside 1..1024.
QImage RenderAppIcon(int sizePx);

// The application icon with pixmaps at 16, 22, 24, 32, 48, 64, 128 and 256 px.
// Needs a QGuiApplication.
QIcon AppIcon();

// A fully transparent 32x32 cursor with its hot spot at (0, 0).
// Needs a QGuiApplication.
QCursor BlankCursor();

}  // namespace qbx::art
