#include "art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace qbx::art {
namespace {

constexpr qreal kPi = 3.14159265358979323846;
constexpr qreal kMaxPixelRatio = 16.0;
constexpr int kMaxIconSize = 1024;
constexpr std::size_t kMaxCachedImages = 96;

QColor Rgb(int r, int g, int b, int a = 255) {
    return QColor(r, g, b, a);
}

// ---------------------------------------------------------------------------
// Bubbles

struct SpherePalette {
    QColor light;  // lit side
    QColor base;   // body colour
    QColor dark;   // shadow side
    QColor rim;    // outermost edge
};

const SpherePalette kRed{Rgb(255, 150, 135), Rgb(230, 30, 30), Rgb(150, 0, 8), Rgb(90, 0, 5)};
const SpherePalette kGreen{Rgb(170, 255, 150), Rgb(40, 190, 45), Rgb(0, 110, 20), Rgb(0, 62, 12)};
const SpherePalette kBlueBall{Rgb(150, 200, 255), Rgb(35, 100, 235), Rgb(10, 40, 150),
                              Rgb(5, 20, 90)};

// A glossy sphere of radius r centred at c. Small spheres get a single crisp
// glint; large ones a broad soft highlight plus a small second glint and some
// light bounced back from below.
void DrawSphere(QPainter& p, QPointF c, qreal r, const SpherePalette& pal) {
    p.save();
    p.setPen(Qt::NoPen);

    QRadialGradient body(c, r, c + QPointF(-0.38 * r, -0.42 * r));
    body.setColorAt(0.0, pal.light);
    body.setColorAt(0.42, pal.base);
    body.setColorAt(0.86, pal.dark);
    body.setColorAt(1.0, pal.rim);
    p.setBrush(body);
    p.drawEllipse(c, r, r);

    QPainterPath disc;
    disc.addEllipse(c, r, r);
    p.setClipPath(disc, Qt::IntersectClip);

    // Light bounced back onto the lower right.
    const QPointF bounce = c + QPointF(0.42 * r, 0.52 * r);
    QRadialGradient reflected(bounce, 0.62 * r);
    QColor bounceColour = pal.light;
    bounceColour.setAlpha(110);
    reflected.setColorAt(0.0, bounceColour);
    bounceColour.setAlpha(0);
    reflected.setColorAt(1.0, bounceColour);
    p.setBrush(reflected);
    p.drawEllipse(bounce, 0.62 * r, 0.62 * r);

    // Main highlight: a soft white oval tilted along the upper-left curve.
    const QPointF hl = c + QPointF(-0.36 * r, -0.40 * r);
    p.save();
    p.translate(hl);
    p.rotate(-40);
    const qreal hw = r < 8 ? 0.42 * r : 0.60 * r;
    const qreal hh = r < 8 ? 0.32 * r : 0.42 * r;
    QRadialGradient shine(QPointF(0, 0), 1.0);
    shine.setCoordinateMode(QGradient::ObjectMode);
    shine.setCenter(0.5, 0.5);
    shine.setFocalPoint(0.5, 0.5);
    shine.setRadius(0.5);
    shine.setColorAt(0.0, Rgb(255, 255, 255, 245));
    shine.setColorAt(r < 8 ? 0.55 : 0.35, Rgb(255, 255, 255, r < 8 ? 200 : 165));
    if (r >= 8) shine.setColorAt(0.72, Rgb(255, 255, 255, 60));
    shine.setColorAt(1.0, Rgb(255, 255, 255, 0));
    p.setBrush(shine);
    p.drawEllipse(QPointF(0, 0), hw, hh);
    p.restore();

    if (r >= 8) {
        // Crisp glint inside the broad highlight.
        const QPointF glint = c + QPointF(-0.42 * r, -0.46 * r);
        QRadialGradient g(glint, 0.16 * r);
        g.setColorAt(0.0, Rgb(255, 255, 255, 255));
        g.setColorAt(0.6, Rgb(255, 255, 255, 230));
        g.setColorAt(1.0, Rgb(255, 255, 255, 0));
        p.setBrush(g);
        p.drawEllipse(glint, 0.16 * r, 0.16 * r);

        // Small secondary highlight lower right.
        const QPointF second = c + QPointF(0.50 * r, 0.50 * r);
        p.save();
        p.translate(second);
        p.rotate(-45);
        QRadialGradient s(QPointF(0, 0), 0.14 * r);
        s.setColorAt(0.0, Rgb(255, 255, 255, 220));
        s.setColorAt(0.5, Rgb(255, 255, 255, 140));
        s.setColorAt(1.0, Rgb(255, 255, 255, 0));
        p.setBrush(s);
        p.scale(1.0, 0.6);
        p.drawEllipse(QPointF(0, 0), 0.14 * r, 0.14 * r);
        p.restore();
    }
    p.restore();
}

void DrawBall(QPainter& p, int size, const SpherePalette& pal) {
    const qreal half = size / 2.0;
    // A hair inside the square so the edge pixels stay clean.
    DrawSphere(p, QPointF(half, half), half - 0.15, pal);
}

void RedBall(QPainter& p, QSize size) {
    DrawBall(p, size.width(), kRed);
}
void GreenBall(QPainter& p, QSize size) {
    DrawBall(p, size.width(), kGreen);
}

// ---------------------------------------------------------------------------
// Power-up tiles (17 x 14)

constexpr qreal kTileW = 17;
constexpr qreal kTileH = 14;

void DrawTile(QPainter& p, QColor face, QColor frame) {
    p.fillRect(QRectF(0, 0, kTileW, kTileH), frame);
    QLinearGradient fill(0, 1, 0, kTileH - 1);
    fill.setColorAt(0.0, face.lighter(112));
    fill.setColorAt(1.0, face.darker(108));
    p.fillRect(QRectF(1, 1, kTileW - 2, kTileH - 2), fill);
    // Bevel: lit along the top and left, shaded along the bottom and right.
    p.fillRect(QRectF(1, 1, kTileW - 2, 1), face.lighter(135));
    p.fillRect(QRectF(1, 2, 1, kTileH - 3), face.lighter(122));
    p.fillRect(QRectF(1, kTileH - 2, kTileW - 2, 1), face.darker(125));
    p.fillRect(QRectF(kTileW - 2, 2, 1, kTileH - 3), face.darker(118));
}

const QColor kTanFace = Rgb(236, 172, 100);
const QColor kTanFrame = Rgb(140, 78, 30);

void TileLifeX(QPainter& p) {
    DrawTile(p, kTanFace, kTanFrame);
    QPen pen(Rgb(0, 0, 0), 1.5, Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(1.2, 1.2), QPointF(kTileW - 1.2, kTileH - 1.2));
    p.drawLine(QPointF(kTileW - 1.2, 1.2), QPointF(1.2, kTileH - 1.2));
}

void TileLife(QPainter& p) {
    DrawTile(p, kTanFace, kTanFrame);
    p.setPen(QPen(Rgb(120, 10, 0), 0.7));

    QPainterPath outer;
    outer.moveTo(8.9, 1.4);
    outer.cubicTo(9.4, 3.6, 12.9, 5.4, 12.7, 9.0);
    outer.cubicTo(12.6, 11.3, 10.8, 12.6, 8.5, 12.6);
    outer.cubicTo(6.2, 12.6, 4.4, 11.3, 4.3, 9.2);
    outer.cubicTo(4.2, 7.3, 5.2, 6.1, 6.0, 4.9);
    outer.cubicTo(6.4, 6.0, 6.9, 6.6, 7.5, 6.9);
    outer.cubicTo(7.5, 4.8, 8.0, 2.8, 8.9, 1.4);
    QLinearGradient red(0, 1.4, 0, 12.6);
    red.setColorAt(0.0, Rgb(255, 60, 20));
    red.setColorAt(1.0, Rgb(200, 0, 0));
    p.setBrush(red);
    p.drawPath(outer);

    p.setPen(Qt::NoPen);
    QPainterPath inner;
    inner.moveTo(8.7, 5.4);
    inner.cubicTo(9.2, 7.0, 11.0, 8.2, 10.9, 10.1);
    inner.cubicTo(10.8, 11.4, 9.8, 12.0, 8.5, 12.0);
    inner.cubicTo(7.2, 12.0, 6.2, 11.3, 6.2, 10.1);
    inner.cubicTo(6.2, 8.4, 8.0, 7.4, 8.7, 5.4);
    QLinearGradient orange(0, 5.4, 0, 12.0);
    orange.setColorAt(0.0, Rgb(255, 150, 0));
    orange.setColorAt(1.0, Rgb(255, 210, 60));
    p.setBrush(orange);
    p.drawPath(inner);
}

void TileSlow(QPainter& p) {
    DrawTile(p, Rgb(80, 185, 70), Rgb(20, 90, 25));
    const QPointF c(8.5, 7.0);
    QRadialGradient disc(c + QPointF(-1.2, -1.2), 5.0);
    disc.setColorAt(0.0, Rgb(255, 190, 90));
    disc.setColorAt(0.55, Rgb(250, 110, 30));
    disc.setColorAt(1.0, Rgb(205, 40, 15));
    p.setPen(QPen(Rgb(120, 20, 0), 0.8));
    p.setBrush(disc);
    p.drawEllipse(c, 4.4, 4.4);
    // Clock hands.
    QPen hand(Rgb(110, 15, 0), 0.9, Qt::SolidLine, Qt::RoundCap);
    p.setPen(hand);
    p.drawLine(c, c + QPointF(0, -2.8));
    p.drawLine(c, c + QPointF(2.1, 0.9));
}

void TileFast(QPainter& p) {
    DrawTile(p, Rgb(222, 40, 36), Rgb(110, 8, 8));
    QPainterPath arrow;
    arrow.moveTo(8.5, 2.0);
    arrow.lineTo(13.0, 7.0);
    arrow.lineTo(10.0, 7.0);
    arrow.lineTo(10.0, 12.0);
    arrow.lineTo(7.0, 12.0);
    arrow.lineTo(7.0, 7.0);
    arrow.lineTo(4.0, 7.0);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(110, 0, 0, 150));
    p.drawPath(arrow.translated(0.7, 0.7));
    p.setBrush(Rgb(255, 255, 255));
    p.drawPath(arrow);
}

