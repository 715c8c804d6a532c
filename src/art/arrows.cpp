// The arrows (head at the top; the game crops the picture from the top down).
#include <QLinearGradient>
#include <QPainterPath>
#include <cmath>

#include "art/drawings.h"

namespace qbx::art {
namespace {

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

}  // namespace

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

}  // namespace qbx::art
