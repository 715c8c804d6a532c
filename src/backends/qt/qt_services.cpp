// The Qt backend's services and its dispatch of every call into the screens.
#include "backends/qt/qt_services.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "backends/qt/steady_clock.h"
#include "engine/screen.h"

namespace qbx {

namespace {
// The monotonic clock, counted from the program's start.
class MonotonicClock : public Clock {
public:
    int64_t NowNs() const override { return SteadyNowNs() - epochNs_; }

private:
    int64_t epochNs_ = SteadyNowNs();
};
}  // namespace

QtServices::QtServices(int scale, const Clock* clock)
    : scale_(std::max(1, scale)),
      ownClock_(clock ? nullptr : std::make_unique<MonotonicClock>()),
      clock_(clock ? *clock : *ownClock_),
      queue_(clock_) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, &wake_, [this] { Wake(); });
    tickLogFile_ = qEnvironmentVariable("QUIBBLIX_TICK_LOG").toStdString();
    if (!tickLogFile_.empty()) KeepTickLog();
}

QtServices::~QtServices() {
    WriteTickLog();
    for (auto& [screen, view] : views_) delete view;
    for (QPointer<ScreenView>& v : dying_) delete v.data();
}

// ---- dispatch ----

void QtServices::Dispatch(const std::function<void()>& call) {
    RunHandler(call);
    SyncViews();
}

void QtServices::RunHandler(const std::function<void()>& call) {
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    };
    // Input can only come once a window is on screen.
    if (painted_) RunAfterFirstPaint();
    {
        Program::Delivery delivery(program_);
        Depth guard(depth_);
        call();
    }
    if (depth_ == 0 && program_) {
        const auto& screens = program_->Screens();
        bool anyLoaded = std::any_of(screens.begin(), screens.end(),
                                     [](const Screen* s) { return s->IsLoaded(); });
        if (!anyLoaded && onNothingLoaded_) onNothingLoaded_();
    }
}

void QtServices::SyncViews() {
    // Each window notes what changed and paints it with its next display frame.
    for (auto& [screen, view] : views_) view->Sync();
}

// ---- services ----

void QtServices::DoEvents() {
    // The handler that pumps has usually just moved something: let it show now, not at the
    // next frame (it may sleep next).
    SyncViews();
    for (auto& [screen, view] : views_) view->FlushFrame();
    // The other timers keep ticking while a handler lets events run.
    ArmWake();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    Noted({.kind = InputEvent::Kind::PumpEnd});
}

void QtServices::Sleep(int ms) {
    if (ms <= 0) return;
    const int64_t start = clock_.NowNs();
    QThread::msleep(static_cast<unsigned long>(ms));
    if (tickLog_) tickLog_->Slept(start, clock_.NowNs());
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
    ArmWake();
    box.exec();
    // Ticks delivered while the box was open came inside it, as inside an event pump.
    Noted({.kind = InputEvent::Kind::PumpEnd});
}

uint64_t QtServices::TimeOfDaySeed() {
    // Two reseeds within one millisecond still differ.
    const auto ms = static_cast<uint64_t>(QTime::currentTime().msecsSinceStartOfDay());
    const uint64_t seed = ms * 1000003ULL + ++seedCounter_;
    Noted({.kind = InputEvent::Kind::Seed, .seed = seed});
    return seed;
}

