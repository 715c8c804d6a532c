// The characters (23 x 36 natural pixels), player 1's and player 2's: from behind, walking
// either way, and small.
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include "art/drawings.h"

namespace qbx::art {
namespace {

const QColor kOutline = Rgb(10, 8, 14, 230);
const QColor kSkin = Rgb(252, 192, 176);
const QColor kSkinShade = Rgb(222, 140, 130);

// The colours that tell the players apart: hair, cloak and clothes.
struct Palette {
    QColor hair, hairLit, hairDark, hairShine, cloak, cloakLit, cloth, clothLit, clothDark;
};
const Palette kPlayerOne{Rgb(226, 70, 104),       Rgb(255, 140, 160), Rgb(160, 30, 60),
                         Rgb(255, 170, 186, 170), Rgb(22, 22, 30),    Rgb(62, 62, 78),
                         Rgb(46, 92, 220),        Rgb(110, 160, 255), Rgb(28, 50, 140)};
// Player 2: golden hair, a bottle-green cloak, orange clothes.
const Palette kPlayerTwo{Rgb(232, 178, 40),       Rgb(255, 226, 130), Rgb(170, 112, 10),
                         Rgb(255, 240, 170, 170), Rgb(24, 96, 52),    Rgb(86, 170, 112),
                         Rgb(236, 120, 24),       Rgb(255, 184, 96),  Rgb(160, 70, 10)};

void DrawBack(QPainter& p, const Palette& k) {
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
    cloakShade.setColorAt(0.0, k.cloakLit);
    cloakShade.setColorAt(0.35, k.cloak);
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
    hair.setColorAt(0.0, k.hairLit);
    hair.setColorAt(0.5, k.hair);
    hair.setColorAt(1.0, k.hairDark);
    p.setBrush(hair);
    p.drawEllipse(QPointF(11.5, 6.4), 5.0, 5.2);
    // Strands falling from the crown, and a tuft at the nape.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(k.hairDark, 0.55, Qt::SolidLine, Qt::RoundCap));
    QPainterPath strands;
    strands.moveTo(11.0, 2.2);
    strands.quadTo(8.6, 5.6, 8.4, 10.2);
    strands.moveTo(11.8, 2.0);
    strands.quadTo(11.0, 6.0, 11.4, 11.0);
    strands.moveTo(12.6, 2.2);
    strands.quadTo(14.6, 5.6, 14.6, 10.2);
    p.drawPath(strands);
    p.setPen(QPen(k.hairShine, 0.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(7.6, 2.4, 7.0, 7.0), 100 * 16, 70 * 16);
}

void DrawRight(QPainter& p, const Palette& k) {
    const QPen outline(kOutline, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(outline);

    // Back leg and shoe.
    p.setBrush(k.clothDark);
    p.drawRect(QRectF(8.2, 26.0, 2.8, 7.0));
    p.setBrush(Rgb(30, 24, 24));
    p.drawRoundedRect(QRectF(6.6, 32.2, 4.8, 2.8), 1.2, 1.2);

    // Front leg, striding, and shoe.
    p.setBrush(k.cloth);
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
    coatShade.setColorAt(0.7, k.cloak);
    coatShade.setColorAt(1.0, k.cloakLit);
    p.setBrush(coatShade);
    p.drawPath(coat);

    // Blue belt and hem trim.
    p.setPen(Qt::NoPen);
    p.setBrush(k.cloth);
    p.drawRect(QRectF(7.4, 20.2, 9.0, 1.6));
    p.drawRect(QRectF(6.6, 27.0, 10.7, 1.1));
    p.setBrush(k.clothLit);
    p.drawRect(QRectF(13.0, 20.2, 1.6, 1.6));

    // Arm in a blue sleeve, reaching forward, with a hand.
    p.setPen(outline);
    p.setBrush(k.cloth);
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
    hairShade.setColorAt(0.0, k.hairLit);
    hairShade.setColorAt(0.5, k.hair);
    hairShade.setColorAt(1.0, k.hairDark);
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

void DrawLeft(QPainter& p, const Palette& k) {
    p.translate(23.0, 0.0);
    p.scale(-1.0, 1.0);
    DrawRight(p, k);
}

}  // namespace

void CharacterBack(QPainter& p) {
    DrawBack(p, kPlayerOne);
}
void CharacterRight(QPainter& p) {
    DrawRight(p, kPlayerOne);
}
void CharacterLeft(QPainter& p) {
    DrawLeft(p, kPlayerOne);
}
void CharacterBack2(QPainter& p) {
    DrawBack(p, kPlayerTwo);
}
void CharacterRight2(QPainter& p) {
    DrawRight(p, kPlayerTwo);
}
void CharacterLeft2(QPainter& p) {
    DrawLeft(p, kPlayerTwo);
}

void CharacterSmall(QPainter& p) {
    p.scale(19.0 / 23.0, 29.0 / 36.0);
    CharacterBack(p);
}

}  // namespace qbx::art
