// Painting the client area: each kind of control, captions, and the caches of pictures, fonts
// and label pixels that keep a frame cheap.
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

#include "backends/qt/fonts.h"
#include "backends/qt/screen_view.h"
#include "backends/qt/view_parts.h"
#include "engine/program.h"
#include "engine/screen.h"

namespace qbx {

// Captions break lines at CR LF (or a lone CR or LF).
QString CaptionText(const std::string& caption) {
    QString s = QString::fromStdString(caption);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

int LabelTextFlags(Align a) {
    const Qt::Alignment h = a == Align::Right    ? Qt::AlignRight
                            : a == Align::Center ? Qt::AlignHCenter
                                                 : Qt::AlignLeft;
    return int(h | Qt::AlignTop) | Qt::TextWordWrap;
}

namespace {

QColor ToColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// A frame of the given width inside r, made of four filled strips so that it covers whole
// pixels at any scale.
void FrameRect(QPainter& p, const QRect& r, int width, const QColor& color) {
    if (width <= 0 || r.isEmpty()) return;
    const int w = std::min({width, (r.width() + 1) / 2, (r.height() + 1) / 2});
    p.fillRect(QRect(r.left(), r.top(), r.width(), w), color);
    p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), color);
    p.fillRect(QRect(r.left(), r.top() + w, w, r.height() - 2 * w), color);
    p.fillRect(QRect(r.right() - w + 1, r.top() + w, w, r.height() - 2 * w), color);
}

// A region in widget pixels, grown to whole game pixels.
QRegion ToGamePixels(const QRegion& widget, const ClientArea::Placement& place) {
    if (!place.whole) {
        QRegion out;
        for (const QRect& r : widget)
            out += QRectF((r.x() - place.offset.x()) / place.scale,
                          (r.y() - place.offset.y()) / place.scale, r.width() / place.scale,
                          r.height() / place.scale)
                       .toAlignedRect();
        return out;
    }
    const int scale = static_cast<int>(place.scale);
    if (scale == 1) return widget;
    QRegion out;
    for (const QRect& r : widget) {
        const int x0 = r.left() / scale, y0 = r.top() / scale;
        const int x1 = (r.right() + scale) / scale, y1 = (r.bottom() + scale) / scale;
        out += QRect(x0, y0, x1 - x0, y1 - y0);
    }
    return out;
}

}  // namespace

const QImage& ClientArea::PictureImage(PictureRef pic, qreal ratio) {
    if (ratio != cacheRatio_) {
        pictures_.clear();
        cacheRatio_ = ratio;
    }
    auto it = pictures_.find(pic);
    if (it == pictures_.end()) {
        QImage image;
        const Screen* s = view_.Scr();
        if (const PictureArtist* artist = s ? s->Prog().Artist() : nullptr) {
            const PicturePixels px = artist->Draw(*pic, ratio);
            if (px.width > 0 && px.height > 0) {
                image = QImage(reinterpret_cast<const uchar*>(px.argb.data()), px.width, px.height,
                               px.width * 4, QImage::Format_ARGB32_Premultiplied)
                            .copy();
                image.setDevicePixelRatio(ratio);
            }
        }
        // A picture without a see-through pixel (the brick strip) is copied, not blended:
        // the same pixels for much less work.
        if (!image.isNull() && image.hasAlphaChannel()) {
            bool opaque = true;
            for (int y = 0; y < image.height() && opaque; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(line[x]) != 255) {
                        opaque = false;
                        break;
                    }
            }
            if (opaque) image = image.convertToFormat(QImage::Format_RGB32);
        }
        it = pictures_.emplace(pic, std::move(image)).first;
    }
    return it->second;
}

const QFont& ClientArea::FontFor(const FontSetting& f) {
    const char* family = f.family ? f.family : "";
    for (const CachedFont& c : fonts_)
        if (c.points == f.points && c.bold == f.bold && c.family == family) return c.font;
    fonts_.push_back({family, f.points, f.bold, fonts::Resolve(family, f.points, f.bold)});
    return fonts_.back().font;
}