std::string QtServices::ProgramDir() {
    if (!programDir_.empty()) return programDir_;
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string QtServices::Environ(const std::string& name) {
    if (const auto it = env_.find(name); it != env_.end()) return it->second;
    return qgetenv(name.c_str()).toStdString();
}

void QtServices::End() {
    // The records are written and closed by now; nothing else may run, not even destructors.
    if (beforeEnd_) std::exchange(beforeEnd_, nullptr)();
    WriteTickLog();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(0);
}

// ---- sound ----

void QtServices::UseSound(const SoundBank& bank) {
    sound_ = std::make_unique<SoundOutput>(bank);
}

void QtServices::PlaySound(Sound effect, int variant) {
    if (soundOn_ && sound_ && !Quiet() && (!soundChoiceOf_ || soundChoiceOf_->SoundOn()))
        sound_->Play(effect, variant);
}

void QtServices::SetSoundOn(bool on) {
    if (on == soundOn_) return;
    soundOn_ = on;
    CueMusic();
    if (onSoundChanged_) onSoundChanged_(on);
}

namespace {
// One count for every program sharing a device, so a watched game's piece is never taken for
// the watcher's.
std::atomic<uint32_t> musicSerials{0};
}  // namespace

void QtServices::PlayMusic(Music piece) {
    music_.piece = piece;
    music_.serial = musicSerials.fetch_add(1, std::memory_order_relaxed) + 1;
    music_.paused = false;
    CueMusic();
}

void QtServices::PauseMusic(bool paused) {
    music_.paused = paused;
    CueMusic();
}

void QtServices::SetMusicOn(bool on) {
    if (on == musicOn_) return;
    musicOn_ = on;
    CueMusic();
    if (onMusicChanged_) onMusicChanged_(on);
}

void QtServices::ResumeOwnMusic() {
    music_.serial = musicSerials.fetch_add(1, std::memory_order_relaxed) + 1;
    CueMusic();
}

void QtServices::CueMusic() {
    if (!sound_ || Quiet()) return;
    MusicCue cue = music_;
    cue.paused = cue.paused || MusicHeld();
    // A watched game's music is heard only while the watcher's own choices let it.
    cue.audible = soundOn_ && musicOn_ &&
                  (!soundChoiceOf_ || (soundChoiceOf_->SoundOn() && soundChoiceOf_->MusicOn()));
    sound_->CueMusic(cue);
}

// ---- timers ----
//
// The timers tick on the shared fixed-rate schedule. One single-shot wake-up is armed for the
// earliest due tick; when it fires, every due tick is delivered, each inside Dispatch.

void QtServices::TimerChanged(Timer& t) {
    queue_.Changed(t);
    ArmWake();
}

void QtServices::TimerDestroyed(Timer& t) {
    queue_.Destroyed(t);
}

void QtServices::RunDueTimers() {
    queue_.DeliverDue([this](const TimerQueue::Due& due) {
        Timer* t = due.timer;
        Dispatch([this, t] { queue_.Fire(*t); });
    });
    ArmWake();
}

void QtServices::ArmWake() {
    const auto earliest = queue_.EarliestDueMs();
    if (!earliest) {
        wake_.stop();
        return;
    }
    // Rounded up to the next whole millisecond: never early, and at most 1 ms late, without
    // the lateness adding up from tick to tick.
    const int64_t waitNs = *earliest * 1000000 - clock_.NowNs();
    const int waitMs = waitNs <= 0 ? 0 : static_cast<int>((waitNs + 999999) / 1000000);
    wake_.start(waitMs);
}

void QtServices::KeepTickLog() {
    if (tickLog_) return;
    tickLog_ = std::make_unique<TickLog>(clock_);
    queue_.SetObserver(tickLog_.get());
}

void QtServices::ViewPainted(const Screen& s) {
    painted_ = true;
    if (afterFirstPaint_) QTimer::singleShot(0, &wake_, [this] { RunAfterFirstPaint(); });
    if (tickLog_) tickLog_->Painted(s.Name());
}

void QtServices::RunAfterFirstPaint() {
    if (!afterFirstPaint_) return;
    std::function<void()> job = std::move(afterFirstPaint_);
    afterFirstPaint_ = nullptr;
    job();
}

void QtServices::WriteTickLog() {
    if (tickLogFile_.empty() || tickLogWritten_ || !tickLog_) return;
    tickLogWritten_ = true;
    if (!tickLog_->Write(tickLogFile_)) {
        std::fprintf(stderr, "quibblix: cannot write the tick log %s\n", tickLogFile_.c_str());
        return;
    }
    if (sound_ && sound_->Ready()) {
        if (std::FILE* f = std::fopen(tickLogFile_.c_str(), "a")) {
            std::fprintf(f, "sound buffer_ms=%.2f effects=%lld start_delay_ms_max=%.2f\n",
                         sound_->BufferMs(), static_cast<long long>(sound_->Started()),
                         sound_->MaxStartDelayMs());
            std::fclose(f);
        }
    }
}

// ---- windows ----

void QtServices::SetFullScreen(bool on) {
    fullScreen_ = on;
    for (auto& [screen, view] : views_)
        if (view->isVisible()) view->SetFullScreen(on);
}

void QtServices::FullScreenChosen(bool on, const ScreenView& from) {
    if (on == fullScreen_) return;
    fullScreen_ = on;
    for (auto& [screen, view] : views_)
        if (view != &from && view->isVisible()) view->SetFullScreen(on);
    if (onFullScreenChanged_) onFullScreenChanged_(on);
}

ScreenView* QtServices::ViewOf(const Screen& s) const {
    auto it = views_.find(&s);
    return it == views_.end() ? nullptr : it->second;
}

void QtServices::Noted(const InputEvent& e) {
    if (!log_) return;
    InputEvent timed = e;
    timed.atMs = clock_.NowMs();
    log_->Noted(timed);
}

void QtServices::ScreenChanged(Screen& s, ScreenEvent e) {
    if (log_ && (e == ScreenEvent::Loaded || e == ScreenEvent::Unloaded))
        log_->ScreenLoaded(s, e == ScreenEvent::Loaded);
    ScreenView* view = ViewOf(s);
    switch (e) {
        case ScreenEvent::Loaded:
            if (view) ScreenChanged(s, ScreenEvent::Unloaded);
            views_[&s] = MakeView(s);
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
            if (!view) views_[&s] = view = MakeView(s);
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

ScreenView* QtServices::MakeView(Screen& s) {
    auto* view = new ScreenView(s, this, scale_);
    if (!banner_.empty()) view->SetBanner(QString::fromStdString(banner_));
    return view;
}

std::vector<ScreenView*> QtServices::ReleaseViews() {
    std::vector<ScreenView*> kept;
    for (auto& [screen, view] : views_) kept.push_back(view);
    views_.clear();
    return kept;
}

void QtServices::Wake() {
    RunDueTimers();
}

// The player's input goes to the screens, noted for a replay being recorded, unless the windows
// are set aside.
void QtServices::Input(const InputEvent& e, const std::function<void()>& call) {
    if (aside_) return;
    Noted(e);
    Dispatch(call);
}

void QtServices::SetWindowsAside(bool aside) {
    if (aside == aside_) return;
    aside_ = aside;
    if (aside) {
        setAside_.clear();
        for (auto& [screen, view] : views_)
            if (view->isVisible()) setAside_.emplace_back(view);
        for (QPointer<ScreenView>& v : setAside_) v->hide();
        return;
    }
    // Back in the order they were found; the active screen's window comes last, on top.
    ScreenView* active = nullptr;
    if (program_)
        if (Screen* s = program_->Active()) active = ViewOf(*s);
    for (QPointer<ScreenView>& v : setAside_)
        if (v && v->Scr() && v != active) v->ShowScreen();
    if (active && std::any_of(setAside_.begin(), setAside_.end(),
                              [active](const QPointer<ScreenView>& v) { return v == active; }))
        active->ShowScreen();
    setAside_.clear();
}

void QtServices::SetBanner(const std::string& text) {
    banner_ = text;
    for (auto& [screen, view] : views_) view->SetBanner(QString::fromStdString(text));
}

void QtServices::ShareSound(const QtServices& other) {
    sound_ = other.sound_;
    soundChoiceOf_ = &other;
}

}  // namespace qbx
