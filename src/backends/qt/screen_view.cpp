// The real window of one screen: its parts put together, keys and clicks routed to the screen,
// and frames paced to the display.
#include "backends/qt/screen_view.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "backends/qt/steady_clock.h"
#include "backends/qt/view_parts.h"
#include "engine/screen.h"

namespace qbx {

QCursor BlankCursor() {
    QImage blank(32, 32, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    return QCursor(QPixmap::fromImage(blank), 0, 0);
}

namespace {

// The keys held down, by the keyboard's own key code with the key it meant when it went down,
// for every window at once: a key that opened a screen goes on repeating in that screen's
// window. A press of a held key is a repeat, whatever the window system calls it (with
// detectable auto-repeat the X server sends repeats as presses alone). A key code means
// whatever the keyboard's current layout says, and on Wayland each new virtual keyboard brings
// a layout of its own: the same code pressed for another key is a new press, not a repeat.
// Keys made up without a key code (synthesised events) are not tracked.
std::unordered_map<quint32, int>& HeldKeys() {
    static std::unordered_map<quint32, int> held;
    return held;
}

// Whether a press repeats a key already down.
bool PressRepeats(const QKeyEvent* e) {
    const quint32 code = e->nativeScanCode();
    bool held = false;
    if (code != 0) {
        const auto [at, added] = HeldKeys().try_emplace(code, e->key());
        held = !added && at->second == e->key();
        at->second = e->key();
    }
    return held || e->isAutoRepeat();
}

}  // namespace

// ---- client area ----

ClientArea::ClientArea(ScreenView& view) : QWidget(&view), view_(view) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

QPoint ClientArea::ScreenPoint(QPoint pos) const {
    const Placement place = Place();
    const int scale = view_.Scale();
    return place.whole
               ? QPoint(pos.x() / scale, pos.y() / scale)
               : QPoint(static_cast<int>(std::floor((pos.x() - place.offset.x()) / place.scale)),
                        static_cast<int>(std::floor((pos.y() - place.offset.y()) / place.scale)));
}

Button* ClientArea::ButtonAt(QPoint pos) const {
    Screen* s = view_.Scr();
    if (!s || !s->IsLoaded()) return nullptr;
    const QPoint at = ScreenPoint(pos);
    // The topmost visible button there; a disabled one still takes the click (and ignores it).
    for (Control* c : s->ZOrder())
        if (c->kind == Kind::Button && c->Visible && PxRect(*c).contains(at))
            return static_cast<Button*>(c);
    return nullptr;
}

Label* ClientArea::LabelAt(QPoint pos) const {
    Screen* s = view_.Scr();
    if (!s || !s->IsLoaded() || ButtonAt(pos)) return nullptr;
    const QPoint at = ScreenPoint(pos);
    for (Control* c : s->ZOrder())
        if (c->kind == Kind::Label && c->Visible && static_cast<Label*>(c)->TakesMouse() &&
            PxRect(*c).contains(at))
            return static_cast<Label*>(c);
    return nullptr;
}

void ForgetHeldKeys() {
    HeldKeys().clear();
}

void ClientArea::ForwardKey(QKeyEvent* e, bool down, bool repeat) {
    const int16_t code = VirtualKey(e->key(), e->modifiers());
    Screen* s = view_.Scr();
    if (code == 0 || !s) {
        e->ignore();
        return;
    }
    const int16_t shift = ShiftBits(e->modifiers());
    InputEvent in;
    in.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
    in.form = s->Name();
    in.code = code;
    in.shift = shift;
    in.repeat = down && repeat;
    view_.Input(in, [s, code, shift, down, repeat] {
        if (down)
            s->KeyDown(code, shift, repeat);
        else
            s->KeyUp(code, shift);
    });
}

void ClientArea::keyPressEvent(QKeyEvent* e) {
    const bool repeat = PressRepeats(e);
    // F11 belongs to the window, as on the rest of the desktop.
    if (e->key() == Qt::Key_F11 && e->modifiers() == Qt::NoModifier) {
        if (!repeat) view_.SetFullScreen(!view_.FullScreen());
        return;
    }
    ForwardKey(e, true, repeat);
}

void ClientArea::keyReleaseEvent(QKeyEvent* e) {
    // Held keys repeat their key-down only; without detectable auto-repeat X11 reports each
    // repeat as a release and a press, paired by the toolkit.
    if (e->isAutoRepeat()) return;
    HeldKeys().erase(e->nativeScanCode());
    if (e->key() == Qt::Key_F11 && e->modifiers() == Qt::NoModifier) return;
    ForwardKey(e, false, false);
}

void ClientArea::focusInEvent(QFocusEvent* e) {
    // Back from a menu, which took the keys meanwhile: a key let go there was never seen.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::MenuBarFocusReason)
        ForgetHeldKeys();
    QWidget::focusInEvent(e);
}

void ClientArea::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    view_.PlaceBanner();
}

void ClientArea::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    Screen* s = view_.Scr();
    if (Label* l = LabelAt(e->position().toPoint())) {
        pressedLabel_ = l->DisplayName();
        pressedGeneration_ = s->Generation();
        return;
    }
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
    if (e->button() != Qt::LeftButton) return;
    if (!pressedLabel_.empty()) {
        // As a button's: the press and the release on the same label.
        const std::string name = std::exchange(pressedLabel_, {});
        Screen* s = view_.Scr();
        if (!s || !s->IsLoaded() || s->Generation() != pressedGeneration_) return;
        Label* l = LabelAt(e->position().toPoint());
        if (!l || l->DisplayName() != name) return;
        InputEvent in{.kind = InputEvent::Kind::Click, .form = s->Name(), .control = name};
        view_.Input(in, [s, l] { s->ClickLabel(*l, false); });
        return;
    }
    if (pressed_.empty()) return;
    const std::string name = std::exchange(pressed_, {});
    pressedOver_ = false;
    update();
    Screen* s = view_.Scr();
    if (!s || !s->IsLoaded() || s->Generation() != pressedGeneration_) return;
    Button* b = ButtonAt(e->position().toPoint());
    // A click needs the press and the release on the same button.
    if (!b || b->DisplayName() != name) return;
    InputEvent in;
    in.kind = InputEvent::Kind::Click;
    in.form = s->Name();
    in.control = b->DisplayName();
    view_.Input(in, [s, b] { s->ClickButton(*b); });
}

