// The strip below the screen of a watching window: the whole length of the recorded play, how
// far the watching has come, the moments that mattered, and, when asked for, the keys held. It
// has a row of the window to itself, so nothing of the watched screen is hidden under it.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

namespace qbx {

struct Moment {
    enum class Kind : uint8_t { LevelStart, LifeLost, Powerup, GameEnd };
    Kind kind;
    int64_t atMs;  // the recording's time of the input that brought it
    friend bool operator==(const Moment&, const Moment&) = default;
};

class Timeline : public QWidget {
public:
    Timeline(QWidget* parent, int scale);

    void SetSpan(int64_t startMs, int64_t endMs);
    void SetMoments(std::vector<Moment> moments);
    void SetPosition(int64_t ms);
    // The keys line over the strip; none when empty.
    void SetKeys(const QString& line);
    // A click or a drag on the strip asks for that moment.
    void OnJump(std::function<void(int64_t)> f) { onJump_ = std::move(f); }

    int64_t Position() const { return positionMs_; }
    const QString& Keys() const { return keys_; }
    // The moment under a point of the strip, and where a moment is drawn.
    int64_t MsAt(int x) const;
    int XOf(int64_t ms) const;

    static QColor ColourOf(Moment::Kind kind);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    int BarHeight() const { return 12 * scale_; }
    // The keys line's row is kept when the line is hidden: the window does not change its size.
    int KeysHeight() const { return 18 * scale_; }
    int Margin() const { return 6 * scale_; }

    int scale_;
    int64_t startMs_ = 0, endMs_ = 0, positionMs_ = 0;
    std::vector<Moment> moments_;
    QString keys_;
    std::function<void(int64_t)> onJump_;
};

}  // namespace qbx
