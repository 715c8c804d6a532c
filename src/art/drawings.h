// The drawings the pictures are made of, each in its own natural-pixel space, and the little
// the drawings share.
#pragma once

#include <QColor>
#include <QPainter>
#include <QSize>

namespace qbx::art {

inline constexpr qreal kPi = 3.14159265358979323846;

inline QColor Rgb(int r, int g, int b, int a = 255) {
    return QColor(r, g, b, a);
}

// Bubbles, filling a square picture of the given size.
void RedBall(QPainter& p, QSize size);
void GreenBall(QPainter& p, QSize size);
// The application icon's three bubbles, on a 32 x 32 grid.
void AppIconArt(QPainter& p);

// Power-up tiles (17 x 14).
void TileLifeX(QPainter& p);
void TileLife(QPainter& p);
void TileSlow(QPainter& p);
void TileFast(QPainter& p);
void TileWall(QPainter& p);

// Arrows, head at the top (8 x 350; the wall arrow 7 x 360).
void RegularArrow(QPainter& p);
void FastArrow(QPainter& p);
void WallArrow(QPainter& p);

// The character (23 x 36), and its small picture (19 x 29).
void CharacterBack(QPainter& p);
void CharacterRight(QPainter& p);
void CharacterLeft(QPainter& p);
void CharacterSmall(QPainter& p);
// Player 2's character in colours of its own (23 x 36).
void CharacterBack2(QPainter& p);
void CharacterRight2(QPainter& p);
void CharacterLeft2(QPainter& p);

// The brick wall behind the status strip (931 x 145).
void Bricks(QPainter& p);

}  // namespace qbx::art
