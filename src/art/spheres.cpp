// Glossy bubbles: the balls of the field and the application icon.
#include <QPainterPath>
#include <QRadialGradient>

#include "art/drawings.h"

namespace qbx::art {
namespace {

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

}  // namespace

void RedBall(QPainter& p, QSize size) {
    DrawBall(p, size.width(), kRed);
}
void GreenBall(QPainter& p, QSize size) {
    DrawBall(p, size.width(), kGreen);
}

// The application icon, designed on a 32 x 32 grid.
void AppIconArt(QPainter& p) {
    DrawSphere(p, QPointF(16.0, 10.6), 9.4, kGreen);
    DrawSphere(p, QPointF(10.2, 20.0), 9.4, kBlueBall);
    DrawSphere(p, QPointF(21.4, 20.8), 10.2, kRed);
}

}  // namespace qbx::art