void ClientArea::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    Screen* s = view_.Scr();
    if (!s || !s->IsLoaded()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    // Paint the controls as they are now; whatever changed since the last frame outside this
    // region is painted with the next one.
    if (CollectChanges()) view_.ScheduleFrame();

    const Placement place = Place();
    if (!place.whole) {
        // Black round the field, which keeps the game's proportions.
        for (const QRect& r : e->region()) p.fillRect(r, Qt::black);
        p.translate(place.offset);
    }
    p.scale(place.scale, place.scale);
    // Device pixels per logical pixel of the game, the window system's ratio included, so the
    // pictures are drawn at the resolution they land on.
    const qreal pictureRatio = std::max<qreal>(1e-3, std::abs(p.deviceTransform().m11()));
    paintRegion_ = e->region();
    const QRegion area = ToGamePixels(paintRegion_, place);
    const QRect bounds = area.boundingRect();

    const ScreenDesign& d = s->Design();
    p.fillRect(QRect(0, 0, TwipsToPx(d.clientWidth), TwipsToPx(d.clientHeight)), ToColor(d.back));

    // A control painted only where the region needs it: everything it draws lies inside its
    // own rectangle.
    const Button* focus = s->FocusedButton();
    const bool simple = area.rectCount() == 1;
    for (size_t i = 0; i < looks_.size(); ++i) {
        const Look& look = looks_[i];
        if (!bounds.intersects(look.rect) || (!simple && !area.intersects(look.rect))) continue;
        const Control& c = *look.control;
        if (c.kind == Kind::Button)
            PaintButton(p, static_cast<const Button&>(c), &c == focus);
        else if (c.kind == Kind::Label)
            PaintLabel(p, look, i, pictureRatio);
        else
            PaintControl(p, c, pictureRatio);
    }
    if (ViewHost* host = view_.Host()) host->ViewPainted(*s);
}

void ClientArea::PaintLabel(QPainter& p, const Look& look, size_t index, qreal pictureRatio) {
    const auto& l = static_cast<const Label&>(*look.control);
    QPaintEngine* engine = p.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    auto* image =
        device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    const QTransform world = p.worldTransform();
    const QTransform toDevice = p.deviceTransform();
    const QRectF mapped = toDevice.mapRect(QRectF(look.rect));
    const QRect target = mapped.toAlignedRect();
    // Only where the label covers whole device pixels can its pixels be copied back exactly.
    if (!image || look.rect.isEmpty() || toDevice.type() > QTransform::TxScale ||
        QRectF(target) != mapped || !image->rect().contains(target)) {
        PaintControl(p, l, pictureRatio);
        return;
    }
    Digest key;
    key.Add(look.content).Add(look.rect).Add(toDevice.m11()).Add(toDevice.m22());
    key.Add(toDevice.dx()).Add(toDevice.dy()).Add(image->format());
    if (!l.backOpaque) {
        // What lies behind shows through the label, and is part of the copy.
        const Screen* s = view_.Scr();
        key.Add(s->Design().back);
        for (size_t j = 0; j < index; ++j)
            if (looks_[j].rect.intersects(look.rect))
                key.Add(looks_[j].content).Add(looks_[j].rect);
    }
    auto it = labels_.find(&l);
    if (it != labels_.end() && it->second.key == key.h) {
        // Drawn one device pixel to one, without any scaling in between.
        p.setWorldTransform(toDevice.inverted() * world);
        if (p.deviceTransform().type() <= QTransform::TxTranslate) {
            p.drawImage(target.topLeft(), it->second.pixels);
            p.setWorldTransform(world);
            return;
        }
        p.setWorldTransform(world);
    }
    PaintControl(p, l, pictureRatio);
    // Every pixel of the label was painted just now: keep them.
    const QRect inWidget = world.mapRect(look.rect);
    if (QRegion(inWidget).subtracted(paintRegion_).isEmpty()) {
        QImage pixels = image->copy(target);
        pixels.setDevicePixelRatio(1);  // device pixels, drawn one to one
        labels_[&l] = {key.h, std::move(pixels)};
    }
}

