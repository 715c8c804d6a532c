// The Qt backend's services and its dispatch of every call into the screens.
#include "platform/qt/qt_services.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "platform/qt/art.h"
#include "platform/screen.h"

namespace qbx {

namespace {
// How often an enabled timer with no interval looks for one.
constexpr int kIdlePollMs = 50;

int64_t MonotonicNs();
}  // namespace

QtServices::QtServices(int scale) : scale_(std::max(1, scale)), epochNs_(MonotonicNs()) {
    // Every window takes the application's icon.
    if (QGuiApplication::windowIcon().isNull()) QGuiApplication::setWindowIcon(art::AppIcon());
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, &wake_, [this] { RunDueTimers(); });
    tickLogFile_ = qEnvironmentVariable("QUIBBLIX_TICK_LOG").toStdString();
}

QtServices::~QtServices() {
    WriteTickLog();
    for (auto& [screen, view] : views_) delete view;
    for (QPointer<ScreenView>& v : dying_) delete v.data();
}

// ---- dispatch ----

void QtServices::Dispatch(const std::function<void()>& call) {
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    };
    // Input can only come once a window is on screen.
    if (painted_) RunAfterFirstPaint();
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
    // Each window notes what changed and paints it with its next display frame.
    for (auto& [screen, view] : views_) view->Sync();
}

// ---- services ----

