// The power-up tiles (17 x 14): a bevelled face with its sign.
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include "art/drawings.h"

namespace qbx::art {
namespace {

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

}  // namespace

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

}  // namespace qbx::art
