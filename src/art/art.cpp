// The pictures by name: which drawing makes each, painting it at a pixel ratio, the cache of
// renderings, and the application icon.
#include "art/art.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "art/drawings.h"

namespace qbx::art {
namespace {

constexpr qreal kMaxPixelRatio = 16.0;
constexpr int kMaxIconSize = 1024;
constexpr std::size_t kMaxCachedImages = 96;

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

constexpr std::array<Drawing, 24> kDrawings{{
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
    {"imgCharBack2", &AnySize<CharacterBack2>},
    {"imgCharRight2", &AnySize<CharacterRight2>},
    {"imgCharLeft2", &AnySize<CharacterLeft2>},
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
