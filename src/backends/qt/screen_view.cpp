// The real window of one screen: painting from the controls' state, keys and clicks routed to
// the screen, and the menu bar kept in step with the screen's menu items.
#include "backends/qt/screen_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "backends/qt/fonts.h"
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

// ---- keys ----

namespace {

struct KeyCode {
    int qt;
    int16_t vk;
};

// Keys other than letters, digits and function keys. Shifted punctuation gives the code of its
// key on a US keyboard, as the window system reports keys rather than characters.
constexpr KeyCode kKeys[] = {
    {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},           {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},       {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},       {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},
    {Qt::Key_AltGr, 18},       {Qt::Key_Pause, 19},        {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},      {Qt::Key_Space, 32},        {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},    {Qt::Key_End, 35},          {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},        {Qt::Key_Up, 38},           {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},        {Qt::Key_Print, 44},        {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},      {Qt::Key_Meta, 91},         {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},    {Qt::Key_ScrollLock, 145},  {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},      {Qt::Key_Equal, 187},       {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},      {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189}, {Qt::Key_Period, 190},      {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},      {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},  {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221}, {Qt::Key_Apostrophe, 222},  {Qt::Key_QuoteDbl, 222},
    {Qt::Key_ParenRight, 48},  {Qt::Key_Exclam, 49},       {Qt::Key_At, 50},
    {Qt::Key_NumberSign, 51},  {Qt::Key_Dollar, 52},       {Qt::Key_Percent, 53},
    {Qt::Key_AsciiCircum, 54}, {Qt::Key_Ampersand, 55},    {Qt::Key_Asterisk, 56},
    {Qt::Key_ParenLeft, 57},
};

constexpr KeyCode kKeypadKeys[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},  {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110},   {Qt::Key_Comma, 110}, {Qt::Key_Slash, 111},
};

}  // namespace

int16_t VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<int16_t>(qtKey);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<int16_t>(keypad ? 96 + (qtKey - Qt::Key_0) : qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<int16_t>(112 + (qtKey - Qt::Key_F1));
    if (keypad)
        for (const KeyCode& k : kKeypadKeys)
            if (k.qt == qtKey) return k.vk;
    for (const KeyCode& k : kKeys)
        if (k.qt == qtKey) return k.vk;
    return 0;
}

int16_t ShiftBits(Qt::KeyboardModifiers modifiers) {
    int16_t bits = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) bits |= vk::ShiftMask;
    if (modifiers.testFlag(Qt::ControlModifier)) bits |= vk::CtrlMask;
    if (modifiers.testFlag(Qt::AltModifier)) bits |= vk::AltMask;
    return bits;
}

