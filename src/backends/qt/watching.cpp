// Watching a recording in the windows: the recorded inputs at their recorded pace times the
// watcher's speed, the watcher's own input kept from the screens.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "backends/qt/qt_services.h"
#include "backends/qt/steady_clock.h"
#include "engine/screen.h"

namespace qbx {

namespace {
// Ticks played in one go before the windows get a turn to paint.
constexpr int64_t kPlaySliceNs = 8'000'000;
// The longest wait between looks at a pause, a speed change or Stop.
constexpr int kLongestWaitMs = 50;
// A frame at 60 Hz.
constexpr int64_t kFrameNs = 16'666'667;
}  // namespace

double QtServices::WatchState::NowMs() const {
    if (paused) return anchorMs;
    return anchorMs + static_cast<double>(SteadyNowNs() - anchorNs) / 1e6 * speed;
}

void QtServices::WatchState::Rebase() {
    anchorMs = NowMs();
    anchorNs = SteadyNowNs();
}

void QtServices::Watch(const std::vector<InputEvent>& events, Gamepad& pad, Watching w) {
    wake_.stop();
    watch_ = std::make_unique<WatchState>();
    watch_->hooks = std::move(w);
    watch_->playback = std::make_unique<Playback>(
        *program_, queue_, pad, events, events.size(),
        [this](const InputEvent& e) { PaceWatch(e); },
        [this](const std::function<void()>& call) { RunHandler(call); });
    watch_->playback->OnCheck(watch_->hooks.check);
    watch_->anchorMs = events.empty() ? 0.0 : static_cast<double>(events.front().atMs);
    watch_->anchorNs = SteadyNowNs();
    // The inputs that begin the game are played at once, however busy the machine, before a
    // window of the program just started has been painted.
    PlayDue(false);
}

void QtServices::SetWatchSpeed(double speed) {
    if (!watch_) return;
    watch_->Rebase();
    watch_->speed = std::max(0.25, speed);
    if (watch_->depth == 0) ArmWake();
}

void QtServices::SetWatchPaused(bool paused) {
    if (!watch_) return;
    watch_->Rebase();
    watch_->paused = paused;
    if (watch_->depth == 0) ArmWake();
    CueMusic();  // the watched game's music stands still with it
}

void QtServices::StopWatching() {
    if (!watch_) return;
    watch_->stopping = true;
    if (watch_->depth == 0) EndWatch();
}

void QtServices::Wake() {
    if (watch_)
        PlayDue();
    else
        RunDueTimers();
}

void QtServices::PlayDue(bool slice) {
    if (!watch_ || watch_->depth > 0 || watch_->over) return;
    WatchState& w = *watch_;
    const int64_t startNs = SteadyNowNs();
    bool wasDone = w.playback->Done();
    ++w.depth;
    try {
        while (!w.stopping && !w.paused && !w.playback->Done() &&
               static_cast<double>(w.playback->Next().atMs) <= w.NowMs()) {
            w.playback->PlayNext();
            if (slice && SteadyNowNs() - startNs > kPlaySliceNs) break;
        }
    } catch (const ProgramEnded&) {
        w.stopping = true;
    }
    --w.depth;
    SyncViews();
    if (w.stopping) {
        EndWatch();
        return;
    }
    if (!wasDone && w.playback->Done() && w.hooks.playedOut) w.hooks.playedOut();
    ArmWake();
}

void QtServices::PaceWatch(const InputEvent& e) {
    WatchState& w = *watch_;
    const auto due = static_cast<double>(e.atMs);
    // What the handlers did shows at the display's pace, even where the play runs behind (a busy
    // machine, a high speed) inside a handler's pump, and the watcher's keys are heard.
    auto show = [this, &w] {
        w.shownNs = SteadyNowNs();
        SyncViews();
        for (auto& [screen, view] : views_) view->FlushFrame();
    };
    if (SteadyNowNs() - w.shownNs >= kFrameNs) {
        show();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    for (bool shown = false;;) {
        if (w.stopping) throw ProgramEnded();
        if (!w.paused && w.NowMs() >= due) return;
        if (!shown) {
            shown = true;
            show();
        }
        int waitMs = kLongestWaitMs;
        if (!w.paused)
            waitMs = std::clamp(static_cast<int>(std::ceil((due - w.NowMs()) / w.speed)), 1,
                                kLongestWaitMs);
        QEventLoop loop;
        QTimer::singleShot(waitMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void QtServices::HoldWatch(int64_t untilNs) {
    WatchState& w = *watch_;
    w.Rebase();
    while (!w.stopping && SteadyNowNs() < untilNs) {
        QEventLoop loop;
        QTimer::singleShot(kLongestWaitMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // The recording's time stood still meanwhile.
    w.anchorNs = SteadyNowNs();
    if (w.stopping) throw ProgramEnded();
}

void QtServices::EndWatch() {
    if (!watch_ || watch_->over) return;
    watch_->over = true;
    wake_.stop();
    // Told from the event loop: the caller may be deep inside the play.
    QTimer::singleShot(0, &wake_, [this] {
        if (watch_ && watch_->hooks.ended) watch_->hooks.ended();
    });
}

void QtServices::Input(const InputEvent& e, const std::function<void()>& call) {
    if (aside_) return;
    if (watch_) {
        if (watch_->hooks.taken) watch_->hooks.taken(e);
        return;
    }
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
