// How each timer of a real window ticked and how often each window was painted: kept when
// QUIBBLIX_TICK_LOG names a file, for the live check; it watches the schedule, never drives it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/timer_queue.h"

namespace qbx {

class TickLog : public TimerObserver {
public:
    explicit TickLog(const Clock& clock) : clock_(clock) {}

    // Rates are ticks over the time from each start to the run's last tick, so a timer that
    // ticks on schedule shows exactly 1000 / interval.
    struct Stats {
        int intervalMs = 0;
        int64_t ticks = 0;
        int64_t skipped = 0;  // ticks that fell due while the program was busy, not delivered
        double seconds = 0;
        double sleptSeconds = 0;  // of those, the game's own sleeps, when nothing ticks
        double lateMsSum = 0, lateMsMax = 0;
        double gapMsMin = 0, gapMsMax = 0;  // between consecutive ticks of one run
        double PerSecond() const { return seconds > 0 ? static_cast<double>(ticks) / seconds : 0; }
        double PerSecondAwake() const {
            const double awake = seconds - sleptSeconds;
            return awake > 0 ? static_cast<double>(ticks) / awake : 0;
        }
    };

    void RunStarted(const Timer& t) override;
    void RunEnded(const Timer& t) override;
    void Ticking(const Timer& t, int64_t dueMs) override;
    void Dropped(const Timer& t, int64_t ticks) override;

    void Slept(int64_t startNs, int64_t endNs) { sleeps_.emplace_back(startNs, endNs); }
    void Painted(const std::string& screen);

    // Timers by "screen.timer", with the runs still going counted up to their last tick.
    std::map<std::string, Stats> Now() const;
    // Returns false when the file cannot be written.
    bool Write(const std::string& file) const;

private:
    struct Run {
        std::string key;
        Stats* stats = nullptr;
        int64_t startNs = 0;
        int64_t lastTickNs = 0;  // 0 before the first tick
    };
    void Close(const Run& r, Stats& into) const;
    double SleptWithin(int64_t fromNs, int64_t toNs) const;

    const Clock& clock_;
    std::map<std::string, Stats> stats_;
    std::unordered_map<const Timer*, Run> runs_;
    std::vector<std::pair<int64_t, int64_t>> sleeps_;
    struct Paints {
        int64_t count = 0;
        int64_t firstUnixMs = 0;
    };
    std::map<std::string, Paints> paints_;
};

}  // namespace qbx