void QtServices::DoEvents() {
    // The handler that pumps has usually just moved something: let it show now, not at the
    // next frame (it may sleep next).
    SyncViews();
    for (auto& [screen, view] : views_) view->FlushFrame();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtServices::Sleep(int ms) {
    if (ms <= 0) return;
    const int64_t start = MonotonicNs();
    QThread::msleep(static_cast<unsigned long>(ms));
    if (keepStats_ || !tickLogFile_.empty()) sleeps_.emplace_back(start, MonotonicNs());
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
    WriteTickLog();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(0);
}

// ---- timers ----
//
// Every timer ticks on a fixed-rate schedule: tick k of a run falls due k intervals after the
// timer was enabled, on the monotonic clock, however late the previous tick was delivered. A
// timer re-armed after each tick would drift by the time each tick waits for the event loop
// and by its handler's own time, and the game would run slow. One single-shot wake-up is armed
// for the earliest due tick; when it fires, every due tick is delivered, the earliest first
// and ties in design order. A tick that falls due while its own handler runs, or more than
// one interval late, is not delivered: the timer keeps its phase instead of catching up.

namespace {
int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

int64_t QtServices::ClockMs(int64_t ns) const {
    return (ns - epochNs_) / 1000000;
}

QtServices::Run& QtServices::RunOf(Timer& t, int64_t nowNs) {
    auto [it, fresh] = runs_.try_emplace(&t);
    Run& r = it->second;
    if (fresh) {
        r.id = ++nextRunId_;
        r.startNs = nowNs;
        r.intervalMs = std::max(0, t.Interval);
        r.dueMs = ClockMs(nowNs) + (r.intervalMs > 0 ? r.intervalMs : kIdlePollMs);
        if ((keepStats_ || !tickLogFile_.empty()) && t.screen) {
            TickStats& st = tickStats_[t.screen->Name() + "." + t.name];
            if (r.intervalMs > 0) st.intervalMs = r.intervalMs;
            r.stats = &st;
        }
    }
    return r;
}

void QtServices::EndRun(Run& r) {
    if (r.stats && r.lastTickNs > 0) {
        r.stats->seconds += static_cast<double>(r.lastTickNs - r.startNs) / 1e9;
        r.stats->sleptSeconds += SleptWithin(r.startNs, r.lastTickNs);
    }
    r.lastTickNs = 0;
}

double QtServices::SleptWithin(int64_t fromNs, int64_t toNs) const {
    int64_t slept = 0;
    for (const auto& [start, end] : sleeps_)
        slept += std::max<int64_t>(0, std::min(end, toNs) - std::max(start, fromNs));
    return static_cast<double>(slept) / 1e9;
}

void QtServices::TimerChanged(Timer& t) {
    if (auto it = runs_.find(&t); it != runs_.end()) {
        EndRun(it->second);
        runs_.erase(it);
    }
    if (t.Enabled()) RunOf(t, MonotonicNs());
    ArmWake();
}

void QtServices::TimerDestroyed(Timer& t) {
    if (auto it = runs_.find(&t); it != runs_.end()) {
        EndRun(it->second);
        runs_.erase(it);
    }
    t.backendData = nullptr;
}

int QtServices::ScreenRank(const Screen* s) const {
    if (!program_) return 0;
    const auto& screens = program_->Screens();
    return static_cast<int>(std::find(screens.begin(), screens.end(), s) - screens.begin());
}

void QtServices::RunDueTimers() {
    for (int guard = 0; guard < 10000; ++guard) {
        const int64_t nowNs = MonotonicNs();
        const int64_t now = ClockMs(nowNs);
        Timer* best = nullptr;
        Run* bestRun = nullptr;
        for (auto& [key, r] : runs_) {
            auto* t = const_cast<Timer*>(key);
            if (t->Running() || r.dueMs > now) continue;
            if (t->Interval <= 0) {
                // No interval: the timer waits for one without ticking.
                r.dueMs = now + kIdlePollMs;
                r.intervalMs = 0;
                continue;
            }
            if (r.intervalMs <= 0) {
                // Given an interval at last: the run starts now.
                EndRun(r);
                r.intervalMs = t->Interval;
                r.startNs = nowNs;
                r.dueMs = now + t->Interval;
                if (r.stats) r.stats->intervalMs = t->Interval;
                continue;
            }
            bool first = !best || r.dueMs < bestRun->dueMs;
            if (!first && r.dueMs == bestRun->dueMs) {
                // Ties as on the headless clock: screens in the program's order, then each
                // screen's timers in design order.
                const int rank = ScreenRank(t->screen), bestRank = ScreenRank(best->screen);
                first = rank < bestRank || (rank == bestRank && t->order < best->order);
            }
            if (first) {
                best = t;
                bestRun = &r;
            }
        }
        if (!best) break;

        const uint64_t id = bestRun->id;
        const int64_t due = bestRun->dueMs;
        TickStats* st = bestRun->stats;
        if (st) {
            const double lateMs =
                static_cast<double>(nowNs - epochNs_) / 1e6 - static_cast<double>(due);
            st->lateMsSum += std::max(0.0, lateMs);
            st->lateMsMax = std::max(st->lateMsMax, lateMs);
            if (bestRun->lastTickNs > 0) {
                const double gap = static_cast<double>(nowNs - bestRun->lastTickNs) / 1e6;
                st->gapMsMin = st->gapMsMin > 0 ? std::min(st->gapMsMin, gap) : gap;
                st->gapMsMax = std::max(st->gapMsMax, gap);
            }
            ++st->ticks;
        }
        // Set before the handler runs: a handler that stops its own timer ends the run here.
        bestRun->lastTickNs = nowNs;
        // The other timers keep ticking while the handler lets events run.
        bestRun->dueMs = due + bestRun->intervalMs;
        ArmWake();
        bool delivered = false;
        Dispatch([best, &delivered] { delivered = best->Fire(); });
        if (st && !delivered) --st->ticks;

        // The handler may have stopped, restarted or destroyed the timer; its controls live
        // until the outermost handler returns, so the pointer is only a key here.
        auto it = runs_.find(best);
        if (it == runs_.end() || it->second.id != id) continue;
        Run& r = it->second;
        // An interval set while the timer runs takes effect from this tick on.
        const int interval = best->Interval;
        if (interval <= 0) {
            r.dueMs = ClockMs(MonotonicNs()) + kIdlePollMs;
            continue;
        }
        if (interval != r.intervalMs) {
            EndRun(r);
            r.startNs = nowNs;
            r.intervalMs = interval;
            if (r.stats) r.stats->intervalMs = interval;
        }
        const int64_t after = ClockMs(MonotonicNs());
        int64_t next = due + interval;
        if (next <= after) {
            // Busy for more than an interval (a sleep, a message box): one tick now was
            // enough; the ones missed meanwhile are dropped and the phase is kept.
            const int64_t missed = (after - due) / interval;
            if (r.stats) r.stats->skipped += missed;
            next = due + (missed + 1) * interval;
        }
        r.dueMs = next;
    }
    ArmWake();
}

void QtServices::ArmWake() {
    int64_t earliest = INT64_MAX;
    for (const auto& [t, r] : runs_)
        if (!t->Running()) earliest = std::min(earliest, r.dueMs);
    if (earliest == INT64_MAX) {
        wake_.stop();
        return;
    }
    // Rounded up to the next whole millisecond: never early, and at most 1 ms late, without
    // the lateness adding up from tick to tick.
    const int64_t waitNs = epochNs_ + earliest * 1000000 - MonotonicNs();
    const int waitMs = waitNs <= 0 ? 0 : static_cast<int>((waitNs + 999999) / 1000000);
    wake_.start(waitMs);
}

std::map<std::string, QtServices::TickStats> QtServices::TickStatsNow() const {
    std::map<std::string, TickStats> out = tickStats_;
    for (const auto& [t, r] : runs_) {
        if (!r.stats || r.lastTickNs == 0 || !t->screen) continue;
        auto it = out.find(t->screen->Name() + "." + t->name);
        if (it == out.end()) continue;
        it->second.seconds += static_cast<double>(r.lastTickNs - r.startNs) / 1e9;
        it->second.sleptSeconds += SleptWithin(r.startNs, r.lastTickNs);
    }
    return out;
}

void QtServices::ViewPainted(const Screen& s) {
    painted_ = true;
    if (afterFirstPaint_) QTimer::singleShot(0, &wake_, [this] { RunAfterFirstPaint(); });
    if (tickLogFile_.empty()) return;
    PaintStats& p = paintStats_[s.Name()];
    if (p.paints++ == 0) p.firstPaintUnixMs = QDateTime::currentMSecsSinceEpoch();
}

void QtServices::RunAfterFirstPaint() {
    if (!afterFirstPaint_) return;
    std::function<void()> job = std::move(afterFirstPaint_);
    afterFirstPaint_ = nullptr;
    job();
}

void QtServices::WriteTickLog() {
    if (tickLogFile_.empty() || tickLogWritten_) return;
    tickLogWritten_ = true;
    std::FILE* f = std::fopen(tickLogFile_.c_str(), "w");
    if (!f) {
        std::fprintf(stderr, "quibblix: cannot write the tick log %s\n", tickLogFile_.c_str());
        return;
    }
    std::fprintf(f, "# Quibblix: how often each timer ticked, and the windows' paints\n");
    for (const auto& [name, st] : TickStatsNow())
        std::fprintf(f,
                     "timer %s interval_ms=%d ticks=%lld seconds=%.3f slept_seconds=%.3f "
                     "per_second=%.3f per_second_awake=%.3f late_ms_mean=%.3f late_ms_max=%.3f "
                     "gap_ms_min=%.3f gap_ms_max=%.3f skipped=%lld\n",
                     name.c_str(), st.intervalMs, static_cast<long long>(st.ticks), st.seconds,
                     st.sleptSeconds, st.PerSecond(), st.PerSecondAwake(),
                     st.ticks > 0 ? st.lateMsSum / static_cast<double>(st.ticks) : 0.0,
                     st.lateMsMax, st.gapMsMin, st.gapMsMax, static_cast<long long>(st.skipped));
    for (const auto& [name, p] : paintStats_)
        std::fprintf(f, "screen %s paints=%lld first_paint_unix_ms=%lld\n", name.c_str(),
                     static_cast<long long>(p.paints), static_cast<long long>(p.firstPaintUnixMs));
    std::fclose(f);
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
