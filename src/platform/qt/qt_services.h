// The Qt backend's services: a real event loop, the timers on one fixed-rate schedule, a window
// per loaded screen, modal message boxes, and every call into the screens funnelled through
// Dispatch.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/program.h"
#include "platform/qt/screen_view.h"
#include "platform/services.h"

namespace qbx {

class QtServices : public Services, public ViewHost {
public:
    // scale multiplies every window's size in logical pixels (1 draws a twip as 1/15 pixel).
    explicit QtServices(int scale = 1);
    ~QtServices() override;
    QtServices(const QtServices&) = delete;
    QtServices& operator=(const QtServices&) = delete;

    void Attach(Program& p) { program_ = &p; }

    void DoEvents() override;
    void Sleep(int ms) override;
    void MsgBox(const std::string& text, const std::string& title) override;
    uint64_t TimeOfDaySeed() override;
    std::string ProgramDir() override;
    std::string Environ(const std::string& name) override;
    [[noreturn]] void End() override;
    void TimerChanged(Timer& t) override;
    void TimerDestroyed(Timer& t) override;
    void ScreenChanged(Screen& s, ScreenEvent e) override;

    // Every call into the screens goes through here: it counts nested handlers, collects the
    // controls of unloaded screens once the outermost one has returned, and schedules a
    // repaint of the windows.
    void Dispatch(const std::function<void()>& call) override;
    int DispatchDepth() const { return depth_; }

    // Called after the outermost handler returns with no screen loaded any more (the windowed
    // program then quits).
    void OnNothingLoaded(std::function<void()> f) { onNothingLoaded_ = std::move(f); }

    // Runs job once, soon after the first window has been painted, or before the next call
    // into the screens if that comes first: work the first screen does not need.
    void AfterFirstPaint(std::function<void()> job) { afterFirstPaint_ = std::move(job); }

    // The window of a loaded screen, or null.
    ScreenView* ViewOf(const Screen& s) const;
    int Scale() const { return scale_; }

    void ViewPainted(const Screen& s) override;

    // How each timer really ticked, kept when QUIBBLIX_TICK_LOG names a file (written there as
    // the program ends) or after KeepTickStats(). Rates are ticks over the time from each start
    // to the run's last tick, so a timer that ticks on schedule shows exactly 1000 / interval.
    struct TickStats {
        int intervalMs = 0;
        int64_t ticks = 0;
        int64_t skipped = 0;  // ticks that fell due while the program was busy, not delivered
        double seconds = 0;
        double sleptSeconds = 0;  // of those, the game's own sleeps (Sleep), when nothing ticks
        double lateMsSum = 0, lateMsMax = 0;
        double gapMsMin = 0, gapMsMax = 0;  // between consecutive ticks of one run
        double PerSecond() const { return seconds > 0 ? static_cast<double>(ticks) / seconds : 0; }
        double PerSecondAwake() const {
            const double awake = seconds - sleptSeconds;
            return awake > 0 ? static_cast<double>(ticks) / awake : 0;
        }
    };
    void KeepTickStats() { keepStats_ = true; }
    // Timers by "screen.timer", with the runs still going counted up to their last tick.
    std::map<std::string, TickStats> TickStatsNow() const;
    void WriteTickLog();

private:
    // One enabled timer's place on the schedule. Due times are whole milliseconds of the
    // monotonic clock, so timers that fall due together tick in design order, as on the
    // headless clock.
    struct Run {
        uint64_t id = 0;         // a fresh id each time the timer is enabled
        int64_t dueMs = 0;       // the next tick
        int intervalMs = 0;      // 0 while the timer has no interval yet
        int64_t startNs = 0;     // when the run (or its interval) started
        int64_t lastTickNs = 0;  // 0 before the first tick
        TickStats* stats = nullptr;
    };
    Run& RunOf(Timer& t, int64_t nowNs);
    void EndRun(Run& r);
    double SleptWithin(int64_t fromNs, int64_t toNs) const;
    void RunDueTimers();
    void ArmWake();
    int ScreenRank(const Screen* s) const;
    int64_t ClockMs(int64_t ns) const;
    void SyncViews();

    Program* program_ = nullptr;
    int scale_;
    int depth_ = 0;
    uint64_t seedCounter_ = 0;
    std::function<void()> onNothingLoaded_;
    std::function<void()> afterFirstPaint_;
    bool painted_ = false;
    void RunAfterFirstPaint();
    QTimer wake_;  // single-shot, armed for the earliest due tick
    int64_t epochNs_;
    uint64_t nextRunId_ = 0;
    std::unordered_map<const Timer*, Run> runs_;
    bool keepStats_ = false;
    bool tickLogWritten_ = false;
    std::string tickLogFile_;
    std::map<std::string, TickStats> tickStats_;
    std::vector<std::pair<int64_t, int64_t>> sleeps_;  // start and end, while stats are kept
    struct PaintStats {
        int64_t paints = 0;
        int64_t firstPaintUnixMs = 0;
    };
    std::map<std::string, PaintStats> paintStats_;
    std::unordered_map<const Screen*, ScreenView*> views_;
    // Windows of unloaded screens, waiting for the event loop to delete them.
    std::vector<QPointer<ScreenView>> dying_;
};

}  // namespace qbx
