// The one schedule every backend runs the timers on: a fixed rate on the clock it is given,
// ties in a fixed order, a handler never re-entered by its own timer, late ticks dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qbx {

class InputLog;
class Program;
class Timer;

// Monotonic time in nanoseconds: the real clock in a window, a virtual one headless, a fake one
// in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t NowNs() const = 0;
    int64_t NowMs() const { return NowNs() / 1000000; }
};

// Watches the schedule without taking part in it (tick statistics of a real window).
class TimerObserver {
public:
    virtual ~TimerObserver() = default;
    // A timer was enabled (or restarted); its run ends when it is stopped or destroyed.
    virtual void RunStarted(const Timer& t) = 0;
    virtual void RunEnded(const Timer& t) = 0;
    // A tick due at dueMs is about to be delivered.
    virtual void Ticking(const Timer& t, int64_t dueMs) = 0;
    // Ticks that fell due while the program was busy and were not delivered.
    virtual void Dropped(const Timer& t, int64_t ticks) = 0;
};

class TimerQueue {
public:
    explicit TimerQueue(const Clock& clock) : clock_(clock) {}
    // Ties between screens follow the program's order of screens.
    void Attach(const Program& program) { program_ = &program; }

    // Tick k of a run falls due k intervals after the timer was enabled.
    void Changed(Timer& t);
    void Destroyed(Timer& t);

    struct Due {
        Timer* timer;
        int64_t dueMs;
    };
    // The earliest tick due at or before limitMs. Ties go to the screen that comes first in the
    // program, then to the timer that comes first in its screen's design. A timer whose handler
    // is running, or that has no interval, is never due.
    std::optional<Due> NextDue(int64_t limitMs) const;
    // The earliest tick of a timer that is not running, for a backend that sleeps until then.
    std::optional<int64_t> EarliestDueMs() const;
    // When t ticks next, or nullopt while it is stopped.
    std::optional<int64_t> DueMs(const Timer& t) const;

    // Delivers t's due tick and schedules its next one a whole interval after the tick just
    // delivered, however late that was; when the handler ran past the next tick, the ticks missed
    // meanwhile are dropped and the phase is kept. Returns whether the handler ran.
    bool Fire(Timer& t);

    // Delivers, the earliest first, every tick due at or before untilMs, or, without it, every
    // tick due by the clock, read again after each tick since a handler may let time pass; then
    // at most 10000, so a handler that keeps the clock moving cannot hold the pump for ever.
    // `deliver` fires the timer, inside whatever a backend puts around a handler.
    void DeliverDue(const std::function<void(const Due&)>& deliver,
                    std::optional<int64_t> untilMs = std::nullopt);

    void SetObserver(TimerObserver* o) { observer_ = o; }
    // Told of each tick DeliverDue hands over, for a replay being recorded.
    void SetInputLog(InputLog* log) { log_ = log; }

private:
    struct Entry {
        Timer* timer;
        int64_t dueMs;
        uint64_t run;  // a fresh number each time the timer is enabled
        int rank;      // the order among ticks due together
    };
    Entry* Find(const Timer& t);
    const Entry* Find(const Timer& t) const;
    void Remove(const Timer& t);
    int RankOf(const Timer& t) const;

    const Program* program_ = nullptr;
    const Clock& clock_;
    TimerObserver* observer_ = nullptr;
    InputLog* log_ = nullptr;
    uint64_t runs_ = 0;
    std::vector<Entry> entries_;  // the enabled timers; few, so a plain vector
};

}  // namespace qbx
