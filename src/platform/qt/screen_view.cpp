// The real window of one screen: painting from the controls' state, keys and clicks routed to
// the screen, and the menu bar kept in step with the screen's menu items.
#include "platform/qt/screen_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/qt/art.h"
#include "platform/qt/fonts.h"
#include "platform/screen.h"

namespace qbx {

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

// Captions break lines at CR LF (or a lone CR or LF).
QString CaptionText(const std::string& caption) {
    QString s = QString::fromStdString(caption);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

Qt::Alignment ToAlignment(Align a) {
    switch (a) {
        case Align::Right:
            return Qt::AlignRight;
        case Align::Center:
            return Qt::AlignHCenter;
        case Align::Left:
            break;
    }
    return Qt::AlignLeft;
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
    if (it == pictures_.end())
        it = pictures_.emplace(pic, art::RenderPicture(pic->name, ratio)).first;
    return it->second;
}

const QFont& ClientArea::FontFor(const FontSpec& f) {
    const char* family = f.family ? f.family : "";
    for (const CachedFont& c : fonts_)
        if (c.points == f.points && c.bold == f.bold && c.family == family) return c.font;
    fonts_.push_back({family, f.points, f.bold, fonts::Resolve(family, f.points, f.bold)});
    return fonts_.back().font;
}

void ClientArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Screen* s = view_.Scr();
    if (!s || !s->IsLoaded()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const int scale = view_.Scale();
    p.scale(scale, scale);
    // Device pixels per logical pixel of the game, the window system's ratio included, so the
    // pictures are drawn at the resolution they land on.
    const qreal pictureRatio = std::max<qreal>(1e-3, std::abs(p.deviceTransform().m11()));

    const ScreenDesign& d = s->Design();
    p.fillRect(QRect(0, 0, TwipsToPx(d.clientWidth), TwipsToPx(d.clientHeight)), ToColor(d.back));

    // ZOrder() runs front to back; paint from the back. Buttons always go above the rest.
    const std::vector<Control*>& z = s->ZOrder();
    for (auto it = z.rbegin(); it != z.rend(); ++it)
        if ((*it)->Visible && (*it)->kind != Kind::Button) PaintControl(p, **it, pictureRatio);
    const Button* focus = s->FocusedButton();
    for (auto it = z.rbegin(); it != z.rend(); ++it)
        if ((*it)->Visible && (*it)->kind == Kind::Button) {
            const auto& b = static_cast<const Button&>(**it);
            PaintButton(p, b, &b == focus);
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
            p.drawText(text, ToAlignment(l.align) | Qt::AlignTop | Qt::TextWordWrap,
                       CaptionText(l.Caption));
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

void ClientArea::keyPressEvent(QKeyEvent* e) {
    const int16_t code = VirtualKey(e->key(), e->modifiers());
    Screen* s = view_.Scr();
    if (code == 0 || !s) {
        e->ignore();
        return;
    }
    const int16_t shift = ShiftBits(e->modifiers());
    view_.Dispatch([s, code, shift] { s->KeyDown(code, shift); });
}

void ClientArea::keyReleaseEvent(QKeyEvent* e) {
    // Held keys repeat their key-down only; X11 reports each repeat as a release and a press.
    if (e->isAutoRepeat()) return;
    const int16_t code = VirtualKey(e->key(), e->modifiers());
    Screen* s = view_.Scr();
    if (code == 0 || !s) {
        e->ignore();
        return;
    }
    const int16_t shift = ShiftBits(e->modifiers());
    view_.Dispatch([s, code, shift] { s->KeyUp(code, shift); });
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
        menuBar_ = new QMenuBar(this);
        // Always inside the window, so its height is part of the window everywhere.
        menuBar_->setNativeMenuBar(false);
        layout->setMenuBar(menuBar_);
        BuildMenu();
    }
    client_ = new ClientArea(*this);
    client_->setFixedSize(ClientSize());
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
    if (pointer_ == 99)
        client_->setCursor(art::BlankCursor());
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
    client_->update();
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
    client_->update();
}

void ScreenView::closeEvent(QCloseEvent* e) {
    // The screen decides: it may refuse, unload, or end the program.
    e->ignore();
    if (!screen_) return;
    Screen* s = screen_;
    Dispatch([s] { s->CloseBox(); });
}

}  // namespace qbx
