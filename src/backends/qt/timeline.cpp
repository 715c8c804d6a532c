// The watching window's timeline.
#include "backends/qt/timeline.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSizePolicy>
#include <algorithm>

namespace qbx {

Timeline::Timeline(QWidget* parent, int scale) : QWidget(parent), scale_(std::max(1, scale)) {
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(BarHeight() + KeysHeight() + 2 * Margin());
}

QColor Timeline::ColourOf(Moment::Kind kind) {
    switch (kind) {
        case Moment::Kind::LevelStart:
            return QColor(60, 220, 60);
        case Moment::Kind::LifeLost:
            return QColor(240, 50, 50);
        case Moment::Kind::Powerup:
            return QColor(255, 210, 0);
        case Moment::Kind::GameEnd:
            return QColor(255, 255, 255);
    }
    return Qt::white;
}

void Timeline::SetSpan(int64_t startMs, int64_t endMs) {
    startMs_ = startMs;
    endMs_ = std::max(startMs, endMs);
    update();
}

void Timeline::SetMoments(std::vector<Moment> moments) {
    moments_ = std::move(moments);
    update();
}

void Timeline::SetPosition(int64_t ms) {
    ms = std::clamp(ms, startMs_, endMs_);
    if (ms == positionMs_) return;
    positionMs_ = ms;
    update();
}

void Timeline::SetKeys(const QString& line) {
    if (line == keys_) return;
    keys_ = line;
    update();
}

int Timeline::XOf(int64_t ms) const {
    const int left = Margin(), span = std::max(1, width() - 2 * Margin());
    if (endMs_ <= startMs_) return left;
    const double f = static_cast<double>(std::clamp(ms, startMs_, endMs_) - startMs_) /
                     static_cast<double>(endMs_ - startMs_);
    return left + static_cast<int>(f * span + 0.5);
}

int64_t Timeline::MsAt(int x) const {
    const int span = std::max(1, width() - 2 * Margin());
    const double f = std::clamp(static_cast<double>(x - Margin()) / span, 0.0, 1.0);
    return startMs_ + static_cast<int64_t>(f * static_cast<double>(endMs_ - startMs_) + 0.5);
}

void Timeline::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int m = Margin(), barTop = m + KeysHeight(), barH = BarHeight();
    p.fillRect(rect(), QColor(32, 32, 32));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12 * scale_);
    font.setBold(!keys_.isEmpty());
    p.setFont(font);
    // Hidden, the keys line says how to show it.
    p.setPen(keys_.isEmpty() ? QColor(130, 130, 130) : QColor(Qt::white));
    p.drawText(QRect(m, m / 2, width() - 2 * m, KeysHeight()), Qt::AlignLeft | Qt::AlignVCenter,
               keys_.isEmpty() ? QStringLiteral("K: the keys held") : keys_);
    const QRect bar(m, barTop, width() - 2 * m, barH);
    p.fillRect(bar, QColor(70, 70, 70));
    const int at = XOf(positionMs_);
    p.fillRect(QRect(bar.left(), barTop, at - bar.left(), barH), QColor(80, 140, 230));
    for (const Moment& mo : moments_) {
        const int x = XOf(mo.atMs);
        p.fillRect(QRect(x - scale_ / 2, barTop, std::max(1, scale_), barH), ColourOf(mo.kind));
    }
    // Where the watching is: a handle over the strip.
    p.fillRect(QRect(at - scale_, barTop - 2 * scale_, 2 * scale_ + 1, barH + 4 * scale_),
               Qt::white);
}

void Timeline::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && onJump_) onJump_(MsAt(e->position().toPoint().x()));
    e->accept();
}

void Timeline::mouseMoveEvent(QMouseEvent* e) {
    if ((e->buttons() & Qt::LeftButton) && onJump_) onJump_(MsAt(e->position().toPoint().x()));
    e->accept();
}

}  // namespace qbx