void ClientArea::mouseDoubleClickEvent(QMouseEvent* e) {
    Screen* s = view_.Scr();
    Label* l = e->button() == Qt::LeftButton ? LabelAt(e->position().toPoint()) : nullptr;
    if (!s || !l) {
        mousePressEvent(e);
        return;
    }
    // The first click of the pair was delivered on its release; the second release is not a
    // click of its own.
    pressedLabel_.clear();
    InputEvent in{
        .kind = InputEvent::Kind::DblClick, .form = s->Name(), .control = l->DisplayName()};
    view_.Input(in, [s, l] { s->ClickLabel(*l, true); });
}

bool ClientArea::focusNextPrevChild(bool) {
    return false;
}

ClientArea::Placement ClientArea::Place() const {
    const int k = view_.Scale();
    const QSize field = view_.ClientSize();
    if (field.isEmpty() || size() == field) return {qreal(k), QPointF(0, 0), true};
    const qreal gameWidth = field.width() / k, gameHeight = field.height() / k;
    const qreal scale = std::min(width() / gameWidth, height() / gameHeight);
    return {scale,
            QPointF(std::round((width() - gameWidth * scale) / 2),
                    std::round((height() - gameHeight * scale) / 2)),
            false};
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
        menuBar_->installEventFilter(this);
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

void ScreenView::KeyboardLost() {
    if (!screen_) return;
    Screen* s = screen_;
    Input({.kind = InputEvent::Kind::Deactivate, .form = s->Name()},
          [s] { s->WindowDeactivated(); });
}

void ScreenView::Input(const InputEvent& e, const std::function<void()>& call) {
    if (host_)
        host_->Input(e, call);
    else
        call();
}

void ScreenView::Dispatch(const std::function<void()>& call) {
    if (host_)
        host_->Dispatch(call);
    else
        call();
}

void ScreenView::SetBanner(const QString& text) {
    if (text.isEmpty()) {
        if (banner_) banner_->hide();
        return;
    }
    if (!banner_) {
        banner_ = new QLabel(client_);
        banner_->setAttribute(Qt::WA_TransparentForMouseEvents);
        banner_->setAlignment(Qt::AlignCenter);
        banner_->setMargin(4 * scale_);
        QFont font(QStringLiteral("Verdana"));
        font.setPixelSize(14 * scale_);
        font.setBold(true);
        banner_->setFont(font);
        banner_->setStyleSheet(
            QStringLiteral("QLabel { color: white; background-color: rgba(0, 0, 0, 150); }"));
    }
    banner_->setText(text);
    PlaceBanner();
    banner_->show();
    banner_->raise();
}

void ScreenView::PlaceBanner() {
    if (!banner_) return;
    banner_->setFixedWidth(client_->width());
    banner_->adjustSize();
    banner_->move(0, 0);
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
    if (menuBar_ && host_) menuBar_->setEnabled(!host_->InputWithheld());
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
    const int64_t wait = lastFrameNs_ + frameNs - SteadyNowNs();
    frame_->start(wait <= 0 ? 0 : static_cast<int>((wait + 999999) / 1000000));
}

void ScreenView::FlushFrame() {
    if (!frame_->isActive()) return;
    frame_->stop();
    PaintFrame();
}

void ScreenView::PaintFrame() {
    lastFrameNs_ = SteadyNowNs();
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
    if (host_ && host_->WantsFullScreen() != fullScreen_) SetFullScreen(!fullScreen_);
    if (fullScreen_)
        FillScreen();
    else
        show();
    raise();
    activateWindow();
    client_->setFocus(Qt::ActiveWindowFocusReason);
}

void ScreenView::SetFullScreen(bool on) {
    if (on == fullScreen_) return;
    fullScreen_ = on;
    fullScreenSeen_ = false;
    if (on) {
        layout()->setSizeConstraint(QLayout::SetNoConstraint);
        client_->setMinimumSize(0, 0);
        client_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        client_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (isVisible()) {
            windowedAt_ = pos();
            FillScreen();
        }
    } else {
        client_->setFixedSize(ClientSize());
        layout()->setSizeConstraint(QLayout::SetFixedSize);
        if (isFullScreen()) showNormal();
        layout()->activate();
        if (windowedAt_) {
            move(*windowedAt_);
        } else if (const QScreen* where = screen()) {
            // First shown on the full screen: the window goes to the middle.
            const QSize size = sizeHint();
            move(where->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
        }
    }
    client_->MarkAll();
    client_->update();
    if (host_) host_->FullScreenChosen(on, *this);
}

void ScreenView::FillScreen() {
    // A window manager fills the screen with the window; without one, the window does it.
    if (const QScreen* where = screen()) setGeometry(where->geometry());
    showFullScreen();
}

void ScreenView::changeEvent(QEvent* e) {
    // The window manager may take the window out of the full screen itself. Only once it has
    // put it there: a Wayland compositor's first word on a new window gives it no state at all.
    if (e->type() == QEvent::WindowStateChange && fullScreen_ && isVisible()) {
        if (windowState() & Qt::WindowFullScreen)
            fullScreenSeen_ = true;
        else if (fullScreenSeen_)
            SetFullScreen(false);
    }
    QWidget::changeEvent(e);
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

void ScreenView::Reattach(Screen& screen) {
    screen_ = &screen;
    title_.clear();
    pointer_.reset();
    if (menuBar_) {
        menuBar_->clear();
        menu_.clear();
        BuildMenu();
    }
    client_->Forget();
    client_->update();
    Sync();
}

void ScreenView::closeEvent(QCloseEvent* e) {
    // The screen decides: it may refuse, unload, or end the program.
    e->ignore();
    if (!screen_) return;
    Screen* s = screen_;
    Input({.kind = InputEvent::Kind::Close, .form = s->Name()}, [s] { s->CloseBox(); });
}

bool ScreenView::eventFilter(QObject* watched, QEvent* e) {
    // Alt alone, or F10, gives the menu bar the keyboard: as an open menu, it is the screen's
    // keyboard lost.
    if (watched == menuBar_ && e->type() == QEvent::FocusIn) KeyboardLost();
    return QWidget::eventFilter(watched, e);
}

bool ScreenView::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate) KeyboardLost();
    return QWidget::event(e);
}

}  // namespace qbx
