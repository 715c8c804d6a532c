// The Qt backend's services and its dispatch of every call into the screens.
#include "platform/qt/qt_services.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "platform/qt/art.h"
#include "platform/screen.h"

namespace qbx {

namespace {
// How often an enabled timer with no interval looks for one.
constexpr int kIdlePollMs = 50;
}  // namespace

QtServices::QtServices(int scale) : scale_(std::max(1, scale)) {
    // Every window takes the application's icon.
    if (QGuiApplication::windowIcon().isNull()) QGuiApplication::setWindowIcon(art::AppIcon());
}

QtServices::~QtServices() {
    for (auto& [screen, view] : views_) delete view;
    for (QPointer<ScreenView>& v : dying_) delete v.data();
    // The QTimers are children of timerParent_ and go with it.
}

// ---- dispatch ----

void QtServices::Dispatch(const std::function<void()>& call) {
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    };
    {
        Depth guard(depth_);
        call();
    }
    if (depth_ == 0 && program_) {
        program_->CollectGarbage();
        const auto& screens = program_->Screens();
        bool anyLoaded = std::any_of(screens.begin(), screens.end(),
                                     [](const Screen* s) { return s->IsLoaded(); });
        if (!anyLoaded && onNothingLoaded_) onNothingLoaded_();
    }
    SyncViews();
}

void QtServices::SyncViews() {
    // update() only marks the window dirty; Qt paints it once on its next frame.
    for (auto& [screen, view] : views_) view->Sync();
}

// ---- services ----

void QtServices::DoEvents() {
    // The handler that pumps has usually just moved something: let it show.
    SyncViews();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtServices::Sleep(int ms) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

void QtServices::MsgBox(const std::string& text, const std::string& title) {
    QWidget* parent = nullptr;
    if (program_)
        if (Screen* active = program_->Active())
            if (ScreenView* v = ViewOf(*active); v && v->isVisible()) parent = v;
    QString body = QString::fromStdString(text);
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromStdString(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(body);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    // A plain OK button: some styles give standard buttons a picture.
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setIcon(QIcon());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    SyncViews();
    box.exec();
}

uint64_t QtServices::TimeOfDaySeed() {
    // Two reseeds within one millisecond still differ.
    const auto ms = static_cast<uint64_t>(QTime::currentTime().msecsSinceStartOfDay());
    return ms * 1000003ULL + ++seedCounter_;
}

std::string QtServices::ProgramDir() {
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string QtServices::Environ(const std::string& name) {
    return qgetenv(name.c_str()).toStdString();
}

void QtServices::End() {
    // The records are written and closed by now; nothing else may run, not even destructors.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(0);
}

// ---- timers ----

QTimer* QtServices::QTimerOf(const Timer& t) const {
    // A timer copied by a control array load carries its original's backend data: check it.
    auto* q = static_cast<QTimer*>(t.backendData);
    if (!q) return nullptr;
    auto it = timers_.find(q);
    return (it != timers_.end() && it->second == &t) ? q : nullptr;
}

void QtServices::TimerChanged(Timer& t) {
    QTimer* q = QTimerOf(t);
    if (!t.Enabled()) {
        if (q) q->stop();
        return;
    }
    if (!q) {
        q = new QTimer(&timerParent_);
        q->setTimerType(Qt::PreciseTimer);
        timers_[q] = &t;
        t.backendData = q;
        QObject::connect(q, &QTimer::timeout, q, [this, q] { OnTick(q); });
    }
    q->start(t.Interval > 0 ? t.Interval : kIdlePollMs);
}

void QtServices::TimerDestroyed(Timer& t) {
    QTimer* q = QTimerOf(t);
    if (!q) return;
    timers_.erase(q);
    t.backendData = nullptr;
    q->stop();
    q->disconnect();
    // It may be the very timer whose tick is running.
    q->deleteLater();
}

void QtServices::OnTick(QTimer* q) {
    auto it = timers_.find(q);
    if (it == timers_.end()) return;
    Timer* t = it->second;
    if (t->Interval > 0 && q->interval() == t->Interval) {
        // Fire() refuses to re-enter a running handler: a tick that falls due while its own
        // handler pumps events is dropped.
        Dispatch([t] { t->Fire(); });
        // The handler may have destroyed the timer, and the garbage may be collected by now.
        it = timers_.find(q);
        if (it == timers_.end() || it->second != t || !t->Enabled()) return;
    }
    // An interval set while the timer runs takes effect from this tick on.
    if (t->Interval > 0 && q->interval() != t->Interval) q->start(t->Interval);
}

// ---- windows ----

ScreenView* QtServices::ViewOf(const Screen& s) const {
    auto it = views_.find(&s);
    return it == views_.end() ? nullptr : it->second;
}

void QtServices::ScreenChanged(Screen& s, ScreenEvent e) {
    ScreenView* view = ViewOf(s);
    switch (e) {
        case ScreenEvent::Loaded:
            if (view) ScreenChanged(s, ScreenEvent::Unloaded);
            views_[&s] = new ScreenView(s, this, scale_);
            return;
        case ScreenEvent::Unloaded:
            if (!view) return;
            views_.erase(&s);
            view->Detach();
            view->hide();
            // Not deleted at once: this may run inside the window's own event handler.
            view->deleteLater();
            dying_.erase(std::remove(dying_.begin(), dying_.end(), nullptr), dying_.end());
            dying_.emplace_back(view);
            return;
        case ScreenEvent::Shown:
            if (!view) {
                view = new ScreenView(s, this, scale_);
                views_[&s] = view;
            }
            view->Sync();
            view->ShowScreen();
            return;
        case ScreenEvent::Hidden:
            if (view) view->hide();
            return;
        case ScreenEvent::Activated:
            if (view && view->isVisible()) {
                view->raise();
                view->activateWindow();
            }
            return;
        case ScreenEvent::PointerChanged:
            if (view) view->Sync();
            return;
    }
}

}  // namespace qbx