void TileWall(QPainter& p) {
    DrawTile(p, Rgb(196, 214, 62), Rgb(92, 110, 18));
    const QColor bar = Rgb(46, 54, 22);
    p.fillRect(QRectF(8.0, 3.0, 2.0, 10.0), Rgb(120, 140, 30));  // shadow
    p.fillRect(QRectF(7.0, 2.0, 3.0, 10.0), bar);
    p.fillRect(QRectF(7.0, 3.0, 1.0, 8.0), Rgb(74, 84, 38));  // lit edge
}

// ---------------------------------------------------------------------------
// Arrows (head at the top; the game crops the picture from the top down)

// A rope wavering around x = cx from y0 down past y1.
void DrawRope(QPainter& p, qreal cx, qreal y0, qreal y1, QColor colour) {
    QPainterPath rope;
    constexpr qreal kAmplitude = 1.25;
    constexpr qreal kPeriod = 24.0;
    rope.moveTo(cx, y0);
    for (qreal y = y0; y <= y1 + 1.0; y += 0.5) {
        rope.lineTo(cx + kAmplitude * std::sin((y - y0) * 2 * kPi / kPeriod), y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(rope);
}

// Arrow tip occupying rows 4 to 11 of an 8-pixel-wide picture.
void DrawArrowHead(QPainter& p, QColor lit, QColor body, QColor edge) {
    QPainterPath head;
    head.moveTo(4.0, 4.0);
    head.lineTo(7.8, 12.0);
    head.lineTo(4.0, 10.4);
    head.lineTo(0.2, 12.0);
    head.closeSubpath();
    QLinearGradient shade(0.2, 0, 7.8, 0);
    shade.setColorAt(0.0, lit);
    shade.setColorAt(0.5, body);
    shade.setColorAt(1.0, edge);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(head);
}

void RegularArrow(QPainter& p) {
    DrawRope(p, 4.0, 10.5, 350.0, Rgb(255, 255, 255));
    DrawArrowHead(p, Rgb(255, 120, 100), Rgb(225, 20, 20), Rgb(130, 0, 0));
}

void FastArrow(QPainter& p) {
    DrawRope(p, 4.0, 10.5, 350.0, Rgb(225, 25, 25));
    DrawArrowHead(p, Rgb(140, 190, 255), Rgb(30, 90, 235), Rgb(10, 30, 130));
}

void WallArrow(QPainter& p) {
    const QColor red = Rgb(225, 25, 25);
    const QColor darkRed = Rgb(140, 0, 0);
    // Shaft.
    p.fillRect(QRectF(3.0, 7.0, 1.0, 350.0), Rgb(255, 255, 255));
    // Crossbar over the full width, narrowing to a point.
    QPainterPath head;
    head.moveTo(0.0, 1.0);
    head.lineTo(7.0, 1.0);
    head.lineTo(7.0, 3.0);
    head.lineTo(3.5, 8.5);
    head.lineTo(0.0, 3.0);
    head.closeSubpath();
    QLinearGradient shade(0, 0, 7, 0);
    shade.setColorAt(0.0, Rgb(255, 110, 100));
    shade.setColorAt(0.5, red);
    shade.setColorAt(1.0, darkRed);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(head);
    // Barbs along the shaft.
    p.setBrush(red);
    for (qreal y = 18.0; y < 350.0; y += 12.0) {
        QPainterPath barbs;
        barbs.moveTo(3.0, y);
        barbs.lineTo(1.0, y + 2.0);
        barbs.lineTo(1.0, y + 3.0);
        barbs.lineTo(3.0, y + 1.5);
        barbs.closeSubpath();
        barbs.moveTo(4.0, y);
        barbs.lineTo(6.0, y + 2.0);
        barbs.lineTo(6.0, y + 3.0);
        barbs.lineTo(4.0, y + 1.5);
        barbs.closeSubpath();
        p.drawPath(barbs);
    }
    // Foot in the last four rows.
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(0.5, 356.0, 6.0, 4.0), red);
    p.fillRect(QRectF(1.5, 356.0, 4.0, 2.0), Rgb(255, 170, 190));
    p.fillRect(QRectF(0.5, 359.0, 6.0, 1.0), darkRed);
}

// ---------------------------------------------------------------------------
// The character (23 x 36 natural pixels)

const QColor kOutline = Rgb(10, 8, 14, 230);
const QColor kSkin = Rgb(252, 192, 176);
const QColor kSkinShade = Rgb(222, 140, 130);
const QColor kHair = Rgb(226, 70, 104);
const QColor kHairLit = Rgb(255, 140, 160);
const QColor kHairDark = Rgb(160, 30, 60);
const QColor kCloak = Rgb(22, 22, 30);
const QColor kCloakLit = Rgb(62, 62, 78);
const QColor kClothBlue = Rgb(46, 92, 220);
const QColor kClothBlueLit = Rgb(110, 160, 255);

void CharacterBack(QPainter& p) {
    const QPen outline(kOutline, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    // Shoes peeking out under the cloak.
    p.setPen(outline);
    p.setBrush(Rgb(40, 30, 30));
    p.drawEllipse(QRectF(6.2, 32.4, 4.4, 3.0));
    p.drawEllipse(QRectF(12.4, 32.4, 4.4, 3.0));

    // Long cloak, flaring towards the hem.
    QPainterPath cloak;
    cloak.moveTo(7.0, 11.2);
    cloak.cubicTo(9.0, 10.2, 14.0, 10.2, 16.0, 11.2);
    cloak.cubicTo(18.4, 12.2, 19.2, 14.0, 19.4, 17.0);
    cloak.cubicTo(19.8, 23.0, 21.0, 29.0, 21.6, 33.4);
    cloak.cubicTo(18.4, 34.4, 16.0, 33.4, 11.5, 34.0);
    cloak.cubicTo(7.0, 33.4, 4.6, 34.4, 1.4, 33.4);
    cloak.cubicTo(2.0, 29.0, 3.2, 23.0, 3.6, 17.0);
    cloak.cubicTo(3.8, 14.0, 4.6, 12.2, 7.0, 11.2);
    cloak.closeSubpath();
    QLinearGradient cloakShade(3, 0, 21, 0);
    cloakShade.setColorAt(0.0, kCloakLit);
    cloakShade.setColorAt(0.35, kCloak);
    cloakShade.setColorAt(1.0, Rgb(8, 8, 12));
    p.setBrush(cloakShade);
    p.drawPath(cloak);

    // Folds.
    p.setPen(QPen(Rgb(80, 80, 100, 170), 0.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.0, 16.0), QPointF(6.2, 32.8));
    p.drawLine(QPointF(11.5, 15.0), QPointF(11.5, 33.4));
    p.drawLine(QPointF(15.0, 16.0), QPointF(16.8, 32.8));

    // Collar.
    p.setPen(outline);
    p.setBrush(Rgb(50, 50, 64));
    p.drawEllipse(QRectF(7.4, 10.0, 8.2, 3.0));

    // Head seen from behind: hair all over, ears at the sides.
    p.setBrush(kSkinShade);
    p.drawEllipse(QRectF(5.4, 6.0, 2.2, 3.0));
    p.drawEllipse(QRectF(15.4, 6.0, 2.2, 3.0));
    QRadialGradient hair(QPointF(11.5, 6.4), 5.6, QPointF(10.0, 4.0));
    hair.setColorAt(0.0, kHairLit);
    hair.setColorAt(0.5, kHair);
    hair.setColorAt(1.0, kHairDark);
    p.setBrush(hair);
    p.drawEllipse(QPointF(11.5, 6.4), 5.0, 5.2);
    // Strands falling from the crown, and a tuft at the nape.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kHairDark, 0.55, Qt::SolidLine, Qt::RoundCap));
    QPainterPath strands;
    strands.moveTo(11.0, 2.2);
    strands.quadTo(8.6, 5.6, 8.4, 10.2);
    strands.moveTo(11.8, 2.0);
    strands.quadTo(11.0, 6.0, 11.4, 11.0);
    strands.moveTo(12.6, 2.2);
    strands.quadTo(14.6, 5.6, 14.6, 10.2);
    p.drawPath(strands);
    p.setPen(QPen(Rgb(255, 170, 186, 170), 0.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(7.6, 2.4, 7.0, 7.0), 100 * 16, 70 * 16);
}

void CharacterRight(QPainter& p) {
    const QPen outline(kOutline, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(outline);

    // Back leg and shoe.
    p.setBrush(Rgb(28, 50, 140));
    p.drawRect(QRectF(8.2, 26.0, 2.8, 7.0));
    p.setBrush(Rgb(30, 24, 24));
    p.drawRoundedRect(QRectF(6.6, 32.2, 4.8, 2.8), 1.2, 1.2);

    // Front leg, striding, and shoe.
    p.setBrush(kClothBlue);
    QPainterPath leg;
    leg.moveTo(12.0, 26.0);
    leg.lineTo(15.2, 26.0);
    leg.lineTo(16.4, 32.6);
    leg.lineTo(13.6, 33.0);
    leg.closeSubpath();
    p.drawPath(leg);
    p.setBrush(Rgb(30, 24, 24));
    p.drawRoundedRect(QRectF(13.4, 32.2, 5.2, 2.8), 1.2, 1.2);

    // Dark coat.
    QPainterPath coat;
    coat.moveTo(9.0, 11.4);
    coat.cubicTo(11.0, 10.8, 13.6, 10.8, 15.2, 11.6);
    coat.cubicTo(16.4, 14.0, 16.6, 18.0, 16.4, 21.0);
    coat.cubicTo(16.6, 24.0, 17.0, 26.6, 17.4, 28.4);
    coat.cubicTo(14.0, 29.2, 9.6, 29.2, 6.4, 28.4);
    coat.cubicTo(6.8, 25.0, 7.4, 22.0, 7.4, 19.0);
    coat.cubicTo(7.2, 15.6, 7.6, 12.4, 9.0, 11.4);
    coat.closeSubpath();
    QLinearGradient coatShade(6, 0, 17.5, 0);
    coatShade.setColorAt(0.0, Rgb(10, 10, 16));
    coatShade.setColorAt(0.7, kCloak);
    coatShade.setColorAt(1.0, kCloakLit);
    p.setBrush(coatShade);
    p.drawPath(coat);

    // Blue belt and hem trim.
    p.setPen(Qt::NoPen);
    p.setBrush(kClothBlue);
    p.drawRect(QRectF(7.4, 20.2, 9.0, 1.6));
    p.drawRect(QRectF(6.6, 27.0, 10.7, 1.1));
    p.setBrush(kClothBlueLit);
    p.drawRect(QRectF(13.0, 20.2, 1.6, 1.6));

    // Arm in a blue sleeve, reaching forward, with a hand.
    p.setPen(outline);
    p.setBrush(kClothBlue);
    QPainterPath arm;
    arm.moveTo(10.2, 12.6);
    arm.cubicTo(12.4, 12.4, 13.6, 14.0, 14.6, 16.4);
    arm.lineTo(17.6, 17.4);
    arm.lineTo(17.2, 19.6);
    arm.lineTo(13.0, 18.8);
    arm.cubicTo(11.4, 18.0, 10.0, 16.0, 10.2, 12.6);
    arm.closeSubpath();
    p.drawPath(arm);
    p.setBrush(kSkin);
    p.drawEllipse(QPointF(18.6, 18.4), 1.5, 1.4);

    // Head: face to the right, red-pink hair at the back and top.
    p.setBrush(kSkin);
    QPainterPath face;
    face.moveTo(11.0, 1.6);
    face.cubicTo(14.4, 1.4, 16.6, 3.6, 16.8, 5.6);
    face.lineTo(18.2, 7.6);  // nose
    face.lineTo(16.8, 8.2);
    face.cubicTo(16.8, 10.6, 15.0, 11.8, 12.4, 11.8);
    face.cubicTo(9.2, 11.8, 7.0, 9.6, 7.0, 6.4);
    face.cubicTo(7.0, 3.4, 8.8, 1.7, 11.0, 1.6);
    face.closeSubpath();
    p.drawPath(face);

    QRadialGradient hairShade(QPointF(10.0, 4.0), 6.0, QPointF(10.6, 2.8));
    hairShade.setColorAt(0.0, kHairLit);
    hairShade.setColorAt(0.5, kHair);
    hairShade.setColorAt(1.0, kHairDark);
    p.setBrush(hairShade);
    QPainterPath hair;
    hair.moveTo(16.2, 3.8);
    hair.cubicTo(15.4, 2.0, 13.4, 1.0, 11.0, 1.1);
    hair.cubicTo(8.4, 1.2, 6.6, 3.0, 6.5, 6.2);
    hair.cubicTo(6.4, 8.6, 7.4, 10.4, 9.0, 11.2);
    hair.cubicTo(9.4, 9.4, 9.6, 7.6, 11.0, 6.6);
    hair.cubicTo(12.4, 5.0, 14.4, 4.4, 16.2, 3.8);
    hair.closeSubpath();
    p.drawPath(hair);

    // Ear, eye and mouth.
    p.setPen(Qt::NoPen);
    p.setBrush(kSkinShade);
    p.drawEllipse(QPointF(11.6, 7.6), 1.0, 1.3);
    p.setBrush(Rgb(20, 20, 30));
    p.drawEllipse(QPointF(15.0, 6.4), 0.65, 0.85);
    p.setPen(QPen(Rgb(150, 60, 60), 0.55, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15.4, 9.6), QPointF(16.6, 9.5));
}

void CharacterLeft(QPainter& p) {
    p.translate(23.0, 0.0);
    p.scale(-1.0, 1.0);
    CharacterRight(p);
}

void CharacterSmall(QPainter& p) {
    p.scale(19.0 / 23.0, 29.0 / 36.0);
    CharacterBack(p);
}

// ---------------------------------------------------------------------------
// Brick wall behind the status strip (931 x 145)

// Small deterministic generator so the wall looks identical on every run and
// every platform (std:: distributions are not portable across libraries).
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state_(seed) {}
    qreal Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) / static_cast<qreal>(1u << 24);
    }
    qreal Range(qreal lo, qreal hi) { return lo + (hi - lo) * Next(); }

private:
    std::uint32_t state_;
};

constexpr qreal kWallW = 931;
constexpr qreal kWallH = 145;

// Point on the spine at fraction t of its length, pushed sideways by `side`
// (in units of the local stroke half-width).
QPointF Beside(const QPainterPath& spine, qreal t, qreal side) {
    const qreal a = spine.angleAtPercent(t) * kPi / 180.0;
    const QPointF normal(std::sin(a), std::cos(a));
    return spine.pointAtPercent(t) + side * normal;
}

// Brush pressure along a stroke: heavy soon after the start, tapering off at
// both ends, a little lighter towards the finish.
qreal BrushWidth(qreal width, qreal t) {
    return width * std::pow(std::sin(kPi * t), 0.3) * (1.05 - 0.3 * t);
}

void BrushStroke(QPainter& p, Lcg& rng, const QPainterPath& spine, qreal width, QColor colour) {
    constexpr int kSteps = 64;
    p.save();
    p.setPen(Qt::NoPen);

    // Body of the stroke, wobbling slightly along each edge.
    QPolygonF outline;
    std::array<qreal, kSteps + 1> wobbleL{};
    std::array<qreal, kSteps + 1> wobbleR{};
    for (int i = 0; i <= kSteps; ++i) {
        wobbleL[i] = rng.Range(-0.8, 0.8);
        wobbleR[i] = rng.Range(-0.8, 0.8);
    }
    for (int i = 0; i <= kSteps; ++i) {
        const qreal t = static_cast<qreal>(i) / kSteps;
        outline << Beside(spine, t, BrushWidth(width, t) / 2 + wobbleL[i]);
    }
    for (int i = kSteps; i >= 0; --i) {
        const qreal t = static_cast<qreal>(i) / kSteps;
        outline << Beside(spine, t, -BrushWidth(width, t) / 2 - wobbleR[i]);
    }
    p.setBrush(colour);
    p.drawPolygon(outline);

    // Bristle streaks: some darker where the paint pooled, some paler where
    // the brush ran dry. Each starts and stops at its own place.
    const int bristles = static_cast<int>(width / 1.8);
    for (int b = 0; b < bristles; ++b) {
        const qreal side = rng.Range(-0.46, 0.46);
        const qreal t0 = rng.Range(0.02, 0.25);
        const qreal t1 = rng.Range(0.6, 0.98);
        const bool dry = rng.Next() < 0.4;
        QColor streak = dry ? QColor(255, 255, 255) : colour.darker(115);
        streak.setAlphaF(
            static_cast<float>(dry ? rng.Range(0.15, 0.4) : colour.alphaF() * rng.Range(0.3, 0.9)));
        QPolygonF line;
        for (int i = 0; i <= kSteps; ++i) {
            const qreal t = t0 + (t1 - t0) * i / kSteps;
            line << Beside(spine, t, side * BrushWidth(width, t));
        }
        p.setPen(QPen(streak, rng.Range(0.5, 1.4), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(line);
    }
    p.restore();
}

void Bricks(QPainter& p) {
    Lcg rng(0x51b1u);
    const QColor mortar = Rgb(196, 198, 204);
    p.fillRect(QRectF(0, 0, kWallW, kWallH), mortar);

    constexpr qreal kBrickW = 32;
    constexpr qreal kBrickH = 11;
    constexpr qreal kJoint = 1;
    int row = 0;
    for (qreal y = 0; y < kWallH; y += kBrickH + kJoint, ++row) {
        const qreal shift = (row % 2) ? -(kBrickW + kJoint) / 2 : 0;
        for (qreal x = shift; x < kWallW; x += kBrickW + kJoint) {
            const int tone = static_cast<int>(rng.Range(240, 253));
            const QRectF brick(x, y, kBrickW, kBrickH);
            QLinearGradient g(0, y, 0, y + kBrickH);
            g.setColorAt(0.0, Rgb(tone + 2, tone + 2, tone + 2));
            g.setColorAt(1.0, Rgb(tone - 8, tone - 8, tone - 5));
            p.fillRect(brick, g);
            // A few faint speckles for texture.
            for (int s = 0; s < 3; ++s) {
                QColor speck = Rgb(150, 150, 160, static_cast<int>(rng.Range(15, 45)));
                p.fillRect(QRectF(x + rng.Range(1, kBrickW - 2), y + rng.Range(1, kBrickH - 2),
                                  rng.Range(0.6, 1.6), rng.Range(0.6, 1.2)),
                           speck);
            }
        }
    }

    // Broad cyan paint strokes sweeping across the wall.
    struct Sweep {
        qreal x0, y0, x1, y1, bend, width;
        int alpha;
    };
    constexpr std::array<Sweep, 6> kSweeps{{
        {-30, 34, 270, 12, 26, 40, 62},
        {110, 122, 430, 70, -30, 34, 55},
        {350, 18, 650, 58, 22, 44, 50},
        {550, 138, 830, 96, -24, 36, 58},
        {710, 14, 970, 44, -18, 40, 52},
        {-40, 108, 150, 156, 12, 30, 48},
    }};
    for (const Sweep& s : kSweeps) {
        QPainterPath spine;
        spine.moveTo(s.x0, s.y0);
        const QPointF mid((s.x0 + s.x1) / 2, (s.y0 + s.y1) / 2 + s.bend);
        spine.quadTo(mid, QPointF(s.x1, s.y1));
        BrushStroke(p, rng, spine, s.width, Rgb(0, 200, 220, s.alpha));
    }
}

// ---------------------------------------------------------------------------
// Application icon, designed on a 32 x 32 grid

void AppIconArt(QPainter& p) {
    DrawSphere(p, QPointF(16.0, 10.6), 9.4, kGreen);
    DrawSphere(p, QPointF(10.2, 20.0), 9.4, kBlueBall);
    DrawSphere(p, QPointF(21.4, 20.8), 10.2, kRed);
}

// ---------------------------------------------------------------------------
// Catalogue

// How each picture is drawn, by the picture's name; the picture itself gives its natural size.
using DrawFn = void (*)(QPainter&, QSize natural);

template <void (*Draw)(QPainter&)>
void AnySize(QPainter& p, QSize) {
    Draw(p);
}

struct Drawing {
    std::string_view name;
    DrawFn draw;
};

constexpr std::array<Drawing, 21> kDrawings{{
    {"ballreds1", &RedBall},
    {"ballreds2", &RedBall},
    {"ballreds3", &RedBall},
    {"ballreds4", &RedBall},
    {"ballgreens1", &GreenBall},
    {"ballgreens2", &GreenBall},
    {"ballgreens3", &GreenBall},
    {"ballgreens4", &GreenBall},
    {"lifex", &AnySize<TileLifeX>},
    {"pwruplife", &AnySize<TileLife>},
    {"pwrupslow", &AnySize<TileSlow>},
    {"pwrupfast", &AnySize<TileFast>},
    {"pwrupwall", &AnySize<TileWall>},
    {"regarrow", &AnySize<RegularArrow>},
    {"arrowfast", &AnySize<FastArrow>},
    {"arrowwall", &AnySize<WallArrow>},
    {"imgCharBack", &AnySize<CharacterBack>},
    {"imgCharRight", &AnySize<CharacterRight>},
    {"imgCharLeft", &AnySize<CharacterLeft>},
    {"imgCharacterSmall", &AnySize<CharacterSmall>},
    {"imgBricks", &AnySize<Bricks>},
}};

DrawFn DrawingOf(std::string_view name) {
    for (const Drawing& d : kDrawings)
        if (d.name == name) return d.draw;
    return nullptr;
}

// Paints `draw` (working in a naturalW x naturalH coordinate space) onto a
// fresh transparent image of the given device size. The scale is taken from
// the actual device size so rounding never leaves an unpainted edge.
QImage Paint(int naturalW, int naturalH, int deviceW, int deviceH,
             const std::function<void(QPainter&)>& draw) {
    QImage image(deviceW, deviceH, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.scale(static_cast<qreal>(deviceW) / naturalW, static_cast<qreal>(deviceH) / naturalH);
        draw(p);
    }
    return image;
}

std::mutex& CacheMutex() {
    static std::mutex m;
    return m;
}

std::map<std::pair<std::string, qreal>, QImage>& Cache() {
    static std::map<std::pair<std::string, qreal>, QImage> cache;
    return cache;
}

}  // namespace

QImage RenderPicture(const Picture& picture, qreal pixelRatio) {
    const DrawFn draw = DrawingOf(picture.name);
    if (!draw || picture.widthPx <= 0 || picture.heightPx <= 0 || !std::isfinite(pixelRatio) ||
        pixelRatio <= 0 || pixelRatio > kMaxPixelRatio) {
        return QImage();
    }

    auto key = std::make_pair(picture.name, pixelRatio);
    {
        std::lock_guard<std::mutex> lock(CacheMutex());
        auto it = Cache().find(key);
        if (it != Cache().end()) return it->second;
    }

    const QSize natural(picture.widthPx, picture.heightPx);
    const int w = std::max(1, static_cast<int>(std::lround(natural.width() * pixelRatio)));
    const int h = std::max(1, static_cast<int>(std::lround(natural.height() * pixelRatio)));
    QImage image =
        Paint(natural.width(), natural.height(), w, h, [&](QPainter& p) { draw(p, natural); });
    if (image.isNull()) return image;
    image.setDevicePixelRatio(pixelRatio);

    std::lock_guard<std::mutex> lock(CacheMutex());
    auto& cache = Cache();
    if (cache.size() >= kMaxCachedImages) cache.clear();
    cache.emplace(std::move(key), image);
    return image;
}

void ClearCache() {
    std::lock_guard<std::mutex> lock(CacheMutex());
    Cache().clear();
}

QImage RenderAppIcon(int sizePx) {
    if (sizePx < 1 || sizePx > kMaxIconSize) return QImage();
    return Paint(32, 32, sizePx, sizePx, AppIconArt);
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(RenderAppIcon(size)));
    }
    return icon;
}

}  // namespace qbx::art
