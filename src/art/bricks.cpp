// The brick wall behind the status strip (931 x 145), with broad strokes of paint across it.
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <cmath>
#include <cstdint>

#include "art/drawings.h"

namespace qbx::art {
namespace {

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

}  // namespace

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

}  // namespace qbx::art