void ClientArea::PaintControl(QPainter& p, const Control& c, qreal pictureRatio) {
    const QRect r = PxRect(c);
    switch (c.kind) {
        case Kind::Image: {
            const auto& img = static_cast<const Image&>(c);
            if (!img.Picture || r.width() <= 0 || r.height() <= 0) return;
            const QImage& pix = PictureImage(img.Picture, pictureRatio);
            if (pix.isNull()) return;
            // Natural size from the top-left corner, cut off at the control's edges: an image
            // never stretches its picture.
            const qreal ratio = pix.devicePixelRatio();
            const qreal w = std::min<qreal>(r.width(), pix.width() / ratio);
            const qreal h = std::min<qreal>(r.height(), pix.height() / ratio);
            p.drawImage(QRectF(r.left(), r.top(), w, h), pix, QRectF(0, 0, w * ratio, h * ratio));
            return;
        }
        case Kind::Label: {
            const auto& l = static_cast<const Label&>(c);
            if (r.isEmpty()) return;
            if (l.backOpaque) p.fillRect(r, ToColor(l.back));
            QRect text = r;
            if (l.border) {
                FrameRect(p, r, 1, Qt::black);
                text.adjust(1, 1, -1, -1);
            }
            if (l.Caption.empty()) return;
            p.setFont(FontFor(l.font));
            p.setPen(ToColor(l.fore));
            p.save();
            p.setClipRect(text, Qt::IntersectClip);
            p.drawText(text, LabelTextFlags(l.align), CaptionText(l.Caption));
            p.restore();
            return;
        }
        case Kind::Shape: {
            const auto& sh = static_cast<const Shape&>(c);
            if (r.isEmpty()) return;
            const int bw = std::max(0, sh.borderWidthPx);
            if (sh.shape == ShapeKind::Rectangle) {
                if (sh.backOpaque) p.fillRect(r, ToColor(sh.backColor));
                if (sh.fillSolid) p.fillRect(r, ToColor(sh.fillColor));
                FrameRect(p, r, bw, ToColor(sh.borderColor));
                return;
            }
            // The largest circle that fits, centred.
            const qreal dia = std::min(r.width(), r.height());
            const QRectF circle(r.left() + (r.width() - dia) / 2.0,
                                r.top() + (r.height() - dia) / 2.0, dia, dia);
            p.save();
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            if (sh.backOpaque) {
                p.setBrush(ToColor(sh.backColor));
                p.drawEllipse(circle);
            }
            if (sh.fillSolid) {
                p.setBrush(ToColor(sh.fillColor));
                p.drawEllipse(circle);
            }
            if (bw > 0) {
                const qreal half = std::min<qreal>(bw, dia / 2.0) / 2.0;
                QPen pen(ToColor(sh.borderColor), 2.0 * half);
                p.setPen(pen);
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(circle.adjusted(half, half, -half, -half));
            }
            p.restore();
            return;
        }
        case Kind::Button:
        case Kind::Timer:
        case Kind::Menu:
            return;
    }
}

void ClientArea::PaintButton(QPainter& p, const Button& b, bool focused) {
    QRect r = PxRect(b);
    if (r.width() < 4 || r.height() < 4) return;
    const bool sunken = pressedOver_ && b.DisplayName() == pressed_;
    p.fillRect(r, ToColor(b.back));
    if (focused) {
        FrameRect(p, r, 1, Qt::black);
        r.adjust(1, 1, -1, -1);
    }
    if (sunken) {
        FrameRect(p, r, 1, QColor(128, 128, 128));
    } else {
        // Raised bevel: light top and left, dark bottom and right.
        const QColor white(255, 255, 255), light(223, 223, 223), shadow(128, 128, 128),
            dark(0, 0, 0);
        p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), white);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), white);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dark);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), dark);
        p.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 3, 1), light);
        p.fillRect(QRect(r.left() + 1, r.top() + 1, 1, r.height() - 3), light);
        p.fillRect(QRect(r.left() + 1, r.bottom() - 1, r.width() - 2, 1), shadow);
        p.fillRect(QRect(r.right() - 1, r.top() + 1, 1, r.height() - 2), shadow);
    }
    QRect text = r.adjusted(3, 3, -3, -3);
    if (sunken) text.translate(1, 1);
    p.setFont(FontFor(b.font));
    p.setPen(b.Enabled ? QColor(0, 0, 0) : QColor(128, 128, 128));
    p.drawText(text, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextWordWrap,
               CaptionText(b.Caption));
    if (focused) {
        QPen dots(QColor(0, 0, 0), 1, Qt::DotLine);
        p.setPen(dots);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(r).adjusted(3.5, 3.5, -4.5, -4.5));
    }
}

}  // namespace qbx