QCursor BlankCursor() {
    QImage blank(32, 32, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    return QCursor(QPixmap::fromImage(blank), 0, 0);
}

int TwipsToPx(float twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

namespace {

QColor ToColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QRect PxRect(const Control& c) {
    return QRect(TwipsToPx(c.Left), TwipsToPx(c.Top), TwipsToPx(c.Width), TwipsToPx(c.Height));
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

// A 64-bit FNV-1a digest, fed field by field.
struct Digest {
    uint64_t h = 0xcbf29ce484222325ULL;
    Digest& Bytes(const void* data, size_t n) {
        const auto* b = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 0x100000001b3ULL;
        return *this;
    }
    template <class T>
    Digest& Add(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        return Bytes(&v, sizeof v);
    }
    Digest& Add(const std::string& s) { return Add(s.size()).Bytes(s.data(), s.size()); }
    Digest& Add(const char* s) {
        const size_t n = s ? std::strlen(s) : 0;
        return Add(n).Bytes(s, n);
    }
    Digest& Add(const Rgb& c) { return Add(c.r).Add(c.g).Add(c.b); }
    Digest& Add(const FontSpec& f) { return Add(f.family).Add(f.points).Add(f.bold); }
    Digest& Add(const QRect& r) { return Add(r.x()).Add(r.y()).Add(r.width()).Add(r.height()); }
};

int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The indices of a longest increasing run (not necessarily adjacent) of v.
std::vector<bool> InLongestIncreasing(const std::vector<int>& v) {
    std::vector<int> tails, tailAt, prev(v.size(), -1);
    for (size_t i = 0; i < v.size(); ++i) {
        auto it = std::lower_bound(tails.begin(), tails.end(), v[i]);
        const size_t k = static_cast<size_t>(it - tails.begin());
        if (it == tails.end()) {
            tails.push_back(v[i]);
            tailAt.push_back(static_cast<int>(i));
        } else {
            *it = v[i];
            tailAt[k] = static_cast<int>(i);
        }
        prev[i] = k > 0 ? tailAt[k - 1] : -1;
    }
    std::vector<bool> in(v.size(), false);
    for (int i = tailAt.empty() ? -1 : tailAt.back(); i >= 0; i = prev[static_cast<size_t>(i)])
        in[static_cast<size_t>(i)] = true;
    return in;
}

// A region in widget pixels, grown to whole game pixels.
QRegion ToGamePixels(const QRegion& widget, int scale) {
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

// ---- client area ----

ClientArea::ClientArea(ScreenView& view) : QWidget(&view), view_(view) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

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

const QFont& ClientArea::FontFor(const FontSpec& f) {
    const char* family = f.family ? f.family : "";
    for (const CachedFont& c : fonts_)
        if (c.points == f.points && c.bold == f.bold && c.family == family) return c.font;
    fonts_.push_back({family, f.points, f.bold, fonts::Resolve(family, f.points, f.bold)});
    return fonts_.back().font;
}

uint64_t ClientArea::ContentOf(const Control& c) const {
    Digest d;
    d.Add(c.kind);
    switch (c.kind) {
        case Kind::Image:
            d.Add(static_cast<const Image&>(c).Picture);
            break;
        case Kind::Label: {
            const auto& l = static_cast<const Label&>(c);
            d.Add(l.Caption).Add(l.font).Add(l.fore).Add(l.back).Add(l.backOpaque).Add(l.align);
            d.Add(l.border);
            break;
        }
        case Kind::Shape: {
            const auto& sh = static_cast<const Shape&>(c);
            d.Add(sh.shape).Add(sh.borderColor).Add(sh.borderWidthPx).Add(sh.fillSolid);
            d.Add(sh.fillColor).Add(sh.backOpaque).Add(sh.backColor);
            break;
        }
        case Kind::Button: {
            const auto& b = static_cast<const Button&>(c);
            const Screen* s = view_.Scr();
            d.Add(b.Caption).Add(b.font).Add(b.back).Add(b.Enabled);
            d.Add(s && s->FocusedButton() == &b);
            d.Add(pressedOver_ && b.DisplayName() == pressed_);
            break;
        }
        case Kind::Timer:
        case Kind::Menu:
            break;
    }
    return d.h;
}

void ClientArea::TakeLooks(std::vector<Look>& out) const {
    out.clear();
    const Screen* s = view_.Scr();
    if (!s || !s->IsLoaded()) return;
    // ZOrder() runs front to back; paint from the back. Buttons always go above the rest.
    const std::vector<Control*>& z = s->ZOrder();
    for (auto it = z.rbegin(); it != z.rend(); ++it)
        if ((*it)->Visible && (*it)->kind != Kind::Button)
            out.push_back({*it, PxRect(**it), ContentOf(**it)});
    for (auto it = z.rbegin(); it != z.rend(); ++it)
        if ((*it)->Visible && (*it)->kind == Kind::Button)
            out.push_back({*it, PxRect(**it), ContentOf(**it)});
}

QRegion ClientArea::Changes(const std::vector<Look>& before, const std::vector<Look>& after) const {
    // One pixel more all round covers what smoothing spreads at fractional pixel ratios.
    auto grown = [](const QRect& r) { return r.adjusted(-1, -1, 1, 1); };
    QRegion dirty;
    if (before.size() == after.size() &&
        std::equal(before.begin(), before.end(), after.begin(),
                   [](const Look& a, const Look& b) { return a.control == b.control; })) {
        for (size_t i = 0; i < after.size(); ++i)
            if (!(before[i] == after[i])) dirty += grown(before[i].rect.united(after[i].rect));
        return dirty;
    }
    std::unordered_map<const Control*, size_t> was;
    was.reserve(before.size());
    for (size_t i = 0; i < before.size(); ++i) was.emplace(before[i].control, i);
    std::vector<int> order;  // former places of the controls still shown, in their new order
    std::vector<size_t> kept;
    std::vector<bool> stays(before.size(), false);
    for (size_t j = 0; j < after.size(); ++j) {
        auto it = was.find(after[j].control);
        if (it == was.end()) {
            dirty += grown(after[j].rect);
            continue;
        }
        const Look& old = before[it->second];
        stays[it->second] = true;
        if (!(old == after[j])) dirty += grown(old.rect.united(after[j].rect));
        order.push_back(static_cast<int>(it->second));
        kept.push_back(j);
    }
    for (size_t i = 0; i < before.size(); ++i)
        if (!stays[i]) dirty += grown(before[i].rect);
    // A control brought to the front shows differently only where it overlaps others: the
    // controls that keep their order among themselves need nothing more.
    const std::vector<bool> inOrder = InLongestIncreasing(order);
    for (size_t k = 0; k < order.size(); ++k)
        if (!inOrder[k]) dirty += grown(after[kept[k]].rect);
    return dirty;
}

bool ClientArea::CollectChanges() {
    TakeLooks(scratch_);
    if (scratch_ != looks_) {
        pending_ += Changes(looks_, scratch_);
        looks_.swap(scratch_);
    }
    const Screen* s = view_.Scr();
    const uint64_t generation = s && s->IsLoaded() ? s->Generation() : 0;
    if (generation != labelsGeneration_) {
        // Another load of the screen: none of the copies can show again.
        labels_.clear();
        labelsGeneration_ = generation;
    }
    return !pending_.isEmpty();
}

void ClientArea::MarkAll() {
    const int scale = view_.Scale();
    pending_ = QRegion(0, 0, width() / scale + 1, height() / scale + 1);
}

QRegion ClientArea::TakePending() {
    const int scale = view_.Scale();
    QRegion widget;
    if (scale == 1) {
        widget = pending_;
    } else {
        for (const QRect& r : pending_)
            widget += QRect(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
    }
    pending_ = QRegion();
    return widget;
}

void ClientArea::PaintPending() {
    if (pending_.isEmpty()) return;
    const QRegion widget = TakePending();
    // A hidden window is painted whole when it shows again.
    if (isVisible()) repaint(widget);
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

    const int scale = view_.Scale();
    p.scale(scale, scale);
    // Device pixels per logical pixel of the game, the window system's ratio included, so the
    // pictures are drawn at the resolution they land on.
    const qreal pictureRatio = std::max<qreal>(1e-3, std::abs(p.deviceTransform().m11()));
    paintRegion_ = e->region();
    const QRegion area = ToGamePixels(paintRegion_, scale);
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

Button* ClientArea::ButtonAt(QPoint pos) const {
    Screen* s = view_.Scr();
    if (!s || !s->IsLoaded()) return nullptr;
    const int scale = view_.Scale();
    const QPoint at(pos.x() / scale, pos.y() / scale);
    // The topmost visible button there; a disabled one still takes the click (and ignores it).
    for (Control* c : s->ZOrder())
        if (c->kind == Kind::Button && c->Visible && PxRect(*c).contains(at))
            return static_cast<Button*>(c);
    return nullptr;
}

void ClientArea::ForwardKey(QKeyEvent* e, bool down) {
    const int16_t code = VirtualKey(e->key(), e->modifiers());
    Screen* s = view_.Scr();
    if (code == 0 || !s) {
        e->ignore();
        return;
    }
    const int16_t shift = ShiftBits(e->modifiers());
    const bool repeat = e->isAutoRepeat();
    view_.Dispatch([s, code, shift, down, repeat] {
        if (down)
            s->KeyDown(code, shift, repeat);
        else
            s->KeyUp(code, shift);
    });
}

void ClientArea::keyPressEvent(QKeyEvent* e) {
    ForwardKey(e, true);
}

void ClientArea::keyReleaseEvent(QKeyEvent* e) {
    // Held keys repeat their key-down only; X11 reports each repeat as a release and a press.
    if (e->isAutoRepeat()) return;
    ForwardKey(e, false);
}

void ClientArea::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    Screen* s = view_.Scr();
    Button* b = ButtonAt(e->position().toPoint());
    if (!s || !b || !b->Enabled) return;
    pressed_ = b->DisplayName();
    pressedGeneration_ = s->Generation();
    pressedOver_ = true;
    update();
}

void ClientArea::mouseMoveEvent(QMouseEvent* e) {
    if (pressed_.empty()) return;
    const Button* b = ButtonAt(e->position().toPoint());
    const bool over = b && b->DisplayName() == pressed_;
    if (over != pressedOver_) {
        pressedOver_ = over;
        update();
    }
}

void ClientArea::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || pressed_.empty()) return;
    const std::string name = std::exchange(pressed_, {});
    pressedOver_ = false;
    update();
    Screen* s = view_.Scr();
    if (!s || !s->IsLoaded() || s->Generation() != pressedGeneration_) return;
    Button* b = ButtonAt(e->position().toPoint());
    // A click needs the press and the release on the same button.
    if (!b || b->DisplayName() != name) return;
    view_.Dispatch([s, b] { s->ClickButton(*b); });
}

bool ClientArea::focusNextPrevChild(bool) {
    return false;
}

// ---- the window ----

ScreenView::ScreenView(Screen& screen, ViewHost* host, int scale)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      screen_(&screen),
      host_(host),
      scale_(std::max(1, scale)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (screen.Design().hasMenuBar) {
        // Always inside the window, so its height is part of the window everywhere. Said before
        // the first menu bar is made, so Qt does not ask the desktop for a global menu bar: a
        // D-Bus round trip that can start a bus daemon and hold up the first window.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
        menuBar_ = new QMenuBar(this);
        menuBar_->setNativeMenuBar(false);
        layout->setMenuBar(menuBar_);
        BuildMenu();
    }
    client_ = new ClientArea(*this);
    client_->setFixedSize(ClientSize());
    frame_ = new QTimer(this);
    frame_->setSingleShot(true);
    frame_->setTimerType(Qt::PreciseTimer);
    connect(frame_, &QTimer::timeout, this, [this] { PaintFrame(); });
    layout->addWidget(client_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFocusProxy(client_);
    Sync();
    layout->activate();
}

ScreenView::~ScreenView() = default;

QWidget* ScreenView::Client() const {
    return client_;
}

QSize ScreenView::ClientSize() const {
    const ScreenDesign& d = screen_ ? screen_->Design() : ScreenDesign{};
    return QSize(TwipsToPx(d.clientWidth) * scale_, TwipsToPx(d.clientHeight) * scale_);
}

QAction* ScreenView::ActionFor(std::string_view itemName) const {
    for (const MenuEntry& m : menu_)
        if (m.item->name == itemName) return m.action;
    return nullptr;
}

void ScreenView::Dispatch(const std::function<void()>& call) {
    if (host_)
        host_->Dispatch(call);
    else
        call();
}

void ScreenView::BuildMenu() {
    const std::vector<MenuItem*>& items = screen_->MenuItems();
    auto clickOf = [this](MenuItem* m) {
        return [this, m] {
            // Once the screen is unloaded its menu items are gone; the window follows soon.
            if (!screen_) return;
            Screen* s = screen_;
            Dispatch([s, m] { s->ClickMenu(*m); });
        };
    };
    for (MenuItem* top : items) {
        if (!top->parent.empty()) continue;
        const QString text = QString::fromStdString(top->Caption);
        bool hasChildren = std::any_of(items.begin(), items.end(),
                                       [top](const MenuItem* m) { return m->parent == top->name; });
        if (!hasChildren) {
            QAction* a = menuBar_->addAction(text);
            connect(a, &QAction::triggered, this, clickOf(top));
            menu_.push_back({top, a, nullptr, top->Caption, true, true});
            continue;
        }
        QMenu* menu = menuBar_->addMenu(text);
        // A top-level item's own Click runs as its menu drops down.
        if (top->onClick) connect(menu, &QMenu::aboutToShow, this, clickOf(top));
        menu_.push_back({top, menu->menuAction(), menu, top->Caption, true, true});
        for (MenuItem* m : items) {
            if (m->parent != top->name) continue;
            QAction* a = m->separator ? menu->addSeparator()
                                      : menu->addAction(QString::fromStdString(m->Caption));
            if (!m->separator) {
                int key = m->shortcutKey;
                if (key >= 112 && key <= 135) key = Qt::Key_F1 + (key - 112);
                if (key > 0) a->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(key)));
                connect(a, &QAction::triggered, this, clickOf(m));
            }
            menu_.push_back({m, a, nullptr, m->Caption, true, true});
        }
    }
}

void ScreenView::SyncMenu() {
    for (MenuEntry& e : menu_) {
        if (e.caption != e.item->Caption && !e.item->separator) {
            e.caption = e.item->Caption;
            if (e.menu)
                e.menu->setTitle(QString::fromStdString(e.caption));
            else
                e.action->setText(QString::fromStdString(e.caption));
        }
        if (e.enabled != e.item->Enabled) {
            e.enabled = e.item->Enabled;
            e.action->setEnabled(e.enabled);
        }
        if (e.visible != e.item->Visible) {
            e.visible = e.item->Visible;
            e.action->setVisible(e.visible);
        }
    }
}

void ScreenView::SyncPointer() {
    if (!screen_ || screen_->MousePointer() == pointer_) return;
    pointer_ = screen_->MousePointer();
    // The menu bar keeps the normal pointer; only the client area takes the screen's own.
    if (pointer_ == Pointer::Custom)
        client_->setCursor(BlankCursor());
    else
        client_->unsetCursor();
}

void ScreenView::Sync() {
    if (!screen_) return;
    if (screen_->caption != title_) {
        title_ = screen_->caption;
        setWindowTitle(QString::fromStdString(title_));
    }
    SyncMenu();
    SyncPointer();
    // A hidden window is painted whole when it shows again.
    if (client_->isVisible() && client_->CollectChanges()) ScheduleFrame();
}

void ScreenView::ScheduleFrame() {
    if (frame_->isActive()) return;
    qreal hz = 60;
    if (const QScreen* where = screen()) hz = where->refreshRate();
    if (!(hz >= 24 && hz <= 480)) hz = 60;
    const auto frameNs = static_cast<int64_t>(1e9 / hz);
    const int64_t wait = lastFrameNs_ + frameNs - MonotonicNs();
    frame_->start(wait <= 0 ? 0 : static_cast<int>((wait + 999999) / 1000000));
}

void ScreenView::FlushFrame() {
    if (!frame_->isActive()) return;
    frame_->stop();
    PaintFrame();
}

void ScreenView::PaintFrame() {
    lastFrameNs_ = MonotonicNs();
    client_->CollectChanges();
    client_->PaintPending();
}

void ScreenView::ShowScreen() {
    if (!shownOnce_) {
        shownOnce_ = true;
        if (layout()) layout()->activate();
        QScreen* where = QGuiApplication::primaryScreen();
        if (where) {
            const QRect avail = where->availableGeometry();
            const QSize size = sizeHint().expandedTo(this->size());
            move(avail.center() - QPoint(size.width() / 2, size.height() / 2));
        }
    }
    show();
    raise();
    activateWindow();
    client_->setFocus(Qt::ActiveWindowFocusReason);
}

void ScreenView::Detach() {
    screen_ = nullptr;
    // The actions stay (one of them may be emitting right now); they just no longer lead
    // anywhere.
    menu_.clear();
    if (menuBar_) menuBar_->setEnabled(false);
    client_->MarkAll();
    client_->update();
}

void ScreenView::closeEvent(QCloseEvent* e) {
    // The screen decides: it may refuse, unload, or end the program.
    e->ignore();
    if (!screen_) return;
    Screen* s = screen_;
    Dispatch([s] { s->CloseBox(); });
}

bool ScreenView::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate && screen_) {
        Screen* s = screen_;
        Dispatch([s] { s->WindowDeactivated(); });
    }
    return QWidget::event(e);
}

}  // namespace qbx
