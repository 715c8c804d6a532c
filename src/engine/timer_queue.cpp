// The shared timer schedule.
#include "engine/timer_queue.h"

#include <algorithm>

#include "engine/input.h"
#include "engine/program.h"
#include "engine/screen.h"

namespace qbx {

TimerQueue::Entry* TimerQueue::Find(const Timer& t) {
    for (Entry& e : entries_)
        if (e.timer == &t) return &e;
    return nullptr;
}

const TimerQueue::Entry* TimerQueue::Find(const Timer& t) const {
    for (const Entry& e : entries_)
        if (e.timer == &t) return &e;
    return nullptr;
}

void TimerQueue::Remove(const Timer& t) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&t](const Entry& e) { return e.timer == &t; });
    if (it == entries_.end()) return;
    entries_.erase(it);
    if (observer_) observer_->RunEnded(t);
}

int TimerQueue::RankOf(const Timer& t) const {
    if (!t.screen) return 0;
    long s = 0;
    if (program_) {
        const auto& screens = program_->Screens();
        s = std::find(screens.begin(), screens.end(), t.screen) - screens.begin();
    }
    const auto& timers = t.screen->Timers();
    const auto k = std::find(timers.begin(), timers.end(), &t) - timers.begin();
    return static_cast<int>(s * 1000 + k);
}

void TimerQueue::Changed(Timer& t) {
    Remove(t);
    if (!t.Enabled()) return;
    entries_.push_back({&t, clock_.NowMs() + t.Interval, ++runs_, RankOf(t)});
    if (observer_) observer_->RunStarted(t);
}

void TimerQueue::Destroyed(Timer& t) {
    Remove(t);
}

std::optional<TimerQueue::Due> TimerQueue::NextDue(int64_t limitMs) const {
    const Entry* best = nullptr;
    for (const Entry& e : entries_) {
        if (e.dueMs > limitMs || e.timer->Running() || e.timer->Interval <= 0) continue;
        if (!best || e.dueMs < best->dueMs || (e.dueMs == best->dueMs && e.rank < best->rank))
            best = &e;
    }
    if (!best) return std::nullopt;
    return Due{best->timer, best->dueMs};
}

std::optional<int64_t> TimerQueue::EarliestDueMs() const {
    std::optional<int64_t> earliest;
    for (const Entry& e : entries_)
        if (!e.timer->Running() && e.timer->Interval > 0 && (!earliest || e.dueMs < *earliest))
            earliest = e.dueMs;
    return earliest;
}

std::optional<int64_t> TimerQueue::DueMs(const Timer& t) const {
    const Entry* e = Find(t);
    if (!e) return std::nullopt;
    return e->dueMs;
}

bool TimerQueue::Fire(Timer& t) {
    Entry* e = Find(t);
    if (!e) return false;
    const int64_t due = e->dueMs;
    const uint64_t run = e->run;
    // Meanwhile the other timers keep ticking if the handler lets events run.
    e->dueMs = due + std::max(1, t.Interval);
    if (observer_ && t.onTimer) observer_->Ticking(t, due);
    // The handler may stop, restart or destroy its own timer; its controls live until the
    // outermost handler returns, so t stays valid, but the entry may not.
    const bool delivered = t.Fire();
    e = Find(t);
    if (!e || e->run != run) return delivered;
    const int interval = t.Interval;
    if (interval <= 0) return delivered;
    const int64_t now = clock_.NowMs();
    int64_t next = due + interval;
    if (next <= now) {
        const int64_t missed = (now - due) / interval;
        if (observer_) observer_->Dropped(t, missed);
        next = due + (missed + 1) * interval;
    }
    e->dueMs = next;
    return delivered;
}

void TimerQueue::DeliverDue(const std::function<void(const Due&)>& deliver,
                            std::optional<int64_t> untilMs) {
    for (int delivered = 0; untilMs || delivered < 10000; ++delivered) {
        const auto due = NextDue(untilMs ? *untilMs : clock_.NowMs());
        if (!due) break;
        if (log_ && due->timer->onTimer && due->timer->screen) {
            // Stamped when it is delivered: by the clock, or at its due time on a clock that
            // the delivery moves forward.
            InputEvent tick{.kind = InputEvent::Kind::Tick,
                            .atMs = std::max(clock_.NowMs(), due->dueMs),
                            .form = due->timer->screen->Name(),
                            .control = due->timer->name};
            log_->Noted(tick);
        }
        deliver(*due);
    }
}

}  // namespace qbx
