// Screen shots through the same window class the game shows.
#include "backends/qt/shot.h"

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <cmath>

#include "backends/qt/screen_view.h"
#include "engine/screen.h"

namespace qbx {

std::string ShotScreen(Screen& screen, const std::string& pngFile, double pixelRatio) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return "shot needs a QApplication";
    if (!screen.IsLoaded()) return "screen not loaded";
    if (!(pixelRatio > 0 && pixelRatio <= 16)) return "pixel ratio out of range";

    // A window of its own, never shown and without a host: nothing it does reaches the game.
    ScreenView view(screen, nullptr);
    view.ensurePolished();
    if (view.layout()) view.layout()->activate();
    view.resize(view.sizeHint());
    const QSize logical = view.size();

    QImage image(static_cast<int>(std::lround(logical.width() * pixelRatio)),
                 static_cast<int>(std::lround(logical.height() * pixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::black);
    view.render(&image);
    if (!image.convertToFormat(QImage::Format_RGB32).save(QString::fromStdString(pngFile), "PNG"))
        return "could not write " + pngFile;
    return "";
}

}  // namespace qbx
